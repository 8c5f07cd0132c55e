#include "install/file_swap.h"

#include "core/number_text.h"

namespace sorvane {

namespace {

// How many names of ours are tried before giving up: each try is a fresh serial, and a
// name that stands already (made by anyone) is never used.
constexpr int kNameAttempts = 16;

bool EndsWith(const std::string& text, const char* tail) {
    const std::string t(tail);
    return text.size() > t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

// Deletes |name| in the held |folder|, or marks it for the next start of the system when
// it is in use: false when neither could be done; |waits| tells which.
bool DeleteOrMark(Os& os, FolderHandle folder, const std::string& folder_path,
                  const std::string& name, bool* waits) {
    *waits = false;
    if (os.DeleteAt(folder, name)) return true;
    // The folder is held and this name is ours: the path leads to this very file.
    *waits = os.MoveFileEx(folder_path + name, "", kMoveDelayUntilReboot);
    return *waits;
}

}  // namespace

FileSwap::~FileSwap() {
    for (Entry& entry : entries_) {
        if (!entry.file) continue;
        if (!entry.swapped) os_.DeleteOpenFile(entry.file);
        os_.CloseFile(entry.file);
    }
}

std::string FileSwap::NewName(const std::string& name, const char* mark) {
    if (serial_ == 0) serial_ = os_.GetTickCount() | 1u;
    return kOwnNamePrefix + HexText(serial_++) + "-" + name + mark;
}

FileHandle FileSwap::Stage(FolderHandle folder, const std::string& folder_path,
                           const std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string staged = NewName(name, kStagedMark);
        const FileHandle file = os_.CreateNewFileAt(folder, staged);
        if (file) {
            entries_.push_back(Entry{folder, folder_path, name, file, staged, {}, false});
            return file;
        }
        const std::uint32_t error = os_.GetLastError();
        if (error != kErrorFileExists && error != kErrorAlreadyExists) return 0;  // not a name taken
    }
    return 0;
}

bool FileSwap::SwapAll(std::string* failed_path, std::uint32_t* error) {
    for (Entry& entry : entries_) {
        // The old file goes aside first, so that it can come back; none there is fine.
        bool set_aside = false;
        for (int attempt = 0; attempt < kNameAttempts && !set_aside; ++attempt) {
            const std::string aside = NewName(entry.name, kSetAsideMark);
            if (os_.RenameAt(entry.folder, entry.name, aside)) {
                entry.aside = aside;
                set_aside = true;
            } else if (os_.GetLastError() != kErrorAlreadyExists) {
                break;
            }
        }
        const std::uint32_t aside_error = os_.GetLastError();
        if ((set_aside || aside_error == kErrorFileNotFound) &&
            os_.RenameFileAt(entry.file, entry.folder, entry.name)) {
            entry.swapped = true;
            continue;
        }
        *failed_path = entry.folder_path + entry.name;
        *error = set_aside || aside_error == kErrorFileNotFound ? os_.GetLastError() : aside_error;
        if (set_aside && os_.RenameAt(entry.folder, entry.aside, entry.name)) entry.aside.clear();
        for (Entry& done : entries_) PutBack(done);
        return false;
    }
    return true;
}

void FileSwap::PutBack(Entry& entry) {
    if (!entry.swapped) return;
    // The new file steps back to its name of ours (the set deletes it), the old one
    // takes its name again.
    if (!os_.RenameFileAt(entry.file, entry.folder, entry.staged)) return;
    entry.swapped = false;
    if (!entry.aside.empty() && os_.RenameAt(entry.folder, entry.aside, entry.name))
        entry.aside.clear();
}

std::vector<std::string> FileSwap::RemoveSetAside() {
    std::vector<std::string> waiting;
    for (Entry& entry : entries_) {
        if (entry.aside.empty()) continue;
        bool waits = false;
        if (DeleteOrMark(os_, entry.folder, entry.folder_path, entry.aside, &waits) && waits)
            waiting.push_back(entry.folder_path + entry.aside);
        entry.aside.clear();
    }
    return waiting;
}

bool ReplaceWithCopy(Os& os, FolderHandle folder, const std::string& folder_path,
                     const std::string& from, const std::string& to,
                     std::vector<std::string>* waiting) {
    const FileHandle source = os.OpenFileAt(folder, from);
    if (!source) return false;
    FileSwap swap(os);
    FileFacts facts;
    bool copied = os.GetFileBasics(source, &facts) &&
                  !(facts.attributes & kFileAttributeReparsePoint) && facts.links == 1;
    const FileHandle copy = copied ? swap.Stage(folder, folder_path, to) : 0;
    copied = copy != 0;
    std::vector<char> buffer(65536);
    while (copied) {
        std::size_t done = 0, put = 0;
        if (!os.ReadFile(source, buffer.data(), buffer.size(), &done)) copied = false;
        if (!copied || done == 0) break;
        copied = os.WriteFile(copy, buffer.data(), done, &put) && put == done;
    }
    os.CloseFile(source);
    std::string failed;
    std::uint32_t error = 0;
    if (!copied || !swap.SwapAll(&failed, &error)) return false;
    for (const std::string& path : swap.RemoveSetAside()) waiting->push_back(path);
    os.DeleteAt(folder, from);
    return true;
}

void RemoveLeftovers(Os& os, FolderHandle folder, const std::string& folder_path) {
    std::vector<std::string> names;
    if (!os.ListFolderAt(folder, &names)) return;
    for (const std::string& name : names) {
        if (name.rfind(kOwnNamePrefix, 0) != 0 ||
            (!EndsWith(name, kStagedMark) && !EndsWith(name, kSetAsideMark)))
            continue;
        bool waits = false;
        DeleteOrMark(os, folder, folder_path, name, &waits);
    }
}

}  // namespace sorvane