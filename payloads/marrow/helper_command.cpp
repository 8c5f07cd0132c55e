#include "payloads/marrow/helper_command.h"

#include <vector>

#include "payloads/common/command_fields.h"

namespace sorvane::payloads {

namespace {

wchar_t Upper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
}

// Window handles are 32-bit values in both architectures; a caller may have
// printed one as a signed number.
bool ParseHandle(const std::wstring& text, std::uint32_t* value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == L'-';
    if (negative) i = 1;
    if (i == text.size() || text.size() - i > 10) return false;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        v = v * 10 + static_cast<std::uint64_t>(text[i] - L'0');
    }
    if (negative ? v > 0x80000000u : v > 0xFFFFFFFFu) return false;
    *value = static_cast<std::uint32_t>(negative ? 0u - v : v);
    return true;
}

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Silence is asked for by a word of letters alone that holds a Y: the letters
// field, also where a bad line has it misplaced or misspelt. A path never
// qualifies, having a separator or a dot.
bool AsksSilence(std::wstring_view tail) {
    bool first = true;
    std::size_t i = 0;
    while (i < tail.size()) {
        while (i < tail.size() && (tail[i] == L' ' || tail[i] == L'\t')) ++i;
        const std::size_t start = i;
        bool letters = true, y = false;
        for (; i < tail.size() && tail[i] != L' ' && tail[i] != L'\t'; ++i) {
            letters = letters && IsLetter(tail[i]);
            y = y || tail[i] == L'Y' || tail[i] == L'y';
        }
        if (i == start) break;
        if (!first && letters && y) return true;
        first = false;
    }
    return false;
}

}  // namespace

HelperCommand ParseHelperCommand(std::wstring_view tail) {
    HelperCommand cmd;
    cmd.silent = AsksSilence(tail);

    std::vector<std::wstring> fields;
    if (!SplitFields(tail, &fields) || fields.size() != 3) {
        cmd.error = HelperCommandError::FieldCount;
        return cmd;
    }

    std::wstring letters;
    for (wchar_t c : fields[2]) letters.push_back(Upper(c));
    if (letters == L"I" || letters == L"IY") {
        cmd.action = HelperAction::Install;
    } else if (letters == L"U" || letters == L"UY") {
        cmd.action = HelperAction::Uninstall;
    } else {
        cmd.error = HelperCommandError::BadLetters;
        return cmd;
    }
    cmd.silent = letters.size() == 2;

    if (!ParseHandle(fields[0], &cmd.owner_window)) {
        cmd.error = HelperCommandError::BadHandle;
        return cmd;
    }
    cmd.provider_path = fields[1];
    if (cmd.action == HelperAction::Install && cmd.provider_path.empty()) {
        cmd.error = HelperCommandError::MissingPath;
        return cmd;
    }
    cmd.error = HelperCommandError::None;
    return cmd;
}

}  // namespace sorvane::payloads
