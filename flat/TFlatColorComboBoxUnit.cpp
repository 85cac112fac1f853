#include "flat/TFlatColorComboBoxUnit.h"

#include <string>

#include "common/ColorNames.h"

namespace flat {

namespace {

constexpr char kCustom[] = "Custom";

// A basic colour's name: its identifier without the leading "cl".
std::string BasicName(std::size_t i) {
    return std::string(common::kColorTable[i].name.substr(2, 40));
}

// The colour an entry of this text holds when the list is built.
fw::Color BuiltColor(const std::string& text) {
    for (std::size_t i = 0; i < common::kBasicColorCount; ++i)
        if (BasicName(i) == text) return common::kColorTable[i].value;
    return fw::clBlack;
}

// Makes the control's window through the outermost parent still without one:
// a parent's window, once made, makes its children's, so a window asked for
// below a parent without one would otherwise be made twice.
void MakeWindow(fw::WinControl& control) {
    fw::WinControl* top = &control;
    while (top->Parent() && !top->Parent()->HandleAllocated()) top = top->Parent();
    top->Handle();
    control.Handle();
}

}  // namespace

TFlatColorComboBox::TFlatColorComboBox(fw::WinControl* parent) : TFlatComboBox(parent) {
    SetStyle(fw::csOwnerDrawFixed);
    // The standard height until the font changes, as the flat box sets its own then.
    SetItemHeight(16);
}

// ---------------------------------------------------------------- the list

void TFlatColorComboBox::HandleCreated() {
    TFlatComboBox::HandleCreated();
    BuildList();
}

// A new window starts on "Black" whatever Value holds, and the custom entry
// on black again.
void TFlatColorComboBox::BuildList() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < common::kBasicColorCount; ++i) names.push_back(BasicName(i));
    names.emplace_back(kCustom);
    SetItems(names);
    colors_.clear();
    for (const std::string& text : Items()) colors_.push_back(BuiltColor(text));
    SetItemIndex(0);
    Change();
}

fw::Color TFlatColorComboBox::ItemColor(int index) const {
    if (index < 0 || index >= static_cast<int>(colors_.size())) return fw::clBlack;
    return colors_[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------- properties

void TFlatColorComboBox::SetValue(fw::Color value) {
    MakeWindow(*this);
    if (ItemIndex() >= 0 && value == value_) return;
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        if (colors_[i] != value) continue;
        value_ = value;
        if (ItemIndex() != static_cast<int>(i)) SetItemIndex(static_cast<int>(i));
        Change();
        return;
    }
}

void TFlatColorComboBox::LooksChanged() {
    Invalidate();
    if (HWND list = ListHandle()) InvalidateRect(list, nullptr, TRUE);
}

void TFlatColorComboBox::SetShowNames(bool show) {
    if (show == showNames_) return;
    showNames_ = show;
    LooksChanged();
}

void TFlatColorComboBox::SetBoxWidth(int width) {
    boxWidth_ = width;
    LooksChanged();
}

void TFlatColorComboBox::SetColorHighlight(fw::Color c) {
    colorHighlight_ = c;
    LooksChanged();
}

void TFlatColorComboBox::SetAdvColorHighlight(TAdvColors percent) { StorePercent(advColorHighlight_, percent); }

void TFlatColorComboBox::DeriveAdvColors() {
    TFlatComboBox::DeriveAdvColors();
    if (!UseAdvColors() || !Parent()) return;
    colorHighlight_ = ShiftLightness(Parent()->GetColor(), colorHighlight_, advColorHighlight_, true);
}

// ---------------------------------------------------------------- user's pick

// Runs between the standard handling's new text and its OnChange. A cancelled
// dialog ends the pick here, on "Custom", with Value as it was.
void TFlatColorComboBox::Click() {
    const int index = ItemIndex();
    if (index >= 0 && index < static_cast<int>(colors_.size())) {
        if (Items()[static_cast<std::size_t>(index)] == kCustom) {
            if (!pickerDialog_.Execute(GetAncestor(handle_, GA_ROOT))) return;
            colors_[static_cast<std::size_t>(index)] = pickerDialog_.Color();
        }
        SetValue(colors_[static_cast<std::size_t>(index)]);
    }
    TFlatComboBox::Click();
}

// ---------------------------------------------------------------- drawing

// A swatch outlined in black on the item's background, then the name five
// pixels right of it.
void TFlatColorComboBox::DrawItem(int index, fw::Canvas& canvas, const fw::Rect& r, UINT state) {
    const fw::Color before = canvas.brush.color;
    canvas.brush.color = (state & ODS_SELECTED) ? colorHighlight_ : GetColor();
    canvas.FillRect(r);
    const fw::Rect box{r.left + 2, r.top + 2, showNames_ ? r.left + 2 + boxWidth_ : r.right - 5, r.bottom - 2};
    canvas.pen = fw::Pen{fw::clBlack, 1, PS_SOLID};
    canvas.Rectangle(box);
    canvas.brush.color = ItemColor(index);
    canvas.FillRect(fw::Rect{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1});
    canvas.brush.color = before;
    if (!showNames_ || index < 0 || index >= static_cast<int>(Items().size())) return;
    fw::Rect text{r.left + boxWidth_ + 6, r.top, r.right, r.bottom};
    canvas.brush.clear = true;
    canvas.DrawText(Items()[static_cast<std::size_t>(index)], text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    canvas.brush.clear = false;
}

}  // namespace flat
