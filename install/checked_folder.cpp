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
    for (int i = 0; i < count_; ++i) os_.CloseFolder(held_[i]);
}

bool HeldFolders::Hold(const std::string& folder) {
    if (count_ == 4) return false;
    if (!os_.DirectoryExists(folder)) os_.CreateDirectory(folder);
    const FolderHandle handle = os_.OpenFolder(folder);
    if (!handle) return false;
    held_[count_++] = handle;
    return true;
}

bool IsTrustedFolder(Os& os, const std::string& folder) {
    const FolderHandle handle = os.OpenFolder(folder);
    if (!handle) return false;
    const std::string owner = os.GetFolderOwner(handle);
    os.CloseFolder(handle);
    return !owner.empty() &&
           (owner == kAdministratorsSid || owner == kSystemSid || owner == os.GetProcessUserSid());
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
