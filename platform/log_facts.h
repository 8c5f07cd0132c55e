// What the system tells the run's log: the facts of an open file and the local time.
// Apart from the OS interface, so that the uninstaller, which keeps the setup's log
// rules without that interface, shares these too.
#pragma once

#include <cstdint>
#include <string>

namespace sorvane {

struct LocalDate {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

enum : std::uint32_t {
    kFileAttributeReadOnly = 0x1,
    kFileAttributeDirectory = 0x10,
    kFileAttributeReparsePoint = 0x400,
};
// Who owns a file, as far as the log needs to know.
enum class FileOwner { Self, Administrators, System, Other };
struct FileFacts {
    std::uint32_t attributes = 0;  // FILE_ATTRIBUTE_ flags
    std::uint32_t links = 0;       // hard links to the file, itself included
    std::uint64_t size = 0;
    FileOwner owner = FileOwner::Other;
    // GetFinalPathNameByHandle with DOS volume names, as given: ANSI in the setup,
    // UTF-8 in the uninstaller
    std::string final_path;
};

}  // namespace sorvane
