#include "flat/FlatUtilitys.h"

#include <algorithm>

#include "flat/HSLUtils.h"

namespace flat {

GlyphTextPlacement LayoutGlyphAndText(const fw::Rect& client, Point offset, TButtonLayout layout,
                                      int spacing, int margin, Size bitmap, int cells, Size text) {
    const Size cs{client.Width(), client.Height()};
    const Size gs{bitmap.width / std::max(cells, 1), bitmap.height};
    const Size ts = text;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    Point glyph, caption;
    if (horizontal) {
        glyph.y = (cs.height - gs.height + 1) / 2;
        caption.y = (cs.height - ts.height + 1) / 2;
    } else {
        glyph.x = (cs.width - gs.width + 1) / 2;
        caption.x = (cs.width - ts.width + 1) / 2;
    }
    if (ts.width == 0 || gs.width == 0) spacing = 0;

    const int a = horizontal ? cs.width : cs.height;
    const int g = horizontal ? gs.width : gs.height;
    const int t = horizontal ? ts.width : ts.height;
    if (margin == -1 && spacing == -1) {
        margin = (a - (g + t)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = (a - (g + spacing + t) + 1) / 2;
    } else if (spacing == -1) {
        spacing = ((a - (margin + g)) - t) / 2;
    }

    switch (layout) {
        case blGlyphLeft:
            glyph.x = margin;
            caption.x = glyph.x + gs.width + spacing;
            break;
        case blGlyphRight:
            glyph.x = cs.width - margin - gs.width;
            caption.x = glyph.x - spacing - ts.width;
            break;
        case blGlyphTop:
            glyph.y = margin;
            caption.y = glyph.y + gs.height + spacing;
            break;
        case blGlyphBottom:
            glyph.y = cs.height - margin - gs.height;
            caption.y = glyph.y - spacing - ts.height;
            break;
    }

    const int dx = client.left + offset.x, dy = client.top + offset.y;
    GlyphTextPlacement out;
    out.glyph = Point{glyph.x + dx, glyph.y + dy};
    out.caption = fw::Rect{caption.x + dx, caption.y + dy, caption.x + dx + ts.width,
                           caption.y + dy + ts.height};
    return out;
}

bool RectsIntersect(const fw::Rect& a, const fw::Rect& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

#ifdef _WIN32

fw::Color ShiftLightness(fw::Color base, fw::Color current, int percent, bool darker) {
    if (percent == 0) return current;
    return ShiftRgbLightness(fw::ColorToRGB(base), current, percent, darker);
}

GlyphTextPlacement LayoutGlyphAndText(fw::Canvas& canvas, const fw::Rect& client, Point offset,
                                      TButtonLayout layout, int spacing, int margin, HBITMAP glyph,
                                      int cells, const std::string& caption) {
    Size bitmap;
    BITMAP info{};
    if (glyph && GetObjectA(glyph, sizeof info, &info) != 0)
        bitmap = Size{info.bmWidth, info.bmHeight};
    Size text;
    if (!caption.empty()) {
        fw::Rect r{0, 0, client.Width(), 0};
        canvas.DrawText(caption, r, DT_CALCRECT | DT_SINGLELINE);
        text = Size{r.Width(), r.Height()};
    }
    return LayoutGlyphAndText(client, offset, layout, spacing, margin, bitmap, cells, text);
}

#endif

}  // namespace flat
