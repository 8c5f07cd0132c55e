#include "install/run_log.h"

#include "install/run.h"

namespace sorvane {

namespace {

constexpr const char* kBlockStart = "==== ";
// Room kept in each block for its last three lines.
constexpr std::size_t kEndReserve = 3 * (kRunLogLineCap + 2) + 64;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the letter case of A to Z.
bool SameText(const char* a, const std::string& b) {
    std::size_t i = 0;
    for (; a[i] && i < b.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return !a[i] && i == b.size();
}

// A plain file of one link, owned by this account, the administrators or SYSTEM, and
// lying at |expected| (long form), so that no link anywhere on its path was followed.
bool Trusted(const FileFacts& facts, const std::string& expected) {
    if (facts.attributes &
        (kFileAttributeReadOnly | kFileAttributeDirectory | kFileAttributeReparsePoint))
        return false;
    if (facts.links != 1 || facts.owner == FileOwner::Other) return false;
    const std::string& found = facts.final_path;
    const std::size_t skip = found.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
    return SameText(found.c_str() + skip, expected);
}

}  // namespace

// One line of the log as it is put together; what goes past the line's bound is cut.
class LineText {
  public:
    LineText& operator<<(const char* text) {
        while (*text && size_ < kRunLogLineCap) text_[size_++] = *text++;
        return *this;
    }
    // |value| in decimal, at least |width| digits.
    LineText& Number(std::uint32_t value, int width = 1) {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0 || n < width);
        while (n > 0 && size_ < kRunLogLineCap) text_[size_++] = digits[--n];
        return *this;
    }
    LineText& Code(std::uint32_t code) {
        if (code) (*this << " (Windows error ").Number(code) << ")";
        return *this;
    }
    // "<outcome> <step>: <object>", the outcomes in one column.
    LineText& Step(const char* outcome, const char* step, const std::string& object) {
        *this << outcome;
        while (size_ < 7) text_[size_++] = ' ';
        *this << step;
        if (!object.empty()) *this << ": " << object.c_str();
        return *this;
    }
    std::string str() const { return std::string(text_, size_); }

  private:
    char text_[kRunLogLineCap];
    std::size_t size_ = 0;
};

bool RunLog::Open() {
    const std::string folder = os_.GetTempPath();
    if (folder.empty()) return false;
    const std::string path = folder + kRunLogName;
    file_ = os_.OpenFileNoFollow(path);
    FileFacts facts;
    if (!file_ || !os_.GetFileFacts(file_, &facts) || !Trusted(facts, ToLongPath(os_, path)))
        return false;
    std::uint64_t end = facts.size;
    std::size_t done = 0;
    if (end > kRunLogTrimAt) {
        // Keep the newest whole blocks within the last kRunLogKeep bytes.
        std::string tail(kRunLogKeep, '\0');
        if (!os_.SetFilePosition(file_, end - kRunLogKeep) ||
            !os_.ReadFile(file_, tail.data(), kRunLogKeep, &done) || done != kRunLogKeep)
            return false;
        std::size_t start = tail.find("\n==== ");
        start = start == std::string::npos ? kRunLogKeep : start + 1;
        end = kRunLogKeep - start;
        if (!os_.SetFilePosition(file_, 0) ||
            !os_.WriteFile(file_, tail.data() + start, end, &done) || done != end ||
            !os_.SetEndOfFile(file_))
            return false;
    }
    // A block starts on a line of its own, also after a run that ended mid-line.
    char last = '\n';
    if (end > 0 && (!os_.SetFilePosition(file_, end - 1) || !os_.ReadFile(file_, &last, 1, &done)))
        return false;
    return os_.SetFilePosition(file_, end) &&
           (last == '\n' || (os_.WriteFile(file_, "\r\n", 2, &done) && done == 2));
}

void RunLog::Close() {
    if (file_) os_.CloseFile(file_);
    file_ = 0;
}

void RunLog::Write(const LineText& text, bool last) {
    std::string line = text.str();
    // Control characters (a command line may hold line breaks) could forge lines.
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    line = os_.AnsiToUtf8(line);
    if (line.size() > kRunLogLineCap) {
        std::size_t cut = kRunLogLineCap;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line.resize(cut);
    }
    line += "\r\n";
    if (!last && block_ + line.size() > kRunLogBlockCap - kEndReserve) {
        if (cut_) return;
        cut_ = true;
        line = "(further lines of this run left out)\r\n";
    }
    std::size_t done = 0;
    if (!os_.WriteFile(file_, line.data(), line.size(), &done) || done != line.size()) {
        Close();
        return;
    }
    block_ += line.size();
}

void RunLog::Start(bool silent) noexcept {
    try {
        if (!Open()) {
            Close();
            return;
        }
        const LocalDate t = os_.GetLocalTime();
        LineText header;
        header << kBlockStart << "Sorvane Setup " << kSetupVersion << ", ";
        const int parts[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
        const char* const after[] = {"-", "-", " ", ":", ":", " ===="};
        for (int i = 0; i < 6; ++i) header.Number(parts[i], i ? 2 : 4) << after[i];
        Write(header, false);
        if (file_) Write(LineText() << "command line: " << os_.GetCommandLine().c_str(), false);
        if (file_) Write(LineText() << "mode: " << (silent ? "silent" : "interactive"), false);
    } catch (...) {
        Close();
    }
}

void RunLog::Line(const char* outcome, const char* step, const std::string& object,
                  std::uint32_t error) noexcept {
    if (!file_) return;
    try {
        Write(LineText().Step(outcome, step, object).Code(error), false);
    } catch (...) {
        Close();
    }
}

void RunLog::Step(const char* step, const std::string& folder, const char* name) noexcept {
    if (!file_) return;
    try {
        step_object_ = folder;
        step_object_ += name;
        step_ = step;
        os_.SetLastError(0);
    } catch (...) {
        step_ = nullptr;
    }
}

void RunLog::StepEnd(bool ok) noexcept {
    if (!step_) return;
    const std::uint32_t code = ok ? 0 : os_.GetLastError();
    Line(ok ? "ok" : "FAILED", step_, step_object_, code);
    step_ = nullptr;
}

void RunLog::StepDone() noexcept {
    if (step_) Line("done", step_, step_object_);
    step_ = nullptr;
}

void RunLog::Finish(int exit_code, const std::string& error, std::uint32_t code) noexcept {
    if (!file_) return;
    try {
        if (step_) Write(LineText().Step("FAILED", step_, step_object_).Code(code), true);
        if (!error.empty() && file_)
            Write((LineText() << "error: " << error.c_str()).Code(step_ ? 0 : code), true);
        if (file_)
            Write((LineText() << "exit code ").Number(static_cast<std::uint32_t>(exit_code)), true);
    } catch (...) {
    }
    step_ = nullptr;
    Close();
}

}  // namespace sorvane
