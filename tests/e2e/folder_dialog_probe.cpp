// Wine probe of the folder dialog and the picture painter, built by folder_dialog_e2e.sh
// from the product's sources; no part of the product. Commands:
//   dialog OUT             shows the dialog (no owner) and writes "OK <folder>" or
//                          "CANCEL" to OUT; errors show a box captioned "Error"
//   paint GIF              paints the picture into a bitmap and checks every pixel,
//                          its transparent ones included; exit 0 when all are right
//   wait CAPTION [gone]    waits (60 s at most) until a window of that caption is
//                          shown, or gone; exit 1 on timeout
//   settext CAPTION ID TEXT / click CAPTION ID   acts on a control
//   text CAPTION ID        prints a control's text
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/folder_dialog.h"
#include "platform/win32/picture_painter.h"
#include "ui/controls.h"

namespace {

using namespace sorvane;
using win32::PaintPicture;

HWND FindBox(const std::wstring& caption) {
    HWND box = FindWindowW(nullptr, caption.c_str());
    return box && IsWindowVisible(box) ? box : nullptr;
}

bool LoadGif(const wchar_t* path, ui::GifImage* image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    return ui::DecodeGif(data.data(), data.size(), image);
}

// Paints the picture, doubled, over a field of |field| colour and checks each pixel:
// where the picture's pixel is transparent the field stays, elsewhere its colour shows.
int PaintCheck(const wchar_t* path) {
    ui::GifImage image;
    if (!LoadGif(path, &image)) return 2;
    const int w = image.width * 2, h = image.height * 2;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return 2;
    SelectObject(dc, bitmap);
    const COLORREF field = RGB(0x12, 0x34, 0x56);
    HBRUSH brush = CreateSolidBrush(field);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, brush);
    PaintPicture(dc, image, all);
    GdiFlush();
    int wrong = 0, transparent = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int index = image.indices[(y / 2) * image.width + x / 2];
            const std::uint32_t want =
                index == image.transparent ? 0x123456u : image.palette[index];
            const std::uint32_t got = static_cast<const std::uint32_t*>(bits)[y * w + x] & 0xFFFFFF;
            transparent += index == image.transparent;
            wrong += got != want;
        }
    std::printf("%d of %d pixels wrong, %d transparent\n", wrong, w * h, transparent);
    return wrong == 0 && (image.transparent < 0 || transparent > 0) ? 0 : 1;
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
        line = win32::SelectDirectory(nullptr, "", &folder) ? "OK " + folder : "CANCEL";
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
    if (command == L"paint" && argc == 3) return PaintCheck(argv[2]);
    if (command == L"wait" && argc >= 3) {
        const bool gone = argc > 3;
        for (int i = 0; i < 1200; ++i, Sleep(50))
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
    if (command == L"text") {
        wchar_t text[1024] = {};
        SendMessageW(control, WM_GETTEXT, 1024,
                     reinterpret_cast<LPARAM>(text));  // across processes
        std::printf("%s\n", win32::Narrow(text).c_str());
        return 0;
    }
    return 2;
}
