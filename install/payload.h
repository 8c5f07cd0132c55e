// The payload catalogue: the six files that the setup carries as RCDATA 101 to 106,
// and their extraction into the target folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "install/checked_folder.h"
#include "install/run.h"
#include "platform/os.h"

namespace sorvane {

inline constexpr int kFirstPayloadId = 101;
inline constexpr int kLastPayloadId = 106;

// Relative file names, indexed by resource id - 101.
extern const char* const PayloadTable[6];

// The table entry for |id|, or nullptr outside 101 to 106.
const char* PayloadName(int id);

class FileSwap;

// Where the payloads go: the held installation folder and its held "plugin" folder.
struct PayloadFolders {
    HeldFolder target;
    HeldFolder plugin;
};

// The folder and the file name of payload |id| (101 to 106) in |folders|.
const HeldFolder& PayloadFolder(const PayloadFolders& folders, int id);
std::string PayloadFileName(int id);

// Writes payload |id| whole into a new file beside its final name, one of |swap|'s set,
// which gives it that name later. True when the file holds the whole payload: its
// stream ended, its check matched and every inflated byte is in the file. Otherwise
// |*error| is the system's code; nothing else is left. Never raises.
bool ExtractPayload(RunContext& run, int id, const PayloadFolders& folders, FileSwap& swap,
                    std::uint32_t* error) noexcept;

// Whether the open |file| holds exactly payload |id| as it inflates.
bool HoldsPayload(Os& os, FileHandle file, int id);

enum class InflateResult { Ok, Damaged, Truncated, OutOfMemory, WriteFailed };

// Inflates the zlib stream |data| in one pass into |file| at its current position,
// writing in large chunks; |*written| counts the bytes written. Memory beyond the
// input: one fixed buffer.
InflateResult InflateInto(Os& os, FileHandle file, const std::uint8_t* data, std::size_t size,
                          std::uint64_t* written = nullptr);

// The system's code for an inflation that did not succeed.
std::uint32_t InflateErrorCode(InflateResult result);

inline constexpr std::size_t kInflateChunk = 256 * 1024;
inline constexpr std::size_t kCopyChunk = 61440;

}  // namespace sorvane
