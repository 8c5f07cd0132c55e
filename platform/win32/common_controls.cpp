#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

void LoadCommonControls(DWORD classes) {
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    if (!comctl) return;
    using Fn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    if (!fn) return;
    INITCOMMONCONTROLSEX icc{sizeof icc, classes};
    fn(&icc);
}

}  // namespace sorvane::win32
