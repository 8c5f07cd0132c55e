// Inside held folders: every name opened relative to the held folder's handle
// (NtCreateFile with the folder as root directory), links on the way to a folder, and
// where a held folder really lies. Each the system's call, its results passed back.
#include <winternl.h>

#include "platform/win32/os_win32.h"

namespace sorvane::win32 {

namespace {

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kFileCreate = 2;                 // FILE_CREATE
constexpr ULONG kFileOpen = 1;                   // FILE_OPEN
constexpr ULONG kFileOpenIf = 3;                 // FILE_OPEN_IF
constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr auto kFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);

HANDLE AsHandle(std::uintptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The name in UTF-16 as the system names it: our names are ANSI, as paths are.
std::vector<wchar_t> WideName(const std::string& name) {
    std::vector<wchar_t> wide(name.size() + 1, L'\0');
    const int n = name.empty() ? 0
                               : MultiByteToWideChar(CP_ACP, 0, name.data(),
                                                     static_cast<int>(name.size()), wide.data(),
                                                     static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(n));
    return wide;
}

// A name of one component only: anything else could leave the held folder.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string::npos;
}

// NtCreateFile of |name| inside |folder|; the system's error code in the last error.
HANDLE OpenInside(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG share,
                  ULONG disposition, ULONG options) {
    if (!IsPlainName(name)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    std::vector<wchar_t> wide = WideName(name);
    if (wide.empty() || wide.size() * sizeof(wchar_t) > 0xFFF0) {
        ::SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    UNICODE_STRING object_name;
    object_name.Buffer = wide.data();
    object_name.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    object_name.MaximumLength = object_name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    const NTSTATUS status =
        NtCreateFile(&h, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                     share, disposition,
                     options | kOpenReparsePoint | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status < 0) {
        ::SetLastError(RtlNtStatusToDosError(status));
        return nullptr;
    }
    return h;
}

bool SetInformation(HANDLE h, FILE_INFORMATION_CLASS what, void* info, ULONG size) {
    IO_STATUS_BLOCK io;
    const NTSTATUS status = NtSetInformationFile(h, &io, info, size, what);
    if (status < 0) ::SetLastError(RtlNtStatusToDosError(status));
    return status >= 0;
}

// FILE_RENAME_INFORMATION: the new name relative to |folder|, never replacing.
bool RenameInside(HANDLE file, HANDLE folder, const std::string& name) {
    if (!IsPlainName(name)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const std::vector<wchar_t> wide = WideName(name);
    struct Header {
        BOOLEAN replace;
        HANDLE root;
        ULONG length;
    };
    std::vector<LONGLONG> buffer(
        (sizeof(Header) + (wide.size() + 1) * sizeof(wchar_t)) / sizeof(LONGLONG) + 1);
    auto* header = reinterpret_cast<Header*>(buffer.data());
    header->replace = FALSE;
    header->root = folder;
    header->length = static_cast<ULONG>(wide.size() * sizeof(wchar_t));
    auto* chars = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(buffer.data()) +
                                             offsetof(Header, length) + sizeof(ULONG));
    for (std::size_t i = 0; i < wide.size(); ++i) chars[i] = wide[i];
    return SetInformation(file, kFileRenameInformation, buffer.data(),
                          static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)));
}

bool IsLinkOrNoFolder(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    return !GetFileInformationByHandle(h, &info) ||
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string SidOwner(HANDLE h) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &sd) != ERROR_SUCCESS)
        return {};
    char* text = nullptr;
    std::string result;
    if (owner && ConvertSidToStringSidA(owner, &text)) {
        result = text;
        ::LocalFree(text);
    }
    ::LocalFree(sd);
    return result;
}

constexpr ACCESS_MASK kHeldFolderAccess =
    READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | FILE_TRAVERSE |
    FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;

}  // namespace

bool Win32Os::GetLinkOwner(const std::string& path, std::string* owner) {
    std::string p = path;
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    const DWORD by_path = GetFileAttributesA(p.c_str());
    if (by_path == INVALID_FILE_ATTRIBUTES || !(by_path & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    HANDLE h = CreateFileA(p.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        owner->clear();
        return true;
    }
    *owner = SidOwner(h);
    CloseHandle(h);
    return true;
}

FolderHandle Win32Os::OpenFolderFollowing(const std::string& path) {
    std::string p = path;
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    HANDLE h = CreateFileA(p.c_str(), kHeldFolderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    if (IsLinkOrNoFolder(h)) {
        CloseHandle(h);
        return 0;
    }
    return reinterpret_cast<FolderHandle>(h);
}

FolderHandle Win32Os::OpenFolderAt(FolderHandle parent, const std::string& name) {
    HANDLE h = OpenInside(AsHandle(parent), name, kHeldFolderAccess,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, kFileOpenIf,
                          FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT);
    if (!h) return 0;
    // Some systems' handles follow a link even so: the name's own attributes tell.
    std::string path;
    const DWORD by_path = GetFolderFinalPath(parent, &path)
                              ? GetFileAttributesA((path + "\\" + name).c_str())
                              : INVALID_FILE_ATTRIBUTES;
    if (IsLinkOrNoFolder(h) ||
        (by_path != INVALID_FILE_ATTRIBUTES && (by_path & FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(h);
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    return reinterpret_cast<FolderHandle>(h);
}

FileHandle Win32Os::CreateNewFileAt(FolderHandle folder, const std::string& name) {
    HANDLE h = OpenInside(AsHandle(folder), name, GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                          kFileCreate, FILE_NON_DIRECTORY_FILE);
    return reinterpret_cast<FileHandle>(h);
}

FileHandle Win32Os::OpenFileAt(FolderHandle folder, const std::string& name) {
    HANDLE h = OpenInside(AsHandle(folder), name, GENERIC_READ, FILE_SHARE_READ, kFileOpen,
                          FILE_NON_DIRECTORY_FILE);
    return reinterpret_cast<FileHandle>(h);
}

bool Win32Os::RenameFileAt(FileHandle file, FolderHandle folder, const std::string& name) {
    return RenameInside(AsHandle(file), AsHandle(folder), name);
}

bool Win32Os::RenameAt(FolderHandle folder, const std::string& from, const std::string& to) {
    HANDLE h = OpenInside(AsHandle(folder), from, DELETE | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpen,
                          FILE_NON_DIRECTORY_FILE);
    if (!h) return false;
    const bool renamed = RenameInside(h, AsHandle(folder), to);
    const DWORD error = ::GetLastError();
    CloseHandle(h);
    ::SetLastError(error);
    return renamed;
}

bool Win32Os::DeleteAt(FolderHandle folder, const std::string& name) {
    HANDLE h = OpenInside(AsHandle(folder), name, DELETE | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpen,
                          FILE_NON_DIRECTORY_FILE);
    if (!h) return false;
    BOOLEAN remove = TRUE;
    const bool deleted = SetInformation(h, kFileDispositionInformation, &remove, sizeof remove);
    const DWORD error = ::GetLastError();
    CloseHandle(h);
    ::SetLastError(error);
    return deleted;
}

bool Win32Os::DeleteOpenFile(FileHandle file) {
    BOOLEAN remove = TRUE;
    return SetInformation(AsHandle(file), kFileDispositionInformation, &remove, sizeof remove);
}

bool Win32Os::ListFolderAt(FolderHandle folder, std::vector<std::string>* names) {
    std::vector<LONGLONG> buffer(8192);  // 64 KiB, aligned for the records
    FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(AsHandle(folder), what, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
        what = FileIdBothDirectoryInfo;
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const int length = static_cast<int>(entry->FileNameLength / sizeof(wchar_t));
            std::string name(static_cast<std::size_t>(length) * 2 + 1, '\0');
            // A name that has no exact ANSI form is left out: any form of it would name
            // another file.
            BOOL inexact = FALSE;
            const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, entry->FileName,
                                              length, name.data(), static_cast<int>(name.size()),
                                              nullptr, &inexact);
            name.resize(static_cast<std::size_t>(n > 0 ? n : 0));
            if (!inexact && name != "." && name != ".." && !name.empty()) names->push_back(name);
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool Win32Os::GetFileBasics(FileHandle file, FileFacts* facts) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(AsHandle(file), &info)) return false;
    facts->attributes = info.dwFileAttributes;
    facts->links = info.nNumberOfLinks;
    facts->size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return true;
}

}  // namespace sorvane::win32