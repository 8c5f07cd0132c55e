// Opening the data and installation folders to all users: directly through the
// security API, else through a batch file that runs icacls in a hidden console.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

inline constexpr const char* kAccessBatchName = "acc.bat";
inline constexpr const char* kSecurityPrivilege = "SeSecurityPrivilege";
inline constexpr int kShowHide = 0;  // SW_HIDE

// A folder to open to everyone: held open (0 for none), and named by where it lies for
// the batch fallback.
struct FolderToGrant {
    FolderHandle folder = 0;
    std::string path;
};

// Gives everyone full access to each held folder through its handle. When a direct grant
// fails, the batch fallback covers the folders, which stay held until it ends. Catches
// its own errors.
void GrantFolderAccess(Os& os, const FolderToGrant& first, const FolderToGrant& second);

// The same for folders named (an empty name is none), each opened as itself, never
// through a link: a folder that is a link is left as it is.
void GrantFolderAccess(Os& os, const std::string& first, const std::string& second);

// Adds "full control for everyone, inherited by files and subfolders" to the held
// folder's access list; true when the new list was stored.
bool GrantEveryoneFullAccess(Os& os, FolderHandle folder);

// Enables or disables |privilege| in the process token; true when the system took it.
bool EnablePrivilege(Os& os, const std::string& privilege, bool enable);

// The 8.3 form of |path|, or |path| unchanged when there is none that fits 255 characters.
std::string ToShortPath(Os& os, const std::string& path);

// The batch's lines: the system's own |icacls| grants the Users group, by its SID, on
// each folder named, in the forms the batch uses.
std::string AccessBatchText(const std::string& icacls, const std::string& folder_a,
                            const std::string& folder_b);

}  // namespace sorvane
