#include "platform/win32/window_dpi.h"

namespace sorvane::win32 {

namespace {

template <typename Fn>
Fn User32(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int WindowDpi(HWND window) {
    static const auto for_window = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (for_window && window)
        if (const UINT dpi = for_window(window)) return static_cast<int>(dpi);
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

RECT FrameAround(int width, int height, DWORD style, int dpi) {
    static const auto adjust =
        User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT r{0, 0, width, height};
    if (!adjust || !adjust(&r, style, FALSE, 0, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, FALSE, 0);
    return r;
}

}  // namespace sorvane::win32
