// The run's log file: opened as itself, and what the system says of the open file.
#include "platform/win32/os_win32.h"
#include "platform/win32/log_file.h"

namespace sorvane::win32 {

FileHandle Win32Os::OpenFileNoFollow(const std::string& path) {
    // The path in the code page that CreateFileA would take it in.
    return reinterpret_cast<FileHandle>(OpenLogFileNoFollow(Widen(path, CP_ACP).c_str()));
}

bool Win32Os::GetFileFacts(FileHandle file, FileFacts* facts) {
    HANDLE h = reinterpret_cast<HANDLE>(file);
    if (!GetLogFileFacts(h, facts)) return false;
    using Fn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    auto final_path = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleA")));
    if (!final_path) return false;
    char buffer[MAX_PATH + 8];
    const DWORD n = final_path(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof buffer) return false;
    facts->final_path.assign(buffer, n);
    return true;
}

}  // namespace sorvane::win32
