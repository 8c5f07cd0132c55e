// Junctions, owners and folder handles of the in-memory model: a held folder can be
// neither removed nor replaced, and OpenFolder never opens a junction.
#include "support/memory_os.h"

namespace sorvane::test {

namespace {

constexpr std::uint32_t kErrorFileExists = 80;

}  // namespace

void MemoryOs::AddLink(const std::string& path, const std::string& target) {
    const std::string p = ResolveNoFollow(path, false);
    AddDirectory(p.substr(0, p.find_last_of('\\')));
    Node& node = nodes_[p];
    node = Node{};
    node.directory = true;
    node.link = OnDisk(target);
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

}  // namespace sorvane::test
