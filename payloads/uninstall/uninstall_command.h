// The uninstaller's command line: "-uninstall -f" from the registry's Uninstall
// entry; without "-f" the user is asked first.
#pragma once

#include <string_view>

namespace sorvane::payloads {

struct UninstallCommand {
    bool valid = false;
    bool forced = false;  // "-f": remove without asking and show no window
};

// Accepts "-uninstall" and "-f" (also written with '/', any case, any order);
// nothing at all is an uninstall that asks. Any other word makes it invalid,
// though "-f" still tells that no window may be shown.
UninstallCommand ParseUninstallCommand(std::wstring_view tail);

}  // namespace sorvane::payloads
