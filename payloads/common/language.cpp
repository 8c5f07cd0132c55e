#include "payloads/common/language.h"

#include <string>

#include "core/ascii_case.h"

namespace sorvane::payloads {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

// The profile functions also read UTF-16 files; only ASCII matters for the names
// and values looked for here, so anything else becomes '?'.
std::string NarrowUtf16(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned lo = static_cast<unsigned char>(bytes[i]);
        const unsigned hi = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(hi == 0 && lo < 0x80 ? static_cast<char>(lo) : '?');
    }
    return out;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

Language LanguageFromSettings(std::string_view text) {
    std::string converted;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    } else if (text.substr(0, 2) == "\xFF\xFE") {
        converted = NarrowUtf16(text.substr(2));
        text = converted;
    }

    bool in_section = false;
    bool section_seen = false;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const bool match = close != std::string_view::npos &&
                               SameTextAZ(Trim(line.substr(1, close - 1)), "Ayarlar");
            // Only the first section of that name counts, as with the profile functions.
            in_section = match && !section_seen;
            section_seen = section_seen || match;
            continue;
        }
        if (!in_section) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !SameTextAZ(Trim(line.substr(0, eq)), "Language"))
            continue;
        const std::string_view value = Unquote(Trim(line.substr(eq + 1)));
        return SameTextAZ(value, "turkce.lng") ? Language::Turkish : Language::English;
    }
    return Language::English;
}

}  // namespace sorvane::payloads
