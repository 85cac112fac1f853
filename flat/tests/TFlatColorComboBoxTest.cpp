// The flat colour picker on a real form: the Value rules, picks by keys with
// their events in order, "Custom" through the real colour dialog, items by
// pixels, a font change, the highlight colour of the strip.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flat/TFlatColorComboBoxUnit.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/ColorDialogAnswer.h"
#include "framework/tests/TestSurface.h"

namespace {

using Events = std::vector<std::string>;
const std::vector<std::string> kNames = {"Black", "Maroon", "Green", "Olive",   "Navy", "Purple",
                                         "Teal",  "Gray",   "Silver", "Red",    "Lime", "Yellow",
                                         "Blue",  "Fuchsia", "Aqua",  "White",  "Custom"};

BOOL CALLBACK CountCombo(HWND h, LPARAM count) {
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    *reinterpret_cast<int*>(count) += lstrcmpiA(cls, "ComboBox") == 0;
    return TRUE;
}

class FlatColorComboBox : public testapp::FormTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form.SetBounds(620, 420, 200, 100);
        box.SetBounds(10, 10, 120, 22);
        // Each event with the selection and Value it sees.
        const auto note = [this](const char* what) {
            char s[32];
            wsprintfA(s, "%s %d %06X", what, box.ItemIndex(), box.Value());
            log.push_back(s);
        };
        box.OnChange = [note] { note("change"); };
        box.OnClick = [note] { note("click"); };
    }
    void Show() {
        ShowActive();
        SetFocus(box.Handle());
        Pump();
    }
    Events Take() { return std::exchange(log, {}); }

    flat::TFlatColorComboBox box{&form};
    Events log;
};

TEST_F(FlatColorComboBox, ValueSelectsTheFirstEntryOfItsColour) {
    struct Step {
        fw::Color value;
        int index;
        fw::Color after;
        Events events;
    } const steps[] = {
        {0x000000, 0, 0x000000, {"change 0 000000"}},  // from the list built with the window
        {0x0000FF, 9, 0x0000FF, {"change 9 0000FF"}},
        {0x0000FF, 9, 0x0000FF, {}},                   // equal and selected
        {0xC5D6D9, 9, 0x0000FF, {}},                   // in no entry
        {fw::clWindow, 9, 0x0000FF, {}},
        {0x000000, 0, 0x000000, {"change 0 000000"}},  // "Black", not the custom entry's black
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.value);
        box.SetValue(s.value);
        EXPECT_EQ(box.ItemIndex(), s.index);
        EXPECT_EQ(box.Value(), s.after);
        EXPECT_EQ(Take(), s.events);
    }
    EXPECT_EQ(box.Items(), kNames);
    EXPECT_EQ(box.ItemColor(13), 0xFF00FFu);
    int windows = 0;  // the form's window was made first, the box's once
    EnumChildWindows(form.Handle(), CountCombo, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 1);
}

TEST_F(FlatColorComboBox, PicksByKeysAndCustomThroughTheDialog) {
    Show();
    box.SetValue(0xFFFFFF);
    Take();
    testdlg::ColorDialogAnswer answer;
    struct Pick {
        WPARAM key;
        bool confirm;
        std::optional<COLORREF> typed;
        int dialogs;     // opened so far
        COLORREF shown;  // what the last one opened on
        Events events;
        fw::Color custom;
    } const picks[] = {
        {VK_DOWN, false, 0x0000FF, 1, 0, {"change 16 FFFFFF"}, 0},  // cancelled: no click
        {VK_UP, true, {}, 1, 0, {"click 15 FFFFFF", "change 15 FFFFFF"}, 0},
        {VK_DOWN, true, 0x0000FF, 2, 0, {"change 9 0000FF", "click 9 0000FF", "change 9 0000FF"}, 0x0000FF},
        {VK_UP, true, {}, 2, 0, {"change 8 C0C0C0", "click 8 C0C0C0", "change 8 C0C0C0"}, 0x0000FF},
        {VK_END, true, {}, 3, 0x0000FF, {"change 9 0000FF", "click 9 0000FF", "change 9 0000FF"}, 0x0000FF},
        // Value red already: the selection stays on "Custom".
        {VK_END, true, {}, 4, 0x0000FF, {"click 16 0000FF", "change 16 0000FF"}, 0x0000FF},
        {VK_UP, true, {}, 4, 0x0000FF, {"change 15 FFFFFF", "click 15 FFFFFF", "change 15 FFFFFF"}, 0x0000FF},
        {VK_DOWN, true, 0xC5D6D9, 5, 0x0000FF, {"change 16 C5D6D9", "click 16 C5D6D9", "change 16 C5D6D9"},
         0xC5D6D9},
    };
    for (const Pick& p : picks) {
        SCOPED_TRACE(p.dialogs);
        answer.confirm = p.confirm;
        answer.typed = p.typed;
        SendMessageA(box.Handle(), WM_KEYDOWN, p.key, 0);
        EXPECT_EQ(Take(), p.events);
        EXPECT_EQ(answer.opened, p.dialogs);
        EXPECT_EQ(answer.shown, p.shown);
        EXPECT_EQ(box.Text(), kNames[static_cast<size_t>(box.ItemIndex())]);
        EXPECT_EQ(box.ItemColor(16), p.custom);
    }
    EXPECT_EQ(answer.owner, form.Handle());
}

// Background, swatch in its black outline, the name from 18 pixels in.
TEST_F(FlatColorComboBox, ItemPixels) {
    constexpr COLORREF kBack = 0xE0F0D0, kHigh = 0x336699;
    box.SetColor(kBack);
    box.SetColorHighlight(kHigh);
    struct Case {
        int index;
        bool selected, names;
        COLORREF swatch, back;
        int swatchRight;  // exclusive
    } const cases[] = {{9, false, true, 0x0000FF, kBack, 14},
                       {12, true, true, 0xFF0000, kHigh, 14},
                       {10, false, false, 0x00FF00, kBack, 95}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        box.SetShowNames(c.names);
        testgdi::Surface s(100, 16, RGB(1, 2, 3));
        DRAWITEMSTRUCT item{ODT_COMBOBOX, 0, static_cast<UINT>(c.index), ODA_DRAWENTIRE,
                            c.selected ? ODS_SELECTED : 0u, box.Handle(), s.Dc(), RECT{0, 0, 100, 16}, 0};
        box.Perform(fw::notify::Reflected + WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        int textLeft = 100, wrong = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 100; ++x) {
                const bool inBox = x >= 2 && x < c.swatchRight && y >= 2 && y < 14;
                const bool edge = inBox && (x == 2 || x == c.swatchRight - 1 || y == 2 || y == 13);
                const COLORREF want = edge ? 0 : inBox ? c.swatch : c.back;
                if (!inBox && s.At(x, y) != want) textLeft = std::min(textLeft, x);
                else wrong += s.At(x, y) != want;
            }
        EXPECT_EQ(wrong, 0);
        // Up to the first glyph's own bearing; nothing at all without names.
        EXPECT_TRUE(c.names ? textLeft == 18 || textLeft == 19 : textLeft == 100) << textLeft;
    }
}

TEST_F(FlatColorComboBox, FontChangeRebuildsTheListKeepingValue) {
    Show();
    box.SetValue(0x0000FF);
    EXPECT_EQ(SendMessageA(box.Handle(), CB_GETITEMHEIGHT, 0, 0), 16);
    Take();
    box.ChangeFont([](fw::Font& f) { f.height = 14; });
    EXPECT_EQ(Take(), Events{"change 0 0000FF"});
    EXPECT_EQ(box.Items(), kNames);
    EXPECT_EQ(SendMessageA(box.Handle(), CB_GETITEMHEIGHT, 0, 0), 13);
}

// The focused strip in ColorHighlight, derived from the parent's colour by 30.
TEST_F(FlatColorComboBox, HighlightColourOfTheStrip) {
    form.SetColor(0xC0C0C0);
    box.SetUseAdvColors(true);
    EXPECT_EQ(box.ColorHighlight(), 0xABABABu);
    EXPECT_EQ(box.ColorBorder(), 0x969696u);
    Show();
    RECT r;
    GetClientRect(box.Handle(), &r);
    testgdi::Surface s(r.right, r.bottom);
    s.PrintOf(box.Handle(), WM_PRINT);
    EXPECT_EQ(s.At(r.right - 19, r.bottom / 2), 0xABABABu);
    EXPECT_EQ(s.At(3, r.bottom / 2), 0xABABABu);
}

}  // namespace
