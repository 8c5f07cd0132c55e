// The DPI of a window and the frame around a client area at a given DPI. The per-monitor
// calls came with Windows 10; on older systems the screen's DPI and the plain frame
// are used, which is what a system-aware program gets there.
#pragma once

#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

int WindowDpi(HWND window);
// The window rectangle, at 0, 0, around a client area of |width| x |height| pixels.
RECT FrameAround(int width, int height, DWORD style, int dpi);

}  // namespace sorvane::win32
