#include "framework/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Layout.h"
#include "framework/Menus.h"
#include "framework/WindowClass.h"

namespace fw {

namespace {

// Each window's object, kept in the process: a window property is a round
// trip to the window server on some systems, and this is read for every
// message. A window of another process, or one not made by us, is not here.
// Never destroyed: windows may be destroyed while statics are torn down.
std::map<HWND, WinControl*>& WindowObjects() {
    static auto* objects = new std::map<HWND, WinControl*>;
    return *objects;
}

WinControl* ObjectOf(HWND hwnd) {
    const auto& objects = WindowObjects();
    const auto it = objects.find(hwnd);
    return it == objects.end() ? nullptr : it->second;
}

bool IsMouseMessage(UINT msg) {
    return msg == WM_MOUSEMOVE || (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK);
}

MouseButton ButtonOf(UINT msg) {
    switch (msg) {
        case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK: return MouseButton::Right;
        case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: return MouseButton::Middle;
        default: return MouseButton::Left;
    }
}

constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

// The character message whose default handling runs now. That handling may
// send it on to the parent window (Alt+Space from a child window), which has
// been offered it already.
struct TypedCharacter {
    UINT msg = 0;
    WPARAM ch = 0;
};
TypedCharacter charInDefault;

}  // namespace

void Guarded(const std::function<void()>& f) noexcept {
    try {
        f();
    } catch (const std::exception& e) {
        App().HandleException(e);
    } catch (...) {
        App().HandleException(Error("未知错误"));
    }
}

// ---------------------------------------------------------------- Control

Control::Control(WinControl* parent) {
    if (parent) SetParent(parent);
}

Control::~Control() {
    if (parent_) parent_->RemoveControl(this);
}

void Control::SetParent(WinControl* parent) {
    if (parent == parent_) return;
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void Control::SetBounds(int left, int top, int width, int height) {
    const Rect r = Bounds(left, top, width, height);
    if (r == bounds_) return;
    Invalidate();
    bounds_ = r;
    Invalidate();
    if (parent_ && align_ != Align::None) parent_->Realign();
    Resized();
}

void Control::SetAlign(Align a) {
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->Realign();
}

void Control::SetVisible(bool v) {
    if (v == visible_) return;
    if (!v) Invalidate();
    visible_ = v;
    Invalidate();
    if (parent_ && align_ != Align::None) parent_->Realign();
    Perform(notify::VisibleChanged, v);
}

Form* Control::ParentForm() const {
    const Control* root = this;
    while (root->parent_) root = root->parent_;
    return dynamic_cast<Form*>(const_cast<Control*>(root));
}

bool Control::Showing() const {
    if (!visible_) return false;
    if (!parent_) {
        auto* self = dynamic_cast<const WinControl*>(this);
        return self && self->HandleIfAllocated() && IsWindowVisible(self->HandleIfAllocated());
    }
    return parent_->Showing();
}

void Control::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    Perform(notify::EnabledChanged);
}

void Control::ChangeFont(const std::function<void(Font&)>& edit) {
    edit(font_);
    font_.Changed();
    parentFont_ = false;
    Perform(notify::FontChanged);
}

void Control::SetFont(const Font& f) {
    ChangeFont([&](Font& mine) { mine = f; });
}

void Control::SetParentFont(bool p) {
    if (p == parentFont_) return;
    parentFont_ = p;
    if (p && parent_) Perform(notify::ParentFontChanged);
}

void Control::SetColor(Color c) {
    if (c == color_ && !parentColor_) return;
    color_ = c;
    parentColor_ = false;
    Perform(notify::ColorChanged);
}

void Control::SetParentColor(bool p) {
    if (p == parentColor_) return;
    parentColor_ = p;
    if (p && parent_) Perform(notify::ParentColorChanged);
}

void Control::SetText(const std::string& t) {
    if (t == text_) return;
    text_ = t;
    Perform(notify::TextChanged);
}

LRESULT Control::Perform(UINT msg, WPARAM wp, LPARAM lp) { return WndProc(msg, wp, lp); }

void Control::Invalidate() {
    if (!parent_ || !visible_) return;
    HWND h = parent_->HandleIfAllocated();
    if (!h) return;
    parent_->PictureChanged();
    RECT r{bounds_.left, bounds_.top, bounds_.right, bounds_.bottom};
    InvalidateRect(h, &r, FALSE);
}

PopupMenu* Control::FindPopupMenu() const {
    for (const Control* c = this; c; c = c->parent_)
        if (c->popupMenu) return c->popupMenu;
    return nullptr;
}

void Control::Update() {
    if (parent_ && parent_->HandleIfAllocated()) UpdateWindow(parent_->HandleIfAllocated());
}

void Control::Repaint() {
    Invalidate();
    Update();
}

POINT Control::ClientToScreen(POINT p) const {
    if (auto* w = dynamic_cast<const WinControl*>(this); w && w->HandleIfAllocated()) {
        ::ClientToScreen(w->HandleIfAllocated(), &p);
        return p;
    }
    p.x += bounds_.left;
    p.y += bounds_.top;
    return parent_ ? parent_->ClientToScreen(p) : p;
}

POINT Control::ScreenToClient(POINT p) const {
    if (auto* w = dynamic_cast<const WinControl*>(this); w && w->HandleIfAllocated()) {
        ::ScreenToClient(w->HandleIfAllocated(), &p);
        return p;
    }
    if (parent_) p = parent_->ScreenToClient(p);
    p.x -= bounds_.left;
    p.y -= bounds_.top;
    return p;
}

void Control::PaintTo(Canvas& canvas) { Paint(canvas); }

void Control::Click() {
    if (OnClick) OnClick();
}

void Control::MouseDown(const MouseEvent& e) {
    if (OnMouseDown) OnMouseDown(e);
}

void Control::MouseMove(const MouseEvent& e) {
    if (OnMouseMove) OnMouseMove(e);
}

void Control::MouseUp(const MouseEvent& e) {
    if (OnMouseUp) OnMouseUp(e);
}

void Control::DblClick(const MouseEvent&) {
    if (OnDblClick) OnDblClick();
}

void Control::DefaultHandler(UINT, WPARAM, LPARAM, LRESULT&) {}

LRESULT Control::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (IsMouseMessage(msg)) {
        MouseEvent e{ButtonOf(msg), static_cast<UINT>(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        switch (msg) {
            case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
            case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
                if (msg == WM_LBUTTONDOWN) mouseDown_ = true;
                MouseDown(e);
                break;
            case WM_MOUSEMOVE:
                MouseMove(e);
                break;
            case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
                const bool wasDown = mouseDown_ && msg == WM_LBUTTONUP;
                if (msg == WM_LBUTTONUP) mouseDown_ = false;
                MouseUp(e);
                if (wasDown && clickEvents && ClientRect().Contains(e.x, e.y)) Click();
                if (msg == WM_RBUTTONUP && !IsWindowed()) {  // windows: WM_CONTEXTMENU
                    if (PopupMenu* menu = FindPopupMenu()) {
                        POINT p{e.x, e.y};
                        p = ClientToScreen(p);
                        menu->Popup(p.x, p.y);
                    }
                }
                break;
            }
            case WM_LBUTTONDBLCLK:
                // The second press of a double click: a press, then the double click.
                MouseDown(e);
                DblClick(e);
                break;
            default: break;
        }
        DefaultHandler(msg, wp, lp, result);
        return result;
    }
    switch (msg) {
        case notify::ParentFontChanged:
            if (parentFont_ && parent_) {
                font_ = parent_->GetFont();
                font_.Changed();
                Perform(notify::FontChanged);
            }
            return 0;
        case notify::ParentColorChanged:
            if (parentColor_ && parent_) {
                color_ = parent_->GetColor();
                Perform(notify::ColorChanged);
            }
            return 0;
        case notify::FontChanged:
        case notify::ColorChanged:
        case notify::TextChanged:
        case notify::EnabledChanged:
        case notify::SysColorChange:
            Invalidate();
            return 0;
        default:
            // A reflected message the control does not answer.
            if (msg >= notify::Reflected && msg < notify::Reflected + WM_USER) return 0;
            DefaultHandler(msg, wp, lp, result);
            return result;
    }
}

// ---------------------------------------------------------------- WinControl

LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WinControl* control = ObjectOf(hwnd);
    if (!control && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        control = static_cast<WinControl*>(cs->lpCreateParams);
        if (control) {
            WindowObjects()[hwnd] = control;
            control->handle_ = hwnd;
            control->defProc_ = DefWindowProcA;
        }
    }
    if (!control) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        WNDPROC def = control->defProc_;
        WindowObjects().erase(hwnd);
        control->handle_ = nullptr;
        return CallWindowProcA(def, hwnd, msg, wp, lp);
    }
    LRESULT result = 0;
    Guarded([&] {
        bool done = false;
        for (size_t i = 0; i < control->hooks_.size() && !done; ++i) {
            auto hook = control->hooks_[i].hook;  // a hook may remove itself
            done = hook(msg, wp, lp, result);
        }
        if (!done) result = control->WndProc(msg, wp, lp);
    });
    return result;
}

WinControl::WinControl(WinControl* parent) : Control(nullptr) {
    if (parent) SetParent(parent);
}

WinControl::~WinControl() {
    for (Control* c : children_) c->parent_ = nullptr;
    children_.clear();
    if (handle_) {
        HWND h = handle_;
        if (defProc_ && defProc_ != DefWindowProcA)
            SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defProc_));
        WindowObjects().erase(h);
        handle_ = nullptr;
        DestroyWindow(h);
    }
}

WinControl* WinControl::FromHandle(HWND hwnd) {
    return hwnd ? ObjectOf(hwnd) : nullptr;
}

WinControl* WinControl::ControlOf(HWND hwnd) {
    HWND desktop = GetDesktopWindow();
    for (HWND h = hwnd; h && h != desktop;) {
        if (WinControl* c = FromHandle(h)) return c;
        h = (GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) ? GetAncestor(h, GA_PARENT)
                                                         : GetWindow(h, GW_OWNER);
    }
    return nullptr;
}

void WinControl::InsertControl(Control* c) {
    children_.push_back(c);
    c->parent_ = this;
    if (c->parentFont_) {
        c->font_ = font_;
        c->font_.Changed();
    }
    if (c->parentColor_) c->color_ = color_;
    if (auto* w = dynamic_cast<WinControl*>(c); w && handle_ && !w->handle_) w->CreateHandle();
    else if (w && w->handle_) ::SetParent(w->handle_, handle_);
    if (c->align_ != Align::None) Realign();
    c->Invalidate();
}

void WinControl::RemoveControl(Control* c) {
    auto it = std::find(children_.begin(), children_.end(), c);
    if (it == children_.end()) return;
    c->Invalidate();
    children_.erase(it);
    if (mouseControl_ == c) mouseControl_ = nullptr;
    if (captureControl_ == c) captureControl_ = nullptr;
    c->parent_ = nullptr;
    if (c->align_ != Align::None) Realign();
}

void WinControl::SetTabStop(bool t) {
    if (t == tabStop_) return;
    tabStop_ = t;
    if (handle_) {
        const LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
        SetWindowLongPtrA(handle_, GWL_STYLE, t ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void WinControl::SetTabOrder(int order) { tabOrder_ = order; }

bool WinControl::CanFocus() const {
    if (!handle_) return false;
    const Control* c = this;
    for (; c->parent_; c = c->parent_)
        if (!c->visible_ || !c->enabled_) return false;
    auto* form = dynamic_cast<const Form*>(c);
    return form && form->visible_ && form->enabled_ && form->handle_ &&
           IsWindowVisible(form->handle_);
}

void WinControl::SetFocus() {
    if (handle_) ::SetFocus(handle_);
}

bool WinControl::Focused() const { return handle_ && ControlOf(GetFocus()) == this; }

std::vector<WinControl*> WinControl::TabList() const {
    std::vector<WinControl*> level;
    for (Control* c : children_)
        if (auto* w = dynamic_cast<WinControl*>(c)) level.push_back(w);
    // Unset orders (negative) after the set ones; equal keys keep creation order.
    const auto key = [](const WinControl* w) {
        return w->tabOrder_ < 0 ? static_cast<unsigned>(-1) : static_cast<unsigned>(w->tabOrder_);
    };
    std::stable_sort(level.begin(), level.end(),
                     [&](const WinControl* a, const WinControl* b) { return key(a) < key(b); });
    std::vector<WinControl*> list;
    for (WinControl* w : level) {
        list.push_back(w);
        const auto inner = w->TabList();
        list.insert(list.end(), inner.begin(), inner.end());
    }
    return list;
}

HWND WinControl::ParentHandle() { return parent_ ? parent_->Handle() : nullptr; }

void WinControl::FillCreateParams(CreateParams& p) {
    p.className = "QuelvoControl";
    p.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible_ ? WS_VISIBLE : 0) |
              (tabStop_ ? WS_TABSTOP : 0);
    p.parent = ParentHandle();
}

void WinControl::CreateHandle() {
    if (handle_) return;
    CreateParams p;
    FillCreateParams(p);
    // Asking for the parent's window makes this one too, with the parent's
    // other children: a second window would leave the first behind.
    if (handle_) return;
    if (!p.systemClass) RegisterWindowClass(p.className.c_str(), FrameworkWindowProc, p.classStyle);
    HWND h = CreateWindowExA(p.exStyle, p.className.c_str(), text_.c_str(), p.style, bounds_.left,
                             bounds_.top, bounds_.Width(), bounds_.Height(), p.parent, p.id,
                             GetModuleHandleA(nullptr), p.systemClass ? nullptr : this);
    if (!h) throw Error(FormatMessage1("创建窗口 %s 失败", p.className));
    if (p.systemClass) {
        handle_ = h;
        WindowObjects()[h] = this;
        defProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWindowProc)));
    }
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    EnableWindow(h, enabled_);
    for (Control* c : children_)
        if (auto* w = dynamic_cast<WinControl*>(c)) w->CreateHandle();
    HandleCreated();
}

HWND WinControl::Handle() {
    if (!handle_) CreateHandle();
    return handle_;
}

void WinControl::DestroyHandle() {
    if (!handle_) return;
    HWND h = handle_;
    DestroyWindow(h);
    handle_ = nullptr;
}

void WinControl::SetBounds(int left, int top, int width, int height) {
    const Rect r = Bounds(left, top, width, height);
    if (r == bounds_) return;
    const bool resized = r.Width() != bounds_.Width() || r.Height() != bounds_.Height();
    bounds_ = r;
    if (handle_)
        SetWindowPos(handle_, nullptr, left, top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (parent_ && align_ != Align::None) parent_->Realign();
    if (resized) Realign();
    Resized();
}

void WinControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    if (handle_) ShowWindow(handle_, v ? SW_SHOWNA : SW_HIDE);
    if (parent_ && align_ != Align::None) parent_->Realign();
    Perform(notify::VisibleChanged, v);
}

void WinControl::Invalidate() {
    PictureChanged();
    if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

void WinControl::Update() {
    if (handle_) UpdateWindow(handle_);
}

void WinControl::Loaded() {
    for (Control* c : std::vector<Control*>(children_)) c->Loaded();
}

void WinControl::Realign() {
    std::vector<LayoutItem> items;
    items.reserve(children_.size());
    bool any = false;
    for (Control* c : children_) {
        items.push_back(LayoutItem{c->align_, c->bounds_, c->visible_});
        any = any || c->align_ != Align::None;
    }
    if (!any) return;
    const auto placed = AlignLayout(ClientRect(), items);
    for (size_t i = 0; i < children_.size(); ++i) {
        Control* c = children_[i];
        if (c->align_ == Align::None || placed[i] == c->bounds_) continue;
        // Place without asking for another alignment pass.
        const Align keep = c->align_;
        c->align_ = Align::None;
        c->SetBounds(placed[i]);
        c->align_ = keep;
    }
}

int WinControl::AddHook(Hook hook) {
    hooks_.insert(hooks_.begin(), HookEntry{nextHookId_, std::move(hook)});
    return nextHookId_++;
}

void WinControl::RemoveHook(int id) {
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(),
                                [id](const HookEntry& e) { return e.id == id; }),
                 hooks_.end());
}

void WinControl::Broadcast(UINT msg, WPARAM wp, LPARAM lp) {
    const auto copy = children_;
    for (Control* c : copy) c->Perform(msg, wp, lp);
}

Control* WinControl::ControlAtPos(int x, int y, bool allowDisabled) const {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Control* c = *it;
        if (!c->IsWindowed() && c->visible_ && (c->enabled_ || allowDisabled) &&
            c->bounds_.Contains(x, y))
            return c;
    }
    return nullptr;
}

Control* ControlAtScreenPoint(POINT screen) {
    HWND h = WindowFromPoint(screen);
    if (!h) return nullptr;
    // WindowFromPoint stops above disabled child windows: go down to them.
    for (;;) {
        POINT p = screen;
        ::ScreenToClient(h, &p);
        HWND child = ChildWindowFromPointEx(h, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == h) break;
        h = child;
    }
    WinControl* w = WinControl::FromHandle(h);
    if (!w) return nullptr;
    POINT p = screen;
    ::ScreenToClient(h, &p);
    if (Control* inner = w->ControlAtPos(p.x, p.y, true)) return inner;
    return w;
}

bool WinControl::DialogCharToChildren(WPARAM wp, LPARAM lp) {
    for (Control* c : std::vector<Control*>(children_))
        if (c->Visible() && c->Enabled() && c->Perform(notify::DialogChar, wp, lp) != 0) return true;
    return false;
}

LRESULT WinControl::TypedChar(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != charInDefault.msg || wp != charInDefault.ch) {
        Form* form = ParentForm();
        if (form && form->DialogCharToChildren(wp, lp)) return 0;  // no beep, no menu
    }
    struct Restore {
        TypedCharacter outer;
        ~Restore() { charInDefault = outer; }
    } restore{charInDefault};
    charInDefault = TypedCharacter{msg, wp};
    LRESULT result = 0;
    DefaultHandler(msg, wp, lp, result);
    return result;
}

void WinControl::SetMouseControl(Control* c) {
    if (c == mouseControl_) return;
    Control* old = mouseControl_;
    mouseControl_ = c;
    if (old) old->Perform(notify::MouseLeave);
    if (c) c->Perform(notify::MouseEnter);
}

LRESULT WinControl::RouteMouse(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = false;
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    if (msg == WM_MOUSEMOVE) {
        if (!mouseInside_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, handle_, 0};
            TrackMouseEvent(&t);
            Perform(notify::MouseEnter);
        }
        SetMouseControl(ControlAtPos(x, y));
    }
    const bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
                      msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    const bool up = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
    // The capture ends with the last button released.
    const bool lastUp = up && (wp & kAnyButton) == 0;
    Control* target = captureControl_ ? captureControl_ : selfPressed_ ? nullptr : ControlAtPos(x, y);
    if (!target) {
        // The window's own press: it keeps the mouse until released.
        if (down && !selfPressed_) {
            selfPressed_ = true;
            if (captureMouse) SetCapture(handle_);
        }
        if (lastUp) {
            selfPressed_ = false;
            if (GetCapture() == handle_) ReleaseCapture();
        }
        return 0;
    }
    if (down && !captureControl_) {
        captureControl_ = target;
        SetCapture(handle_);
    }
    const LRESULT r =
        target->Perform(msg, wp, MAKELPARAM(x - target->Left(), y - target->Top()));
    if (lastUp && captureControl_) {
        captureControl_ = nullptr;
        if (GetCapture() == handle_) ReleaseCapture();
    }
    handled = true;
    return r;
}

void WinControl::Picture::Release() {
    if (dc) SelectObject(dc.Get(), old);
    dc.Reset();
    bitmap.Reset();
    old = nullptr;
    width = height = 0;
    valid = false;
}

bool WinControl::Picture::Fit(int w, int h) {
    if (dc && width == w && height == h) return true;
    Release();
    // Compatible with the screen, so a monochrome or foreign target DC
    // still gets a colour picture.
    bitmap = MakeCompatibleBitmap(nullptr, w, h);
    if (bitmap) dc = MakeMemoryDc(nullptr);
    if (!dc) {
        Release();
        return false;
    }
    old = SelectObject(dc.Get(), bitmap.Get());
    width = w;
    height = h;
    return true;
}

void WinControl::PictureChanged() {
    picture_.valid = false;
    for (WinControl* w = this; w; w = w->parent_) w->printed_.valid = false;
}

void WinControl::PaintInto(HDC dc, const RECT& clip, POINT at) {
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    Picture& p = picture_;
    if (!p.Fit(std::max(1, Width()), std::max(1, Height()))) return;
    if (!p.valid) {
        // Valid from here: an invalidation while drawing asks for another paint.
        p.valid = true;
        const int saved = SaveDC(p.dc.Get());
        EraseBackground(p.dc.Get());
        PaintWindow(p.dc.Get());
        PaintControls(p.dc.Get());
        RestoreDC(p.dc.Get(), saved);
    }
    BitBlt(dc, at.x + clip.left, at.y + clip.top, clip.right - clip.left, clip.bottom - clip.top, p.dc.Get(),
           clip.left, clip.top, SRCCOPY);
}

void WinControl::Print(HDC dc, LPARAM flags) {
    // Visible by its own flag: a window being animated into view is not shown yet.
    if ((flags & PRF_CHECKVISIBLE) && !visible_) return;
    // Child windows in their order, each at its place in this window (from
    // the bounds the framework keeps: no round trip to the window system).
    std::vector<WinControl*> shown;
    std::vector<bool> copied;  // one copy of its picture covers its place
    std::vector<Rect> covers;
    if (flags & PRF_CHILDREN) {
        for (Control* c : children_) {
            auto* w = dynamic_cast<WinControl*>(c);
            if (!w || !w->visible_ || !w->handle_) continue;
            const bool copy = w->defProc_ == DefWindowProcA &&
                              std::none_of(w->children_.begin(), w->children_.end(),
                                           [](const Control* g) { return g->IsWindowed() && g->visible_; });
            shown.push_back(w);
            copied.push_back(copy);
            if (copy) covers.push_back(w->bounds_);
        }
    }
    if ((flags & PRF_CLIENT) && !shown.empty() && covers.size() == shown.size()) {
        // Every child is one copy: the printed picture holds them all.
        std::vector<std::pair<const WinControl*, Rect>> places;
        places.reserve(shown.size());
        for (const WinControl* w : shown) places.emplace_back(w, w->bounds_);
        Picture& p = printed_;
        if (p.Fit(std::max(1, Width()), std::max(1, Height()))) {
            if (!p.valid || places != printedPlaces_) {
                p.valid = true;  // from here: a change while composing asks for another
                printedPlaces_ = std::move(places);
                ComposePrinted(p.dc.Get(), shown, covers);
            }
            BitBlt(dc, 0, 0, p.width, p.height, p.dc.Get(), 0, 0, SRCCOPY);
            return;
        }
    }
    if (flags & PRF_CLIENT) {
        // What copied children cover along the edges is not copied twice.
        const Rect open = UncoveredRect(Rect{0, 0, Width(), Height()}, covers);
        PaintInto(dc, RECT{open.left, open.top, open.right, open.bottom});
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        WinControl* w = shown[i];
        const Rect& r = w->bounds_;
        const bool ours = w->defProc_ == DefWindowProcA;
        if (copied[i]) {
            if (flags & PRF_CLIENT) w->PaintInto(dc, RECT{0, 0, r.Width(), r.Height()}, POINT{r.left, r.top});
            continue;
        }
        MovedDc moved(dc, r.left, r.top, r.Width(), r.Height());
        if (ours) w->Print(dc, flags & ~PRF_CHECKVISIBLE);
        else SendMessageA(w->handle_, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags & ~PRF_CHECKVISIBLE);
    }
}

void WinControl::ComposePrinted(HDC dc, const std::vector<WinControl*>& children,
                                const std::vector<Rect>& places) {
    const Rect open = UncoveredRect(Rect{0, 0, Width(), Height()}, places);
    PaintInto(dc, RECT{open.left, open.top, open.right, open.bottom});
    for (WinControl* w : children) {
        const Rect& r = w->bounds_;
        w->PaintInto(dc, RECT{0, 0, r.Width(), r.Height()}, POINT{r.left, r.top});
    }
}

bool WinControl::EraseBackground(HDC dc) {
    RECT r{0, 0, Width(), Height()};
    FillRect(dc, &r, MakeSolidBrush(ColorToRGB(color_)).Get());
    return true;
}

void WinControl::PaintWindow(HDC dc) {
    Canvas canvas(dc);
    canvas.font = font_;
    canvas.brush.color = color_;
    Paint(canvas);
}

void WinControl::PaintControls(HDC dc) {
    for (Control* c : children_) {
        if (c->IsWindowed() || !c->visible_) continue;
        const Rect& b = c->bounds_;
        MovedDc at(dc, b.left, b.top, b.Width(), b.Height());
        Canvas canvas(dc);
        canvas.font = c->font_;
        canvas.brush.color = c->color_;
        c->PaintTo(canvas);
    }
}

void WinControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = handle_ ? CallWindowProcA(defProc_ ? defProc_ : DefWindowProcA, handle_, msg, wp, lp)
                     : 0;
}

LRESULT WinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    const bool own = defProc_ == DefWindowProcA;  // our class: we paint and route
    LRESULT result = 0;
    if (IsMouseMessage(msg) && own) {
        bool handled = false;
        result = RouteMouse(msg, wp, lp, handled);
        if (handled) return result;
        return Control::WndProc(msg, wp, lp);
    }
    switch (msg) {
        case WM_ERASEBKGND:
            if (!own) break;
            return 1;  // painted with everything else in WM_PAINT
        case WM_PAINT: {
            if (!own) break;
            if (wp) {
                // Asked to paint into another DC (a child's background request).
                HDC dc = reinterpret_cast<HDC>(wp);
                RECT clip;
                if (GetClipBox(dc, &clip) != ERROR) PaintInto(dc, clip);
                return 0;
            }
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(handle_, &ps);
            PaintInto(dc, ps.rcPaint);
            EndPaint(handle_, &ps);
            return 0;
        }
        case WM_SETCURSOR:
            if (own && reinterpret_cast<HWND>(wp) == handle_ && LOWORD(lp) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ::ScreenToClient(handle_, &p);
                const Control* over = ControlAtPos(p.x, p.y);
                if (!over) over = this;
                if (over->cursor) {
                    SetCursor(LoadCursorA(nullptr, over->cursor));
                    return TRUE;
                }
            }
            break;
        case WM_PRINTCLIENT:
            if (!own) break;
            PaintInto(reinterpret_cast<HDC>(wp), RECT{0, 0, Width(), Height()});
            return 0;
        case WM_PRINT:
            if (!own) break;
            Print(reinterpret_cast<HDC>(wp), lp);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != handle_) {
                // A press can end in a menu, a dialog or a task switch: the
                // windowless child holding the mouse hears of it.
                selfPressed_ = false;
                if (Control* c = captureControl_) {
                    captureControl_ = nullptr;
                    c->Perform(WM_CAPTURECHANGED, wp, lp);
                }
            }
            break;
        case WM_MOUSELEAVE:
            mouseInside_ = false;
            SetMouseControl(nullptr);
            Perform(notify::MouseLeave);
            return 0;
        case WM_CONTEXTMENU:
            if (popupMenu) {
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                if (p.x == -1 && p.y == -1) GetCursorPos(&p);
                popupMenu->Popup(p.x, p.y);
                return 0;
            }
            break;
        case notify::DialogChar:
            return DialogCharToChildren(wp, lp) ? 1 : 0;
        case WM_CHAR:
        case WM_SYSCHAR:
            // Access letters, and the focused control's own keys (a space),
            // reach every control of the window. A native control keeps its
            // typed letters (a list's search), but Alt with a letter reaches
            // the window's controls from it too.
            if (!own && msg != WM_SYSCHAR) break;
            return TypedChar(msg, wp, lp);
        case WM_SETFOCUS:
            DefaultHandler(msg, wp, lp, result);
            if (Form* form = ParentForm(); form && form != this) form->activeControl_ = this;
            if (OnEnter) OnEnter();
            return result;
        case WM_KILLFOCUS:
            DefaultHandler(msg, wp, lp, result);
            if (OnExit) OnExit();
            return result;
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
            // Native children tell their parent; their objects answer.
            HWND from = msg == WM_COMMAND ? reinterpret_cast<HWND>(lp)
                        : msg == WM_NOTIFY ? reinterpret_cast<NMHDR*>(lp)->hwndFrom
                        : msg == WM_DRAWITEM ? reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem
                                             : reinterpret_cast<HWND>(lp);
            WinControl* child = from && from != handle_ ? FromHandle(from) : nullptr;
            if (child && child->parent_ == this) {
                const LRESULT r = child->Perform(notify::Reflected + msg, wp, lp);
                if (r != 0 || msg == WM_COMMAND || msg == WM_NOTIFY || msg == WM_DRAWITEM) return r;
            }
            break;
        }
        case WM_SYSCOLORCHANGE:
            Perform(notify::SysColorChange);
            break;
        case notify::FontChanged:
            if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
            Broadcast(notify::ParentFontChanged);
            Invalidate();
            return 0;
        case notify::ColorChanged:
            Broadcast(notify::ParentColorChanged);
            Invalidate();
            return 0;
        case notify::SysColorChange:
            Broadcast(notify::SysColorChange);
            Invalidate();
            return 0;
        case notify::EnabledChanged:
            if (handle_) EnableWindow(handle_, enabled_);
            Invalidate();
            return 0;
        case notify::TextChanged:
            if (handle_) SetWindowTextA(handle_, text_.c_str());
            Invalidate();
            return 0;
        default:
            return Control::WndProc(msg, wp, lp);
    }
    DefaultHandler(msg, wp, lp, result);
    return result;
}

}  // namespace fw
