#include "flat/HSLUtils.h"

#include <algorithm>
#include <cmath>

namespace flat {

namespace {

// A channel value from a real in 0..1. Lightness above full scale (a very
// light colour shifted darker by less than its 10-point lift) saturates at
// 255 instead of wrapping round to a near-black value.
int Channel(double v) { return std::clamp(RoundHalfEven(v * 255), 0, 255); }

}  // namespace

int RoundHalfEven(double v) {
    const double below = std::floor(v);
    const double fraction = v - below;
    double r = below;
    if (fraction > 0.5) r = below + 1;
    else if (fraction == 0.5 && std::fmod(below, 2.0) != 0) r = below + 1;
    return static_cast<int>(r);
}

int HueChannel(double h, double m1, double m2) {
    if (h < 0) h += 1;
    else if (h > 1) h -= 1;
    double v;
    if (6 * h < 1) v = m1 + (m2 - m1) * h * 6;
    else if (2 * h < 1) v = m2;
    else if (3 * h < 2) v = m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
    else v = m1;
    return Channel(v);
}

namespace {
unsigned long conversions = 0;
}  // namespace

unsigned long HslConversions() { return conversions; }

fw::Color HslToColor(double h, double s, double l) {
    ++conversions;
    if (s == 0) {
        const auto v = static_cast<fw::Color>(Channel(l));
        return v | v << 8 | v << 16;
    }
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    const auto red = static_cast<fw::Color>(HueChannel(h + 1.0 / 3, m1, m2));
    const auto green = static_cast<fw::Color>(HueChannel(h, m1, m2));
    const auto blue = static_cast<fw::Color>(HueChannel(h - 1.0 / 3, m1, m2));
    return red | green << 8 | blue << 16;
}

fw::Color HslRangeToColor(int h, int s, int l) {
    return HslToColor(h / double(HslRange - 1), s / double(HslRange), l / double(HslRange));
}

Hsl ColorToHsl(fw::Color rgb) {
    ++conversions;
    const double r = (rgb & 0xFF) / 255.0;
    const double g = (rgb >> 8 & 0xFF) / 255.0;
    const double b = (rgb >> 16 & 0xFF) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    Hsl out;
    out.l = (max + min) / 2;
    if (max == min) return out;
    const double d = max - min;
    out.s = out.l < 0.5 ? d / (max + min) : d / (2 - max - min);
    // Tested in this order: on a tie red wins over green, green over blue.
    double h;
    if (r == max) h = (g - b) / d;
    else if (g == max) h = 2 + (b - r) / d;
    else h = 4 + (r - g) / d;
    h /= 6;
    if (h < 0) h += 1;
    out.h = h;
    return out;
}

HslInt ColorToHslRange(fw::Color rgb) {
    const Hsl v = ColorToHsl(rgb);
    return HslInt{RoundHalfEven((HslRange - 1) * v.h), RoundHalfEven(HslRange * v.s),
                  RoundHalfEven(HslRange * v.l)};
}

fw::Color ShiftRgbLightness(fw::Color baseRgb, fw::Color current, int percent, bool darker) {
    if (percent == 0) return current;
    HslInt v = ColorToHslRange(baseRgb);
    v.l += 10;
    if (darker) v.l = v.l - percent < 0 ? 0 : v.l - percent;
    else v.l = v.l + percent > 100 ? 100 : v.l + percent;
    return HslRangeToColor(v.h, v.s, v.l);
}

}  // namespace flat
