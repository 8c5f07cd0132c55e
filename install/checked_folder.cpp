#include "install/checked_folder.h"

#include <vector>

namespace sorvane {

namespace {

constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kSystemSid = "S-1-5-18";

// What an installation folder holds after a run, with the client's data folder.
const char* const kProductNames[] = {"tessen.exe", "harlock.exe",   "_marrow.exe", "sporder.dll",
                                     "plugin",     "Uninstall.exe", "datax"};

// Folders that hold what is not the product's, by the variables that name them.
const char* const kSystemFolderVariables[] = {"SystemRoot",
                                              "windir",
                                              "ProgramFiles",
                                              "ProgramFiles(x86)",
                                              "ProgramW6432",
                                              "CommonProgramFiles",
                                              "CommonProgramFiles(x86)",
                                              "ProgramData",
                                              "ALLUSERSPROFILE",
                                              "PUBLIC",
                                              "USERPROFILE",
                                              "APPDATA",
                                              "LOCALAPPDATA"};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Lower case without a final backslash, for comparing folders.
std::string Key(const std::string& folder) {
    std::string key;
    for (char c : folder) key += Lower(c);
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

bool SameName(const std::string& a, const char* b) {
    return Key(a) == Key(b);
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

// "C:", "\\server\share" and anything shorter.
bool IsRoot(const std::string& key) {
    if (key.rfind("\\\\", 0) != 0) return key.find('\\') == std::string::npos;
    const std::size_t share = key.find('\\', 2);
    return share == std::string::npos || key.find('\\', share + 1) == std::string::npos;
}

// |key| is |system| or a folder above it.
bool Covers(const std::string& key, const std::string& system) {
    return !system.empty() &&
           (system == key || (system.size() > key.size() && system.rfind(key, 0) == 0 &&
                              system[key.size()] == '\\'));
}

bool IsOrHoldsSystemFolder(Os& os, const std::string& key) {
    std::vector<std::string> systems{Key(os.GetSystemDirectory())};
    for (const char* name : kSystemFolderVariables)
        systems.push_back(Key(os.GetEnvironmentVariable(name)));
    std::string folder;
    if (os.GetSpecialFolderPath(kCsidlProgramFiles, &folder)) systems.push_back(Key(folder));
    // The folder of all the users' profiles.
    const std::string profile = Key(os.GetEnvironmentVariable("USERPROFILE"));
    const std::size_t cut = profile.find_last_of('\\');
    if (cut != std::string::npos) systems.push_back(profile.substr(0, cut));
    for (const std::string& system : systems)
        if (Covers(key, system)) return true;
    return false;
}

}  // namespace

HeldFolders::~HeldFolders() {
    for (const FolderHandle handle : held_) os_.CloseFolder(handle);
}

HeldFolder HeldFolders::Keep(FolderHandle handle) {
    if (!handle) return {};
    held_.push_back(handle);
    std::string path = os_.GetFolderPath(handle);
    if (path.empty()) return {};
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
    const std::string now = again ? os_.GetFolderPath(again) + "\\" : std::string();
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

bool IsTrustedFolder(Os& os, const std::string& folder) {
    const FolderHandle handle = os.OpenFolder(folder);
    if (!handle) return false;
    const std::string owner = os.GetFolderOwner(handle);
    os.CloseFolder(handle);
    return IsTrustedOwner(os, owner);
}

bool MayOpenToEveryone(Os& os, const std::string& folder) {
    const std::string key = Key(folder);
    if (IsRoot(key) || IsOrHoldsSystemFolder(os, key)) return false;
    const FolderHandle handle = os.OpenFolder(folder);
    if (!handle) return false;
    std::vector<std::string> names;
    bool own = os.ListFolder(folder, &names);
    os.CloseFolder(handle);
    for (const std::string& name : names) {
        bool known = false;
        for (const char* product : kProductNames) known = known || SameName(name, product);
        own = own && known;
    }
    return own;
}

}  // namespace sorvane
