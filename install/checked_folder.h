// Folders that every user may write into, handled so that the setup never acts
// through a link that a user put in their place.
#pragma once

#include <string>
#include <vector>

#include "platform/os.h"

namespace sorvane {

// A folder held open: its handle, and where it really lies (final backslash).
struct HeldFolder {
    FolderHandle handle = 0;
    std::string path;
    explicit operator bool() const { return handle != 0; }
};

// Folders the run writes into, held open without following links while it writes: a
// held folder can be neither renamed nor removed, and every name inside it is opened
// through its handle, so nothing written there can be redirected.
class HeldFolders {
  public:
    explicit HeldFolders(Os& os) : os_(os) {}
    HeldFolders(const HeldFolders&) = delete;
    HeldFolders& operator=(const HeldFolders&) = delete;
    ~HeldFolders();
    // The installation folder |folder| (it exists): held, and named by where it really
    // lies. A link on the way to it, the folder itself included, is followed only when
    // Administrators, SYSTEM or the account running the setup own it, as none of the
    // machine's users could have made it; otherwise, or when the path no longer leads to
    // the held folder once checked, nothing is held (the last error tells).
    HeldFolder HoldTarget(const std::string& folder);
    // |folder| (it exists) held when it is a folder and no link.
    HeldFolder Hold(const std::string& folder);
    // The folder |name| in |parent|, created when missing: held when it is no link.
    HeldFolder HoldAt(const HeldFolder& parent, const std::string& name);

  private:
    HeldFolder Keep(FolderHandle handle);
    Os& os_;
    std::vector<FolderHandle> held_;
};

// Whether every link on the way to |path| (the last folder included) is one that no user
// could have made: links are followed only then, also to create what is missing.
bool LinksOnTheWayAreTrusted(Os& os, const std::string& path);

// Owners whom no user of the machine can be: Administrators, SYSTEM, or the account
// running the setup.
bool IsTrustedOwner(Os& os, const std::string& owner_sid);

// The open folder is owned by Administrators, SYSTEM or the account running the setup;
// one that a user made (and owns) is not.
bool HasTrustedOwner(Os& os, FolderHandle folder);

// A data folder that is no link and has a trusted owner.
bool IsTrustedFolder(Os& os, const std::string& folder);

}  // namespace sorvane
