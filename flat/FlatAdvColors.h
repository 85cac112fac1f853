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

// The advanced-colour properties of a control that keeps one set: its
// focused, down and border colours, their lightness points and the switch
// that derives them. A control lists this beside its framework base.
class AdvancedColorProperties {
public:
    fw::Color ColorFocused() const { return adv_.Focused(); }
    void SetColorFocused(fw::Color c) { adv_.SetFocused(c); }
    fw::Color ColorDown() const { return adv_.Down(); }
    void SetColorDown(fw::Color c) { adv_.SetDown(c); }
    fw::Color ColorBorder() const { return adv_.Border(); }
    void SetColorBorder(fw::Color c) { adv_.SetBorder(c); }
    // Lightness points (0..100) by which the advanced colours move from Color.
    TAdvColors AdvColorFocused() const { return adv_.FocusedPoints(); }
    void SetAdvColorFocused(TAdvColors percent) { adv_.SetFocusedPoints(percent); }
    TAdvColors AdvColorDown() const { return adv_.DownPoints(); }
    void SetAdvColorDown(TAdvColors percent) { adv_.SetDownPoints(percent); }
    TAdvColors AdvColorBorder() const { return adv_.BorderPoints(); }
    void SetAdvColorBorder(TAdvColors percent) { adv_.SetBorderPoints(percent); }
    // On: the colour follows the parent and the focused, down and border
    // colours are derived from it.
    bool UseAdvColors() const { return adv_.InUse(); }
    void SetUseAdvColors(bool use) { adv_.SetInUse(use); }

protected:
    AdvancedColorProperties(fw::Control& owner, fw::Color focused, fw::Color down, fw::Color border)
        : adv_(owner, focused, down, border) {}

    AdvancedColors adv_;
};

}  // namespace flat
