#include "install/profile_text.h"

#include <vector>

#include "core/ascii_case.h"

namespace sorvane {

namespace {

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The name of a section's header line, or nothing when |line| is none.
bool SectionName(const std::string& line, std::string* name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    *name = Trim(t.substr(1, t.size() - 2));
    return true;
}

}  // namespace

std::string ProfileWithValue(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    const std::string entry = key + "=" + value;
    std::string name;
    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size() && header == lines.size(); ++i)
        if (SectionName(lines[i], &name) && SameTextAZ(name, section)) header = i;
    if (header == lines.size()) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    } else {
        std::size_t last = header;
        bool replaced = false;
        for (std::size_t i = header + 1; i < lines.size() && !SectionName(lines[i], &name); ++i) {
            const std::size_t eq = lines[i].find('=');
            if (eq != std::string::npos && SameTextAZ(Trim(lines[i].substr(0, eq)), key)) {
                lines[i] = entry;
                replaced = true;
                break;
            }
            if (!Trim(lines[i]).empty()) last = i;
        }
        if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), entry);
    }
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

}  // namespace sorvane
