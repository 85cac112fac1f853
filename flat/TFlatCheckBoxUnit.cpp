#include "flat/TFlatCheckBoxUnit.h"

#include <cctype>

#include "flat/FlatGraphics.h"

namespace flat {

namespace {

// The check mark: six one-pixel strokes from B's top-left corner, each
// without its end point.
struct Stroke {
    int x0, y0, x1, y1;
};
constexpr Stroke kMark[] = {{2, 4, 6, 8}, {2, 5, 5, 8}, {2, 6, 5, 9},
                            {8, 2, 4, 6}, {8, 3, 4, 7}, {8, 4, 5, 7}};

// Code page 936: bytes 0x81..0xFE open a double-byte character.
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool SameLetter(char a, char b) {
    const auto ua = static_cast<unsigned char>(a), ub = static_cast<unsigned char>(b);
    if (ua < 0x80 && ub < 0x80) return std::tolower(ua) == std::tolower(ub);
    return ua == ub;
}

// Sets a flag for its lifetime, whatever leaves the scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace

char CheckBoxAccelerator(const std::string& caption) {
    char found = 0;
    for (size_t i = 0; i < caption.size(); ++i) {
        const auto c = static_cast<unsigned char>(caption[i]);
        if (IsLeadByte(c)) {
            ++i;
            continue;
        }
        if (c != '&' || i + 1 >= caption.size()) continue;
        const auto next = static_cast<unsigned char>(caption[i + 1]);
        if (next == '&') {
            ++i;  // "&&" is a plain "&"
            continue;
        }
        found = IsLeadByte(next) ? 0 : static_cast<char>(next);
    }
    return found;
}

fw::Rect CheckBoxRect(TCheckBoxLayout layout, int width) {
    return layout == checkboxRight ? fw::Rect{width - 12, 3, width - 1, 14} : fw::Rect{1, 3, 12, 14};
}

// ---------------------------------------------------------------- construction

TFlatCheckBox::TFlatCheckBox(fw::WinControl* parent)
    : fw::CustomControl(parent), AdvancedColorProperties(*this, fw::clWhite, 0xC5D6D9, 0x8396A0) {
    Shared::Join();
    clickEvents = false;
    SetParentColor(true);
    SetParentFont(true);
    SetTabStop(true);
    SetBounds(0, 0, 121, 17);
}

TFlatCheckBox::~TFlatCheckBox() {
    ReleaseHoverTimer();
    Shared::Leave();
}

// ---------------------------------------------------------------- properties

void TFlatCheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    // The box shows the new state even when a handler fails.
    try {
        Click();
    } catch (...) {
        DrawBox();
        throw;
    }
    DrawBox();
}

void TFlatCheckBox::SetLayout(TCheckBoxLayout layout) {
    layout_ = layout;
    Repaint();
}

void TFlatCheckBox::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Repaint();
}

// ---------------------------------------------------------------- paint

void TFlatCheckBox::Paint(fw::Canvas& canvas) {
    // The erase has filled the client area with Color already.
    if (transparent_) PaintParentBackground(*this, canvas);
    PaintBox(canvas);
    DrawCaption(canvas);
}

// State changes outside a paint cycle redraw the box alone, on the window.
void TFlatCheckBox::DrawBox() {
    // The kept picture shows the old box: the next paint draws it again.
    PictureChanged();
    HWND window = HandleIfAllocated();
    if (!window) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    {
        fw::Canvas canvas(dc);
        PaintBox(canvas);
    }
    ReleaseDC(window, dc);
}

void TFlatCheckBox::PaintBox(fw::Canvas& canvas) {
    const fw::Rect b = CheckBoxRect(layout_, Width());
    canvas.brush.clear = false;
    canvas.brush.color = !hasFocus_ && !isHot_ ? GetColor() : isPressing_ ? adv_.Down() : adv_.Focused();
    canvas.FillRect(b);
    if (checked_) {
        canvas.pen = fw::Pen{Enabled() ? colorCheck_ : fw::clBtnShadow, 1, PS_SOLID};
        for (const Stroke& s : kMark) {
            canvas.MoveTo(b.left + s.x0, b.top + s.y0);
            canvas.LineTo(b.left + s.x1, b.top + s.y1);
        }
    }
    canvas.brush.color = adv_.Border();
    canvas.FrameRect(b);
}

void TFlatCheckBox::DrawCaption(fw::Canvas& canvas) {
    if (Caption().empty()) return;
    const int w = Width(), h = Height();
    const bool left = layout_ == checkboxLeft;
    fw::Rect text = left ? fw::Rect{16, 1, w - 1, h - 1} : fw::Rect{1, 1, w - 16, h - 1};
    const UINT format = DT_TOP | DT_WORDBREAK | (left ? DT_LEFT : DT_RIGHT);
    canvas.font = GetFont();
    canvas.brush.clear = true;
    if (!Enabled()) {
        fw::Rect below{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
        canvas.font.color = fw::clBtnHighlight;
        canvas.DrawText(Caption(), below, format);
        canvas.font.color = fw::clBtnShadow;
    }
    canvas.DrawText(Caption(), text, format);
}

// ---------------------------------------------------------------- hot tracking

void TFlatCheckBox::EnterHot() {
    if (!Enabled() || isHot_) return;
    isHot_ = true;
    DrawBox();
}

// Refused while the button is held: a press stays hot until the first tick
// after its release.
void TFlatCheckBox::LeaveHot() {
    if (!Enabled() || !isHot_ || isPressing_) return;
    isHot_ = false;
    ReleaseHoverTimer();
    DrawBox();
}

void TFlatCheckBox::ReleaseHoverTimer() {
    if (Shared::HoverButton != this) return;
    Shared::HoverTimer->SetEnabled(false);
    Shared::HoverButton = nullptr;
}

void TFlatCheckBox::HoverTimerTick() {
    if (ControlUnderPointer() != this) LeaveHot();
}

// ---------------------------------------------------------------- input

void TFlatCheckBox::MouseMove(const fw::MouseEvent& e) {
    fw::CustomControl::MouseMove(e);
    if (Shared::HoverButton == this) return;
    if (fw::ControlAtScreenPoint(ClientToScreen(POINT{e.x, e.y})) != this) return;
    if (Shared::HoverButton) Shared::HoverButton->LeaveHot();
    // A check box never turns hot while the program is in the background.
    if (!ProgramIsActive()) return;
    fw::Timer& timer = *Shared::HoverTimer;
    if (timer.Enabled()) timer.SetEnabled(false);
    Shared::HoverButton = this;
    timer.OnTimer = [this] { HoverTimerTick(); };
    timer.SetEnabled(true);
    EnterHot();
}

// Only the left button of an enabled box does anything.
void TFlatCheckBox::MouseDown(const fw::MouseEvent& e) {
    if (e.button != fw::MouseButton::Left || !Enabled()) return;
    ::SetFocus(Handle());
    isPressing_ = true;
    DrawBox();
    fw::CustomControl::MouseDown(e);
}

// The press keeps the box hot, so a release anywhere toggles it.
void TFlatCheckBox::MouseUp(const fw::MouseEvent& e) {
    if (e.button != fw::MouseButton::Left || !Enabled()) return;
    const bool pressed = isPressing_;
    isPressing_ = false;
    if (pressed && isHot_) SetChecked(!checked_);
    DrawBox();
    fw::CustomControl::MouseUp(e);
}

// The press ended elsewhere (a menu, a dialog, a task switch): no toggle.
void TFlatCheckBox::CaptureLost() {
    if (!isPressing_) return;
    isPressing_ = false;
    DrawBox();
}

// The accelerator takes the focus and toggles; a space on the focused box
// toggles too but leaves the character to others.
LRESULT TFlatCheckBox::DialogChar(WPARAM wp, LPARAM lp) {
    const char typed = static_cast<char>(wp);
    const char accelerator = CheckBoxAccelerator(Caption());
    if (accelerator && SameLetter(typed, accelerator) && CanFocus()) {
        ::SetFocus(Handle());
        SetChecked(!checked_);
        return 1;
    }
    if (typed == ' ' && hasFocus_ && Enabled()) {
        SetChecked(!checked_);
        return 0;
    }
    return fw::CustomControl::WndProc(fw::notify::DialogChar, wp, lp);
}

// ---------------------------------------------------------------- notifications

void TFlatCheckBox::FocusGained() {
    if (!Enabled()) return;
    hasFocus_ = true;
    DrawBox();
}

void TFlatCheckBox::FocusLost() {
    hasFocus_ = false;
    if (Enabled()) {
        isHot_ = false;
        // Hot again at the next move over the box, not only after another
        // control took the timer.
        ReleaseHoverTimer();
    }
    DrawBox();
}

void TFlatCheckBox::EnabledChanged() {
    if (!Enabled()) {
        isHot_ = false;
        isPressing_ = false;
        ReleaseHoverTimer();
    }
    Repaint();
}

// A transparent box shows what lies under it: a new place needs a new picture.
void TFlatCheckBox::Resized() {
    if (transparent_) Invalidate();
}

LRESULT TFlatCheckBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            // The capture the release gives back is no lost press.
            FlagScope releasing(releasing_);
            return fw::CustomControl::WndProc(msg, wp, lp);
        }
        case WM_CAPTURECHANGED: {
            const LRESULT r = fw::CustomControl::WndProc(msg, wp, lp);
            if (!releasing_ && reinterpret_cast<HWND>(lp) != HandleIfAllocated()) CaptureLost();
            return r;
        }
        case WM_SETFOCUS: {
            const LRESULT r = fw::CustomControl::WndProc(msg, wp, lp);
            FocusGained();
            return r;
        }
        case WM_KILLFOCUS: {
            const LRESULT r = fw::CustomControl::WndProc(msg, wp, lp);
            FocusLost();
            return r;
        }
        case fw::notify::DialogChar:
            return DialogChar(wp, lp);
        case fw::notify::EnabledChanged:
            fw::CustomControl::WndProc(msg, wp, lp);
            EnabledChanged();
            return 0;
        case fw::notify::SysColorChange:
        case fw::notify::ParentColorChanged:
            fw::CustomControl::WndProc(msg, wp, lp);
            adv_.ColorsChanged();
            return 0;
        default:
            return fw::CustomControl::WndProc(msg, wp, lp);
    }
}

}  // namespace flat
