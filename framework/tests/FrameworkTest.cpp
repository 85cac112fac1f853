// The window framework on real windows and messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/ComboBox.h"
#include "framework/Forms.h"
#include "framework/StdControls.h"
#include "framework/Timer.h"

namespace {

struct BoxRecord {
    HWND owner;
    std::string text, caption;
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::App().Initialize();
        fw::App().SetTitle("Quelvo");
        boxes.clear();
        fw::App().errorBox = [this](HWND owner, const std::string& text, const std::string& caption) {
            boxes.push_back({owner, text, caption});
        };
    }
    void TearDown() override { fw::App().errorBox = nullptr; }

    // Runs the loop until `done` or the time is up.
    template <class Pred>
    bool PumpUntil(Pred done, DWORD ms = 3000) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > ms) return false;
            fw::App().ProcessMessages();
            Sleep(5);
        }
        return true;
    }

    std::vector<BoxRecord> boxes;
};

// A form whose handlers can be made to throw.
class ProbeForm : public fw::Form {
public:
    ProbeForm() { SetBounds(100, 100, 200, 150); }
    std::vector<std::string> log;
    bool throwOnCommand = false;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_APP + 1) {
            log.push_back("message " + std::to_string(wp));
            if (throwOnCommand) throw fw::RegistryError("从 'Key_Value' 获得数据失败");
            log.push_back("after throw point");
            return 0;
        }
        return fw::Form::WndProc(msg, wp, lp);
    }
};

class ThrowingCreateForm : public fw::Form {
public:
    ThrowingCreateForm() {
        OnCreate = [this] {
            steps.push_back("first");
            throw fw::PictureError("不能打开文件 C:\\missing.bmp");
        };
    }
    std::vector<std::string> steps;
};

TEST_F(FrameworkTest, ErrorInAHandlerShowsTheBoxAndTheLoopGoesOn) {
    auto form = std::make_unique<ProbeForm>();
    form->Create();
    form->throwOnCommand = true;
    PostMessageA(form->Handle(), WM_APP + 1, 1, 0);
    PostMessageA(form->Handle(), WM_APP + 1, 2, 0);
    ASSERT_TRUE(PumpUntil([&] { return form->log.size() >= 2; }));
    EXPECT_EQ(form->log, (std::vector<std::string>{"message 1", "message 2"}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "从 'Key_Value' 获得数据失败.");
    EXPECT_EQ(boxes[0].caption, "Quelvo");
    EXPECT_EQ(boxes[0].owner, fw::App().Handle());
}

TEST_F(FrameworkTest, ErrorInCreationHandlerSkipsTheRestButTheWindowExists) {
    auto form = std::make_unique<ThrowingCreateForm>();
    form->Create();
    EXPECT_TRUE(IsWindow(form->HandleIfAllocated()));
    EXPECT_FALSE(IsWindowVisible(form->HandleIfAllocated()));
    EXPECT_EQ(form->steps, std::vector<std::string>{"first"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "不能打开文件 C:\\missing.bmp.");
}

TEST_F(FrameworkTest, ShowingModallyAWindowAlreadyShownRaises) {
    auto form = std::make_unique<ProbeForm>();
    form->Create();
    form->Show();
    try {
        form->ShowModal();
        FAIL() << "no error";
    } catch (const fw::InvalidOperation& e) {
        EXPECT_EQ(e.Message(), "无法使不可见窗口成为模态");
    }
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(form->IsModal());
    form->Hide();
}

TEST_F(FrameworkTest, ModalLoopDisablesOtherWindowsUntilClosed) {
    auto other = std::make_unique<ProbeForm>();
    other->Create();
    other->Show();
    auto dialog = std::make_unique<ProbeForm>();
    dialog->Create();
    bool otherWasEnabled = true;
    fw::Timer closer;
    closer.SetInterval(50);
    closer.OnTimer = [&] {
        otherWasEnabled = IsWindowEnabled(other->Handle()) != FALSE;
        closer.SetEnabled(false);
        dialog->Close();
    };
    closer.SetEnabled(true);
    const int result = dialog->ShowModal();
    EXPECT_EQ(result, fw::mrCancel);
    EXPECT_FALSE(otherWasEnabled);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
    other->Hide();
}

TEST_F(FrameworkTest, CloseHidesAFormThatIsNotTheMainWindow) {
    auto form = std::make_unique<ProbeForm>();
    form->Create();
    std::vector<std::string> hooks;
    form->OnShow = [&] { hooks.push_back("show"); };
    form->OnHide = [&] { hooks.push_back("hide"); };
    form->OnClose = [&](fw::CloseAction& a) {
        hooks.push_back(a == fw::CloseAction::Hide ? "close:hide" : "close:other");
    };
    form->Show();
    form->Show();  // already visible: no second show hook
    form->Close();
    EXPECT_EQ(hooks, (std::vector<std::string>{"show", "close:hide", "hide"}));
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(IsWindow(form->Handle()));
    EXPECT_FALSE(fw::App().Terminated());
}

TEST_F(FrameworkTest, TaskbarEntryIsPresentExactlyWhileAWindowIsVisible) {
    auto owned = std::make_unique<ProbeForm>();
    ProbeForm* a = owned.get();
    fw::App().AdoptForm(std::move(owned));
    owned = std::make_unique<ProbeForm>();
    ProbeForm* b = owned.get();
    fw::App().AdoptForm(std::move(owned));
    HWND entry = fw::App().Handle();
    EXPECT_EQ(GetWindow(a->Handle(), GW_OWNER), entry);  // no entries of their own
    EXPECT_FALSE(IsWindowVisible(entry));
    a->Show();
    EXPECT_TRUE(IsWindowVisible(entry));
    b->Show();
    a->Hide();
    EXPECT_TRUE(IsWindowVisible(entry));
    b->Close();
    EXPECT_FALSE(IsWindowVisible(entry));
    char title[32] = {};
    GetWindowTextA(entry, title, sizeof title);
    EXPECT_STREQ(title, "Quelvo");
}

TEST_F(FrameworkTest, DockedChildrenFollowTheParent) {
    auto form = std::make_unique<ProbeForm>();
    form->SetBounds(0, 0, 262, 193);
    fw::Bevel top(form.get()), left(form.get()), right(form.get()), bottom(form.get()),
        fill(form.get());
    top.SetBounds(0, 0, 10, 41);
    top.SetAlign(fw::Align::Top);
    left.SetBounds(0, 0, 13, 10);
    left.SetAlign(fw::Align::Left);
    right.SetBounds(0, 0, 14, 10);
    right.SetAlign(fw::Align::Right);
    bottom.SetBounds(0, 0, 10, 13);
    bottom.SetAlign(fw::Align::Bottom);
    fill.SetAlign(fw::Align::Client);
    EXPECT_EQ(top.BoundsRect(), fw::Bounds(0, 0, 262, 41));
    EXPECT_EQ(left.BoundsRect(), fw::Bounds(0, 41, 13, 139));
    EXPECT_EQ(right.BoundsRect(), fw::Bounds(248, 41, 14, 139));
    EXPECT_EQ(bottom.BoundsRect(), fw::Bounds(0, 180, 262, 13));
    EXPECT_EQ(fill.BoundsRect(), fw::Bounds(13, 41, 235, 139));
    form->SetBounds(0, 0, 300, 200);  // the parent grows: the docked children follow
    EXPECT_EQ(right.BoundsRect(), fw::Bounds(286, 41, 14, 146));
    EXPECT_EQ(fill.BoundsRect(), fw::Bounds(13, 41, 273, 146));
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// A child's window asked for before its form has one: the form's window is made
// first, with exactly one window for each child.
TEST_F(FrameworkTest, AChildAskedForFirstGetsOneWindow) {
    auto form = std::make_unique<ProbeForm>();
    fw::CustomControl a(form.get()), b(form.get());
    const HWND h = b.Handle();
    EXPECT_EQ(GetParent(h), form->Handle());
    EXPECT_EQ(a.Handle() != nullptr, true);
    int children = 0;
    EnumChildWindows(form->Handle(), CountChild, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children, 2);
}

TEST_F(FrameworkTest, SystemColoursResolveWhenDrawn) {
    EXPECT_EQ(fw::ColorToRGB(fw::clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(fw::ColorToRGB(fw::clBackground), GetSysColor(COLOR_BACKGROUND));
    EXPECT_EQ(fw::ColorToRGB(fw::clHighlight), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(fw::ColorToRGB(0x00C5D6D9), 0x00C5D6D9u);

    auto form = std::make_unique<ProbeForm>();
    form->SetColor(fw::clHighlight);
    form->Create();
    form->Show();
    UpdateWindow(form->Handle());
    HDC dc = GetDC(form->Handle());
    const COLORREF pixel = GetPixel(dc, 10, 10);
    ReleaseDC(form->Handle(), dc);
    form->Hide();
    EXPECT_EQ(pixel, GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(FrameworkTest, ParentFontAndColourPropagate) {
    auto form = std::make_unique<ProbeForm>();
    fw::Label inherits(form.get());
    fw::Label own(form.get());
    inherits.SetParentColor(true);
    own.ChangeFont([](fw::Font& f) { f.name = "黑体"; });
    form->ChangeFont([](fw::Font& f) {
        f.name = "幼圆";
        f.height = 15;
        f.style.bold = true;
    });
    form->SetColor(fw::clYellow);
    EXPECT_EQ(inherits.GetFont().name, "幼圆");
    EXPECT_EQ(inherits.GetFont().height, 15);
    EXPECT_TRUE(inherits.GetFont().style.bold);
    EXPECT_EQ(inherits.GetColor(), fw::clYellow);
    EXPECT_EQ(own.GetFont().name, "黑体");
    EXPECT_FALSE(own.ParentFont());
    own.SetParentFont(true);
    EXPECT_EQ(own.GetFont().name, "幼圆");
}

// Records the notifications a windowless control receives.
class NotifyProbe : public fw::Control {
public:
    using fw::Control::Control;
    std::vector<unsigned> got;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= 0xB000 && msg < 0xB100) got.push_back(msg);
        return fw::Control::WndProc(msg, wp, lp);
    }
};

TEST_F(FrameworkTest, NotificationsUseTheirMessageNumbers) {
    auto form = std::make_unique<ProbeForm>();
    NotifyProbe probe(form.get());
    probe.SetBounds(10, 10, 30, 30);
    probe.SetEnabled(false);
    probe.SetText("x");
    form->SetColor(fw::clRed);          // parent colour: not followed, still notified
    form->ChangeFont([](fw::Font& f) { f.height = 20; });
    EXPECT_EQ(probe.got, (std::vector<unsigned>{0xB00C, 0xB012, 0xB009, 0xB008, 0xB00E}));

    form->Create();
    form->Show();
    probe.SetEnabled(true);
    probe.got.clear();
    // The mouse moving onto and off the control.
    SendMessageA(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageA(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    form->Hide();
    EXPECT_EQ(probe.got, (std::vector<unsigned>{0xB013, 0xB014}));
}

// Takes its access letter as a dialog character.
class AccelProbe : public fw::Control {
public:
    using fw::Control::Control;
    char letter = 'x';
    int taken = 0;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == fw::notify::DialogChar && static_cast<char>(wp) == letter) {
            ++taken;
            return 1;
        }
        return fw::Control::WndProc(msg, wp, lp);
    }
};

TEST_F(FrameworkTest, CharactersReachChildrenAsDialogCharacters) {
    auto form = std::make_unique<ProbeForm>();
    AccelProbe first(form.get()), second(form.get());
    second.letter = 'q';
    form->Create();
    SendMessageA(form->Handle(), WM_SYSCHAR, 'q', 0);
    SendMessageA(form->Handle(), WM_CHAR, 'x', 0);
    SendMessageA(form->Handle(), WM_CHAR, 'z', 0);
    second.SetEnabled(false);
    SendMessageA(form->Handle(), WM_CHAR, 'q', 0);
    EXPECT_EQ(first.taken, 1);
    EXPECT_EQ(second.taken, 1);
    // From a focused native control: Alt with the letter, not the letter alone.
    fw::ComboBox list(form.get());
    list.SetItems({"xa", "xb"});
    list.SetStyle(fw::csDropDownList);
    SendMessageA(list.Handle(), WM_CHAR, 'x', 0);
    EXPECT_EQ(first.taken, 1);
    SendMessageA(list.Handle(), WM_SYSCHAR, 'x', 0);
    EXPECT_EQ(first.taken, 2);
}

TEST_F(FrameworkTest, WindowlessControlGetsClicks) {
    auto form = std::make_unique<ProbeForm>();
    fw::Label label(form.get());
    label.autoSize = false;
    label.SetBounds(10, 10, 50, 20);
    int clicks = 0;
    label.OnClick = [&] { ++clicks; };
    form->Create();
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(16, 16));
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 100));  // released outside
    EXPECT_EQ(clicks, 1);
}

// The pointer over a control with a cursor of its own shows it; elsewhere
// the window's class cursor stays.
TEST_F(FrameworkTest, ACursorOfItsOwnOverAWindowlessControl) {
    auto form = std::make_unique<ProbeForm>();
    form->SetBounds(300, 300, 200, 100);
    fw::Label link(form.get());
    link.autoSize = false;
    link.SetBounds(10, 10, 50, 20);
    link.cursor = IDC_HAND;
    form->Create();
    form->Show();
    const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    for (const auto& [x, y, shows] : {std::tuple{15, 15, true}, std::tuple{150, 60, false}}) {
        SetCursorPos(300 + x, 300 + y);
        SetCursor(nullptr);
        SendMessageA(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor() == hand, shows) << x << "," << y;
    }
}

TEST_F(FrameworkTest, TimerFiresUntilDisabledAndErrorsGoToTheBox) {
    fw::Timer timer;
    int ticks = 0;
    timer.SetInterval(20);
    timer.OnTimer = [&] {
        if (++ticks == 2) throw fw::Error("tick");
        if (ticks == 3) timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    PumpUntil([] { return false; }, 150);
    EXPECT_EQ(ticks, 3);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "tick.");
}

}  // namespace
