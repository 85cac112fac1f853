// The advanced colours of a flat control: its focused, down and border
// colours, and the lightness points by which, while they are in use, each is
// derived from the control's own colour (the focused one lighter, the others
// darker). The buttons and the check box keep one set each.
#pragma once

#include "flat/FlatUtilitys.h"
#include "framework/Controls.h"

namespace flat {

// Stores a colour of `owner` and repaints it.
void StoreColor(fw::Control& owner, fw::Color& field, fw::Color value);

class AdvancedColors {
public:
    AdvancedColors(fw::Control& owner, fw::Color focused, fw::Color down, fw::Color border)
        : owner_(owner), focused_(focused), down_(down), border_(border) {}
    AdvancedColors(const AdvancedColors&) = delete;
    AdvancedColors& operator=(const AdvancedColors&) = delete;

    fw::Color Focused() const { return focused_; }
    fw::Color Down() const { return down_; }
    fw::Color Border() const { return border_; }
    // Store and repaint; a later derivation replaces them.
    void SetFocused(fw::Color c) { StoreColor(owner_, focused_, c); }
    void SetDown(fw::Color c) { StoreColor(owner_, down_, c); }
    void SetBorder(fw::Color c) { StoreColor(owner_, border_, c); }

    // Lightness points (0..100); 0 keeps whatever colour is set.
    TAdvColors FocusedPoints() const { return focusedPoints_; }
    TAdvColors DownPoints() const { return downPoints_; }
    TAdvColors BorderPoints() const { return borderPoints_; }
    void SetFocusedPoints(TAdvColors points) { StorePoints(focusedPoints_, points); }
    void SetDownPoints(TAdvColors points) { StorePoints(downPoints_, points); }
    void SetBorderPoints(TAdvColors points) { StorePoints(borderPoints_, points); }

    // On: the owner's colour follows its parent and the three colours are
    // derived from it.
    bool InUse() const { return use_; }
    void SetInUse(bool use);

    // The system colours or the parent's colour changed.
    void ColorsChanged();

private:
    void StorePoints(TAdvColors& field, TAdvColors points);
    void Derive();

    fw::Control& owner_;
    fw::Color focused_, down_, border_;
    TAdvColors focusedPoints_ = 10, downPoints_ = 10, borderPoints_ = 50;
    bool use_ = false;
};

}  // namespace flat
