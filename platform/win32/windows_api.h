// Windows headers for the adapters, with the A/W name macros taken away so that they
// do not rename the seam's own functions; the adapters call the A or W forms by name.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#include <objbase.h>
#include <commctrl.h>
#include <shlobj.h>
#include <aclapi.h>
#include <sddl.h>

#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef GetShortPathName
#undef GetEnvironmentVariable
#undef GetModuleFileName
#undef GetCommandLine
#undef GetFullPathName
#undef GetKeyboardLayoutName
#undef FindWindow
#undef PostMessage
#undef MessageBox
#undef ShellExecute
#undef RemoveDirectory
#undef RegCreateKeyEx
#undef RegOpenKeyEx
#undef RegSetValueEx
#undef RegQueryValueEx
#undef RegDeleteValue
#undef GetNamedSecurityInfo
#undef SetNamedSecurityInfo
#undef SetEntriesInAcl
#undef LookupPrivilegeValue
#undef GetTempPath
// the provider component's calls
#undef ExpandEnvironmentStrings
#undef CopyFile
#undef MoveFileEx
// the checked folders' calls
#undef GetSystemDirectory
#undef GetWindowsDirectory
#undef GetSystemWow64Directory

#include <string>
#include <vector>

namespace sorvane::win32 {

// UTF-16 text for the W calls, zero-terminated. A vector rather than std::wstring keeps
// the wide string's library code out of the product.
class WideText {
  public:
    WideText() : chars_(1, L'\0') {}
    explicit WideText(std::vector<wchar_t> chars) : chars_(std::move(chars)) {
        if (chars_.empty() || chars_.back() != L'\0') chars_.push_back(L'\0');
    }
    const wchar_t* c_str() const { return chars_.data(); }
    std::size_t size() const { return chars_.size() - 1; }
    bool empty() const { return size() == 0; }

  private:
    std::vector<wchar_t> chars_;
};

// Text in code page |codepage| (UTF-8 unless told) as UTF-16, and back.
WideText Widen(const std::string& text, UINT codepage = CP_UTF8);
std::string Narrow(const wchar_t* wide, std::size_t length, UINT codepage = CP_UTF8);
inline std::string Narrow(const std::wstring& wide) {
    return Narrow(wide.data(), wide.size());
}

// Registers the common controls' window classes |classes| (ICC_ flags). The library is
// loaded at run time, after the program has restricted where DLLs are looked for.
void LoadCommonControls(DWORD classes);

}  // namespace sorvane::win32
