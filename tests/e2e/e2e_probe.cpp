// A helper that the wine scenarios run beside the setup: it watches for shown
// windows, reads and clicks the setup's windows, stands in for the filter client
// and lists the setup's embedded payloads. Output is UTF-8, one fact per line.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

void Say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

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

std::vector<HWND> TopLevel() {
    std::vector<HWND> out;
    EnumWindows([](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
    }, (LPARAM)&out);
    return out;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
    }, (LPARAM)&out);
    return out;
}

// A visible top-level window of class |cls| whose caption is |title| ("*": any).
HWND FindShown(const std::wstring& cls, const std::wstring& title) {
    for (HWND h : TopLevel()) {
        if (!IsWindowVisible(h) || ClassOf(h) != cls) continue;
        if (title == L"*" || TextOf(h) == title) return h;
    }
    return nullptr;
}

HWND WaitShown(const std::wstring& cls, const std::wstring& title, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindShown(cls, title)) return h;
        if (GetTickCount() - start >= timeout_ms) return nullptr;
        Sleep(20);
    }
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
        Say("CHILD class=" + Utf8(ClassOf(c)) + " id=" + std::to_string(GetDlgCtrlID(c)) +
            " text=" + Utf8(TextOf(c)));
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

// exists CLASS TIMEOUT_MS: waits for a window of CLASS, hidden ones included.
int ExistsWindow(const std::wstring& cls, DWORD timeout) {
    const DWORD start = GetTickCount();
    while (!FindWindowW(cls.c_str(), nullptr)) {
        if (GetTickCount() - start >= timeout) {
            Say("NOTFOUND");
            return 1;
        }
        Sleep(20);
    }
    Say("EXISTS");
    return 0;
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> a(argv, argv + argc);
    auto ms = [](const std::wstring& s) { return (DWORD)std::wcstoul(s.c_str(), nullptr, 10); };
    if (a.size() == 4 && a[1] == L"watch") return Watch(a[2], a[3]);
    if (a.size() == 5 && a[1] == L"find") return Find(a[2], a[3], ms(a[4]));
    if (a.size() == 6 && a[1] == L"click") return Click(a[2], a[3], a[4], ms(a[5]));
    if (a.size() == 4 && a[1] == L"exists") return ExistsWindow(a[2], ms(a[3]));
    if (a.size() == 3 && a[1] == L"count") return Count(a[2]);
    if (a.size() == 5 && a[1] == L"client") return Client((int)ms(a[2]), (int)std::wcstol(a[3].c_str(), nullptr, 10), a[4]);
    if (a.size() == 3 && a[1] == L"resources") return Resources(a[2]);
    Say("usage: watch EXE STOPFILE | find CLASS TITLE MS | click CLASS TITLE BUTTON MS |\n"
        "       exists CLASS MS | count CLASS | client S DELAY_MS MARKER | resources EXE");
    return 64;
}
