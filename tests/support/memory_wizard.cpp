// The wizard's group of the in-memory OS: the folder dialog, and the conversions between
// UTF-8 and the ANSI code page 1254 (Turkish) as Windows makes them without best fit.
#include "support/memory_os.h"

#include <algorithm>

namespace sorvane::test {

namespace {

// Code page 1254's bytes 0x80 to 0xFF; 0 where a byte stands for no character.
constexpr char32_t kHighHalf[128] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0,      0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178, 0xA0,
    0xA1,   0xA2,   0xA3,   0xA4,   0xA5,   0xA6,   0xA7,   0xA8,   0xA9,   0xAA,   0xAB,
    0xAC,   0xAD,   0xAE,   0xAF,   0xB0,   0xB1,   0xB2,   0xB3,   0xB4,   0xB5,   0xB6,
    0xB7,   0xB8,   0xB9,   0xBA,   0xBB,   0xBC,   0xBD,   0xBE,   0xBF,   0xC0,   0xC1,
    0xC2,   0xC3,   0xC4,   0xC5,   0xC6,   0xC7,   0xC8,   0xC9,   0xCA,   0xCB,   0xCC,
    0xCD,   0xCE,   0xCF,   0x011E, 0xD1,   0xD2,   0xD3,   0xD4,   0xD5,   0xD6,   0xD7,
    0xD8,   0xD9,   0xDA,   0xDB,   0xDC,   0x0130, 0x015E, 0xDF,   0xE0,   0xE1,   0xE2,
    0xE3,   0xE4,   0xE5,   0xE6,   0xE7,   0xE8,   0xE9,   0xEA,   0xEB,   0xEC,   0xED,
    0xEE,   0xEF,   0x011F, 0xF1,   0xF2,   0xF3,   0xF4,   0xF5,   0xF6,   0xF7,   0xF8,
    0xF9,   0xFA,   0xFB,   0xFC,   0x0131, 0x015F, 0xFF};

void PutUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | c >> 6));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xE0 | c >> 12));
        out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::string MemoryOs::AnsiToUtf8(const std::string& ansi) {
    std::string utf8;
    for (unsigned char b : ansi) {
        const char32_t c = b < 0x80 ? b : kHighHalf[b - 0x80];
        PutUtf8(c ? c : 0xFFFD, &utf8);
    }
    return utf8;
}

bool MemoryOs::Utf8ToAnsi(const std::string& utf8, std::string* ansi) {
    std::string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : 4;
        if (i + n > utf8.size()) return false;
        char32_t c = n == 1 ? lead : lead & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const unsigned char b = static_cast<unsigned char>(utf8[i + k]);
            if (b >> 6 != 2) return false;
            c = c << 6 | (b & 0x3F);
        }
        i += n;
        if (c < 0x80) {
            text.push_back(static_cast<char>(c));
            continue;
        }
        const char32_t* found = std::find(kHighHalf, kHighHalf + 128, c);
        if (found == kHighHalf + 128) return false;  // no such character, and no look-alike
        text.push_back(static_cast<char>(0x80 + (found - kHighHalf)));
    }
    *ansi = std::move(text);
    return true;
}

bool MemoryOs::SelectDirectory(WindowHandle, const std::string& start, std::string* folder) {
    calls.push_back("SelectDirectory " + start);
    ++folder_dialogs;
    if (folder_answers.empty()) return false;
    const std::optional<std::string> answer = folder_answers.front();
    folder_answers.pop_front();
    if (!answer) return false;
    *folder = *answer;
    return true;
}

}  // namespace sorvane::test
