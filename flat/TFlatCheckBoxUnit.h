// The flat check box: a windowed, focusable two-state control that draws an
// 11 x 11 box with a three-pixel-thick check mark and a word-wrapped caption
// beside it. The box fills white while the pointer is over it or it has the
// focus, and in the down colour while the left button is held on it; the
// caption may stand on the parent's own background. Every change of Checked,
// from the mouse, the keyboard or code, raises OnClick. Its hot state follows
// mouse moves and one polling timer shared by all check boxes.
#pragma once

#include <windows.h>

#include <string>

#include "flat/FlatAdvColors.h"
#include "flat/FlatUtilitys.h"
#include "flat/HoverShared.h"
#include "framework/Controls.h"
#include "framework/Timer.h"

namespace flat {

// The accelerator character of a check box caption: the one after the last
// single "&" ("&&" is a plain "&", a double-byte character of code page 936
// is one unit), or 0 when there is none or it is a double-byte character.
char CheckBoxAccelerator(const std::string& caption);

// Where the box stands in a client area `width` pixels wide (right and bottom
// exclusive); it stays at rows 3 to 13 whatever the height.
fw::Rect CheckBoxRect(TCheckBoxLayout layout, int width);

class TFlatCheckBox : public fw::CustomControl, public AdvancedColorProperties {
public:
    explicit TFlatCheckBox(fw::WinControl* parent = nullptr);
    ~TFlatCheckBox() override;

    bool Checked() const { return checked_; }
    // A change raises OnClick, then redraws the box; the same value does nothing.
    void SetChecked(bool checked);
    TCheckBoxLayout Layout() const { return layout_; }
    void SetLayout(TCheckBoxLayout layout);
    // The parent's background (its colour, picture and windowless children)
    // shows under the control.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    fw::Color ColorCheck() const { return colorCheck_; }
    void SetColorCheck(fw::Color c) { StoreColor(*this, colorCheck_, c); }

    // The state machine, read only.
    bool IsHot() const { return isHot_; }
    bool IsPressing() const { return isPressing_; }
    bool HasFocus() const { return hasFocus_; }

    // The state all check boxes share.
    static const fw::Timer* HoverTimer() { return Shared::HoverTimer.get(); }
    static TFlatCheckBox* HoverCheckBox() { return Shared::HoverButton; }
    static int LiveCheckBoxes() { return Shared::LiveButtons; }

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(fw::Canvas& canvas) override;
    void MouseDown(const fw::MouseEvent& e) override;
    void MouseMove(const fw::MouseEvent& e) override;
    void MouseUp(const fw::MouseEvent& e) override;
    void Resized() override;

private:
    using Shared = HoverShared<TFlatCheckBox>;

    void DrawBox();
    void PaintBox(fw::Canvas& canvas);
    void DrawCaption(fw::Canvas& canvas);

    void EnterHot();
    void LeaveHot();
    void ReleaseHoverTimer();
    void HoverTimerTick();

    void CaptureLost();
    LRESULT DialogChar(WPARAM wp, LPARAM lp);
    void FocusGained();
    void FocusLost();
    void EnabledChanged();

    bool checked_ = false;
    TCheckBoxLayout layout_ = checkboxLeft;
    bool transparent_ = false;
    fw::Color colorCheck_ = fw::clBlack;

    bool isHot_ = false;
    bool isPressing_ = false;
    bool hasFocus_ = false;
    bool releasing_ = false;  // inside a button release: its capture change is ours
};

}  // namespace flat
