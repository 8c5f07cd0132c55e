// The folder-selection dialog of the wizard ("Select Directory"): drives, a folder
// tree, the chosen folder's files, a field for the folder's name and the system's
// network-drive dialog.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

// Shows the dialog modally over |owner|, opening at |start| (UTF-8), or at the process's
// working folder when |start| is empty or no folder.
// A typed folder that does not exist is created, with every missing parent, once the
// user agrees; one that cannot be created goes to the error box and the dialog stays.
// Returns true with the folder's full path (UTF-8; a drive root keeps its backslash)
// when the user confirms, false when the user cancels. Throws SetupError when the
// dialog cannot be shown.
bool SelectDirectory(HWND owner, const std::string& start, std::string* folder);

}  // namespace sorvane::win32
