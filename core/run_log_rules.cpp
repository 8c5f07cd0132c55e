#include "core/run_log_rules.h"

#include "core/ascii_case.h"

namespace sorvane {

namespace {

// Room kept in each block for its last three lines.
constexpr std::size_t kEndReserve = 3 * (kRunLogLineCap + 2) + 64;
constexpr std::size_t kOutcomeColumn = 7;

}  // namespace

bool RunLogFileTrusted(const FileFacts& facts, const std::string& expected) {
    if (facts.attributes &
        (kFileAttributeReadOnly | kFileAttributeDirectory | kFileAttributeReparsePoint))
        return false;
    if (facts.links != 1 || facts.owner == FileOwner::Other) return false;
    const std::string& found = facts.final_path;
    const std::size_t skip = found.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
    return SameTextAZ(std::string_view(found).substr(skip), expected);
}

bool StartRunLogBlock(RunLogFile& file, std::uint64_t size) {
    std::uint64_t end = size;
    std::size_t done = 0;
    if (end > kRunLogTrimAt) {
        // Keep the newest whole blocks within the last kRunLogKeep bytes.
        std::string tail(kRunLogKeep, '\0');
        if (!file.Seek(end - kRunLogKeep) || !file.Read(tail.data(), kRunLogKeep, &done) ||
            done != kRunLogKeep)
            return false;
        std::size_t start = tail.find("\n==== ");
        start = start == std::string::npos ? kRunLogKeep : start + 1;
        end = kRunLogKeep - start;
        if (!file.Seek(0) || !file.Write(tail.data() + start, end) || !file.Truncate())
            return false;
    }
    // A block starts on a line of its own, also after a run that ended mid-line.
    char last = '\n';
    if (end > 0 && (!file.Seek(end - 1) || !file.Read(&last, 1, &done) || done != 1)) return false;
    return file.Seek(end) && (last == '\n' || file.Write("\r\n", 2));
}

RunLogLine& RunLogLine::operator<<(const char* text) {
    while (*text && size_ < kRunLogLineCap) text_[size_++] = *text++;
    return *this;
}

RunLogLine& RunLogLine::Number(std::uint32_t value, int width) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || n < width);
    while (n > 0 && size_ < kRunLogLineCap) text_[size_++] = digits[--n];
    return *this;
}

RunLogLine& RunLogLine::Code(std::uint32_t code) {
    if (code) (*this << " (Windows error ").Number(code) << ")";
    return *this;
}

RunLogLine& RunLogLine::Step(const char* outcome, const char* step, const std::string& object) {
    *this << outcome;
    while (size_ < kOutcomeColumn) text_[size_++] = ' ';
    *this << step;
    if (!object.empty()) *this << ": " << object.c_str();
    return *this;
}

RunLogLine RunLogHeader(const char* program, const LocalDate& t) {
    RunLogLine header;
    header << "==== " << program << " " << kProductVersion << ", ";
    const int parts[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    const char* const after[] = {"-", "-", " ", ":", ":", " ===="};
    for (int i = 0; i < 6; ++i)
        header.Number(static_cast<std::uint32_t>(parts[i]), i ? 2 : 4) << after[i];
    return header;
}

bool RunLogBlock::Put(RunLogFile& file, std::string line, bool last) {
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    if (line.size() > kRunLogLineCap) {
        std::size_t cut = kRunLogLineCap;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line.resize(cut);
    }
    line += "\r\n";
    if (!last && written_ + line.size() > kRunLogBlockCap - kEndReserve) {
        if (cut_) return true;
        cut_ = true;
        line = "(further lines of this run left out)\r\n";
    }
    if (!file.Write(line.data(), line.size())) return false;
    written_ += line.size();
    return true;
}

}  // namespace sorvane
