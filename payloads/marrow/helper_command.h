// The helper's command line: "<window handle> <provider DLL path> <letters>", where
// the letters are I or IY (register) or U or UY (remove), and Y means "silent".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane::payloads {

enum class HelperAction { Install, Uninstall };

enum class HelperCommandError { None, FieldCount, BadHandle, BadLetters, MissingPath };

struct HelperCommand {
    HelperCommandError error = HelperCommandError::FieldCount;
    // Known even for a bad command line, so that it can be refused without a window.
    bool silent = false;
    HelperAction action = HelperAction::Install;
    std::uint32_t owner_window = 0;  // 0: no owner
    std::wstring provider_path;      // may be empty for Uninstall

    bool ok() const { return error == HelperCommandError::None; }
};

// Parses what follows the program name. The path field may be empty (two blanks)
// and may be quoted; the letters have no case.
HelperCommand ParseHelperCommand(std::wstring_view tail);

}  // namespace sorvane::payloads
