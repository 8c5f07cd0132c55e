// Freeing the uninstaller's own path while it runs, so that its folder can go and
// the caller still gets the outcome as the exit code of the process it started.
#pragma once

#include <string>

namespace sorvane::payloads {

// Deletes the running program's file at |path| (below |base|, as the other files)
// where the system allows it; else renames it into the temporary folder (or, on
// another volume, beside its folder) and has the system delete it at the next
// restart. True when |path| is free.
bool RemoveOwnImage(const std::wstring& base, const std::wstring& path);

}  // namespace sorvane::payloads
