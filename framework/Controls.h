// Controls: the windowless base `Control` (drawn on its parent's surface) and
// the windowed `WinControl` (one native window per object, with a virtual
// window procedure). Parent and children, bounds, alignment, visibility,
// enabled state, font and colour with parent propagation, notifications.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Canvas.h"
#include "framework/Types.h"

namespace fw {

class WinControl;
class Form;
class PopupMenu;

enum class MouseButton { Left, Right, Middle };

struct MouseEvent {
    MouseButton button = MouseButton::Left;
    UINT keys = 0;   // MK_* flags
    int x = 0, y = 0;  // in the control's client coordinates
};

// Runs `f`; an exception it raises is handed to the application's error box.
// For every entry point called by the system (window procedures, hooks, timers).
void Guarded(const std::function<void()>& f) noexcept;

// The window procedure of every window the framework makes or subclasses.
LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

class Control {
public:
    explicit Control(WinControl* parent = nullptr);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    std::string name;

    WinControl* Parent() const { return parent_; }
    virtual void SetParent(WinControl* parent);
    // The form at the top of the parent chain (a form is its own), if any.
    Form* ParentForm() const;

    // Bounds in the parent's client coordinates.
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.Width(); }
    int Height() const { return bounds_.Height(); }
    const Rect& BoundsRect() const { return bounds_; }
    Rect ClientRect() const { return Rect{0, 0, Width(), Height()}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetBounds(const Rect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }

    Align GetAlign() const { return align_; }
    void SetAlign(Align a);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    // Visible and every parent up to a shown window visible.
    bool Showing() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);

    const Font& GetFont() const { return font_; }
    // Edits the font in place, then sends the font-changed notification.
    void ChangeFont(const std::function<void(Font&)>& edit);
    void SetFont(const Font& f);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool p);

    Color GetColor() const { return color_; }
    void SetColor(Color c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool p);

    const std::string& Text() const { return text_; }
    void SetText(const std::string& t);
    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& t) { SetText(t); }

    PopupMenu* popupMenu = nullptr;  // opened by a right click
    LPCSTR cursor = nullptr;         // a system cursor (IDC_...) shown over the control
    // The menu a right click on this control opens: its own, or the nearest
    // one up the parent chain.
    PopupMenu* FindPopupMenu() const;

    // The framework raises Click from a left press released inside the
    // control; controls that make their own clicks turn this off.
    bool clickEvents = true;

    // Sends a message to the control's own message handler, synchronously.
    LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

    virtual void Invalidate();
    void Repaint();   // invalidate and paint now
    // Paints what is invalid now: a windowed control its own window, a
    // windowless one its parent's.
    virtual void Update();

    // Runs once after the control's form has made its window and every
    // control of it is set up, before the form's creation handler.
    virtual void Loaded() {}

    // Point conversions between the control's client area and the screen.
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    virtual bool IsWindowed() const { return false; }

    // Paints a windowless control on its parent's canvas, with the origin and
    // clipping already moved to the control's bounds.
    virtual void PaintTo(Canvas& canvas);

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(const MouseEvent&)> OnMouseDown, OnMouseMove, OnMouseUp;

    // The control's message handler. Windowless controls get the messages their
    // parent routes to them (mouse messages in their own client coordinates) and
    // the framework's notifications; windowed ones get everything their window gets.
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);

protected:
    friend class WinControl;
    virtual void Paint(Canvas&) {}
    virtual void Click();
    // The control's own mouse events, in its client coordinates; each raises
    // its published event. A control that makes other use of the mouse
    // overrides them (the framework's capture and routing happen all the same).
    virtual void MouseDown(const MouseEvent& e);
    virtual void MouseMove(const MouseEvent& e);
    virtual void MouseUp(const MouseEvent& e);
    virtual void DblClick(const MouseEvent& e);
    virtual void DefaultHandler(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Called after the bounds changed.
    virtual void Resized() {}

    WinControl* parent_ = nullptr;
    Rect bounds_;
    Align align_ = Align::None;
    bool visible_ = true;
    bool enabled_ = true;
    Font font_;
    bool parentFont_ = true;
    Color color_ = clBtnFace;
    bool parentColor_ = false;
    std::string text_;
    bool mouseDown_ = false;
};

// How the native window of a WinControl is made.
struct CreateParams {
    std::string className;    // our own class (registered by the framework) or a system class
    bool systemClass = false; // true: subclass an existing class such as "COMBOBOX"
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    UINT classStyle = CS_DBLCLKS;
    HWND parent = nullptr;
    HMENU id = nullptr;
};

class WinControl : public Control {
public:
    explicit WinControl(WinControl* parent = nullptr);
    ~WinControl() override;

    bool IsWindowed() const override { return true; }

    HWND Handle();                        // creates the native window when needed
    HWND HandleIfAllocated() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void DestroyHandle();

    const std::vector<Control*>& Controls() const { return children_; }
    void InsertControl(Control* c);
    void RemoveControl(Control* c);

    using Control::SetBounds;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool v) override;
    void Invalidate() override;
    // The kept picture no longer shows the window: it is drawn again at the
    // next paint. Invalidate does this; a windowless child's Invalidate too.
    // The printed pictures of the windows holding it no longer show it either.
    void PictureChanged();
    void Update() override;
    void Loaded() override;  // each child's Loaded, in order

    // The window keeps the mouse while a button pressed on it (not on a
    // windowless child) is held, so moves keep arriving outside it.
    bool captureMouse = true;

    // Places the aligned children again.
    void Realign();

    // Keyboard focus. A control takes part in Tab moves when it is a tab
    // stop; among its siblings it comes in tab order (set values first, in
    // ascending order, then the others in the order they were made).
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool t);
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order);
    // Its window exists, and it and every parent up to a shown form are
    // visible and enabled.
    bool CanFocus() const;
    void SetFocus();
    // The focus is on its window or on a native child of it (a combo box's
    // inner edit), not on another framework control.
    bool Focused() const;
    // A control that takes the Tab key itself instead of moving the focus.
    virtual bool WantsTab() const { return false; }
    // The windowed controls inside, depth first in tab order: each one
    // before its own children.
    std::vector<WinControl*> TabList() const;

    // Raised when the control's window gains and loses the focus.
    std::function<void()> OnEnter, OnExit;

    // Message hooks run before the window procedure, the newest first; a hook
    // returning true consumes the message with the result it set.
    using Hook = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;
    int AddHook(Hook hook);
    void RemoveHook(int id);

    // Sends `msg` to every child control (windowed or not), synchronously.
    void Broadcast(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // The windowless child under a point of the client area, if any; disabled
    // ones only when asked for.
    Control* ControlAtPos(int x, int y, bool allowDisabled = false) const;

    static WinControl* FromHandle(HWND hwnd);
    // The control a window belongs to: its own, or the nearest one up the
    // parent chain (a pop-up's owner for a pop-up, such as a combo box's list).
    static WinControl* ControlOf(HWND hwnd);

protected:
    virtual void FillCreateParams(CreateParams& params);
    virtual void CreateHandle();
    virtual void HandleCreated() {}
    void DefaultHandler(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    virtual void PaintWindow(HDC dc);
    // Puts the window's look (background, own painting, windowless children)
    // into `dc`, copying `clip` only. The look is kept in an off-screen
    // picture and drawn again only after the window or one of its windowless
    // children was invalidated; a repaint the system asks for (uncovering,
    // animation, a child's background) copies the picture.
    // `at` moves the copy in `dc` (the window's origin lands there).
    void PaintInto(HDC dc, const RECT& clip, POINT at = POINT{0, 0});
    // Offers a dialog character to the children in order; true when one took it.
    bool DialogCharToChildren(WPARAM wp, LPARAM lp);
    // A character typed on the window and not taken by the control: offered to
    // the controls of its form, then the default handling.
    LRESULT TypedChar(UINT msg, WPARAM wp, LPARAM lp);
    // Paints the background: the control's colour. Return false to leave it.
    virtual bool EraseBackground(HDC dc);
    void PaintControls(HDC dc);
    HWND ParentHandle();

    HWND handle_ = nullptr;
    WNDPROC defProc_ = nullptr;
    std::vector<Control*> children_;
    bool tabStop_ = false;
    int tabOrder_ = -1;

private:
    friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT RouteMouse(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    void SetMouseControl(Control* c);
    void Print(HDC dc, LPARAM flags);
    void ComposePrinted(HDC dc, const std::vector<WinControl*>& children, const std::vector<Rect>& places);

    struct HookEntry {
        int id;
        Hook hook;
    };
    std::vector<HookEntry> hooks_;
    int nextHookId_ = 1;
    Control* mouseControl_ = nullptr;    // windowless child under the mouse
    Control* captureControl_ = nullptr;  // windowless child that got the button press
    bool selfPressed_ = false;           // a button press on the window itself is held

    struct Picture {
        OwnedDc dc;           // a memory DC holding the bitmap
        OwnedBitmap bitmap;
        HGDIOBJ old = nullptr;
        int width = 0, height = 0;
        bool valid = false;
        Picture() = default;
        Picture(const Picture&) = delete;
        Picture& operator=(const Picture&) = delete;
        ~Picture() { Release(); }
        void Release();
        bool Fit(int w, int h);  // a bitmap of this size selected; false when none could be made
    };
    Picture picture_;
    // The window printed with its child windows, kept while each child is
    // one of ours without child windows of its own: printing is then one copy.
    // Kept with the children's places it was composed with.
    Picture printed_;
    std::vector<std::pair<const WinControl*, Rect>> printedPlaces_;
    bool mouseInside_ = false;
};

// The deepest control at a screen point, disabled ones included: a windowless
// control, or the framework window under the point; none over other windows.
Control* ControlAtScreenPoint(POINT screen);

// A windowed control that paints itself on a canvas.
class CustomControl : public WinControl {
public:
    using WinControl::WinControl;
};

}  // namespace fw
