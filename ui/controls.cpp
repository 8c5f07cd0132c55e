#include "ui/controls.h"

#include <algorithm>

namespace sorvane::ui {

namespace {
ErrorSink& Sink() {
    static ErrorSink sink;
    return sink;
}
}  // namespace

void SetErrorSink(ErrorSink sink) {
    Sink() = std::move(sink);
}

void InvokeGuarded(const std::function<void()>& action) noexcept {
    try {
        action();
    } catch (...) {
        try {
            if (Sink()) Sink()(std::current_exception());
        } catch (...) {
            // A failing reporter must not take the message loop down with it.
        }
    }
}

Control::Control(Kind kind, std::string name, Control* parent, Rect bounds)
    : kind_(kind), name_(std::move(name)), parent_(parent), bounds_(bounds) {
    if (parent_) parent_->children_.push_back(this);
}

void Control::Notify(Property property) {
    const Control* top = this;
    while (top->parent_) top = top->parent_;
    if (top->kind_ != Kind::Form) return;
    if (ControlPeer* peer = static_cast<const Form*>(top)->peer()) peer->Changed(*this, property);
}

void Control::SetText(const std::string& text) {
    if (text_ == text) return;
    text_ = text;
    Notify(Property::Text);
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Notify(Property::Enabled);
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Notify(Property::Visible);
}

void Control::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Notify(Property::Checked);
    if (on_change) on_change(*this);
}

void Control::SetBounds(const Rect& bounds) {
    bounds_ = bounds;
    Notify(Property::Bounds);
}

void Control::SetFont(const Font& font) {
    font_ = font;
    Notify(Property::Font);
}

Rect Control::ClientBounds() const {
    Rect r = bounds_;
    for (const Control* c = parent_; c && c->parent_; c = c->parent_) {
        r.left += c->bounds_.left;
        r.top += c->bounds_.top;
    }
    return r;
}

bool Control::Showing() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (!c->visible_) return false;
        if (c->parent_ && c->parent_->kind_ == Kind::PageControl &&
            static_cast<const PageControl*>(c->parent_)->active_page() != c)
            return false;
    }
    return true;
}

void Control::Click() {
    if (!enabled_) return;
    if (kind_ == Kind::CheckBox) SetChecked(!checked_);
    if (on_click) on_click(*this);
}

ProgressBar::ProgressBar(std::string name, Control* parent, Rect bounds)
    : Control(Kind::ProgressBar, std::move(name), parent, bounds) {}

void ProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    Notify(Property::Range);
}

void ProgressBar::SetPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    Notify(Property::Position);
}

PageControl::PageControl(std::string name, Control* parent, Rect bounds)
    : Control(Kind::PageControl, std::move(name), parent, bounds) {}

Control* PageControl::active_page() const {
    if (active_ < 0 || active_ >= static_cast<int>(pages_.size())) return nullptr;
    return pages_[active_];
}

void PageControl::SetActivePage(int index) {
    active_ = (index >= 0 && index < static_cast<int>(pages_.size())) ? index : -1;
    Notify(Property::ActivePage);
}

Form::Form(std::string name, Rect client) : Control(Kind::Form, std::move(name), nullptr, client) {}

Control& Form::AddControl(Kind kind, const char* name, Control* parent, Rect bounds,
                          const char* text) {
    Control& c = Add<Control>(kind, std::string(name), parent, bounds);
    c.SetText(text);
    return c;
}

void Form::SetFocus(Control* control) {
    focused_ = control;
    if (control) control->Notify(Property::Focus);
}

Control* Form::Find(const std::string& name) const {
    for (const auto& c : owned_)
        if (c->name() == name) return c.get();
    return nullptr;
}

}  // namespace sorvane::ui
