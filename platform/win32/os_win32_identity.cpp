// Which folder a name stands for: folders opened as the system follows their names,
// their identities and final paths, and the system's own folders. Each the Win32 call,
// the results passed back.
#include "platform/win32/os_win32.h"

namespace sorvane::win32 {

namespace {

HANDLE AsHandle(FolderHandle folder) {
    return reinterpret_cast<HANDLE>(folder);
}

// The text a GetXxxDirectoryA call wrote, when it fitted.
std::string Fitted(const char* buffer, UINT n, UINT capacity) {
    return n > 0 && n < capacity ? std::string(buffer, n) : std::string();
}

// FOLDERID_UserProfiles.
constexpr GUID kUserProfiles = {
    0x0762D272, 0xC50A, 0x4BB0, {0xA3, 0x82, 0x69, 0x7D, 0xCD, 0x72, 0x9B, 0x80}};

}  // namespace

FolderHandle Win32Os::OpenFolderToCompare(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return 0;
    }
    return reinterpret_cast<FolderHandle>(h);
}

bool Win32Os::GetFolderIdentity(FolderHandle folder, FolderIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(AsHandle(folder), &info)) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->file = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

bool Win32Os::GetFolderFinalPath(FolderHandle folder, std::string* path) {
    using Fn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    auto final_path = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleA")));
    if (!final_path) return false;
    char buffer[MAX_PATH + 8];
    const DWORD n =
        final_path(AsHandle(folder), buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof buffer) return false;
    path->assign(buffer, n);
    return true;
}

std::string Win32Os::GetWindowsDirectory() {
    char buffer[MAX_PATH + 1] = {};
    return Fitted(buffer, GetSystemWindowsDirectoryA(buffer, MAX_PATH + 1), MAX_PATH + 1);
}

std::string Win32Os::GetSystemWow64Directory() {
    char buffer[MAX_PATH + 1] = {};
    return Fitted(buffer, GetSystemWow64DirectoryA(buffer, MAX_PATH + 1), MAX_PATH + 1);
}

std::string Win32Os::GetProfilesDirectory() {
    using Fn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
    auto known = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHGetKnownFolderPath")));
    if (!known) return {};
    PWSTR wide = nullptr;
    std::string ansi;
    if (SUCCEEDED(known(kUserProfiles, 0, nullptr, &wide)) && wide &&
        !Utf8ToAnsi(Narrow(wide, wcslen(wide)), &ansi))
        ansi.clear();
    CoTaskMemFree(wide);
    return ansi;
}

}  // namespace sorvane::win32
