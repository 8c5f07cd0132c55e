// The provider component's part of the real OS: the Winsock catalogue, the hidden
// message window and file copies, each the Win32 call of the same name.
#include "platform/win32/os_win32.h"

// After the lean windows.h of the adapters, which leaves the old winsock.h out.
#include <winsock2.h>
#include <ws2spi.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "ui/controls.h"

namespace sorvane::win32 {

static_assert(sizeof(WSAPROTOCOL_INFOW) == kProtocolInfoSize);
static_assert(offsetof(WSAPROTOCOL_INFOW, ProviderId) == kProtocolProviderIdOffset);
static_assert(sizeof(GUID) == sizeof(Guid));

namespace {

GUID AsGuid(const Guid& id) {
    GUID g;
    std::memcpy(&g, &id, sizeof g);
    return g;
}

std::string Ansi(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

constexpr const char* kMessageWindowClass = "SorvaneMessageWindow";

// Messages reach the handler stored with the window; nothing may leave this frame.
LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* handler = reinterpret_cast<MessageHandler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!handler) return DefWindowProcA(hwnd, message, wparam, lparam);
    LRESULT result = 0;
    try {
        ui::InvokeGuarded([&] { result = (*handler)(message, wparam, lparam); });
    } catch (...) {
        // Only the guard itself could fail here; the message keeps its result.
    }
    return result;
}

bool RegisterMessageWindowClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    // Creation goes through the default procedure; the handler takes over once it exists.
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kMessageWindowClass;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

int Win32Os::WSAStartup(std::uint16_t version) {
    WSADATA data;
    std::memset(&data, 0, sizeof data);
    return ::WSAStartup(version, &data);
}

int Win32Os::WSACleanup() {
    return ::WSACleanup();
}

int Win32Os::WSCEnumProtocols(void* buffer, std::uint32_t* length) {
    DWORD size = *length;
    int error = 0;
    const int result =
        ::WSCEnumProtocols(nullptr, static_cast<LPWSAPROTOCOL_INFOW>(buffer), &size, &error);
    *length = size;
    return result;
}

int Win32Os::WSCDeinstallProvider(const Guid& provider) {
    GUID id = AsGuid(provider);
    int error = 0;
    return ::WSCDeinstallProvider(&id, &error);
}

int Win32Os::WSCGetProviderPath(const Guid& provider, std::uint32_t capacity, std::string* path) {
    GUID id = AsGuid(provider);
    // One more than the capacity given, so the text always ends.
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    int length = static_cast<int>(capacity);
    int error = 0;
    const int result = ::WSCGetProviderPath(&id, buffer.data(), &length, &error);
    if (result == 0) *path = Ansi(buffer.data());
    return result;
}

std::string Win32Os::ExpandEnvironmentStrings(const std::string& text) {
    std::vector<char> out(MAX_PATH + 1);
    for (;;) {
        const DWORD n =
            ExpandEnvironmentStringsA(text.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0) return text;
        if (n <= out.size()) return std::string(out.data());
        out.resize(n);
    }
}

WindowHandle Win32Os::CreateMessageWindow(MessageHandler handler) {
    if (!RegisterMessageWindowClass()) return 0;
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, kMessageWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) return 0;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new MessageHandler(std::move(handler))));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindowProc));
    return reinterpret_cast<WindowHandle>(hwnd);
}

void Win32Os::DestroyMessageWindow(WindowHandle window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    auto* handler = reinterpret_cast<MessageHandler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    DestroyWindow(hwnd);
    delete handler;
}

bool Win32Os::CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) {
    return CopyFileA(from.c_str(), to.c_str(), fail_if_exists ? TRUE : FALSE) != 0;
}

bool Win32Os::MoveFileEx(const std::string& from, const std::string& to, std::uint32_t flags) {
    return MoveFileExA(from.c_str(), to.empty() ? nullptr : to.c_str(), flags) != 0;
}

}  // namespace sorvane::win32
