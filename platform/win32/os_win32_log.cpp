// The run's log file: opened as itself, and what the system says of the open file.
#include "platform/win32/os_win32.h"

namespace sorvane::win32 {

FileHandle Win32Os::OpenFileNoFollow(const std::string& path) {
    // Opening and creating are two calls: a creation never lands behind a name that
    // already stands for something, not even a link to nowhere.
    for (const DWORD how : {OPEN_EXISTING, CREATE_NEW}) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               how, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE) return reinterpret_cast<FileHandle>(h);
        if (GetLastError() != ERROR_FILE_NOT_FOUND) break;
    }
    return 0;
}

namespace {

FileOwner OwnerOf(PSID owner) {
    if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) return FileOwner::Administrators;
    if (IsWellKnownSid(owner, WinLocalSystemSid)) return FileOwner::System;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return FileOwner::Other;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD size = 0;
    const bool self = GetTokenInformation(token, TokenUser, &info, sizeof info, &size) &&
                      EqualSid(owner, info.user.User.Sid);
    CloseHandle(token);
    return self ? FileOwner::Self : FileOwner::Other;
}

}  // namespace

bool Win32Os::GetFileFacts(FileHandle file, FileFacts* facts) {
    HANDLE h = reinterpret_cast<HANDLE>(file);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    facts->attributes = info.dwFileAttributes;
    facts->links = info.nNumberOfLinks;
    facts->size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;

    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    facts->owner = owner ? OwnerOf(owner) : FileOwner::Other;
    ::LocalFree(descriptor);

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
