// What the scenarios' helper programs share: UTF-8 output, one fact a line, and a
// program started with an exact command line and awaited with a bound.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace probe {

inline std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

inline void Say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Starts |program| with exactly |line| as its command line (named separately, so that
// wine passes the line on untouched) and returns its exit code: 124 when it was still
// running at |timeout_ms| and had to be stopped, 125 when it could not start.
inline int RunAndWait(const std::wstring& program, std::wstring line, DWORD timeout_ms) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (program.empty() ||
        !CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 125;
    CloseHandle(pi.hThread);
    DWORD code = 124;
    if (WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 124);
    CloseHandle(pi.hProcess);
    return (int)code;
}

}  // namespace probe
