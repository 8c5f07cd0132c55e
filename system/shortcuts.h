// The Start-menu entry of the filter client: a "Sorvane" program group with one
// shortcut, in the all-users Start menu where it can be written, else the user's.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace sorvane {

// Writes the shortcut |name|.lnk to |target|. Raises when the shell link object is
// not available; every other failure is silent.
void CreateShortcuts(Os& os, const std::string& target, const std::string& name);

// Creates the folder |group| under the special folder |csidl|. On success |folder| is
// its path (no final backslash). |error| gets the system's code of the creation, when
// the special folder was found; the folder existing already counts as success.
bool CreateProgramGroupFolder(Os& os, const std::string& group, int csidl, std::string* folder,
                              std::uint32_t* error);

}  // namespace sorvane
