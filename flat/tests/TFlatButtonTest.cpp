// The flat button on a real form: its looks by pixels of its own window (the
// parent's colour and picture showing through), clicks from the mouse, the
// Space key and the accelerator under real messages, focus, and its own
// shared hover timer beside the speed buttons' one.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "flat/TFlatButtonUnit.h"
#include "flat/TFlatSpeedButtonUnit.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

using flat::TFlatButton;
using Pixel = std::pair<int, int>;

constexpr int kFormLeft = 300, kFormTop = 200, kPictureWidth = 50;
constexpr COLORREF kParent = 0x906030, kPicture = 0x20C040, kOwn = 0x00FFFF, kBlack = 0,
                   kWhite = RGB(255, 255, 255), kFocused = 0xE1EAEB, kDown = 0xC5D6D9, kBorder = 0x8396A0;
constexpr LPARAM kSpaceScan = 0x00390001, kKeyUp = 0xC0000000;

// A windowless child of the form: a strip of picture along its left edge.
class Picture : public fw::Control {
public:
    using fw::Control::Control;

protected:
    void Paint(fw::Canvas& canvas) override {
        canvas.brush.color = kPicture;
        canvas.FillRect(ClientRect());
    }
};

// The button's window painted into a bitmap.
struct Shot {
    explicit Shot(TFlatButton& b) : surface(b.Width(), b.Height()) { surface.PrintOf(b.Handle()); }
    // The pixels of colour `c` inside the one-pixel frame of a w x h client area.
    std::set<Pixel> Where(COLORREF c, int w, int h) const {
        std::set<Pixel> out;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x)
                if (surface.At(x, y) == c) out.insert({x, y});
        return out;
    }
    testgdi::Surface surface;
};

// What the parent shows under a column of the button: the picture strip or its colour.
COLORREF Beneath(const TFlatButton& b, int x) { return b.Left() + x < kPictureWidth ? kPicture : kParent; }

// The pixels that break a look: `rings` bevel rings (right column and bottom
// row of each ring in `br`, the rest in `tl`), inside them the background
// (a fill, or what lies beneath), and ink only in the caption rectangle
// (and the etched copy's pixel beyond it). Empty when it holds.
std::string Breaks(const Shot& s, const TFlatButton& b, COLORREF tl, COLORREF br, int rings,
                   const std::function<COLORREF(int, int)>& background, const std::set<COLORREF>& ink) {
    const int w = b.Width(), h = b.Height();
    const fw::Rect& r = b.CaptionRect();
    const fw::Rect caption{r.left, r.top, r.right + 1, r.bottom + 1};
    std::ostringstream out;
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ring = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
            const COLORREF c = s.surface.At(x, y);
            bool ok;
            if (ring < rings) ok = c == (x == w - 1 - ring || y == h - 1 - ring ? br : tl);
            else ok = c == background(x, y) || (ink.count(c) && caption.Contains(x, y));
            if (!ok && n++ < 4) out << "(" << x << "," << y << ")=" << std::hex << c << std::dec << " ";
        }
    if (n) out << n << " pixels";
    return out.str();
}

class FlatButton : public testapp::FormTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form.SetBounds(kFormLeft, kFormTop, 240, 120);
        form.SetColor(kParent);
        picture.SetBounds(0, 0, kPictureWidth, 120);
        button.SetBounds(30, 30, 80, 40);
        button.SetCaption("确定  &A");
        clicks = 0;
        button.OnClick = [this] { ++clicks; };
        SetCursorPos(kFormLeft - 100, kFormTop - 100);
    }
    void Show() {
        ShowActive();
        Pump(50);
        SetFocus(form.Handle());
    }
    // The real pointer goes where the message says, as with a real mouse.
    void Mouse(UINT msg, int x, int y) {
        SetCursorPos(kFormLeft + button.Left() + x, kFormTop + button.Top() + y);
        SendMessageA(button.Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    }
    // A key as the keyboard gives it to a window: through the message
    // loop, which makes the typed character.
    static void Key(fw::WinControl& to, UINT msg, WPARAM vk, LPARAM lp) {
        PostMessageA(to.Handle(), msg, vk, lp);
        Pump(30);
    }
    static void Pump(int ms) {
        for (const DWORD end = GetTickCount() + static_cast<DWORD>(ms); GetTickCount() < end; Sleep(5))
            fw::App().ProcessMessages();
    }
    Picture picture{&form};
    TFlatButton button{&form};
    int clicks = 0;
};

TEST_F(FlatButton, Looks) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    button.SetTransparentMode(flat::tmNotFocused);
    Show();
    const auto beneath = [&](int x, int) { return Beneath(button, x); };
    const auto fill = [](COLORREF c) { return [c](int, int) { return c; }; };
    std::set<Pixel> idleInk;
    const struct {
        const char* what;
        std::function<void()> act;
        COLORREF tl, br;
        int rings;
        std::function<COLORREF(int, int)> background;
        std::set<COLORREF> ink;
    } cases[] = {
        {"idle: the parent's picture and colour", [] {}, kBorder, kBorder, 1, beneath, {kBlack}},
        {"hot", [&] { Mouse(WM_MOUSEMOVE, 40, 20); }, kWhite, kBlack, 1, fill(kFocused), {kBlack}},
        {"pressed", [&] { Mouse(WM_LBUTTONDOWN, 40, 20); }, kBlack, kWhite, 1, fill(kDown), {kBlack}},
        {"released outside: idle, though focused by the press",
         [&] { Mouse(WM_LBUTTONUP, 150, 100), SetCursorPos(0, 0); }, kBorder, kBorder, 1, beneath, {kBlack}},
        {"focused, the pointer elsewhere", [&] { SetFocus(form.Handle()), button.SetFocus(); },
         kWhite, kBlack, 1, fill(kFocused), {kBlack}},
        {"focus gone", [&] { SetFocus(form.Handle()); }, kBorder, kBorder, 1, beneath, {kBlack}},
        {"default", [&] { button.SetDefault(true); }, kBorder, kBorder, 2, beneath, {kBlack}},
        {"default, focused", [&] { button.SetFocus(); }, kWhite, kBlack, 1, fill(kFocused), {kBlack}},
        {"always transparent, focused", [&] { button.SetTransparentMode(flat::tmAlways); },
         kWhite, kBlack, 1, beneath, {kBlack}},
        {"moved onto the picture", [&] { button.SetBounds(0, 60, kPictureWidth, 40); }, kWhite, kBlack, 1,
         fill(kPicture), {kBlack}},
        {"disabled while focused", [&] { button.SetEnabled(false); }, kBorder, kBorder, 1,
         fill(kPicture), {shadow, highlight}},
        {"never transparent, own colour", [&] {
             button.SetEnabled(true), SetFocus(form.Handle()), button.SetDefault(false);
             button.SetTransparentMode(flat::tmNone), button.SetColor(kOwn);
         }, kBorder, kBorder, 1, fill(kOwn), {kBlack}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        Shot s(button);
        EXPECT_EQ(Breaks(s, button, c.tl, c.br, c.rings, c.background, c.ink), "");
        const auto ink = s.Where(*c.ink.begin(), button.Width(), button.Height());
        EXPECT_GT(ink.size(), 8u);
        if (idleInk.empty()) idleInk = ink;
        if (button.ButtonState() == flat::fbsDown) {  // glyph and caption one pixel right and down
            std::set<Pixel> shifted;
            for (auto [x, y] : idleInk) shifted.insert({x + 1, y + 1});
            EXPECT_EQ(ink, shifted);
        }
    }
}

TEST_F(FlatButton, SpaceAndAcceleratorClickOnce) {
    TFlatButton other(&form);
    other.SetBounds(130, 30, 80, 40);
    button.SetTabStop(true);
    other.SetTabStop(true);
    button.SetModalResult(fw::mrOk);
    Show();
    constexpr LPARAM kAlt = 1 << 29, kRepeat = 1 << 30;
    const auto space = [](fw::WinControl& to, bool up, LPARAM more = 0) {
        Key(to, up ? WM_KEYUP : WM_KEYDOWN, VK_SPACE, kSpaceScan | (up ? kKeyUp : 0) | more);
    };
    const auto typed = [](fw::WinControl& to, UINT msg, char ch, LPARAM more = 0) {
        SendMessageA(to.Handle(), msg, static_cast<WPARAM>(ch), more | 1);
    };
    const struct {
        const char* what;
        std::function<void()> act;
        flat::TFlatButtonState state;
        bool hot;
        int clicks;
    } steps[] = {
        {"tabbed onto", [&] { other.SetFocus(), Key(other, WM_KEYDOWN, VK_TAB, 0x000F0001); },
         flat::fbsUp, true, 0},
        {"Space down", [&] { space(button, false); }, flat::fbsDown, true, 0},
        {"Space repeated", [&] { space(button, false, kRepeat); }, flat::fbsDown, true, 0},
        {"Space up", [&] { space(button, true); }, flat::fbsUp, true, 1},
        {"another key", [&] {
             Key(button, WM_KEYDOWN, 'X', 0x002D0001), Key(button, WM_KEYUP, 'X', 0xC02D0001);
         }, flat::fbsUp, true, 1},
        {"Space up without its press", [&] { space(button, true); }, flat::fbsUp, true, 1},
        {"Space down, the focus leaves", [&] { space(button, false), other.SetFocus(); },
         flat::fbsUp, false, 1},
        {"its release on the other button", [&] { space(other, true); }, flat::fbsUp, false, 1},
        {"accelerator typed on the form", [&] { typed(form, WM_CHAR, 'a'); }, flat::fbsUp, false, 2},
        {"Alt+A on the other button", [&] { typed(other, WM_SYSCHAR, 'A', kAlt); }, flat::fbsUp, false, 3},
        {"another letter", [&] { typed(form, WM_CHAR, 'c'); }, flat::fbsUp, false, 3},
        {"disabled", [&] { button.SetEnabled(false), typed(form, WM_CHAR, 'a'); },
         flat::fbsDisabled, false, 3},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(button.ButtonState(), s.state);
        EXPECT_EQ(button.IsHot(), s.hot);
        EXPECT_EQ(clicks, s.clicks);
    }
    EXPECT_EQ(form.ModalResult(), fw::mrOk);

    // In a group, Space latches the button on its press.
    button.SetEnabled(true);
    button.SetGroupIndex(1);
    button.SetFocus();
    space(button, false);
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(button.ButtonState(), flat::fbsExclusive);
    space(button, true);
    EXPECT_TRUE(button.Down());  // AllowAllUp off: stays down, still clicks
    EXPECT_EQ(clicks, 4);
}

TEST_F(FlatButton, ClicksOnlyOnAReleaseInside) {
    std::string log;
    button.OnMouseDown = [&](const fw::MouseEvent&) { log += "down "; };
    button.OnMouseUp = [&](const fw::MouseEvent&) { log += "up "; };
    Show();
    const struct {
        UINT msg;
        int x, y;
        flat::TFlatButtonState state;
        bool hot, pressing, captured;
        int clicks;
    } steps[] = {
        {WM_MOUSEMOVE, 40, 20, flat::fbsUp, true, false, false, 0},
        {WM_LBUTTONDOWN, 40, 20, flat::fbsDown, true, true, true, 0},
        {WM_MOUSEMOVE, 120, 20, flat::fbsUp, true, true, true, 0},  // a pressed button stays hot
        {WM_MOUSEMOVE, 79, 40, flat::fbsDown, true, true, true, 0},  // the row below counts as inside
        {WM_LBUTTONUP, 40, 20, flat::fbsUp, true, false, false, 1},
        {WM_LBUTTONDOWN, 40, 20, flat::fbsDown, true, true, true, 1},
        {WM_LBUTTONUP, 80, 20, flat::fbsUp, false, false, false, 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE("step " + std::to_string(&s - steps));
        Mouse(s.msg, s.x, s.y);
        EXPECT_EQ(button.ButtonState(), s.state);
        EXPECT_EQ(button.IsHot(), s.hot);
        EXPECT_EQ(button.IsPressing(), s.pressing);
        EXPECT_EQ(GetCapture() == button.Handle(), s.captured);
        EXPECT_EQ(clicks, s.clicks);
    }
    EXPECT_EQ(log, "down up down up ");
    EXPECT_TRUE(button.Focused());

    // A press whose capture goes to another window ends without a click.
    Mouse(WM_LBUTTONDOWN, 40, 20);
    HWND elsewhere =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetCapture(elsewhere);
    EXPECT_FALSE(button.IsPressing());
    EXPECT_EQ(button.ButtonState(), flat::fbsUp);
    ReleaseCapture();
    DestroyWindow(elsewhere);
    Mouse(WM_LBUTTONUP, 40, 20);
    EXPECT_EQ(clicks, 1);
}

TEST_F(FlatButton, OwnSharedTimerBesideTheSpeedButtons) {
    EXPECT_EQ(TFlatButton::LiveButtons(), 1);
    const fw::Timer* timer = TFlatButton::HoverTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 100u);
    {
        flat::TFlatSpeedButton speed(&form);
        speed.SetBounds(130, 30, 40, 40);
        EXPECT_NE(flat::TFlatSpeedButton::HoverTimer(), timer);
        Show();
        SetCursorPos(kFormLeft + 150, kFormTop + 50);
        SendMessageA(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 50));
        Mouse(WM_MOUSEMOVE, 40, 20);
        EXPECT_TRUE(button.IsHot());
        EXPECT_TRUE(speed.IsHot());  // the speed buttons' timer has not ticked yet
        EXPECT_EQ(TFlatButton::HoverButton(), &button);
        EXPECT_EQ(flat::TFlatSpeedButton::HoverButton(), &speed);
        EXPECT_TRUE(timer->Enabled());

        SetCursorPos(kFormLeft + 200, kFormTop + 100);  // off both, no move message for them
        Pump(400);
        EXPECT_FALSE(button.IsHot());
        EXPECT_FALSE(speed.IsHot());
        EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
        EXPECT_FALSE(timer->Enabled());
        form.Hide();
    }
    {
        TFlatButton second(&form);
        EXPECT_EQ(TFlatButton::LiveButtons(), 2);
        EXPECT_EQ(TFlatButton::HoverTimer(), timer);
    }
    EXPECT_EQ(TFlatButton::LiveButtons(), 1);
}

}  // namespace
