#include "install/run_log.h"

#include "core/number_text.h"
#include "install/run.h"

namespace sorvane {

namespace {

constexpr const char* kBlockStart = "==== ";
// Room kept in each block for its last three lines.
constexpr std::size_t kEndReserve = 3 * (kRunLogLineCap + 2) + 64;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// A plain file of one link, owned by this account, the administrators or SYSTEM, and
// lying at |expected| (long form), so that no link anywhere on its path was followed.
bool Trusted(const FileFacts& facts, const std::string& expected) {
    if (facts.attributes &
        (kFileAttributeReadOnly | kFileAttributeDirectory | kFileAttributeReparsePoint))
        return false;
    if (facts.links != 1 || facts.owner == FileOwner::Other) return false;
    std::string found = facts.final_path;
    if (found.rfind("\\\\?\\", 0) == 0) found.erase(0, 4);
    return SameText(found, expected);
}

std::string CodeText(std::uint32_t code) {
    return code ? " (Windows error " + DecimalText(code) + ")" : std::string();
}

// "<outcome> <step>: <object> (Windows error <code>)", the outcomes in one column.
std::string StepText(const char* outcome, const char* step, const std::string& object,
                     std::uint32_t code) {
    std::string text = outcome;
    text.append(text.size() < 7 ? 7 - text.size() : 1, ' ');
    text += step;
    if (!object.empty()) text += ": " + object;
    return text + CodeText(code);
}

}  // namespace

bool RunLog::Open() {
    const std::string folder = os_.GetTempPath();
    if (folder.empty()) return false;
    const std::string path = folder + kRunLogName;
    file_ = os_.OpenFileNoFollow(path);
    if (!file_) return false;
    FileFacts facts;
    if (!os_.GetFileFacts(file_, &facts) || !Trusted(facts, ToLongPath(os_, path))) {
        Close();
        return false;
    }
    std::uint64_t end = facts.size;
    if (end > kRunLogTrimAt) {
        // Keep the newest whole blocks within the last kRunLogKeep bytes.
        std::string tail(kRunLogKeep, '\0');
        std::size_t got = 0, done = 0;
        if (!os_.SetFilePosition(file_, end - kRunLogKeep)) got = kRunLogKeep + 1;
        while (got < kRunLogKeep && os_.ReadFile(file_, &tail[got], kRunLogKeep - got, &done) &&
               done > 0)
            got += done;
        const std::size_t start =
            got == kRunLogKeep ? tail.find(std::string("\n") + kBlockStart) : std::string::npos;
        tail.erase(0, start == std::string::npos ? tail.size() : start + 1);
        if (!os_.SetFilePosition(file_, 0) ||
            !os_.WriteFile(file_, tail.data(), tail.size(), &done) || done != tail.size() ||
            !os_.SetEndOfFile(file_)) {
            Close();
            return false;
        }
        end = tail.size();
    }
    // A block starts on a line of its own, also after a run that ended mid-line.
    char last = '\n';
    std::size_t done = 0;
    if (end > 0 && (!os_.SetFilePosition(file_, end - 1) || !os_.ReadFile(file_, &last, 1, &done)))
        last = 0;
    if (!os_.SetFilePosition(file_, end) ||
        (last != '\n' && (!os_.WriteFile(file_, "\r\n", 2, &done) || done != 2))) {
        Close();
        return false;
    }
    return true;
}

void RunLog::Close() {
    if (file_) os_.CloseFile(file_);
    file_ = 0;
}

void RunLog::Write(std::string line, bool last) {
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

void RunLog::Begin(bool silent) noexcept {
    try {
        if (!Open()) return;
        const LocalDate t = os_.GetLocalTime();
        Write(std::string(kBlockStart) + "Sorvane Setup " + kSetupVersion + ", " +
                  DecimalText(t.year, 4) + "-" + DecimalText(t.month, 2) + "-" +
                  DecimalText(t.day, 2) + " " + DecimalText(t.hour, 2) + ":" +
                  DecimalText(t.minute, 2) + ":" + DecimalText(t.second, 2) + " ====",
              false);
        if (file_) Write("command line: " + os_.GetCommandLine(), false);
        if (file_) Write(std::string("mode: ") + (silent ? "silent" : "interactive"), false);
    } catch (...) {
        Close();
    }
}

void RunLog::Line(const char* outcome, const char* step, const std::string& object,
                  std::uint32_t error) noexcept {
    if (!file_) return;
    try {
        Write(StepText(outcome, step, object, error), false);
    } catch (...) {
        Close();
    }
}

void RunLog::SetUnfinished(const char* step, const std::string& object) noexcept {
    try {
        unfinished_object_ = object;
        unfinished_ = step;
    } catch (...) {
    }
}

void RunLog::End(int exit_code, const std::string& error, std::uint32_t code) noexcept {
    if (!file_) return;
    try {
        if (unfinished_) Write(StepText("FAILED", unfinished_, unfinished_object_, code), true);
        if (!error.empty() && file_) Write("error: " + error + CodeText(unfinished_ ? 0 : code), true);
        if (file_) Write("exit code " + DecimalText(static_cast<std::uint32_t>(exit_code)), true);
    } catch (...) {
    }
    Close();
}

LoggedStep::LoggedStep(Os& os, RunLog* log, const char* step, std::string object)
    : os_(os), log_(log && log->active() ? log : nullptr), step_(step), object_(std::move(object)) {
    if (log_) os_.SetLastError(0);
}

LoggedStep::~LoggedStep() {
    if (log_) log_->SetUnfinished(step_, object_);
}

void LoggedStep::End(bool ok) {
    if (!log_) return;
    log_->Line(ok ? "ok" : "FAILED", step_, object_, ok ? 0 : os_.GetLastError());
    log_ = nullptr;
}

void LoggedStep::Done() {
    if (log_) log_->Line("done", step_, object_);
    log_ = nullptr;
}

}  // namespace sorvane
