// The flat title bar: where it may be placed, how every bar on a form sees the
// form's activation changes before the form does, its pixels, and the drag.
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "flat/TFlatTitlebarUnit.h"
#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

using flat::TFlatTitlebar;

namespace {

const char kPlacementError[] = "TFlatTitlebar can only be placed on a descndant of a TCustomForm";

// A form that logs the activation messages reaching its own window procedure.
class LoggingForm : public fw::Form {
public:
    explicit LoggingForm(std::vector<std::string>* log = nullptr) : log_(log) {
        SetBounds(300, 200, 200, 100);
    }
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_ACTIVATE && log_) log_->push_back("form " + std::to_string(wp));
        if (msg == WM_MOVE)
            moves.push_back(std::to_string(GET_X_LPARAM(lp)) + "," + std::to_string(GET_Y_LPARAM(lp)));
        return fw::Form::WndProc(msg, wp, lp);
    }
    std::vector<std::string> moves;  // places of the window, in order

private:
    std::vector<std::string>* log_;
};

// A windowless child of the bar (as the close button is), logging its mouse.
class Child : public fw::Control {
public:
    explicit Child(fw::WinControl* parent) : fw::Control(parent) {
        OnMouseDown = [this](const fw::MouseEvent& e) { Log("down", e); };
        OnMouseMove = [this](const fw::MouseEvent& e) { Log("move", e); };
        OnMouseUp = [this](const fw::MouseEvent& e) { Log("up", e); };
    }
    std::vector<std::string> mouse;

private:
    void Log(const char* what, const fw::MouseEvent& e) {
        mouse.push_back(std::string(what) + " " + std::to_string(e.x) + "," + std::to_string(e.y));
    }
};

void Activation(fw::Form& form, WPARAM wp) { SendMessageA(form.Handle(), WM_ACTIVATE, wp, 0); }

class Titlebar : public testapp::AppTest {
protected:
    // Makes a window the active one; other programs on the shared desktop may
    // take the activation for a moment, so it is asked again for up to 2 s.
    static bool Foreground(HWND h) {
        for (int i = 0; i < 20; ++i) {
            if (GetForegroundWindow() != h) SetForegroundWindow(h);
            Pump();
            if (GetForegroundWindow() == h) return true;
        }
        return false;
    }
};

TEST_F(Titlebar, OnlyAFormOrNoParentHoldsIt) {
    LoggingForm home, other;
    fw::CustomControl panel(&home);
    TFlatTitlebar bar(&home), otherBar(&home);
    ASSERT_EQ(bar.HostForm(), &home);

    struct Case {
        const char* what;
        fw::WinControl* parent;
        bool accepted;
    };
    for (const Case& c : {Case{"a control on a form", &panel, false},
                          Case{"another title bar", &otherBar, false},
                          Case{"another form", &other, true},
                          Case{"no parent", nullptr, true}}) {
        SCOPED_TRACE(c.what);
        bar.SetParent(&home);
        try {
            bar.SetParent(c.parent);
            EXPECT_TRUE(c.accepted);
            EXPECT_EQ(bar.Parent(), c.parent);
            EXPECT_EQ(bar.HostForm(), c.parent);
        } catch (const fw::InvalidOperation& e) {
            EXPECT_FALSE(c.accepted);
            EXPECT_EQ(std::string(e.what()), kPlacementError);
            EXPECT_EQ(bar.Parent(), &home);
            EXPECT_EQ(bar.HostForm(), &home);
            EXPECT_TRUE(c.parent->Controls().empty());
        }
    }

    // Made with a parent: the same check.
    try {
        TFlatTitlebar onPanel(&panel);
        ADD_FAILURE() << "a bar was made on a control";
    } catch (const fw::InvalidOperation& e) {
        EXPECT_EQ(std::string(e.what()), kPlacementError);
    }
    EXPECT_TRUE(panel.Controls().empty());
}

TEST_F(Titlebar, EveryBarSeesEachActivationChangeBeforeItsForm) {
    std::vector<std::string> log;
    LoggingForm form(&log);
    std::unique_ptr<TFlatTitlebar> bars[4];
    for (int i = 0; i < 4; ++i) {
        bars[i] = std::make_unique<TFlatTitlebar>(&form);
        const std::string n = std::to_string(i + 1);
        bars[i]->OnActivate = [&log, n] { log.push_back(n + " on"); };
        bars[i]->OnDeactivate = [&log, n] { log.push_back(n + " off"); };
    }
    form.Create();
    TFlatTitlebar late(&form);  // placed by code after the form was loaded
    late.OnActivate = [&log] { log.push_back("late on"); };

    // The system's own activation of the window reaches the bars.
    LoggingForm elsewhere;
    elsewhere.SetBounds(600, 500, 50, 50);
    elsewhere.Create();
    form.Show();
    elsewhere.Show();
    for (HWND active : {form.Handle(), elsewhere.Handle(), form.Handle()}) {
        ASSERT_TRUE(Foreground(active));
        for (auto& bar : bars) EXPECT_EQ(bar->IsActive(), active == form.Handle());
    }
    EXPECT_FALSE(late.IsActive());

    // Sent while the form is the active window (its own handling of an
    // activation then changes nothing): the last installed bar first, the
    // form's own handling last.
    struct Case {
        WPARAM wp;
        std::vector<std::string> expected;
        bool active;
    };
    const auto all = [](const char* what, WPARAM wp) {
        std::vector<std::string> v;
        for (int n = 4; n >= 1; --n) v.push_back(std::to_string(n) + " " + what);
        v.push_back("form " + std::to_string(wp));
        return v;
    };
    const Case cases[] = {
        {WA_ACTIVE, all("on", WA_ACTIVE), true},
        {WA_INACTIVE, all("off", WA_INACTIVE), false},
        {WA_CLICKACTIVE, all("on", WA_CLICKACTIVE), true},
        {MAKEWPARAM(3, 0), {"form 3"}, true},  // no activation state: nothing changes
        // The high word (minimised) does not count.
        {MAKEWPARAM(WA_INACTIVE, 1), all("off", MAKEWPARAM(WA_INACTIVE, 1)), false},
        {MAKEWPARAM(WA_ACTIVE, 1), all("on", MAKEWPARAM(WA_ACTIVE, 1)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wp);
        ASSERT_TRUE(Foreground(form.Handle()));
        log.clear();
        Activation(form, c.wp);
        EXPECT_EQ(log, c.expected);
        for (auto& bar : bars) EXPECT_EQ(bar->IsActive(), c.active);
        EXPECT_FALSE(late.IsActive());
    }

    // Removed newest first, each bar takes its hook along; the rest go on.
    for (int gone = 4; gone >= 1; --gone) {
        bars[gone - 1].reset();
        log.clear();
        Activation(form, WA_INACTIVE);
        std::vector<std::string> expected;
        for (int n = gone - 1; n >= 1; --n) expected.push_back(std::to_string(n) + " off");
        expected.push_back("form 0");
        EXPECT_EQ(log, expected);
    }
    form.Hide();
    elsewhere.Hide();
}

TEST_F(Titlebar, FillsAndCentresItsCaptionInTheActivationColour) {
    LoggingForm form;
    form.SetBounds(300, 200, 400, 100);
    TFlatTitlebar bar(&form);
    bar.ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 16;
        f.style.bold = true;
        f.color = fw::clRed;  // never seen: the text takes the bar's colours
    });
    bar.SetTitlebarColor(fw::clBackground);
    bar.SetInactiveTextColor(8559266);
    form.Create();

    const COLORREF fill = GetSysColor(COLOR_BACKGROUND);
    struct Case {
        const char* what;
        std::string caption;
        int width, height;
        WPARAM activation;
        COLORREF text;
        bool widerThanBar;
    };
    const Case cases[] = {
        {"inactive", "Quelvo1.0版", 262, 41, WA_INACTIVE, RGB(0xA2, 0x9A, 0x82), false},
        {"active", "Quelvo1.0版", 262, 41, WA_ACTIVE, RGB(255, 255, 255), false},
        {"odd sizes", "Quelvo", 101, 20, WA_CLICKACTIVE, RGB(255, 255, 255), false},
        {"wider than the bar", "Quelvo1.0版 Quelvo1.0版", 60, 19, WA_INACTIVE,
         RGB(0xA2, 0x9A, 0x82), true},
        {"no caption", "", 100, 19, WA_ACTIVE, RGB(255, 255, 255), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bar.SetBounds(0, 0, c.width, c.height);
        bar.SetCaption(c.caption);
        Activation(form, c.activation);

        testgdi::Surface got(c.width, c.height);
        got.PrintOf(bar.Handle());

        // The same picture drawn directly: fill, then the caption at
        // (width div 2 - w div 2, height div 2 - h div 2) on the fill colour.
        testgdi::Surface want(c.width, c.height, fill);
        HGDIOBJ oldFont = SelectObject(want.Dc(), bar.GetFont().Handle());
        SIZE extent{};
        GetTextExtentPoint32A(want.Dc(), c.caption.c_str(), static_cast<int>(c.caption.size()), &extent);
        const int x = c.width / 2 - extent.cx / 2, y = c.height / 2 - extent.cy / 2;
        SetTextColor(want.Dc(), c.text);
        SetBkColor(want.Dc(), fill);
        SetBkMode(want.Dc(), OPAQUE);
        TextOutA(want.Dc(), x, y, c.caption.c_str(), static_cast<int>(c.caption.size()));
        SelectObject(want.Dc(), oldFont);
        EXPECT_EQ(x < 0, c.widerThanBar) << "x " << x;

        int differ = 0;
        for (int py = 0; py < c.height; ++py)
            for (int px = 0; px < c.width; ++px) differ += got.Bits(px, py) != want.Bits(px, py);
        EXPECT_EQ(differ, 0);
        EXPECT_EQ(got.Bits(0, 0), testgdi::DibRgb(fill));
        EXPECT_EQ(got.Bits(c.width - 1, c.height - 1), testgdi::DibRgb(fill));
        EXPECT_EQ(got.Count(c.text) > 0, !c.caption.empty());
        EXPECT_EQ(got.Count(RGB(255, 0, 0)), 0);
    }
}

TEST_F(Titlebar, LeftDragMovesTheFormAndAnyReleaseEndsIt) {
    LoggingForm form;
    TFlatTitlebar bar(&form);
    bar.SetAlign(fw::Align::Top);
    bar.SetBounds(0, 0, 200, 30);
    Child button(&bar);
    button.SetBounds(150, 5, 20, 20);
    int raised = 0;
    bar.OnMouseDown = bar.OnMouseMove = bar.OnMouseUp = [&](const fw::MouseEvent&) { ++raised; };
    bar.OnDblClick = [&] { ++raised; };
    LoggingForm other;
    other.Create();
    form.Create();
    form.Show();
    HWND h = bar.Handle();
    form.moves.clear();

    struct Step {
        const char* what;
        UINT msg;
        WPARAM keys;
        int x, y;
        int left, top;  // the form afterwards
    };
    const Step steps[] = {
        {"left press", WM_LBUTTONDOWN, MK_LBUTTON, 10, 5, 300, 200},
        {"drag", WM_MOUSEMOVE, MK_LBUTTON, 30, 12, 320, 207},
        {"pointer back at the origin", WM_MOUSEMOVE, MK_LBUTTON, 10, 5, 320, 207},
        {"outside the bar", WM_MOUSEMOVE, MK_LBUTTON, -15, 45, 295, 247},
        {"left release", WM_LBUTTONUP, 0, 10, 5, 295, 247},
        {"move with no button", WM_MOUSEMOVE, 0, 40, 20, 295, 247},
        {"right press", WM_RBUTTONDOWN, MK_RBUTTON, 40, 8, 295, 247},
        {"right drag", WM_MOUSEMOVE, MK_RBUTTON, 60, 9, 295, 247},
        {"right release", WM_RBUTTONUP, 0, 60, 9, 295, 247},
        {"left press again", WM_LBUTTONDOWN, MK_LBUTTON, 10, 5, 295, 247},
        {"right press in the drag", WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 15, 6, 295, 247},
        {"drag from the right press", WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 25, 10, 305, 251},
        {"right release in the drag", WM_RBUTTONUP, MK_LBUTTON, 15, 6, 305, 251},
        {"left still held", WM_MOUSEMOVE, MK_LBUTTON, 40, 20, 305, 251},
        {"left release", WM_LBUTTONUP, 0, 40, 20, 305, 251},
        {"double click", WM_LBUTTONDBLCLK, MK_LBUTTON, 10, 5, 305, 251},
        {"drag after it", WM_MOUSEMOVE, MK_LBUTTON, 12, 8, 307, 254},
        {"release", WM_LBUTTONUP, 0, 12, 8, 307, 254},
        {"left press, once more", WM_LBUTTONDOWN, MK_LBUTTON, 10, 5, 307, 254},
        {"right press with it", WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 10, 5, 307, 254},
        {"left released first", WM_LBUTTONUP, MK_RBUTTON, 10, 5, 307, 254},
        {"right still held", WM_MOUSEMOVE, MK_RBUTTON, 30, 15, 307, 254},
        {"right released", WM_RBUTTONUP, 0, 30, 15, 307, 254},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        SendMessageA(h, s.msg, s.keys, MAKELPARAM(s.x, s.y));
        EXPECT_EQ(form.Left(), s.left);
        EXPECT_EQ(form.Top(), s.top);
        RECT r;
        GetWindowRect(form.Handle(), &r);
        EXPECT_EQ(r.left, s.left);
        EXPECT_EQ(r.top, s.top);
    }
    // Each drag step moves across first, then down.
    EXPECT_EQ(form.moves, (std::vector<std::string>{"320,200", "320,207", "295,207", "295,247",
                                                    "305,247", "305,251", "307,251", "307,254"}));

    // The capture taken by another window ends the drag: the release will
    // never come here.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    EXPECT_EQ(GetCapture(), h);
    SetCapture(other.Handle());
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 15));
    EXPECT_EQ(form.Left(), 307);
    EXPECT_EQ(form.Top(), 254);
    ReleaseCapture();

    // A press on the windowless child is the child's: it gets the mouse, the
    // form stays.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(155, 10));
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(175, 20));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(175, 20));
    EXPECT_EQ(button.mouse, (std::vector<std::string>{"down 5,5", "move 25,15", "up 25,15"}));
    EXPECT_EQ(form.Left(), 307);
    EXPECT_EQ(form.Top(), 254);
    EXPECT_EQ(GetCapture(), nullptr);

    // The published mouse events stay silent and stay assigned.
    EXPECT_EQ(raised, 0);
    EXPECT_TRUE(bar.OnMouseDown && bar.OnMouseMove && bar.OnMouseUp && bar.OnDblClick);
    form.Hide();
}

}  // namespace
