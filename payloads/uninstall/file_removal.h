// Removing the product's files and folders. |base| is the folder above the
// product's own folder, which only administrators can change; everything of
// |path| below it is opened part by part and never through a link. Each call tells
// what became of the thing (tree_removal.h); a file in use is set aside for the
// next restart, into |pending|, once it has stayed in use for a moment.
#pragma once

#include <string>

#include "payloads/uninstall/tree_removal.h"

namespace sorvane::payloads {

Removal RemoveFile(const std::wstring& base, const std::wstring& path, PendingRemovals& pending);
Removal RemoveFolderTree(const std::wstring& base, const std::wstring& path,
                         PendingRemovals& pending);
Removal RemoveFolderIfEmpty(const std::wstring& base, const std::wstring& path,
                            PendingRemovals& pending);

// Deletes the file in one attempt, for a file that may be a running program's.
bool RemoveFileOnce(const std::wstring& base, const std::wstring& path);

// Renames the file at |path| (reached as above; a link is not followed) to the
// full path |target| on the same volume, replacing a file of that name.
bool MoveFileBelow(const std::wstring& base, const std::wstring& path, const std::wstring& target);

// The path the open |file| has now, wherever it went since it was opened ("\\?\"
// and all); empty when the system cannot tell.
std::wstring FinalPathOf(void* file);

}  // namespace sorvane::payloads
