// What every program that writes "Sorvane Setup.log" keeps to, the setup and the
// uninstaller alike: the file's name and bounds, which open file may be written, the
// form of a line and how one run's block goes into the file. Free of exceptions, as
// the uninstaller is built without them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/log_facts.h"

namespace sorvane {

inline constexpr const char* kRunLogName = "Sorvane Setup.log";
inline constexpr const char* kProductVersion = "2.2.0.0";
// Bounds: a log over kRunLogTrimAt keeps only its newest whole blocks within the last
// kRunLogKeep bytes; one run writes at most kRunLogBlockCap bytes. So the file stays
// under 1 MiB.
inline constexpr std::size_t kRunLogTrimAt = 960 * 1024;
inline constexpr std::size_t kRunLogKeep = 512 * 1024;
inline constexpr std::size_t kRunLogBlockCap = 64 * 1024;
inline constexpr std::size_t kRunLogLineCap = 4096;

// A plain file of one link, not read-only, owned by this account, the administrators or
// SYSTEM, and lying at |expected| (its long form), so that no link anywhere on its path
// was followed. Both paths in the same encoding; "\\?\" before the found one is ignored.
bool RunLogFileTrusted(const FileFacts& facts, const std::string& expected);

// The open log file, as each program reaches it.
class RunLogFile {
  public:
    virtual bool Seek(std::uint64_t position) = 0;
    virtual bool Read(char* data, std::size_t size, std::size_t* done) = 0;
    // True when all of |data| went into the file.
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Ends the file at the position.
    virtual bool Truncate() = 0;

  protected:
    ~RunLogFile() = default;
};

// Makes a trusted log file of |size| bytes ready for a new block at its end: one over
// kRunLogTrimAt first keeps only its newest whole blocks, and a block starts on a line
// of its own. False when the file cannot be used.
bool StartRunLogBlock(RunLogFile& file, std::uint64_t size);

// One line as it is put together; what goes past the line's bound is cut.
class RunLogLine {
  public:
    RunLogLine& operator<<(const char* text);
    // |value| in decimal, at least |width| digits.
    RunLogLine& Number(std::uint32_t value, int width = 1);
    // " (Windows error N)" for a code other than 0.
    RunLogLine& Code(std::uint32_t code);
    // "<outcome> <step>: <object>", the outcomes in one column.
    RunLogLine& Step(const char* outcome, const char* step, const std::string& object);
    std::string str() const { return std::string(text_, size_); }

  private:
    char text_[kRunLogLineCap];
    std::size_t size_ = 0;
};

// "==== <program> <version>, YYYY-MM-DD hh:mm:ss ====", the first line of a block.
RunLogLine RunLogHeader(const char* program, const LocalDate& time);

// The lines of one run, each written whole within the block's bound.
class RunLogBlock {
  public:
    // Writes |utf8| as one line: control characters (which could forge lines) made '?',
    // cut to the line's bound on a character's boundary, CRLF at its end. Once the
    // block is near its bound, lines are left out, said once; a |last| line (an end of
    // the run) always has room. False when the file did not take it.
    bool Put(RunLogFile& file, std::string utf8, bool last);

  private:
    std::size_t written_ = 0;
    bool cut_ = false;
};

}  // namespace sorvane
