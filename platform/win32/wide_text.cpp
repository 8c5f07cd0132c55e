#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

WideText Widen(const std::string& text, UINT codepage) {
    if (text.empty()) return {};
    const int n =
        MultiByteToWideChar(codepage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(n) + 1, L'\0');
    MultiByteToWideChar(codepage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return WideText(std::move(wide));
}

std::string Narrow(const wchar_t* wide, std::size_t length, UINT codepage) {
    if (!wide || length == 0) return {};
    const int n = WideCharToMultiByte(codepage, 0, wide, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return {};
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codepage, 0, wide, static_cast<int>(length), text.data(), n, nullptr,
                        nullptr);
    return text;
}

}  // namespace sorvane::win32
