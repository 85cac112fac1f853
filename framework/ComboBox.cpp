#include "framework/ComboBox.h"

#include <algorithm>

namespace fw {

namespace {

DWORD StyleBits(ComboStyle s) {
    switch (s) {
        case csDropDown: return CBS_DROPDOWN;
        case csSimple: return CBS_SIMPLE;
        case csDropDownList: return CBS_DROPDOWNLIST;
        case csOwnerDrawFixed: return CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED;
        case csOwnerDrawVariable: return CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE;
    }
    return CBS_DROPDOWN;
}

COMBOBOXINFO InfoOf(HWND h) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!h || !GetComboBoxInfo(h, &info)) info = COMBOBOXINFO{};
    return info;
}

}  // namespace

ComboBox::ComboBox(WinControl* parent) : WinControl(parent) {
    SetBounds(0, 0, 145, 25);
    color_ = clWindow;
    tabStop_ = true;
    // The native control tells of a pick; the framework's own mouse clicks
    // would add clicks of their own.
    clickEvents = false;
}

// The window goes with the base, which first takes the window procedure back.
ComboBox::~ComboBox() = default;

void ComboBox::FillCreateParams(CreateParams& p) {
    WinControl::FillCreateParams(p);
    p.className = "COMBOBOX";
    p.systemClass = true;
    // No WS_CLIPCHILDREN: the control paints around its edit field itself.
    p.style = (p.style & ~WS_CLIPCHILDREN) | WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS |
              StyleBits(style_) | (sorted_ ? CBS_SORT : 0);
}

void ComboBox::HandleCreated() {
    WinControl::HandleCreated();
    for (const std::string& item : items_)
        SendMessageA(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (sorted_) ReadBackOrder();
    ApplyItemHeights();
    SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    if (Editable()) {
        SendMessageA(handle_, CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
        SetWindowTextA(handle_, text_.c_str());
    }
    // The native control decides its own height.
    RECT r;
    GetWindowRect(handle_, &r);
    bounds_.right = bounds_.left + (r.right - r.left);
    bounds_.bottom = bounds_.top + (r.bottom - r.top);
}

// The list sorts as the system compares; the object's copy follows it.
void ComboBox::ReadBackOrder() {
    const int n = static_cast<int>(SendMessageA(handle_, CB_GETCOUNT, 0, 0));
    items_.clear();
    for (int i = 0; i < n; ++i) {
        const LRESULT len = SendMessageA(handle_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string s(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, '\0');
        SendMessageA(handle_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
        s.resize(std::char_traits<char>::length(s.c_str()));
        items_.push_back(std::move(s));
    }
}

void ComboBox::ApplyItemHeights() {
    if (!handle_ || !OwnerDrawn()) return;
    SendMessageA(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
    if (style_ == csOwnerDrawVariable) {
        for (int i = 0; i < static_cast<int>(items_.size()); ++i)
            SendMessageA(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(i), MeasureItem(i));
    } else {
        SendMessageA(handle_, CB_SETITEMHEIGHT, 0, itemHeight_);
    }
}

void ComboBox::RecreateHandle() {
    if (!handle_) return;
    itemIndex_ = ItemIndex();
    text_ = Text();
    HWND focus = GetFocus();
    const bool focused = focus && (focus == handle_ || IsChild(handle_, focus));
    HWND before = GetWindow(handle_, GW_HWNDPREV);
    DestroyHandle();
    CreateHandle();
    SetWindowPos(handle_, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (focused) ::SetFocus(handle_);
}

// ---------------------------------------------------------------- properties

void ComboBox::SetStyle(ComboStyle style) {
    if (style == style_) return;
    style_ = style;
    RecreateHandle();
}

void ComboBox::AddItem(const std::string& item) {
    if (!handle_) {
        items_.push_back(item);
        return;
    }
    const LRESULT at = SendMessageA(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (at < 0) return;
    items_.insert(items_.begin() + std::min<LRESULT>(at, static_cast<LRESULT>(items_.size())), item);
    if (style_ == csOwnerDrawVariable)
        SendMessageA(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(at), MeasureItem(static_cast<int>(at)));
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
    itemIndex_ = -1;
    if (!Editable()) text_.clear();
    if (!handle_) {
        items_ = items;
        return;
    }
    SendMessageA(handle_, CB_RESETCONTENT, 0, 0);
    items_.clear();
    for (const std::string& item : items) AddItem(item);
}

int ComboBox::ItemIndex() const {
    if (!handle_) return itemIndex_;
    return static_cast<int>(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
}

void ComboBox::SetItemIndex(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
    itemIndex_ = index;
    if (index >= 0) text_ = items_[static_cast<size_t>(index)];
    else if (!Editable()) text_.clear();
    if (handle_) SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string ComboBox::Text() const {
    if (!handle_) return text_;
    std::string s(static_cast<size_t>(GetWindowTextLengthA(handle_)) + 1, '\0');
    const int n = GetWindowTextA(handle_, s.data(), static_cast<int>(s.size()));
    s.resize(static_cast<size_t>(std::max(n, 0)));
    return s;
}

int ComboBox::ItemHeight() const {
    if (!handle_ || OwnerDrawn()) return itemHeight_;
    return static_cast<int>(SendMessageA(handle_, CB_GETITEMHEIGHT, 0, 0));
}

void ComboBox::SetItemHeight(int height) {
    if (height <= 0) return;
    itemHeight_ = height;
    ApplyItemHeights();
}

void ComboBox::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    RecreateHandle();
}

void ComboBox::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (handle_ && Editable()) SendMessageA(handle_, CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

bool ComboBox::DroppedDown() const {
    return handle_ && SendMessageA(handle_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void ComboBox::SetDroppedDown(bool dropped) {
    if (handle_) SendMessageA(handle_, CB_SHOWDROPDOWN, dropped, 0);
}

HWND ComboBox::EditHandle() const { return Editable() ? InfoOf(handle_).hwndItem : nullptr; }

HWND ComboBox::ListHandle() const { return InfoOf(handle_).hwndList; }

HBRUSH ComboBox::ColorBrush() {
    const COLORREF c = ColorToRGB(color_);
    if (!brush_ || c != brushColor_) {
        brush_ = MakeSolidBrush(c);
        brushColor_ = c;
    }
    return brush_.Get();
}

// ---------------------------------------------------------------- events

void ComboBox::Change() {
    if (OnChange) OnChange();
}

void ComboBox::DropDown() {
    if (OnDropDown) OnDropDown();
}

int ComboBox::MeasureItem(int index) {
    int height = itemHeight_;
    if (OnMeasureItem) OnMeasureItem(index, height);
    return height;
}

void ComboBox::DrawItem(int index, Canvas& canvas, const Rect& rect, UINT state) {
    if (OnDrawItem) {
        OnDrawItem(index, canvas, rect, state);
        return;
    }
    canvas.FillRect(rect);
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    Rect text{rect.left + 2, rect.top, rect.right, rect.bottom};
    canvas.brush.clear = true;
    canvas.DrawText(items_[static_cast<size_t>(index)], text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void ComboBox::DrawItemNotified(const DRAWITEMSTRUCT& item) {
    const Rect r{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
    const int index = static_cast<int>(item.itemID);
    {
        Canvas canvas(item.hDC);
        canvas.font = font_;
        canvas.brush.color = color_;
        if (index >= 0 && (item.itemState & ODS_SELECTED)) {
            canvas.brush.color = clHighlight;
            canvas.font.color = clHighlightText;
        }
        if (item.itemState & ODS_DISABLED) canvas.font.color = clGrayText;
        if (index >= 0) DrawItem(index, canvas, r, item.itemState);
        else canvas.FillRect(r);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

// The list shows up to DropDownCount items: the native control takes the
// height it is given while dropping as the height of control and list.
void ComboBox::AdjustDropDown() {
    const int count = static_cast<int>(items_.size());
    const int n = std::max(1, std::min(count, dropDownCount_));
    adjusting_ = true;
    SetWindowPos(handle_, nullptr, 0, 0, Width(), ItemHeight() * n + Height() + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    adjusting_ = false;
}

void ComboBox::Notified(int code) {
    switch (code) {
        case CBN_SELCHANGE: {
            const int index = ItemIndex();
            if (index >= 0 && index < static_cast<int>(items_.size())) {
                text_ = items_[static_cast<size_t>(index)];
                if (Editable()) SetWindowTextA(handle_, text_.c_str());
            }
            Click();
            Change();
            break;
        }
        case CBN_EDITCHANGE:
            text_ = Text();
            Change();
            break;
        case CBN_DROPDOWN:
            DropDown();
            AdjustDropDown();
            break;
        default:
            break;
    }
}

LRESULT ComboBox::AnswerColors(HDC dc) {
    SetTextColor(dc, ColorToRGB(font_.color));
    SetBkColor(dc, ColorToRGB(color_));
    return reinterpret_cast<LRESULT>(ColorBrush());
}

LRESULT ComboBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case notify::Reflected + WM_COMMAND:
            Notified(HIWORD(wp));
            return 0;
        case notify::Reflected + WM_DRAWITEM:
            DrawItemNotified(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        // The control's own painting asks its parent; its edit field and its
        // list ask the control.
        case notify::Reflected + WM_CTLCOLOREDIT:
        case notify::Reflected + WM_CTLCOLORLISTBOX:
        case notify::Reflected + WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return AnswerColors(reinterpret_cast<HDC>(wp));
        case WM_SIZE:
            // The bounds follow the native size (taken before the native
            // handling, which may set its own height again), not the
            // height given for the dropped list.
            if (!adjusting_) {
                bounds_.right = bounds_.left + LOWORD(lp);
                bounds_.bottom = bounds_.top + HIWORD(lp);
            }
            break;
        case notify::FontChanged:
            RecreateHandle();
            Invalidate();
            return 0;
        default:
            break;
    }
    return WinControl::WndProc(msg, wp, lp);
}

}  // namespace fw
