// The payload catalogue: the six files that the setup carries as RCDATA 101 to 106,
// and their extraction into the target folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "install/run.h"
#include "platform/os.h"

namespace sorvane {

inline constexpr int kFirstPayloadId = 101;
inline constexpr int kLastPayloadId = 106;

// Relative file names, indexed by resource id - 101.
extern const char* const PayloadTable[6];

// The table entry for |id|, or nullptr outside 101 to 106.
const char* PayloadName(int id);

// Writes payload |id| into |target_folder| (ending in a backslash). True when the
// file holds the inflated payload; never raises.
bool ExtractPayload(RunContext& run, int id, const std::string& target_folder) noexcept;

enum class InflateResult { Ok, Damaged, Truncated, OutOfMemory, WriteFailed };

// Inflates the zlib stream |data| in one pass into |file| at its current position,
// writing in large chunks. Memory beyond the input: one fixed buffer.
InflateResult InflateInto(Os& os, FileHandle file, const std::uint8_t* data, std::size_t size);

// The file holds a zlib stream; afterwards it holds the inflated bytes and is at
// position 0. Raises SetupError when the stream cannot be inflated, leaving the
// compressed bytes in the file.
void InflateFileInPlace(Os& os, FileHandle file);

inline constexpr std::size_t kInflateChunk = 256 * 1024;
inline constexpr std::size_t kCopyChunk = 61440;

}  // namespace sorvane
