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

// The installation folder in the ANSI code page from the folder field's text (UTF-8).
// Raises SetupError, worded in |language| ("TR" or else English), for a folder that the
// code page cannot write exactly, or that holds " < > | * ?, a control character or a
// colon other than the drive's: the system or cmd would take such a name otherwise.
std::string InstallFolderFromField(Os& os, const std::string& field, const std::string& language);

}  // namespace sorvane
