// Colour identifiers and the text form of colours (fw::Color, with its
// constants in framework/Types.h).
//
// Pure code: no platform headers, builds natively too.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "framework/Types.h"

namespace common {

struct ColorIdent {
    std::string_view name;
    fw::Color value;
};

// Number of colour identifiers; the first kBasicColorCount are the basic
// colours offered by the colour picker, in its order.
inline constexpr std::size_t kColorIdentCount = 49;
inline constexpr std::size_t kBasicColorCount = 16;

// The colour identifiers in table order. The order matters: ColorToText
// names a value by the first entry that has it (no two entries share a value).
inline constexpr std::array<ColorIdent, kColorIdentCount> kColorTable{{
    {"clBlack", fw::clBlack},
    {"clMaroon", fw::clMaroon},
    {"clGreen", fw::clGreen},
    {"clOlive", fw::clOlive},
    {"clNavy", fw::clNavy},
    {"clPurple", fw::clPurple},
    {"clTeal", fw::clTeal},
    {"clGray", fw::clGray},
    {"clSilver", fw::clSilver},
    {"clRed", fw::clRed},
    {"clLime", fw::clLime},
    {"clYellow", fw::clYellow},
    {"clBlue", fw::clBlue},
    {"clFuchsia", fw::clFuchsia},
    {"clAqua", fw::clAqua},
    {"clWhite", fw::clWhite},
    {"clMoneyGreen", fw::clMoneyGreen},
    {"clSkyBlue", fw::clSkyBlue},
    {"clCream", fw::clCream},
    {"clMedGray", fw::clMedGray},
    {"clActiveBorder", fw::clActiveBorder},
    {"clActiveCaption", fw::clActiveCaption},
    {"clAppWorkSpace", fw::clAppWorkSpace},
    {"clBackground", fw::clBackground},
    {"clBtnFace", fw::clBtnFace},
    {"clBtnHighlight", fw::clBtnHighlight},
    {"clBtnShadow", fw::clBtnShadow},
    {"clBtnText", fw::clBtnText},
    {"clCaptionText", fw::clCaptionText},
    {"clDefault", fw::clDefault},
    {"clGradientActiveCaption", fw::clGradientActiveCaption},
    {"clGradientInactiveCaption", fw::clGradientInactiveCaption},
    {"clGrayText", fw::clGrayText},
    {"clHighlight", fw::clHighlight},
    {"clHighlightText", fw::clHighlightText},
    {"clInactiveBorder", fw::clInactiveBorder},
    {"clInactiveCaption", fw::clInactiveCaption},
    {"clInactiveCaptionText", fw::clInactiveCaptionText},
    {"clInfoBk", fw::clInfoBk},
    {"clInfoText", fw::clInfoText},
    {"clMenu", fw::clMenu},
    {"clMenuText", fw::clMenuText},
    {"clNone", fw::clNone},
    {"clScrollBar", fw::clScrollBar},
    {"cl3DDkShadow", fw::cl3DDkShadow},
    {"cl3DLight", fw::cl3DLight},
    {"clWindow", fw::clWindow},
    {"clWindowFrame", fw::clWindowFrame},
    {"clWindowText", fw::clWindowText},
}};

// The identifier of the first table entry with this value, otherwise "$"
// followed by the value as eight upper-case hexadecimal digits.
std::string ColorToText(fw::Color color);

// The value of the identifier equal to the text (letter case ignored),
// otherwise the text read as a 32-bit integer:
//   blanks*  [+|-]  ( decimal-digits | ("$" | "0x" | "x") hex-digits )
// with nothing after the digits. Blanks are spaces and tabs; "x" and the hex
// digits may be of either case. A hexadecimal number of at most eight
// significant digits stands for that 32-bit pattern (so "$80000005" is the
// system colour 5); a decimal number must lie in the signed 32-bit range. A
// minus sign negates (two's complement). Anything else, the empty text
// included, throws fw::ConvertError "'<text>' 不是一个有效的整形值".
fw::Color TextToColor(const std::string& text);

// The identifier's value, if the text names one (letter case ignored).
bool IdentToColor(std::string_view ident, fw::Color& color);

}  // namespace common
