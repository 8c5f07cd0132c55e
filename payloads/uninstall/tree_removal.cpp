#include "payloads/uninstall/tree_removal.h"

#include "core/number_text.h"

namespace sorvane::payloads {

namespace {

using Node = NodeAccess::Node;

// Deeper trees than this are not ours; they are left with the folder holding them.
constexpr int kMaxDepth = 64;
// Names of ours that someone else took first are passed over; this many are tried.
constexpr int kNameAttempts = 16;

constexpr const wchar_t* kAsidePrefix = L"~sorvane-";
constexpr const wchar_t* kAsideSuffix = L".del";
// A new file the setup had not yet given its name when its run was ended.
constexpr const wchar_t* kStagedSuffix = L".new";

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && IsSeparator(folder.back()) ? folder + name : folder + L"\\" + name;
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

// Deletes the open file |node|, named |name| in the open |folder| at |folder_path|;
// where that fails and |pending| allows it, sets the file aside there for the restart.
Removal DeleteOrSetAside(NodeAccess& access, Node folder, const std::wstring& folder_path,
                         Node node, const std::wstring& name, PendingRemovals* pending) {
    if (access.Delete(node)) return Removal::Gone;
    if (pending == nullptr || !pending->set_aside_allowed()) return Removal::Failed;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring aside = pending->NextName();
        if (!access.Rename(folder, node, aside)) continue;
        if (access.MarkForRestart(node)) {
            pending->Add(Join(folder_path, aside));
            return Removal::AtRestart;
        }
        // Not to be deleted after all: it takes its name back, so that the removal run
        // again finds it there.
        access.Rename(folder, node, name);
        return Removal::Failed;
    }
    return Removal::Failed;
}

// A folder whose contents came to |contents|: deleted when they are gone, left to the
// restart after them when they wait for it.
Removal FolderAfterContents(NodeAccess& access, Node node, const std::wstring& path,
                            Removal contents, PendingRemovals* pending) {
    if (contents == Removal::Gone) return access.Delete(node) ? Removal::Gone : Removal::Failed;
    if (contents != Removal::AtRestart) return contents;
    if (pending == nullptr || !access.MarkForRestart(node)) return Removal::Failed;
    pending->Add(path);
    return Removal::AtRestart;
}

Removal RemoveContents(NodeAccess& access, Node folder, const std::wstring& path, int depth,
                       PendingRemovals* pending);

// Removes the child |name| of |folder| whatever it is; a folder with its contents.
Removal RemoveChild(NodeAccess& access, Node folder, const std::wstring& folder_path,
                    const std::wstring& name, int depth, PendingRemovals* pending) {
    NodeKind kind = NodeKind::Missing;
    Opened child(access, access.OpenChild(folder, name, &kind));
    if (kind == NodeKind::Missing) return Removal::Gone;
    if (child.get() == 0 || kind == NodeKind::Unsafe) return Removal::Failed;
    if (kind == NodeKind::Link) return access.Delete(child.get()) ? Removal::Gone : Removal::Failed;
    if (kind == NodeKind::File)
        return DeleteOrSetAside(access, folder, folder_path, child.get(), name, pending);
    const std::wstring path = Join(folder_path, name);
    return FolderAfterContents(access, child.get(), path,
                               RemoveContents(access, child.get(), path, depth + 1, pending),
                               pending);
}

Removal RemoveContents(NodeAccess& access, Node folder, const std::wstring& path, int depth,
                       PendingRemovals* pending) {
    if (depth > kMaxDepth) return Removal::Failed;
    std::vector<std::wstring> names;
    if (!access.List(folder, &names)) return Removal::Failed;
    Removal result = Removal::Gone;
    for (const std::wstring& name : names) {
        const bool waits = pending != nullptr && pending->Has(Join(path, name));
        result = Worse(result, waits ? Removal::AtRestart
                                     : RemoveChild(access, folder, path, name, depth, pending));
    }
    return result;
}

// A file that an earlier run set aside: deleted, or left to the restart where it is.
// Anything else under such a name is not ours (Kept).
Removal RemoveLeftover(NodeAccess& access, Node folder, const std::wstring& path,
                       const std::wstring& name, PendingRemovals* pending) {
    NodeKind kind = NodeKind::Missing;
    Opened child(access, access.OpenChild(folder, name, &kind));
    if (kind == NodeKind::Missing) return Removal::Gone;
    if (kind != NodeKind::File || child.get() == 0) return Removal::Kept;
    if (access.Delete(child.get())) return Removal::Gone;
    if (pending == nullptr || !pending->set_aside_allowed() || !access.MarkForRestart(child.get()))
        return Removal::Failed;
    pending->Add(Join(path, name));
    return Removal::AtRestart;
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

// What a step comes to when there is nothing to act on at |path|.
Removal NothingOpened(const OpenedBelow& target) {
    return target.missing() ? Removal::Gone : Removal::Failed;
}

// The folder of |path|, which lies below a base: all of it but its last part.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace

Removal Worse(Removal a, Removal b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

std::wstring PendingRemovals::NextName() {
    const std::string number = DecimalText(++next_);
    return kAsidePrefix + tag_ + L"-" + std::wstring(number.begin(), number.end()) + kAsideSuffix;
}

bool PendingRemovals::Has(const std::wstring& path) const {
    for (const std::wstring& p : paths_)
        if (SameText(p, path)) return true;
    return false;
}

bool IsSetAsideName(const std::wstring& name) {
    const std::wstring_view prefix = kAsidePrefix;
    auto ends_with = [&name, &prefix](std::wstring_view suffix) {
        return name.size() > prefix.size() + suffix.size() &&
               SameText(std::wstring_view(name).substr(name.size() - suffix.size()), suffix);
    };
    return SameText(std::wstring_view(name).substr(0, prefix.size()), prefix) &&
           (ends_with(kAsideSuffix) || ends_with(kStagedSuffix));
}

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

OpenedBelow::OpenedBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path)
    : access_(access) {
    std::vector<std::wstring> names;
    if (!NamesBelow(base, path, &names)) return;
    const Walk walk = OpenHolder(access, base, names, &holder_);
    if (walk != Walk::Opened) {
        missing_ = walk == Walk::Missing;
        return;
    }
    name_ = names.back();
    node_ = access.OpenChild(holder_, name_, &kind_);
    if (kind_ == NodeKind::Missing && node_ != 0) access.Close(node_);
    if (kind_ == NodeKind::Missing) node_ = 0;
    missing_ = kind_ == NodeKind::Missing;
}

OpenedBelow::~OpenedBelow() {
    if (node_ != 0) access_.Close(node_);
    if (holder_ != 0) access_.Close(holder_);
}

Removal RemoveFileBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path,
                        PendingRemovals* pending) {
    OpenedBelow target(access, base, path);
    if (!target.ok()) return NothingOpened(target);
    // A link at a file's place goes as the link; a folder there is not ours.
    if (target.kind() == NodeKind::Link)
        return access.Delete(target.node()) ? Removal::Gone : Removal::Failed;
    if (target.kind() != NodeKind::File) return Removal::Failed;
    return DeleteOrSetAside(access, target.holder(), FolderOf(path), target.node(), target.name(),
                            pending);
}

Removal RemoveTreeBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path,
                        PendingRemovals* pending) {
    OpenedBelow target(access, base, path);
    if (!target.ok()) return NothingOpened(target);
    if (target.kind() == NodeKind::Link)
        return access.Delete(target.node()) ? Removal::Gone : Removal::Failed;
    if (target.kind() != NodeKind::Folder) return Removal::Failed;
    return FolderAfterContents(access, target.node(), path,
                               RemoveContents(access, target.node(), path, 0, pending), pending);
}

Removal RemoveFolderIfEmptyBelow(NodeAccess& access, const std::wstring& base,
                                 const std::wstring& path, PendingRemovals* pending) {
    OpenedBelow target(access, base, path);
    if (!target.ok()) return NothingOpened(target);
    if (target.kind() != NodeKind::Folder) return Removal::Kept;
    std::vector<std::wstring> names;
    if (!access.List(target.node(), &names)) return Removal::Failed;
    Removal contents = Removal::Gone;
    for (const std::wstring& name : names) {
        const std::wstring inside = Join(path, name);
        if (pending != nullptr && pending->Has(inside)) {
            contents = Worse(contents, Removal::AtRestart);
        } else {
            contents = Worse(contents, IsSetAsideName(name) ? RemoveLeftover(access, target.node(),
                                                                             path, name, pending)
                                                            : Removal::Kept);
        }
    }
    return FolderAfterContents(access, target.node(), path, contents, pending);
}

}  // namespace sorvane::payloads
