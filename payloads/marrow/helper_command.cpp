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

bool LastFieldAsksSilence(std::wstring_view tail) {
    const std::size_t end = tail.find_last_not_of(L" \t\r\n");
    if (end == std::wstring_view::npos) return false;
    const std::size_t start = tail.find_last_of(L" \t", end);
    const std::wstring_view last =
        tail.substr(start == std::wstring_view::npos ? 0 : start + 1,
                    start == std::wstring_view::npos ? end + 1 : end - start);
    return last.find_first_of(L"Yy") != std::wstring_view::npos;
}

}  // namespace

HelperCommand ParseHelperCommand(std::wstring_view tail) {
    HelperCommand cmd;
    cmd.silent = LastFieldAsksSilence(tail);

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
