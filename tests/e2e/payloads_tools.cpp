// Helpers of the payload scenarios under wine, built as a GUI program so that the
// uninstaller starting it (as a stand-in) opens no console.
//   entry TIMEOUT_MS KEY VALUE   starts the command line stored in HKLM\KEY VALUE
//                                the way the system's list of installed programs
//                                does, and exits with the program's exit code
//                                (124: stopped at the timeout, 125: not started)
//   junction LINK TARGET         makes the folder LINK a junction to TARGET
//                                (exit 3 where the system cannot)
//   reparse PATH                 exit 0 when PATH opened as itself is a reparse point
//   reglink KEY TARGET           makes HKLM\KEY a registry link to the key TARGET
//                                (a path below HKLM)
//   hold DLL STOP                loads DLL, writes LOADED into STOP.ready, and keeps the DLL
//                                loaded until the file STOP appears (at most 10
//                                minutes); exit 3 when it does not load. Built for
//                                the DLL's architecture.
// Named _marrow.exe it is a stand-in that only writes C:\stand-in-started.txt.
#include <windows.h>
#include <winioctl.h>

#include "probe_support.h"

#include <cstring>
#include <string>

namespace {

bool IsFile(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The program a command line names, found as CreateProcess finds it without an
// application name: the first part ended by a blank that is a file, with ".exe"
// added when it has no extension. Wine's CreateProcess quotes that name in the
// line it passes on; naming the program separately keeps the line untouched.
std::wstring ProgramOf(const std::wstring& line) {
    if (!line.empty() && line[0] == L'"') return line.substr(1, line.find(L'"', 1) - 1);
    for (std::size_t end = line.find(L' ');; end = line.find(L' ', end + 1)) {
        const std::wstring name = line.substr(0, end);
        const std::size_t dot = name.find_last_of(L'.');
        const bool has_ext =
            dot != std::wstring::npos && name.find(L'\\', dot) == std::wstring::npos;
        if (IsFile(name)) return name;
        if (!has_ext && IsFile(name + L".exe")) return name + L".exe";
        if (end == std::wstring::npos) return {};
    }
}

int Entry(DWORD timeout, const std::wstring& key, const std::wstring& value) {
    wchar_t data[2048] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return 125;
    const std::wstring line = data;
    return probe::RunAndWait(ProgramOf(line), line, timeout);
}

int Junction(const std::wstring& link, const std::wstring& target) {
    CreateDirectoryW(link.c_str(), nullptr);
    HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    const std::wstring substitute = L"\\??\\" + target;
    struct {
        DWORD tag;
        WORD length, reserved, sub_offset, sub_length, print_offset, print_length;
        wchar_t names[1024];
    } data{};
    data.tag = IO_REPARSE_TAG_MOUNT_POINT;
    data.sub_length = static_cast<WORD>(substitute.size() * 2);
    data.print_offset = static_cast<WORD>(data.sub_length + 2);
    data.print_length = static_cast<WORD>(target.size() * 2);
    std::memcpy(data.names, substitute.c_str(), data.sub_length);
    std::memcpy(reinterpret_cast<char*>(data.names) + data.print_offset, target.c_str(),
                data.print_length);
    data.length = static_cast<WORD>(8 + data.print_offset + data.print_length + 2);
    DWORD got = 0;
    const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &data, 8u + data.length, nullptr, 0,
                                    &got, nullptr);
    CloseHandle(h);
    if (!ok) RemoveDirectoryW(link.c_str());
    return ok ? 0 : 3;
}

int Reparse(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 2;
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? 0 : 1;
}

int RegLink(const std::wstring& key, const std::wstring& target) {
    HKEY link;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE | REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr,
                        &link, nullptr) != ERROR_SUCCESS)
        return 1;
    const std::wstring to = L"\\Registry\\Machine\\" + target;
    const LONG set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                    reinterpret_cast<const BYTE*>(to.c_str()),
                                    static_cast<DWORD>(to.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    return set == ERROR_SUCCESS ? 0 : 1;
}

int Hold(const std::wstring& dll, const std::wstring& stop) {
    if (LoadLibraryW(dll.c_str()) == nullptr) return 3;
    HANDLE ready = CreateFileW((stop + L".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               0, nullptr);
    DWORD put = 0;
    if (ready != INVALID_HANDLE_VALUE) {
        WriteFile(ready, "LOADED\n", 7, &put, nullptr);
        CloseHandle(ready);
    }
    for (DWORD waited = 0; waited < 600000 && !IsFile(stop); waited += 50) Sleep(50);
    return 0;
}

int StandIn() {
    HANDLE h = CreateFileW(L"C:\\stand-in-started.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        const std::wstring line = GetCommandLineW();
        DWORD put = 0;
        WriteFile(h, line.c_str(), static_cast<DWORD>(line.size() * 2), &put, nullptr);
        CloseHandle(h);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* base = wcsrchr(self, L'\\');
    if (base && lstrcmpiW(base + 1, L"_marrow.exe") == 0) return StandIn();
    int argc = 0;
    wchar_t** a = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring cmd = argc > 1 ? a[1] : L"";
    if (argc == 5 && cmd == L"entry") return Entry(wcstoul(a[2], nullptr, 10), a[3], a[4]);
    if (argc == 4 && cmd == L"junction") return Junction(a[2], a[3]);
    if (argc == 3 && cmd == L"reparse") return Reparse(a[2]);
    if (argc == 4 && cmd == L"reglink") return RegLink(a[2], a[3]);
    if (argc == 4 && cmd == L"hold") return Hold(a[2], a[3]);
    return 2;
}
