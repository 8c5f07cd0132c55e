#include "payloads/uninstall/tree_removal.h"

namespace sorvane::payloads {

namespace {

using Node = NodeAccess::Node;

// Deeper trees than this are not ours; they are left with the folder holding them.
constexpr int kMaxDepth = 64;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Holds one open node and closes it when it goes.
class Opened {
  public:
    Opened(NodeAccess& access, Node node) : access_(access), node_(node) {}
    ~Opened() {
        if (node_ != 0) access_.Close(node_);
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    Node get() const { return node_; }

  private:
    NodeAccess& access_;
    Node node_;
};

bool RemoveContents(NodeAccess& access, Node folder, int depth);

// Removes the child |name| of |folder| whatever it is; a folder with its contents.
bool RemoveChild(NodeAccess& access, Node folder, const std::wstring& name, int depth) {
    NodeKind kind = NodeKind::Missing;
    Opened child(access, access.OpenChild(folder, name, &kind));
    switch (kind) {
        case NodeKind::Missing:
            return true;
        case NodeKind::Unsafe:
            return false;
        case NodeKind::File:
        case NodeKind::Link:
            return child.get() != 0 && access.Delete(child.get());
        case NodeKind::Folder:
            return child.get() != 0 && RemoveContents(access, child.get(), depth + 1) &&
                   access.Delete(child.get());
    }
    return false;
}

bool RemoveContents(NodeAccess& access, Node folder, int depth) {
    if (depth > kMaxDepth) return false;
    std::vector<std::wstring> names;
    if (!access.List(folder, &names)) return false;
    bool all_gone = true;
    for (const std::wstring& name : names)
        all_gone = RemoveChild(access, folder, name, depth) && all_gone;
    return all_gone;
}

enum class Walk { Opened, Missing, Refused };

// Opens the folder that holds the last name of |names|, each folder on the way
// opened inside the one before it. A file or link on the way refuses the walk.
Walk OpenHolder(NodeAccess& access, const std::wstring& base,
                const std::vector<std::wstring>& names, Node* holder) {
    NodeKind kind = NodeKind::Missing;
    Node node = access.OpenBase(base, &kind);
    for (std::size_t i = 0; i + 1 < names.size() && kind == NodeKind::Folder; ++i) {
        Opened parent(access, node);
        node = access.OpenChild(parent.get(), names[i], &kind);
    }
    if (kind == NodeKind::Folder && node != 0) {
        *holder = node;
        return Walk::Opened;
    }
    if (node != 0) access.Close(node);
    return kind == NodeKind::Missing ? Walk::Missing : Walk::Refused;
}

}  // namespace

bool NamesBelow(const std::wstring& base, const std::wstring& path,
                std::vector<std::wstring>* names) {
    names->clear();
    if (base.empty() || path.size() <= base.size() || path.compare(0, base.size(), base) != 0)
        return false;
    std::size_t i = base.size();
    if (!IsSeparator(base.back())) {
        if (!IsSeparator(path[i])) return false;
        ++i;
    }
    while (i <= path.size()) {
        std::size_t end = i;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::wstring name = path.substr(i, end - i);
        if (name.empty() || name == L"." || name == L"..") {
            names->clear();
            return false;
        }
        names->push_back(name);
        i = end + 1;
    }
    return !names->empty();
}

bool OpenBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path, Node* target,
               NodeKind* kind, bool* result) {
    std::vector<std::wstring> names;
    *target = 0;
    *kind = NodeKind::Missing;
    *result = false;
    if (!NamesBelow(base, path, &names)) return false;
    Node holder = 0;
    const Walk walk = OpenHolder(access, base, names, &holder);
    if (walk != Walk::Opened) {
        *result = walk == Walk::Missing;
        return false;
    }
    Opened folder(access, holder);
    *target = access.OpenChild(folder.get(), names.back(), kind);
    if (*kind == NodeKind::Missing || *target == 0) {
        if (*target != 0) access.Close(*target);
        *target = 0;
        *result = *kind == NodeKind::Missing;
        return false;
    }
    return true;
}

bool RemoveFileBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path) {
    Node node = 0;
    NodeKind kind = NodeKind::Missing;
    bool result = false;
    if (!OpenBelow(access, base, path, &node, &kind, &result)) return result;
    Opened target(access, node);
    // A link at a file's place goes as the link; a folder there is not ours.
    return (kind == NodeKind::File || kind == NodeKind::Link) && access.Delete(node);
}

bool RemoveTreeBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path) {
    Node node = 0;
    NodeKind kind = NodeKind::Missing;
    bool result = false;
    if (!OpenBelow(access, base, path, &node, &kind, &result)) return result;
    Opened target(access, node);
    if (kind == NodeKind::Link) return access.Delete(node);
    return kind == NodeKind::Folder && RemoveContents(access, node, 0) && access.Delete(node);
}

bool RemoveFolderIfEmptyBelow(NodeAccess& access, const std::wstring& base,
                              const std::wstring& path) {
    Node node = 0;
    NodeKind kind = NodeKind::Missing;
    bool result = false;
    if (!OpenBelow(access, base, path, &node, &kind, &result)) return result;
    Opened target(access, node);
    if (kind != NodeKind::Folder) return true;
    std::vector<std::wstring> names;
    if (!access.List(node, &names)) return false;
    return !names.empty() || access.Delete(node);
}

}  // namespace sorvane::payloads
