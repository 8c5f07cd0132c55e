// The run's log file as the setup and the uninstaller open it and judge it: one way,
// shared, so that both keep the same rules in the temporary folder every user may
// write to.
#pragma once

#include <windows.h>

#include "platform/log_facts.h"

namespace sorvane::win32 {

// Opens |path| for reading and writing, others may only read, as itself (a link is
// opened as the link): an existing file, or a new one created only where no name
// stands, not even a link to nowhere. Null on failure.
HANDLE OpenLogFileNoFollow(const wchar_t* path);

// What the system says of the open |file|, all but its final path: its attributes, its
// links, its size and its owner (this process's user, the administrators, SYSTEM or
// anyone else). False when the system cannot tell.
bool GetLogFileFacts(HANDLE file, FileFacts* facts);

}  // namespace sorvane::win32
