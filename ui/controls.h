// The control toolkit of the wizard: every control is a plain object holding its
// state. Once the window exists, a peer mirrors each change into the native control
// and reports the user's clicks back, so the form's logic runs the same headless.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/gif_image.h"

namespace sorvane::ui {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

inline constexpr int kDefaultCharset = 1;  // the system's default character set
inline constexpr int kTurkishCharset = 162;

struct Font {
    const char* face = "Tahoma";  // a name that lives as long as the program
    int height = 11;  // character height in pixels at 96 dpi
    bool bold = false;
    int charset = kDefaultCharset;
};

inline constexpr std::uint32_t kInheritColor = 0xFFFFFFFF;
inline constexpr std::uint32_t kWhite = 0x00FFFFFF;

enum class Kind {
    Form,
    PageControl,
    Page,
    Panel,  // may carry a text, drawn left-aligned and centred vertically
    Button,
    Label,
    Edit,
    Memo,  // multi-line, read-only, with a vertical scroll bar
    CheckBox,
    ProgressBar,
    Image,
};

// Which piece of state changed, so that a peer updates only that.
enum class Property {
    Text,
    Enabled,
    Visible,
    Checked,
    Bounds,
    Font,
    Range,
    Position,
    ActivePage,
    Focus,
};

class Control;

// Mirrors control state into native windows; the Win32 build provides one.
class ControlPeer {
  public:
    virtual ~ControlPeer() = default;
    virtual void Changed(Control& control, Property property) = 0;
};

// Where errors of user callbacks go: no exception may leave a callback.
using ErrorSink = std::function<void(std::exception_ptr)>;
void SetErrorSink(ErrorSink sink);
// Runs |action| and hands anything it throws to the error sink.
void InvokeGuarded(const std::function<void()>& action) noexcept;

class Control {
  public:
    Control(Kind kind, std::string name, Control* parent, Rect bounds);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    Control* parent() const { return parent_; }
    const std::vector<Control*>& children() const { return children_; }

    const std::string& text() const { return text_; }
    void SetText(const std::string& text);
    bool enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool visible() const { return visible_; }
    void SetVisible(bool visible);
    bool checked() const { return checked_; }
    void SetChecked(bool checked);  // fires on_change when the state changes
    const Rect& bounds() const { return bounds_; }
    void SetBounds(const Rect& bounds);
    const Font& font() const { return font_; }
    void SetFont(const Font& font);
    int tag = 0;
    // Background colour as 0x00BBGGRR; kInheritColor takes the parent's (the form's
    // is the system's button face).
    std::uint32_t color = kInheritColor;
    bool bordered = true;    // edits: a sunken border
    bool bevel = false;      // panels: a 2-pixel bevel line along the bottom edge
    bool show_accel = true;  // labels: "&&" shows one ampersand; off for data such as paths
    bool wrap = true;        // labels: words wrap; else one line, cut at the label's edge
    // Pictures: drawn stretched to the control; the picture's transparent colour
    // leaves what lies behind.
    std::unique_ptr<const GifImage> picture;
    // The same picture drawn at twice the size, for a window above 96 dpi; may be empty.
    std::unique_ptr<const GifImage> picture_2x;
    // Focus order among the controls that take the focus; equal orders keep the
    // order of creation.
    int tab_order = 1000;

    // The control's rectangle in the form's client area, at 96 dpi.
    Rect ClientBounds() const;

    // Shown: visible itself and on every level up to the form, pages included.
    bool Showing() const;

    // The user's actions, as a peer or a test reports them. Ignored while disabled.
    void Click();

    std::function<void(Control& sender)> on_click;
    std::function<void(Control& sender)> on_change;

    // Set by the peer: its native handle for this control.
    std::uintptr_t native = 0;

  protected:
    friend class Form;
    void Notify(Property property);

  private:
    Kind kind_;
    std::string name_;
    Control* parent_;
    std::vector<Control*> children_;
    std::string text_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    Rect bounds_;
    Font font_;
};

class ProgressBar : public Control {
  public:
    ProgressBar(std::string name, Control* parent, Rect bounds);
    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    void SetRange(int min, int max);
    void SetPosition(int position);  // kept within the range

  private:
    int min_ = 0, max_ = 100, position_ = 0;
};

class PageControl : public Control {
  public:
    PageControl(std::string name, Control* parent, Rect bounds);
    void AddPage(Control* page) { pages_.push_back(page); }
    const std::vector<Control*>& pages() const { return pages_; }
    int active_index() const { return active_; }
    Control* active_page() const;
    void SetActivePage(int index);  // an index out of range shows no page

  private:
    std::vector<Control*> pages_;
    int active_ = -1;
};

// The top-level window: owns its controls and the peer that mirrors them.
class Form : public Control {
  public:
    Form(std::string name, Rect client);

    template <typename T, typename... Args>
    T& Add(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *control;
        owned_.push_back(std::move(control));
        return ref;
    }
    // Names and texts come as plain strings: the wizard adds dozens of controls, and
    // building the strings here keeps that code out of every call.
    Control& AddControl(Kind kind, const char* name, Control* parent, Rect bounds,
                        const char* text = "");

    const std::vector<std::unique_ptr<Control>>& controls() const { return owned_; }
    Control* Find(const std::string& name) const;

    // Any request to close the window (close box, Alt+F4, the system menu, the
    // system's log-off query): the form answers whether the window may close.
    std::function<bool()> on_close_request;
    // The control that the form gave the focus to.
    Control* focused() const { return focused_; }
    void SetFocus(Control* control);

    ControlPeer* peer() const { return peer_; }
    void SetPeer(ControlPeer* peer) { peer_ = peer; }

  private:
    std::vector<std::unique_ptr<Control>> owned_;
    ControlPeer* peer_ = nullptr;
    Control* focused_ = nullptr;
};

}  // namespace sorvane::ui
