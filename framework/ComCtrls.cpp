#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace fw {

namespace {

// The tab control's class is registered by the common controls library on request.
void RegisterTabClass() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)registered;
}

}  // namespace

// ---------------------------------------------------------------- PageControl

PageControl::PageControl(WinControl* parent) : WinControl(parent) { tabStop_ = true; }

PageControl::~PageControl() {
    for (TabSheet* p : pages_) p->owner_ = nullptr;
}

void PageControl::FillCreateParams(CreateParams& p) {
    WinControl::FillCreateParams(p);
    RegisterTabClass();
    p.className = WC_TABCONTROLA;
    p.systemClass = true;
    if (multiLine_) p.style |= TCS_MULTILINE;
}

void PageControl::HandleCreated() {
    for (int i = 0; i < PageCount(); ++i) SetTab(i, true);
    if (active_) SendMessageA(handle_, TCM_SETCURSEL, active_->PageIndex(), 0);
    PlacePages();
}

void PageControl::SetMultiLine(bool m) {
    if (m == multiLine_) return;
    multiLine_ = m;
    if (handle_) {
        const LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
        SetWindowLongPtrA(handle_, GWL_STYLE, m ? style | TCS_MULTILINE : style & ~TCS_MULTILINE);
        InvalidateRect(handle_, nullptr, TRUE);
    }
    PlacePages();
}

TabSheet* PageControl::Page(int i) const {
    return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)] : nullptr;
}

void PageControl::SetActivePage(TabSheet* page) {
    if (page && page->owner_ != this) return;
    if (page != active_) ShowPage(page);
}

Rect PageControl::DisplayRect() {
    RECT r{0, 0, Width(), Height()};
    if (handle_) SendMessageA(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return Rect{r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

void PageControl::Resized() { PlacePages(); }

void PageControl::AddPage(TabSheet* page) {
    pages_.push_back(page);
    if (handle_) SetTab(PageCount() - 1, true);
    if (!active_) ShowPage(page);
    PlacePages();  // a new row of tabs makes the display area smaller
}

void PageControl::RemovePage(TabSheet* page) {
    const auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    const int index = static_cast<int>(it - pages_.begin());
    pages_.erase(it);
    if (handle_) SendMessageA(handle_, TCM_DELETEITEM, index, 0);
    if (active_ == page) {
        active_ = nullptr;
        ShowPage(Page(std::min(index, PageCount() - 1)));
    } else if (handle_ && active_) {
        SendMessageA(handle_, TCM_SETCURSEL, active_->PageIndex(), 0);
    }
    PlacePages();
}

void PageControl::PageCaptionChanged(TabSheet* page) {
    if (!handle_) return;
    SetTab(page->PageIndex(), false);
    PlacePages();
}

void PageControl::SetTab(int index, bool insert) {
    std::string text = pages_[static_cast<size_t>(index)]->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(handle_, insert ? TCM_INSERTITEMA : TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
}

void PageControl::ShowPage(TabSheet* page) {
    TabSheet* old = active_;
    active_ = page;
    if (handle_) SendMessageA(handle_, TCM_SETCURSEL, page ? page->PageIndex() : -1, 0);
    // The new page first, so the tab control's background never shows between them.
    if (page) page->SetVisible(true);
    if (!old || old == page) return;
    // Keys typed for a control on a hidden page would go nowhere: the tabs take the focus.
    HWND oldWindow = old->HandleIfAllocated();
    HWND focus = GetFocus();
    if (handle_ && oldWindow && focus && (focus == oldWindow || IsChild(oldWindow, focus))) ::SetFocus(handle_);
    old->SetVisible(false);
}

void PageControl::PlacePages() {
    const Rect r = DisplayRect();
    for (TabSheet* p : pages_) p->SetBounds(r);
}

void PageControl::TabPicked() {
    TabSheet* page = Page(static_cast<int>(SendMessageA(handle_, TCM_GETCURSEL, 0, 0)));
    if (!page || page == active_) return;
    ShowPage(page);
    if (OnChange) OnChange();
}

void PageControl::PrintPages(HDC dc, LPARAM flags) {
    for (Control* c : children_) {
        auto* w = dynamic_cast<WinControl*>(c);
        if (!w || !w->Visible() || !w->HandleIfAllocated()) continue;
        const Rect& r = w->BoundsRect();
        MovedDc at(dc, r.left, r.top, r.Width(), r.Height());
        SendMessageA(w->HandleIfAllocated(), WM_PRINT, reinterpret_cast<WPARAM>(dc), flags & ~PRF_CHECKVISIBLE);
    }
}

LRESULT PageControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case notify::Reflected + WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lp)->code == static_cast<UINT>(TCN_SELCHANGE)) TabPicked();
            return 0;
        case WM_PRINT: {
            // Visible by its own flag, as during an animation; the pages are
            // printed here, each at its place, since only they know their picture.
            if ((lp & PRF_CHECKVISIBLE) && !visible_) return 0;
            LRESULT result = 0;
            DefaultHandler(msg, wp, lp & ~(PRF_CHECKVISIBLE | PRF_CHILDREN), result);
            if (lp & PRF_CHILDREN) PrintPages(reinterpret_cast<HDC>(wp), lp);
            return result;
        }
        case notify::FontChanged: {
            // The tabs take the new font's height.
            const LRESULT result = WinControl::WndProc(msg, wp, lp);
            PlacePages();
            return result;
        }
        default:
            return WinControl::WndProc(msg, wp, lp);
    }
}

// ---------------------------------------------------------------- TabSheet

TabSheet::TabSheet(PageControl* owner) : WinControl(nullptr), owner_(owner) {
    visible_ = false;
    if (!owner) return;
    bounds_ = owner->DisplayRect();
    SetParent(owner);
    owner->AddPage(this);
}

TabSheet::~TabSheet() {
    if (owner_) owner_->RemovePage(this);
}

void TabSheet::FillCreateParams(CreateParams& p) {
    WinControl::FillCreateParams(p);
    p.className = "QuelvoTabSheet";
}

int TabSheet::PageIndex() const {
    if (!owner_) return -1;
    const auto& pages = owner_->pages_;
    const auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

LRESULT TabSheet::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    const LRESULT result = WinControl::WndProc(msg, wp, lp);
    if (msg == notify::TextChanged && owner_) owner_->PageCaptionChanged(this);
    return result;
}

}  // namespace fw
