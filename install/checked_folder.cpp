#include "install/checked_folder.h"

#include <vector>

#include "core/ascii_case.h"

namespace sorvane {

namespace {

constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kSystemSid = "S-1-5-18";

// Lower case without a final backslash, for comparing folders.
std::string Key(const std::string& folder) {
    std::string key;
    for (char c : folder) key += LowerAZ(c);
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

// A final path as the rest of the run names folders: "\\?\C:\x" is "C:\x", and
// "\\?\UNC\server\share" is "\\server\share".
std::string DosPath(const std::string& final_path) {
    if (final_path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + final_path.substr(8);
    if (final_path.rfind("\\\\?\\", 0) == 0) return final_path.substr(4);
    return final_path;
}

std::string WithoutFinalBackslash(std::string folder) {
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

// How much of |path| names its root: "C:\" (3), "\\server\share\" or none.
std::size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.size() > 2 ? 3 : 2;
    if (path.rfind("\\\\", 0) != 0) return 0;
    const std::size_t share = path.find('\\', 2);
    if (share == std::string::npos) return path.size();
    const std::size_t end = path.find('\\', share + 1);
    return end == std::string::npos ? path.size() : end + 1;
}

// Every folder on the way to |path|, |path| last ("C:\A", "C:\A\B"), as the system
// reads the path: either slash, "." and ".." taken away.
std::vector<std::string> StepsOf(const std::string& path) {
    std::string normal = path;
    for (char& c : normal)
        if (c == '/') c = '\\';
    const std::size_t root = RootLength(normal);
    std::vector<std::string> names;
    for (std::size_t at = root; at < normal.size();) {
        std::size_t end = normal.find('\\', at);
        if (end == std::string::npos) end = normal.size();
        const std::string name = normal.substr(at, end - at);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::vector<std::string> steps;
    std::string step = normal.substr(0, root);
    for (const std::string& name : names) {
        if (!step.empty() && step.back() != '\\') step += '\\';
        step += name;
        steps.push_back(step);
    }
    return steps;
}

}  // namespace

HeldFolders::~HeldFolders() {
    for (const FolderHandle handle : held_) os_.CloseFolder(handle);
}

HeldFolder HeldFolders::Keep(FolderHandle handle) {
    if (!handle) return {};
    held_.push_back(handle);
    std::string final_path;
    if (!os_.GetFolderFinalPath(handle, &final_path)) return {};
    std::string path = DosPath(final_path);
    if (path.back() != '\\') path += '\\';
    return {handle, path};
}

HeldFolder HeldFolders::HoldTarget(const std::string& folder) {
    const std::string path = WithoutFinalBackslash(folder);
    FolderHandle handle = os_.OpenFolder(path);
    std::string owner;
    if (!handle && os_.GetLinkOwner(path, &owner) && IsTrustedOwner(os_, owner))
        handle = os_.OpenFolderFollowing(path);
    const HeldFolder held = Keep(handle);
    if (!held) return {};
    // Checked again once held, so that nothing can change on the way between the check
    // and the hold: every link on the way is one a user could not have made, and the path
    // leads to the very folder held.
    if (!LinksOnTheWayAreTrusted(os_, path)) return {};
    const FolderHandle again = os_.OpenFolderFollowing(path);
    std::string now;
    if (again && os_.GetFolderFinalPath(again, &now)) now = DosPath(now) + "\\";
    if (again) os_.CloseFolder(again);
    if (Key(now) != Key(held.path)) {
        os_.SetLastError(kErrorPathNotFound);
        return {};
    }
    return held;
}

HeldFolder HeldFolders::Hold(const std::string& folder) {
    return Keep(os_.OpenFolder(folder));
}

HeldFolder HeldFolders::HoldAt(const HeldFolder& parent, const std::string& name) {
    const HeldFolder held = Keep(os_.OpenFolderAt(parent.handle, name));
    // Opened through the parent's handle, it lies inside the parent; the system says so.
    if (held && Key(held.path) != Key(parent.path + name)) {
        os_.SetLastError(kErrorPathNotFound);
        return {};
    }
    return held;
}

bool LinksOnTheWayAreTrusted(Os& os, const std::string& path) {
    std::string owner;
    for (const std::string& step : StepsOf(WithoutFinalBackslash(path))) {
        if (os.GetLinkOwner(step, &owner) && !IsTrustedOwner(os, owner)) {
            os.SetLastError(kErrorAccessDenied);
            return false;
        }
    }
    return true;
}

bool IsTrustedOwner(Os& os, const std::string& owner) {
    return !owner.empty() &&
           (owner == kAdministratorsSid || owner == kSystemSid || owner == os.GetProcessUserSid());
}

bool HasTrustedOwner(Os& os, FolderHandle folder) {
    return IsTrustedOwner(os, os.GetFolderOwner(folder));
}

bool IsTrustedFolder(Os& os, const std::string& folder) {
    const FolderHandle handle = os.OpenFolder(folder);
    if (!handle) return false;
    const bool trusted = HasTrustedOwner(os, handle);
    os.CloseFolder(handle);
    return trusted;
}

}  // namespace sorvane
