#include "flat/FlatAdvColors.h"

#include <algorithm>

namespace flat {

void StoreColor(fw::Control& owner, fw::Color& field, fw::Color value) {
    field = value;
    owner.Repaint();
}

void AdvancedColors::SetInUse(bool use) {
    if (use == use_) return;
    use_ = use;
    owner_.SetParentColor(use);
    Derive();
    owner_.Repaint();
}

void AdvancedColors::ColorsChanged() {
    if (use_) {
        owner_.SetParentColor(true);
        Derive();
    }
    owner_.Repaint();
}

void AdvancedColors::StorePoints(TAdvColors& field, TAdvColors points) {
    field = std::clamp(points, 0, 100);
    Derive();
    owner_.Repaint();
}

void AdvancedColors::Derive() {
    if (!use_) return;
    const fw::Color base = owner_.GetColor();
    focused_ = ShiftLightness(base, focused_, focusedPoints_, false);
    down_ = ShiftLightness(base, down_, downPoints_, true);
    border_ = ShiftLightness(base, border_, borderPoints_, true);
}

}  // namespace flat
