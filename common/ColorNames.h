// Colour identifiers and the text form of colours.
//
// A colour is a 32-bit pattern: 0x00BBGGRR for a plain colour, or 0x80000000
// plus a system colour index for a system colour. TColor is unsigned so that
// system colours compare and print as the pattern they are (0x80000005 is a
// positive value); code that needs the signed form (for instance to store it
// as a 32-bit registry integer) converts with static_cast<std::int32_t>.
//
// Pure code: no platform headers, builds natively too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

using TColor = std::uint32_t;

// System colour base: a system colour is kSysColorBase plus its index.
inline constexpr TColor kSysColorBase = 0x80000000u;

struct ColorIdent {
    std::string_view name;
    TColor value;
};

// Number of colour identifiers; the first kBasicColorCount are the basic
// colours offered by the colour picker, in its order.
inline constexpr std::size_t kColorIdentCount = 49;
inline constexpr std::size_t kBasicColorCount = 16;

// The colour identifiers in table order. The order matters: ColorToText
// names a value by the first entry that has it (no two entries share a value).
inline constexpr std::array<ColorIdent, kColorIdentCount> kColorTable{{
    {"clBlack", 0x00000000u},
    {"clMaroon", 0x00000080u},
    {"clGreen", 0x00008000u},
    {"clOlive", 0x00008080u},
    {"clNavy", 0x00800000u},
    {"clPurple", 0x00800080u},
    {"clTeal", 0x00808000u},
    {"clGray", 0x00808080u},
    {"clSilver", 0x00C0C0C0u},
    {"clRed", 0x000000FFu},
    {"clLime", 0x0000FF00u},
    {"clYellow", 0x0000FFFFu},
    {"clBlue", 0x00FF0000u},
    {"clFuchsia", 0x00FF00FFu},
    {"clAqua", 0x00FFFF00u},
    {"clWhite", 0x00FFFFFFu},
    {"clMoneyGreen", 0x00C0DCC0u},
    {"clSkyBlue", 0x00F0CAA6u},
    {"clCream", 0x00F0FBFFu},
    {"clMedGray", 0x00A4A0A0u},
    {"clActiveBorder", kSysColorBase + 10},
    {"clActiveCaption", kSysColorBase + 2},
    {"clAppWorkSpace", kSysColorBase + 12},
    {"clBackground", kSysColorBase + 1},
    {"clBtnFace", kSysColorBase + 15},
    {"clBtnHighlight", kSysColorBase + 20},
    {"clBtnShadow", kSysColorBase + 16},
    {"clBtnText", kSysColorBase + 18},
    {"clCaptionText", kSysColorBase + 9},
    {"clDefault", 0x20000000u},
    {"clGradientActiveCaption", kSysColorBase + 27},
    {"clGradientInactiveCaption", kSysColorBase + 28},
    {"clGrayText", kSysColorBase + 17},
    {"clHighlight", kSysColorBase + 13},
    {"clHighlightText", kSysColorBase + 14},
    {"clInactiveBorder", kSysColorBase + 11},
    {"clInactiveCaption", kSysColorBase + 3},
    {"clInactiveCaptionText", kSysColorBase + 19},
    {"clInfoBk", kSysColorBase + 24},
    {"clInfoText", kSysColorBase + 23},
    {"clMenu", kSysColorBase + 4},
    {"clMenuText", kSysColorBase + 7},
    {"clNone", 0x1FFFFFFFu},
    {"clScrollBar", kSysColorBase + 0},
    {"cl3DDkShadow", kSysColorBase + 21},
    {"cl3DLight", kSysColorBase + 22},
    {"clWindow", kSysColorBase + 5},
    {"clWindowFrame", kSysColorBase + 6},
    {"clWindowText", kSysColorBase + 8},
}};

// Named values used directly by the program's windows.
inline constexpr TColor clBlack = 0x00000000u;
inline constexpr TColor clWhite = 0x00FFFFFFu;
inline constexpr TColor clRed = 0x000000FFu;
inline constexpr TColor clBackground = kSysColorBase + 1;
inline constexpr TColor clHighlight = kSysColorBase + 13;
inline constexpr TColor clBtnFace = kSysColorBase + 15;
inline constexpr TColor clWindow = kSysColorBase + 5;
inline constexpr TColor clWindowText = kSysColorBase + 8;
inline constexpr TColor clDefault = 0x20000000u;
inline constexpr TColor clNone = 0x1FFFFFFFu;

// The identifier of the first table entry with this value, otherwise "$"
// followed by the value as eight upper-case hexadecimal digits.
std::string ColorToText(TColor color);

// The value of the identifier equal to the text (letter case ignored),
// otherwise the text read as a 32-bit integer:
//   blanks*  [+|-]  ( decimal-digits | ("$" | "0x" | "x") hex-digits )
// with nothing after the digits. Blanks are spaces and tabs; "x" and the hex
// digits may be of either case. A hexadecimal number of at most eight
// significant digits stands for that 32-bit pattern (so "$80000005" is the
// system colour 5); a decimal number must lie in the signed 32-bit range. A
// minus sign negates (two's complement). Anything else, the empty text
// included, throws fw::ConvertError "'<text>' 不是一个有效的整形值".
TColor TextToColor(const std::string& text);

// The identifier's value, if the text names one (letter case ignored).
bool IdentToColor(std::string_view ident, TColor& color);

}  // namespace common
