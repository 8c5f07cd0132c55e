// Removing the product's files and folders. |base| is the folder above the
// product's own folder, which only administrators can change; everything of
// |path| below it is opened part by part and never through a link. Each call is
// true when the thing is gone afterwards (or was never there), or, for folders
// removed only when empty, when it is kept because something else is in it.
#pragma once

#include <string>

namespace sorvane::payloads {

bool PathExists(const std::wstring& path);
bool RemoveFile(const std::wstring& base, const std::wstring& path);
bool RemoveFolderTree(const std::wstring& base, const std::wstring& path);
bool RemoveFolderIfEmpty(const std::wstring& base, const std::wstring& path);

// RemoveFile in one attempt, for a file that may be a running program's.
bool RemoveFileOnce(const std::wstring& base, const std::wstring& path);

// Renames the file at |path| (reached as above; a link is not followed) to the
// full path |target| on the same volume, replacing a file of that name.
bool MoveFileBelow(const std::wstring& base, const std::wstring& path, const std::wstring& target);

}  // namespace sorvane::payloads
