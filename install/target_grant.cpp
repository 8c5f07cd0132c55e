#include "install/target_grant.h"

#include <algorithm>
#include <set>
#include <vector>

#include "core/ascii_case.h"
#include "install/checked_folder.h"

namespace sorvane {

namespace {

// Either is in every installation of ours; the uninstaller stays when a removal failed.
const char* const kOurPrograms[] = {"Uninstall.exe", "tessen.exe"};
// What an installation folder holds after a run, with the client's data folder.
const char* const kProductNames[] = {"tessen.exe", "harlock.exe",   "_marrow.exe", "sporder.dll",
                                     "plugin",     "Uninstall.exe", "datax"};

// Folders that hold what is not the product's, as the environment names them; the
// system's own answers follow in SystemFolders.
const char* const kSystemFolderVariables[] = {"SystemRoot",
                                              "windir",
                                              "ProgramFiles",
                                              "ProgramFiles(x86)",
                                              "ProgramW6432",
                                              "CommonProgramFiles",
                                              "CommonProgramFiles(x86)",
                                              "CommonProgramW6432",
                                              "ProgramData",
                                              "ALLUSERSPROFILE",
                                              "PUBLIC",
                                              "USERPROFILE",
                                              "APPDATA",
                                              "LOCALAPPDATA"};
// And as the shell numbers them: those the environment has too are asked of the shell
// only where the setup itself relies on it (the Windows folder and both System32s come
// from the system itself); then the Start menus with their StartUp folders, the
// desktops, documents, templates, fonts and administrative tools.
const int kSystemFolderCsidls[] = {
    kCsidlProgramFiles,     kCsidlCommonAppData,   kCsidlCommonStartMenu,
    kCsidlCommonPrograms,   kCsidlCommonStartup,   kCsidlCommonDesktopDirectory,
    kCsidlCommonDocuments,  kCsidlCommonTemplates, kCsidlCommonAdminTools,
    kCsidlStartMenu,        kCsidlPrograms,        kCsidlStartup,
    kCsidlDesktopDirectory, kCsidlPersonal,        kCsidlFonts};

std::string LowerText(const std::string& text) {
    std::string lower;
    for (char c : text) lower += LowerAZ(c);
    return lower;
}

bool StartsWith(const std::string& text, const char* head) {
    std::size_t i = 0;
    for (; head[i]; ++i)
        if (i >= text.size() || LowerAZ(text[i]) != LowerAZ(head[i])) return false;
    return true;
}

// How long the root of |path| is: "C:" of "C:\x" and of "\\?\C:\x", "\\server\share" of
// "\\server\share\x", "\\?\UNC\server\share" of "\\?\UNC\server\share\x".
std::size_t RootLength(const std::string& path) {
    std::size_t at = 0;
    if (StartsWith(path, "\\\\?\\") || StartsWith(path, "\\\\.\\")) at = 4;
    bool share = false;
    if (at && StartsWith(path.substr(at), "UNC\\")) {
        at += 4;
        share = true;
    } else if (!at && StartsWith(path, "\\\\")) {
        at = 2;
        share = true;
    }
    if (!share) return path.size() >= at + 2 && path[at + 1] == ':' ? at + 2 : 0;
    const std::size_t server = path.find('\\', at);
    if (server == std::string::npos) return path.size();
    return std::min(path.find('\\', server + 1), path.size());
}

std::string WithoutFinalBackslash(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// A drive's or share's root itself.
bool IsRoot(const std::string& path) {
    const std::string p = WithoutFinalBackslash(path);
    const std::size_t root = RootLength(p);
    return root == 0 ? p.empty() : p.size() <= root;
}

// The folder above |path|, a root with its backslash so that it names the root folder
// and not the drive's current folder; empty above a root.
std::string Parent(const std::string& path) {
    const std::string p = WithoutFinalBackslash(path);
    const std::size_t root = RootLength(p);
    if (root == 0 || p.size() <= root) return {};
    const std::size_t cut = p.find_last_of('\\');
    return cut <= root ? p.substr(0, root) + "\\" : p.substr(0, cut);
}

// What |path| leads to, as the system follows it; |final_path|, when asked for, is empty
// when the system cannot tell it.
bool IdentityOf(Os& os, const std::string& path, FolderIdentity* identity,
                std::string* final_path = nullptr) {
    const FolderHandle folder =
        os.OpenFolderToCompare(IsRoot(path) ? WithoutFinalBackslash(path) + "\\" : path);
    if (!folder) return false;
    const bool known = os.GetFolderIdentity(folder, identity);
    if (final_path && !os.GetFolderFinalPath(folder, final_path)) final_path->clear();
    os.CloseFolder(folder);
    return known;
}

// A final path on a drive of this machine ("\\?\C:\..."), where each folder has one
// name only; through a share ("\\?\UNC\...") the same folder has others.
bool IsLocalFinalPath(const std::string& path) {
    return StartsWith(path, "\\\\?\\") && path.size() >= 6 && path[5] == ':';
}

// |path| lies below |folder|, both final paths of one drive.
bool LiesBelow(const std::string& path, const std::string& folder) {
    const std::string f = LowerText(WithoutFinalBackslash(folder));
    return path.size() > f.size() && path[f.size()] == '\\' &&
           LowerText(path.substr(0, f.size())) == f;
}

// The installation folder as the rule compares it.
struct Target {
    FolderIdentity identity;
    std::string local_final_path;  // empty unless on a drive of this machine
};

// The folders whose content is the system's, by the system's and the shell's names.
std::vector<std::string> SystemFolders(Os& os) {
    const std::string windows = os.GetWindowsDirectory();
    // A 32-bit program on a 64-bit Windows names SysWOW64 as System32; the real System32
    // it reaches only as Sysnative.
    std::vector<std::string> folders{os.GetSystemDirectory(), os.GetSystemWow64Directory(), windows,
                                     windows.empty() ? windows : windows + "\\Sysnative",
                                     os.GetProfilesDirectory()};
    for (const char* name : kSystemFolderVariables)
        folders.push_back(os.GetEnvironmentVariable(name));
    for (const int csidl : kSystemFolderCsidls) {
        std::string folder;
        if (os.GetSpecialFolderPath(csidl, &folder)) folders.push_back(folder);
    }
    return folders;
}

// |target| is the system folder |system| or lies above it. On one drive the final paths
// tell; otherwise the folders above the one the system resolves |system| to are opened
// and compared, and |walked| holds those opened already, above which nothing new lies.
bool IsOrHoldsSystemFolder(Os& os, const Target& target, const std::string& system,
                           std::set<std::string>* walked) {
    FolderIdentity identity;
    std::string final_path;
    if (system.empty() || !IdentityOf(os, system, &identity, &final_path)) return false;
    if (identity == target.identity) return true;
    if (!target.local_final_path.empty() && IsLocalFinalPath(final_path))
        return LiesBelow(final_path, target.local_final_path);
    for (std::string up = Parent(final_path.empty() ? system : final_path); !up.empty();
         up = Parent(up)) {
        if (!walked->insert(LowerText(up)).second) break;
        if (IdentityOf(os, up, &identity) && identity == target.identity) return true;
    }
    return false;
}

// Where the folders kept for others' content are remembered, one value a folder.
constexpr const char* kKeptFoldersKey = "Software\\OrvikSoft\\Sorvane\\KeptAccess\\";

bool WasKeptBefore(Os& os, const std::string& folder) {
    RegistryKey key = 0;
    if (os.RegOpenKeyEx(RegistryRoot::LocalMachine, kKeptFoldersKey, kKeyAllAccess, &key) != 0)
        return false;
    const bool kept = os.RegQueryValueEx(key, LowerText(folder)) == 0;
    os.RegCloseKey(key);
    return kept;
}

// Whether the content of |folder| lets it be opened: empty, an installation of ours, or
// nothing but the product's names.
GrantVerdict ContentVerdict(Os& os, const std::string& folder) {
    std::vector<std::string> names;
    if (!os.ListFolder(WithoutFinalBackslash(folder), &names))
        return {false, "its content cannot be read"};
    if (names.empty()) return {true, "empty"};
    std::string others;
    for (const std::string& name : names) {
        bool ours = false;
        for (const char* product : kProductNames)
            ours = ours || LowerText(name) == LowerText(product);
        if (!ours && others.empty()) others = name;
    }
    bool installation = false;
    for (const char* program : kOurPrograms)
        installation = installation || os.FileExists(folder + program);
    if (installation && !others.empty() && WasKeptBefore(os, folder))
        return {false, "holds " + others + ", kept so since the product was installed there", true};
    if (installation) return {true, "an installation of the product"};
    if (!others.empty())
        return {false, "holds " + others + " and is no installation of the product", true};
    return {true, "holds only the product's names"};
}

}  // namespace

void RememberKeptFolder(Os& os, const std::string& target_path) {
    std::string folder = target_path;
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    RegistryKey key = 0;
    if (os.RegCreateKeyEx(RegistryRoot::LocalMachine, kKeptFoldersKey, kKeyAllAccess, &key) != 0)
        return;
    const std::string none;
    os.RegSetValueEx(key, LowerText(folder), kRegSz, none.c_str(), 1);
    os.RegCloseKey(key);
}

GrantVerdict DecideTargetGrant(Os& os, FolderHandle held_target, const std::string& target_path) {
    if (!held_target) return {false, "not held"};
    Target target;
    FolderIdentity named;
    if (!os.GetFolderIdentity(held_target, &target.identity))
        return {false, "its identity is unknown"};
    // What is listed and written by name must be what is held.
    if (!IdentityOf(os, target_path, &named) || !(named == target.identity))
        return {false, "its name leads to another folder"};
    std::string final_path;
    if (!os.GetFolderFinalPath(held_target, &final_path)) final_path.clear();
    if (IsRoot(target_path) || (!final_path.empty() && IsRoot(final_path)))
        return {false, "a drive or share root"};
    if (IsLocalFinalPath(final_path)) target.local_final_path = final_path;
    // Many names stand for the same few folders: each is opened once.
    std::set<std::string> names, walked;
    for (const std::string& system : SystemFolders(os))
        if (names.insert(LowerText(WithoutFinalBackslash(system))).second &&
            IsOrHoldsSystemFolder(os, target, system, &walked))
            return {false, "the system folder " + system + " or one above it"};
    if (!HasTrustedOwner(os, held_target)) {
        const std::string owner = os.GetFolderOwner(held_target);
        return {false, owner.empty() ? "its owner is unknown" : "owned by " + owner};
    }
    return ContentVerdict(
        os, target_path.empty() || target_path.back() == '\\' ? target_path : target_path + "\\");
}

}  // namespace sorvane
