#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

WideText Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(n) + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return WideText(std::move(wide));
}

std::string Narrow(const wchar_t* wide, std::size_t length) {
    if (!wide || length == 0) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), utf8.data(), n, nullptr,
                        nullptr);
    return utf8;
}

}  // namespace sorvane::win32
