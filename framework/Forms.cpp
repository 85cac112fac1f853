#include "framework/Forms.h"

#include <algorithm>
#include <vector>

#include "framework/Application.h"

namespace fw {

Form::Form() : WinControl(nullptr) {
    visible_ = false;
    parentFont_ = false;
}

Form::~Form() {
    if (handle_ && GetCapture() == handle_) ReleaseCapture();
}

void Form::FillCreateParams(CreateParams& p) {
    p.className = "QuelvoForm";
    p.style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;  // borderless, created hidden
    p.exStyle = 0;
    p.parent = App().Handle();  // owned by the application window: no taskbar entry of its own
}

void Form::Create() {
    Handle();
    Guarded([this] { Loaded(); });
    if (OnCreate) Guarded(OnCreate);
}

void Form::ApplyPosition() {
    if (positioned_) return;
    positioned_ = true;
    if (position == FormPosition::ScreenCenter) {
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
    }
}

void Form::SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }

void Form::BringToFront() {
    if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Form::Show() {
    Handle();
    if (visible_ && IsWindowVisible(handle_)) {
        BringToFront();
        return;
    }
    ApplyPosition();
    visible_ = true;
    if (OnShow) OnShow();
    if (!IsWindowVisible(handle_)) ShowWindow(handle_, SW_SHOW);
    App().VisibilityChanged();
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    if (OnHide) OnHide();
    if (handle_ && IsWindowVisible(handle_)) ShowWindow(handle_, SW_HIDE);
    if (modal_ && modalResult_ == mrNone) modalResult_ = mrCancel;
    App().VisibilityChanged();
}

void Form::SetVisible(bool v) {
    if (v) Show();
    else Hide();
}

bool Form::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(canClose);
    return canClose;
}

void Form::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    CloseAction action = this == App().MainForm() ? CloseAction::Free : CloseAction::Hide;
    if (OnClose) OnClose(action);
    if (action == CloseAction::None) return;
    if (this == App().MainForm() && action == CloseAction::Free) {
        App().Terminate();
        return;
    }
    Hide();
}

void Form::CloseModal() {
    if (!CloseQuery()) {
        modalResult_ = mrNone;
        return;
    }
    CloseAction action = CloseAction::Hide;
    if (OnClose) OnClose(action);
    if (action == CloseAction::None) {
        modalResult_ = mrNone;
        return;
    }
    const int result = modalResult_;
    Hide();
    modalResult_ = result;
}

WinControl* Form::ActiveControl() const {
    // Compared, never followed: the control may have gone since.
    const auto list = TabList();
    return std::find(list.begin(), list.end(), activeControl_) != list.end() ? activeControl_
                                                                             : nullptr;
}

void Form::SelectNext(WinControl* from, bool forward) {
    const auto list = TabList();
    const int n = static_cast<int>(list.size());
    const auto at = std::find(list.begin(), list.end(), from);
    const int start = at == list.end() ? (forward ? -1 : n) : static_cast<int>(at - list.begin());
    for (int step = 1; step <= n; ++step) {
        const int i = ((start + (forward ? step : -step)) % n + n) % n;
        WinControl* c = list[i];
        if (c == from) return;  // round the whole list
        if (c->TabStop() && c->CanFocus()) {
            c->SetFocus();
            return;
        }
    }
}

bool Form::RestoreFocus() {
    WinControl* active = ActiveControl();
    if (active && active->CanFocus()) active->SetFocus();
    else SelectNext(nullptr, true);
    HWND focus = GetFocus();
    return focus && IsChild(handle_, focus);
}

namespace {
BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

// Windows a modal window leaves working: the application window, which owns
// the pop-up menus and receives their commands, and message-only windows
// (timers).
bool StaysEnabled(HWND h) {
    return h == App().Handle() || GetAncestor(h, GA_PARENT) != GetDesktopWindow();
}
}  // namespace

int Form::ShowModal() {
    Handle();
    if (visible_ || !enabled_ || modal_) throw InvalidOperation("无法使不可见窗口成为模态");
    // Disable the application's other visible, enabled windows while this one runs.
    std::vector<HWND> all, disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all)
        if (h != handle_ && !StaysEnabled(h) && IsWindowVisible(h) && IsWindowEnabled(h)) {
            EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    modal_ = true;
    modalResult_ = mrNone;
    int result = mrCancel;
    try {
        Show();
        SetForegroundWindow(handle_);
        while (true) {
            if (App().Terminated()) modalResult_ = mrCancel;
            if (modalResult_ != mrNone) {
                CloseModal();
                if (modalResult_ != mrNone || !visible_) break;
            }
            if (!App().HandleMessage() && modalResult_ == mrNone) modalResult_ = mrCancel;
        }
        result = modalResult_;
    } catch (...) {
        modal_ = false;
        for (HWND h : disabled) EnableWindow(h, TRUE);
        throw;
    }
    modal_ = false;
    for (HWND h : disabled) EnableWindow(h, TRUE);
    if (visible_) Hide();
    return result == mrNone ? mrCancel : result;
}

LRESULT Form::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            Close();
            return 0;
        case WM_QUERYENDSESSION:
            return CloseQuery() ? 1 : 0;
        case WM_ENDSESSION:
            if (wp && this == App().MainForm()) App().Terminate();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                // Also a native child's focus (a combo box's edit), which no
                // focus message of ours has seen.
                if (WinControl* c = ControlOf(GetFocus()); c && c != this && c->ParentForm() == this)
                    activeControl_ = c;
                break;
            }
            if (!HIWORD(wp) && RestoreFocus()) return 0;  // not minimised
            break;
        default:
            break;
    }
    return WinControl::WndProc(msg, wp, lp);
}

}  // namespace fw
