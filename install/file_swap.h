// Replacing files inside held folders so that no file is ever torn: each new file is
// written whole under a name of ours beside its final name, and only when every one of
// a set is whole do they take their final names. An old file that is in use (a program
// that runs, a library that is loaded) is renamed aside and deleted at the next start
// of the system; programs that run keep it until they end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sorvane {

// The names of ours: "~sorvane-<serial>-<final name>" and ".new" for a new file waiting
// for its final name, ".del" for an old file set aside (as the uninstaller names what it
// sets aside). What bears them in an installation's folder is left from a run that did
// not end, and goes at the next run.
inline constexpr const char* kOwnNamePrefix = "~sorvane-";
inline constexpr const char* kStagedMark = ".new";
inline constexpr const char* kSetAsideMark = ".del";

// A set of files to replace together. Whatever has not taken its final name when the
// set goes is deleted.
class FileSwap {
  public:
    explicit FileSwap(Os& os) : os_(os) {}
    ~FileSwap();
    FileSwap(const FileSwap&) = delete;
    FileSwap& operator=(const FileSwap&) = delete;

    // A new, empty file for |name| in the held |folder| (|folder_path| with its final
    // backslash names it in the log), open for writing and shared with nobody: 0 when
    // none could be made (the system's error in the last error).
    FileHandle Stage(FolderHandle folder, const std::string& folder_path, const std::string& name);

    // Gives each staged file its final name; an old file there is first renamed aside.
    // When one cannot take its name, every file already swapped gets its old file back,
    // and false comes with the path that failed and the system's code.
    bool SwapAll(std::string* failed_path, std::uint32_t* error);

    // After a swap: the old files set aside are deleted; one that is in use is marked
    // for deletion at the next start of the system. The paths of those that wait.
    std::vector<std::string> RemoveSetAside();

  private:
    struct Entry {
        FolderHandle folder = 0;
        std::string folder_path;
        std::string name;
        FileHandle file = 0;
        std::string staged;  // the name of ours it was written under
        std::string aside;   // the old file's name of ours, once set aside
        bool swapped = false;
    };
    // A name of ours for |name| that nothing else bears yet, with |mark|.
    std::string NewName(const std::string& name, const char* mark);
    void PutBack(Entry& entry);

    Os& os_;
    std::vector<Entry> entries_;
    std::uint32_t serial_ = 0;
};

// Puts a copy of the file |from| in the held |folder| in place of |to| there, through a
// staged file, and then deletes |from|. A |from| that is a link or has other names is not
// read. True when |to| holds the copy; |waiting| gets the old file's path when it waits
// for the next start of the system.
bool ReplaceWithCopy(Os& os, FolderHandle folder, const std::string& folder_path,
                     const std::string& from, const std::string& to,
                     std::vector<std::string>* waiting);

// Deletes what an earlier run left in the held |folder| under names of ours; an old file
// still in use is marked for deletion at the next start of the system instead.
void RemoveLeftovers(Os& os, FolderHandle folder, const std::string& folder_path);

}  // namespace sorvane