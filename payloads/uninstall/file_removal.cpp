#include "payloads/uninstall/file_removal.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "payloads/uninstall/tree_removal.h"

namespace sorvane::payloads {

namespace {

// A program that has just ended may hold its file for a moment.
constexpr int kAttempts = 20;
constexpr DWORD kPauseMs = 100;

constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kDeletePending = static_cast<NTSTATUS>(0xC0000056);
constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT

// FILE_DISPOSITION_INFO_EX, which older headers lack.
struct DispositionEx {
    DWORD flags;
};
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosix = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtSetInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
constexpr ULONG kFileRenameInformation = 10;

// Acting inside an open folder is only in ntdll.
void* NtdllEntry(const char* name) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<void*>(GetProcAddress(ntdll, name)) : nullptr;
}

NtCreateFileFn NtCreateFileEntry() {
    static const auto fn = reinterpret_cast<NtCreateFileFn>(NtdllEntry("NtCreateFile"));
    return fn;
}

// The failure's code where the log can read it.
void SetLastStatus(NTSTATUS status) {
    static const auto to_error =
        reinterpret_cast<RtlNtStatusToDosErrorFn>(NtdllEntry("RtlNtStatusToDosError"));
    if (to_error != nullptr) SetLastError(to_error(status));
}

// Gives the open |node| the name |name|: inside the open folder |root|, or, without
// one, the full path |name| in the system's own form.
bool SetName(HANDLE node, HANDLE root, const std::wstring& name, bool replace) {
    static const auto set =
        reinterpret_cast<NtSetInformationFileFn>(NtdllEntry("NtSetInformationFile"));
    if (set == nullptr) return false;
    const std::size_t name_bytes = name.size() * sizeof(wchar_t);
    std::vector<LONGLONG> buffer(
        (sizeof(FILE_RENAME_INFO) + name_bytes + sizeof(LONGLONG)) / sizeof(LONGLONG) + 1);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = root;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::copy(name.begin(), name.end(), rename->FileName);
    IO_STATUS_BLOCK io;
    const NTSTATUS status =
        set(node, &io, rename, static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
            kFileRenameInformation);
    if (status < 0) SetLastStatus(status);
    return status >= 0;
}

HANDLE AsHandle(NodeAccess::Node node) {
    return reinterpret_cast<HANDLE>(node);
}
NodeAccess::Node AsNode(HANDLE handle) {
    return reinterpret_cast<NodeAccess::Node>(handle);
}

class Win32Nodes : public NodeAccess {
  public:
    Node OpenBase(const std::wstring& path, NodeKind* kind) override {
        HANDLE h =
            CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            *kind = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                        ? NodeKind::Missing
                        : NodeKind::Unsafe;
            return 0;
        }
        BY_HANDLE_FILE_INFORMATION info;
        *kind = GetFileInformationByHandle(h, &info) &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? NodeKind::Folder
                    : NodeKind::File;
        paths_[AsNode(h)] = path;
        return AsNode(h);
    }

    Node OpenChild(Node folder, const std::wstring& name, NodeKind* kind) override {
        *kind = NodeKind::Unsafe;
        if (name.size() * sizeof(wchar_t) > 0xFFF0) return 0;
        // Full rights first; a file held without read sharing still opens for deletion.
        const ACCESS_MASK full = DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES |
                                 FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
        HANDLE h = nullptr;
        NTSTATUS status = OpenInside(folder, name, full, &h);
        if (status < 0 && status != kNameNotFound && status != kPathNotFound &&
            status != kDeletePending)
            status = OpenInside(folder, name, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &h);
        if (status == kNameNotFound || status == kPathNotFound || status == kDeletePending) {
            *kind = NodeKind::Missing;
            return 0;
        }
        if (status < 0 || h == nullptr) {
            SetLastStatus(status);
            return 0;
        }

        const std::wstring path = Join(paths_[folder], name);
        paths_[AsNode(h)] = path;
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(h, &info)) return AsNode(h);
        const DWORD by_path = GetFileAttributesW(path.c_str());
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            *kind = NodeKind::Link;
        } else if (by_path != INVALID_FILE_ATTRIBUTES && (by_path & FILE_ATTRIBUTE_REPARSE_POINT)) {
            // The name is a link but the open followed it (as some emulations
            // do): whatever is behind it is not ours.
            *kind = NodeKind::Unsafe;
        } else {
            *kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? NodeKind::Folder
                                                                       : NodeKind::File;
        }
        read_only_single_[AsNode(h)] =
            (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) && info.nNumberOfLinks == 1;
        return AsNode(h);
    }

    bool List(Node folder, std::vector<std::wstring>* names) override {
        names->clear();
        std::vector<LONGLONG> buffer(8192);  // 64 KiB, aligned for the records
        FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;
        while (GetFileInformationByHandleEx(AsHandle(folder), what, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
            what = FileIdBothDirectoryInfo;
            const char* at = reinterpret_cast<const char*>(buffer.data());
            while (true) {
                const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
                const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
                if (name != L"." && name != L"..") names->push_back(name);
                if (entry->NextEntryOffset == 0) break;
                at += entry->NextEntryOffset;
            }
        }
        return GetLastError() == ERROR_NO_MORE_FILES;
    }

    bool Delete(Node node) override {
        HANDLE h = AsHandle(node);
        // The name goes at once, even while another program still holds the file.
        DispositionEx ex{kDispositionDelete | kDispositionPosix | kDispositionIgnoreReadOnly};
        if (SetFileInformationByHandle(h, kDispositionInfoEx, &ex, sizeof ex)) return true;
        FILE_DISPOSITION_INFO classic{TRUE};
        if (SetFileInformationByHandle(h, FileDispositionInfo, &classic, sizeof classic))
            return true;
        // A read-only file; one with further names elsewhere keeps its attributes.
        if (!read_only_single_[node]) return false;
        FILE_BASIC_INFO basic;
        if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) return false;
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        return SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic) &&
               SetFileInformationByHandle(h, FileDispositionInfo, &classic, sizeof classic);
    }

    bool Rename(Node folder, Node node, const std::wstring& name) override {
        return SetName(AsHandle(node), AsHandle(folder), name, false);
    }

    bool MarkForRestart(Node node) override {
        const std::wstring path = FinalPathOf(AsHandle(node));
        return !path.empty() &&
               MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    }

    void Close(Node node) override {
        CloseHandle(AsHandle(node));
        paths_.erase(node);
        read_only_single_.erase(node);
    }

  private:
    static std::wstring Join(const std::wstring& folder, const std::wstring& name) {
        if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
        return folder + L"\\" + name;
    }

    static NTSTATUS OpenInside(Node folder, const std::wstring& name, ACCESS_MASK access,
                               HANDLE* out) {
        NtCreateFileFn create = NtCreateFileEntry();
        if (create == nullptr) return static_cast<NTSTATUS>(0xC0000002);  // not implemented
        UNICODE_STRING object_name;
        object_name.Buffer = const_cast<PWSTR>(name.c_str());
        object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        object_name.MaximumLength = object_name.Length;
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE,
                                   AsHandle(folder), nullptr);
        IO_STATUS_BLOCK io;
        *out = nullptr;
        return create(
            out, access, &attributes, &io, nullptr, 0,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
            kOpenReparsePoint | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT, nullptr,
            0);
    }

    std::map<Node, std::wstring> paths_;
    std::map<Node, bool> read_only_single_;
};

using BelowStep = Removal (*)(NodeAccess&, const std::wstring&, const std::wstring&,
                              PendingRemovals*);

// A file that a program has just let go of may stay in use for a moment: only once
// it has stayed so is it set aside.
Removal WithRetries(BelowStep step, const std::wstring& base, const std::wstring& path,
                    PendingRemovals& pending) {
    Removal result = Removal::Failed;
    for (int attempt = 0; attempt < kAttempts && result == Removal::Failed; ++attempt) {
        if (attempt > 0) Sleep(kPauseMs);
        pending.AllowSetAside(attempt + 1 == kAttempts);
        Win32Nodes nodes;
        result = step(nodes, base, path, &pending);
    }
    pending.AllowSetAside(true);
    return result;
}

}  // namespace

Removal RemoveFile(const std::wstring& base, const std::wstring& path, PendingRemovals& pending) {
    return WithRetries(RemoveFileBelow, base, path, pending);
}

Removal RemoveFolderTree(const std::wstring& base, const std::wstring& path,
                         PendingRemovals& pending) {
    return WithRetries(RemoveTreeBelow, base, path, pending);
}

Removal RemoveFolderIfEmpty(const std::wstring& base, const std::wstring& path,
                            PendingRemovals& pending) {
    return WithRetries(RemoveFolderIfEmptyBelow, base, path, pending);
}

bool RemoveFileOnce(const std::wstring& base, const std::wstring& path) {
    Win32Nodes nodes;
    return RemoveFileBelow(nodes, base, path) == Removal::Gone;
}

std::wstring FinalPathOf(void* file) {
    std::wstring path(MAX_PATH + 8, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD n =
            GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n + 1);
    }
    return {};
}

bool MoveFileBelow(const std::wstring& base, const std::wstring& path, const std::wstring& target) {
    Win32Nodes nodes;
    OpenedBelow file(nodes, base, path);
    return file.ok() && file.kind() == NodeKind::File &&
           SetName(AsHandle(file.node()), nullptr, L"\\??\\" + target, true);
}

}  // namespace sorvane::payloads
