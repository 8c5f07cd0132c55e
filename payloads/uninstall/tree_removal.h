// Removing files and folders below a folder that only administrators can change,
// through open folders and never through a link. Every folder below that base is
// opened by name inside the folder opened before it, as itself: a junction or a
// symbolic link is opened and deleted as the link, never followed. A user who
// swaps one of our folders for a link while the removal runs gets the link
// deleted, not what it points to.
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
    virtual void Close(Node node) = 0;
};

// The names of the parts of |path| below |base|; false when |path| does not lie
// below |base| or a part is empty, "." or "..".
bool NamesBelow(const std::wstring& base, const std::wstring& path,
                std::vector<std::wstring>* names);

// Opens the last part of |path| below |base| into |node| (closed by the caller),
// every folder on the way opened inside the one before. False when there is
// nothing to act on; |done| then tells whether that is because it is missing
// (true) or because a link, a file or an error stood in the way (false).
bool OpenBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path,
               NodeAccess::Node* node, NodeKind* kind, bool* done);

// Each is true when the thing is gone afterwards (or was never there). A link or
// a file found where one of our folders should be stops the step (false).
bool RemoveFileBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path);
// |path| with everything in it; links inside are deleted as links.
bool RemoveTreeBelow(NodeAccess& access, const std::wstring& base, const std::wstring& path);
// |path| when it holds nothing; also true when it is kept because it holds
// something, or because something else than a folder stands at its place.
bool RemoveFolderIfEmptyBelow(NodeAccess& access, const std::wstring& base,
                              const std::wstring& path);

}  // namespace sorvane::payloads
