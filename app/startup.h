// The process from start to end: the client's close request, the run mode, the
// single-instance rule, the wizard form and the message loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/error_reporter.h"
#include "core/session.h"
#include "platform/os.h"

namespace sorvane {

class TqnInstaller;
class RunLog;

// How long start-up waits for a running client to close its window. A client that
// is still there then is left running: the installation goes on and replaces what
// it can, as it does for any file in use.
inline constexpr std::uint32_t kClientWaitLimitMs = 30000;

enum class ClientWait { NoClient, Closed, TimedOut };

// Asks a running client to close and waits for its window to go.
ClientWait CloseRunningClient(Os& os, std::uint32_t limit_ms = kClientWaitLimitMs);

// Creates the wizard form object with its window, not yet shown; FormCreate has not run.
using FormFactory = std::function<std::unique_ptr<TqnInstaller>(SetupSession&)>;

// Runs the whole program; returns the process exit code: 0, except for a silent run
// that an error ended before the finish page, which gives 1. |log|, when given,
// receives the run's header, the error that ended it and the exit code.
int RunProgram(Os& os, SetupSession& session, ErrorReporter& reporter,
               const FormFactory& create_form, RunLog* log = nullptr);

inline constexpr const char* kAlreadyRunningText = "Setup Wizard is already running.";

}  // namespace sorvane
