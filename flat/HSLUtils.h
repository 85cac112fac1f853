// Colours in hue, saturation and lightness, from which the flat controls
// derive their advanced colours. Two forms: reals (each 0..1, hue one full
// turn with 0 red, 1/3 green, 2/3 blue) and integers on the HslRange scale
// (hue 0..239, saturation and lightness 0..240).
//
// Pure code: no platform headers, builds natively too. Colours here are
// plain RGB (0x00BBGGRR); system colours are resolved by the caller.
#pragma once

#include "framework/Types.h"

namespace flat {

inline constexpr int HslRange = 240;

struct Hsl {
    double h = 0, s = 0, l = 0;
    bool operator==(const Hsl&) const = default;
};

struct HslInt {
    int h = 0, s = 0, l = 0;
    bool operator==(const HslInt&) const = default;
};

// Nearest integer, exact halves to the even neighbour, whatever the
// processor's rounding mode.
int RoundHalfEven(double v);

// One RGB channel (0..255) of an HslToColor conversion, from the hue moved
// for that channel and the two intermediate values of the conversion.
int HueChannel(double h, double m1, double m2);

fw::Color HslToColor(double h, double s, double l);
fw::Color HslRangeToColor(int h, int s, int l);
Hsl ColorToHsl(fw::Color rgb);
HslInt ColorToHslRange(fw::Color rgb);

// How many conversions between RGB and HSL have run so far: painting must
// make none (the controls derive their colours when a colour changes).
unsigned long HslConversions();

// The lightness arithmetic of an advanced colour on a plain RGB base: the
// base's lightness plus 10, moved by `percent` points down (not below 0) or
// up (not above 100 of 240). A percent of 0 gives `current` unchanged.
fw::Color ShiftRgbLightness(fw::Color baseRgb, fw::Color current, int percent, bool darker);

}  // namespace flat
