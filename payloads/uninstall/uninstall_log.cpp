#include "payloads/uninstall/uninstall_log.h"

#include "payloads/common/win/wide_text.h"
#include "payloads/uninstall/file_removal.h"
#include "payloads/uninstall/removal_report.h"
#include "platform/win32/log_file.h"

namespace sorvane::payloads {

namespace {

class HandleFile : public RunLogFile {
  public:
    explicit HandleFile(HANDLE file) : file_(file) {}
    bool Seek(std::uint64_t position) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(position);
        return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) != FALSE;
    }
    bool Read(char* data, std::size_t size, std::size_t* done) override {
        DWORD got = 0;
        const BOOL ok = ReadFile(file_, data, static_cast<DWORD>(size), &got, nullptr);
        *done = got;
        return ok != FALSE;
    }
    bool Write(const char* data, std::size_t size) override {
        DWORD put = 0;
        return WriteFile(file_, data, static_cast<DWORD>(size), &put, nullptr) && put == size;
    }
    bool Truncate() override { return SetEndOfFile(file_) != FALSE; }

  private:
    HANDLE file_;
};

// The long form of |path|, as the found path of the open file is given.
std::wstring LongPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD n = GetLongPathNameW(path.c_str(), buffer, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : path;
}

}  // namespace

bool UninstallLog::Open() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) return false;
    const std::wstring path = std::wstring(folder, n) + Widen(kRunLogName);
    file_ = win32::OpenLogFileNoFollow(path.c_str());
    FileFacts facts;
    if (file_ == nullptr || !win32::GetLogFileFacts(file_, &facts)) return false;
    facts.final_path = Narrow(FinalPathOf(file_));
    if (facts.final_path.empty() || !RunLogFileTrusted(facts, Narrow(LongPath(path)))) return false;
    HandleFile file(file_);
    return StartRunLogBlock(file, facts.size);
}

void UninstallLog::Close() {
    if (file_ != nullptr) CloseHandle(file_);
    file_ = nullptr;
}

void UninstallLog::Put(const RunLogLine& line, bool last) {
    if (file_ == nullptr) return;
    HandleFile file(file_);
    if (!block_.Put(file, line.str(), last)) Close();
}

void UninstallLog::Start(const std::wstring& command_line, bool forced) {
    if (!Open()) {
        Close();
        return;
    }
    SYSTEMTIME t;
    GetLocalTime(&t);
    Put(RunLogHeader("Sorvane Uninstall",
                     {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}),
        false);
    Put(RunLogLine() << "command line: " << Narrow(command_line).c_str(), false);
    Put(RunLogLine() << "mode: " << (forced ? "silent" : "interactive"), false);
}

void UninstallLog::Step(const RemovalStep& step, const StepResult& result) {
    if (file_ == nullptr) return;
    const StepReport report = DescribeStep(step, result);
    Put(RunLogLine().Step(report.outcome, report.step, Narrow(report.object)).Code(result.error),
        false);
}

void UninstallLog::Error(const char* text) {
    Put(RunLogLine() << "error: " << text, true);
}

void UninstallLog::Finish(int exit_code, bool restart) {
    if (restart) Put(RunLogLine() << "restart: a restart of Windows completes the removal", true);
    Put((RunLogLine() << "exit code ").Number(static_cast<std::uint32_t>(exit_code)), true);
    Close();
}

}  // namespace sorvane::payloads
