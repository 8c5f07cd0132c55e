// The log of every run: "Sorvane Setup.log" in the temporary folder of the account
// that runs the setup, in UTF-8, one block per run appended to the blocks before it.
//
// The temporary folder of SYSTEM is shared with the machine's users, so the file is
// opened as itself and trusted only when it is a plain file of one link, owned by
// this account, the administrators or SYSTEM, and found where it was asked for.
// Otherwise the run goes on without a log: nothing about logging ever changes a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/run_log_rules.h"
#include "platform/os.h"

namespace sorvane {

class RunLog {
  public:
    explicit RunLog(Os& os) : os_(os) {}
    ~RunLog() { Close(); }
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens the log and writes the run's header: date and time, version, command line
    // and mode. Without a trusted file the log stays off and every call does nothing.
    void Start(bool silent) noexcept;
    // One line: the outcome, the step, what it concerned and, when not 0, the system's
    // error code.
    void Line(const char* outcome, const char* step, const std::string& object,
              std::uint32_t error = 0) noexcept;

    // A step that can fail: Step before it, with what it concerns (|folder| followed
    // by |name|), clearing the system's last error so that a
    // code logged is the step's own; then StepEnd with its outcome, or StepDone for a
    // step that reports none. A step that an error ends is logged by Finish.
    void Step(const char* step, const std::string& folder, const char* name = "") noexcept;
    void StepEnd(bool ok) noexcept;
    void StepDone() noexcept;

    // The step under way when an error ended the run, failed with the error's code;
    // the error; the exit code, last. Closes the log.
    void Finish(int exit_code, const std::string& error, std::uint32_t code) noexcept;

    bool active() const { return file_ != 0; }

  private:
    bool Open();
    void Write(const RunLogLine& text, bool last);
    void Close();

    Os& os_;
    FileHandle file_ = 0;
    const char* step_ = nullptr;  // the step under way
    std::string step_object_;
    RunLogBlock block_;
};

}  // namespace sorvane
