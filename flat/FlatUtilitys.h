// What the flat controls share besides drawing: the enumerations they
// publish, the advanced-colour shift, the placement of a glyph and a caption
// inside a button, and the rectangle-overlap test.
//
// The placement arithmetic and the overlap test are pure and build natively
// too; the parts that resolve system colours or measure text on a canvas
// exist only in the Windows build.
#pragma once

#include <string>

#include "framework/Types.h"

#ifdef _WIN32
#include <windows.h>

#include "framework/Canvas.h"
#endif

namespace flat {

// Lightness points by which an advanced colour is moved: 0..100.
using TAdvColors = int;
// Equal-width cells side by side in a button glyph bitmap: 1..4.
using TNumGlyphs = int;

// tmAlways: the parent always shows through; tmNotFocused: the control fills
// its background only while hot; tmNone: it always fills its background.
enum TTransparentMode : int { tmAlways = 0, tmNotFocused = 1, tmNone = 2 };
// Where the glyph stands relative to the caption.
enum TButtonLayout : int { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };
enum TCheckBoxLayout : int { checkboxLeft = 0, checkboxRight = 1 };

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// Where a button draws its glyph cell (top-left corner) and its caption.
struct GlyphTextPlacement {
    Point glyph;
    fw::Rect caption;
    bool operator==(const GlyphTextPlacement&) const = default;
};

// Places a glyph cell and a caption in `client`: centred on the cross axis;
// on the main axis (x for blGlyphLeft/Right, y for blGlyphTop/Bottom) with
// `margin` before the glyph and `spacing` between glyph and caption, either
// of which may be -1 (computed: both -1 gives three equal gaps, margin -1
// centres the block, spacing -1 centres the caption in the room after the
// glyph). Spacing is 0 when there is no glyph or no caption. `bitmap` is the
// whole glyph bitmap ((0, 0) when there is none), `cells` the number of cells
// side by side in it, `text` the measured caption ((0, 0) when empty). Both
// results are moved by the client's top-left corner plus `offset`.
GlyphTextPlacement LayoutGlyphAndText(const fw::Rect& client, Point offset, TButtonLayout layout,
                                      int spacing, int margin, Size bitmap, int cells, Size text);

// True when the two rectangles share a pixel (right and bottom exclusive:
// rectangles that only touch do not intersect; an empty one meets nothing).
bool RectsIntersect(const fw::Rect& a, const fw::Rect& b);

#ifdef _WIN32
// The advanced colour derived from `base` (a system colour taken at its
// present value): see ShiftRgbLightness. A percent of 0 returns `current`.
fw::Color ShiftLightness(fw::Color base, fw::Color current, int percent, bool darker);

// The same placement measuring on the canvas: the caption on one line in the
// canvas font, "&" marking an accelerator (not counted; "&&" is one "&").
// `glyph` may be null (no glyph).
GlyphTextPlacement LayoutGlyphAndText(fw::Canvas& canvas, const fw::Rect& client, Point offset,
                                      TButtonLayout layout, int spacing, int margin, HBITMAP glyph,
                                      int cells, const std::string& caption);
#endif

}  // namespace flat
