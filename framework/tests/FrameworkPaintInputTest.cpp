// The framework's painting into given DCs, synchronous repaints, mouse
// capture, right-click menus, the loaded step and nested dialog characters.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdControls.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A windowless control that fills itself with one colour and logs its steps.
class Swatch : public fw::Control {
public:
    Swatch(fw::WinControl* parent, fw::Color c, std::vector<std::string>* log = nullptr,
           std::string tag = {})
        : fw::Control(parent), fill(c), log_(log), tag_(std::move(tag)) {}
    fw::Color fill;
    int paints = 0;
    char letter = 0;
    int taken = 0;
    void Loaded() override {
        if (log_) log_->push_back("loaded " + tag_);
    }
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == fw::notify::DialogChar && letter && static_cast<char>(wp) == letter) {
            ++taken;
            return 1;
        }
        return fw::Control::WndProc(msg, wp, lp);
    }

protected:
    void Paint(fw::Canvas& canvas) override {
        ++paints;
        canvas.brush.color = fill;
        canvas.FillRect(ClientRect());
    }

private:
    std::vector<std::string>* log_;
    std::string tag_;
};

// A windowed control painting one colour, counting paints and mouse events.
class Panel : public fw::CustomControl {
public:
    explicit Panel(fw::WinControl* parent, fw::Color c = fw::clBlue) : fw::CustomControl(parent) {
        SetColor(c);
    }
    int paints = 0;
    std::vector<std::string> mouse;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_MOUSEMOVE) mouse.push_back("move");
        if (msg == WM_LBUTTONDOWN) mouse.push_back("down");
        if (msg == WM_LBUTTONUP) mouse.push_back("up");
        return fw::CustomControl::WndProc(msg, wp, lp);
    }

protected:
    void Paint(fw::Canvas&) override { ++paints; }
};

class CountingForm : public fw::Form {
public:
    CountingForm() {
        SetBounds(700, 500, 200, 150);
        SetColor(fw::clRed);
    }
    int paints = 0;

protected:
    void Paint(fw::Canvas&) override { ++paints; }
};

class FrameworkPaintInput : public testapp::AppTest {};

TEST_F(FrameworkPaintInput, RepaintPaintsAWindowAtOnce) {
    CountingForm form;
    Panel panel(&form);
    panel.SetBounds(10, 10, 50, 40);
    form.Create();
    form.Show();
    Pump();
    const int formBefore = form.paints, panelBefore = panel.paints;
    form.Repaint();  // no message loop in between
    EXPECT_EQ(form.paints, formBefore + 1);
    panel.Repaint();
    EXPECT_EQ(panel.paints, panelBefore + 1);
    form.Hide();
}

TEST_F(FrameworkPaintInput, ASystemRepaintCopiesTheKeptPictureAndAChangeDrawsAgain) {
    CountingForm form;
    Swatch swatch(&form, fw::clLime);
    swatch.SetBounds(20, 30, 10, 10);
    form.Create();
    form.Show();
    Pump();
    const int before = form.paints, swatchBefore = swatch.paints;
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // as when uncovered
    EXPECT_EQ(form.paints, before);
    swatch.fill = fw::clBlue;
    swatch.Repaint();  // a windowless child's change draws its window again
    EXPECT_EQ(form.paints, before + 1);
    EXPECT_EQ(swatch.paints, swatchBefore + 1);
    testgdi::Surface s(200, 150);
    SendMessageA(form.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
    EXPECT_EQ(s.At(25, 35), RGB(0, 0, 255));
    form.SetBounds(form.Left(), form.Top(), 220, 150);  // a new size draws again
    SendMessageA(form.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
    EXPECT_EQ(form.paints, before + 2);
    form.Hide();
}

TEST_F(FrameworkPaintInput, PaintsIntoTheDcItIsGiven) {
    CountingForm form;
    Swatch swatch(&form, fw::clLime);
    swatch.SetBounds(20, 30, 10, 10);
    Panel panel(&form, fw::clBlue);
    panel.SetBounds(100, 50, 30, 20);
    form.Create();  // never shown: every message below paints a hidden window

    struct Case {
        const char* what;
        UINT msg;
        LPARAM flags;
        bool children;
    };
    for (const Case& c : {Case{"WM_PRINTCLIENT", WM_PRINTCLIENT, PRF_CLIENT, false},
                          Case{"WM_PAINT with a DC", WM_PAINT, 0, false},
                          Case{"WM_PRINT client and children", WM_PRINT, PRF_CLIENT | PRF_CHILDREN, true}}) {
        SCOPED_TRACE(c.what);
        testgdi::Surface s(200, 150, kWhite);
        SendMessageA(form.Handle(), c.msg, reinterpret_cast<WPARAM>(s.Dc()), c.flags);
        EXPECT_EQ(s.At(5, 5), RGB(255, 0, 0));     // the form's colour
        EXPECT_EQ(s.At(25, 35), RGB(0, 255, 0));   // its windowless child
        EXPECT_EQ(s.At(110, 60), c.children ? RGB(0, 0, 255) : RGB(255, 0, 0));
    }

    // A child's background request: the parent paints, shifted, into the child's DC.
    testgdi::Surface s(30, 20, kWhite);
    const int saved = SaveDC(s.Dc());
    SetViewportOrgEx(s.Dc(), -15, -25, nullptr);
    IntersectClipRect(s.Dc(), 0, 0, 200, 150);
    SendMessageA(form.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(s.Dc()), 0);
    RestoreDC(s.Dc(), saved);
    EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(s.At(5, 5), RGB(0, 255, 0));   // (20, 30) of the form
    EXPECT_EQ(s.At(29, 19), RGB(255, 0, 0));
}

TEST_F(FrameworkPaintInput, APrintedWindowShowsEachChangeOfItsChildWindows) {
    CountingForm form;
    Panel panel(&form, fw::clBlue);
    panel.SetBounds(10, 10, 60, 40);
    Swatch inner(&panel, fw::clLime);
    inner.SetBounds(5, 5, 10, 10);
    Panel other(&form, fw::clNavy);
    other.SetBounds(120, 90, 30, 30);
    form.Create();
    form.Show();
    Pump();
    const auto printed = [&] {
        testgdi::Surface s(200, 150, kWhite);
        SendMessageA(form.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT | PRF_CHILDREN);
        return std::vector<COLORREF>{s.At(5, 5), s.At(30, 40), s.At(17, 17), s.At(95, 25), s.At(130, 100)};
    };
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), navy = RGB(0, 0, 128);
    struct Step {
        const char* what;
        std::function<void()> change;
        std::vector<COLORREF> expected;  // form, panel, inner, panel's new place, other
        bool drawsNothing = false;       // one copy of what was printed
    } steps[] = {
        {"as shown", [] {}, {red, blue, RGB(0, 255, 0), red, navy}},
        {"printed again", [] {}, {red, blue, RGB(0, 255, 0), red, navy}, true},
        {"a windowless grandchild changed", [&] { inner.fill = fw::clYellow; inner.Invalidate(); },
         {red, blue, RGB(255, 255, 0), red, navy}},
        {"a child window moved", [&] { panel.SetBounds(80, 10, 60, 40); }, {red, red, red, blue, navy}},
        {"a child window hidden", [&] { panel.SetVisible(false); }, {red, red, red, red, navy}},
        {"the window's own colour", [&] { form.SetColor(fw::clGreen); },
         {RGB(0, 128, 0), RGB(0, 128, 0), RGB(0, 128, 0), RGB(0, 128, 0), navy}},
    };
    for (Step& step : steps) {
        SCOPED_TRACE(step.what);
        const int paintsBefore = form.paints + panel.paints + inner.paints + other.paints;
        step.change();
        EXPECT_EQ(printed(), step.expected);
        if (step.drawsNothing) {
            EXPECT_EQ(form.paints + panel.paints + inner.paints + other.paints, paintsBefore);
        }
    }
    form.Hide();
}

TEST_F(FrameworkPaintInput, AWindowKeepsTheMouseWhileItsOwnPressIsHeld) {
    CountingForm form;
    Panel panel(&form);
    panel.SetBounds(10, 10, 100, 60);
    Swatch inner(&panel, fw::clLime);
    inner.SetBounds(50, 0, 20, 20);
    std::vector<std::string> innerMouse;
    inner.OnMouseMove = [&](const fw::MouseEvent&) { innerMouse.push_back("move"); };
    form.Create();
    form.Show();
    HWND h = panel.Handle();
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(GetCapture(), h);
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(55, 5));  // over the windowless child
    SendMessageA(h, WM_RBUTTONUP, MK_LBUTTON, MAKELPARAM(55, 5));  // another button: still held
    EXPECT_EQ(GetCapture(), h);
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(panel.mouse, (std::vector<std::string>{"down", "move", "up"}));
    EXPECT_TRUE(innerMouse.empty());

    // A capture lost to another window ends the press.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SetCapture(form.Handle());
    ReleaseCapture();
    SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(55, 5));
    EXPECT_EQ(innerMouse.size(), 1u);
    form.Hide();
}

TEST_F(FrameworkPaintInput, ControlsCanTurnOffTheFrameworksClicks) {
    CountingForm form;
    Swatch a(&form, fw::clLime), b(&form, fw::clLime);
    a.SetBounds(0, 0, 20, 20);
    b.SetBounds(40, 0, 20, 20);
    b.clickEvents = false;
    int clicksA = 0, clicksB = 0;
    a.OnClick = [&] { ++clicksA; };
    b.OnClick = [&] { ++clicksB; };
    form.Create();
    for (int x : {5, 45}) {
        SendMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
        SendMessageA(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    }
    EXPECT_EQ(clicksA, 1);
    EXPECT_EQ(clicksB, 0);
}

TEST_F(FrameworkPaintInput, TheDeepestControlAtAScreenPointCountsDisabledOnes) {
    CountingForm form;
    Panel panel(&form);
    panel.SetBounds(10, 10, 100, 60);
    Swatch inner(&panel, fw::clLime);
    inner.SetBounds(50, 0, 20, 20);
    Panel off(&form);
    off.SetBounds(10, 100, 50, 30);
    form.Create();
    form.Show();
    inner.SetEnabled(false);
    off.SetEnabled(false);
    const int x = form.Left(), y = form.Top();
    EXPECT_EQ(fw::ControlAtScreenPoint(POINT{x + 65, y + 15}), &inner);
    EXPECT_EQ(fw::ControlAtScreenPoint(POINT{x + 15, y + 15}), &panel);
    EXPECT_EQ(fw::ControlAtScreenPoint(POINT{x + 15, y + 110}), &off);
    EXPECT_EQ(fw::ControlAtScreenPoint(POINT{x + 150, y + 15}), &form);
    EXPECT_EQ(fw::ControlAtScreenPoint(POINT{x + 150, y + 400}), nullptr);
    form.Hide();
}

TEST_F(FrameworkPaintInput, LoadedRunsInOrderBeforeCreationAndHooksChainNewestFirst) {
    std::vector<std::string> log;
    CountingForm form;
    Swatch first(&form, fw::clLime, &log, "first");
    Panel panel(&form);
    Swatch nested(&panel, fw::clLime, &log, "nested");
    Swatch last(&form, fw::clLime, &log, "last");
    form.OnCreate = [&] { log.push_back("create"); };
    const int older = form.AddHook([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
        if (msg == WM_APP) log.push_back("older hook");
        return false;
    });
    form.AddHook([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
        if (msg == WM_APP) log.push_back("newer hook");
        return false;
    });
    form.Create();
    SendMessageA(form.Handle(), WM_APP, 0, 0);
    form.RemoveHook(older);
    SendMessageA(form.Handle(), WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"loaded first", "loaded nested", "loaded last", "create",
                                             "newer hook", "older hook", "newer hook"}));
}

TEST_F(FrameworkPaintInput, DialogCharactersReachNestedControls) {
    CountingForm form;
    Panel panel(&form);
    Swatch nested(&panel, fw::clLime);
    nested.letter = 'x';
    form.Create();
    SendMessageA(form.Handle(), WM_CHAR, 'x', 0);
    EXPECT_EQ(nested.taken, 1);
}

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(FrameworkPaintInput, ARightClickOpensTheNearestMenuUpTheParentChain) {
    fw::PopupMenu formMenu, ownMenu;
    formMenu.Add("A1", "甲 &A", -1, 0);
    ownMenu.Add("B1", "乙 &B", -1, 0);
    std::vector<std::string> opened;
    formMenu.OnPopup = [&] {
        opened.push_back("form");
        SetTimer(nullptr, 0, 30, CloseMenu);
    };
    ownMenu.OnPopup = [&] {
        opened.push_back("own");
        SetTimer(nullptr, 0, 30, CloseMenu);
    };
    CountingForm form;
    form.popupMenu = &formMenu;
    Swatch plain(&form, fw::clLime), withMenu(&form, fw::clLime);
    plain.SetBounds(0, 0, 20, 20);
    withMenu.SetBounds(40, 0, 20, 20);
    withMenu.popupMenu = &ownMenu;
    form.Create();
    form.Show();
    for (int x : {5, 45}) {
        SendMessageA(form.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, 5));
        SendMessageA(form.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(x, 5));
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"form", "own"}));
    form.Hide();
}

}  // namespace

namespace {

TEST(FontSharing, CopiesShareOneGdiFontAndAnEditMakesItsOwn) {
    fw::Font a;
    a.name = "Arial";
    a.height = 16;
    fw::Font b = a;
    EXPECT_EQ(a.Handle(), b.Handle());
    fw::Font c;
    c.name = "Arial";
    c.height = 16;
    EXPECT_EQ(c.Handle(), a.Handle());  // the same description, made once
    HFONT shared = a.Handle();
    b.style.bold = true;
    b.Changed();
    EXPECT_NE(b.Handle(), shared);
    EXPECT_EQ(a.Handle(), shared);
    LOGFONTA lf{};
    ASSERT_NE(GetObjectA(b.Handle(), sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -16);
}

}  // namespace
