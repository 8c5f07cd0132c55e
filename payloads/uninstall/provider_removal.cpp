#include "payloads/uninstall/provider_removal.h"

#include <windows.h>

#include "payloads/common/win/program_folder.h"
#include "payloads/common/win/provider_registration.h"

namespace sorvane::payloads {

namespace {

constexpr DWORD kHelperWaitMs = 30000;

// The helper's path field: the short path as the setup passes it, quoted where the
// volume has no short names; empty when the DLL is missing.
std::wstring PathField(const std::wstring& dll) {
    if (!FileExists(dll)) return {};
    wchar_t short_path[MAX_PATH + 1] = {};
    const DWORD n = GetShortPathNameW(dll.c_str(), short_path, MAX_PATH + 1);
    const std::wstring path = n > 0 && n <= MAX_PATH ? std::wstring(short_path, n) : dll;
    return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

bool RunHelper(const std::wstring& helper, const std::wstring& provider_dll) {
    if (!FileExists(helper)) return false;
    std::wstring command = L"\"" + helper + L"\" 0 " + PathField(provider_dll) + L" UY";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(helper.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, kHelperWaitMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code))
        code = 1;
    CloseHandle(process.hProcess);
    return code == 0;
}

}  // namespace

bool UnregisterProvider(const std::wstring& helper, const std::wstring& provider_dll) {
    return RunHelper(helper, provider_dll) || UnregisterLayeredProvider() == 0;
}

}  // namespace sorvane::payloads
