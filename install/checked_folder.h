// Folders that every user may write into, handled so that the setup never acts
// through a link that a user put in their place.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

// Folders the run writes into, held open without following links while it writes:
// a held folder can be neither renamed nor removed, so what goes in by path lands in it.
class HeldFolders {
  public:
    explicit HeldFolders(Os& os) : os_(os) {}
    HeldFolders(const HeldFolders&) = delete;
    HeldFolders& operator=(const HeldFolders&) = delete;
    ~HeldFolders();
    // Creates |folder| (its parent exists) when missing and holds it: its handle, or 0
    // when it is a link or no folder, which is then neither followed nor removed.
    FolderHandle Hold(const std::string& folder);

  private:
    Os& os_;
    FolderHandle held_[4] = {};
    int count_ = 0;
};

// The open folder is owned by Administrators, SYSTEM or the account running the setup;
// one that a user made (and owns) is not.
bool HasTrustedOwner(Os& os, FolderHandle folder);

// A data folder that is no link and has a trusted owner.
bool IsTrustedFolder(Os& os, const std::string& folder);

}  // namespace sorvane
