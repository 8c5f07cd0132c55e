// The programs keep their texts in UTF-8; the system gets them as UTF-16 so that
// Turkish letters show whatever the ANSI code page is.
#pragma once

#include <string>
#include <string_view>

namespace sorvane::payloads {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace sorvane::payloads
