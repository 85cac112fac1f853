// The colour model, the advanced-colour shift, glyph and caption placement
// and the overlap test: worked numbers, and the placement measured on a
// real canvas.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "flat/FlatUtilitys.h"
#include "flat/HSLUtils.h"
#include "framework/Canvas.h"

namespace {

using flat::GlyphTextPlacement;
using flat::Point;
using flat::Size;

std::string Hex(fw::Color c) {
    char s[16];
    std::snprintf(s, sizeof s, "%06X", static_cast<unsigned>(c));
    return s;
}

std::string Str(const flat::HslInt& v) {
    return std::to_string(v.h) + "," + std::to_string(v.s) + "," + std::to_string(v.l);
}

std::string Str(const flat::Hsl& v) {
    char s[64];
    std::snprintf(s, sizeof s, "%.4f,%.4f,%.4f", v.h, v.s, v.l);
    return s;
}

std::string Str(const GlyphTextPlacement& p) {
    char s[96];
    std::snprintf(s, sizeof s, "glyph (%d,%d) caption (%d,%d,%d,%d)", p.glyph.x, p.glyph.y,
                  p.caption.left, p.caption.top, p.caption.right, p.caption.bottom);
    return s;
}

std::string Str(bool b) { return b ? "true" : "false"; }

GlyphTextPlacement Place(fw::Rect client, flat::TButtonLayout layout, int spacing, int margin,
                         Size bitmap, Size text) {
    return flat::LayoutGlyphAndText(client, Point{0, 0}, layout, spacing, margin, bitmap, 1, text);
}

TEST(FlatKit, WorkedExamples) {
    using namespace flat;
    const struct {
        const char* what;
        std::string got, want;
    } rows[] = {
        {"pure red", Hex(HslToColor(0, 1, 0.5)), "0000FF"},
        {"pure green", Hex(HslToColor(1.0 / 3, 1, 0.5)), "00FF00"},
        {"pure blue", Hex(HslToColor(2.0 / 3, 1, 0.5)), "FF0000"},
        {"red on the integer scale", Str(ColorToHslRange(0x0000FF)), "0,240,120"},
        {"grey has no hue or saturation", Str(ColorToHsl(0x808080)), "0.0000,0.0000,0.5020"},
        {"saturation 0 ignores the hue (127.5 rounds to even)", Hex(HslToColor(0.7, 0, 0.5)),
         "808080"},
        {"integer grey ignores the hue", Hex(HslRangeToColor(200, 0, 120)), "808080"},
        {"42.5 rounds to the even 42", Hex(HslRangeToColor(0, 0, 40)), "2A2A2A"},
        // 239 x (21 / 239 / 6) is just under 3.5 in doubles (3.5 when the
        // intermediates are kept in extended precision).
        {"hue held in doubles", Str(ColorToHslRange(0x0015EF)), "3,240,112"},
        {"percent 0 keeps the current colour", Hex(ShiftLightness(0x0000FF, 0x123456, 0, false)),
         "123456"},
        {"percent 0 keeps it for a system base too",
         Hex(ShiftLightness(fw::clBtnFace, 0x654321, 0, true)), "654321"},
        {"silver lighter by 10: capped at 100", Hex(ShiftLightness(0xC0C0C0, 0, 10, false)),
         "6A6A6A"},
        {"silver darker by 10: its own lightness", Hex(ShiftLightness(0xC0C0C0, 0, 10, true)),
         "C0C0C0"},
        {"silver darker by 50", Hex(ShiftLightness(0xC0C0C0, 0, 50, true)), "969696"},
        {"black lighter by 10", Hex(ShiftLightness(0x000000, 0xFF, 10, false)), "151515"},
        {"black darker by 50: clamped at 0", Hex(ShiftLightness(0x000000, 0xFF, 50, true)),
         "000000"},
        {"white darker by 10", Hex(ShiftLightness(0xFFFFFF, 0, 10, true)), "FFFFFF"},
        // Lightness 245 of 240 saturates instead of wrapping to 0x040404.
        {"white darker by 5 stays white", Hex(ShiftLightness(0xFFFFFF, 0, 5, true)), "FFFFFF"},
        {"border colour to HSL", Str(ColorToHslRange(0x8396A0)), "26,32,137"},
        {"border colour back", Hex(HslRangeToColor(26, 32, 137)), "8396A0"},
        {"border colour darker by 50 (lightness 97)", Hex(ShiftLightness(0x8396A0, 1, 50, true)),
         "596B75"},
        {"system colour base resolved first",
         Hex(ShiftLightness(fw::clBtnFace, 0, 50, true)),
         Hex(ShiftLightness(GetSysColor(COLOR_BTNFACE), 0, 50, true))},
        {"no glyph, margin -1, spacing 4: caption centred (left)",
         Str(Place({0, 0, 50, 30}, blGlyphLeft, 4, -1, {}, {20, 10})),
         "glyph (15,15) caption (15,10,35,20)"},
        {"no glyph, margin -1, spacing 4: caption centred (top)",
         Str(Place({0, 0, 50, 30}, blGlyphTop, 4, -1, {}, {20, 10})),
         "glyph (25,10) caption (15,10,35,20)"},
        {"margin and spacing -1: gaps 18, 18, 18",
         Str(Place({0, 0, 100, 20}, blGlyphLeft, -1, -1, {16, 16}, {30, 10})),
         "glyph (18,2) caption (52,5,82,15)"},
        {"touching rectangles", Str(RectsIntersect({0, 0, 10, 10}, {10, 0, 20, 10})), "false"},
        {"one shared pixel", Str(RectsIntersect({0, 0, 10, 10}, {9, 9, 20, 20})), "true"},
        {"an empty rectangle meets nothing", Str(RectsIntersect({5, 5, 5, 5}, {0, 0, 10, 10})),
         "false"},
    };
    for (const auto& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

// Client (2, 3)-(62, 43), offset (1, 1), a two-cell 32 x 12 glyph (cells
// 16 x 12) and a 20 x 8 caption, over every layout and margin/spacing kind.
TEST(FlatKit, GlyphAndCaptionPlacement) {
    using namespace flat;
    const fw::Rect client{2, 3, 62, 43};
    const struct {
        TButtonLayout layout;
        int margin, spacing;
        Point glyph;
        fw::Rect caption;
    } rows[] = {
        // Main axis 60: gaps (60 - 36) / 3 = 8; block margin (60 - 40 + 1) / 2 = 10;
        // spacing ((60 - 19) - 20) / 2 = 10. Cross axis: glyph 14, caption 16.
        {blGlyphLeft, -1, -1, {11, 18}, {35, 20, 55, 28}},
        {blGlyphLeft, -1, 4, {13, 18}, {33, 20, 53, 28}},
        {blGlyphLeft, 3, -1, {6, 18}, {32, 20, 52, 28}},
        {blGlyphLeft, 3, 4, {6, 18}, {26, 20, 46, 28}},
        {blGlyphRight, -1, -1, {39, 18}, {11, 20, 31, 28}},
        {blGlyphRight, -1, 4, {37, 18}, {13, 20, 33, 28}},
        {blGlyphRight, 3, -1, {44, 18}, {14, 20, 34, 28}},
        {blGlyphRight, 3, 4, {44, 18}, {20, 20, 40, 28}},
        // Main axis 40: gaps (40 - 20) / 3 = 6; block margin (40 - 24 + 1) / 2 = 8;
        // spacing ((40 - 15) - 8) / 2 = 8. Cross axis: glyph 22, caption 20.
        {blGlyphTop, -1, -1, {25, 10}, {23, 28, 43, 36}},
        {blGlyphTop, -1, 4, {25, 12}, {23, 28, 43, 36}},
        {blGlyphTop, 3, -1, {25, 7}, {23, 27, 43, 35}},
        {blGlyphTop, 3, 4, {25, 7}, {23, 23, 43, 31}},
        {blGlyphBottom, -1, -1, {25, 26}, {23, 12, 43, 20}},
        {blGlyphBottom, -1, 4, {25, 24}, {23, 12, 43, 20}},
        {blGlyphBottom, 3, -1, {25, 29}, {23, 13, 43, 21}},
        {blGlyphBottom, 3, 4, {25, 29}, {23, 17, 43, 25}},
    };
    for (const auto& r : rows) {
        const auto got = LayoutGlyphAndText(client, Point{1, 1}, r.layout, r.spacing, r.margin,
                                            Size{32, 12}, 2, Size{20, 8});
        EXPECT_EQ(Str(got), Str(GlyphTextPlacement{r.glyph, r.caption}))
            << "layout " << r.layout << " margin " << r.margin << " spacing " << r.spacing;
    }
    // Content larger than the client: negative values truncate toward zero
    // (margin -16 / 3 = -5, glyph row -5 / 2 = -2, caption row -1 / 2 = 0).
    EXPECT_EQ(Str(Place({0, 0, 20, 6}, blGlyphLeft, -1, -1, {16, 12}, {20, 8})),
              "glyph (-5,-2) caption (6,0,26,8)");
}

// The canvas form measures the caption on one line in the canvas font with
// "&" as accelerator prefix, and takes the cell size from the glyph bitmap.
TEST(FlatKit, PlacementMeasuresOnTheCanvas) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateBitmap(100, 60, 1, 32, nullptr);
    HGDIOBJ oldSurface = SelectObject(dc, surface);
    HBITMAP glyph = CreateBitmap(64, 16, 1, 32, nullptr);
    {
        fw::Canvas canvas(dc);
        canvas.font.height = 15;
        canvas.Prepare();
        auto extent = [&](const std::string& plain) {
            SIZE s{};
            GetTextExtentPoint32A(dc, plain.c_str(), static_cast<int>(plain.size()), &s);
            return Size{s.cx, s.cy};
        };
        const fw::Rect client{0, 0, 100, 60};
        const struct {
            const char* caption;
            HBITMAP glyph;
            int cells;
            Size bitmap, text;
        } rows[] = {
            {"&Ab", glyph, 4, {64, 16}, extent("Ab")},
            {"a&&b", glyph, 4, {64, 16}, extent("a&b")},
            {"中文", nullptr, 1, {}, extent("中文")},
            {"", glyph, 2, {64, 16}, {}},
        };
        for (const auto& r : rows) {
            const auto got = flat::LayoutGlyphAndText(canvas, client, Point{1, 1},
                                                      flat::blGlyphLeft, 4, -1, r.glyph, r.cells,
                                                      r.caption);
            const auto want = flat::LayoutGlyphAndText(client, Point{1, 1}, flat::blGlyphLeft, 4,
                                                       -1, r.bitmap, r.cells, r.text);
            EXPECT_EQ(Str(got), Str(want)) << r.caption;
        }
        EXPECT_GT(extent("Ab").width, extent("A").width);
    }
    SelectObject(dc, oldSurface);
    DeleteObject(glyph);
    DeleteObject(surface);
    DeleteDC(dc);
}

}  // namespace
