// The drawing routines, pixel by pixel on real GDI bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flat/FlatGraphics.h"
#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/StdControls.h"
#include "framework/tests/TestSurface.h"

namespace {

constexpr COLORREF kUntouched = 0x00123456;

using Legend = std::vector<std::pair<char, COLORREF>>;

// One character a pixel, row by row: the letter of `legend` whose colour the
// pixel has, '.' for kUntouched, '?' for anything else.
std::string Map(HDC dc, int width, int height, const Legend& legend) {
    std::string out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            char ch = c == kUntouched ? '.' : '?';
            for (const auto& [letter, colour] : legend)
                if (c == colour) ch = letter;
            out += ch;
        }
        out += '\n';
    }
    return out;
}

// The pixels of a bitmap not selected anywhere.
std::string MapOf(HBITMAP b, const Legend& legend) {
    BITMAP info{};
    GetObjectA(b, sizeof info, &info);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    std::string out = Map(dc, info.bmWidth, info.bmHeight, legend);
    SelectObject(dc, old);
    DeleteDC(dc);
    return out;
}

// The pixels of a test surface.
std::string Map(const testgdi::Surface& s, const Legend& legend) {
    return Map(s.Dc(), s.Width(), s.Height(), legend);
}

constexpr COLORREF kTop = RGB(255, 0, 0), kBottom = RGB(0, 0, 255);

TEST(FlatGraphics, BevelFramePixels) {
    const struct {
        fw::Rect rect;
        int width, surfaceWidth, surfaceHeight;
        const char* want;
    } rows[] = {
        {{0, 0, 4, 3}, 1, 6, 4,
         "TTTB..\n"
         "T..B..\n"
         "BBBB..\n"
         "......\n"},
        {{1, 1, 7, 6}, 2, 9, 7,
         ".........\n"
         ".TTTTTB..\n"
         ".TTTTBB..\n"
         ".TT..BB..\n"
         ".TBBBBB..\n"
         ".BBBBBB..\n"
         ".........\n"},
        {{0, 0, 4, 3}, 0, 5, 3,
         ".....\n"
         ".....\n"
         ".....\n"},
        // More rings than the rectangle holds: they stop at its centre and
        // never reach outside it.
        {{1, 1, 4, 4}, 5, 6, 6,
         "......\n"
         ".TTB..\n"
         ".TBB..\n"
         ".BBB..\n"
         "......\n"
         "......\n"},
    };
    for (const auto& r : rows) {
        testgdi::Surface s(r.surfaceWidth, r.surfaceHeight, kUntouched);
        fw::Canvas canvas(s.Dc());
        canvas.pen.width = 3;  // the frame draws with a one-pixel pen whatever was set
        flat::DrawBevelFrame(canvas, r.rect, kTop, kBottom, r.width);
        EXPECT_EQ(Map(s, {{'T', kTop}, {'B', kBottom}}), r.want) << "width " << r.width;
    }
}

constexpr COLORREF kFace = RGB(200, 200, 200), kHighlight = RGB(255, 255, 255),
                   kShadow = RGB(128, 0, 0);

TEST(FlatGraphics, DisabledGlyphFromAColourBitmap) {
    const char* pattern =
        "KK..."
        "...R."
        "..K.."
        "....K";
    HBITMAP glyph = CreateBitmap(5, 4, 1, 32, nullptr);
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, glyph);
        for (int i = 0; i < 20; ++i) {
            const char p = pattern[i];
            SetPixel(dc, i % 5, i / 5,
                     p == 'K' ? RGB(0, 0, 0) : p == 'R' ? RGB(255, 0, 0) : RGB(255, 255, 255));
        }
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    const Legend legend{{'F', kFace}, {'H', kHighlight}, {'S', kShadow}};

    const fw::OwnedBitmap embossed =
        flat::MakeDisabledGlyph(glyph, fw::clBlack, kFace, kHighlight, kShadow, true);
    // Black pixels in shadow; the highlight copy one pixel right and down
    // beneath them, the one past the corner dropped; the rest face.
    EXPECT_EQ(MapOf(embossed.Get(), legend),
              "SSFFF\n"
              "FHHFF\n"
              "FFSFF\n"
              "FFFHS\n");
    const fw::OwnedBitmap flatShape = flat::MakeDisabledGlyph(glyph, fw::clRed, fw::clBtnFace, kHighlight,
                                                              kShadow, false);
    EXPECT_EQ(MapOf(flatShape.Get(), {{'F', GetSysColor(COLOR_BTNFACE)}, {'S', kShadow}}),
              "FFFFF\n"
              "FFFSF\n"
              "FFFFF\n"
              "FFFFF\n");
    DeleteObject(glyph);

    EXPECT_THROW(flat::MakeDisabledGlyph(nullptr, 0, kFace, kHighlight, kShadow, true), fw::Error);
}

TEST(FlatGraphics, DisabledGlyphFromAMonochromeBitmap) {
    HBITMAP mono = CreateBitmap(4, 3, 1, 1, nullptr);
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, mono);
        PatBlt(dc, 0, 0, 4, 3, WHITENESS);
        SetPixel(dc, 0, 0, RGB(0, 0, 0));
        SetPixel(dc, 2, 1, RGB(0, 0, 0));
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    const fw::OwnedBitmap result = flat::MakeDisabledGlyph(mono, fw::clBlack, kFace, kHighlight, kShadow, true);
    BITMAP info{};
    GetObjectA(result.Get(), sizeof info, &info);
    EXPECT_GT(info.bmBitsPixel, 1);  // a colour picture
    EXPECT_EQ(MapOf(result.Get(), {{'F', kFace}, {'H', kHighlight}, {'S', kShadow}}),
              "SFFF\n"
              "FHSF\n"
              "FFFH\n");
    DeleteObject(mono);
}

class ParentBackground : public ::testing::Test {
protected:
    void SetUp() override { fw::App().Initialize(); }
};

TEST_F(ParentBackground, WithoutAParentWindowNothingIsDrawn) {
    fw::CustomControl orphan;
    orphan.SetBounds(5, 5, 10, 8);
    fw::Form unmade;  // a parent that has no window yet
    fw::CustomControl child(&unmade);
    child.SetBounds(5, 5, 10, 8);
    for (fw::Control* c : {static_cast<fw::Control*>(&orphan), static_cast<fw::Control*>(&child)}) {
        testgdi::Surface s(10, 8, kUntouched);
        fw::Canvas canvas(s.Dc());
        const std::string before = Map(s, {});
        flat::PaintParentBackground(*c, canvas);
        EXPECT_EQ(Map(s, {}), before);
        POINT origin{-1, -1};
        GetViewportOrgEx(s.Dc(), &origin);
        EXPECT_EQ(origin.x, 0);
        EXPECT_EQ(origin.y, 0);
    }
}

// The parent (colour, and a windowless bevel under the child) painted into
// the child's surface, shifted by the child's position and clipped to the
// parent's client area; the surface's drawing state is restored.
TEST_F(ParentBackground, TheParentPaintsWhatLiesUnderTheChild) {
    constexpr COLORREF kParent = RGB(0x33, 0x66, 0x99);
    fw::Form form;
    form.SetBounds(100, 100, 200, 150);
    form.SetColor(kParent);
    fw::Bevel bevel(&form);
    bevel.SetBounds(30, 30, 20, 10);  // lowered box: shadow top-left, highlight bottom-right
    fw::CustomControl child(&form);
    child.SetBounds(20, 20, 60, 40);
    form.Create();
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);

    // The shift adds to the surface's own origin (5, 5): in the surface's
    // logical coordinates, read here, parent (30, 30) is at (10, 10).
    testgdi::Surface s(60, 40, kUntouched);
    fw::Canvas canvas(s.Dc());
    SetViewportOrgEx(s.Dc(), 5, 5, nullptr);
    flat::PaintParentBackground(child, canvas);
    EXPECT_EQ(s.At(-5, -5), kParent);
    EXPECT_EQ(s.At(54, 34), kParent);
    EXPECT_EQ(s.At(10, 10), shadow);   // the bevel's top-left corner
    EXPECT_EQ(s.At(28, 10), shadow);
    EXPECT_EQ(s.At(29, 19), light);    // its bottom-right corner
    EXPECT_EQ(s.At(15, 15), kParent);  // inside the box
    POINT origin{-1, -1};
    GetViewportOrgEx(s.Dc(), &origin);
    EXPECT_EQ(origin.x, 5);
    EXPECT_EQ(origin.y, 5);
    RECT box{};
    GetClipBox(s.Dc(), &box);  // the whole surface again, in logical units
    EXPECT_EQ(box.right, 55);
    EXPECT_EQ(box.bottom, 35);

    // A child reaching past the parent's client area: only the part inside is painted.
    child.SetBounds(180, 130, 40, 40);
    testgdi::Surface edge(40, 40, kUntouched);
    fw::Canvas edgeCanvas(edge.Dc());
    flat::PaintParentBackground(child, edgeCanvas);
    EXPECT_EQ(edge.At(19, 19), kParent);
    EXPECT_EQ(edge.At(20, 5), kUntouched);
    EXPECT_EQ(edge.At(5, 20), kUntouched);
}

}  // namespace
