#include "payloads/uninstall/client_shutdown.h"

#include <windows.h>

namespace sorvane::payloads {

namespace {

constexpr const char* kClientClass = "_quillon_filter";
constexpr UINT kCloseClientMessage = WM_USER + 112;
constexpr ULONGLONG kWindowWaitMs = 30000;
constexpr ULONGLONG kProcessWaitMs = 5000;

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

bool CloseRunningClient() {
    HWND window = FindWindowA(kClientClass, nullptr);
    if (window == nullptr) return true;

    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    HANDLE process = process_id ? OpenProcess(SYNCHRONIZE, FALSE, process_id) : nullptr;

    PostMessageA(window, kCloseClientMessage, 0, 0);
    const ULONGLONG deadline = GetTickCount64() + kWindowWaitMs;
    while (FindWindowA(kClientClass, nullptr) != nullptr && GetTickCount64() < deadline) {
        PumpMessages();
        Sleep(1);
    }
    const bool gone = FindWindowA(kClientClass, nullptr) == nullptr;
    if (process != nullptr) {
        // The window goes a moment before the process lets go of its file.
        if (gone) WaitForSingleObject(process, static_cast<DWORD>(kProcessWaitMs));
        CloseHandle(process);
    }
    return gone;
}

}  // namespace sorvane::payloads
