#include "payloads/common/command_fields.h"

namespace sorvane::payloads {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::wstring_view SkipBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

bool HasExtension(std::wstring_view path) {
    const std::size_t dot = path.find_last_of(L'.');
    return dot != std::wstring_view::npos &&
           path.find_first_of(L"\\/", dot) == std::wstring_view::npos;
}

}  // namespace

std::wstring_view CommandTailAfterProgram(
    std::wstring_view line, const std::function<bool(std::wstring_view)>& names_program) {
    line = SkipBlanks(line);
    if (line.empty() || line[0] == L'"') return CommandTail(line);
    for (std::size_t end = 1; end <= line.size(); ++end) {
        if (end < line.size() && !IsBlank(line[end])) continue;
        if (IsBlank(line[end - 1])) continue;
        const std::wstring_view name = line.substr(0, end);
        if (names_program(name) ||
            (!HasExtension(name) && names_program(std::wstring(name) + L".exe")))
            return SkipBlanks(line.substr(end));
    }
    return CommandTail(line);
}

std::wstring_view CommandTail(std::wstring_view line) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    }
    while (i < line.size() && !IsBlank(line[i])) ++i;
    while (i < line.size() && IsBlank(line[i])) ++i;
    return line.substr(i);
}

bool SplitFields(std::wstring_view text, std::vector<std::wstring>* fields) {
    fields->clear();
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return true;

    std::size_t i = 0;
    while (true) {
        std::wstring field;
        if (i < text.size() && text[i] == L'"') {
            const std::size_t close = text.find(L'"', i + 1);
            if (close == std::wstring_view::npos) break;
            field.assign(text.substr(i + 1, close - i - 1));
            i = close + 1;
            if (i < text.size() && !IsBlank(text[i])) break;
        } else {
            const std::size_t start = i;
            while (i < text.size() && !IsBlank(text[i])) ++i;
            field.assign(text.substr(start, i - start));
        }
        fields->push_back(std::move(field));
        if (i >= text.size()) return true;
        ++i;  // the one blank that ends this field
    }
    fields->clear();
    return false;
}

}  // namespace sorvane::payloads
