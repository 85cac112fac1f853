// The flat speed button: a windowless push button drawn flat on its parent's
// surface. Idle it shows a thin border, under the pointer ("hot") a raised
// frame and a highlight fill, pressed a sunken frame and a down fill. It
// carries a glyph of up to four cells (normal, disabled, down, latched) and a
// caption, latches down as a member of a group, and sets its form's modal
// result when clicked. It never takes the keyboard focus; its hot state
// follows mouse moves and one polling timer shared by all speed buttons.
#pragma once

#include "flat/FlatButtonBase.h"
#include "framework/Controls.h"

namespace flat {

class TFlatSpeedButton : public FlatButtonBase<fw::Control, TFlatSpeedButton> {
public:
    explicit TFlatSpeedButton(fw::WinControl* parent = nullptr) : FlatButtonBase(parent) {}

protected:
    void Paint(fw::Canvas& canvas) override;
};

}  // namespace flat
