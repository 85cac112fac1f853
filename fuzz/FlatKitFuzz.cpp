// Fuzz target: the flat controls' pure colour and placement maths.
// - A colour taken to HSL on the integer scale and back lands within 4 of
//   itself on every channel (the scale's quantisation; 4 is the worst case
//   over all colours), with hue 0..239, saturation and lightness 0..240.
// - The advanced-colour shift gives a plain colour, and percent 0 the current one.
// - Glyph and caption placement: blGlyphRight mirrors blGlyphLeft across the
//   client's width, blGlyphBottom mirrors blGlyphTop across its height; with
//   margin and spacing both computed the three gaps differ by at most 2.
// - RectsIntersect agrees with a pixel-by-pixel search and is symmetric.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "flat/FlatUtilitys.h"
#include "flat/HSLUtils.h"

namespace {

[[noreturn]] void Fail() { std::abort(); }

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int Int16() {
        const int low = Byte();
        return static_cast<std::int16_t>(low | Byte() << 8);
    }
    int Extent() { return Int16() & 0x3FFF; }  // 0..16383
    int Small() { return Byte() % 17 - 8; }  // -8..8

private:
    const std::uint8_t* data_;
    std::size_t size_, pos_ = 0;
};

void CheckColour(Input& in) {
    fw::Color c = 0;
    for (int shift = 0; shift < 24; shift += 8) c |= fw::Color{in.Byte()} << shift;
    const flat::HslInt v = flat::ColorToHslRange(c);
    if (v.h < 0 || v.h > 239 || v.s < 0 || v.s > 240 || v.l < 0 || v.l > 240) Fail();
    const fw::Color back = flat::HslRangeToColor(v.h, v.s, v.l);
    if (back > 0xFFFFFF) Fail();
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(c >> shift & 0xFF) - int(back >> shift & 0xFF)) > 4) Fail();

    const int percent = in.Byte();
    const bool darker = in.Byte() & 1;
    const fw::Color current = 0x12345678;
    const fw::Color shifted = flat::ShiftRgbLightness(c, current, percent, darker);
    if (percent == 0 ? shifted != current : shifted > 0xFFFFFF) Fail();
}

void CheckPlacement(Input& in) {
    // Braced lists evaluate left to right.
    const fw::Rect client{in.Int16(), in.Int16(), in.Int16(), in.Int16()};
    const flat::Point offset{in.Byte() & 1, in.Byte() & 1};
    const int margin = in.Byte() % 2 ? -1 : in.Extent();
    const int spacing = in.Byte() % 2 ? -1 : in.Extent();
    const int cells = in.Byte() % 4 + 1;
    const flat::Size bitmap{in.Extent(), in.Extent()};
    const flat::Size text{in.Extent(), in.Extent()};
    const int dx = client.left + offset.x, dy = client.top + offset.y;
    const int gw = bitmap.width / cells, gh = bitmap.height;

    auto place = [&](flat::TButtonLayout layout) {
        return flat::LayoutGlyphAndText(client, offset, layout, spacing, margin, bitmap, cells,
                                        text);
    };
    const auto left = place(flat::blGlyphLeft), right = place(flat::blGlyphRight);
    const int w = client.Width();
    if (right.glyph.y != left.glyph.y || right.caption.top != left.caption.top) Fail();
    if (right.glyph.x - dx != w - (left.glyph.x - dx) - gw) Fail();
    if (right.caption.left - dx != w - (left.caption.right - dx)) Fail();
    if (left.caption.right - left.caption.left != text.width ||
        left.caption.bottom - left.caption.top != text.height)
        Fail();

    const auto top = place(flat::blGlyphTop), bottom = place(flat::blGlyphBottom);
    const int h = client.Height();
    if (bottom.glyph.x != top.glyph.x || bottom.caption.left != top.caption.left) Fail();
    if (bottom.glyph.y - dy != h - (top.glyph.y - dy) - gh) Fail();
    if (bottom.caption.top - dy != h - (top.caption.bottom - dy)) Fail();

    if (margin == -1 && spacing == -1 && gw > 0 && text.width > 0 && w >= gw + text.width) {
        const int before = left.glyph.x - dx;
        const int between = left.caption.left - (left.glyph.x + gw);
        const int after = w - (left.caption.right - dx);
        if (between != before || after < before || after > before + 2) Fail();
    }
}

void CheckIntersection(Input& in) {
    const fw::Rect a{in.Small(), in.Small(), in.Small(), in.Small()};
    const fw::Rect b{in.Small(), in.Small(), in.Small(), in.Small()};
    bool shared = false;
    for (int y = -8; y <= 8 && !shared; ++y)
        for (int x = -8; x <= 8 && !shared; ++x) shared = a.Contains(x, y) && b.Contains(x, y);
    if (flat::RectsIntersect(a, b) != shared || flat::RectsIntersect(b, a) != shared) Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    CheckColour(in);
    CheckPlacement(in);
    CheckIntersection(in);
    return 0;
}
