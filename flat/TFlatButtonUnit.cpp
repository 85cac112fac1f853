#include "flat/TFlatButtonUnit.h"

#include "framework/Forms.h"

namespace flat {

void TFlatButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    if (HandleAllocated())
        if (fw::Form* form = ParentForm(); form && form->HandleAllocated())
            SendMessageA(form->HandleIfAllocated(), fw::notify::FocusChanged, 0,
                         reinterpret_cast<LPARAM>(form->ActiveControl()));
    Repaint();
}

// ---------------------------------------------------------------- paint

// Drawn into the window's kept picture, which reaches the screen in one copy.
void TFlatButton::Paint(fw::Canvas& canvas) {
    PlaceContent(canvas);
    if (!FillBackground(canvas)) PaintParentBackground(*this, canvas);
    DrawFace(canvas, default_ ? 2 : 1);
}

// ---------------------------------------------------------------- input

void TFlatButton::MouseDown(const fw::MouseEvent& e) {
    FlatButtonBase::MouseDown(e);
    SetFocus();
}

// A focused button looks hot until the focus leaves, or until the hover
// poll finds the pointer gone after it had entered.
void TFlatButton::FocusGained() {
    if (!Enabled()) return;
    isHot_ = true;
    Repaint();
}

// A Space press the focus leaves ends without a click: its release goes elsewhere.
void TFlatButton::FocusLost() {
    const bool spaceEnded = spacePressed_ && state_ == fbsDown && !isPressing_;
    spacePressed_ = false;
    if (spaceEnded) state_ = fbsUp;
    LeaveHot();
    if (spaceEnded) Repaint();
}

// Auto-repeated presses repeat this.
void TFlatButton::SpaceDown() {
    spacePressed_ = true;
    if (GroupIndex() == 0) state_ = fbsDown;
    else SetDown(true);
    Repaint();
}

// The click comes with the release of a Space pressed on the button; the
// button shows its new state even when a click handler fails.
void TFlatButton::SpaceUp() {
    if (!spacePressed_) return;
    spacePressed_ = false;
    if (GroupIndex() == 0) state_ = fbsUp;
    else SetDown(false);
    try {
        Click();
    } catch (...) {
        Repaint();
        throw;
    }
    Repaint();
}

bool TFlatButton::DialogChar(WPARAM ch) {
    if (!TakesAccelerator(ch)) return false;
    if (GroupIndex() != 0) SetDown(true);
    Click();
    return true;
}

// What shows through a transparent button depends on where it stands; a
// new size needs a new picture whatever the mode.
void TFlatButton::Moved(bool resized) {
    if (resized || TransparentMode() != tmNone) Repaint();
}

LRESULT TFlatButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SETFOCUS: {
            const LRESULT r = FlatButtonBase::WndProc(msg, wp, lp);
            FocusGained();
            return r;
        }
        case WM_KILLFOCUS: {
            const LRESULT r = FlatButtonBase::WndProc(msg, wp, lp);
            FocusLost();
            return r;
        }
        // Only the Space key is the button's; no other key is handled.
        case WM_KEYDOWN:
            if (wp == VK_SPACE) SpaceDown();
            return 0;
        case WM_KEYUP:
            if (wp == VK_SPACE) SpaceUp();
            return 0;
        case WM_MOVE:
        case WM_SIZE: {
            const LRESULT r = FlatButtonBase::WndProc(msg, wp, lp);
            Moved(msg == WM_SIZE);
            return r;
        }
        case fw::notify::DialogChar:
            return DialogChar(wp) ? 1 : 0;
        default:
            return FlatButtonBase::WndProc(msg, wp, lp);
    }
}

}  // namespace flat
