#include "payloads/uninstall/self_removal.h"

#include <windows.h>

#include "payloads/common/win/wide_text.h"
#include "payloads/uninstall/file_removal.h"

namespace sorvane::payloads {

namespace {

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring ParentOfFolder(const std::wstring& file) {
    std::wstring path = file;
    for (int level = 0; level < 2; ++level) {
        const std::size_t cut = path.find_last_of(L"\\/");
        if (cut == std::wstring::npos) return {};
        path.resize(cut);
    }
    return path.empty() ? path : path + L"\\";
}

// A running image cannot be deleted on Windows but can be renamed within its volume.
Removal MoveAside(const std::wstring& base, const std::wstring& path, const std::wstring& folder,
                  std::wstring* moved_to) {
    if (folder.empty()) return Removal::Failed;
    const std::wstring target = folder + L"~sorvane-uninstall-" +
                                WideDecimal(GetCurrentProcessId()) + L"-" +
                                WideDecimal(static_cast<long long>(GetTickCount64())) + L".tmp";
    if (!MoveFileBelow(base, path, target)) return Removal::Failed;
    *moved_to = target;
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
    // Without the rights for this the file stays in the temporary folder.
    return MoveFileExW(target.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Removal::AtRestart
                                                                             : Removal::Gone;
}

}  // namespace

Removal RemoveOwnImage(const std::wstring& base, const std::wstring& path, std::wstring* moved_to) {
    if (RemoveFileOnce(base, path)) return Removal::Gone;
    const Removal moved = MoveAside(base, path, TempFolder(), moved_to);
    return moved != Removal::Failed ? moved : MoveAside(base, path, ParentOfFolder(path), moved_to);
}

}  // namespace sorvane::payloads
