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

#undef CreateDirectory
#undef DeleteFile
#undef GetLongPathName
#undef GetShortPathName
#undef GetEnvironmentVariable
#undef GetModuleFileName
#undef GetCommandLine
#undef GetKeyboardLayoutName
#undef FindWindow
#undef PostMessage
#undef MessageBox
#undef ShellExecute
#undef WriteProfileString
// the provider component's calls
#undef ExpandEnvironmentStrings
#undef CopyFile
#undef MoveFileEx

#include <string>

namespace sorvane::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace sorvane::win32
