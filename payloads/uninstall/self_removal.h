// Freeing the uninstaller's own path while it runs, so that its folder can go and
// the caller still gets the outcome as the exit code of the process it started.
#pragma once

#include <string>

#include "payloads/uninstall/tree_removal.h"

namespace sorvane::payloads {

// Deletes the running program's file at |path| (below |base|, as the other files)
// where the system allows it (Gone); else moves it into the temporary folder (or, on
// another volume, beside its folder), into |moved_to|, and has the system delete it
// at the next restart (AtRestart; Gone when the system would not take that). Failed
// when |path| could not be freed.
Removal RemoveOwnImage(const std::wstring& base, const std::wstring& path, std::wstring* moved_to);

}  // namespace sorvane::payloads
