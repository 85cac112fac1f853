// Keyboard focus on real windows: Tab order through nested controls, typed
// characters offered to the whole window, focus kept across activations,
// and the tray menu working while a modal window runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "framework/tests/AppTest.h"

namespace {

// A windowed control recording the Tab keys, dialog characters and system
// commands that reach it; it takes `letter` as its access letter.
class Box : public fw::CustomControl {
public:
    Box(fw::WinControl* parent, const char* tag, int order = -1, bool tabStop = true)
        : fw::CustomControl(parent) {
        static int x = 0;
        name = tag;
        SetTabStop(tabStop);
        SetTabOrder(order);
        SetBounds(x = (x + 12) % 180, 4, 10, 10);
    }
    bool wantsTab = false;
    char letter = 0;
    int tabKeys = 0, sysCommands = 0;
    std::string offered;
    bool WantsTab() const override { return wantsTab; }
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_KEYDOWN && wp == VK_TAB) ++tabKeys;
        if (msg == WM_SYSCOMMAND) ++sysCommands;
        if (msg == fw::notify::DialogChar) {
            offered += static_cast<char>(wp);
            if (letter && static_cast<char>(wp) == letter) return 1;
        }
        return fw::CustomControl::WndProc(msg, wp, lp);
    }
};

// The system's own drop-down list.
class NativeCombo : public fw::WinControl {
public:
    using fw::WinControl::WinControl;

protected:
    void FillCreateParams(fw::CreateParams& p) override {
        fw::WinControl::FillCreateParams(p);
        p.className = "COMBOBOX";
        p.systemClass = true;
        p.style |= CBS_DROPDOWNLIST | WS_VSCROLL;
    }
};

class TestForm : public fw::Form {
public:
    explicit TestForm(int left = 200) { SetBounds(left, 200, 200, 100); }
};

class FocusTest : public testapp::AppTest {
protected:
    static std::string FocusName() {
        fw::WinControl* c = fw::WinControl::ControlOf(GetFocus());
        return c ? c->name : "(none)";
    }
    static void PressTab(bool shift) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
        Pump();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
};

TEST_F(FocusTest, TabGoesThroughNestedControlsInTabOrder) {
    TestForm form;
    Box a(&form, "a"), panel(&form, "panel", 0, false);
    Box p1(&panel, "p1"), p2(&panel, "p2", 0), p3(&panel, "p3");
    Box c(&form, "c", 1), hidden(&form, "hidden"), h1(&hidden, "h1");
    NativeCombo combo(&form);
    combo.name = "combo";
    combo.SetTabStop(true);
    combo.SetBounds(100, 40, 60, 80);
    Box group(&form, "group"), g1(&group, "g1");
    p3.SetEnabled(false);
    hidden.SetVisible(false);
    form.Create();
    for (const char* item : {"甲", "乙"}) SendMessageA(combo.Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    form.Show();
    Pump();
    EXPECT_EQ(FocusName(), "p2");  // activated with nothing focused yet: the first tab stop

    const struct {
        bool back, dropList;  // dropList: the combo box's list is open when Tab comes
        const char* focus;
    } steps[] = {
        {false, false, "p1"}, {false, false, "c"},    {false, false, "a"},     {false, false, "combo"},
        {false, true, "group"}, {false, false, "g1"}, {false, false, "p2"},    {true, false, "g1"},
        {true, false, "group"}, {true, false, "combo"}, {true, true, "a"},     {true, false, "c"},
        {true, false, "p1"},  {true, false, "p2"},    {true, false, "g1"},
    };
    for (const auto& s : steps) {
        if (s.dropList) SendMessageA(combo.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
        PressTab(s.back);
        EXPECT_EQ(FocusName(), s.focus) << (s.back ? "back to " : "on to ") << s.focus;
        EXPECT_EQ(SendMessageA(combo.Handle(), CB_GETDROPPEDSTATE, 0, 0), 0) << s.focus;
    }
    for (Box* b : {&a, &p1, &p2, &c, &group, &g1}) EXPECT_EQ(b->tabKeys, 0) << b->name;

    g1.wantsTab = true;  // takes the key itself: the focus stays
    PressTab(false);
    EXPECT_EQ(FocusName(), "g1");
    EXPECT_EQ(g1.tabKeys, 1);
    form.Hide();
}

TEST_F(FocusTest, CharactersTypedOnAFocusedControlAreOfferedOnce) {
    TestForm form;
    Box focused(&form, "focused"), panel(&form, "panel"), accel(&panel, "accel");
    accel.letter = 'x';
    form.Create();
    form.Show();
    focused.SetFocus();
    constexpr LPARAM kAlt = 1 << 29;
    const struct {
        UINT msg;
        char ch;
        LPARAM lp;
    } typed[] = {
        {WM_CHAR, 'x', 0},        // the other control's access letter
        {WM_SYSCHAR, 'x', kAlt},  // Alt+X: taken, no menu
        {WM_CHAR, ' ', 0},        // the focused control sees its own space
        {WM_SYSCHAR, ' ', kAlt},  // Alt+Space: the default handling passes it to the parent
    };
    for (const auto& t : typed) {
        focused.offered.clear();
        accel.offered.clear();
        PostMessageA(focused.Handle(), t.msg, static_cast<WPARAM>(t.ch), t.lp | 1);
        Pump();
        EXPECT_EQ(focused.offered, std::string(1, t.ch)) << t.msg << " " << t.ch;
        EXPECT_EQ(accel.offered, std::string(1, t.ch)) << t.msg << " " << t.ch;
    }
    EXPECT_EQ(focused.sysCommands, 0);
    form.Hide();
}

TEST_F(FocusTest, FocusReturnsToTheActiveControlWhenTheWindowIsActivatedAgain) {
    TestForm form, other(450);
    Box first(&form, "first"), second(&form, "second"), elsewhere(&other, "elsewhere");
    std::vector<std::string> log;
    second.OnEnter = [&] { log.push_back("enter"); };
    second.OnExit = [&] { log.push_back("exit"); };
    form.Create();
    other.Create();
    form.Show();
    second.SetFocus();
    other.Show();
    Pump();
    EXPECT_EQ(FocusName(), "elsewhere");
    EXPECT_EQ(form.ActiveControl(), &second);
    SetActiveWindow(form.Handle());
    Pump();
    EXPECT_TRUE(second.Focused());
    EXPECT_FALSE(first.Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit", "enter"}));
    other.Hide();
    form.Hide();
}

TEST_F(FocusTest, TheTrayMenuWorksWhileAModalWindowRuns) {
    auto owned = std::make_unique<TestForm>();
    TestForm& shown = *owned;
    fw::App().AdoptForm(std::move(owned));
    TestForm dialog(450);
    dialog.Create();
    shown.Show();  // one of the application's windows: the application window shows too
    ASSERT_TRUE(IsWindowVisible(fw::App().Handle()));
    std::vector<std::string> log;
    fw::PopupMenu menu;
    fw::MenuItem& posted = menu.Add("A1", "甲 &A", -1, 0, [&] { log.push_back("A1"); });
    menu.Add("B1", "乙 &B", -1, 0, [&] { log.push_back("B1"); });
    menu.OnPopup = [&] { PostMessageA(fw::App().Handle(), WM_CHAR, 'b', 1); };  // its access letter
    fw::Timer steps;
    int tick = 0;
    steps.SetInterval(30);
    steps.OnTimer = [&] {
        steps.SetEnabled(false);
        if (++tick == 1) {
            log.push_back(IsWindowEnabled(fw::App().Handle()) ? "application enabled" : "application disabled");
            log.push_back(IsWindowEnabled(shown.Handle()) ? "window enabled" : "window disabled");
            PostMessageA(fw::App().Handle(), WM_COMMAND, posted.command, 0);
        } else if (tick == 2) {
            menu.Popup(300, 300);
        } else {
            dialog.Close();
        }
        steps.SetEnabled(tick < 3);
    };
    steps.SetEnabled(true);
    dialog.ShowModal();
    EXPECT_EQ(log, (std::vector<std::string>{"application enabled", "window disabled", "A1", "B1"}));
    EXPECT_TRUE(IsWindowEnabled(shown.Handle()));
    shown.Hide();
}

}  // namespace
