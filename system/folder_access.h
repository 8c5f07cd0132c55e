// Opening the data and installation folders to all users: directly through the
// security API, else through a batch file that runs icacls in a hidden console.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

inline constexpr const char* kAccessBatchName = "acc.bat";
inline constexpr const char* kSecurityPrivilege = "SeSecurityPrivilege";
inline constexpr int kShowHide = 0;  // SW_HIDE

// Gives everyone full access to both folders (each ending with a backslash), creating
// them first. When a direct grant fails, the batch fallback covers both folders.
// Catches its own errors.
void GrantFolderAccess(Os& os, const std::string& first, const std::string& second);

// Adds "full control for everyone, inherited by files and subfolders" to |folder|'s
// access list; true when the new list was stored.
bool GrantEveryoneFullAccess(Os& os, const std::string& folder);

// Enables or disables |privilege| in the process token; true when the system took it.
bool EnablePrivilege(Os& os, const std::string& privilege, bool enable);

// The 8.3 form of |path|, or |path| unchanged when there is none that fits 255 characters.
std::string ToShortPath(Os& os, const std::string& path);

// The batch file's six lines for the two folders and the batch's own path, in the
// forms the batch uses.
std::string AccessBatchText(const std::string& folder_a, const std::string& folder_b,
                            const std::string& batch_path);

}  // namespace sorvane
