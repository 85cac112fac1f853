// The flat combo box: a standard combo box whose 3-D border and drop-down
// button are painted over with a 1-pixel border, a 2-pixel ring in the
// control's colour and a narrow flat arrow button at the right. In the list
// styles the focused box rims its selected text with a highlight strip that
// reaches the flat button. Items, keys, the list and the events are the
// standard combo box's.
//
// The frame, the button, the strip and the paint cycle are protected and the
// strip's colour and the derived colours are virtual, so that a combo box
// that draws its own items (with a highlight colour of its own) shares them.
#pragma once

#include <windows.h>

#include "flat/FlatUtilitys.h"
#include "framework/ComboBox.h"

namespace flat {

class TFlatComboBox : public fw::ComboBox {
public:
    explicit TFlatComboBox(fw::WinControl* parent = nullptr);

    fw::Color ColorArrow() const { return colorArrow_; }
    void SetColorArrow(fw::Color c);
    fw::Color ColorArrowBackground() const { return colorArrowBackground_; }
    void SetColorArrowBackground(fw::Color c);
    fw::Color ColorBorder() const { return colorBorder_; }
    void SetColorBorder(fw::Color c);
    // On: the border and the button's fill are derived from the parent's colour.
    bool UseAdvColors() const { return useAdvColors_; }
    void SetUseAdvColors(bool use);
    TAdvColors AdvColorBorder() const { return advColorBorder_; }
    void SetAdvColorBorder(TAdvColors percent);
    TAdvColors AdvColorArrowBackground() const { return advColorArrowBackground_; }
    void SetAdvColorArrowBackground(TAdvColors percent);

    // The last active state the flat parts were drawn for.
    bool ActiveLook() const { return activeLook_; }

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    // The button is ButtonWidth + 2 pixels wide at the right edge.
    static constexpr int ButtonWidth = 11;

    // Each drawing step paints into `dc` in the control's coordinates.
    fw::Rect ArrowButtonRect() const;
    void DrawArrowButton(HDC dc);
    void DrawFlatFrame(HDC dc);
    void DrawSelectionStrip(HDC dc);
    void RedrawFlatParts(HDC dc);
    // The same on the window itself, outside a paint.
    void DrawSelectionStrip();
    void RedrawFlatParts();
    bool ComputeActive() const;
    void UpdateActive();
    virtual void DeriveAdvColors();
    // The colour of the focused selection strip.
    virtual fw::Color SelectionHighlight() const { return fw::clHighlight; }
    // The list styles, whose selection field has the strip.
    bool HasSelectionStrip() const { return !Editable(); }

    void StoreColor(fw::Color& field, fw::Color value);
    void StorePercent(TAdvColors& field, TAdvColors value);
    void Notified(int code) override;

private:
    int W() const;
    int H() const;
    void PaintFlat(HDC dc, const RECT& update);
    void Painted(HDC dc, const RECT& update);
    void KeyDown(WPARAM wp, LPARAM lp, LRESULT& result);
    void SizeEditField();
    void ColorsChanged();

    const int systemArrowWidth_;
    fw::Color colorArrow_ = fw::clBlack;
    fw::Color colorArrowBackground_ = 0xC5D6D9;
    fw::Color colorBorder_ = 0x8396A0;
    bool useAdvColors_ = false;
    TAdvColors advColorBorder_ = 50;
    TAdvColors advColorArrowBackground_ = 10;
    bool activeLook_ = false;
};

}  // namespace flat
