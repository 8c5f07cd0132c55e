// The programs keep their texts in UTF-8; the system gets them as UTF-16 so that
// Turkish letters show whatever the ANSI code page is.
#pragma once

#include <string>
#include <string_view>

namespace sorvane::payloads {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// |value| in decimal, with a minus sign when negative; without the C library's
// formatted printing, which would be most of a small program.
std::wstring WideDecimal(long long value);

}  // namespace sorvane::payloads
