// Links on the way to a folder, and names opened relative to a held folder: found in
// the folder itself even when it has been turned into a junction since, as a handle
// keeps the folder it opened.
#include "support/memory_os.h"

namespace sorvane::test {

namespace {

constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorDirectory = 267;  // a folder where a file was asked for

bool SameText(const std::string& a, const std::string& b) {
    NoCaseLess less;
    return !less(a, b) && !less(b, a);
}

}  // namespace

std::string MemoryOs::KeyAt(FolderHandle folder, const std::string& name) const {
    auto it = held_folders.find(folder);
    if (it == held_folders.end() || name.empty() || name == "." || name == ".." ||
        name.find_first_of("\\/:") != std::string::npos)
        return {};
    return it->second + "\\" + name;
}

bool MemoryOs::GetLinkOwner(const std::string& path, std::string* owner) {
    calls.push_back("GetLinkOwner " + path);
    auto it = nodes_.find(ResolveNoFollow(path));
    if (it == nodes_.end() || it->second.link.empty()) return false;
    *owner = it->second.owner;
    return true;
}

FolderHandle MemoryOs::OpenFolderFollowing(const std::string& path) {
    calls.push_back("OpenFolderFollowing " + path);
    const std::string p = Resolve(path);
    auto it = nodes_.find(p);
    if (it == nodes_.end() || !it->second.directory || !it->second.link.empty()) return 0;
    held_folders[next_folder_] = p;
    return next_folder_++;
}

FolderHandle MemoryOs::OpenFolderAt(FolderHandle parent, const std::string& name) {
    const std::string key = KeyAt(parent, name);
    calls.push_back("OpenFolderAt " + key);
    if (key.empty()) return FailFile(held_folders.count(parent) ? kErrorInvalidName
                                                                : kErrorInvalidHandle);
    auto it = nodes_.find(key);
    if (it == nodes_.end()) {
        if (refuse_create_directory.count(key) || InDeniedFolder(key))
            return FailFile(kErrorAccessDenied);
        nodes_[key].directory = true;
    } else if (!it->second.directory) {
        return FailFile(kErrorDirectory);
    } else if (!it->second.link.empty()) {
        return FailFile(kErrorPathNotFound);
    }
    held_folders[next_folder_] = key;
    return next_folder_++;
}

FileHandle MemoryOs::CreateNewFileAt(FolderHandle folder, const std::string& name) {
    const std::string key = KeyAt(folder, name);
    calls.push_back("CreateNewFileAt " + key);
    if (key.empty()) return FailFile(kErrorInvalidName);
    if (nodes_.count(key)) return FailFile(kErrorFileExists);
    if (InDeniedFolder(key)) return FailFile(kErrorAccessDenied);
    nodes_[key] = Node{};
    nodes_[key].owner = process_user_sid;
    handles_[next_handle_] = Open{key, 0};
    return next_handle_++;
}

FileHandle MemoryOs::OpenFileAt(FolderHandle folder, const std::string& name) {
    const std::string key = KeyAt(folder, name);
    calls.push_back("OpenFileAt " + key);
    auto it = key.empty() ? nodes_.end() : nodes_.find(key);
    if (it == nodes_.end()) return FailFile(kErrorFileNotFound);
    if (it->second.directory) return FailFile(kErrorAccessDenied);
    // Shared for reading only: nothing that writes, renames or deletes may have it open.
    if (it->second.locked) return FailFile(kErrorSharingViolation);
    for (const auto& [h, open] : handles_)
        if (SameText(open.path, key) && !open.read_only) return FailFile(kErrorSharingViolation);
    Open open{key, 0};
    open.read_only = true;
    handles_[next_handle_] = open;
    return next_handle_++;
}

bool MemoryOs::RenameFileAt(FileHandle file, FolderHandle folder, const std::string& name) {
    const std::string key = KeyAt(folder, name);
    auto h = handles_.find(file);
    calls.push_back("RenameFileAt " + key);
    if (h == handles_.end()) return FailFile(kErrorInvalidHandle) != 0;
    if (key.empty()) return FailFile(kErrorInvalidName) != 0;
    if (nodes_.count(key)) return FailFile(kErrorAlreadyExists) != 0;
    const std::string from = h->second.path;
    Node moved = nodes_[from];
    nodes_.erase(from);
    nodes_[key] = moved;
    for (auto& [handle, open] : handles_)
        if (SameText(open.path, from)) open.path = key;
    return true;
}

bool MemoryOs::RenameAt(FolderHandle folder, const std::string& from, const std::string& to) {
    const std::string source = KeyAt(folder, from), target = KeyAt(folder, to);
    calls.push_back("RenameAt " + source + " " + to);
    auto it = source.empty() ? nodes_.end() : nodes_.find(source);
    if (it == nodes_.end()) return FailFile(kErrorFileNotFound) != 0;
    if (target.empty()) return FailFile(kErrorInvalidName) != 0;
    // A folder, a junction among them, is no file here; a handle without delete sharing
    // keeps the name.
    if (it->second.directory) return FailFile(kErrorAccessDenied) != 0;
    if (it->second.locked || InUse(source)) return FailFile(kErrorSharingViolation) != 0;
    if (nodes_.count(target)) return FailFile(kErrorAlreadyExists) != 0;
    Node moved = it->second;
    nodes_.erase(it);
    nodes_[target] = moved;
    return true;
}

bool MemoryOs::DeleteAt(FolderHandle folder, const std::string& name) {
    const std::string key = KeyAt(folder, name);
    calls.push_back("DeleteAt " + key);
    auto it = key.empty() ? nodes_.end() : nodes_.find(key);
    if (it == nodes_.end()) return FailFile(kErrorFileNotFound) != 0;
    if (it->second.directory) return FailFile(kErrorAccessDenied) != 0;
    if (it->second.locked || InUse(key)) return FailFile(kErrorSharingViolation) != 0;
    if (it->second.loaded || it->second.read_only) return FailFile(kErrorAccessDenied) != 0;
    nodes_.erase(it);
    return true;
}

bool MemoryOs::DeleteOpenFile(FileHandle file) {
    auto h = handles_.find(file);
    if (h == handles_.end() || h->second.read_only) return FailFile(kErrorAccessDenied) != 0;
    calls.push_back("DeleteOpenFile " + h->second.path);
    h->second.delete_on_close = true;
    return true;
}

bool MemoryOs::ListFolderAt(FolderHandle folder, std::vector<std::string>* names) {
    auto it = held_folders.find(folder);
    if (it == held_folders.end()) return FailFile(kErrorInvalidHandle) != 0;
    const std::string prefix = it->second + "\\";
    for (const auto& [path, node] : nodes_)
        if (path.size() > prefix.size() && SameText(path.substr(0, prefix.size()), prefix) &&
            path.find('\\', prefix.size()) == std::string::npos)
            names->push_back(path.substr(prefix.size()));
    return true;
}

bool MemoryOs::GetFileBasics(FileHandle file, FileFacts* facts) {
    auto it = handles_.find(file);
    if (it == handles_.end()) return false;
    const Node& n = nodes_[it->second.path];
    FileNature nature;
    if (auto found = file_natures.find(it->second.path); found != file_natures.end())
        nature = found->second;
    facts->attributes = n.read_only ? std::uint32_t{kFileAttributeReadOnly} : 0x80u;  // NORMAL
    if (nature.link) facts->attributes |= kFileAttributeReparsePoint;
    facts->links = nature.links;
    facts->size = n.data.size();
    return true;
}

std::string MemoryOs::ContentAt(FolderHandle folder, const std::string& name) {
    auto it = nodes_.find(KeyAt(folder, name));
    if (it == nodes_.end() || it->second.directory) return {};
    return std::string(it->second.data.begin(), it->second.data.end());
}

}  // namespace sorvane::test