#include "flat/TFlatComboBoxUnit.h"

#include <algorithm>

#include "flat/FlatGraphics.h"

namespace flat {

namespace {

constexpr fw::Color kDisabledArrow = 0x808080, kDisabledShadow = 0xFFFFFF;

// A filled triangle, its edges in the same colour.
void Triangle(HDC dc, const POINT (&p)[3], int dx, int dy, fw::Color c) {
    const POINT q[3] = {{p[0].x + dx, p[0].y + dy}, {p[1].x + dx, p[1].y + dy}, {p[2].x + dx, p[2].y + dy}};
    const fw::OwnedPen pen = fw::MakePen(PS_SOLID, 1, fw::ColorToRGB(c));
    const fw::OwnedBrush brush = fw::MakeSolidBrush(fw::ColorToRGB(c));
    HGDIOBJ oldPen = SelectObject(dc, pen.Get()), oldBrush = SelectObject(dc, brush.Get());
    Polygon(dc, q, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

fw::Rect FromRECT(const RECT& r) { return fw::Rect{r.left, r.top, r.right, r.bottom}; }

// The window's own DC for drawing outside a paint.
class WindowDc {
public:
    explicit WindowDc(HWND h) : h_(h), dc_(h ? GetDC(h) : nullptr) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(h_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND h_;
    HDC dc_;
};

}  // namespace

// ---------------------------------------------------------------- construction

TFlatComboBox::TFlatComboBox(fw::WinControl* parent)
    : fw::ComboBox(parent), systemArrowWidth_(GetSystemMetrics(SM_CXVSCROLL)) {
    SetItemHeight(13);
}

// ---------------------------------------------------------------- properties

void TFlatComboBox::StoreColor(fw::Color& field, fw::Color value) {
    field = value;
    Invalidate();
}

void TFlatComboBox::SetColorArrow(fw::Color c) { StoreColor(colorArrow_, c); }
void TFlatComboBox::SetColorArrowBackground(fw::Color c) { StoreColor(colorArrowBackground_, c); }
void TFlatComboBox::SetColorBorder(fw::Color c) { StoreColor(colorBorder_, c); }

void TFlatComboBox::StorePercent(TAdvColors& field, TAdvColors value) {
    field = std::clamp(value, 0, 100);
    DeriveAdvColors();
    Invalidate();
}

void TFlatComboBox::SetAdvColorBorder(TAdvColors p) { StorePercent(advColorBorder_, p); }
void TFlatComboBox::SetAdvColorArrowBackground(TAdvColors p) { StorePercent(advColorArrowBackground_, p); }

void TFlatComboBox::SetUseAdvColors(bool use) {
    if (use == useAdvColors_) return;
    useAdvColors_ = use;
    DeriveAdvColors();
    Invalidate();
}

void TFlatComboBox::DeriveAdvColors() {
    if (!useAdvColors_ || !Parent()) return;
    const fw::Color base = Parent()->GetColor();
    colorBorder_ = ShiftLightness(base, colorBorder_, advColorBorder_, true);
    colorArrowBackground_ = ShiftLightness(base, colorArrowBackground_, advColorArrowBackground_, true);
}

// ---------------------------------------------------------------- flat parts

int TFlatComboBox::W() const {
    RECT r{0, 0, Width(), Height()};
    if (handle_) GetClientRect(handle_, &r);
    return r.right;
}

int TFlatComboBox::H() const {
    RECT r{0, 0, Width(), Height()};
    if (handle_) GetClientRect(handle_, &r);
    return r.bottom;
}

fw::Rect TFlatComboBox::ArrowButtonRect() const {
    return fw::Rect{W() - ButtonWidth - 1, 0, W() - 1, H()};
}

void TFlatComboBox::DrawArrowButton(HDC dc) {
    const fw::Rect a = ArrowButtonRect();
    const RECT r{a.left - 1, a.top, a.right + 1, a.bottom};
    FillSolid(dc, r, colorArrowBackground_);
    OutlineSolid(dc, r, colorBorder_);
    const int x0 = r.left + (r.right - r.left) / 2 - 6, y0 = r.top + (r.bottom - r.top) / 2 - 1;
    const POINT down[3] = {{x0 + 4, y0}, {x0 + 8, y0}, {x0 + 6, y0 + 2}};
    const POINT up[3] = {{x0 + 4, y0 + 2}, {x0 + 8, y0 + 2}, {x0 + 6, y0}};
    const POINT(&arrow)[3] = DroppedDown() ? up : down;
    if (Enabled()) {
        Triangle(dc, arrow, 0, 0, colorArrow_);
    } else {
        Triangle(dc, arrow, 1, 1, kDisabledShadow);
        Triangle(dc, arrow, 0, 0, kDisabledArrow);
    }
}

// A border whose right column is the button's left outline, and inside it a
// ring in the control's colour over the standard 3-D border.
void TFlatComboBox::DrawFlatFrame(HDC dc) {
    RECT r{0, 0, W() - ButtonWidth - 1, H()};
    OutlineSolid(dc, r, colorBorder_);
    InflateRect(&r, -1, -1);
    OutlineSolid(dc, r, GetColor());
    InflateRect(&r, -1, -1);
    OutlineSolid(dc, r, GetColor());
}

// Carries the standard selection highlight, which stops before the standard
// button, on to the flat button, and rims the selected text with it.
void TFlatComboBox::DrawSelectionStrip(HDC dc) {
    const int w = W(), h = H();
    const bool focused = handle_ && GetFocus() == handle_ && !DroppedDown();
    const fw::Color c = focused ? SelectionHighlight() : GetColor();
    FillSolid(dc, RECT{w - ButtonWidth - 10, 3, w - ButtonWidth - 5, h - 3}, c);
    if (focused) OutlineSolid(dc, RECT{3, 3, w - ButtonWidth - 5, h - 3}, c);
}

void TFlatComboBox::RedrawFlatParts(HDC dc) {
    DrawFlatFrame(dc);
    if (Style() != fw::csSimple) DrawArrowButton(dc);
}

void TFlatComboBox::DrawSelectionStrip() {
    WindowDc dc(handle_);
    if (dc.Get()) DrawSelectionStrip(dc.Get());
}

void TFlatComboBox::RedrawFlatParts() {
    WindowDc dc(handle_);
    if (dc.Get()) RedrawFlatParts(dc.Get());
}

// The standard content is painted with the flat button's strip left out of
// its clipping; the strip and the frame come after it.
void TFlatComboBox::PaintFlat(HDC dc, const RECT& update) {
    const int w = W(), h = H();
    RECT fill = update;
    fill.right = std::min<LONG>(fill.right, w - 15);
    if (fill.right > fill.left) FillSolid(dc, fill, GetColor());
    if (RectsIntersect(FromRECT(update), ArrowButtonRect())) DrawArrowButton(dc);
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, w - systemArrowWidth_ - 2, 0, w, h);
    CallWindowProcA(defProc_, handle_, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
    if (Style() == fw::csDropDown) {
        if (DroppedDown()) OutlineSolid(dc, RECT{2, 2, w - 14, h - 2}, fw::clWindow);
    } else {
        DrawSelectionStrip(dc);
    }
}

// A paint into a DC someone else gave (a print, a parent's request).
void TFlatComboBox::Painted(HDC dc, const RECT& update) {
    PaintFlat(dc, update);
    RedrawFlatParts(dc);
}

// ---------------------------------------------------------------- active state

bool TFlatComboBox::ComputeActive() const {
    HWND focus = GetFocus();
    return DroppedDown() || (focus && (focus == handle_ || focus == EditHandle()));
}

// The frame and the button look the same either way: the change of state
// only has them drawn again.
void TFlatComboBox::UpdateActive() {
    const bool active = ComputeActive();
    if (active == activeLook_) return;
    activeLook_ = active;
    RedrawFlatParts();
}

// ---------------------------------------------------------------- messages

void TFlatComboBox::KeyDown(WPARAM wp, LPARAM lp, LRESULT& result) {
    const std::string before = Text();
    result = fw::ComboBox::WndProc(WM_KEYDOWN, wp, lp);
    if (HasSelectionStrip() && Text() != before) DrawSelectionStrip();
}

void TFlatComboBox::Notified(int code) {
    fw::ComboBox::Notified(code);
    switch (code) {
        case CBN_SELCHANGE:
        case CBN_DROPDOWN:
        case CBN_SELENDOK:
            if (HasSelectionStrip()) DrawSelectionStrip();
            break;
        case CBN_CLOSEUP:
            // The standard control draws its own focus look over the text as
            // the list closes, after this notice: the whole box is painted
            // again once it is done, the arrow turning down with it.
            if (handle_) InvalidateRect(handle_, nullptr, FALSE);
            break;
        default:
            break;
    }
}

// Before the native control places its edit field: the field stops short of
// the flat button and inside the ring.
void TFlatComboBox::SizeEditField() {
    HWND edit = EditHandle();
    if (!edit) return;
    RECT client, window;
    GetClientRect(handle_, &client);
    GetWindowRect(handle_, &window);
    SetWindowPos(edit, nullptr, 0, 0, client.right - ButtonWidth - 8, window.bottom - window.top - 6,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TFlatComboBox::ColorsChanged() {
    DeriveAdvColors();
    Invalidate();
}

LRESULT TFlatComboBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    switch (msg) {
        case WM_PAINT: {
            if (wp) {
                RECT clip;
                HDC dc = reinterpret_cast<HDC>(wp);
                if (GetClipBox(dc, &clip) != ERROR) Painted(dc, clip);
                return 0;
            }
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(handle_, &ps);
            PaintFlat(dc, ps.rcPaint);
            EndPaint(handle_, &ps);
            RedrawFlatParts();
            return 0;
        }
        case WM_PRINTCLIENT:
            Painted(reinterpret_cast<HDC>(wp), RECT{0, 0, W(), H()});
            return 0;
        case WM_NCPAINT:
            result = fw::ComboBox::WndProc(msg, wp, lp);
            RedrawFlatParts();
            return result;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            result = fw::ComboBox::WndProc(msg, wp, lp);
            UpdateActive();
            if (HasSelectionStrip()) DrawSelectionStrip();
            return result;
        case WM_COMMAND:
            result = fw::ComboBox::WndProc(msg, wp, lp);
            if (reinterpret_cast<HWND>(lp) == EditHandle() &&
                (HIWORD(wp) == EN_SETFOCUS || HIWORD(wp) == EN_KILLFOCUS))
                UpdateActive();
            return result;
        case WM_KEYDOWN:
            KeyDown(wp, lp, result);
            return result;
        case WM_WINDOWPOSCHANGING:
            if (Editable()) SizeEditField();
            break;
        case fw::notify::FontChanged:
            SetItemHeight(13);
            break;
        case fw::notify::SysColorChange:
        case fw::notify::ParentColorChanged:
            result = fw::ComboBox::WndProc(msg, wp, lp);
            ColorsChanged();
            return result;
        default:
            break;
    }
    return fw::ComboBox::WndProc(msg, wp, lp);
}

}  // namespace flat
