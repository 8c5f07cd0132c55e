// Removing files and folders. Each call is true when the thing is gone afterwards
// (or was never there), or, for folders removed only when empty, when it is kept
// because something else is in it.
#pragma once

#include <string>

namespace sorvane::payloads {

bool PathExists(const std::wstring& path);
bool RemoveFile(const std::wstring& path);
bool RemoveFolderTree(const std::wstring& path);
bool RemoveFolderIfEmpty(const std::wstring& path);

}  // namespace sorvane::payloads
