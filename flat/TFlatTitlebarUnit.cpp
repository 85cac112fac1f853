#include "flat/TFlatTitlebarUnit.h"

#include "framework/Errors.h"

namespace flat {

TFlatTitlebar::TFlatTitlebar(fw::WinControl* parent) : fw::CustomControl(nullptr) {
    clickEvents = false;  // the bar publishes no clicks
    SetBounds(0, 0, 100, 19);
    // The base class placed nothing: the parent goes through the form check here.
    SetParent(parent);
}

TFlatTitlebar::~TFlatTitlebar() { Unhook(); }

// ---------------------------------------------------------------- properties

void TFlatTitlebar::ChangeColor(fw::Color& field, fw::Color value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

void TFlatTitlebar::SetActiveTextColor(fw::Color c) { ChangeColor(activeTextColor_, c); }
void TFlatTitlebar::SetInactiveTextColor(fw::Color c) { ChangeColor(inactiveTextColor_, c); }
void TFlatTitlebar::SetTitlebarColor(fw::Color c) { ChangeColor(titlebarColor_, c); }

// ---------------------------------------------------------------- form and hook

void TFlatTitlebar::SetParent(fw::WinControl* parent) {
    auto* form = dynamic_cast<fw::Form*>(parent);
    if (parent && !form)
        throw fw::InvalidOperation("TFlatTitlebar can only be placed on a descndant of a TCustomForm");
    if (form != hookedForm_) Unhook();
    hostForm_ = form;
    fw::CustomControl::SetParent(parent);
}

void TFlatTitlebar::Loaded() {
    fw::CustomControl::Loaded();
    if (!hostForm_ || hookId_) return;
    hookedForm_ = hostForm_;
    hookId_ = hostForm_->AddHook([this](UINT msg, WPARAM wp, LPARAM, LRESULT&) {
        if (msg == WM_ACTIVATE) FormActivation(wp);
        return false;  // the form handles every message as it would without the bar
    });
}

void TFlatTitlebar::Unhook() {
    // A form destroyed first took its hooks along and cleared the bar's parent.
    if (hookId_ && Parent() == hookedForm_) hookedForm_->RemoveHook(hookId_);
    hookId_ = 0;
    hookedForm_ = nullptr;
}

void TFlatTitlebar::FormActivation(WPARAM wp) {
    switch (LOWORD(wp)) {
        case WA_INACTIVE: ActiveChanged(false); break;
        case WA_ACTIVE:
        case WA_CLICKACTIVE: ActiveChanged(true); break;
        default: break;
    }
}

void TFlatTitlebar::ActiveChanged(bool active) {
    isActive_ = active;
    Invalidate();
    const std::function<void()> event = active ? OnActivate : OnDeactivate;
    // An error in the handler ends that handler only: the other bars and the
    // form still get the message.
    if (event) fw::Guarded(event);
}

// ---------------------------------------------------------------- paint

void TFlatTitlebar::Paint(fw::Canvas& canvas) {
    canvas.font = GetFont();
    canvas.font.color = isActive_ ? activeTextColor_ : inactiveTextColor_;
    canvas.brush.color = titlebarColor_;
    canvas.brush.clear = false;
    const std::string& caption = Caption();
    const SIZE text = canvas.TextExtent(caption);
    canvas.FillRect(ClientRect());
    // Centred on the bar and not clipped: a wide caption starts left of it.
    if (!caption.empty())
        canvas.TextOut(Width() / 2 - text.cx / 2, Height() / 2 - text.cy / 2, caption);
}

// ---------------------------------------------------------------- mouse

LRESULT TFlatTitlebar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    // The mouse went to another window (a menu, a dialog, a task switch): the
    // button release will not come here, so the drag ends now.
    if (msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(lp) != HandleIfAllocated()) DragEnded();
    return fw::CustomControl::WndProc(msg, wp, lp);
}

void TFlatTitlebar::MouseDown(const fw::MouseEvent& e) {
    if (e.button == fw::MouseButton::Left) isDragging_ = true;
    dragOrigin_ = POINT{e.x, e.y};
}

void TFlatTitlebar::MouseMove(const fw::MouseEvent& e) {
    if (!isDragging_ || !hostForm_) return;
    const int x = e.x, y = e.y;
    // Two moves, across then down; the bar moves with its form, so the pointer
    // stays at the drag origin and the window follows it.
    fw::Form& form = *hostForm_;
    form.SetBounds(form.Left() + x - dragOrigin_.x, form.Top(), form.Width(), form.Height());
    form.SetBounds(form.Left(), form.Top() + y - dragOrigin_.y, form.Width(), form.Height());
}

void TFlatTitlebar::MouseUp(const fw::MouseEvent&) { DragEnded(); }

void TFlatTitlebar::DragEnded() { isDragging_ = false; }

}  // namespace flat
