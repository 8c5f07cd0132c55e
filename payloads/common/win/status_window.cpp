#include "payloads/common/win/status_window.h"

namespace sorvane::payloads {

namespace {

constexpr int kClientWidth = 380;
constexpr int kClientHeight = 110;
constexpr int kMargin = 16;

struct WindowState {
    const StatusWindowLook* look;
    HFONT font;
};

LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_CREATE && state != nullptr) {
        HWND label = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_CENTER,
                                     kMargin, kClientHeight / 2 - 12, kClientWidth - 2 * kMargin,
                                     40, window, nullptr, nullptr, nullptr);
        if (label == nullptr) return -1;
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
        SetWindowTextW(label, state->look->text.c_str());
        return 0;
    } else if (state != nullptr && state->look->close_message != 0 &&
               message == state->look->close_message) {
        DestroyWindow(window);
        return 0;
    } else if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// Built without exceptions, nothing can unwind from here into the system.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return HandleMessage(window, message, wparam, lparam);
}

HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        if (HFONT font = CreateFontIndirectW(&metrics.lfMessageFont)) return font;
    }
    return nullptr;
}

}  // namespace

int RunStatusWindow(HINSTANCE instance, const StatusWindowLook& look, int show) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = look.class_name;
    if (!RegisterClassExW(&wc)) return 1;

    HFONT own_font = CreateMessageFont();
    WindowState state{&look,
                      own_font ? own_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))};

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = CreateWindowExW(0, look.class_name, look.title.c_str(), style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, instance, &state);
    int code = 1;
    if (window != nullptr) {
        ShowWindow(window, show);
        UpdateWindow(window);
        MSG msg;
        BOOL got;
        while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        code = got == -1 ? 1 : static_cast<int>(msg.wParam);
    }
    if (own_font) DeleteObject(own_font);
    return code;
}

}  // namespace sorvane::payloads
