// A helper that the wine scenarios run beside the setup and the payloads: it
// watches for shown windows, reads, clicks and messages windows, stands in for
// the filter client, lists the setup's embedded payloads, starts programs with an
// exact command tail and tries the two libraries. Output is UTF-8, one fact per line.
#include <winsock2.h>
#include <ws2spi.h>
#include <windows.h>
#include <tlhelp32.h>

#include "probe_support.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

using probe::Say;
using probe::Utf8;

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 255);
    return buf;
}

std::wstring TextOf(HWND h) {
    wchar_t buf[1024] = {};
    // Through a message: the window belongs to another process.
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, 1023, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &got)) return {};
    return buf;
}

// Button captions carry '&' for the underlined access key.
std::wstring WithoutAccel(std::wstring s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'&' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

std::wstring ExeOfPid(DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return {};
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    std::wstring name;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e))
        if (e.th32ProcessID == pid) {
            name = e.szExeFile;
            break;
        }
    CloseHandle(snap);
    return name;
}

// A callback of the system's calling convention, which a 32-bit lambda does not have.
BOOL CALLBACK Collect(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> out;
    EnumWindows(Collect, (LPARAM)&out);
    return out;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, Collect, (LPARAM)&out);
    return out;
}

std::vector<HWND> Children(HWND parent);

// A visible top-level window of class |cls| whose caption is |title| ("*": any;
// "?TEXT": one with a child that reads TEXT, for boxes whose caption may vary).
HWND FindShown(const std::wstring& cls, const std::wstring& title) {
    for (HWND h : TopLevel()) {
        if (!IsWindowVisible(h) || ClassOf(h) != cls) continue;
        if (title == L"*" || TextOf(h) == title) return h;
        if (!title.empty() && title[0] == L'?')
            for (HWND c : Children(h))
                if (TextOf(c).find(title.substr(1)) != std::wstring::npos) return h;
    }
    return nullptr;
}

// Polls |done| until it holds or |timeout_ms| has passed; its last answer.
template <typename F>
bool WaitUntil(DWORD timeout_ms, F done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(10);
    }
    return true;
}

HWND WaitShown(const std::wstring& cls, const std::wstring& title, DWORD timeout_ms) {
    HWND h = nullptr;
    WaitUntil(timeout_ms, [&] { return (h = FindShown(cls, title)) != nullptr; });
    return h;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// watch EXE STOPFILE: reports every top-level window of a process named EXE that
// becomes visible, until STOPFILE exists.
int Watch(const std::wstring& exe, const std::wstring& stop) {
    std::set<HWND> reported;
    // Windows shown before the watch began belong to an earlier start.
    for (HWND h : TopLevel())
        if (IsWindowVisible(h)) reported.insert(h);
    const size_t before = reported.size();
    Say("READY");
    for (;;) {
        const bool last = Exists(stop);  // one more look after the stop request
        for (HWND h : TopLevel()) {
            if (reported.count(h)) continue;
            // The class first: a window that flashes may be gone by the next call.
            const std::wstring cls = ClassOf(h);
            if (!IsWindowVisible(h)) continue;
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == GetCurrentProcessId() || _wcsicmp(ExeOfPid(pid).c_str(), exe.c_str()) != 0) continue;
            reported.insert(h);
            Say("SHOWN class=" + Utf8(cls) + " title=" + Utf8(TextOf(h)));
        }
        if (last) break;
        Sleep(2);
    }
    Say("END shown=" + std::to_string(reported.size() - before));
    return 0;
}

// One control as the user sees it: class, id, state, text last.
std::string Describe(HWND c) {
    const std::wstring cls = ClassOf(c);
    std::string line = "class=" + Utf8(cls) + " id=" + std::to_string(GetDlgCtrlID(c)) +
                       " enabled=" + (IsWindowEnabled(c) ? "1" : "0");
    DWORD_PTR r = 0;
    if (_wcsicmp(cls.c_str(), L"Button") == 0 &&
        SendMessageTimeoutW(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r))
        line += std::string(" checked=") + (r == BST_CHECKED ? "1" : "0");
    if (_wcsicmp(cls.c_str(), L"msctls_progress32") == 0) {
        DWORD_PTR high = 0;
        SendMessageTimeoutW(c, 0x0408 /*PBM_GETPOS*/, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
        SendMessageTimeoutW(c, 0x0407 /*PBM_GETRANGE*/, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &high);
        line += " pos=" + std::to_string((long long)r) + " max=" + std::to_string((long long)high);
    }
    return line + " text=" + Utf8(TextOf(c));
}

// find CLASS TITLE TIMEOUT_MS: waits for the window and prints its caption and the
// class and text of each child, so the caller can check what the user reads.
int Find(const std::wstring& cls, const std::wstring& title, DWORD timeout) {
    HWND h = WaitShown(cls, title, timeout);
    if (!h) {
        Say("NOTFOUND");
        return 1;
    }
    RECT r{};
    GetWindowRect(h, &r);
    Say("WINDOW title=" + Utf8(TextOf(h)) + " rect=" + std::to_string(r.left) + "," + std::to_string(r.top) +
        "," + std::to_string(r.right) + "," + std::to_string(r.bottom));
    for (HWND c : Children(h)) {
        if (!IsWindowVisible(c)) continue;
        Say("CHILD " + Describe(c));
    }
    return 0;
}

// click CLASS TITLE BUTTON TIMEOUT_MS: presses the visible button captioned BUTTON
// (access-key '&' ignored; "#N" for control id N) of that window. Posted, as the click may open a modal box.
int Click(const std::wstring& cls, const std::wstring& title, const std::wstring& button, DWORD timeout) {
    HWND h = WaitShown(cls, title, timeout);
    if (!h) {
        Say("NOTFOUND window");
        return 1;
    }
    // "#N": the button with control id N, for boxes whose captions the system translates.
    const bool by_id = !button.empty() && button[0] == L'#';
    const int id = by_id ? (int)std::wcstol(button.c_str() + 1, nullptr, 10) : 0;
    for (HWND c : Children(h)) {
        if (!IsWindowVisible(c) || _wcsicmp(ClassOf(c).c_str(), L"Button") != 0) continue;
        if (by_id ? GetDlgCtrlID(c) != id : WithoutAccel(TextOf(c)) != WithoutAccel(button)) continue;
        if (!IsWindowEnabled(c)) {
            Say("DISABLED");
            return 1;
        }
        PostMessageW(c, BM_CLICK, 0, 0);
        Say("CLICKED");
        return 0;
    }
    Say("NOTFOUND button");
    return 1;
}

// controls CLASS TITLE: every child of the shown window, hidden ones too.
int Controls(const std::wstring& cls, const std::wstring& title) {
    HWND h = FindShown(cls, title);
    if (!h) {
        Say("NOTFOUND");
        return 1;
    }
    for (HWND c : Children(h))
        Say(std::string("CONTROL shown=") + (IsWindowVisible(c) ? "1 " : "0 ") + Describe(c));
    return 0;
}

// layout CLASS TITLE: the client size of the shown window ("CLIENT WxH"), then each
// shown child's place in the client area: "AT X,Y WxH class=... text=...".
int Layout(const std::wstring& cls, const std::wstring& title) {
    HWND h = FindShown(cls, title);
    RECT client{};
    if (!h || !GetClientRect(h, &client)) {
        Say("NOTFOUND");
        return 1;
    }
    Say("CLIENT " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
    for (HWND c : Children(h)) {
        if (!IsWindowVisible(c)) continue;
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
        Say("AT " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
            std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
            " class=" + Utf8(ClassOf(c)) + " text=" + Utf8(TextOf(c)));
    }
    return 0;
}

// exists CLASS TIMEOUT_MS: waits for a window of CLASS, hidden ones included.
int ExistsWindow(const std::wstring& cls, DWORD timeout) {
    const bool found = WaitUntil(timeout, [&] { return FindWindowW(cls.c_str(), nullptr) != nullptr; });
    Say(found ? "EXISTS" : "NOTFOUND");
    return found ? 0 : 1;
}

// count CLASS: how many visible top-level windows of CLASS there are.
int Count(const std::wstring& cls) {
    int n = 0;
    for (HWND h : TopLevel())
        if (IsWindowVisible(h) && ClassOf(h) == cls) ++n;
    Say("COUNT " + std::to_string(n));
    return 0;
}

// client SECONDS DELAY_MS MARKER: a stand-in for the filter client: a hidden window
// of its class. On the setup's close message it waits DELAY_MS, writes MARKER (its
// time tells when the window went) and closes; with DELAY_MS -1 it ignores the
// message. It gives up after SECONDS (exit code 2).
int g_delay_ms = 0;
std::wstring g_marker;

LRESULT CALLBACK ClientProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == 1136) {
        Say("CLOSE-MESSAGE");
        if (g_delay_ms < 0) return 0;
        Sleep((DWORD)g_delay_ms);
        HANDLE f = CreateFileW(g_marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        DestroyWindow(h);
        return 0;
    }
    if (m == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

int Client(int seconds, int delay_ms, const std::wstring& marker) {
    g_delay_ms = delay_ms;
    g_marker = marker;
    WNDCLASSW wc{};
    wc.lpfnWndProc = ClientProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"_quillon_filter";
    if (!RegisterClassW(&wc)) return 3;
    HWND h = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    if (!h) return 3;
    SetTimer(h, 1, seconds * 1000, nullptr);
    Say("READY");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == h) {
            Say("GAVE-UP");
            return 2;
        }
        DispatchMessageW(&msg);
    }
    Say("CLOSED");
    return 0;
}

// resources EXE: the RCDATA ids 101..106 that EXE carries.
int Resources(const std::wstring& exe) {
    HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!m) {
        Say("UNREADABLE");
        return 1;
    }
    int count = 0;
    for (int id = 101; id <= 106; ++id)
        if (FindResourceW(m, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10))) {
            Say("RCDATA " + std::to_string(id));
            ++count;
        }
    Say("COUNT " + std::to_string(count));
    FreeLibrary(m);
    return 0;
}

// close CLASS MESSAGE TIMEOUT_MS: posts MESSAGE once to the window of CLASS and
// waits for the window to go.
int CloseWith(const std::wstring& cls, UINT message, DWORD timeout) {
    HWND h = FindWindowW(cls.c_str(), nullptr);
    if (!h) {
        Say("NOTFOUND");
        return 1;
    }
    PostMessageW(h, message, 0, 0);
    const bool gone = WaitUntil(timeout, [&] { return FindWindowW(cls.c_str(), nullptr) == nullptr; });
    Say(gone ? "GONE" : "STAYED");
    return gone ? 0 : 1;
}

// send CLASS TITLE MESSAGE WPARAM LPARAM: sends MESSAGE to the shown window and
// prints what its window procedure returned.
int SendTo(const std::wstring& cls, const std::wstring& title, UINT message, WPARAM w, LPARAM l) {
    HWND h = FindShown(cls, title);
    DWORD_PTR result = 0;
    if (!h || !SendMessageTimeoutW(h, message, w, l, SMTO_ABORTIFHUNG, 5000, &result)) {
        Say("NOANSWER");
        return 1;
    }
    Say("RESULT " + std::to_string((long long)(LONG_PTR)result));
    return 0;
}

// focus CLASS TITLE: the control that has the keyboard focus in that window's thread.
int Focus(const std::wstring& cls, const std::wstring& title) {
    HWND h = FindShown(cls, title);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!h || !GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &info) || !info.hwndFocus) {
        Say("NOFOCUS");
        return 1;
    }
    Say("FOCUS " + Describe(info.hwndFocus));
    return 0;
}

// keys CLASS TITLE KEY...: brings the window to the front and types each KEY as the
// keyboard would: "tab", "shift+tab", "enter", "esc", "alt+f4", "alt+<letter>".
int Keys(const std::wstring& cls, const std::wstring& title, const std::vector<std::wstring>& keys) {
    HWND h = FindShown(cls, title);
    if (!h) {
        Say("NOTFOUND window");
        return 1;
    }
    SetForegroundWindow(h);
    WaitUntil(2000, [&] { return GetForegroundWindow() == h; });
    auto press = [](std::vector<INPUT>& in, WORD vk, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = (WORD)MapVirtualKeyW(vk, 0 /*MAPVK_VK_TO_VSC*/);
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (const std::wstring& key : keys) {
        std::wstring k = key;
        WORD modifier = 0;
        if (k.rfind(L"shift+", 0) == 0) modifier = VK_SHIFT, k = k.substr(6);
        if (k.rfind(L"alt+", 0) == 0) modifier = VK_MENU, k = k.substr(4);
        WORD vk = 0;
        if (k == L"tab") vk = VK_TAB;
        else if (k == L"enter") vk = VK_RETURN;
        else if (k == L"esc") vk = VK_ESCAPE;
        else if (k == L"f4") vk = VK_F4;
        else if (k.size() == 1) vk = (WORD)(LOBYTE(VkKeyScanW(k[0])));
        if (!vk) {
            Say("BADKEY " + Utf8(key));
            return 1;
        }
        std::vector<INPUT> in;
        if (modifier) press(in, modifier, false);
        press(in, vk, false);
        press(in, vk, true);
        if (modifier) press(in, modifier, true);
        SendInput((UINT)in.size(), in.data(), sizeof(INPUT));
        Sleep(150);  // each key is handled before the next one comes
    }
    Say("TYPED");
    return 0;
}

// post CLASS TITLE MESSAGE WPARAM LPARAM: posts MESSAGE to the shown window.
int PostTo(const std::wstring& cls, const std::wstring& title, UINT message, WPARAM w, LPARAM l) {
    HWND h = FindShown(cls, title);
    if (!h || !PostMessageW(h, message, w, l)) {
        Say("NOTPOSTED");
        return 1;
    }
    Say("POSTED");
    return 0;
}

// clicks CLASS TITLE FIRST SECOND: presses two buttons at once, so that the second
// press waits in the queue while the first one's work runs.
int ClickTwo(const std::wstring& cls, const std::wstring& title, const std::wstring& first,
             const std::wstring& second) {
    HWND h = FindShown(cls, title);
    HWND a = nullptr, b = nullptr;
    for (HWND c : h ? Children(h) : std::vector<HWND>{}) {
        if (!IsWindowVisible(c) || _wcsicmp(ClassOf(c).c_str(), L"Button") != 0) continue;
        const std::wstring t = WithoutAccel(TextOf(c));
        if (t == WithoutAccel(first)) a = c;
        if (t == WithoutAccel(second)) b = c;
    }
    if (!a || !b) {
        Say("NOTFOUND button");
        return 1;
    }
    PostMessageW(a, BM_CLICK, 0, 0);
    PostMessageW(b, BM_CLICK, 0, 0);
    Say("CLICKED");
    return 0;
}

// settext CLASS TITLE ID TEXT: types TEXT into the field with control id ID.
int SetText(const std::wstring& cls, const std::wstring& title, int id, const std::wstring& text) {
    HWND h = FindShown(cls, title);
    HWND field = h ? GetDlgItem(h, id) : nullptr;
    DWORD_PTR r = 0;
    if (!field || !SendMessageTimeoutW(field, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_ABORTIFHUNG, 5000, &r)) {
        Say("NOTFOUND field");
        return 1;
    }
    Say("SET");
    return 0;
}

// move CLASS TITLE X Y: moves the shown window, e.g. a box out of a screenshot's way.
int Move(const std::wstring& cls, const std::wstring& title, int x, int y) {
    HWND h = FindShown(cls, title);
    if (!h || !SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        Say("NOTMOVED");
        return 1;
    }
    Say("MOVED");
    return 0;
}

// shortpath PATH: the 8.3 form of PATH, as the setup hands it to the helper.
int ShortPath(const std::wstring& path) {
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = GetShortPathNameW(path.c_str(), buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) {
        Say("NOPATH");
        return 1;
    }
    Say(Utf8(buf));
    return 0;
}

// run TIMEOUT_MS EXE TAIL: starts EXE with exactly that command tail (wine's own
// start would drop an empty field) and exits with its exit code; 124 when it had
// to be stopped, 125 when it could not start.
int RunExact(DWORD timeout, const std::wstring& exe, const std::wstring& tail) {
    return probe::RunAndWait(exe, L"\"" + exe + L"\" " + tail, timeout);
}

// sporder DLL: its WSCWriteProviderOrder is ws2_32's own, not a copy.
int Sporder(const std::wstring& dll) {
    HMODULE lib = LoadLibraryW(dll.c_str());
    HMODULE ws2 = LoadLibraryW(L"ws2_32.dll");
    if (!lib || !ws2) {
        Say("UNLOADABLE");
        return 1;
    }
    const FARPROC ours = GetProcAddress(lib, "WSCWriteProviderOrder");
    const FARPROC system = GetProcAddress(ws2, "WSCWriteProviderOrder");
    Say(std::string("SAME ") + (ours && ours == system ? "yes" : "no"));
    return ours && ours == system ? 0 : 1;
}

// pellin DLL: WSPStartup refuses a start it cannot pass on to a lower provider.
int Pellin(const std::wstring& dll) {
    HMODULE lib = LoadLibraryW(dll.c_str());
    auto start = lib ? reinterpret_cast<LPWSPSTARTUP>(reinterpret_cast<void*>(GetProcAddress(lib, "WSPStartup")))
                     : nullptr;
    if (!start) {
        Say("NOENTRY");
        return 1;
    }
    WSPDATA data{};
    WSPPROC_TABLE table{};
    WSPUPCALLTABLE upcalls{};
    const int without_info = start(MAKEWORD(2, 2), &data, nullptr, upcalls, &table);
    WSAPROTOCOL_INFOW info{};
    info.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
    const int layered_entry = start(MAKEWORD(2, 2), &data, &info, upcalls, &table);
    // A chain whose lower entry the catalogue does not have.
    info.ProtocolChain.ChainLen = 2;
    info.ProtocolChain.ChainEntries[0] = 0x7ffffff0;
    info.ProtocolChain.ChainEntries[1] = 0x7ffffff1;
    const int unknown_next = start(MAKEWORD(2, 2), &data, &info, upcalls, &table);
    Say("without_info=" + std::to_string(without_info) + " layered_entry=" + std::to_string(layered_entry) +
        " unknown_next=" + std::to_string(unknown_next));
    return without_info == WSAEINVAL && layered_entry == WSAEPROVIDERFAILEDINIT &&
                   unknown_next == WSAEPROVIDERFAILEDINIT && table.lpWSPSocket == nullptr
               ? 0
               : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Rectangles of the setup's windows as they are, at any display scale.
    SetProcessDPIAware();
    std::vector<std::wstring> a(argv, argv + argc);
    auto ms = [](const std::wstring& s) { return (DWORD)std::wcstoul(s.c_str(), nullptr, 10); };
    // Message numbers and parameters also as 0x...
    auto num = [](const std::wstring& s) { return (UINT_PTR)std::wcstoull(s.c_str(), nullptr, 0); };
    const std::wstring cmd = a.size() > 1 ? a[1] : L"";
    const size_t n = a.size();
    if (n == 4 && cmd == L"watch") return Watch(a[2], a[3]);
    if (n == 5 && cmd == L"find") return Find(a[2], a[3], ms(a[4]));
    if (n == 6 && cmd == L"click") return Click(a[2], a[3], a[4], ms(a[5]));
    if (n == 4 && cmd == L"exists") return ExistsWindow(a[2], ms(a[3]));
    if (n == 3 && cmd == L"count") return Count(a[2]);
    if (n == 5 && cmd == L"client") return Client((int)ms(a[2]), (int)std::wcstol(a[3].c_str(), nullptr, 10), a[4]);
    if (n == 3 && cmd == L"resources") return Resources(a[2]);
    if (n == 5 && cmd == L"close") return CloseWith(a[2], ms(a[3]), ms(a[4]));
    if (n == 7 && cmd == L"send") return SendTo(a[2], a[3], (UINT)num(a[4]), num(a[5]), (LPARAM)num(a[6]));
    if (n == 3 && cmd == L"shortpath") return ShortPath(a[2]);
    if (n == 4 && cmd == L"focus") return Focus(a[2], a[3]);
    if (n == 4 && cmd == L"controls") return Controls(a[2], a[3]);
    if (n == 4 && cmd == L"layout") return Layout(a[2], a[3]);
    if (n >= 5 && cmd == L"keys") return Keys(a[2], a[3], std::vector<std::wstring>(a.begin() + 4, a.end()));
    if (n == 7 && cmd == L"post") return PostTo(a[2], a[3], (UINT)num(a[4]), num(a[5]), (LPARAM)num(a[6]));
    if (n == 6 && cmd == L"clicks") return ClickTwo(a[2], a[3], a[4], a[5]);
    if (n == 6 && cmd == L"settext") return SetText(a[2], a[3], (int)ms(a[4]), a[5]);
    if (n == 6 && cmd == L"move") return Move(a[2], a[3], (int)std::wcstol(a[4].c_str(), nullptr, 10), (int)std::wcstol(a[5].c_str(), nullptr, 10));
    if (n == 5 && cmd == L"run") return RunExact(ms(a[2]), a[3], a[4]);
    if (n == 3 && cmd == L"sporder") return Sporder(a[2]);
    if (n == 3 && cmd == L"pellin") return Pellin(a[2]);
    Say("usage: watch EXE STOPFILE | find CLASS TITLE MS | click CLASS TITLE BUTTON MS |\n"
        "       exists CLASS MS | count CLASS | client S DELAY_MS MARKER | resources EXE |\n"
        "       close CLASS MESSAGE MS | send CLASS TITLE MESSAGE WPARAM LPARAM | shortpath PATH |\n"
        "       run MS EXE TAIL | sporder DLL | pellin DLL | focus CLASS TITLE | controls CLASS TITLE |\n"
        "       layout CLASS TITLE |\n"
        "       keys CLASS TITLE KEY... | post CLASS TITLE MESSAGE WPARAM LPARAM |\n"
        "       clicks CLASS TITLE FIRST SECOND | settext CLASS TITLE ID TEXT | move CLASS TITLE X Y");
    return 64;
}
