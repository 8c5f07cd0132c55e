#include "install/run_log.h"

#include "install/run.h"

namespace sorvane {

namespace {

// The log file through the system's calls.
class OsLogFile : public RunLogFile {
  public:
    OsLogFile(Os& os, FileHandle file) : os_(os), file_(file) {}
    bool Seek(std::uint64_t position) override { return os_.SetFilePosition(file_, position); }
    bool Read(char* data, std::size_t size, std::size_t* done) override {
        return os_.ReadFile(file_, data, size, done);
    }
    bool Write(const char* data, std::size_t size) override {
        std::size_t done = 0;
        return os_.WriteFile(file_, data, size, &done) && done == size;
    }
    bool Truncate() override { return os_.SetEndOfFile(file_); }

  private:
    Os& os_;
    FileHandle file_;
};

}  // namespace

bool RunLog::Open() {
    const std::string folder = os_.GetTempPath();
    if (folder.empty()) return false;
    const std::string path = folder + kRunLogName;
    file_ = os_.OpenFileNoFollow(path);
    FileFacts facts;
    if (!file_ || !os_.GetFileFacts(file_, &facts) ||
        !RunLogFileTrusted(facts, ToLongPath(os_, path)))
        return false;
    OsLogFile file(os_, file_);
    return StartRunLogBlock(file, facts.size);
}

void RunLog::Close() {
    if (file_) os_.CloseFile(file_);
    file_ = 0;
}

void RunLog::Write(const RunLogLine& text, bool last) {
    OsLogFile file(os_, file_);
    if (!block_.Put(file, os_.AnsiToUtf8(text.str()), last)) Close();
}

void RunLog::Start(bool silent) noexcept {
    try {
        if (!Open()) {
            Close();
            return;
        }
        Write(RunLogHeader("Sorvane Setup", os_.GetLocalTime()), false);
        if (file_) Write(RunLogLine() << "command line: " << os_.GetCommandLine().c_str(), false);
        if (file_) Write(RunLogLine() << "mode: " << (silent ? "silent" : "interactive"), false);
    } catch (...) {
        Close();
    }
}

void RunLog::Line(const char* outcome, const char* step, const std::string& object,
                  std::uint32_t error) noexcept {
    if (!file_) return;
    try {
        Write(RunLogLine().Step(outcome, step, object).Code(error), false);
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
        if (step_) Write(RunLogLine().Step("FAILED", step_, step_object_).Code(code), true);
        if (!error.empty() && file_)
            Write((RunLogLine() << "error: " << error.c_str()).Code(step_ ? 0 : code), true);
        if (file_)
            Write((RunLogLine() << "exit code ").Number(static_cast<std::uint32_t>(exit_code)),
                  true);
    } catch (...) {
    }
    step_ = nullptr;
    Close();
}

}  // namespace sorvane
