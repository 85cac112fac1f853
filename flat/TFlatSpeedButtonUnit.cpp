#include "flat/TFlatSpeedButtonUnit.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>

#include "flat/FlatGraphics.h"
#include "framework/Errors.h"
#include "framework/Forms.h"

namespace flat {

namespace {

constexpr UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
const char kGlyphFailed[] = "复制位图失败";

// A memory DC with one bitmap selected, restored and deleted on scope exit.
class SelectedBitmap {
public:
    explicit SelectedBitmap(HBITMAP b) : dc_(CreateCompatibleDC(nullptr)) {
        if (!dc_) throw fw::Error(kGlyphFailed);
        old_ = SelectObject(dc_, b);
        if (!old_) {
            DeleteDC(dc_);
            throw fw::Error(kGlyphFailed);
        }
    }
    ~SelectedBitmap() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// A 32-bpp bitmap, so colours compare exactly whatever the screen depth.
HBITMAP MakeCell(int width, int height) {
    HBITMAP b = fw::CreateTopDown32(width, height);
    if (!b) throw fw::Error(kGlyphFailed);
    return b;
}

bool SameLetter(char a, char b) {
    const auto ua = static_cast<unsigned char>(a), ub = static_cast<unsigned char>(b);
    if (ua < 0x80 && ub < 0x80) return std::tolower(ua) == std::tolower(ub);
    return ua == ub;
}

}  // namespace

// ---------------------------------------------------------------- paint steps

std::optional<fw::Color> BackgroundFill(TTransparentMode mode, TFlatButtonState state, bool hot,
                                        const ButtonColors& c) {
    if (mode == tmAlways || (mode == tmNotFocused && !hot)) return std::nullopt;
    switch (state) {
        case fbsUp: return hot ? c.focused : c.color;
        case fbsDisabled: return c.color;
        case fbsDown: return c.down;
        case fbsExclusive: return hot ? c.focused : c.down;
    }
    return std::nullopt;
}

BevelColors FrameColors(TFlatButtonState state, bool hot, const ButtonColors& c) {
    switch (state) {
        case fbsUp: return hot ? BevelColors{c.highlight, c.shadow} : BevelColors{c.border, c.border};
        case fbsDisabled: return BevelColors{c.border, c.border};
        case fbsDown:
        case fbsExclusive: return BevelColors{c.shadow, c.highlight};
    }
    return BevelColors{c.border, c.border};
}

CellColumns GlyphCellColumns(int width, int cells, TFlatButtonState state) {
    // The cell each state shows, by cell count; the last cell takes the
    // columns left over by the division.
    static constexpr int kCell[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 1, 2, 2}, {0, 1, 2, 3}};
    cells = std::clamp(cells, 1, 4);
    const int w = width / cells;
    const int cell = kCell[cells - 1][state];
    return CellColumns{cell * w, cell == cells - 1 ? width : (cell + 1) * w};
}

void DrawGlyphCell(fw::Canvas& canvas, const fw::BitmapGraphic& glyph, int cells,
                   TFlatButtonState state, Point origin) {
    const int width = glyph.Width(), height = glyph.Height();
    cells = std::clamp(cells, 1, 4);
    const int w = width / cells;
    if (w <= 0 || height <= 0) return;
    COLORREF transparent = glyph.PixelAt(0, height - 1);
    const CellColumns columns = GlyphCellColumns(width, cells, state);

    fw::OwnedBitmap cell(MakeCell(w, height));
    {
        SelectedBitmap source(glyph.Handle()), target(cell.Get());
        const int sourceWidth = columns.last - columns.first;
        if (sourceWidth == w) {
            BitBlt(target.Get(), 0, 0, w, height, source.Get(), columns.first, 0, SRCCOPY);
        } else {
            SetStretchBltMode(target.Get(), COLORONCOLOR);
            StretchBlt(target.Get(), 0, 0, w, height, source.Get(), columns.first, 0, sourceWidth,
                       height, SRCCOPY);
        }
    }
    fw::OwnedBitmap disabled(cells == 1 && state == fbsDisabled
                                 ? MakeDisabledGlyph(cell.Get(), fw::clBlack, fw::clBtnFace,
                                                     fw::clBtnHighlight, fw::clBtnShadow, true)
                                 : nullptr);
    SelectedBitmap shown(disabled.Get() ? disabled.Get() : cell.Get());
    if (disabled.Get()) transparent = GetPixel(shown.Get(), 0, height - 1);
    TransparentBlt(canvas.Handle(), origin.x, origin.y, w, height, shown.Get(), 0, 0, w, height,
                   transparent);
}

void DrawButtonCaption(fw::Canvas& canvas, const std::string& caption, const fw::Rect& rect,
                       TFlatButtonState state) {
    if (caption.empty()) return;
    canvas.brush.clear = true;
    if (state == fbsDisabled) {
        fw::Rect below{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
        canvas.font.color = fw::clBtnHighlight;
        canvas.DrawText(caption, below, kCaptionFormat);
        canvas.font.color = fw::clBtnShadow;
    }
    fw::Rect r = rect;
    canvas.DrawText(caption, r, kCaptionFormat);
}

char AcceleratorOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;  // "&&" is a plain "&"
    }
    return 0;
}

// ---------------------------------------------------------------- construction

TFlatSpeedButton::TFlatSpeedButton(fw::WinControl* parent) : fw::Control(parent) {
    SetBounds(0, 0, 25, 25);
    clickEvents = false;
    SetParentFont(true);
    SetParentColor(true);
    Shared::Join();
}

TFlatSpeedButton::~TFlatSpeedButton() {
    ReleaseHoverTimer();
    glyph_.reset();
    Shared::Leave();
}

void TFlatSpeedButton::Loaded() { Repaint(); }

// ---------------------------------------------------------------- properties

void TFlatSpeedButton::SetTransparentMode(TTransparentMode mode) {
    transparentMode_ = mode;
    Repaint();
}

void TFlatSpeedButton::SetAllowAllUp(bool allow) {
    if (allow == allowAllUp_) return;
    allowAllUp_ = allow;
    NotifyGroup();
}

void TFlatSpeedButton::StoreColor(fw::Color& field, fw::Color value) {
    field = value;
    Repaint();
}

void TFlatSpeedButton::SetColorFocused(fw::Color c) { StoreColor(colorFocused_, c); }
void TFlatSpeedButton::SetColorDown(fw::Color c) { StoreColor(colorDown_, c); }
void TFlatSpeedButton::SetColorBorder(fw::Color c) { StoreColor(colorBorder_, c); }
void TFlatSpeedButton::SetColorHighLight(fw::Color c) { StoreColor(colorHighLight_, c); }
void TFlatSpeedButton::SetColorShadow(fw::Color c) { StoreColor(colorShadow_, c); }

void TFlatSpeedButton::StorePercent(TAdvColors& field, TAdvColors value) {
    field = std::clamp(value, 0, 100);
    DeriveAdvColors();
    Repaint();
}

void TFlatSpeedButton::SetAdvColorFocused(TAdvColors p) { StorePercent(advColorFocused_, p); }
void TFlatSpeedButton::SetAdvColorDown(TAdvColors p) { StorePercent(advColorDown_, p); }
void TFlatSpeedButton::SetAdvColorBorder(TAdvColors p) { StorePercent(advColorBorder_, p); }

void TFlatSpeedButton::SetUseAdvColors(bool use) {
    if (use == useAdvColors_) return;
    useAdvColors_ = use;
    SetParentColor(use);
    DeriveAdvColors();
    Repaint();
}

void TFlatSpeedButton::DeriveAdvColors() {
    if (!useAdvColors_) return;
    colorFocused_ = ShiftLightness(GetColor(), colorFocused_, advColorFocused_, false);
    colorDown_ = ShiftLightness(GetColor(), colorDown_, advColorDown_, true);
    colorBorder_ = ShiftLightness(GetColor(), colorBorder_, advColorBorder_, true);
}

void TFlatSpeedButton::SetGroupIndex(int index) {
    if (index == groupIndex_) return;
    groupIndex_ = index;
    NotifyGroup();
}

void TFlatSpeedButton::SetGlyph(HBITMAP picture) {
    if (glyph_ && picture == glyph_->Handle()) return;
    std::shared_ptr<fw::BitmapGraphic> copy;
    if (picture) {
        copy = fw::BitmapGraphic::FromBitmap(picture);
        if (!copy) throw fw::Error(kGlyphFailed);
    }
    glyph_ = std::move(copy);
    if (glyph_ && glyph_->Width() % glyph_->Height() == 0) {
        const int cells = glyph_->Width() / glyph_->Height();
        numGlyphs_ = cells > 4 ? 1 : cells;
    }
    Repaint();
}

void TFlatSpeedButton::SetLayout(TButtonLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Repaint();
}

void TFlatSpeedButton::SetMargin(int margin) {
    if (margin == margin_ || margin < -1) return;
    margin_ = margin;
    Repaint();
}

void TFlatSpeedButton::SetNumGlyphs(TNumGlyphs cells) {
    cells = std::clamp(cells, 1, 4);
    if (cells == numGlyphs_) return;
    numGlyphs_ = cells;
    Repaint();
}

void TFlatSpeedButton::SetSpacing(int spacing) {
    if (spacing == spacing_) return;
    spacing_ = spacing;
    Repaint();
}

// ---------------------------------------------------------------- paint

ButtonColors TFlatSpeedButton::Colors() const {
    return ButtonColors{GetColor(), colorFocused_, colorDown_, colorBorder_, colorHighLight_,
                        colorShadow_};
}

void TFlatSpeedButton::FixUpState() {
    if (!Enabled()) {
        state_ = fbsDisabled;
        isPressing_ = false;
    } else if (state_ == fbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? fbsExclusive : fbsUp;
    }
}

void TFlatSpeedButton::Paint(fw::Canvas& canvas) {
    canvas.font = GetFont();
    const bool pressedLook = state_ == fbsDown || state_ == fbsExclusive;
    const GlyphTextPlacement placed =
        LayoutGlyphAndText(canvas, ClientRect(), pressedLook ? Point{1, 1} : Point{0, 0}, layout_,
                           spacing_, margin_, glyph_ ? glyph_->Handle() : nullptr, numGlyphs_,
                           Caption());
    glyphOrigin_ = placed.glyph;
    captionRect_ = placed.caption;
    FixUpState();

    const ButtonColors colors = Colors();
    if (const auto fill = BackgroundFill(transparentMode_, state_, isHot_, colors)) {
        canvas.brush.clear = false;
        canvas.brush.color = *fill;
        canvas.FillRect(ClientRect());
    }
    const BevelColors frame = FrameColors(state_, isHot_, colors);
    DrawBevelFrame(canvas, ClientRect(), frame.topLeft, frame.bottomRight, 1);
    if (glyph_) DrawGlyphCell(canvas, *glyph_, numGlyphs_, state_, glyphOrigin_);
    DrawButtonCaption(canvas, Caption(), captionRect_, state_);
}

// ---------------------------------------------------------------- hot tracking

void TFlatSpeedButton::EnterHot() {
    if (!Enabled() || isHot_) return;
    isHot_ = true;
    Repaint();
}

void TFlatSpeedButton::LeaveHot() {
    if (!Enabled() || !isHot_ || isPressing_) return;
    isHot_ = false;
    ReleaseHoverTimer();
    Repaint();
}

void TFlatSpeedButton::ReleaseHoverTimer() {
    if (Shared::HoverButton != this) return;
    Shared::HoverTimer->SetEnabled(false);
    Shared::HoverButton = nullptr;
}

// The shared timer polls this button from now on.
void TFlatSpeedButton::PollHover() {
    fw::Timer& timer = *Shared::HoverTimer;
    if (timer.Enabled()) timer.SetEnabled(false);
    Shared::HoverButton = this;
    timer.OnTimer = [this] { HoverTimerTick(); };
    timer.SetEnabled(true);
}

void TFlatSpeedButton::HoverTimerTick() {
    if (ControlUnderPointer() != this) LeaveHot();
}

void TFlatSpeedButton::RefreshHot() {
    if (!Enabled()) return;
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

bool TFlatSpeedButton::Inside(int x, int y) const {
    // The row just below the bottom edge counts as inside, the column right
    // of the right edge does not.
    return x >= 0 && x < Width() && y >= 0 && y <= Height();
}

void TFlatSpeedButton::MouseDown() {
    if (!Enabled()) return;
    if (!down_) {
        state_ = fbsDown;
        Repaint();
    }
    isPressing_ = true;
}

void TFlatSpeedButton::MouseMove(int x, int y) {
    const POINT screen = ClientToScreen(POINT{x, y});
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
    Repaint();
}

void TFlatSpeedButton::MouseUp(int x, int y) {
    if (!isPressing_) return;
    isPressing_ = false;
    const bool inside = Inside(x, y);
    if (groupIndex_ == 0) {
        state_ = fbsUp;
        isHot_ = false;
        if (inside) Repaint();
    } else if (inside) {
        SetDown(!down_);
        if (down_) Repaint();
    } else {
        if (down_) state_ = fbsExclusive;
        Repaint();
    }
    if (inside) Click();
    else LeaveHot();
    RefreshHot();
}

// The press ended elsewhere (a menu, a dialog, a task switch): no click, and
// the button goes back to its idle or latched look.
void TFlatSpeedButton::CaptureLost() {
    if (!isPressing_) return;
    isPressing_ = false;
    state_ = down_ ? fbsExclusive : fbsUp;
    LeaveHot();
    RefreshHot();
    Repaint();
}

void TFlatSpeedButton::Click() {
    if (parent_) {
        fw::Control* top = parent_;
        while (top->Parent()) top = top->Parent();
        if (auto* form = dynamic_cast<fw::Form*>(top)) form->SetModalResult(modalResult_);
    }
    fw::Control::Click();
}

void TFlatSpeedButton::SetDown(bool down) {
    if (groupIndex_ == 0) down = false;
    if (down == down_ || (down_ && !allowAllUp_)) return;
    down_ = down;
    if (down) {
        const bool wasUp = state_ == fbsUp;
        state_ = fbsExclusive;
        if (wasUp) Repaint();
        NotifyGroup();
    } else {
        state_ = fbsUp;
        Repaint();
    }
}

// The group notification carries the sender as a fw::Control*.
void TFlatSpeedButton::NotifyGroup() {
    if (groupIndex_ == 0 || !parent_) return;
    parent_->Broadcast(fw::notify::ButtonPressed, static_cast<WPARAM>(groupIndex_),
                       reinterpret_cast<LPARAM>(static_cast<fw::Control*>(this)));
}

void TFlatSpeedButton::GroupNotified(WPARAM group, LPARAM sender) {
    auto* other = dynamic_cast<TFlatSpeedButton*>(reinterpret_cast<fw::Control*>(sender));
    if (!other || other == this || static_cast<int>(group) != groupIndex_) return;
    if (other->down_ && down_) {
        down_ = false;
        state_ = fbsUp;
        Repaint();
    }
    allowAllUp_ = other->allowAllUp_;
}

bool TFlatSpeedButton::DialogChar(WPARAM ch) {
    const char accelerator = AcceleratorOf(Caption());
    if (!accelerator || !Enabled() || !SameLetter(static_cast<char>(ch), accelerator)) return false;
    Click();
    return true;
}

// ---------------------------------------------------------------- notifications

void TFlatSpeedButton::EnabledChanged() {
    if (!Enabled()) {
        isHot_ = false;
        state_ = fbsDisabled;
        ReleaseHoverTimer();
    }
    RefreshHot();
    Repaint();
}

void TFlatSpeedButton::ColorsChanged() {
    if (useAdvColors_) {
        SetParentColor(true);
        DeriveAdvColors();
    }
    Repaint();
}

LRESULT TFlatSpeedButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN: {
            const LRESULT r = fw::Control::WndProc(msg, wp, lp);
            MouseDown();
            return r;
        }
        case WM_LBUTTONDBLCLK:
            // The second press of a double click: a press like the first.
            if (OnMouseDown)
                OnMouseDown(fw::MouseEvent{fw::MouseButton::Left, static_cast<UINT>(wp),
                                           GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            MouseDown();
            if (down_ && OnDblClick) OnDblClick();
            return 0;
        case WM_MOUSEMOVE: {
            const LRESULT r = fw::Control::WndProc(msg, wp, lp);
            MouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return r;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const LRESULT r = fw::Control::WndProc(msg, wp, lp);
            MouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return r;
        }
        case WM_CAPTURECHANGED:
            CaptureLost();
            return 0;
        case fw::notify::EnabledChanged:
            fw::Control::WndProc(msg, wp, lp);
            EnabledChanged();
            return 0;
        case fw::notify::ButtonPressed:
            GroupNotified(wp, lp);
            return 0;
        case fw::notify::DialogChar:
            if (DialogChar(wp)) return 1;
            break;
        case fw::notify::FontChanged:
        case fw::notify::TextChanged:
            Repaint();
            return 0;
        case fw::notify::SysColorChange:
            ColorsChanged();
            return 0;
        case fw::notify::ParentColorChanged:
            fw::Control::WndProc(msg, wp, lp);
            ColorsChanged();
            return 0;
        case fw::notify::MouseEnter:
            fw::Control::WndProc(msg, wp, lp);
            if (OnMouseEnter) OnMouseEnter();
            return 0;
        case fw::notify::MouseLeave:
            fw::Control::WndProc(msg, wp, lp);
            if (OnMouseLeave) OnMouseLeave();
            return 0;
        default:
            break;
    }
    return fw::Control::WndProc(msg, wp, lp);
}

}  // namespace flat
