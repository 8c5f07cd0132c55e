#include "platform/win32/log_file.h"

#include <aclapi.h>

namespace sorvane::win32 {

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

HANDLE OpenLogFileNoFollow(const wchar_t* path) {
    // Opening and creating are two calls: a creation never lands behind a name that
    // already stands for something.
    for (const DWORD how : {OPEN_EXISTING, CREATE_NEW}) {
        HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, how,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        if (GetLastError() != ERROR_FILE_NOT_FOUND) break;
    }
    return nullptr;
}

bool GetLogFileFacts(HANDLE file, FileFacts* facts) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    facts->attributes = info.dwFileAttributes;
    facts->links = info.nNumberOfLinks;
    facts->size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;

    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    facts->owner = owner ? OwnerOf(owner) : FileOwner::Other;
    LocalFree(descriptor);
    return true;
}

}  // namespace sorvane::win32
