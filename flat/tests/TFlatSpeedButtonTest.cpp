// The speed button on a real form: its looks by pixels, its state machines
// driven by real mouse messages with the real pointer where the messages say,
// latching groups, the glyph and colour rules, and the shared hover timer.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "flat/TFlatSpeedButtonUnit.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

using flat::TFlatSpeedButton;
using Pixel = std::pair<int, int>;

constexpr int kFormLeft = 300, kFormTop = 200;
constexpr COLORREF kParent = 0x906030, kMagenta = RGB(255, 0, 255), kRed = RGB(255, 0, 0),
                   kBlue = RGB(0, 0, 255), kBlack = 0, kWhite = RGB(255, 255, 255);

// A glyph of `cells` 16x16 cells: magenta, with a 4x4 square at (4, 4) of
// each cell in that cell's colour.
std::shared_ptr<fw::BitmapGraphic> Glyph(const std::vector<COLORREF>& squares) {
    const int w = 16 * static_cast<int>(squares.size()), h = 16;
    std::vector<std::uint8_t> px(static_cast<size_t>(w * h * 4));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int cx = x % 16;
            const bool in = cx >= 4 && cx < 8 && y >= 4 && y < 8;
            const COLORREF c = in ? squares[static_cast<size_t>(x / 16)] : kMagenta;
            std::uint8_t* p = &px[static_cast<size_t>((y * w + x) * 4)];
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c), p[3] = 0;
        }
    return fw::BitmapGraphic::FromPixels(px.data(), w, h, 4, static_cast<size_t>(w) * 4);
}

std::shared_ptr<fw::BitmapGraphic> Plain(int w, int h) {
    std::vector<std::uint8_t> px(static_cast<size_t>(w * h * 4), 0x80);
    return fw::BitmapGraphic::FromPixels(px.data(), w, h, 4, static_cast<size_t>(w) * 4);
}

// The form painted through WM_PRINTCLIENT, read in one control's coordinates.
class Shot {
public:
    Shot(fw::Form& form, const fw::Control& at)
        : surface_(form.Width(), form.Height()), left_(at.Left()), top_(at.Top()) {
        surface_.PrintOf(form.Handle());
    }
    COLORREF At(int x, int y) const { return surface_.At(left_ + x, top_ + y); }
    COLORREF At(flat::Point o, int dx, int dy) const { return At(o.x + dx, o.y + dy); }
    std::set<Pixel> Where(COLORREF c, const fw::Rect& r) const {
        std::set<Pixel> out;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) == c) out.insert({x, y});
        return out;
    }

private:
    testgdi::Surface surface_;
    int left_, top_;
};

// The pixels of a button that break a look: a one-pixel bevel (top-left and
// bottom-right colours as the bevel routine draws them), an inside of `fill`,
// and `ink` colours only inside the caption rectangle (or the whole inside
// when `inkAnywhere`). Empty when it holds.
std::string Breaks(const Shot& s, const TFlatSpeedButton& b, COLORREF tl, COLORREF br, COLORREF fill,
                   const std::set<COLORREF>& ink, bool inkAnywhere = false) {
    const int w = b.Width(), h = b.Height();
    const fw::Rect cap = inkAnywhere ? b.ClientRect() : b.CaptionRect();
    std::ostringstream out;
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = s.At(x, y);
            bool ok;
            if (x == w - 1 || y == h - 1) ok = c == br;
            else if (x == 0 || y == 0) ok = c == tl;
            else ok = c == fill || (ink.count(c) && cap.Contains(x, y));
            if (!ok && n++ < 4) out << "(" << x << "," << y << ")=" << std::hex << c << std::dec << " ";
        }
    if (n) out << n << " pixels";
    return out.str();
}

std::set<Pixel> Shifted(const std::set<Pixel>& in, int dx, int dy) {
    std::set<Pixel> out;
    for (auto [x, y] : in) out.insert({x + dx, y + dy});
    return out;
}

class FlatSpeedButton : public testapp::FormTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form.SetBounds(kFormLeft, kFormTop, 200, 100);
        form.SetColor(kParent);
        SetCursorPos(kFormLeft - 100, kFormTop - 100);
    }
    void Show() {
        ShowActive();
        Pump(50);
    }
    // The real pointer goes where the message says, as with a real mouse.
    void Mouse(UINT msg, int x, int y) {
        SetCursorPos(kFormLeft + x, kFormTop + y);
        const WPARAM keys = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK ? MK_LBUTTON : 0;
        SendMessageA(form.Handle(), msg, keys, MAKELPARAM(x, y));
    }
    void Click(int x, int y) {
        Mouse(WM_LBUTTONDOWN, x, y);
        Mouse(WM_LBUTTONUP, x, y);
    }
    static void Pump(int ms) {
        const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
        while (GetTickCount() < end) {
            fw::App().ProcessMessages();
            Sleep(5);
        }
    }
};

TEST_F(FlatSpeedButton, Looks) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    TFlatSpeedButton b(&form);
    b.SetBounds(20, 20, 40, 25);
    b.SetCaption("X");
    b.SetTransparentMode(flat::tmNotFocused);
    Show();
    std::set<Pixel> idleInk;
    {
        SCOPED_TRACE("tmNotFocused, idle");
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, 0x8396A0, 0x8396A0, kParent, {kBlack}), "");
        idleInk = s.Where(kBlack, b.ClientRect());
        EXPECT_GT(idleInk.size(), 4u);
    }
    {
        SCOPED_TRACE("tmNotFocused, hot");
        Mouse(WM_MOUSEMOVE, 30, 30);
        ASSERT_TRUE(b.IsHot());
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, kWhite, kBlack, 0xE1EAEB, {kBlack}), "");
        EXPECT_EQ(s.Where(kBlack, fw::Rect{1, 1, 39, 24}), idleInk);
    }
    {
        SCOPED_TRACE("tmNotFocused, pressed");
        Mouse(WM_LBUTTONDOWN, 30, 30);
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, kBlack, kWhite, 0xC5D6D9, {kBlack}), "");
        EXPECT_EQ(s.Where(kBlack, fw::Rect{1, 1, 39, 24}), Shifted(idleInk, 1, 1));
        Mouse(WM_LBUTTONUP, 150, 80);
    }
    {
        SCOPED_TRACE("tmNone, idle");
        b.SetTransparentMode(flat::tmNone);
        b.SetColor(fw::clYellow);
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, 0x8396A0, 0x8396A0, RGB(255, 255, 0), {kBlack}), "");
    }

    b.SetParentColor(true);
    b.SetTransparentMode(flat::tmNotFocused);
    b.SetBounds(20, 10, 40, 44);
    b.SetEnabled(false);
    {
        SCOPED_TRACE("disabled, one cell: embossed glyph, etched caption");
        b.SetGlyph(Glyph({kBlack})->Handle());
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, 0x8396A0, 0x8396A0, kParent, {shadow, highlight}, true), "");
        const flat::Point o = b.GlyphOrigin();
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) EXPECT_EQ(s.At(o, 4 + i, 4 + j), shadow) << i << "," << j;
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(s.At(o, 8, 4 + i), highlight) << i;
            EXPECT_EQ(s.At(o, 4 + i, 8), highlight) << i;
        }
        EXPECT_EQ(s.At(o, 1, 1), kParent);  // the face colour is left out
        EXPECT_EQ(s.At(o, 15, 15), kParent);
        const fw::Rect& cap = b.CaptionRect();
        const fw::Rect around{cap.left, cap.top, cap.right + 1, cap.bottom + 1};
        const auto dark = s.Where(shadow, around), light = s.Where(highlight, around);
        EXPECT_GT(dark.size(), 4u);
        EXPECT_TRUE(s.Where(kBlack, around).empty());
        // The highlight copy lies one pixel right and down beneath the shadow copy.
        for (auto [x, y] : dark)
            EXPECT_TRUE(dark.count({x + 1, y + 1}) || light.count({x + 1, y + 1})) << x << "," << y;
        EXPECT_FALSE(light.empty());
    }
    {
        SCOPED_TRACE("disabled, two cells: the second cell");
        b.SetGlyph(Glyph({kRed, kBlue})->Handle());
        ASSERT_EQ(b.NumGlyphs(), 2);
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, 0x8396A0, 0x8396A0, kParent, {shadow, highlight, kBlue}, true), "");
        const flat::Point o = b.GlyphOrigin();
        EXPECT_EQ(s.At(o, 4, 4), kBlue);
        EXPECT_EQ(s.At(o, 7, 7), kBlue);
        EXPECT_EQ(s.At(o, 1, 1), kParent);
        EXPECT_TRUE(s.Where(kRed, b.ClientRect()).empty());
        EXPECT_TRUE(s.Where(kMagenta, b.ClientRect()).empty());
    }
}

// Press, move out, move back, release; then a press released outside.
TEST_F(FlatSpeedButton, PressMoveOutMoveBackRelease) {
    TFlatSpeedButton b(&form);
    b.SetBounds(20, 20, 40, 25);
    b.SetModalResult(fw::mrOk);
    int clicks = 0;
    b.OnClick = [&] { ++clicks; };
    Show();
    const struct {
        UINT msg;
        int x, y;
        flat::TFlatButtonState state;
        bool hot, pressing;
        int clicks;
    } steps[] = {
        {WM_MOUSEMOVE, 30, 30, flat::fbsUp, true, false, 0},
        {WM_LBUTTONDOWN, 30, 30, flat::fbsDown, true, true, 0},
        {WM_MOUSEMOVE, 100, 30, flat::fbsUp, true, true, 0},  // a pressed button stays hot
        {WM_MOUSEMOVE, 30, 30, flat::fbsDown, true, true, 0},
        {WM_LBUTTONUP, 30, 30, flat::fbsUp, true, false, 1},
        {WM_LBUTTONDOWN, 30, 30, flat::fbsDown, true, true, 1},
        {WM_MOUSEMOVE, 150, 80, flat::fbsUp, true, true, 1},
        {WM_LBUTTONUP, 150, 80, flat::fbsUp, false, false, 1},
    };
    int i = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE("step " + std::to_string(i++));
        Mouse(s.msg, s.x, s.y);
        EXPECT_EQ(b.ButtonState(), s.state);
        EXPECT_EQ(b.IsHot(), s.hot);
        EXPECT_EQ(b.IsPressing(), s.pressing);
        EXPECT_EQ(clicks, s.clicks);
    }
    EXPECT_EQ(form.ModalResult(), fw::mrOk);
    EXPECT_EQ(GetCapture(), nullptr);

    // A press whose capture goes to another window (a menu, a dialog) ends
    // without a click; a later release over the button clicks nothing.
    Mouse(WM_LBUTTONDOWN, 30, 30);
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetCapture(other);
    EXPECT_FALSE(b.IsPressing());
    EXPECT_EQ(b.ButtonState(), flat::fbsUp);
    ReleaseCapture();
    DestroyWindow(other);
    Mouse(WM_LBUTTONUP, 30, 30);
    EXPECT_EQ(clicks, 1);
}

TEST_F(FlatSpeedButton, ReleaseEdgesClicksAndAccelerators) {
    TFlatSpeedButton b(&form);
    b.SetBounds(20, 20, 40, 25);
    int clicks = 0;
    b.OnClick = [&] { ++clicks; };
    Show();
    const struct {
        int x, y;  // in the button
        int clicks;
    } releases[] = {{39, 25, 1}, {40, 10, 0}, {0, 0, 1}, {-1, 10, 0}, {10, 26, 0}, {10, -1, 0}};
    for (const auto& r : releases) {
        clicks = 0;
        Mouse(WM_LBUTTONDOWN, 30, 30);
        Mouse(WM_LBUTTONUP, 20 + r.x, 20 + r.y);
        EXPECT_EQ(clicks, r.clicks) << r.x << "," << r.y;
    }

    const struct {
        const char* caption;
        char typed;
        bool enabled;
        LRESULT taken;
    } keys[] = {{"&Close", 'c', true, 1}, {"&Close", 'C', true, 1}, {"&&Close", 'c', true, 0},
                {"A&&B&c", 'C', true, 1}, {"&Close", 'x', true, 0}, {"&Close", 'c', false, 0}};
    for (const auto& k : keys) {
        b.SetCaption(k.caption);
        b.SetEnabled(k.enabled);
        clicks = 0;
        EXPECT_EQ(b.Perform(fw::notify::DialogChar, static_cast<WPARAM>(k.typed)), k.taken) << k.caption;
        EXPECT_EQ(clicks, k.taken) << k.caption;
    }
    b.SetEnabled(true);
    clicks = 0;
    SendMessageA(form.Handle(), WM_CHAR, 'c', 0);  // through the form, as typed
    EXPECT_EQ(clicks, 1);
}

TEST_F(FlatSpeedButton, LatchingGroups) {
    TFlatSpeedButton a(&form), b(&form), loose(&form);
    a.SetBounds(10, 10, 40, 25);
    b.SetBounds(60, 10, 40, 25);
    loose.SetBounds(110, 10, 40, 25);
    a.SetGroupIndex(1);
    b.SetGroupIndex(1);
    std::vector<std::string> log;
    using Named = std::pair<TFlatSpeedButton*, const char*>;
    for (const auto& [button, name] : {Named{&a, "a"}, Named{&b, "b"}, Named{&loose, "l"}}) {
        button->OnClick = [&log, name = std::string(name)] { log.push_back(name); };
        button->OnDblClick = [&log, name = std::string(name)] { log.push_back(name + "2"); };
    }
    Show();
    const auto downs = [&] {
        return std::string(a.Down() ? "A" : "a") + (b.Down() ? "B" : "b");
    };
    Click(20, 20);
    EXPECT_EQ(downs(), "Ab");
    EXPECT_EQ(a.ButtonState(), flat::fbsExclusive);
    Click(70, 20);
    EXPECT_EQ(downs(), "aB");
    EXPECT_EQ(a.ButtonState(), flat::fbsUp);
    Click(70, 20);  // AllowAllUp false: stays down, still clicks
    EXPECT_EQ(downs(), "aB");
    a.SetAllowAllUp(true);  // spreads to the group
    EXPECT_TRUE(b.AllowAllUp());
    Click(70, 20);
    EXPECT_EQ(downs(), "ab");
    EXPECT_EQ(b.ButtonState(), flat::fbsUp);

    // A double click: two clicks; the double click itself only while down.
    for (int x : {70, 120}) {
        Click(x, 20);
        Mouse(WM_LBUTTONDBLCLK, x, 20);
        Mouse(WM_LBUTTONUP, x, 20);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "b", "b", "b", "b2", "b", "l", "l"}));

    loose.SetDown(true);
    EXPECT_FALSE(loose.Down());
    EXPECT_EQ(loose.ButtonState(), flat::fbsUp);
}

TEST_F(FlatSpeedButton, GlyphMarginAndAdvancedColours) {
    TFlatSpeedButton b(&form);
    b.SetNumGlyphs(2);
    const struct {
        int w, h, cells;
    } glyphs[] = {{64, 16, 4}, {80, 16, 1}, {32, 16, 2}, {20, 16, 2}, {16, 16, 1}, {20, 16, 1}};
    for (const auto& g : glyphs) {
        b.SetGlyph(Plain(g.w, g.h)->Handle());
        EXPECT_EQ(b.NumGlyphs(), g.cells) << g.w << "x" << g.h;
    }
    b.SetGlyph(nullptr);
    EXPECT_EQ(b.Glyph(), nullptr);

    b.SetMargin(3);
    b.SetMargin(-5);
    EXPECT_EQ(b.Margin(), 3);
    b.SetMargin(-1);
    EXPECT_EQ(b.Margin(), -1);

    form.SetColor(0x8396A0);
    b.SetColor(fw::clBlack);
    b.SetAdvColorDown(0);
    b.SetUseAdvColors(true);
    EXPECT_EQ(b.GetColor(), 0x8396A0u);  // follows the parent again
    EXPECT_EQ(b.ColorDown(), 0xC5D6D9u);  // a percentage of 0 keeps the colour
    EXPECT_EQ(b.ColorBorder(), 0x596B75u);  // lightness 137 + 10 - 50
    form.SetColor(fw::clBlack);
    EXPECT_EQ(b.ColorBorder(), 0u);  // derived again from the new parent colour
}

TEST_F(FlatSpeedButton, DisablingWhileHotUnhotsAtOnce) {
    TFlatSpeedButton b(&form);
    b.SetBounds(20, 20, 40, 25);
    b.SetTransparentMode(flat::tmNotFocused);
    Show();
    Mouse(WM_MOUSEMOVE, 30, 30);
    ASSERT_TRUE(b.IsHot());
    b.SetEnabled(false);
    EXPECT_FALSE(b.IsHot());
    EXPECT_EQ(b.ButtonState(), flat::fbsDisabled);
    EXPECT_EQ(TFlatSpeedButton::HoverButton(), nullptr);
    EXPECT_FALSE(TFlatSpeedButton::HoverTimer()->Enabled());
    {
        Shot s(form, b);
        EXPECT_EQ(Breaks(s, b, 0x8396A0, 0x8396A0, kParent, {}), "");
    }
    // Re-enabled under the pointer: hot again, and polled, so that leaving
    // without another move over it un-hots it.
    b.SetEnabled(true);
    EXPECT_TRUE(b.IsHot());
    EXPECT_EQ(TFlatSpeedButton::HoverButton(), &b);
    SetCursorPos(kFormLeft + 150, kFormTop + 80);
    Pump(400);
    EXPECT_FALSE(b.IsHot());
}

TEST_F(FlatSpeedButton, OneSharedTimerHandsOverAtOnce) {
    EXPECT_EQ(TFlatSpeedButton::LiveButtons(), 0);
    EXPECT_EQ(TFlatSpeedButton::HoverTimer(), nullptr);
    {
        TFlatSpeedButton a(&form), b(&form);
        a.SetBounds(20, 20, 40, 25);
        b.SetBounds(60, 20, 40, 25);
        const fw::Timer* timer = TFlatSpeedButton::HoverTimer();
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->Interval(), 100u);
        EXPECT_FALSE(timer->Enabled());
        EXPECT_EQ(TFlatSpeedButton::LiveButtons(), 2);
        Show();

        Mouse(WM_MOUSEMOVE, 30, 30);
        EXPECT_TRUE(a.IsHot());
        EXPECT_EQ(TFlatSpeedButton::HoverButton(), &a);
        EXPECT_TRUE(timer->Enabled());
        Mouse(WM_MOUSEMOVE, 70, 30);  // no timer tick in between
        EXPECT_FALSE(a.IsHot());
        EXPECT_TRUE(b.IsHot());
        EXPECT_EQ(TFlatSpeedButton::HoverButton(), &b);
        EXPECT_EQ(TFlatSpeedButton::HoverTimer(), timer);
        EXPECT_TRUE(timer->Enabled());

        SetCursorPos(kFormLeft + 150, kFormTop + 80);  // off the buttons, no move message for them
        Pump(400);
        EXPECT_FALSE(b.IsHot());
        EXPECT_EQ(TFlatSpeedButton::HoverButton(), nullptr);
        EXPECT_FALSE(timer->Enabled());
        form.Hide();
    }
    EXPECT_EQ(TFlatSpeedButton::LiveButtons(), 0);
    EXPECT_EQ(TFlatSpeedButton::HoverTimer(), nullptr);
}

}  // namespace
