// The page control on the system tab control: tabs and pages in order, the
// shown page from code and from a click, a page's right click, page layout
// and page pixels.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdControls.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

const std::array<const char*, 4> kCaptions{"启动选项", "CD-ROM功能设置", "光驱开关设定", "CD-ROM性能选项"};

// A 280 x 203 window with a multi-line page control of four pages at 13, 37, 254 x 147.
class OptionsLikeForm : public fw::Form {
public:
    OptionsLikeForm() {
        SetBounds(300, 200, 280, 203);
        ChangeFont([](fw::Font& f) {
            f.name = "MS Sans Serif";
            f.height = 11;
        });
        pages.SetMultiLine(true);
        pages.SetBounds(13, 37, 254, 147);
        for (size_t i = 0; i < sheets.size(); ++i) sheets[i].SetCaption(kCaptions[i]);
    }
    fw::PageControl pages{this};
    std::array<fw::TabSheet, 4> sheets{fw::TabSheet(&pages), fw::TabSheet(&pages), fw::TabSheet(&pages),
                                       fw::TabSheet(&pages)};
};

std::vector<int> ShownPages(OptionsLikeForm& form) {
    std::vector<int> shown;
    for (int i = 0; i < 4; ++i)
        if (IsWindowVisible(form.sheets[static_cast<size_t>(i)].Handle())) shown.push_back(i);
    return shown;
}

class PageControlTest : public testapp::AppTest {};

TEST_F(PageControlTest, PagesAreTabsInOrderWithTheirCaptionsAndFillTheDisplayArea) {
    OptionsLikeForm form;
    form.Create();
    HWND tabs = form.pages.Handle();
    char className[32] = {};
    GetClassNameA(tabs, className, sizeof className);
    EXPECT_STREQ(className, "SysTabControl32");
    EXPECT_NE(GetWindowLongPtrA(tabs, GWL_STYLE) & TCS_MULTILINE, 0);
    ASSERT_EQ(form.pages.PageCount(), 4);
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(std::string(text), kCaptions[static_cast<size_t>(i)]);
        fw::TabSheet& sheet = form.sheets[static_cast<size_t>(i)];
        EXPECT_EQ(form.pages.Page(i), &sheet);
        EXPECT_EQ(sheet.PageIndex(), i);
        EXPECT_EQ(GetParent(sheet.Handle()), tabs);
        EXPECT_EQ(sheet.BoundsRect(), form.pages.DisplayRect());
    }
    const fw::Rect area = form.pages.DisplayRect();
    RECT client{};
    GetClientRect(form.sheets[3].Handle(), &client);
    RecordProperty("PageClientSize", std::to_string(client.right) + " x " + std::to_string(client.bottom));
    EXPECT_EQ(client.right, area.Width());
    EXPECT_EQ(client.bottom, area.Height());
    EXPECT_GE(SendMessageA(tabs, TCM_GETROWCOUNT, 0, 0), 2);  // the captions wrap

    // The tabs' text font is the control's, and follows the window's.
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(tabs, WM_GETFONT, 0, 0)), form.pages.GetFont().Handle());
    form.ChangeFont([](fw::Font& f) { f.height = 16; });
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(tabs, WM_GETFONT, 0, 0)), form.GetFont().Handle());
    EXPECT_GT(form.pages.DisplayRect().top, area.top);  // taller tabs, and the pages moved down with them
    EXPECT_EQ(form.sheets[0].BoundsRect(), form.pages.DisplayRect());
}

TEST_F(PageControlTest, CodeShowsAPageQuietlyAndAClickOnATabShowsItsPageAndTellsOnce) {
    OptionsLikeForm form;
    std::vector<std::vector<int>> changes;  // the pages shown at each OnChange
    form.pages.OnChange = [&] { changes.push_back(ShownPages(form)); };
    form.Create();
    form.Show();
    Pump();
    HWND tabs = form.pages.Handle();
    EXPECT_EQ(form.pages.ActivePage(), &form.sheets[0]);  // the first page made
    EXPECT_EQ(ShownPages(form), std::vector<int>{0});

    fw::CustomControl onPage(&form.sheets[0]);
    onPage.SetBounds(5, 5, 20, 20);
    SetFocus(onPage.Handle());
    form.pages.SetActivePage(&form.sheets[3]);
    EXPECT_EQ(GetFocus(), tabs);  // not left on the hidden page
    EXPECT_EQ(form.pages.ActivePage(), &form.sheets[3]);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(ShownPages(form), std::vector<int>{3});
    EXPECT_TRUE(changes.empty());

    RECT tab{};
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab)));
    const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(form.pages.ActivePage(), &form.sheets[1]);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(changes, std::vector<std::vector<int>>{{1}});  // once, with the page already shown
    form.Hide();
}

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(PageControlTest, ARightClickOnAPageWithoutAMenuOpensThePageControls) {
    fw::PopupMenu menu;
    menu.Add("Q1", "退出      &Q", -1, 0);
    int opened = 0;
    menu.OnPopup = [&] {
        ++opened;
        SetTimer(nullptr, 0, 30, CloseMenu);
    };
    OptionsLikeForm form;
    form.pages.popupMenu = &menu;
    form.Create();
    form.Show();
    HWND page = form.sheets[0].Handle();
    SendMessageA(page, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    SendMessageA(page, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(opened, 1);
    form.Hide();
}

TEST_F(PageControlTest, AClientAlignedImageFillsItsPageAfterAResize) {
    OptionsLikeForm form;
    fw::Image picture(&form.sheets[2]);
    picture.SetAlign(fw::Align::Client);
    form.Create();
    form.pages.SetActivePage(&form.sheets[2]);
    EXPECT_EQ(picture.BoundsRect(), form.sheets[2].ClientRect());
    form.pages.SetBounds(13, 37, 300, 200);
    const fw::Rect area = form.pages.DisplayRect();
    EXPECT_EQ(form.sheets[2].BoundsRect(), area);
    EXPECT_EQ(picture.BoundsRect(), fw::Bounds(0, 0, area.Width(), area.Height()));
}

// Pixels of dark text within `r`.
int DarkPixels(const testgdi::Surface& s, const fw::Rect& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const std::uint32_t c = s.Bits(x, y);
            n += (c >> 16) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && (c & 0xFF) < 0x60;
        }
    return n;
}

TEST_F(PageControlTest, APagePaintsItsColourAndItsLabelsForThePrintedWindowAndForItsChildren) {
    OptionsLikeForm form;
    fw::TabSheet& sheet = form.sheets[0];
    fw::Label label(&sheet);
    label.ChangeFont([](fw::Font& f) { f.color = fw::clBlack; });
    label.SetBounds(8, 8, 10, 10);
    label.SetCaption("光驱速度为：");
    form.Create();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const fw::Rect area = form.pages.DisplayRect();
    const fw::Rect text = fw::Bounds(13 + area.left + 8, 37 + area.top + 8, label.Width(), label.Height());

    // The whole window printed, as its show animation does, hidden or not.
    testgdi::Surface all(280, 203, RGB(255, 255, 255));
    SendMessageA(form.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(all.Dc()), PRF_CLIENT | PRF_CHILDREN);
    EXPECT_EQ(all.At(13 + area.right - 3, 37 + area.bottom - 3), face);
    EXPECT_GT(DarkPixels(all, text), 10);
    sheet.SetColor(fw::clAqua);
    SendMessageA(form.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(all.Dc()), PRF_CLIENT | PRF_CHILDREN);
    EXPECT_EQ(all.At(13 + area.right - 3, 37 + area.bottom - 3), RGB(0, 255, 255));
    EXPECT_GT(DarkPixels(all, text), 10);

    // A child's background request (as a transparent flat control makes):
    // the page's picture, shifted so the part under the child lands at 0, 0.
    testgdi::Surface under(40, 20, RGB(255, 255, 255));
    const int saved = SaveDC(under.Dc());
    SetViewportOrgEx(under.Dc(), -4, -4, nullptr);
    IntersectClipRect(under.Dc(), 0, 0, area.Width(), area.Height());
    SendMessageA(sheet.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(under.Dc()), 0);
    SendMessageA(sheet.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(under.Dc()), 0);
    RestoreDC(under.Dc(), saved);
    EXPECT_EQ(under.At(0, 0), RGB(0, 255, 255));
    EXPECT_GT(DarkPixels(under, fw::Bounds(4, 4, label.Width(), label.Height())), 10);
}

}  // namespace
