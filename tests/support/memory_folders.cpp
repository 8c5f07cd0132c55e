// Junctions, owners and folder handles of the in-memory model: a held folder can be
// neither removed nor replaced, and OpenFolder never opens a junction.
#include "support/memory_os.h"

#include <algorithm>
#include <sstream>

namespace sorvane::test {

namespace {


}  // namespace

void MemoryOs::AddLink(const std::string& path, const std::string& target,
                       const std::string& owner) {
    const std::string p = ResolveNoFollow(path, false);
    AddDirectory(p.substr(0, p.find_last_of('\\')));
    Node& node = nodes_[p];
    node = Node{};
    node.directory = true;
    node.link = OnDisk(target);
    node.owner = owner;
}

bool MemoryOs::Held(const std::string& path) const {
    for (const auto& [handle, folder] : held_folders)
        if (StartsFolder(folder, path)) return true;  // the folder or one below it is open
    return false;
}

FolderHandle MemoryOs::OpenFolder(const std::string& path) {
    calls.push_back("OpenFolder " + path);
    const std::string p = ResolveNoFollow(path);
    auto it = nodes_.find(p);
    if (it == nodes_.end() || !it->second.directory || !it->second.link.empty()) return 0;
    held_folders[next_folder_] = p;
    opened_as_[next_folder_] = path;
    return next_folder_++;
}

void MemoryOs::CloseFolder(FolderHandle folder) {
    held_folders.erase(folder);
    compared_folders.erase(folder);
    opened_as_.erase(folder);
}

bool MemoryOs::ListFolder(const std::string& path, std::vector<std::string>* names) {
    const std::string p = Resolve(path);
    const Node* folder = Find(p);
    if (!folder || !folder->directory) return false;
    for (const auto& [name, node] : nodes_)
        if (name.size() > p.size() + 1 && StartsFolder(name, p) &&
            name.find('\\', p.size() + 1) == std::string::npos)
            names->push_back(name.substr(p.size() + 1));
    return true;
}

std::string MemoryOs::GetFolderOwner(FolderHandle folder) {
    auto it = held_folders.find(folder);
    if (it == held_folders.end()) return {};
    const Node* node = Find(it->second);
    return node ? node->owner : std::string();
}

std::uint32_t MemoryOs::GetFolderDacl(FolderHandle folder, SecurityMemory* dacl,
                                      SecurityMemory* descriptor) {
    auto it = held_folders.find(folder);
    if (it == held_folders.end()) return 6;  // ERROR_INVALID_HANDLE
    const std::uint32_t r =
        GetNamedSecurityInfo(it->second, kSeFileObject, kDaclSecurityInformation, dacl, descriptor);
    calls.back() = "GetFolderDacl " + it->second;
    return r;
}

std::uint32_t MemoryOs::SetFolderDacl(FolderHandle folder, SecurityMemory dacl) {
    auto it = held_folders.find(folder);
    if (it == held_folders.end()) return 6;
    const std::uint32_t r =
        SetNamedSecurityInfo(it->second, kSeFileObject, kDaclSecurityInformation, dacl);
    calls.back() = "SetFolderDacl " + it->second;
    return r;
}

bool MemoryOs::CreatePrivateDirectory(const std::string& path) {
    if (!CreateDirectory(path)) return false;
    const std::string p = Resolve(path);
    access_lists[p] = {{"S-1-5-32-544", kGenericAll, true, 3, false},
                       {"S-1-5-18", kGenericAll, true, 3, false}};
    protected_lists.insert(p);
    return true;
}

FileHandle MemoryOs::CreateNewFile(const std::string& path) {
    if (Find(Resolve(path))) {
        calls.push_back("CreateNewFile " + path);
        last_error = kErrorFileExists;
        return 0;
    }
    return CreateFileReadWrite(path);
}

FileHandle MemoryOs::CreateTransientFile(const std::string& path) {
    const FileHandle file = CreateNewFile(path);
    if (file) handles_[file].delete_on_close = true;
    return file;
}

bool MemoryOs::MakeMountPoint(const std::string& folder, const std::string& target) {
    const std::string p = ResolveNoFollow(folder);
    auto it = nodes_.find(p);
    if (it == nodes_.end() || !it->second.directory) return false;
    for (const auto& entry : nodes_)
        if (entry.first.size() > p.size() && StartsFolder(entry.first, p)) {
            last_error = 145;  // ERROR_DIR_NOT_EMPTY
            return false;
        }
    it->second.link = Resolve(target);
    return true;
}

void MemoryOs::RunBatch(const std::string& batch) {
    const std::string icacls = "\"" + system_directory + "\\icacls.exe\" \"";
    std::istringstream lines(Content(batch));
    for (std::string line; std::getline(lines, line);) {
        // Only the system's own icacls is found; cmd reads "%%" as "%".
        if (line.rfind(icacls, 0) != 0) continue;
        const std::size_t end = line.find('"', icacls.size());
        std::string path;
        for (std::size_t i = icacls.size(); i < end; ++i) {
            path += line[i];
            if (line[i] == '%' && line[i + 1] == '%') ++i;
        }
        const std::string options = line.substr(end + 1);
        const std::size_t grant = options.find(" /grant:r *");
        const std::size_t colon = options.find(':', grant + 11);
        if (grant == std::string::npos || colon == std::string::npos ||
            options.compare(colon, 10, ":(OI)(CI)F") != 0)
            continue;
        const std::string sid = options.substr(grant + 11, colon - grant - 11);
        const bool on_link = options.find(" /L") != std::string::npos;
        const std::string p = on_link ? ResolveNoFollow(path) : Resolve(path);
        if (!nodes_.count(p)) continue;
        icacls_granted.push_back(p);
        auto& list = access_lists[p];
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const AccessEntry& e) { return e.trustee == sid; }),
                   list.end());
        list.push_back({sid, kGenericAll, true, 3, false});
    }
}

}  // namespace sorvane::test
