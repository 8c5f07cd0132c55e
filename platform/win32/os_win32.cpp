#include "platform/win32/os_win32.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/folder_dialog.h"

namespace sorvane::win32 {

namespace {

HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}
HWND AsWindow(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
const char* OrNull(const std::string& s) {
    return s.empty() ? nullptr : s.c_str();
}

// Large transfers go in pieces that a DWORD can count.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

}  // namespace

bool Win32Os::FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Os::DirectoryExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Os::CreateDirectory(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool Win32Os::DeleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool Win32Os::ReadFile(FileHandle file, void* buffer, std::size_t size, std::size_t* done) {
    DWORD got = 0;
    const BOOL ok = ::ReadFile(AsHandle(file), buffer,
                               static_cast<DWORD>(std::min(size, kMaxTransfer)), &got, nullptr);
    *done = got;
    return ok != 0;
}

bool Win32Os::WriteFile(FileHandle file, const void* data, std::size_t size, std::size_t* done) {
    *done = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (*done < size) {
        DWORD wrote = 0;
        const DWORD piece = static_cast<DWORD>(std::min(size - *done, kMaxTransfer));
        if (!::WriteFile(AsHandle(file), bytes + *done, piece, &wrote, nullptr)) return false;
        // A short write goes on with the rest, so that a disk that is full says so; a
        // write that takes nothing at all is that.
        if (wrote == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        *done += wrote;
    }
    return true;
}

bool Win32Os::SetFilePosition(FileHandle file, std::uint64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(AsHandle(file), to, nullptr, FILE_BEGIN) != 0;
}

bool Win32Os::SetEndOfFile(FileHandle file) {
    return ::SetEndOfFile(AsHandle(file)) != 0;
}

void Win32Os::CloseFile(FileHandle file) {
    CloseHandle(AsHandle(file));
}

bool Win32Os::GetLongPathName(const std::string& path, std::string* buffer, std::uint32_t capacity,
                              std::uint32_t* result) {
    using Fn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
    // Looked up at run time: systems without the entry keep their paths as they are.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto fn = kernel ? reinterpret_cast<Fn>(
                           reinterpret_cast<void*>(GetProcAddress(kernel, "GetLongPathNameA")))
                     : nullptr;
    if (!fn) return false;
    std::vector<char> out(capacity + 1, '\0');
    *result = fn(path.c_str(), out.data(), capacity);
    if (*result > 0 && *result < capacity) buffer->assign(out.data(), *result);
    return true;
}

std::uint32_t Win32Os::GetShortPathName(const std::string& path, std::string* buffer,
                                        std::uint32_t capacity) {
    std::vector<char> out(capacity + 1, '\0');
    const DWORD n = GetShortPathNameA(path.c_str(), out.data(), capacity);
    if (n > 0 && n < capacity) buffer->assign(out.data(), n);
    return n;
}

std::string Win32Os::GetEnvironmentVariable(const std::string& name) {
    std::vector<char> out(MAX_PATH + 1);
    for (;;) {
        const DWORD n =
            GetEnvironmentVariableA(name.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0) return {};
        if (n < out.size()) return std::string(out.data(), n);
        out.resize(n + 1);
    }
}

std::uint32_t Win32Os::GetMajorVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
    return info.dwMajorVersion;
}

std::string Win32Os::GetModuleFileName() {
    std::vector<char> out(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, out.data(), static_cast<DWORD>(out.size()));
        if (n == 0) return {};
        if (n < out.size()) return std::string(out.data(), n);
        out.resize(out.size() * 2);
    }
}

std::string Win32Os::GetCommandLine() {
    return GetCommandLineA();
}

std::string Win32Os::GetUnicodeCommandLine() {
    const wchar_t* line = GetCommandLineW();
    return Narrow(line, line ? wcslen(line) : 0);
}

std::string Win32Os::GetFullPathName(const std::string& path) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH + 1, buffer, nullptr);
    return n > 0 && n <= MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string Win32Os::GetKeyboardLayoutName() {
    char name[255] = {};
    if (!GetKeyboardLayoutNameA(name)) return {};
    return name;
}

std::uint32_t Win32Os::GetTickCount() {
    return ::GetTickCount();
}

void Win32Os::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

void Win32Os::CoInitialize() {
    ::CoInitialize(nullptr);
}

void Win32Os::CoUninitialize() {
    ::CoUninitialize();
}

WindowHandle Win32Os::FindWindow(const std::string& class_name) {
    return reinterpret_cast<WindowHandle>(FindWindowA(class_name.c_str(), nullptr));
}

bool Win32Os::PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam) {
    return PostMessageA(AsWindow(window), message, wparam, lparam) != 0;
}

void Win32Os::Dispatch(MSG& msg) {
    if (filter_ && filter_(msg)) return;
    if (dialog_ && IsWindow(dialog_) && IsDialogMessageW(dialog_, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32Os::PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Kept for the main loop, which ends once control is back there; until
            // then the window goes on painting and answering.
            terminated_ = true;
            exit_code_ = static_cast<int>(msg.wParam);
            continue;
        }
        Dispatch(msg);
    }
}

int Win32Os::RunMessageLoop() {
    MSG msg;
    while (!terminated_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            terminated_ = true;
            exit_code_ = static_cast<int>(msg.wParam);
        } else if (got == -1) {
            terminated_ = true;
        } else {
            Dispatch(msg);
        }
    }
    return exit_code_;
}

void Win32Os::PostQuitMessage(int exit_code) {
    ::PostQuitMessage(exit_code);
}

int Win32Os::MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                        std::uint32_t style) {
    return MessageBoxW(AsWindow(owner), Widen(text).c_str(), Widen(caption).c_str(), style);
}

std::intptr_t Win32Os::ShellExecute(WindowHandle owner, const std::string& verb,
                                    const std::string& file, const std::string& parameters,
                                    const std::string& directory, int show) {
    HINSTANCE r = ShellExecuteA(AsWindow(owner), OrNull(verb), file.c_str(), OrNull(parameters),
                                OrNull(directory), show);
    return reinterpret_cast<std::intptr_t>(r);
}

std::intptr_t Win32Os::ShellExecuteProcess(WindowHandle owner, const std::string& verb,
                                           const std::string& file,
                                           const std::string& parameters,
                                           const std::string& directory, int show,
                                           ProcessHandle* process) {
    *process = 0;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = AsWindow(owner);
    info.lpVerb = OrNull(verb);
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(directory);
    info.nShow = show;
    const BOOL ok = ShellExecuteExA(&info);
    std::intptr_t result = reinterpret_cast<std::intptr_t>(info.hInstApp);
    if (!ok) {
        // The result code is not always set on failure: take it from the error then.
        if (result > 32 || result == 0) {
            const DWORD error = ::GetLastError();
            result = error == ERROR_ACCESS_DENIED || error == ERROR_CANCELLED
                         ? SE_ERR_ACCESSDENIED
                     : error == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF
                                                     : SE_ERR_FNF;
        }
        if (info.hProcess) ::CloseHandle(info.hProcess);
        return result;
    }
    if (result <= 32) result = 42;
    *process = reinterpret_cast<ProcessHandle>(info.hProcess);
    return result;
}

bool Win32Os::WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) {
    if (!process) return true;
    HANDLE handle = reinterpret_cast<HANDLE>(process);
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= milliseconds) return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        const DWORD r =
            MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds - spent, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        PumpMessages();
    }
}

void Win32Os::CloseProcess(ProcessHandle process) {
    if (process) ::CloseHandle(reinterpret_cast<HANDLE>(process));
}

bool Win32Os::GetSpecialFolderPath(int csidl, std::string* path) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return false;
    char buffer[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDListA(list, buffer) != FALSE;
    CoTaskMemFree(list);
    if (ok) *path = buffer;
    return ok;
}

bool Win32Os::SelectDirectory(WindowHandle owner, const std::string& start, std::string* folder) {
    return win32::SelectDirectory(AsWindow(owner), start, folder);
}

namespace {
std::string Convert(const std::string& text, UINT from, UINT to) {
    const WideText wide = Widen(text, from);
    return Narrow(wide.c_str(), wide.size(), to);
}
}  // namespace

std::string Win32Os::AnsiToUtf8(const std::string& ansi) {
    return Convert(ansi, CP_ACP, CP_UTF8);
}

bool Win32Os::Utf8ToAnsi(const std::string& utf8, std::string* ansi) {
    const WideText wide = Widen(utf8, CP_UTF8);
    if (wide.empty() != utf8.empty()) return false;
    // A UTF-8 code page takes no flags; it maps every character anyway.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = static_cast<int>(wide.size());
    std::string text;
    if (length > 0) {
        const int n =
            WideCharToMultiByte(CP_ACP, flags, wide.c_str(), length, nullptr, 0, nullptr, nullptr);
        if (n <= 0) return false;
        text.assign(static_cast<std::size_t>(n), '\0');
        if (WideCharToMultiByte(CP_ACP, flags, wide.c_str(), length, text.data(), n, nullptr,
                                nullptr) != n)
            return false;
    }
    const WideText back = Widen(text, CP_ACP);
    if (back.size() != wide.size() ||
        std::memcmp(back.c_str(), wide.c_str(), wide.size() * sizeof(wchar_t)) != 0)
        return false;
    *ansi = std::move(text);
    return true;
}

ResourceView Win32Os::LoadResource(int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(nullptr, found);
    if (!loaded) return {};
    const void* data = LockResource(loaded);
    if (!data) return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(nullptr, found),
            reinterpret_cast<std::uintptr_t>(loaded)};
}

void Win32Os::ReleaseResource(const ResourceView& view) {
    FreeResource(reinterpret_cast<HGLOBAL>(view.token));
}

}  // namespace sorvane::win32
