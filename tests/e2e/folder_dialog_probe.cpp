// Wine probe of the folder dialog and the picture painter, built by folder_dialog_e2e.sh
// from the product's sources; no part of the product. Commands:
//   dialog OUT             shows the dialog (no owner) and writes "OK <folder>" or
//                          "CANCEL" to OUT; errors show a box captioned "Error"
//   pictures BANNER LOGO   a window with the two pictures over a striped field, for
//                          screenshots; it ends when closed
//   wait CAPTION [gone]    waits (20 s at most) until a window of that caption is
//                          shown, or gone; exit 1 on timeout
//   settext CAPTION ID TEXT / click CAPTION ID / focus CAPTION ID   acts on a control
//   text CAPTION ID        prints a control's text
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/folder_dialog.h"
#include "platform/win32/picture_painter.h"
#include "ui/controls.h"

namespace sorvane::win32 {
std::wstring Widen(const std::string& utf8) {
    std::wstring w(utf8.size() + 1, L'\0');
    w.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(),
                                                          static_cast<int>(utf8.size()), w.data(),
                                                          static_cast<int>(w.size()))));
    return w;
}
std::string Narrow(const std::wstring& wide) {
    std::string s(wide.size() * 3 + 1, '\0');
    s.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), s.data(),
                            static_cast<int>(s.size()), nullptr, nullptr)));
    return s;
}
}  // namespace sorvane::win32

namespace {

using namespace sorvane;
using win32::PaintPicture;

HWND FindBox(const std::wstring& caption) {
    HWND box = FindWindowW(nullptr, caption.c_str());
    return box && IsWindowVisible(box) ? box : nullptr;
}

ui::GifImage banner, logo;

LRESULT CALLBACK PicturesProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        for (int i = 0; i < 10; ++i) {  // stripes show where the logo is transparent
            RECT stripe{300, i * 36, 560, i * 36 + 18};
            FillRect(dc, &stripe, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        PaintPicture(dc, banner, RECT{0, 0, 165, 315});
        PaintPicture(dc, logo, RECT{27, 163, 137, 295});
        PaintPicture(dc, banner, RECT{180, 0, 280, 150});  // shrunk
        PaintPicture(dc, logo, RECT{320, 20, 540, 284});   // doubled, over the stripes
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool LoadGif(const wchar_t* path, ui::GifImage* image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    return ui::DecodeGif(data.data(), data.size(), image);
}

int ShowPictures(const wchar_t* banner_path, const wchar_t* logo_path) {
    if (!LoadGif(banner_path, &banner) || !LoadGif(logo_path, &logo)) return 2;
    WNDCLASSW wc{};
    wc.lpfnWndProc = PicturesProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"PicturesProbe";
    RegisterClassW(&wc);
    CreateWindowW(L"PicturesProbe", L"Pictures", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 580, 360,
                  nullptr, nullptr, wc.hInstance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

int ShowDialog(const wchar_t* out_path) {
    ui::SetErrorSink([](std::exception_ptr error) {
        std::string text = "Unknown error.";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            text = e.what();
        } catch (...) {
        }
        MessageBoxW(nullptr, win32::Widen(text).c_str(), L"Error", MB_OK | MB_ICONERROR);
    });
    std::string folder;
    std::string line;
    try {
        line = win32::SelectDirectory(nullptr, &folder) ? "OK " + folder : "CANCEL";
    } catch (const std::exception& e) {
        line = std::string("THROWN ") + e.what();
    }
    std::ofstream(out_path, std::ios::binary) << line << "\n";
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitialize(nullptr);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"dialog" && argc == 3) return ShowDialog(argv[2]);
    if (command == L"pictures" && argc == 4) return ShowPictures(argv[2], argv[3]);
    if (command == L"wait" && argc >= 3) {
        const bool gone = argc > 3;
        for (int i = 0; i < 400; ++i, Sleep(50))
            if ((FindBox(argv[2]) == nullptr) == gone) return 0;
        return 1;
    }
    HWND box = argc > 3 ? FindBox(argv[2]) : nullptr;
    HWND control = box ? GetDlgItem(box, _wtoi(argv[3])) : nullptr;
    if (!control) return 1;
    if (command == L"settext" && argc == 5) return SetWindowTextW(control, argv[4]) ? 0 : 1;
    // Posted, as the click may open a modal box that would block a sent message.
    if (command == L"click")
        return PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                            reinterpret_cast<LPARAM>(control))
                   ? 0
                   : 1;
    if (command == L"focus")
        return PostMessageW(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE) ? 0 : 1;
    if (command == L"text") {
        wchar_t text[1024] = {};
        SendMessageW(control, WM_GETTEXT, 1024,
                     reinterpret_cast<LPARAM>(text));  // across processes
        std::printf("%s\n", win32::Narrow(text).c_str());
        return 0;
    }
    return 2;
}
