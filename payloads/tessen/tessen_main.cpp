// tessen.exe, the filter client: shows that it runs until the setup, the
// uninstaller or the user closes it.
#include <windows.h>

#include "payloads/common/win/dll_search.h"
#include "payloads/common/win/program_folder.h"
#include "payloads/common/win/runtime_failure.h"
#include "payloads/common/win/status_window.h"
#include "payloads/common/win/wide_text.h"
#include "payloads/tessen/client_texts.h"

namespace {

constexpr const wchar_t* kClientClass = L"_quillon_filter";
// The setup and the uninstaller post this (WM_USER + 112) to end the client.
constexpr UINT kCloseClientMessage = WM_USER + 112;

}  // namespace

const int sorvane::payloads::kRuntimeFailureExitCode = 1;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace sorvane::payloads;
    RestrictDllSearch();
    // A second client would outlive the setup's single close request.
    if (HWND running = FindWindowW(kClientClass, nullptr)) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }
    const Language language = ReadClientLanguage(ProgramFolder());
    StatusWindowLook look{kClientClass, Widen(kClientTitle), Widen(ClientRunningText(language)),
                          kCloseClientMessage};
    return RunStatusWindow(instance, look, show);
}
