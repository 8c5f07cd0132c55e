// A helper for the provider scenarios under wine: it lists the Winsock catalogue,
// catches the helper program that a setup starts (holding it while the setup runs on),
// and drives the real firewall component on the real OS. Output is UTF-8, one fact per
// line. Built with the component's own sources by provider_e2e.sh.
// The component's headers first: they take the Windows headers lean and undo the
// A/W renaming of the seam's names.
#include "platform/win32/os_win32.h"
#include "provider/mirelda.h"
#include "provider/provider_paths.h"

#include <winsock2.h>
#include <ws2spi.h>
#include <tlhelp32.h>
#include "probe_support.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using probe::Say;
using probe::Utf8;

std::string GuidText(const GUID& g) {
    char b[40];
    std::snprintf(b, sizeof b, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  (unsigned long)g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return b;
}

// catalogue: every entry with its provider GUID, catalogue id and DLL path, and what
// the path query answers for the product's GUID.
int Catalogue() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    DWORD size = 0;
    int error = 0;
    WSCEnumProtocols(nullptr, nullptr, &size, &error);
    std::vector<WSAPROTOCOL_INFOW> all(size / sizeof(WSAPROTOCOL_INFOW) + 1);
    size = (DWORD)(all.size() * sizeof(WSAPROTOCOL_INFOW));
    const int count = WSCEnumProtocols(nullptr, all.data(), &size, &error);
    Say("ENTRIES " + std::to_string(count));
    for (int i = 0; i < count; ++i) {
        const WSAPROTOCOL_INFOW& p = all[(size_t)i];
        wchar_t path[MAX_PATH + 1] = {};
        int length = MAX_PATH;
        GUID id = p.ProviderId;
        const int r = WSCGetProviderPath(&id, path, &length, &error);
        Say("ENTRY " + GuidText(p.ProviderId) + " id=" + std::to_string(p.dwCatalogEntryId) +
            " chain=" + std::to_string(p.ProtocolChain.ChainLen) +
            " path=" + (r == 0 ? Utf8(path) : "?"));
    }
    GUID product = {0x916DD320, 0x0647, 0x4C82, {0xA1, 0x45, 0x12, 0x6B, 0xDC, 0xBC, 0xFA, 0xA6}};
    wchar_t path[257] = {};
    int length = 256;
    error = 0;
    const int r = WSCGetProviderPath(&product, path, &length, &error);
    Say("PRODUCT-PATH result=" + std::to_string(r) + " path=" + Utf8(path));
    WSACleanup();
    return 0;
}

struct Process {
    DWORD pid = 0;
    std::wstring exe;
};

std::vector<Process> Processes() {
    std::vector<Process> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e))
        out.push_back({e.th32ProcessID, e.szExeFile});
    CloseHandle(snap);
    return out;
}

DWORD FindProcess(const std::wstring& exe) {
    for (const Process& p : Processes())
        if (_wcsicmp(p.exe.c_str(), exe.c_str()) == 0) return p.pid;
    return 0;
}

// The command line of another process, from its parameter block.
using NtProcessFn = LONG(NTAPI*)(HANDLE);

NtProcessFn NtEntry(const char* name) {
    return reinterpret_cast<NtProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// catch SETUP_EXE HELPER_EXE MARKER TIMEOUT_MS: notes the setup's qnInstaller window,
// writes MARKER once watching, then waits for HELPER_EXE to appear, holds it, waits for
// the setup to end while the helper is held, lets the helper go and prints its exit code.
int Catch(const std::wstring& setup_exe, const std::wstring& helper_exe, const std::wstring& marker,
          DWORD timeout) {
    HANDLE m = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (m != INVALID_HANDLE_VALUE) CloseHandle(m);
    Say("READY");
    const DWORD start = GetTickCount();
    HWND form = nullptr;
    DWORD setup = 0, helper = 0;
    while (!helper && GetTickCount() - start < timeout) {
        if (!setup) setup = FindProcess(setup_exe);
        if (!form && setup) {
            for (HWND h = FindWindowW(L"qnInstaller", nullptr); h;
                 h = FindWindowExW(nullptr, h, L"qnInstaller", nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(h, &pid);
                if (pid == setup) form = h;
            }
        }
        helper = FindProcess(helper_exe);
        if (!helper) Sleep(1);
    }
    Say("FORM " + std::to_string((unsigned long long)(ULONG_PTR)form));
    if (!helper) {
        Say("NO-HELPER");
        return 1;
    }
    HANDLE h = OpenProcess(PROCESS_ALL_ACCESS, FALSE, helper);
    if (!h) {
        Say("HELPER-UNOPENED");
        return 1;
    }
    NtEntry("NtSuspendProcess")(h);
    Say("HELPER-HELD");
    HANDLE s = setup ? OpenProcess(SYNCHRONIZE, FALSE, setup) : nullptr;
    const bool setup_ended = !s || WaitForSingleObject(s, timeout) == WAIT_OBJECT_0;
    if (s) CloseHandle(s);
    DWORD helper_code = STILL_ACTIVE;
    GetExitCodeProcess(h, &helper_code);
    Say(std::string("SETUP-ENDED-WHILE-HELPER-HELD ") +
        (setup_ended && helper_code == STILL_ACTIVE ? "yes" : "no"));
    NtEntry("NtResumeProcess")(h);
    DWORD code = 124;
    if (WaitForSingleObject(h, timeout) == WAIT_OBJECT_0) GetExitCodeProcess(h, &code);
    Say("HELPER-EXIT " + std::to_string(code));
    CloseHandle(h);
    return 0;
}

// component: the real TOvFirewall on the real OS: its hidden window's answers, and
// what is left of it once it is gone.
int Component() {
    sorvane::win32::Win32Os os;
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                 nullptr);
    HWND window = nullptr;
    {
        sorvane::TOvFirewall firewall(os, reinterpret_cast<sorvane::WindowHandle>(owner),
                                      sorvane::FolderPart(os.GetModuleFileName()));
        window = reinterpret_cast<HWND>(firewall.WindowHandle());
        Say(std::string("WINDOW ") + (IsWindow(window) ? "yes" : "no") +
            " visible=" + (IsWindowVisible(window) ? "yes" : "no"));
        RECT r{};
        GetWindowRect(window, &r);
        Say("SIZE " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
        for (UINT message : {17u, 74u, 1535u, 0x113u}) {
            DWORD_PTR result = 99;
            SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
            Say("ANSWER " + std::to_string(message) + " " + std::to_string((long long)result));
        }
        Say("APPFOLDER " + sorvane::AppFolder);
        Say("REGISTERED '" + firewall.RegisteredProviderPath() + "'");
        Say("INSTALLED " + std::string(firewall.IsInstalled() ? "yes" : "no"));
        Say("EXPANDED " + os.ExpandEnvironmentStrings("%SystemRoot%\\system32"));
    }
    Say(std::string("WINDOW-AFTER ") + (IsWindow(window) ? "yes" : "no"));
    DestroyWindow(owner);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> a(argv, argv + argc);
    const std::wstring cmd = a.size() > 1 ? a[1] : L"";
    if (a.size() == 2 && cmd == L"catalogue") return Catalogue();
    if (a.size() == 6 && cmd == L"catch")
        return Catch(a[2], a[3], a[4], (DWORD)std::wcstoul(a[5].c_str(), nullptr, 10));
    if (a.size() == 2 && cmd == L"component") return Component();
    Say("usage: catalogue | catch SETUP_EXE HELPER_EXE MARKER TIMEOUT_MS | component");
    return 64;
}
