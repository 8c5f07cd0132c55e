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

#include "platform/os.h"

namespace sorvane {

inline constexpr const char* kRunLogName = "Sorvane Setup.log";
inline constexpr const char* kSetupVersion = "2.2.0.0";
// Bounds: a log over kRunLogTrimAt keeps only its newest whole blocks within the last
// kRunLogKeep bytes; one run writes at most kRunLogBlockCap bytes. So the file stays
// under 1 MiB.
inline constexpr std::size_t kRunLogTrimAt = 960 * 1024;
inline constexpr std::size_t kRunLogKeep = 512 * 1024;
inline constexpr std::size_t kRunLogBlockCap = 64 * 1024;
inline constexpr std::size_t kRunLogLineCap = 4096;

class RunLog {
  public:
    explicit RunLog(Os& os) : os_(os) {}
    ~RunLog() { Close(); }
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens the log and writes the run's header: date and time, version, command line
    // and mode. Without a trusted file the log stays off.
    void Begin(bool silent) noexcept;
    // One line: the outcome, the step, what it concerned and, when not 0, the system's
    // error code.
    void Line(const char* outcome, const char* step, const std::string& object,
              std::uint32_t error = 0) noexcept;
    // The step that an error ended, the error with the system's code, when there was
    // one, and the exit code, last; closes the log.
    void End(int exit_code, const std::string& error, std::uint32_t code) noexcept;
    // The step that was under way when an error ended the run.
    void SetUnfinished(const char* step, const std::string& object) noexcept;

    bool active() const { return file_ != 0; }

  private:
    bool Open();
    void Write(std::string line, bool last);
    void Close();

    Os& os_;
    FileHandle file_ = 0;
    const char* unfinished_ = nullptr;
    std::string unfinished_object_;
    std::size_t block_ = 0;  // bytes this run has written
    bool cut_ = false;       // lines were left out to keep the block bound
};

// One step of the run as the log shows it. The step's error code is its own: the
// system's last error is cleared when the step begins. A step that is left without
// End, by an error that ends the run, is logged as failed with that error's code.
class LoggedStep {
  public:
    LoggedStep(Os& os, RunLog* log, const char* step, std::string object);
    ~LoggedStep();
    LoggedStep(const LoggedStep&) = delete;
    LoggedStep& operator=(const LoggedStep&) = delete;

    void End(bool ok);
    // For steps that report no outcome of their own.
    void Done();

  private:
    Os& os_;
    RunLog* log_;
    const char* step_;
    std::string object_;
};

}  // namespace sorvane
