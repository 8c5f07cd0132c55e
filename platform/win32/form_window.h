// The native window of a ui::Form: registers its window class, creates one child
// window per control and keeps them in step with the control objects. Without
// controls (a run that shows nothing) it is the top-level window alone: what a second
// setup finds by its class and what the helper program is given, and nothing more.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/windows_api.h"
#include "ui/controls.h"

namespace sorvane::win32 {

class FormWindow : public ui::ControlPeer {
  public:
    // Creates the window hidden; the form's Visible state shows it.
    FormWindow(ui::Form& form, bool with_controls);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    void Changed(ui::Control& control, ui::Property property) override;
    // Alt with a button's accelerator letter, for the window or any of its controls:
    // presses that button. True when the message was taken.
    bool PreTranslate(const MSG& msg);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK MemoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam, bool* handled);
    void CreateNative(ui::Control& control);
    void UpdateShowing();
    // Where the control lies in the form's client area, at the window's DPI.
    RECT Frame(const ui::Control& control) const;
    SIZE WindowSize(int dpi) const;  // the whole window around the form's client area
    // Every control placed, and given its font, again at the window's DPI.
    void Relayout();
    std::uint32_t ColorBehind(const ui::Control& control) const;
    HFONT FontFor(const ui::Font& font);
    HBRUSH BrushFor(std::uint32_t color);
    void Paint();
    ui::Control* ControlOf(HWND child) const;
    bool PressAccelerator(wchar_t letter);
    // Keeps the keyboard usable when the focused control is disabled or hidden.
    void MoveFocusFrom(HWND child);

    ui::Form& form_;
    const bool with_controls_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    // A few dozen entries each, looked up in order: plain lists are enough.
    std::vector<std::pair<HWND, ui::Control*>> controls_;  // in focus order
    std::vector<std::pair<ui::Font, HFONT>> fonts_;
    std::vector<std::pair<std::uint32_t, HBRUSH>> brushes_;
};

}  // namespace sorvane::win32
