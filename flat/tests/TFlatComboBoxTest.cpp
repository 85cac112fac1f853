// The flat combo box on a real form: its flat parts by pixels in each look,
// as the window shows them and as it prints them; the dropped list's
// colour and height; a pick by key; a change of font; derived colours.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "flat/TFlatComboBoxUnit.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

using flat::TFlatComboBox;
using Pixel = std::pair<int, int>;

constexpr COLORREF kParent = 0x906030, kColor = 0xE0F0D0, kBorder = 0x8396A0, kArrowBack = 0xC5D6D9,
                   kBlack = 0, kGrey = 0x808080, kWhite = 0xFFFFFF;
const std::vector<std::string> kItems = {"Aa", "Bb", "Cc", "Dd", "Ee", "Ff", "Gg", "Hh", "Ii", "Jj"};

enum class Look { Unfocused, Focused, Dropped, Disabled };

// The pixels the flat parts of a w x h box show in a look.
std::map<Pixel, COLORREF> FlatParts(int w, int h, Look look) {
    std::map<Pixel, COLORREF> want;
    const auto fill = [&](int l, int t, int r, int b, COLORREF c) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x) want[{x, y}] = c;
    };
    const auto frame = [&](int l, int t, int r, int b, COLORREF c) {
        fill(l, t, r, t + 1, c), fill(l, b - 1, r, b, c), fill(l, t, l + 1, b, c), fill(r - 1, t, r, b, c);
    };
    fill(w - 13, 0, w, h, kArrowBack);
    frame(w - 13, 0, w, h, kBorder);  // its left column is the border's right one
    frame(0, 0, w - 12, h, kBorder);
    frame(1, 1, w - 13, h - 1, kColor);
    frame(2, 2, w - 14, h - 2, kColor);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    fill(w - 21, 3, w - 16, h - 3, look == Look::Focused ? highlight : kColor);
    if (look == Look::Focused) frame(3, 3, w - 16, h - 3, highlight);
    // Five, three and one pixels about the button's middle column.
    const auto arrow = [&](int d, bool up, COLORREF c) {
        for (int i = 0; i < 3; ++i)
            for (int x = w - 9 + i; x <= w - 5 - i; ++x) want[{x + d, h / 2 - 1 + (up ? 2 - i : i) + d}] = c;
    };
    if (look == Look::Disabled) {
        arrow(1, false, kWhite);
        arrow(0, false, kGrey);
    } else {
        arrow(0, look == Look::Dropped, kBlack);
    }
    return want;
}

std::string Breaks(const testgdi::Surface& s, const std::map<Pixel, COLORREF>& want) {
    std::ostringstream out;
    int n = 0;
    for (const auto& [p, c] : want)
        if (s.At(p.first, p.second) != c && n++ < 4)
            out << "(" << p.first << "," << p.second << ")=" << std::hex << s.At(p.first, p.second)
                << " not " << c << std::dec << " ";
    if (n) out << n << " pixels";
    return out.str();
}

class FlatComboBox : public testapp::FormTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form.SetBounds(620, 420, 200, 100);
        form.SetColor(kParent);
        box.SetBounds(10, 10, 60, 21);
        box.SetColor(kColor);
        box.SetItems(kItems);
    }
    void Show() {
        ShowActive();
        Pump();
    }
    // The window printed (as an animation takes it), or as it shows.
    static std::unique_ptr<testgdi::Surface> Print(HWND h, bool shown = false) {
        RECT r;
        GetClientRect(h, &r);
        auto s = std::make_unique<testgdi::Surface>(r.right, r.bottom, RGB(1, 2, 3));
        if (shown) s->CopyOf(h);
        else s->PrintOf(h, WM_PRINT);
        return s;
    }
    TFlatComboBox box{&form};
};

TEST_F(FlatComboBox, FlatPartsInEachLook) {
    ASSERT_NE(GetSysColor(COLOR_WINDOW), kColor);
    Show();
    struct Case {
        fw::ComboStyle style;
        Look look;
        const char* name;
    };
    for (const Case& c : {Case{fw::csDropDownList, Look::Unfocused, "unfocused"},
                          Case{fw::csDropDownList, Look::Focused, "focused"},
                          Case{fw::csDropDownList, Look::Dropped, "dropped"},
                          Case{fw::csDropDownList, Look::Disabled, "disabled"},
                          Case{fw::csOwnerDrawFixed, Look::Focused, "owner-drawn, focused"}}) {
        SCOPED_TRACE(c.name);
        box.SetStyle(c.style);
        box.SetItemIndex(1);
        box.SetEnabled(c.look != Look::Disabled);
        SetFocus(c.look == Look::Focused || c.look == Look::Dropped ? box.Handle() : form.Handle());
        box.SetDroppedDown(c.look == Look::Dropped);
        Pump();
        EXPECT_EQ(box.DroppedDown(), c.look == Look::Dropped);
        const auto want = FlatParts(box.Width(), box.Height(), c.look);
        EXPECT_EQ(Breaks(*Print(box.Handle()), want), "") << "printed";
        EXPECT_EQ(Breaks(*Print(box.Handle(), true), want), "") << "shown";
        if (c.look == Look::Dropped) {
            // Eight items at a time; the list's background is the box's colour.
            RECT r;
            GetWindowRect(box.ListHandle(), &r);
            EXPECT_EQ(r.bottom - r.top, box.ItemHeight() * 8 + 2);
            const auto list = Print(box.ListHandle());
            EXPECT_EQ(list->At(list->Width() - 3, list->Height() - 3), kColor);
            box.SetDroppedDown(false);
        }
    }
}

// However the dropped list closes, the focused box shows its whole strip and
// rim again, with nothing of the standard focus look left over them.
TEST_F(FlatComboBox, FocusStripAfterTheListCloses) {
    box.SetStyle(fw::csDropDownList);
    Show();
    struct Case {
        const char* name;
        void (*close)(HWND box, HWND list);
    };
    const Case cases[] = {
        {"picked with the mouse",
         [](HWND, HWND list) {
             RECT r;
             SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
             const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
             SendMessageA(list, WM_MOUSEMOVE, 0, at);
             SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
             SendMessageA(list, WM_LBUTTONUP, 0, at);
         }},
        {"closed with Escape", [](HWND box, HWND) { SendMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"picked with Enter",
         [](HWND box, HWND) {
             SendMessageA(box, WM_KEYDOWN, VK_DOWN, 0);
             SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.SetItemIndex(1);
        SetFocus(box.Handle());
        Pump();
        box.SetDroppedDown(true);
        Pump();
        ASSERT_TRUE(box.DroppedDown());
        c.close(box.Handle(), box.ListHandle());
        Pump();
        ASSERT_FALSE(box.DroppedDown());
        EXPECT_EQ(Breaks(*Print(box.Handle(), true), FlatParts(box.Width(), box.Height(), Look::Focused)), "");
    }
}

TEST_F(FlatComboBox, PickByKeyRaisesClickThenChange) {
    box.SetStyle(fw::csDropDownList);
    box.SetItemIndex(0);
    Show();
    std::vector<std::string> log;
    box.OnClick = [&] { log.push_back("click " + box.Text()); };
    box.OnChange = [&] { log.push_back("change " + std::to_string(box.ItemIndex())); };
    SetFocus(box.Handle());
    SendMessageA(box.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"click Bb", "change 1"}));
    log.clear();
    box.SetItemIndex(3);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(box.ItemIndex(), 3);
    EXPECT_EQ(box.Text(), "Dd");
}

TEST_F(FlatComboBox, FontChangeMakesTheWindowAgainKeepingItems) {
    for (fw::ComboStyle style : {fw::csDropDownList, fw::csOwnerDrawFixed}) {
        SCOPED_TRACE(style);
        box.SetStyle(style);
        box.SetItemHeight(20);
        box.SetItemIndex(2);
        Show();
        SetFocus(box.Handle());
        HWND before = box.Handle();
        box.ChangeFont([](fw::Font& f) { f.height = 16; });
        EXPECT_NE(box.Handle(), before);
        EXPECT_EQ(GetFocus(), box.Handle());
        EXPECT_EQ(box.Items(), kItems);
        EXPECT_EQ(box.ItemIndex(), 2);
        EXPECT_EQ(box.Text(), "Cc");
        const int native = static_cast<int>(SendMessageA(box.Handle(), CB_GETITEMHEIGHT, 0, 0));
        EXPECT_EQ(box.ItemHeight(), native);
        if (style == fw::csOwnerDrawFixed) {
            EXPECT_EQ(native, 13);
        }
    }
}

TEST_F(FlatComboBox, AdvancedColoursFromTheParent) {
    form.SetColor(0xC0C0C0);
    box.SetUseAdvColors(true);
    EXPECT_EQ(box.ColorBorder(), 0x969696u);
    EXPECT_EQ(box.ColorArrowBackground(), 0xC0C0C0u);
    box.SetColorBorder(0x123456);
    box.SetAdvColorBorder(0);
    EXPECT_EQ(box.ColorBorder(), 0x123456u);
}

}  // namespace
