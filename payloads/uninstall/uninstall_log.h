// The uninstaller's block in the setup's log, "Sorvane Setup.log" in the temporary
// folder of the account that runs it, under the setup's rules (core/run_log_rules.h):
// a file opened as itself and written only when it can be trusted. Any failure leaves
// the log off; nothing about the log changes what the removal does or its exit code.
#pragma once

#include <windows.h>

#include <string>

#include "core/run_log_rules.h"
#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

class UninstallLog {
  public:
    UninstallLog() = default;
    ~UninstallLog() { Close(); }
    UninstallLog(const UninstallLog&) = delete;
    UninstallLog& operator=(const UninstallLog&) = delete;

    // Opens the log and writes the block's header: the uninstaller and its version,
    // the date and time, |command_line| and the mode.
    void Start(const std::wstring& command_line, bool forced);
    void Step(const RemovalStep& step, const StepResult& result);
    // An error that ended the run before its removal.
    void Error(const char* text);
    // A note when a restart completes the removal; the exit code, last. Closes the log.
    void Finish(int exit_code, bool restart);

  private:
    bool Open();
    void Put(const RunLogLine& line, bool last);
    void Close();

    HANDLE file_ = nullptr;
    RunLogBlock block_;
};

}  // namespace sorvane::payloads
