// payload_probe.exe: what the wine tests of the payloads cannot do from outside.
// Each command prints what it saw and exits 0 when the expectation holds.
//   find <class> <ms>             a window of that class appears
//   text <class>                  prints the window's caption and child texts (UTF-8)
//   close <class> <message> <ms>  posts <message> once; the window goes
//   dialog <title> <ms>           a message box with that caption appears; prints its text
//   answer <title> <button id>    presses a button of that message box
//   sporder <dll>                 WSCWriteProviderOrder resolves to ws2_32's own
//   pellin <dll>                  WSPStartup exists and refuses calls it cannot pass on
//   run <ms> <exe> <tail>         starts <exe> with exactly that command tail (wine would
//                                 drop empty fields) and exits with its exit code, 124
//                                 when it has to be stopped after <ms>
#include <winsock2.h>
#include <ws2spi.h>

#include <cstdio>
#include <string>

#include "payloads/common/win/wide_text.h"

namespace {

using sorvane::payloads::Narrow;

void Print(const std::wstring& line) {
    std::printf("%s\n", Narrow(line).c_str());
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

HWND WaitFor(const wchar_t* class_name, const wchar_t* title, DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (true) {
        if (HWND w = FindWindowW(class_name, title)) return w;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    try {
        const std::wstring text = TextOf(child);
        if (!text.empty()) Print(text);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

int Find(const wchar_t* class_name, DWORD ms) {
    return WaitFor(class_name, nullptr, ms) ? 0 : 1;
}

int Text(const wchar_t* class_name) {
    HWND w = FindWindowW(class_name, nullptr);
    if (!w) return 1;
    Print(TextOf(w));
    EnumChildWindows(w, PrintChild, 0);
    return 0;
}

int Close(const wchar_t* class_name, UINT message, DWORD ms) {
    const std::string narrow = Narrow(class_name);
    HWND w = FindWindowA(narrow.c_str(), nullptr);
    if (!w) return 1;
    PostMessageA(w, message, 0, 0);
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (FindWindowA(narrow.c_str(), nullptr) && GetTickCount64() < deadline) Sleep(10);
    return FindWindowA(narrow.c_str(), nullptr) ? 1 : 0;
}

int Dialog(const wchar_t* title, DWORD ms) {
    HWND w = WaitFor(L"#32770", title, ms);
    if (!w) return 1;
    EnumChildWindows(w, PrintChild, 0);
    return 0;
}

int Answer(const wchar_t* title, int button) {
    HWND w = FindWindowW(L"#32770", title);
    if (!w) return 1;
    return PostMessageW(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) ? 0 : 1;
}

int Sporder(const wchar_t* dll) {
    HMODULE lib = LoadLibraryW(dll);
    HMODULE ws2 = LoadLibraryW(L"ws2_32.dll");
    if (!lib || !ws2) return 1;
    FARPROC ours = GetProcAddress(lib, "WSCWriteProviderOrder");
    FARPROC system = GetProcAddress(ws2, "WSCWriteProviderOrder");
    std::printf("ours=%p system=%p\n", reinterpret_cast<void*>(ours),
                reinterpret_cast<void*>(system));
    return ours != nullptr && ours == system ? 0 : 1;
}

int Pellin(const wchar_t* dll) {
    HMODULE lib = LoadLibraryW(dll);
    if (!lib) return 1;
    auto start =
        reinterpret_cast<LPWSPSTARTUP>(reinterpret_cast<void*>(GetProcAddress(lib, "WSPStartup")));
    if (!start) return 1;
    WSPDATA data = {};
    WSPPROC_TABLE table = {};
    WSPUPCALLTABLE upcalls = {};
    const int without_info = start(MAKEWORD(2, 2), &data, nullptr, upcalls, &table);
    WSAPROTOCOL_INFOW info = {};
    info.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
    const int layered_entry = start(MAKEWORD(2, 2), &data, &info, upcalls, &table);
    // A chain whose lower entry the catalogue does not have.
    info.ProtocolChain.ChainLen = 2;
    info.ProtocolChain.ChainEntries[0] = 0x7ffffff0;
    info.ProtocolChain.ChainEntries[1] = 0x7ffffff1;
    const int unknown_next = start(MAKEWORD(2, 2), &data, &info, upcalls, &table);
    std::printf("without_info=%d layered_entry=%d unknown_next=%d\n", without_info, layered_entry,
                unknown_next);
    return without_info == WSAEINVAL && layered_entry == WSAEPROVIDERFAILEDINIT &&
                   unknown_next == WSAEPROVIDERFAILEDINIT && table.lpWSPSocket == nullptr
               ? 0
               : 1;
}

int RunProgram(DWORD ms, const std::wstring& exe, const std::wstring& tail) {
    std::wstring command = L"\"" + exe + L"\" " + tail;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 125;
    CloseHandle(process.hThread);
    DWORD code = 124;
    if (WaitForSingleObject(process.hProcess, ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 124);
    }
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int Run(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    auto number = [&](int i) { return static_cast<DWORD>(i < argc ? _wtoi(argv[i]) : 0); };
    if (cmd == L"find" && argc == 4) return Find(argv[2], number(3));
    if (cmd == L"text" && argc == 3) return Text(argv[2]);
    if (cmd == L"close" && argc == 5) return Close(argv[2], number(3), number(4));
    if (cmd == L"dialog" && argc == 4) return Dialog(argv[2], number(3));
    if (cmd == L"answer" && argc == 4) return Answer(argv[2], static_cast<int>(number(3)));
    if (cmd == L"sporder" && argc == 3) return Sporder(argv[2]);
    if (cmd == L"pellin" && argc == 3) return Pellin(argv[2]);
    if (cmd == L"run" && argc == 5) return RunProgram(number(2), argv[3], argv[4]);
    std::fprintf(stderr, "payload_probe: unknown command\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (...) {
        return 2;
    }
}
