#include "platform/win32/form_window.h"

#include <cstring>
#include <vector>

#include "platform/os.h"
#include "platform/setup_error.h"
#include "platform/win32/picture_painter.h"
#include "platform/win32/window_dpi.h"
#include "ui/scale.h"

namespace sorvane::win32 {

namespace {

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif
// Child ids start above IDOK and IDCANCEL, which the dialog manager sends for
// Enter and Escape when no button claims them.
constexpr int kFirstControlId = 100;

WNDPROC g_edit_proc = nullptr;

COLORREF Resolve(std::uint32_t color) {
    return color == ui::kInheritColor ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(color);
}

void RegisterFormClass(HINSTANCE instance, WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    const WideText name = Widen(kWizardWindowClass);
    wc.lpszClassName = name.c_str();
    registered = RegisterClassExW(&wc) != 0;
}

// Letters compared as a Turkish reader types them: the four I's are one letter.
wchar_t Fold(wchar_t c) {
    if (c == L'I' || c == 0x0130 || c == 0x0131) return L'i';
    return static_cast<wchar_t>(towlower(c));
}

// The letter after the single '&' of a caption, 0 when there is none.
wchar_t AcceleratorOf(const WideText& text) {
    const wchar_t* caption = text.c_str();
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return caption[i + 1];
        ++i;
    }
    return 0;
}

}  // namespace

namespace {

// The control as a progress bar, when it is one.
ui::ProgressBar* AsProgressBar(ui::Control& control) {
    return control.kind() == ui::Kind::ProgressBar ? static_cast<ui::ProgressBar*>(&control)
                                                   : nullptr;
}

}  // namespace

FormWindow::FormWindow(ui::Form& form, bool with_controls)
    : form_(form), with_controls_(with_controls) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterFormClass(instance, &FormWindow::WndProc);
    // Made on the primary monitor, whose work area centres it; its DPI is known once
    // the window exists, and only then the window takes its size.
    hwnd_ = CreateWindowExW(0, Widen(kWizardWindowClass).c_str(), Widen(form.text()).c_str(),
                            kFormStyle, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    if (!hwnd_) throw SetupError("The setup window cannot be created.");
    dpi_ = WindowDpi(hwnd_);
    const SIZE size = WindowSize(dpi_);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
                 work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    form.native = reinterpret_cast<std::uintptr_t>(hwnd_);
    if (!with_controls_) {
        form.SetPeer(this);
        return;
    }
    // Created in focus order: the dialog manager's Tab follows the windows' order.
    // A plain insertion sort keeps equal tab orders in creation order, for a few dozen
    // controls, without the library's merge machinery in the program.
    std::vector<ui::Control*> order;
    for (const auto& control : form.controls()) {
        ui::Control* c = control.get();
        std::size_t at = order.size();
        while (at > 0 && order[at - 1]->tab_order > c->tab_order) --at;
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), c);
    }
    for (ui::Control* control : order) CreateNative(*control);
    form.SetPeer(this);
    UpdateShowing();
}

FormWindow::~FormWindow() {
    form_.SetPeer(nullptr);
    if (hwnd_) DestroyWindow(hwnd_);
    for (auto& [key, font] : fonts_) DeleteObject(font);
    for (auto& [key, brush] : brushes_) DeleteObject(brush);
}

RECT FormWindow::Frame(const ui::Control& control) const {
    const ui::Rect r = ui::ScaleToDpi(control.ClientBounds(), dpi_);
    return RECT{r.left, r.top, r.left + r.width, r.top + r.height};
}

SIZE FormWindow::WindowSize(int dpi) const {
    const RECT r = FrameAround(ui::ScaleToDpi(form_.bounds().width, dpi),
                               ui::ScaleToDpi(form_.bounds().height, dpi), kFormStyle, dpi);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void FormWindow::Relayout() {
    // The fonts of the old DPI go once every control has its new one.
    std::vector<std::pair<ui::Font, HFONT>> old;
    old.swap(fonts_);
    for (auto& [child, control] : controls_) {
        const RECT r = Frame(*control);
        MoveWindow(child, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control->font())), FALSE);
    }
    for (auto& [key, font] : old) DeleteObject(font);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::uint32_t FormWindow::ColorBehind(const ui::Control& control) const {
    for (const ui::Control* c = &control; c; c = c->parent())
        if (c->color != ui::kInheritColor) return c->color;
    return ui::kInheritColor;
}

HFONT FormWindow::FontFor(const ui::Font& font) {
    for (const auto& [known, made] : fonts_)
        if (std::strcmp(known.face, font.face) == 0 && known.height == font.height &&
            known.bold == font.bold && known.charset == font.charset)
            return made;
    HFONT f =
        CreateFontW(-ui::ScaleToDpi(font.height, dpi_), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                    static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(font.face).c_str());
    fonts_.emplace_back(font, f);
    return f;
}

HBRUSH FormWindow::BrushFor(std::uint32_t color) {
    for (const auto& [known, made] : brushes_)
        if (known == color) return made;
    HBRUSH b = CreateSolidBrush(Resolve(color));
    brushes_.emplace_back(color, b);
    return b;
}

ui::Control* FormWindow::ControlOf(HWND child) const {
    for (const auto& [window, control] : controls_)
        if (window == child) return control;
    return nullptr;
}

void FormWindow::CreateNative(ui::Control& control) {
    const wchar_t* cls = nullptr;
    DWORD style = WS_CHILD;
    DWORD ex_style = 0;
    switch (control.kind()) {
        case ui::Kind::Button:
            cls = L"BUTTON";
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case ui::Kind::CheckBox:
            cls = L"BUTTON";
            style |= BS_CHECKBOX | WS_TABSTOP;  // the control object holds the state
            break;
        case ui::Kind::Label:
            cls = L"STATIC";
            style |= (control.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP) |
                     (control.show_accel ? 0 : SS_NOPREFIX);
            break;
        case ui::Kind::Edit:
            cls = L"EDIT";
            style |= ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
            if (control.bordered) ex_style |= WS_EX_CLIENTEDGE;
            break;
        case ui::Kind::Memo:
            cls = L"EDIT";
            style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
            ex_style |= WS_EX_CLIENTEDGE;
            break;
        case ui::Kind::ProgressBar:
            cls = PROGRESS_CLASSW;
            break;
        default:
            return;  // containers and pictures are drawn by the form itself
    }
    const RECT at = Frame(control);
    const auto id = static_cast<UINT_PTR>(kFirstControlId + controls_.size());
    HWND child = CreateWindowExW(ex_style, cls, Widen(control.text()).c_str(), style, at.left,
                                 at.top, at.right - at.left, at.bottom - at.top, hwnd_,
                                 reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
    if (!child) return;
    control.native = reinterpret_cast<std::uintptr_t>(child);
    controls_.emplace_back(child, &control);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font())), FALSE);
    EnableWindow(child, control.enabled());
    if (control.kind() == ui::Kind::Memo) {
        auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::MemoProc)));
        if (!g_edit_proc) g_edit_proc = previous;
    }
    if (control.kind() == ui::Kind::CheckBox)
        SendMessageW(child, BM_SETCHECK, control.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    if (auto* bar = AsProgressBar(control)) {
        SendMessageW(child, PBM_SETRANGE32, bar->min(), bar->max());
        SendMessageW(child, PBM_SETPOS, bar->position(), 0);
    }
}

void FormWindow::UpdateShowing() {
    HWND focus = GetFocus();
    for (auto& [child, control] : controls_)
        ShowWindow(child, control->Showing() ? SW_SHOWNA : SW_HIDE);
    if (focus && ControlOf(focus)) MoveFocusFrom(focus);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::MoveFocusFrom(HWND child) {
    if (GetFocus() != child && GetFocus() != nullptr) return;
    if (IsWindowVisible(child) && IsWindowEnabled(child)) return;
    HWND next = GetNextDlgTabItem(hwnd_, child, FALSE);
    SetFocus(next && next != child && IsWindowEnabled(next) ? next : hwnd_);
}

void FormWindow::Changed(ui::Control& control, ui::Property property) {
    // Without controls only the window's caption follows the form: nothing is shown.
    if (!with_controls_) {
        if (&control == &form_ && property == ui::Property::Text)
            SetWindowTextW(hwnd_, Widen(control.text()).c_str());
        return;
    }
    if (&control == &form_) {
        if (property == ui::Property::Text) SetWindowTextW(hwnd_, Widen(control.text()).c_str());
        if (property == ui::Property::Visible) {
            UpdateShowing();
            ShowWindow(hwnd_, control.visible() ? SW_SHOWNORMAL : SW_HIDE);
            if (control.visible()) UpdateWindow(hwnd_);
        }
        return;
    }
    HWND child = reinterpret_cast<HWND>(control.native);
    switch (property) {
        case ui::Property::Visible:
        case ui::Property::ActivePage:
            UpdateShowing();
            return;
        default:
            break;
    }
    if (!child) {
        InvalidateRect(hwnd_, nullptr, TRUE);
        return;
    }
    switch (property) {
        case ui::Property::Text:
            SetWindowTextW(child, Widen(control.text()).c_str());
            break;
        case ui::Property::Enabled: {
            // The system drops the focus of a window it disables: it goes on instead.
            const bool had_focus = GetFocus() == child;
            EnableWindow(child, control.enabled());
            if (had_focus && !control.enabled()) MoveFocusFrom(child);
            // A button that comes back while nothing has the focus takes it, so that
            // the keyboard goes on working (the finish button after the run).
            HWND focus = GetFocus();
            if (control.enabled() && control.kind() == ui::Kind::Button && control.Showing() &&
                IsWindowVisible(hwnd_) && (focus == hwnd_ || focus == nullptr))
                SetFocus(child);
            break;
        }
        case ui::Property::Checked:
            SendMessageW(child, BM_SETCHECK, control.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ui::Property::Bounds: {
            const RECT at = Frame(control);
            MoveWindow(child, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
            break;
        }
        case ui::Property::Font:
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font())),
                         TRUE);
            break;
        case ui::Property::Range:
        case ui::Property::Position:
            if (auto* bar = AsProgressBar(control)) {
                SendMessageW(child, PBM_SETRANGE32, bar->min(), bar->max());
                SendMessageW(child, PBM_SETPOS, bar->position(), 0);
            }
            break;
        case ui::Property::Focus:
            SetFocus(child);
            break;
        default:
            break;
    }
}

void FormWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    for (const auto& control : form_.controls()) {
        const bool panel = control->kind() == ui::Kind::Panel;
        if ((!panel && control->kind() != ui::Kind::Image) || !control->Showing()) continue;
        RECT r = Frame(*control);
        if (!panel) {
            // Above 96 dpi the larger drawing, reduced smoothly where the scale is below 200 %.
            const ui::GifImage* picture =
                dpi_ > ui::kDesignDpi && control->picture_2x ? control->picture_2x.get()
                                                             : control->picture.get();
            if (picture) PaintPicture(dc, *picture, r);
            continue;
        }
        if (control->color != ui::kInheritColor) FillRect(dc, &r, BrushFor(control->color));
        if (!control->text().empty()) {
            HGDIOBJ old = SelectObject(dc, FontFor(control->font()));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            const WideText text = Widen(control->text());
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
        }
        if (control->bevel) DrawEdge(dc, &r, EDGE_ETCHED, BF_BOTTOM);
    }
    EndPaint(hwnd_, &ps);
}

bool FormWindow::PreTranslate(const MSG& msg) {
    // Taken before the dialog manager, whose own search misses the Turkish I's.
    if (msg.message != WM_SYSCHAR || msg.wParam <= L' ') return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    bool pressed = false;
    ui::InvokeGuarded([&] { pressed = PressAccelerator(static_cast<wchar_t>(msg.wParam)); });
    return pressed;
}

bool FormWindow::PressAccelerator(wchar_t letter) {
    for (auto& [child, control] : controls_) {
        if (control->kind() != ui::Kind::Button || !control->Showing() || !control->enabled())
            continue;
        const wchar_t accelerator = AcceleratorOf(Widen(control->text()));
        if (accelerator && Fold(accelerator) == Fold(letter)) {
            control->Click();
            return true;
        }
    }
    return false;
}

LRESULT FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam, bool* handled) {
    *handled = true;
    switch (message) {
        case WM_UPDATEUISTATE:
            // The keyboard cues stay as they are: focus rectangles and underlines.
            return 1;
        case WM_CLOSE:
            // Close box, Alt+F4 and the system menu: the process ends only by the quit.
            if (form_.on_close_request) form_.on_close_request();
            return 0;
        case WM_QUERYENDSESSION:
            return !form_.on_close_request || form_.on_close_request() ? TRUE : FALSE;
        case DM_GETDEFID: {
            // Enter presses the focused push button and nothing else.
            HWND focus = GetFocus();
            ui::Control* c = ControlOf(focus);
            if (c && c->kind() == ui::Kind::Button && c->enabled())
                return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
            return 0;
        }
        case WM_COMMAND: {
            ui::Control* c = ControlOf(reinterpret_cast<HWND>(lparam));
            if (c && HIWORD(wparam) == BN_CLICKED &&
                (c->kind() == ui::Kind::Button || c->kind() == ui::Kind::CheckBox)) {
                c->Click();
            }
            return 0;  // Enter and Escape without a button of their own do nothing
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            ui::Control* c = ControlOf(reinterpret_cast<HWND>(lparam));
            std::uint32_t color = c ? ColorBehind(*c) : ui::kInheritColor;
            COLORREF back = Resolve(color);
            HBRUSH brush = nullptr;
            if (c && (c->kind() == ui::Kind::Edit || c->kind() == ui::Kind::Memo) && c->bordered) {
                // A framed text box, read-only or not, shows the window colour.
                back = GetSysColor(COLOR_WINDOW);
                brush = GetSysColorBrush(COLOR_WINDOW);
            }
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, back);
            return reinterpret_cast<LRESULT>(brush ? brush : BrushFor(color));
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_GETDPISCALEDSIZE: {
            // The client area scales with the DPI; the frame is the system's at that DPI.
            if (!lparam) return FALSE;
            *reinterpret_cast<SIZE*>(lparam) = WindowSize(LOWORD(wparam));
            return TRUE;
        }
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wparam);
            if (const RECT* r = reinterpret_cast<const RECT*>(lparam))
                SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left,
                             r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
            if (with_controls_) Relayout();
            return 0;
        }
        default:
            break;
    }
    *handled = false;
    return 0;
}

LRESULT CALLBACK FormWindow::MemoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_GETDLGCODE) {
        // Tab, Enter and Escape belong to the wizard; the memo keeps its arrows.
        return DLGC_WANTARROWS | DLGC_HASSETSEL;
    }
    return CallWindowProcW(g_edit_proc, hwnd, message, wparam, lparam);
}

LRESULT CALLBACK FormWindow::WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->hwnd_ == hwnd) {
        bool handled = false;
        LRESULT result = 0;
        ui::InvokeGuarded([&] { result = self->Handle(message, wparam, lparam, &handled); });
        if (handled) return result;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace sorvane::win32
