#include "payloads/uninstall/file_removal.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <functional>
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

// Opening by name inside an open folder is only in ntdll; looked up once.
NtCreateFileFn NtCreateFileEntry() {
    static const NtCreateFileFn fn = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<NtCreateFileFn>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")))
                     : nullptr;
    }();
    return fn;
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
        if (status < 0 || h == nullptr) return 0;

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

bool WithRetries(const std::function<bool(NodeAccess&)>& step) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Win32Nodes nodes;
        if (step(nodes)) return true;
        Sleep(kPauseMs);
    }
    return false;
}

}  // namespace

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::wstring& base, const std::wstring& path) {
    return WithRetries([&](NodeAccess& a) { return RemoveFileBelow(a, base, path); });
}

bool RemoveFolderTree(const std::wstring& base, const std::wstring& path) {
    return WithRetries([&](NodeAccess& a) { return RemoveTreeBelow(a, base, path); });
}

bool RemoveFolderIfEmpty(const std::wstring& base, const std::wstring& path) {
    return WithRetries([&](NodeAccess& a) { return RemoveFolderIfEmptyBelow(a, base, path); });
}

bool RemoveFileOnce(const std::wstring& base, const std::wstring& path) {
    Win32Nodes nodes;
    return RemoveFileBelow(nodes, base, path);
}

bool MoveFileBelow(const std::wstring& base, const std::wstring& path, const std::wstring& target) {
    Win32Nodes nodes;
    NodeAccess::Node node = 0;
    NodeKind kind = NodeKind::Missing;
    bool done = false;
    if (!OpenBelow(nodes, base, path, &node, &kind, &done)) return false;
    bool moved = false;
    if (kind == NodeKind::File) {
        // The system's own form of the path, which every version takes here.
        const std::wstring name = L"\\??\\" + target;
        const std::size_t name_bytes = name.size() * sizeof(wchar_t);
        std::vector<LONGLONG> buffer(
            (sizeof(FILE_RENAME_INFO) + name_bytes + sizeof(LONGLONG)) / sizeof(LONGLONG) + 1);
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = TRUE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(name_bytes);
        std::copy(name.begin(), name.end(), rename->FileName);
        moved = SetFileInformationByHandle(AsHandle(node), FileRenameInfo, rename,
                                           static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)));
    }
    nodes.Close(node);
    return moved;
}

}  // namespace sorvane::payloads
