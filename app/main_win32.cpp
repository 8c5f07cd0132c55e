// Process entry of the Windows build.
#include "platform/win32/windows_api.h"

#include "app/error_reporter.h"
#include "app/startup.h"
#include "install/run_log.h"
#include "platform/win32/form_window.h"
#include "platform/win32/os_win32.h"
#include "provider/firewall_factory.h"
#include "system/system_steps.h"
#include "wizard/installer_form.h"

namespace {

// DLLs are looked for in the system folder only, so that a setup started from a
// downloads folder never loads a DLL planted beside it. Older systems lack the call.
void RestrictDllSearch() {
    using Fn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (fn) fn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The folder the setup was started from (often a downloads folder) is no working
// folder of ours: a program named there without its path would be taken from it. It is
// returned (UTF-8; empty when unknown): the folder dialog opens there, and a relative
// silent folder is read against it.
std::string LeaveStartFolder() {
    wchar_t start[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, start);
    wchar_t system[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryW(system, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) SetCurrentDirectoryW(system);
    return length > 0 && length <= MAX_PATH ? sorvane::win32::Narrow(start, length) : std::string();
}

// The wizard form together with its native window, which goes first when it ends.
class NativeInstaller : public sorvane::TqnInstaller {
  public:
    NativeInstaller(sorvane::Os& os, sorvane::SetupSession& session,
                    const sorvane::InstallSteps& steps, sorvane::win32::Win32Os& win32)
        : TqnInstaller(os, session, steps), win32_(win32), window_(*this, !session.Silent) {
        win32.SetDialogWindow(window_.hwnd());
        win32.SetMessageFilter([this](MSG& msg) { return window_.PreTranslate(msg); });
    }
    ~NativeInstaller() override {
        win32_.SetMessageFilter(nullptr);
        win32_.SetDialogWindow(nullptr);
    }

  private:
    sorvane::win32::Win32Os& win32_;
    sorvane::win32::FormWindow window_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    const std::string start_folder = LeaveStartFolder();

    static sorvane::win32::Win32Os os;
    os.SetStartFolder(start_folder);
    static sorvane::SetupSession session;
    sorvane::ErrorReporter reporter(os);
    sorvane::ui::SetErrorSink([&reporter](std::exception_ptr e) { reporter.Report(e); });
    sorvane::InstallSteps steps = sorvane::MakeSystemSteps(os, session);
    steps.CreateFirewall = sorvane::MakeFirewallFactory(os, session);
    sorvane::RunLog log(os);
    steps.Log = &log;

    const int code = sorvane::RunProgram(os, session, reporter, [&](sorvane::SetupSession& s) {
        // Only a wizard that shows itself needs the common controls.
        if (!s.Silent)
            sorvane::win32::LoadCommonControls(ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS);
        return std::unique_ptr<sorvane::TqnInstaller>(new NativeInstaller(os, s, steps, os));
    }, &log);
    sorvane::ui::SetErrorSink(nullptr);
    return code;
}
