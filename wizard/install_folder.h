// The installation folder: the default under Program Files and the field's text
// for a folder chosen in the dialog.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

// The Program Files folder as the shell gives it. When the shell cannot give an
// absolute folder, the system drive's "\Program Files" stands in (from SystemDrive,
// else drive C:), so the default folder is never empty or relative.
std::string ProgramFilesFolder(Os& os);

// The folder field's text for |folder| chosen in the dialog: the folder, one
// backslash, the product folder and a final backslash ("C:\" gives "C:\Sorvane\").
std::string FolderFieldText(std::string folder);

}  // namespace sorvane
