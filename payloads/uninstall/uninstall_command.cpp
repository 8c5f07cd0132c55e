#include "payloads/uninstall/uninstall_command.h"

#include <string>
#include <vector>

#include "payloads/common/command_fields.h"

namespace sorvane::payloads {

namespace {

bool IsSwitch(const std::wstring& word, std::wstring_view name) {
    if (word.size() != name.size() + 1 || (word[0] != L'-' && word[0] != L'/')) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        wchar_t c = word[i + 1];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
        if (c != name[i]) return false;
    }
    return true;
}

}  // namespace

UninstallCommand ParseUninstallCommand(std::wstring_view tail) {
    UninstallCommand cmd;
    std::vector<std::wstring> words;
    cmd.valid = SplitFields(tail, &words);
    for (const std::wstring& word : words) {
        if (word.empty() || IsSwitch(word, L"uninstall")) continue;
        if (IsSwitch(word, L"f")) {
            cmd.forced = true;
        } else {
            cmd.valid = false;
        }
    }
    return cmd;
}

}  // namespace sorvane::payloads
