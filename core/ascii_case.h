// Letter case as the setup compares names: only A to Z are folded, so that a name
// compares the same whatever the code page (the Turkish dotted and dotless I included).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sorvane {

inline char LowerAZ(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerAZ(std::string text) {
    for (char& c : text) c = LowerAZ(c);
    return text;
}

// Equal but for the letter case of A to Z.
inline bool SameTextAZ(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAZ(a[i]) != LowerAZ(b[i])) return false;
    return true;
}

}  // namespace sorvane
