#include "flat/TFlatMemoUnit.h"

#include <algorithm>

#include "flat/FlatGraphics.h"

namespace flat {

namespace {

constexpr int kFrame = 3;
constexpr int kScrollCorner = 16;

}  // namespace

// ---------------------------------------------------------------- construction

TFlatMemo::TFlatMemo(fw::WinControl* parent) : fw::Memo(parent) {
    systemBorder_ = false;
    // Put on its parent before this object was complete: the flat colour
    // follows the parent from the start.
    if (Parent()) colorFlat_ = Parent()->GetColor();
}

void TFlatMemo::SetParent(fw::WinControl* parent) {
    fw::Memo::SetParent(parent);
    ParentColorChanged();
}

// ---------------------------------------------------------------- properties

void TFlatMemo::StoreColor(fw::Color& field, fw::Color value) {
    field = value;
    DrawMemoFrame();
}

void TFlatMemo::SetColorFocused(fw::Color c) { StoreColor(colorFocused_, c); }
void TFlatMemo::SetColorBorder(fw::Color c) { StoreColor(colorBorder_, c); }

void TFlatMemo::SetColorFlat(fw::Color c) {
    followParent_ = false;
    StoreColor(colorFlat_, c);
}

void TFlatMemo::SetParentColor(bool p) {
    if (p == followParent_) return;
    followParent_ = p;
    if (!p) return;
    if (Parent()) colorFlat_ = Parent()->GetColor();
    DrawMemoFrame();
}

void TFlatMemo::SetUseAdvColors(bool use) {
    if (use == useAdvColors_) return;
    useAdvColors_ = use;
    SetParentColor(use);
    DeriveAdvColors();
    DrawMemoFrame();
}

void TFlatMemo::StorePercent(TAdvColors& field, TAdvColors value) {
    field = std::clamp(value, 0, 100);
    if (!useAdvColors_) return;
    DeriveAdvColors();
    DrawMemoFrame();
}

void TFlatMemo::SetAdvColorFocused(TAdvColors p) { StorePercent(advColorFocused_, p); }
void TFlatMemo::SetAdvColorBorder(TAdvColors p) { StorePercent(advColorBorder_, p); }

void TFlatMemo::DeriveAdvColors() {
    if (!useAdvColors_) return;
    colorFocused_ = ShiftLightness(colorFlat_, colorFocused_, advColorFocused_, false);
    colorBorder_ = ShiftLightness(colorFlat_, colorBorder_, advColorBorder_, true);
}

// ---------------------------------------------------------------- the frame

// Focused; or hot while the focus is not on a flat memo.
bool TFlatMemo::FocusedLook() const {
    if (Focused()) return true;
    if (!isHot_) return false;
    return dynamic_cast<const TFlatMemo*>(fw::WinControl::ControlOf(GetFocus())) == nullptr;
}

void TFlatMemo::DrawMemoFrame(HDC dc) {
    const fw::Color k = FocusedLook() ? colorFocused_ : colorFlat_;
    if (color_ != k) {
        color_ = k;
        Perform(fw::notify::ColorChanged);
    }
    RECT w;
    GetWindowRect(handle_, &w);
    const int ww = w.right - w.left, hw = w.bottom - w.top;
    RECT r{0, 0, ww, hw};
    OutlineSolid(dc, r, colorBorder_);
    InflateRect(&r, -1, -1);
    OutlineSolid(dc, r, k);
    InflateRect(&r, -1, -1);
    OutlineSolid(dc, r, k);
    if (ScrollBars() == fw::ssBoth) {
        const int at = kFrame + kScrollCorner;
        FillSolid(dc, RECT{ww - at, hw - at, ww - kFrame, hw - kFrame}, k);
    }
}

// An animation or a parent's print: the scroll bars, the text area at its
// place inside the frame, then the frame, all at the origin the caller gave.
void TFlatMemo::Print(HDC dc, LPARAM flags) {
    if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(handle_)) return;
    if (flags & PRF_NONCLIENT) {
        const int saved = SaveDC(dc);
        fw::Memo::WndProc(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
        RestoreDC(dc, saved);
    }
    if (flags & PRF_CLIENT) {
        RECT client;
        GetClientRect(handle_, &client);
        POINT at{0, 0};
        MapWindowPoints(handle_, nullptr, &at, 1);
        RECT window;
        GetWindowRect(handle_, &window);
        at.x -= window.left;
        at.y -= window.top;
        const int saved = SaveDC(dc);
        POINT origin;
        GetViewportOrgEx(dc, &origin);
        IntersectClipRect(dc, at.x, at.y, at.x + client.right, at.y + client.bottom);
        SetViewportOrgEx(dc, origin.x + at.x, origin.y + at.y, nullptr);
        fw::Memo::WndProc(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        RestoreDC(dc, saved);
    }
    if (flags & PRF_NONCLIENT) DrawMemoFrame(dc);
}

void TFlatMemo::DrawMemoFrame() {
    if (!handle_) return;
    HDC dc = GetWindowDC(handle_);
    if (!dc) return;
    DrawMemoFrame(dc);
    ReleaseDC(handle_, dc);
}

// ---------------------------------------------------------------- notifications

void TFlatMemo::ParentColorChanged() {
    if (useAdvColors_) {
        if (Parent()) colorFlat_ = Parent()->GetColor();
        DeriveAdvColors();
    } else if (followParent_ && Parent()) {
        colorFlat_ = Parent()->GetColor();
    }
    DrawMemoFrame();
}

void TFlatMemo::MouseEntered() {
    if (!GetActiveWindow()) return;
    isHot_ = true;
    DrawMemoFrame();
}

void TFlatMemo::MouseLeft() {
    isHot_ = false;
    DrawMemoFrame();
}

LRESULT TFlatMemo::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    switch (msg) {
        case WM_NCCALCSIZE: {
            result = fw::Memo::WndProc(msg, wp, lp);
            RECT* client = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0]
                              : reinterpret_cast<RECT*>(lp);
            InflateRect(client, -kFrame, -kFrame);
            return result;
        }
        case WM_NCPAINT:
            result = fw::Memo::WndProc(msg, wp, lp);
            DrawMemoFrame();
            return result;
        case WM_PRINT:
            Print(reinterpret_cast<HDC>(wp), lp);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case fw::notify::EnabledChanged:
            result = fw::Memo::WndProc(msg, wp, lp);
            DrawMemoFrame();
            return result;
        case fw::notify::MouseEnter:
            MouseEntered();
            return 0;
        case fw::notify::MouseLeave:
            MouseLeft();
            return 0;
        case fw::notify::SysColorChange:
            // The text area's colour may be a system colour that changed.
            if (handle_) InvalidateRect(handle_, nullptr, TRUE);
            ParentColorChanged();
            return 0;
        case fw::notify::ParentColorChanged:
            ParentColorChanged();
            return 0;
        default:
            break;
    }
    return fw::Memo::WndProc(msg, wp, lp);
}

}  // namespace flat
