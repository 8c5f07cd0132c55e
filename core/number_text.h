// Numbers as the setup writes them into names, dates and messages: fixed-width decimal
// and hexadecimal digits, without the C library's formatted printing.
#pragma once

#include <cstdint>
#include <string>

namespace sorvane {

// |value| in decimal, padded with zeros to at least |width| digits.
inline std::string DecimalText(std::uint64_t value, int width = 1) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

// |value| in upper-case hexadecimal, exactly |width| digits (the low ones).
inline std::string HexText(std::uint32_t value, int width = 8) {
    std::string digits(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i, value >>= 4) digits[i] = "0123456789ABCDEF"[value & 0xF];
    return digits;
}

}  // namespace sorvane
