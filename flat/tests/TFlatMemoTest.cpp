// The flat memo on a real form: its frame by pixels in the flat and the
// focused look (the text area in the look's colour, 3 pixels inside the
// edges), the rule for two memos on one window under the real pointer, and
// a read-only text that typed keys leave alone but that can be selected and
// copied with the keyboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "flat/TFlatMemoUnit.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

using flat::TFlatMemo;

constexpr COLORREF kParent = 0x906030, kFlat = 0xD0E0C0, kFocused = 0xF0F8FF, kBorder = 0x8396A0;

// Where the frame of a w x h window differs from border `border` and ring
// `ring`, and whether the text area inside shows `ring` at its corners; with
// `corner`, the 16 x 16 square between two scroll bars too.
std::string FrameBreaks(const testgdi::Surface& s, COLORREF border, COLORREF ring, bool corner) {
    const int w = s.Width(), h = s.Height();
    std::ostringstream out;
    int n = 0;
    const auto check = [&](int x, int y, COLORREF c) {
        if (s.At(x, y) != c && n++ < 4)
            out << "(" << x << "," << y << ")=" << std::hex << s.At(x, y) << " not " << c << std::dec << " ";
    };
    for (int i = 0; i < 3; ++i) {
        const COLORREF c = i == 0 ? border : ring;
        for (int x = i; x < w - i; ++x) check(x, i, c), check(x, h - 1 - i, c);
        for (int y = i; y < h - i; ++y) check(i, y, c), check(w - 1 - i, y, c);
    }
    if (corner) {
        for (int y = h - 19; y < h - 3; ++y)
            for (int x = w - 19; x < w - 3; ++x) check(x, y, ring);
    } else {
        check(w - 5, h - 5, ring);  // the text area's own background
    }
    if (n) out << n << " pixels";
    return out.str();
}

class FlatMemo : public testapp::FormTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form.SetBounds(300, 200, 420, 140);
        form.SetColor(kParent);
        for (TFlatMemo* m : {&memo1, &memo2}) {
            m->SetColorFlat(kFlat);
            m->SetColorFocused(kFocused);
        }
        memo1.SetBounds(10, 10, 180, 100);
        memo2.SetBounds(220, 10, 180, 100);
        memo1.SetLines({"第一行 first line", "second 第二行"});
        ShowActive();
        PointAt(nullptr);
        Pump();
    }
    // The pointer over the middle of a memo, or well away from the form;
    // the system tells of a leaving with some delay.
    void PointAt(TFlatMemo* memo) {
        if (!memo) {
            SetCursorPos(20, 20);
        } else {
            const POINT p = memo->ClientToScreen(POINT{memo->Width() / 2, memo->Height() / 2});
            SetCursorPos(p.x, p.y);
        }
        Pump();
        for (int i = 0; i < 20 && (memo1.IsHot() || memo2.IsHot()) && memo == nullptr; ++i) Pump();
    }
    // The whole window as the screen shows it, frame included.
    static std::unique_ptr<testgdi::Surface> Shown(HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        auto s = std::make_unique<testgdi::Surface>(r.right - r.left, r.bottom - r.top, RGB(1, 2, 3));
        HDC dc = GetWindowDC(h);
        BitBlt(s->Dc(), 0, 0, s->Width(), s->Height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(h, dc);
        return s;
    }
    static void Keys(const std::vector<std::pair<BYTE, bool>>& strokes) {
        for (auto [key, up] : strokes) keybd_event(key, 0, up ? KEYEVENTF_KEYUP : 0, 0);
        Pump();
    }
    static void Press(BYTE key) { Keys({{key, false}, {key, true}}); }
    static void Ctrl(BYTE key) { Keys({{VK_CONTROL, false}, {key, false}, {key, true}, {VK_CONTROL, true}}); }

    TFlatMemo memo1{&form};
    TFlatMemo memo2{&form};
};

TEST_F(FlatMemo, FrameOfTheFlatAndTheFocusedLook) {
    // The text area starts 3 pixels inside the edges on every side.
    RECT client;
    GetClientRect(memo1.Handle(), &client);
    POINT origin{0, 0};
    MapWindowPoints(memo1.Handle(), form.Handle(), &origin, 1);
    EXPECT_EQ(origin.x - memo1.Left(), 3);
    EXPECT_EQ(origin.y - memo1.Top(), 3);
    EXPECT_EQ(client.right, memo1.Width() - 6);
    EXPECT_EQ(client.bottom, memo1.Height() - 6);

    struct Case {
        const char* name;
        bool focused, hot;
        fw::ScrollStyle bars;
        COLORREF ring;
    };
    for (const Case& c : {Case{"flat", false, false, fw::ssNone, kFlat},
                          Case{"focused", true, false, fw::ssNone, kFocused},
                          Case{"hot", false, true, fw::ssNone, kFocused},
                          Case{"flat, both scroll bars", false, false, fw::ssBoth, kFlat},
                          Case{"focused, both scroll bars", true, false, fw::ssBoth, kFocused}}) {
        SCOPED_TRACE(c.name);
        memo1.SetScrollBars(c.bars);
        SetFocus(c.focused ? memo1.Handle() : form.Handle());
        PointAt(c.hot ? &memo1 : nullptr);
        EXPECT_EQ(memo1.IsHot(), c.hot);
        EXPECT_EQ(FrameBreaks(*Shown(memo1.Handle()), kBorder, c.ring, c.bars == fw::ssBoth), "") << "shown";
        // As an animation takes it.
        testgdi::Surface printed(memo1.Width(), memo1.Height(), RGB(1, 2, 3));
        SendMessageA(memo1.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_NONCLIENT | PRF_CLIENT);
        EXPECT_EQ(FrameBreaks(printed, kBorder, c.ring, c.bars == fw::ssBoth), "") << "printed";
    }
}

// Hovering over a memo gives it the focused look, except while the other
// memo holds the focus.
TEST_F(FlatMemo, HoverWhileAnotherMemoHasTheFocus) {
    SetFocus(form.Handle());
    PointAt(&memo2);
    ASSERT_TRUE(memo2.IsHot());
    EXPECT_EQ(FrameBreaks(*Shown(memo2.Handle()), kBorder, kFocused, false), "") << "focus on the form";
    PointAt(nullptr);
    EXPECT_FALSE(memo2.IsHot());
    SetFocus(memo1.Handle());
    PointAt(&memo2);
    ASSERT_TRUE(memo2.IsHot());
    EXPECT_EQ(FrameBreaks(*Shown(memo2.Handle()), kBorder, kFlat, false), "") << "focus on the other memo";
    EXPECT_EQ(FrameBreaks(*Shown(memo1.Handle()), kBorder, kFocused, false), "") << "the focused memo";
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(no clipboard)";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) text = p;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
    GlobalUnlock(h);
    SetClipboardData(CF_TEXT, h);
    CloseClipboard();
}

TEST_F(FlatMemo, ReadOnlyTextTakesNoKeysButIsSelectedAndCopied) {
    memo1.SetReadOnly(true);
    const std::string text = memo1.Text();
    ASSERT_EQ(text, "第一行 first line\r\nsecond 第二行");
    SetClipboardText("pasted");
    memo1.SetFocus();
    Pump();
    ASSERT_TRUE(memo1.Focused());
    EXPECT_EQ(FrameBreaks(*Shown(memo1.Handle()), kBorder, kFocused, false), "") << "focused look";
    Press('X');
    Press(VK_RETURN);
    Press(VK_BACK);
    Press(VK_DELETE);
    Ctrl('V');
    Ctrl('X');
    EXPECT_EQ(memo1.Text(), text);
    // The second line's first word, selected from the keyboard.
    Ctrl(VK_HOME);
    Press(VK_DOWN);
    Press(VK_HOME);
    for (int i = 0; i < 6; ++i) Keys({{VK_SHIFT, false}, {VK_RIGHT, false}, {VK_RIGHT, true}, {VK_SHIFT, true}});
    Ctrl('C');
    EXPECT_EQ(ClipboardText(), "second");
    // The whole text, Chinese characters and line break included, byte for byte.
    memo1.SelectAll();
    Ctrl('C');
    EXPECT_EQ(ClipboardText(), text);
    EXPECT_EQ(memo1.Text(), text);
}

}  // namespace
