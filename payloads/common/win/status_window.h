// The small window that the client and the firewall program show: a caption and
// one line saying what runs.
#pragma once

#include <windows.h>

#include <string>

namespace sorvane::payloads {

struct StatusWindowLook {
    const wchar_t* class_name;
    std::wstring title;
    std::wstring text;
    // A message that closes the window as WM_CLOSE does; 0 for none.
    UINT close_message = 0;
};

// Shows the window and runs its message loop until it is closed; returns the
// program's exit code (non-zero when the window could not be made).
int RunStatusWindow(HINSTANCE instance, const StatusWindowLook& look, int show);

}  // namespace sorvane::payloads
