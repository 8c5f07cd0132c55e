// The model's log-file calls: a file opened as itself, and what the system says of it.
#include "support/memory_os.h"

namespace sorvane::test {

FileHandle MemoryOs::OpenFileNoFollow(const std::string& path) {
    calls.push_back("OpenFileNoFollow " + path);
    const std::string p = Resolve(path);
    const std::size_t cut = p.find_last_of('\\');
    const Node* parent = cut == std::string::npos ? nullptr : Find(p.substr(0, cut));
    if (!parent || !parent->directory) return FailFile(kErrorPathNotFound);
    if (Node* n = Find(p)) {
        // A folder opens only with backup semantics, a read-only file not for writing.
        if (n->directory || n->read_only) return FailFile(kErrorAccessDenied);
        if (n->locked || n->loaded || InUse(p)) return FailFile(32);  // ERROR_SHARING_VIOLATION
    } else {
        if (InDeniedFolder(p)) return FailFile(kErrorAccessDenied);
        nodes_[p] = Node{};
    }
    handles_[next_handle_] = Open{p, 0};
    return next_handle_++;
}

bool MemoryOs::GetFileFacts(FileHandle file, FileFacts* facts) {
    auto it = handles_.find(file);
    if (fail_file_facts || it == handles_.end()) return false;
    const std::string& p = it->second.path;
    const Node& n = nodes_[p];
    FileNature nature;
    if (auto found = file_natures.find(p); found != file_natures.end()) nature = found->second;
    facts->attributes = n.read_only ? std::uint32_t{kFileAttributeReadOnly} : 0x80u;  // NORMAL
    if (nature.link) facts->attributes |= kFileAttributeReparsePoint;
    facts->links = nature.links;
    facts->size = n.data.size();
    facts->owner = nature.owner;
    facts->final_path = "\\\\?\\" + (nature.final_path.empty() ? p : nature.final_path);
    return true;
}

}  // namespace sorvane::test
