#include "payloads/uninstall/file_removal.h"

#include <windows.h>

namespace sorvane::payloads {

namespace {

// A program that has just ended may hold its file for a moment.
constexpr int kAttempts = 20;
constexpr DWORD kPauseMs = 100;

bool IsDots(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool IsEmptyFolder(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        if (!IsDots(found.cFileName)) empty = false;
    } while (empty && FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

void DeleteContents(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (IsDots(found.cFileName)) continue;
        const std::wstring child = path + L"\\" + found.cFileName;
        const DWORD attributes = found.dwFileAttributes;
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(child.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileW(child.c_str());
        } else {
            // A junction is removed as a link; what it points to is not ours.
            if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) DeleteContents(child);
            RemoveDirectoryW(child.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::wstring& path) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return true;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileW(path.c_str())) return true;
        Sleep(kPauseMs);
    }
    return !PathExists(path);
}

bool RemoveFolderTree(const std::wstring& path) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return true;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) DeleteContents(path);
        if (RemoveDirectoryW(path.c_str())) return true;
        Sleep(kPauseMs);
    }
    return !PathExists(path);
}

bool RemoveFolderIfEmpty(const std::wstring& path) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return true;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsEmptyFolder(path)) return true;
        if (RemoveDirectoryW(path.c_str())) return true;
        Sleep(kPauseMs);
    }
    return !PathExists(path);
}

}  // namespace sorvane::payloads
