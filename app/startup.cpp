#include "app/startup.h"

#include "core/command_line.h"
#include "install/run_log.h"
#include "wizard/installer_form.h"

namespace sorvane {

ClientWait CloseRunningClient(Os& os, std::uint32_t limit_ms) {
    const WindowHandle client = os.FindWindow(kClientWindowClass);
    if (!client) return ClientWait::NoClient;
    os.PostMessage(client, kClientCloseMessage, 0, 0);
    const std::uint32_t start = os.GetTickCount();
    for (;;) {
        os.PumpMessages();
        os.Sleep(1);
        if (!os.FindWindow(kClientWindowClass)) return ClientWait::Closed;
        // Unsigned difference: right across the tick counter's wrap.
        if (os.GetTickCount() - start >= limit_ms) return ClientWait::TimedOut;
    }
}

int RunProgram(Os& os, SetupSession& session, ErrorReporter& reporter,
               const FormFactory& create_form, RunLog* log) {
    os.CoInitialize();
    int exit_code = 0;
    try {
        CloseRunningClient(os);
        session.Silent = IsSilentCommandLine(ProgramArguments(os));
        reporter.SetSilent(session.Silent);
        if (log) log->Start(session.Silent);

        if (!session.Silent && os.FindWindow(kWizardWindowClass)) {
            os.MessageBox(0, kAlreadyRunningText, "Error", kMbOk | kMbIconWarning);
        } else {
            std::unique_ptr<TqnInstaller> form = create_form(session);
            reporter.SetOwner(form->native);
            try {
                form->FormCreate();
            } catch (...) {
                reporter.Report(std::current_exception());
            }
            // A silent run always ends by itself, also when the form's creation failed
            // before the installation could end the wizard.
            if (session.Silent && !form->quit_requested()) form->CloseWizard(true);
            if (!session.Silent) form->Show();
            os.RunMessageLoop();
            if (session.Silent && (reporter.reported() > 0 || !form->finish_shown())) exit_code = 1;
        }
    } catch (...) {
        reporter.Report(std::current_exception());
        if (session.Silent) exit_code = 1;
    }
    if (log && reporter.reported() > 0)
        log->Finish(exit_code, reporter.last_message(), reporter.last_code());
    else if (log)
        log->Finish(exit_code, "", 0);
    os.CoUninitialize();
    return exit_code;
}

}  // namespace sorvane
