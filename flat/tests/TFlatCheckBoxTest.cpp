// The check box on a real form: its looks by pixels of its own window, the
// order of its events under real mouse messages, its keys, and the shared
// hover timer.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "flat/TFlatCheckBoxUnit.h"
#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

using flat::TFlatCheckBox;

constexpr int kFormLeft = 300, kFormTop = 200, kBoxLeft = 20, kBoxTop = 20;
constexpr COLORREF kParent = 0x906030, kOwn = 0x30A0F0, kBlack = 0, kWhite = RGB(255, 255, 255),
                   kDown = 0xC5D6D9, kBorder = 0x8396A0;

// The check mark, row by row (dy): runs of columns [first, last] from the box's corner.
const std::vector<std::pair<int, int>> kMarkRows[11] = {
    {}, {}, {{8, 8}}, {{7, 8}}, {{2, 2}, {6, 8}}, {{2, 3}, {5, 7}}, {{2, 6}}, {{3, 5}}, {{4, 4}}, {}, {}};

bool InMark(int dx, int dy) {
    for (auto [first, last] : kMarkRows[dy])
        if (dx >= first && dx <= last) return true;
    return false;
}

// The check box's window painted into a bitmap.
struct Shot {
    explicit Shot(TFlatCheckBox& box) : surface(box.Width(), box.Height()) { surface.PrintOf(box.Handle()); }
    int Count(COLORREF c, const fw::Rect& r) const { return surface.Count(c, RECT{r.left, r.top, r.right, r.bottom}); }
    testgdi::Surface surface;
};

// The pixels of the box that are not outline, mark (when given) or fill.
std::string BoxBreaks(const Shot& s, const fw::Rect& b, COLORREF fill, std::optional<COLORREF> mark) {
    std::ostringstream out;
    for (int dy = 0; dy < 11; ++dy)
        for (int dx = 0; dx < 11; ++dx) {
            const bool edge = dx == 0 || dy == 0 || dx == 10 || dy == 10;
            const COLORREF want = edge ? kBorder : mark && InMark(dx, dy) ? *mark : fill;
            const COLORREF got = s.surface.At(b.left + dx, b.top + dy);
            if (got != want) out << "(" << dx << "," << dy << ")=" << std::hex << got << std::dec << " ";
        }
    return out.str();
}

class FlatCheckBox : public testapp::FormTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form.SetBounds(kFormLeft, kFormTop, 200, 100);
        form.SetColor(kParent);
        box.SetBounds(kBoxLeft, kBoxTop, 121, 17);
        SetCursorPos(kFormLeft - 100, kFormTop - 100);
    }
    void Show() {
        ShowActive();
        Pump(50);
        SetFocus(form.Handle());  // the activation may have focused the box
    }
    // The real pointer goes where the message says, as with a real mouse.
    void Mouse(UINT msg, int x, int y, TFlatCheckBox* to = nullptr) {
        to = to ? to : &box;
        SetCursorPos(kFormLeft + to->Left() + x, kFormTop + to->Top() + y);
        SendMessageA(to->Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    }
    static void Pump(int ms) {
        for (const DWORD end = GetTickCount() + static_cast<DWORD>(ms); GetTickCount() < end; Sleep(5))
            fw::App().ProcessMessages();
    }
    // Whether the window itself (not a repaint) shows the mark's top pixel.
    bool MarkOnWindow() {
        HDC dc = GetDC(box.Handle());
        const bool on = GetPixel(dc, 1 + 8, 3 + 2) == kBlack;
        ReleaseDC(box.Handle(), dc);
        return on;
    }
    std::unique_ptr<TFlatCheckBox> owned = std::make_unique<TFlatCheckBox>(&form);
    TFlatCheckBox& box = *owned;
};

TEST_F(FlatCheckBox, Looks) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    box.SetCaption("Ab");
    Show();
    const struct {
        const char* what;
        std::function<void()> act;
        COLORREF fill, background;
        std::optional<COLORREF> mark;
    } cases[] = {
        {"idle", [] {}, kParent, kParent, {}},
        {"hot", [&] { Mouse(WM_MOUSEMOVE, 5, 8); }, kWhite, kParent, {}},
        {"pressed", [&] { Mouse(WM_LBUTTONDOWN, 5, 8); }, kDown, kParent, {}},
        {"released: checked", [&] { Mouse(WM_LBUTTONUP, 5, 8); }, kWhite, kParent, kBlack},
        {"focused, pointer gone", [&] { SetCursorPos(0, 0), Pump(300); }, kWhite, kParent, kBlack},
        {"idle, checked", [&] { SetFocus(form.Handle()); }, kParent, kParent, kBlack},
        {"disabled", [&] { box.SetEnabled(false); }, kParent, kParent, shadow},
        {"own colour", [&] { box.SetEnabled(true), box.SetColor(kOwn); }, kOwn, kOwn, kBlack},
        {"transparent", [&] { box.SetTransparent(true); }, kOwn, kParent, kBlack},
        {"box on the right, taller", [&] {
             box.SetTransparent(false), box.SetParentColor(true), box.SetLayout(flat::checkboxRight);
             box.SetBounds(kBoxLeft, kBoxTop, 121, 40);
         }, kParent, kParent, kBlack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        Shot s(box);
        const fw::Rect b = flat::CheckBoxRect(box.Layout(), box.Width());
        EXPECT_EQ(BoxBreaks(s, b, c.fill, c.mark), "");
        const std::pair<int, int> around[] = {{0, 0}, {b.left - 1, 8}, {b.right, 8}};
        for (auto [x, y] : around)
            EXPECT_EQ(s.surface.At(x, y), c.background) << x << "," << y;
        const bool left = box.Layout() == flat::checkboxLeft;
        const fw::Rect text = left ? fw::Rect{16, 1, 120, 16} : fw::Rect{1, 1, 105, 39};
        EXPECT_EQ(s.Count(kBlack, text) > 4, box.Enabled());
        EXPECT_EQ(s.Count(shadow, text) > 4 && s.Count(highlight, text) > 4, !box.Enabled());  // embossed
        if (!left) {  // right-aligned, ending 16 pixels before the right edge
            EXPECT_GT(s.Count(kBlack, fw::Rect{102, 0, 105, 40}), 0);
            EXPECT_EQ(s.Count(kBlack, fw::Rect{105, 0, b.left, 40}) + s.Count(kBlack, {0, 0, 60, 40}), 0);
        }
    }
}

TEST_F(FlatCheckBox, CheckedRaisesOneClickThenDrawsTheBox) {
    Show();
    std::vector<std::string> log;
    box.OnClick = [&] { log.push_back(std::string(box.Checked() ? "on" : "off") + (MarkOnWindow() ? " drawn" : "")); };
    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_TRUE(MarkOnWindow());
    box.SetChecked(false);
    EXPECT_FALSE(MarkOnWindow());
    EXPECT_EQ(log, (std::vector<std::string>{"on", "off drawn"}));

    // A handler that fails leaves the new state, shown.
    box.OnClick = [] { throw fw::Error("no access"); };
    EXPECT_THROW(box.SetChecked(true), fw::Error);
    EXPECT_TRUE(box.Checked());
    EXPECT_TRUE(MarkOnWindow());
    EXPECT_EQ(BoxBreaks(Shot(box), flat::CheckBoxRect(flat::checkboxLeft, 121), kParent, kBlack), "");
}

TEST_F(FlatCheckBox, OnlyTheLeftButtonToggles) {
    std::string log;
    box.OnClick = [&] { log += "click "; };
    box.OnMouseDown = [&](const fw::MouseEvent&) { log += "down "; };
    box.OnMouseUp = [&](const fw::MouseEvent&) { log += "up "; };
    Show();
    const struct {
        UINT msg;
        int x, y;
        bool checked, pressing;
        const char* log;
    } steps[] = {
        {WM_MOUSEMOVE, 5, 8, false, false, ""},     {WM_LBUTTONUP, 5, 8, false, false, "up "},  // no press before
        {WM_RBUTTONDOWN, 5, 8, false, false, ""},   {WM_RBUTTONUP, 5, 8, false, false, ""},
        {WM_MBUTTONDOWN, 5, 8, false, false, ""},   {WM_MBUTTONUP, 5, 8, false, false, ""},
        {WM_LBUTTONDOWN, 5, 8, false, true, "down "},
        {WM_MOUSEMOVE, 170, 60, false, true, ""},  // dragged off the control
        {WM_LBUTTONUP, 170, 60, true, false, "click up "},
        {WM_MOUSEMOVE, 50, 8, true, false, ""},     {WM_LBUTTONDOWN, 50, 8, true, true, "down "},
        {WM_LBUTTONUP, 50, 8, false, false, "click up "},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE("step " + std::to_string(&s - steps));
        log.clear();
        Mouse(s.msg, s.x, s.y);
        EXPECT_EQ(box.Checked(), s.checked);
        EXPECT_EQ(box.IsPressing(), s.pressing);
        EXPECT_EQ(log, s.log);
    }
    EXPECT_EQ(GetFocus(), box.Handle());
    EXPECT_TRUE(box.HasFocus());

    // A press whose capture goes to another window ends without a toggle.
    Mouse(WM_LBUTTONDOWN, 5, 8);
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetCapture(other);
    EXPECT_FALSE(box.IsPressing());
    ReleaseCapture();
    DestroyWindow(other);
    Mouse(WM_LBUTTONUP, 5, 8);
    EXPECT_FALSE(box.Checked());
}

TEST_F(FlatCheckBox, AcceleratorAndSpace) {
    Show();
    const struct {
        const char* caption;
        char typed;
        bool focused, enabled;
        LRESULT taken;
        bool toggles;
    } keys[] = {
        {"&Auto", 'a', false, true, 1, true},    {"&Auto", 'A', false, true, 1, true},
        {"A&&uto", 'u', false, true, 0, false},  {"&A&uto", 'u', false, true, 1, true},
        {"自动(&A)", 'a', false, true, 1, true}, {"&Auto", 'x', false, true, 0, false},
        {"&Auto", 'a', false, false, 0, false},  {"&Auto", ' ', false, true, 0, false},
        {"&Auto", ' ', true, true, 0, true},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(std::string(k.caption) + " '" + k.typed + "'");
        box.SetCaption(k.caption);
        box.SetEnabled(k.enabled);
        SetFocus(k.focused ? box.Handle() : form.Handle());
        const bool before = box.Checked();
        EXPECT_EQ(box.Perform(fw::notify::DialogChar, static_cast<WPARAM>(k.typed)), k.taken);
        EXPECT_EQ(box.Checked() != before, k.toggles);
        EXPECT_EQ(GetFocus() == box.Handle(), k.taken || k.focused);
    }
    box.SetEnabled(true);
    int clicks = 0;
    box.OnClick = [&] { ++clicks; };
    SetFocus(form.Handle());
    SendMessageA(form.Handle(), WM_CHAR, 'a', 0);  // as typed on the form
    EXPECT_EQ(clicks, 1);
}

TEST_F(FlatCheckBox, OneSharedTimerFreedWithTheLast) {
    EXPECT_EQ(TFlatCheckBox::LiveCheckBoxes(), 1);
    const fw::Timer* timer = TFlatCheckBox::HoverTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 100u);
    EXPECT_FALSE(timer->Enabled());
    {
        TFlatCheckBox other(&form);
        other.SetBounds(kBoxLeft, kBoxTop + 30, 121, 17);
        EXPECT_EQ(TFlatCheckBox::HoverTimer(), timer);
        Show();
        Mouse(WM_MOUSEMOVE, 5, 8);
        EXPECT_TRUE(box.IsHot());
        EXPECT_TRUE(timer->Enabled());
        // The focus leaving while the pointer rests on the box: hot again at the next move.
        SetFocus(box.Handle());
        SetFocus(form.Handle());
        EXPECT_FALSE(box.IsHot());
        Mouse(WM_MOUSEMOVE, 6, 8);
        EXPECT_TRUE(box.IsHot());
        // Straight onto the other box: the first leaves at once.
        Mouse(WM_MOUSEMOVE, 5, 8, &other);
        EXPECT_FALSE(box.IsHot());
        EXPECT_TRUE(other.IsHot());
        EXPECT_EQ(TFlatCheckBox::HoverCheckBox(), &other);
        form.Hide();
    }
    EXPECT_EQ(TFlatCheckBox::HoverCheckBox(), nullptr);
    owned.reset();  // the last one
    EXPECT_EQ(TFlatCheckBox::LiveCheckBoxes(), 0);
    EXPECT_EQ(TFlatCheckBox::HoverTimer(), nullptr);
    TFlatCheckBox again(&form);  // a new first one makes a new timer
    EXPECT_NE(TFlatCheckBox::HoverTimer(), nullptr);
}

}  // namespace
