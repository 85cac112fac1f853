// The flat colour picker: a flat drop-down list of the sixteen basic colours,
// each drawn as a swatch with its name, and a "Custom" entry that asks the
// system's colour dialog for any other colour. Value is the colour chosen.
//
// The frame, the arrow button, the selection strip, the paint cycle and the
// active state are the flat combo box's; the strip takes ColorHighlight.
#pragma once

#include <windows.h>

#include <vector>

#include "flat/TFlatComboBoxUnit.h"
#include "framework/ColorDialog.h"

namespace flat {

class TFlatColorComboBox : public TFlatComboBox {
public:
    explicit TFlatColorComboBox(fw::WinControl* parent = nullptr);

    // Setting a colour selects the first entry that holds it and raises
    // OnChange; a colour no entry holds changes nothing, and neither does the
    // colour it has while an entry is selected. Makes the native window (and
    // so the list) first when there is none yet.
    fw::Color Value() const { return value_; }
    void SetValue(fw::Color value);

    // Names beside swatches BoxWidth wide; without names the swatch fills the item.
    bool ShowNames() const { return showNames_; }
    void SetShowNames(bool show);
    int BoxWidth() const { return boxWidth_; }
    void SetBoxWidth(int width);

    // The background of the selected item and of the focused selection strip.
    fw::Color ColorHighlight() const { return colorHighlight_; }
    void SetColorHighlight(fw::Color c);
    // With UseAdvColors: the percentage by which ColorHighlight is derived.
    TAdvColors AdvColorHighlight() const { return advColorHighlight_; }
    void SetAdvColorHighlight(TAdvColors percent);

    // The colour entry `index` holds (the custom entry's: the one last
    // confirmed for it since the list was built); black outside the list.
    fw::Color ItemColor(int index) const;

    // The dialog behind "Custom"; it opens with the colour last confirmed in it.
    fw::ColorDialog& PickerDialog() { return pickerDialog_; }

protected:
    // The list is built again with every new native window.
    void HandleCreated() override;
    void Click() override;
    void DrawItem(int index, fw::Canvas& canvas, const fw::Rect& rect, UINT state) override;
    void DeriveAdvColors() override;
    fw::Color SelectionHighlight() const override { return colorHighlight_; }

private:
    // The list is the control's own.
    using TFlatComboBox::AddItem;
    using TFlatComboBox::SetItemHeight;
    using TFlatComboBox::SetItemIndex;
    using TFlatComboBox::SetItems;
    using TFlatComboBox::SetStyle;

    void BuildList();
    void LooksChanged();

    fw::Color value_ = fw::clBlack;
    bool showNames_ = true;
    int boxWidth_ = 12;
    fw::Color colorHighlight_ = fw::clHighlight;
    TAdvColors advColorHighlight_ = 30;
    std::vector<fw::Color> colors_;  // each entry's colour, in list order
    fw::ColorDialog pickerDialog_;
};

}  // namespace flat
