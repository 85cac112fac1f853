// The flat speed button: a windowless push button drawn flat on its parent's
// surface. Idle it shows a thin border, under the pointer ("hot") a raised
// frame and a highlight fill, pressed a sunken frame and a down fill. It
// carries a glyph of up to four cells (normal, disabled, down, latched) and a
// caption, latches down as a member of a group, and sets its form's modal
// result when clicked. It never takes the keyboard focus; its hot state
// follows mouse moves and one polling timer shared by all speed buttons.
//
// The paint steps and the shared hover state are free pieces, so that the
// windowed flat button draws and tracks the same way with a set of its own.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "flat/FlatUtilitys.h"
#include "flat/HoverShared.h"
#include "framework/Controls.h"
#include "framework/Graphic.h"
#include "framework/Timer.h"

namespace flat {

enum TFlatButtonState : int { fbsUp = 0, fbsDisabled = 1, fbsDown = 2, fbsExclusive = 3 };

// The colours a flat button paints with (system colours allowed).
struct ButtonColors {
    fw::Color color, focused, down, border, highlight, shadow;
};

struct BevelColors {
    fw::Color topLeft, bottomRight;
};

// Source columns [first, last) of the glyph cell a state shows.
struct CellColumns {
    int first, last;
};

// The background fill of a state, or none where the parent shows through.
std::optional<fw::Color> BackgroundFill(TTransparentMode mode, TFlatButtonState state, bool hot,
                                        const ButtonColors& colors);
// The one-pixel frame: raised when hot, sunken when down or latched, else
// one border colour.
BevelColors FrameColors(TFlatButtonState state, bool hot, const ButtonColors& colors);
// Which part of a glyph `width` pixels wide made of `cells` cells a state shows.
CellColumns GlyphCellColumns(int width, int cells, TFlatButtonState state);
// Draws the state's glyph cell at `origin`, leaving out the pixels of the
// glyph's bottom-left colour. A one-cell glyph shows its embossed disabled
// look when disabled.
void DrawGlyphCell(fw::Canvas& canvas, const fw::BitmapGraphic& glyph, int cells,
                   TFlatButtonState state, Point origin);
// Draws the caption centred in `rect` on one line, "&" underlining the next
// character: once in the canvas font's colour, or etched when disabled.
void DrawButtonCaption(fw::Canvas& canvas, const std::string& caption, const fw::Rect& rect,
                       TFlatButtonState state);
// The accelerator character of a caption (the one after a single "&"), or 0.
char AcceleratorOf(const std::string& caption);

class TFlatSpeedButton : public fw::Control {
public:
    explicit TFlatSpeedButton(fw::WinControl* parent = nullptr);
    ~TFlatSpeedButton() override;

    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);
    fw::Color ColorFocused() const { return colorFocused_; }
    void SetColorFocused(fw::Color c);
    fw::Color ColorDown() const { return colorDown_; }
    void SetColorDown(fw::Color c);
    fw::Color ColorBorder() const { return colorBorder_; }
    void SetColorBorder(fw::Color c);
    fw::Color ColorHighLight() const { return colorHighLight_; }
    void SetColorHighLight(fw::Color c);
    fw::Color ColorShadow() const { return colorShadow_; }
    void SetColorShadow(fw::Color c);
    // Lightness points (0..100) by which the advanced colours move from Color.
    TAdvColors AdvColorFocused() const { return advColorFocused_; }
    void SetAdvColorFocused(TAdvColors percent);
    TAdvColors AdvColorDown() const { return advColorDown_; }
    void SetAdvColorDown(TAdvColors percent);
    TAdvColors AdvColorBorder() const { return advColorBorder_; }
    void SetAdvColorBorder(TAdvColors percent);
    // On: the colour follows the parent and the focused, down and border
    // colours are derived from it.
    bool UseAdvColors() const { return useAdvColors_; }
    void SetUseAdvColors(bool use);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    // Latched down; only members of a group (GroupIndex not 0) latch.
    bool Down() const { return down_; }
    void SetDown(bool down);
    // The button's own copy of the glyph; null while it has none.
    const fw::BitmapGraphic* Glyph() const { return glyph_.get(); }
    // Copies the picture (null clears the glyph) and derives NumGlyphs from
    // its shape. Raises fw::Error when the picture cannot be copied.
    void SetGlyph(HBITMAP picture);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    // -1 centres glyph and caption; below -1 is ignored.
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(TNumGlyphs cells);  // 1..4
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    // Given to the form when the button is clicked.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    std::function<void()> OnMouseEnter, OnMouseLeave;

    // The state machine, read only.
    TFlatButtonState ButtonState() const { return state_; }
    bool IsHot() const { return isHot_; }
    bool IsPressing() const { return isPressing_; }
    // Where the last paint placed the glyph cell and the caption.
    Point GlyphOrigin() const { return glyphOrigin_; }
    const fw::Rect& CaptionRect() const { return captionRect_; }

    // The state all speed buttons share.
    static const fw::Timer* HoverTimer() { return Shared::HoverTimer.get(); }
    static TFlatSpeedButton* HoverButton() { return Shared::HoverButton; }
    static int LiveButtons() { return Shared::LiveButtons; }

    void Loaded() override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(fw::Canvas& canvas) override;
    void Click() override;

private:
    using Shared = HoverShared<TFlatSpeedButton>;

    void StoreColor(fw::Color& field, fw::Color value);
    void StorePercent(TAdvColors& field, TAdvColors value);
    void DeriveAdvColors();
    void FixUpState();
    ButtonColors Colors() const;
    bool Inside(int x, int y) const;

    void EnterHot();
    void LeaveHot();
    void ReleaseHoverTimer();
    void PollHover();
    void HoverTimerTick();
    void RefreshHot();

    void MouseDown();
    void MouseMove(int x, int y);
    void MouseUp(int x, int y);
    void CaptureLost();
    void NotifyGroup();
    void GroupNotified(WPARAM group, LPARAM sender);
    bool DialogChar(WPARAM ch);
    void EnabledChanged();
    void ColorsChanged();

    TTransparentMode transparentMode_ = tmNone;
    bool allowAllUp_ = false;
    fw::Color colorFocused_ = 0xE1EAEB;
    fw::Color colorDown_ = 0xC5D6D9;
    fw::Color colorBorder_ = 0x8396A0;
    fw::Color colorHighLight_ = fw::clWhite;
    fw::Color colorShadow_ = fw::clBlack;
    TAdvColors advColorFocused_ = 10;
    TAdvColors advColorDown_ = 10;
    TAdvColors advColorBorder_ = 50;
    bool useAdvColors_ = false;
    int groupIndex_ = 0;
    bool down_ = false;
    std::shared_ptr<fw::BitmapGraphic> glyph_;
    TButtonLayout layout_ = blGlyphTop;
    int margin_ = -1;
    TNumGlyphs numGlyphs_ = 1;
    int spacing_ = 4;
    int modalResult_ = 0;

    TFlatButtonState state_ = fbsUp;
    bool isHot_ = false;
    bool isPressing_ = false;
    Point glyphOrigin_;
    fw::Rect captionRect_;
};

}  // namespace flat
