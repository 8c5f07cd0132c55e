// Helper of the silent-install benchmark, built as a GUI program, 32- and 64-bit.
//   hold SECONDS   connects to the desktop, prints "ready" once wine's desktop process
//                  is up, and stays connected for at most SECONDS, so that the timed
//                  runs meet a desktop that is already there, as on a logged-on system
//   floor          the least any windowed setup does: connects to the desktop, creates
//                  one hidden top-level window and ends; timed as the floor of the figures
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int Floor(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"BenchFloor";
    if (!RegisterClassW(&wc)) return 1;
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Floor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    DestroyWindow(hwnd);
    return 0;
}

int Hold(unsigned seconds) {
    if (!GetDesktopWindow()) return 1;
    DWORD put = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &put, nullptr);
    Sleep(seconds * 1000);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR line, int) {
    if (std::strncmp(line, "hold ", 5) == 0) return Hold(std::strtoul(line + 5, nullptr, 10));
    if (std::strcmp(line, "floor") == 0) return Floor(instance);
    return 2;
}
