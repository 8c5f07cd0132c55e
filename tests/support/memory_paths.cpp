// Names as the system reads them, and which folder each stands for: Win32's reading of
// separators, "." and "..", the 32-bit view's redirection, subst drives, shares of this
// machine, short names and junctions; every spelling of a folder has its one identity.
#include <algorithm>
#include <vector>

#include "support/memory_os.h"

namespace sorvane::test {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    NoCaseLess less;
    return !less(a, b) && !less(b, a);
}

// What Win32 makes of a full name before the file system sees it: "/" is "\", empty
// names and "." go, ".." takes away the name before it (never the drive or share), a
// name's one final dot goes, and the last name loses its trailing dots and blanks.
std::string Normalized(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '/') c = '\\';
    std::string root;
    std::size_t at = 0;
    if (p.size() >= 2 && p[1] == ':' && (p.size() == 2 || p[2] == '\\')) {
        root = p.substr(0, 2);
        at = 2;
    } else if (p.rfind("\\\\", 0) == 0) {
        const std::size_t server = p.find('\\', 2);
        if (server == std::string::npos) return p;
        at = std::min(p.find('\\', server + 1), p.size());
        root = p.substr(0, at);
    } else {
        return p;  // names relative to a current folder are not modelled
    }
    std::vector<std::string> names;
    while (at < p.size()) {
        const std::size_t next = std::min(p.find('\\', at + 1), p.size());
        std::string name = p.substr(at + 1, next - at - 1);
        at = next;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        if (name.size() >= 2 && name.back() == '.' && name[name.size() - 2] != '.') name.pop_back();
        names.push_back(name);
    }
    if (!names.empty() && p.back() != '\\') {
        std::string& last = names.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
        if (last.empty()) names.pop_back();
    }
    for (const std::string& name : names) root += "\\" + name;
    return root;
}

// |path| with the longest name of |aliases| that starts it replaced by what it names.
std::string Unaliased(const std::string& path,
                      const std::map<std::string, std::string, NoCaseLess>& aliases) {
    const std::pair<const std::string, std::string>* best = nullptr;
    for (const auto& entry : aliases)
        if (StartsFolder(path, entry.first) && (!best || entry.first.size() > best->first.size()))
            best = &entry;
    return best ? best->second + path.substr(best->first.size()) : path;
}

// The folders below System32 that a 32-bit program reaches unredirected.
const char* const kNotRedirected[] = {"\\catroot",      "\\catroot2", "\\DriverStore",
                                      "\\drivers\\etc", "\\LogFiles", "\\spool"};

// "C:" or "\\server\share": the volume a resolved name lies on.
std::string VolumeOf(const std::string& path) {
    if (path.rfind("\\\\", 0) != 0) return path.substr(0, 2);
    const std::size_t server = path.find('\\', 2);
    return server == std::string::npos ? path : path.substr(0, path.find('\\', server + 1));
}

}  // namespace

bool StartsFolder(const std::string& path, const std::string& folder) {
    return path.size() >= folder.size() && SameName(path.substr(0, folder.size()), folder) &&
           (path.size() == folder.size() || path[folder.size()] == '\\');
}

void MemoryOs::AddDriveAlias(const std::string& name, const std::string& folder) {
    drive_aliases_[name] = Canonical(folder, false);
}

std::string MemoryOs::Canonical(const std::string& path, bool redirected) const {
    return Unaliased(Unaliased(Named(path, redirected), drive_aliases_), short_to_long_);
}

std::string MemoryOs::Named(const std::string& path, bool redirected) const {
    std::string p;
    if (path.rfind("\\\\?\\", 0) == 0) {
        // Handed to the file system as written: no "/" read as "\", no ".." undone.
        p = path.substr(4);
        if (p.size() >= 4 && SameName(p.substr(0, 4), "UNC\\")) {
            p.erase(0, 2);  // "UNC\server" becomes "\\server"
            p[0] = '\\';
        }
        while (p.size() > 2 && p.back() == '\\') p.pop_back();
    } else {
        p = Normalized(path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path);
    }
    // The redirection reads the name as given, before any drive or share is replaced.
    if (redirected && wow64 && !system_wow64_directory.empty()) {
        const std::string system = windows_directory + "\\System32";
        const std::string native = windows_directory + "\\Sysnative";
        bool exempt = false;
        for (const char* folder : kNotRedirected)
            exempt = exempt || StartsFolder(p.substr(std::min(system.size(), p.size())), folder);
        if (StartsFolder(p, native))
            p = system + p.substr(native.size());
        else if (StartsFolder(p, system) && !exempt)
            p = system_wow64_directory + p.substr(system.size());
    }
    return p;
}

std::string MemoryOs::Follow(std::string p) const {
    // Every junction on the way is followed, as the system does for a path.
    for (int depth = 0; depth < 32; ++depth) {
        bool followed = false;
        for (std::size_t i = 2; i <= p.size() && !followed; ++i) {
            if (i < p.size() && p[i] != '\\') continue;
            auto it = nodes_.find(p.substr(0, i));
            if (it == nodes_.end() || it->second.link.empty()) continue;
            p = it->second.link + p.substr(i);
            followed = true;
        }
        if (!followed) break;
    }
    return p;
}

std::string MemoryOs::OpenedFolder(FolderHandle folder) const {
    for (const auto* table : {&held_folders, &compared_folders}) {
        auto it = table->find(folder);
        if (it != table->end()) return it->second;
    }
    return {};
}

FolderHandle MemoryOs::OpenFolderToCompare(const std::string& path) {
    calls.push_back("OpenFolderToCompare " + path);
    auto it = nodes_.find(Resolve(path));
    if (it == nodes_.end() || !it->second.directory || !it->second.link.empty()) {
        last_error = kErrorFileNotFound;
        return 0;
    }
    compared_folders[next_folder_] = it->first;
    opened_as_[next_folder_] = path;
    return next_folder_++;
}

bool MemoryOs::GetFolderIdentity(FolderHandle folder, FolderIdentity* identity) {
    auto it = nodes_.find(OpenedFolder(folder));
    if (fail_folder_identity || it == nodes_.end()) return false;
    if (!it->second.file_id) it->second.file_id = next_file_id_++;
    const std::string volume = VolumeOf(it->first);
    auto serial = volume_serials_.find(volume);
    if (serial == volume_serials_.end())
        serial =
            volume_serials_
                .emplace(volume, 0x5EED0000u + static_cast<std::uint32_t>(volume_serials_.size()))
                .first;
    identity->volume = serial->second;
    identity->file = it->second.file_id;
    return true;
}

bool MemoryOs::GetFolderFinalPath(FolderHandle folder, std::string* path) {
    auto it = nodes_.find(OpenedFolder(folder));
    if (!has_final_path_name || it == nodes_.end()) return false;
    // The names as the folders were made, whatever spelling opened them; through a share
    // of this machine, the share's.
    const std::string& name = it->first;
    const std::string named = Named(opened_as_[folder], true);
    for (const auto& [share, shared] : drive_aliases_)
        if (share.rfind("\\\\", 0) == 0 && StartsFolder(named, share) &&
            StartsFolder(name, shared)) {
            *path = "\\\\?\\UNC\\" + share.substr(2) + name.substr(shared.size());
            return true;
        }
    if (name.rfind("\\\\", 0) == 0)
        *path = "\\\\?\\UNC\\" + name.substr(2);
    else
        *path = "\\\\?\\" + name + (name.size() == 2 ? "\\" : "");
    return true;
}

}  // namespace sorvane::test
