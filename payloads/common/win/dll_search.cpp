#include "payloads/common/win/dll_search.h"

#include <windows.h>

namespace sorvane::payloads {

void RestrictDllSearch() {
    // Takes the working folder out of the search where the next call is missing.
    SetDllDirectoryW(L"");
    using SetDefault = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set_default = kernel ? reinterpret_cast<SetDefault>(reinterpret_cast<void*>(
                                    GetProcAddress(kernel, "SetDefaultDllDirectories")))
                              : nullptr;
    if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace sorvane::payloads
