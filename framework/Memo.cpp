#include "framework/Memo.h"

#include <algorithm>

namespace fw {

namespace {

DWORD ScrollBits(ScrollStyle s) {
    switch (s) {
        case ssHorizontal: return WS_HSCROLL;
        case ssVertical: return WS_VSCROLL;
        case ssBoth: return WS_HSCROLL | WS_VSCROLL;
        case ssNone: break;
    }
    return 0;
}

DWORD AlignmentBits(TextAlignment a) {
    switch (a) {
        case taRightJustify: return ES_RIGHT;
        case taCenter: return ES_CENTER;
        case taLeftJustify: break;
    }
    return ES_LEFT;
}

}  // namespace

Memo::Memo(WinControl* parent) : WinControl(parent) {
    SetBounds(0, 0, 185, 89);
    color_ = clWindow;
    tabStop_ = true;
}

// The window goes with the base, which first takes the window procedure back.
Memo::~Memo() = default;

void Memo::FillCreateParams(CreateParams& p) {
    WinControl::FillCreateParams(p);
    p.className = "EDIT";
    p.systemClass = true;
    p.style = (p.style & ~WS_CLIPCHILDREN) | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
              (wordWrap_ ? 0 : ES_AUTOHSCROLL) | ScrollBits(scrollBars_) | AlignmentBits(alignment_) |
              (readOnly_ ? ES_READONLY : 0) | (hideSelection_ ? 0 : ES_NOHIDESEL) |
              (oemConvert_ ? ES_OEMCONVERT : 0);
    if (systemBorder_) p.exStyle |= WS_EX_CLIENTEDGE;
}

void Memo::HandleCreated() {
    WinControl::HandleCreated();
    SendMessageA(handle_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    // The window was sized before the object took its messages: its frame
    // is computed again, by the object's rules.
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Memo::RecreateHandle() {
    if (!handle_) return;
    text_ = Text();
    DWORD start = 0, end = 0;
    SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const bool focused = GetFocus() == handle_;
    HWND before = GetWindow(handle_, GW_HWNDPREV);
    // The old window will not tell of the pointer's leaving.
    if (trackingLeave_) {
        trackingLeave_ = false;
        Perform(notify::MouseLeave);
    }
    DestroyHandle();
    CreateHandle();
    SetWindowPos(handle_, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(handle_, EM_SETSEL, start, end);
    if (focused) ::SetFocus(handle_);
}

// ---------------------------------------------------------------- text

std::string Memo::Text() const {
    if (!handle_) return text_;
    std::string s(static_cast<size_t>(GetWindowTextLengthA(handle_)) + 1, '\0');
    const int n = GetWindowTextA(handle_, s.data(), static_cast<int>(s.size()));
    s.resize(static_cast<size_t>(std::max(n, 0)));
    return s;
}

std::vector<std::string> Memo::Lines() const {
    const std::string text = Text();
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find("\r\n", from);
        lines.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + 2;
    }
    return lines;
}

void Memo::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    SetText(text);
}

void Memo::Change() {
    if (OnChange) OnChange();
}

// ---------------------------------------------------------------- settings

void Memo::SetStyleFlag(bool& field, bool value) {
    if (field == value) return;
    field = value;
    RecreateHandle();
}

void Memo::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (handle_) SendMessageA(handle_, EM_SETREADONLY, readOnly, 0);
}

void Memo::SetWordWrap(bool wrap) { SetStyleFlag(wordWrap_, wrap); }
void Memo::SetHideSelection(bool hide) { SetStyleFlag(hideSelection_, hide); }
void Memo::SetOEMConvert(bool convert) { SetStyleFlag(oemConvert_, convert); }

void Memo::SetScrollBars(ScrollStyle bars) {
    if (bars == scrollBars_) return;
    scrollBars_ = bars;
    RecreateHandle();
}

void Memo::SetAlignment(TextAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    RecreateHandle();
}

void Memo::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (handle_) SendMessageA(handle_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

// ---------------------------------------------------------------- selection

int Memo::SelStart() const {
    DWORD start = 0;
    if (handle_) SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

int Memo::SelLength() const {
    DWORD start = 0, end = 0;
    if (handle_)
        SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void Memo::SetSel(int start, int length) {
    if (!handle_) return;
    SendMessageA(handle_, EM_SETSEL, static_cast<WPARAM>(start),
                 length < 0 ? -1 : static_cast<LPARAM>(start + length));
}

void Memo::CopyToClipboard() {
    if (handle_) SendMessageA(handle_, WM_COPY, 0, 0);
}

// ---------------------------------------------------------------- messages

LRESULT Memo::AnswerColors(HDC dc) {
    const COLORREF c = ColorToRGB(color_);
    if (!brush_ || c != brushColor_) {
        brush_ = MakeSolidBrush(c);
        brushColor_ = c;
    }
    SetTextColor(dc, ColorToRGB(font_.color));
    SetBkColor(dc, c);
    return reinterpret_cast<LRESULT>(brush_.Get());
}

// The native class has no mouse-enter notice of its own: the first move over
// the window is one, and the system is asked to tell of the leaving.
void Memo::PointerMoved() {
    if (trackingLeave_) return;
    trackingLeave_ = true;
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, handle_, 0};
    TrackMouseEvent(&t);
    Perform(notify::MouseEnter);
}

LRESULT Memo::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        // A read-only or disabled edit asks for the static colours.
        case notify::Reflected + WM_CTLCOLOREDIT:
        case notify::Reflected + WM_CTLCOLORSTATIC:
            return AnswerColors(reinterpret_cast<HDC>(wp));
        case notify::Reflected + WM_COMMAND:
            if (HIWORD(wp) == EN_CHANGE && !settingText_) {
                text_ = Text();
                Change();
            }
            return 0;
        case notify::TextChanged:
            if (handle_) {
                settingText_ = true;
                SetWindowTextA(handle_, text_.c_str());
                settingText_ = false;
            }
            Change();
            return 0;
        case notify::ColorChanged:
            if (handle_) InvalidateRect(handle_, nullptr, TRUE);
            return 0;
        case WM_CHAR:
            if (wp == '\r' && !wantReturns_) return 0;
            if (wp == '\t' && !wantTabs_) return 0;
            break;
        case WM_MOUSEMOVE:
            PointerMoved();
            break;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            break;
        default:
            break;
    }
    return WinControl::WndProc(msg, wp, lp);
}

}  // namespace fw
