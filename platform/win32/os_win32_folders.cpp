// Folders opened without following links, their owners and access lists through the
// open handle, and the private folder of the access batch: each the Win32 call, the
// results passed back.
#include "platform/win32/os_win32.h"

namespace sorvane::win32 {

namespace {

HANDLE AsHandle(FolderHandle folder) {
    return reinterpret_cast<HANDLE>(folder);
}

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) return {};
    std::string result(text);
    ::LocalFree(text);
    return result;
}

}  // namespace

FolderHandle Win32Os::OpenFolder(const std::string& folder) {
    // With a final backslash the name is the folder a link leads to, not the link.
    std::string path = folder;
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    // The path's own attributes show a link that a handle might already have followed.
    const DWORD by_path = GetFileAttributesA(path.c_str());
    if (by_path == INVALID_FILE_ATTRIBUTES || !(by_path & FILE_ATTRIBUTE_DIRECTORY) ||
        (by_path & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    HANDLE h = CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(h);
        return 0;
    }
    return reinterpret_cast<FolderHandle>(h);
}

void Win32Os::CloseFolder(FolderHandle folder) {
    CloseHandle(AsHandle(folder));
}

bool Win32Os::ListFolder(const std::string& path, std::vector<std::string>* names) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names->push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return true;
}

std::string Win32Os::GetFolderOwner(FolderHandle folder) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(AsHandle(folder), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                        nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return {};
    std::string result = SidText(owner);
    ::LocalFree(sd);
    return result;
}

std::string Win32Os::GetProcessUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    std::vector<BYTE> buffer(256);
    DWORD length = 0;
    std::string result;
    if (GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()),
                            &length))
        result = SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    CloseHandle(token);
    return result;
}

std::uint32_t Win32Os::GetFolderDacl(FolderHandle folder, SecurityMemory* dacl,
                                     SecurityMemory* descriptor) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    const DWORD r = GetSecurityInfo(AsHandle(folder), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &acl, nullptr, &sd);
    *dacl = reinterpret_cast<SecurityMemory>(acl);
    *descriptor = reinterpret_cast<SecurityMemory>(sd);
    return r;
}

std::uint32_t Win32Os::SetFolderDacl(FolderHandle folder, SecurityMemory dacl) {
    return SetSecurityInfo(AsHandle(folder), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                           nullptr, reinterpret_cast<PACL>(dacl), nullptr);
}

bool Win32Os::CreatePrivateDirectory(const std::string& path) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", SDDL_REVISION_1,
            &attributes.lpSecurityDescriptor, nullptr))
        return false;
    const bool made = CreateDirectoryA(path.c_str(), &attributes) != 0;
    ::LocalFree(attributes.lpSecurityDescriptor);
    return made;
}

FileHandle Win32Os::CreateNewFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
}

FileHandle Win32Os::CreateTransientFile(const std::string& path) {
    HANDLE h = CreateFileA(
        path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
}

std::string Win32Os::GetSystemDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(buffer, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? std::string(buffer, n) : std::string();
}

}  // namespace sorvane::win32
