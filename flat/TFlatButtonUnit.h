// The flat button: the windowed sibling of the speed button, with the same
// looks, glyph cells, latching groups and hot tracking, but a window of its
// own, so it takes the keyboard focus (a focused button looks hot), is
// reached with Tab, pressed with the Space key (clicking on the release) and
// by its caption's accelerator. Its transparency is the parent painting its
// own background into the button. A default button has a two-pixel idle
// frame. Its hot state follows mouse moves and one polling timer shared by
// all flat buttons, apart from the speed buttons' one.
#pragma once

#include <windows.h>

#include "flat/FlatButtonBase.h"
#include "framework/Controls.h"

namespace flat {

class TFlatButton : public FlatButtonBase<fw::CustomControl, TFlatButton> {
public:
    explicit TFlatButton(fw::WinControl* parent = nullptr) : FlatButtonBase(parent) {}

    // Only the idle frame shows it (two pixels wide); the Enter key does
    // nothing for it. Setting it tells the form the focus situation changed.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(fw::Canvas& canvas) override;
    void MouseDown(const fw::MouseEvent& e) override;
    // Paint covers every pixel: no erase first.
    bool EraseBackground(HDC) override { return false; }

private:
    void FocusGained();
    void FocusLost();
    void SpaceDown();
    void SpaceUp();
    bool DialogChar(WPARAM ch);
    void Moved(bool resized);

    bool default_ = false;
    bool spacePressed_ = false;  // a Space press began on the button and is held
};

}  // namespace flat
