// What the two flat push buttons share: the windowless speed button and the
// windowed flat button look, latch and track the pointer the same way. The
// paint steps are free pieces; the properties, the state machine, the hot
// tracking and the latching groups are one class template over the framework
// class a button is made of (Base) and the button class itself (Self), so
// that each button class has its own shared hover timer.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "flat/FlatAdvColors.h"
#include "flat/FlatGraphics.h"
#include "flat/FlatUtilitys.h"
#include "flat/HoverShared.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
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
// The frame: raised when hot, sunken when down or latched, else one border colour.
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
// The typed character is the caption's accelerator (letters in either case).
bool IsAccelerator(char typed, const std::string& caption);
// A copy of a glyph picture, null for none. Raises fw::Error when it cannot be copied.
std::shared_ptr<fw::BitmapGraphic> CopyGlyph(HBITMAP picture);
// The cell count a new glyph implies: width div height when the width is a
// multiple of the height (1 beyond four cells), else `current`.
TNumGlyphs CellsOf(const fw::BitmapGraphic& glyph, TNumGlyphs current);

template <class Base, class Self>
class FlatButtonBase : public Base, public AdvancedColorProperties {
public:
    explicit FlatButtonBase(fw::WinControl* parent);
    ~FlatButtonBase() override;

    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);
    fw::Color ColorHighLight() const { return colorHighLight_; }
    void SetColorHighLight(fw::Color c) { StoreColor(*this, colorHighLight_, c); }
    fw::Color ColorShadow() const { return colorShadow_; }
    void SetColorShadow(fw::Color c) { StoreColor(*this, colorShadow_, c); }
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

    // The state all buttons of the class share.
    static const fw::Timer* HoverTimer() { return Shared::HoverTimer.get(); }
    static Self* HoverButton() { return Shared::HoverButton; }
    static int LiveButtons() { return Shared::LiveButtons; }

    void Loaded() override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    using Shared = HoverShared<Self>;

    void Click() override;
    void MouseDown(const fw::MouseEvent& e) override;
    void MouseMove(const fw::MouseEvent& e) override;
    void MouseUp(const fw::MouseEvent& e) override;
    void DblClick(const fw::MouseEvent& e) override;

    // The first paint steps: the font, the placement of glyph and caption
    // (one pixel right and down while pressed or latched), the state fix-up.
    void PlaceContent(fw::Canvas& canvas);
    // Fills the background as the state and mode want; false when the
    // parent is to show through instead.
    bool FillBackground(fw::Canvas& canvas);
    // The frame (`idleFrame` pixels wide while idle and not hot, else one),
    // the glyph cell and the caption.
    void DrawFace(fw::Canvas& canvas, int idleFrame);

    void EnterHot();
    void LeaveHot();
    void ReleaseHoverTimer();
    void RefreshHot();
    // The caption's accelerator was typed and the button can act on it.
    bool TakesAccelerator(WPARAM ch) const;

    TFlatButtonState state_ = fbsUp;
    bool isHot_ = false;
    bool isPressing_ = false;

private:
    bool Inside(int x, int y) const;
    void PollHover();
    void HoverTimerTick();
    void Press();
    void TrackPointer(int x, int y);
    void Release(int x, int y);
    void CaptureLost();
    bool OwnWindow(HWND h) const;
    void NotifyGroup();
    void GroupNotified(WPARAM group, LPARAM sender);
    void EnabledChanged();

    TTransparentMode transparentMode_ = tmNone;
    bool allowAllUp_ = false;
    fw::Color colorHighLight_ = fw::clWhite;
    fw::Color colorShadow_ = fw::clBlack;
    int groupIndex_ = 0;
    bool down_ = false;
    std::shared_ptr<fw::BitmapGraphic> glyph_;
    TButtonLayout layout_ = blGlyphTop;
    int margin_ = -1;
    TNumGlyphs numGlyphs_ = 1;
    int spacing_ = 4;
    int modalResult_ = 0;

    Point glyphOrigin_;
    fw::Rect captionRect_;
    bool releasing_ = false;  // inside a button release: its capture change is ours
};

// ---------------------------------------------------------------- construction

template <class Base, class Self>
FlatButtonBase<Base, Self>::FlatButtonBase(fw::WinControl* parent)
    : Base(parent), AdvancedColorProperties(*this, 0xE1EAEB, 0xC5D6D9, 0x8396A0) {
    this->SetBounds(0, 0, 25, 25);
    this->clickEvents = false;
    this->SetParentFont(true);
    this->SetParentColor(true);
    Shared::Join();
}

template <class Base, class Self>
FlatButtonBase<Base, Self>::~FlatButtonBase() {
    ReleaseHoverTimer();
    glyph_.reset();
    Shared::Leave();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::Loaded() {
    Base::Loaded();
    this->Repaint();
}

// ---------------------------------------------------------------- properties

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetTransparentMode(TTransparentMode mode) {
    transparentMode_ = mode;
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetAllowAllUp(bool allow) {
    if (allow == allowAllUp_) return;
    allowAllUp_ = allow;
    NotifyGroup();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetGroupIndex(int index) {
    if (index == groupIndex_) return;
    groupIndex_ = index;
    NotifyGroup();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetGlyph(HBITMAP picture) {
    if (glyph_ && picture == glyph_->Handle()) return;
    glyph_ = CopyGlyph(picture);
    if (glyph_) numGlyphs_ = CellsOf(*glyph_, numGlyphs_);
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetLayout(TButtonLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetMargin(int margin) {
    if (margin == margin_ || margin < -1) return;
    margin_ = margin;
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetNumGlyphs(TNumGlyphs cells) {
    cells = std::clamp(cells, 1, 4);
    if (cells == numGlyphs_) return;
    numGlyphs_ = cells;
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetSpacing(int spacing) {
    if (spacing == spacing_) return;
    spacing_ = spacing;
    this->Repaint();
}

// ---------------------------------------------------------------- paint

template <class Base, class Self>
void FlatButtonBase<Base, Self>::PlaceContent(fw::Canvas& canvas) {
    canvas.font = this->GetFont();
    const bool pressedLook = state_ == fbsDown || state_ == fbsExclusive;
    const GlyphTextPlacement placed = LayoutGlyphAndText(
        canvas, this->ClientRect(), pressedLook ? Point{1, 1} : Point{0, 0}, layout_, spacing_, margin_,
        glyph_ ? glyph_->Handle() : nullptr, numGlyphs_, this->Caption());
    glyphOrigin_ = placed.glyph;
    captionRect_ = placed.caption;
    if (!this->Enabled()) {
        state_ = fbsDisabled;
        isPressing_ = false;
    } else if (state_ == fbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? fbsExclusive : fbsUp;
    }
}

template <class Base, class Self>
bool FlatButtonBase<Base, Self>::FillBackground(fw::Canvas& canvas) {
    const ButtonColors colors{this->GetColor(), adv_.Focused(), adv_.Down(), adv_.Border(),
                              colorHighLight_, colorShadow_};
    const auto fill = BackgroundFill(transparentMode_, state_, isHot_, colors);
    if (!fill) return false;
    canvas.brush.clear = false;
    canvas.brush.color = *fill;
    canvas.FillRect(this->ClientRect());
    return true;
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::DrawFace(fw::Canvas& canvas, int idleFrame) {
    const ButtonColors colors{this->GetColor(), adv_.Focused(), adv_.Down(), adv_.Border(),
                              colorHighLight_, colorShadow_};
    const BevelColors frame = FrameColors(state_, isHot_, colors);
    const int width = state_ == fbsUp && !isHot_ ? idleFrame : 1;
    DrawBevelFrame(canvas, this->ClientRect(), frame.topLeft, frame.bottomRight, width);
    if (glyph_) DrawGlyphCell(canvas, *glyph_, numGlyphs_, state_, glyphOrigin_);
    DrawButtonCaption(canvas, this->Caption(), captionRect_, state_);
}

// ---------------------------------------------------------------- hot tracking

template <class Base, class Self>
void FlatButtonBase<Base, Self>::EnterHot() {
    if (!this->Enabled() || isHot_) return;
    isHot_ = true;
    this->Repaint();
}

// Refused while pressing: a pressed button stays hot when the pointer leaves.
template <class Base, class Self>
void FlatButtonBase<Base, Self>::LeaveHot() {
    if (!this->Enabled() || !isHot_ || isPressing_) return;
    isHot_ = false;
    ReleaseHoverTimer();
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::ReleaseHoverTimer() {
    if (Shared::HoverButton != this) return;
    Shared::HoverTimer->SetEnabled(false);
    Shared::HoverButton = nullptr;
}

// The shared timer polls this button from now on.
template <class Base, class Self>
void FlatButtonBase<Base, Self>::PollHover() {
    fw::Timer& timer = *Shared::HoverTimer;
    if (timer.Enabled()) timer.SetEnabled(false);
    Shared::HoverButton = static_cast<Self*>(this);
    timer.OnTimer = [this] { HoverTimerTick(); };
    timer.SetEnabled(true);
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::HoverTimerTick() {
    if (ControlUnderPointer() != this) LeaveHot();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::RefreshHot() {
    if (!this->Enabled()) return;
    isHot_ = ControlUnderPointer() != this;
    if (isHot_) {
        LeaveHot();
        return;
    }
    // Hot without a mouse move (a release, a re-enabling): polled like one,
    // so that leaving without another move over the button still un-hots it.
    if (Shared::HoverButton != this) PollHover();
    EnterHot();
}

// ---------------------------------------------------------------- input

template <class Base, class Self>
bool FlatButtonBase<Base, Self>::Inside(int x, int y) const {
    // The row just below the bottom edge counts as inside, the column right
    // of the right edge does not.
    return x >= 0 && x < this->Width() && y >= 0 && y <= this->Height();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::MouseDown(const fw::MouseEvent& e) {
    Base::MouseDown(e);
    if (e.button == fw::MouseButton::Left) Press();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::Press() {
    if (!this->Enabled()) return;
    if (!down_) {
        state_ = fbsDown;
        this->Repaint();
    }
    isPressing_ = true;
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::MouseMove(const fw::MouseEvent& e) {
    Base::MouseMove(e);
    TrackPointer(e.x, e.y);
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::TrackPointer(int x, int y) {
    const POINT screen = this->ClientToScreen(POINT{x, y});
    if (Shared::HoverButton != this && fw::ControlAtScreenPoint(screen) == this) {
        if (Shared::HoverButton) Shared::HoverButton->LeaveHot();
        if (ProgramIsActive()) {
            PollHover();
            EnterHot();
        }
    }
    if (!isPressing_) return;
    const TFlatButtonState next = down_ ? fbsExclusive : Inside(x, y) ? fbsDown : fbsUp;
    if (next == state_) return;
    state_ = next;
    this->Repaint();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::MouseUp(const fw::MouseEvent& e) {
    Base::MouseUp(e);
    Release(e.x, e.y);
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::Release(int x, int y) {
    if (!isPressing_) return;
    isPressing_ = false;
    const bool inside = Inside(x, y);
    if (groupIndex_ == 0) {
        state_ = fbsUp;
        isHot_ = false;
        if (inside) this->Repaint();
    } else if (inside) {
        SetDown(!down_);
        if (down_) this->Repaint();
    } else {
        if (down_) state_ = fbsExclusive;
        this->Repaint();
    }
    if (inside) Click();
    else LeaveHot();
    RefreshHot();
}

// The second press of a double click has been a press like the first; the
// double click itself counts only while latched.
template <class Base, class Self>
void FlatButtonBase<Base, Self>::DblClick(const fw::MouseEvent&) {
    if (down_ && this->OnDblClick) this->OnDblClick();
}

// The press ended elsewhere (a menu, a dialog, a task switch): no click, and
// the button goes back to its idle or latched look.
template <class Base, class Self>
void FlatButtonBase<Base, Self>::CaptureLost() {
    if (!isPressing_) return;
    isPressing_ = false;
    state_ = down_ ? fbsExclusive : fbsUp;
    LeaveHot();
    RefreshHot();
    this->Repaint();
}

// A windowed button gets the capture changes of its own window.
template <class Base, class Self>
bool FlatButtonBase<Base, Self>::OwnWindow(HWND h) const {
    if constexpr (std::is_base_of_v<fw::WinControl, Base>) return h && h == this->HandleIfAllocated();
    else return false;
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::Click() {
    if (this->Parent())
        if (fw::Form* form = this->ParentForm()) form->SetModalResult(modalResult_);
    Base::Click();
}

template <class Base, class Self>
void FlatButtonBase<Base, Self>::SetDown(bool down) {
    if (groupIndex_ == 0) down = false;
    if (down == down_ || (down_ && !allowAllUp_)) return;
    down_ = down;
    if (down) {
        const bool wasUp = state_ == fbsUp;
        state_ = fbsExclusive;
        if (wasUp) this->Repaint();
        NotifyGroup();
    } else {
        state_ = fbsUp;
        this->Repaint();
    }
}

// The group notification carries the sender as a fw::Control*.
template <class Base, class Self>
void FlatButtonBase<Base, Self>::NotifyGroup() {
    if (groupIndex_ == 0 || !this->Parent()) return;
    this->Parent()->Broadcast(fw::notify::ButtonPressed, static_cast<WPARAM>(groupIndex_),
                              reinterpret_cast<LPARAM>(static_cast<fw::Control*>(this)));
}

// Only buttons of the same class form groups.
template <class Base, class Self>
void FlatButtonBase<Base, Self>::GroupNotified(WPARAM group, LPARAM sender) {
    auto* other = dynamic_cast<Self*>(reinterpret_cast<fw::Control*>(sender));
    if (!other || other == this || static_cast<int>(group) != groupIndex_) return;
    if (other->Down() && down_) {
        down_ = false;
        state_ = fbsUp;
        this->Repaint();
    }
    allowAllUp_ = other->AllowAllUp();
}

template <class Base, class Self>
bool FlatButtonBase<Base, Self>::TakesAccelerator(WPARAM ch) const {
    return this->Enabled() && IsAccelerator(static_cast<char>(ch), this->Caption());
}

// ---------------------------------------------------------------- notifications

template <class Base, class Self>
void FlatButtonBase<Base, Self>::EnabledChanged() {
    if (!this->Enabled()) {
        isHot_ = false;
        state_ = fbsDisabled;
        ReleaseHoverTimer();
    }
    RefreshHot();
    this->Repaint();
}

template <class Base, class Self>
LRESULT FlatButtonBase<Base, Self>::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            // The capture the release gives back is no lost press.
            const bool outer = releasing_;
            releasing_ = true;
            try {
                const LRESULT r = Base::WndProc(msg, wp, lp);
                releasing_ = outer;
                return r;
            } catch (...) {
                releasing_ = outer;
                throw;
            }
        }
        case WM_CAPTURECHANGED: {
            const LRESULT r = Base::WndProc(msg, wp, lp);
            if (!releasing_ && !OwnWindow(reinterpret_cast<HWND>(lp))) CaptureLost();
            return r;
        }
        case fw::notify::EnabledChanged:
            Base::WndProc(msg, wp, lp);
            EnabledChanged();
            return 0;
        case fw::notify::ButtonPressed:
            GroupNotified(wp, lp);
            return 0;
        case fw::notify::DialogChar:
            if (TakesAccelerator(wp)) {
                Click();
                return 1;
            }
            break;
        case fw::notify::FontChanged:
        case fw::notify::TextChanged:
            Base::WndProc(msg, wp, lp);
            this->Repaint();
            return 0;
        case fw::notify::SysColorChange:
        case fw::notify::ParentColorChanged:
            Base::WndProc(msg, wp, lp);
            adv_.ColorsChanged();
            return 0;
        case fw::notify::MouseEnter:
            Base::WndProc(msg, wp, lp);
            if (OnMouseEnter) OnMouseEnter();
            return 0;
        case fw::notify::MouseLeave:
            Base::WndProc(msg, wp, lp);
            if (OnMouseLeave) OnMouseLeave();
            return 0;
        default:
            break;
    }
    return Base::WndProc(msg, wp, lp);
}

}  // namespace flat
