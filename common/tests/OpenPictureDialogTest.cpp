// The picture file-open dialog on the real system dialog, driven from a
// timer inside its own modal loop: the file-type list byte for byte, the
// options it opens with, the path it returns, cancelling, and the preview's
// pixels; and the preview pictures the loader makes for it.
#include "framework/ExtDlgs.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/PictureLoader.h"
#include "common/PicturePreview.h"
#include "common/tests/JpegTestEncoder.h"
#include "framework/Errors.h"
#include "framework/Graphic.h"
#include "framework/PictureFit.h"
#include "framework/Timer.h"
#include "framework/tests/AppTest.h"
#include "framework/tests/TestSurface.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

std::vector<std::string> written;  // removed after each test

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    written.push_back(path);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A 24-bit bitmap file, its left half red and its right half blue.
std::vector<std::uint8_t> RedBlueBitmap(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> b(54 + static_cast<std::size_t>(stride) * height, 0);
    auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b[54 + y * stride + x * 3 + (x < width / 2 ? 2 : 0)] = 255;
    return b;
}

std::string Folder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "picture-dialog-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(hwnd) || !GetDlgItem(hwnd, cmb1)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

BOOL CALLBACK FindPanel(HWND hwnd, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != "Static" || (GetWindowLongA(hwnd, GWL_STYLE) & SS_TYPEMASK) != SS_OWNERDRAW) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

class OpenPictureDialogTest : public testapp::AppTest {
protected:
    void TearDown() override {
        for (const std::string& path : written) DeleteFileA(path.c_str());
        written.clear();
        RemoveDirectoryA(Folder().c_str());
        testapp::AppTest::TearDown();
    }

    // Each step gets the dialog box and returns true when done; the next
    // runs at the next tick. Steps left over after 15 s cancel the dialog.
    using Step = std::function<bool(HWND box)>;

    bool Run(fw::OpenPictureDialog& dialog, std::vector<Step> steps) {
        std::size_t next = 0;
        const DWORD start = GetTickCount();
        fw::Timer timer;
        timer.SetInterval(50);
        timer.OnTimer = [&] {
            HWND box = nullptr;
            EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
            if (box == nullptr) return;
            if (next < steps.size() && steps[next](box)) ++next;
            if (next < steps.size() && GetTickCount() - start > 15000) {
                ADD_FAILURE() << "step " << next << " never done";
                next = steps.size();
                Press(IDCANCEL)(box);
            }
        };
        timer.SetEnabled(true);
        const bool confirmed = dialog.Execute(nullptr);
        EXPECT_EQ(next, steps.size());
        return confirmed;
    }

    static Step Type(const std::string& text) {
        return [text](HWND box) {
            HWND name = GetDlgItem(box, cmb13);
            SetWindowTextA(name != nullptr ? name : GetDlgItem(box, edt1), text.c_str());
            return true;
        };
    }
    static Step Press(int id) {
        return [id](HWND box) {
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
            return true;
        };
    }
    // Selects the file list's item whose name starts with `name`, once listed.
    static Step Select(const std::string& name) {
        return [name](HWND box) {
            HWND view = FindWindowExA(box, nullptr, "SHELLDLL_DefView", nullptr);
            HWND list = view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
            const int count = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
            for (int i = 0; i < count; ++i) {
                char text[MAX_PATH] = {};
                LVITEMA item{};
                item.pszText = text;
                item.cchTextMax = sizeof text;
                SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
                if (std::string(text).rfind(name, 0) != 0) continue;
                LVITEMA state{};
                state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
                return true;
            }
            return false;
        };
    }
    // True once `check` holds for the preview panel's printed pixels.
    static Step Panel(std::function<bool(const testgdi::Surface&, const fw::Rect& area)> check) {
        return [check](HWND box) {
            HWND panel = nullptr;
            EnumChildWindows(box, FindPanel, reinterpret_cast<LPARAM>(&panel));
            if (panel == nullptr) return false;
            RECT c{};
            GetClientRect(panel, &c);
            testgdi::Surface s(c.right, c.bottom, RGB(1, 2, 3));
            SendMessageA(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
            return check(s, fw::Rect{6, 6, c.right - 6, c.bottom - 6});
        };
    }
};

TEST(PictureFit, ShrinksKeepingProportionsNeverEnlarges) {
    struct Row {
        int width, height;
        fw::Rect want;
    } rows[] = {
        {300, 60, {0, 80, 200, 120}}, {60, 300, {80, 0, 120, 200}}, {20, 10, {90, 95, 110, 105}},
        {200, 200, {0, 0, 200, 200}}, {1000, 1, {0, 99, 200, 100}}, {0, 5, {0, 0, 0, 0}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(fw::FitPicture(r.width, r.height, fw::Rect{0, 0, 200, 200}), r.want) << r.width << "x" << r.height;
}

TEST_F(OpenPictureDialogTest, PreviewPicturesAreNoLargerThanThePanel) {
    const std::string dir = Folder();
    WriteFile(dir + "wide.bmp", RedBlueBitmap(300, 60));
    WriteFile(dir + "small.bmp", RedBlueBitmap(20, 10));
    const auto jpeg = testjpeg::Encode(testjpeg::SolidRgb(400, 100, 255, 0, 0), 400, 100, testjpeg::Kind::Rgb);
    WriteFile(dir + "photo.JPG", jpeg);
    WriteFile(dir + "photo.jpeg", jpeg);
    const RECT frame{0, 0, 2000, 1000};  // 0.01 mm
    written.push_back(dir + "drawing.emf");
    HDC emf = CreateEnhMetaFileA(nullptr, written.back().c_str(), &frame, nullptr);
    Rectangle(emf, 0, 0, 50, 25);
    DeleteEnhMetaFile(CloseEnhMetaFile(emf));
    const auto natural = common::LoadPictureFile(dir + "drawing.emf", 0, 0);

    struct Row {
        const char* file;
        int width, height;
    } rows[] = {{"wide.bmp", 200, 40},   {"small.bmp", 20, 10},
                {"photo.JPG", 200, 50},  {"photo.jpeg", 200, 50},
                {"drawing.emf", natural->Width(), natural->Height()}};
    for (const Row& r : rows) {
        const auto picture = common::LoadPicturePreview(dir + r.file, 200, 200);
        ASSERT_TRUE(picture) << r.file;
        EXPECT_EQ(picture->Width(), r.width) << r.file;
        EXPECT_EQ(picture->Height(), r.height) << r.file;
    }
    EXPECT_THROW(common::LoadPicturePreview(dir + "moving.gif", 200, 200), fw::PictureError);
}

TEST_F(OpenPictureDialogTest, ListsTheFileTypesAndReturnsATypedPath) {
    const std::vector<std::string> want = {
        "全部 (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)", "JPEG Image File (*.jpg)", "JPEG Image File (*.jpeg)",
        "位图 (*.bmp)", "图标 (*.ico)", "扩展元文件 (*.emf)", "元文件 (*.wmf)"};
    const std::string typed = Folder() + "不存在的图片.bmp";
    std::vector<std::string> listed;
    fw::OpenPictureDialog dialog;
    EXPECT_TRUE(Run(dialog, {[&](HWND box) {
                                 HWND types = GetDlgItem(box, cmb1);
                                 const int n = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
                                 for (int i = 0; i < n; ++i) {
                                     char text[256] = {};
                                     SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                                     listed.push_back(text);
                                 }
                                 EXPECT_EQ(SendMessageA(types, CB_GETCURSEL, 0, 0), 0);
                                 HWND readOnly = GetDlgItem(box, chx1);
                                 EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly));
                                 EXPECT_TRUE(GetWindowLongA(box, GWL_STYLE) & WS_THICKFRAME);
                                 HWND panel = nullptr;
                                 EnumChildWindows(box, FindPanel, reinterpret_cast<LPARAM>(&panel));
                                 RECT p{}, list{};
                                 GetWindowRect(panel, &p);
                                 GetWindowRect(GetDlgItem(box, lst2), &list);
                                 EXPECT_GE(p.left, list.right);  // beside the file list, as tall
                                 EXPECT_EQ(p.top, list.top);
                                 EXPECT_EQ(p.bottom, list.bottom);
                                 return true;
                             },
                             Type(typed), Press(IDOK)}));
    EXPECT_EQ(listed, want);
    EXPECT_EQ(dialog.FileName(), typed);
}

TEST_F(OpenPictureDialogTest, CancelKeepsTheLastChoice) {
    const std::string chosen = Folder() + "chosen.jpg";
    fw::OpenPictureDialog dialog;
    ASSERT_TRUE(Run(dialog, {Type(chosen), Press(IDOK)}));
    EXPECT_FALSE(Run(dialog, {Type(Folder() + "other.jpg"), Press(IDCANCEL)}));
    EXPECT_EQ(dialog.FileName(), chosen);
}

TEST_F(OpenPictureDialogTest, PreviewShowsTheSelectedPictureWhole) {
    const std::string dir = Folder();
    WriteFile(dir + "wide.bmp", RedBlueBitmap(300, 60));
    WriteFile(dir + "broken.bmp", {'B', 'M', 1, 2, 3});
    fw::OpenPictureDialog dialog(common::LoadPicturePreview);
    auto redRows = [](const testgdi::Surface& s, const fw::Rect& area) {
        int rows = 0;
        for (int y = 0; y < s.Height(); ++y) rows += s.At(area.left + area.Width() / 4, y) == kRed;
        return rows;
    };
    EXPECT_FALSE(Run(dialog, {Type(dir), Press(IDOK), Select("wide"),
                              Panel([&](const testgdi::Surface& s, const fw::Rect& area) {
                                  const fw::Rect at = fw::FitPicture(300, 60, area);
                                  const int middle = (at.top + at.bottom) / 2;
                                  if (s.At(at.left + at.Width() / 4, middle) != kRed) return false;
                                  EXPECT_EQ(s.At(at.right - at.Width() / 4, middle), kBlue);
                                  EXPECT_EQ(redRows(s, area), at.Height());
                                  EXPECT_EQ(s.At(at.left + 2, at.top - 2), GetSysColor(COLOR_WINDOW));
                                  return true;
                              }),
                              Select("broken"),
                              Panel([&](const testgdi::Surface& s, const fw::Rect& area) {
                                  return redRows(s, area) == 0 &&
                                         s.At(area.left + area.Width() / 2, area.top + area.Height() / 2) ==
                                             GetSysColor(COLOR_WINDOW);
                              }),
                              Press(IDCANCEL)}));
}

}  // namespace
