// Whether the installation folder is opened to every user, and why.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

struct GrantVerdict {
    bool grant = false;
    std::string reason;  // what the run's log says of the verdict
    bool others_content = false;  // kept because it holds what is not the product's
};

// The installation folder is opened to everyone when it is empty (new), or already an
// installation of ours (its Uninstall.exe or tessen.exe, whatever else the client or
// the updater left there), or holds nothing but the product's own names; and only when
// it is owned by Administrators, SYSTEM or the account running the setup, and is neither
// a drive or share root, nor a system folder, nor a folder above one. Folders are told
// apart by identity (volume and file index), so no other spelling of a system folder
// passes for another folder: a short name, "\\?\", a share of this machine, a subst
// drive, ".." or "/", or the 32-bit view's System32, SysWOW64 and Sysnative.
// |held_target| is the folder the run holds (0 when it holds none) and |target_path|
// the name the run writes by, which must lead to that folder.
// A folder that was kept for others' content when the product was first installed there
// stays kept at every later update, though it then holds the product's programs too.
GrantVerdict DecideTargetGrant(Os& os, FolderHandle held_target, const std::string& target_path);

// Remembers, where only administrators write (the product's key of the machine), that
// |target_path| was kept for others' content.
void RememberKeptFolder(Os& os, const std::string& target_path);

}  // namespace sorvane
