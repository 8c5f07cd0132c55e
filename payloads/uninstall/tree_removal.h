// Removing files and folders below a folder that only administrators can change,
// through open folders and never through a link. Every folder below that base is
// opened by name inside the folder opened before it, as itself: a junction or a
// symbolic link is opened and deleted as the link, never followed. A user who
// swaps one of our folders for a link while the removal runs gets the link
// deleted, not what it points to.
//
// A file in use (a loaded library, a running program) cannot be deleted but can be
// renamed inside its folder: it is given a name of ours there, never over a name
// that stands, and the system deletes it at the next restart. A folder left holding
// nothing but such files is deleted at the restart too, after them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvane::payloads {

enum class NodeKind {
    Missing,
    File,
    Folder,
    Link,    // opened as the link itself; deleting it deletes only the link
    Unsafe,  // a link that the system could not open as the link: left alone
};

// The system's open files and folders.
class NodeAccess {
  public:
    using Node = std::uintptr_t;  // 0: nothing open
    virtual ~NodeAccess() = default;

    // Opens the base folder by its path; links above it are followed.
    virtual Node OpenBase(const std::wstring& path, NodeKind* kind) = 0;
    // Opens |name| inside the open folder |folder| as itself (never what a link
    // points to) and tells what the open object is.
    virtual Node OpenChild(Node folder, const std::wstring& name, NodeKind* kind) = 0;
    // The names inside the open folder |folder|, without "." and "..".
    virtual bool List(Node folder, std::vector<std::wstring>* names) = 0;
    // Deletes the open object (a link as the link); it goes when it is closed.
    virtual bool Delete(Node node) = 0;
    // Gives the open |node|, which lies in the open |folder|, the name |name| there;
    // fails where that name stands already.
    virtual bool Rename(Node folder, Node node, const std::wstring& name) = 0;
    // Has the system delete the open |node| at the next restart; the system deletes
    // in the order these were asked for.
    virtual bool MarkForRestart(Node node) = 0;
    virtual void Close(Node node) = 0;
};

enum class Removal {
    Gone,       // gone now, or never there
    AtRestart,  // it, or what is left in it, goes at the next restart
    Kept,       // a folder kept because something else is in it or stands at its place
    Failed,
};

// The worse of two outcomes, in the order above.
Removal Worse(Removal a, Removal b);

// What this run left for the system to delete at the next restart, by path, and the
// names it gives files in use. A name of ours is "~sorvane-<tag>-<n>.del".
class PendingRemovals {
  public:
    // |tag| tells this run's names from another's (the process, the time).
    explicit PendingRemovals(std::wstring tag) : tag_(std::move(tag)) {}
    std::wstring NextName();
    void Add(const std::wstring& path) { paths_.push_back(path); }
    bool Has(const std::wstring& path) const;
    bool empty() const { return paths_.empty(); }
    std::size_t size() const { return paths_.size(); }
    const std::wstring& last() const { return paths_.back(); }
    // Whether a file that cannot be deleted may be set aside now; while not, such a
    // file fails the step, which is tried again a moment later.
    bool set_aside_allowed() const { return allowed_; }
    void AllowSetAside(bool allowed) { allowed_ = allowed; }

  private:
    std::wstring tag_;
    unsigned next_ = 0;
    bool allowed_ = true;
    std::vector<std::wstring> paths_;
};

// Whether |name| is one that a removal or an update gives a file it sets aside, or that
// an update gives a new file before it takes its final name.
bool IsSetAsideName(const std::wstring& name);

// The names of the parts of |path| below |base|; false when |path| does not lie
// below |base| or a part is empty, "." or "..".
bool NamesBelow(const std::wstring& base, const std::wstring& path,
                std::vector<std::wstring>* names);

// The last part of |path| below |base|, opened with the folder that holds it, every
// folder on the way opened inside the one before. Closes both when it goes.
class OpenedBelow {
  public:
    OpenedBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path);
    ~OpenedBelow();
    OpenedBelow(const OpenedBelow&) = delete;
    OpenedBelow& operator=(const OpenedBelow&) = delete;

    // False when there is nothing to act on; missing() then tells whether that is
    // because it is not there (as opposed to a link, a file or an error in the way).
    bool ok() const { return node_ != 0; }
    bool missing() const { return missing_; }
    NodeAccess::Node holder() const { return holder_; }
    NodeAccess::Node node() const { return node_; }
    NodeKind kind() const { return kind_; }
    const std::wstring& name() const { return name_; }

  private:
    NodeAccess& access_;
    NodeAccess::Node holder_ = 0;
    NodeAccess::Node node_ = 0;
    NodeKind kind_ = NodeKind::Missing;
    bool missing_ = false;
    std::wstring name_;
};

// Each tells what became of the thing. A link or a file found where one of our
// folders should be stops the step (Failed). Without |pending| nothing is set aside:
// a file that cannot be deleted fails the step.
Removal RemoveFileBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path,
                        PendingRemovals* pending = nullptr);
// |path| with everything in it; links inside are deleted as links.
Removal RemoveTreeBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path,
                        PendingRemovals* pending = nullptr);
// |path| when it holds nothing, or nothing but what goes at the restart (files set
// aside by an earlier run among it); Kept when it holds something else, or when
// something else than a folder stands at its place.
Removal RemoveFolderIfEmptyBelow(NodeAccess& access, const std::wstring& base,
                                 const std::wstring& path, PendingRemovals* pending = nullptr);

}  // namespace sorvane::payloads
