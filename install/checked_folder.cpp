#include "install/checked_folder.h"

namespace sorvane {

namespace {

constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kSystemSid = "S-1-5-18";

}  // namespace

HeldFolders::~HeldFolders() {
    for (int i = 0; i < count_; ++i) os_.CloseFolder(held_[i]);
}

FolderHandle HeldFolders::Hold(const std::string& folder) {
    if (count_ == 4) return 0;
    if (!os_.DirectoryExists(folder)) os_.CreateDirectory(folder);
    const FolderHandle handle = os_.OpenFolder(folder);
    if (!handle) return 0;
    held_[count_++] = handle;
    return handle;
}

bool HasTrustedOwner(Os& os, FolderHandle folder) {
    const std::string owner = os.GetFolderOwner(folder);
    return !owner.empty() &&
           (owner == kAdministratorsSid || owner == kSystemSid || owner == os.GetProcessUserSid());
}

bool IsTrustedFolder(Os& os, const std::string& folder) {
    const FolderHandle handle = os.OpenFolder(folder);
    if (!handle) return false;
    const bool trusted = HasTrustedOwner(os, handle);
    os.CloseFolder(handle);
    return trusted;
}

}  // namespace sorvane
