// harlock.exe, the firewall program: a window that says what it is.
#include <windows.h>

#include "payloads/common/win/dll_search.h"
#include "payloads/common/win/program_folder.h"
#include "payloads/common/win/runtime_failure.h"
#include "payloads/common/win/status_window.h"
#include "payloads/common/win/wide_text.h"
#include "payloads/harlock/firewall_texts.h"

const int sorvane::payloads::kRuntimeFailureExitCode = 1;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace sorvane::payloads;
    RestrictDllSearch();
    const Language language = ReadClientLanguage(ProgramFolder());
    StatusWindowLook look{L"_sorvane_firewall", Widen(kFirewallTitle),
                          Widen(FirewallRunningText(language))};
    return RunStatusWindow(instance, look, show);
}
