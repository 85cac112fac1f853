#include "common/ColorNames.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/Errors.h"

namespace common {
namespace {

struct NamedValue {
    const char* name;
    std::uint32_t value;
};

// Written out independently of the table in the header, in table order.
const NamedValue kExpected[] = {
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0},
    {"clSkyBlue", 0x00F0CAA6},
    {"clCream", 0x00F0FBFF},
    {"clMedGray", 0x00A4A0A0},
    {"clActiveBorder", 0x8000000A},
    {"clActiveCaption", 0x80000002},
    {"clAppWorkSpace", 0x8000000C},
    {"clBackground", 0x80000001},
    {"clBtnFace", 0x8000000F},
    {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010},
    {"clBtnText", 0x80000012},
    {"clCaptionText", 0x80000009},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clGrayText", 0x80000011},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clInactiveBorder", 0x8000000B},
    {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013},
    {"clInfoBk", 0x80000018},
    {"clInfoText", 0x80000017},
    {"clMenu", 0x80000004},
    {"clMenuText", 0x80000007},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clWindowText", 0x80000008},
};

void PrintTo(const NamedValue& v, std::ostream* os) { *os << v.name; }

std::string ConvertMessageFor(const std::string& text) {
    return "'" + text + "' 不是一个有效的整形值";
}

TEST(ColorTable, HoldsTheFortyNineIdentifiersInOrder) {
    ASSERT_EQ(kColorTable.size(), std::size(kExpected));
    for (std::size_t i = 0; i < kColorTable.size(); ++i) {
        SCOPED_TRACE(kExpected[i].name);
        EXPECT_EQ(kColorTable[i].name, kExpected[i].name);
        EXPECT_EQ(kColorTable[i].value, kExpected[i].value);
    }
}

TEST(ColorTable, ValuesAreDistinct) {
    std::set<fw::Color> values;
    for (const auto& e : kColorTable) values.insert(e.value);
    EXPECT_EQ(values.size(), kColorTable.size());
}

TEST(ColorTable, BasicColoursAreTheFirstSixteen) {
    const char* basic[] = {"clBlack", "clMaroon", "clGreen", "clOlive", "clNavy",   "clPurple",
                           "clTeal",  "clGray",   "clSilver", "clRed",  "clLime",   "clYellow",
                           "clBlue",  "clFuchsia", "clAqua",  "clWhite"};
    ASSERT_EQ(kBasicColorCount, std::size(basic));
    for (std::size_t i = 0; i < kBasicColorCount; ++i) EXPECT_EQ(kColorTable[i].name, basic[i]);
}

class ColorIdentifier : public ::testing::TestWithParam<NamedValue> {};

TEST_P(ColorIdentifier, ValueToNameAndBack) {
    const auto& p = GetParam();
    EXPECT_EQ(ColorToText(p.value), p.name);
    EXPECT_EQ(TextToColor(p.name), p.value);
}

TEST_P(ColorIdentifier, NameIgnoresLetterCase) {
    const auto& p = GetParam();
    std::string upper = p.name, lower = p.name, mixed = p.name;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
        mixed[i] = (i % 2) ? upper[i] : lower[i];
    }
    EXPECT_EQ(TextToColor(upper), p.value);
    EXPECT_EQ(TextToColor(lower), p.value);
    EXPECT_EQ(TextToColor(mixed), p.value);
}

INSTANTIATE_TEST_SUITE_P(ColorIdents, ColorIdentifier, ::testing::ValuesIn(kExpected),
                         [](const auto& info) { return std::string(info.param.name); });

struct ToTextCase {
    std::uint32_t value;
    const char* text;
};

void PrintTo(const ToTextCase& c, std::ostream* os) { *os << c.text; }

class ColorToTextCases : public ::testing::TestWithParam<ToTextCase> {};

TEST_P(ColorToTextCases, Writes) {
    EXPECT_EQ(ColorToText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(ColorValues, ColorToTextCases,
                         ::testing::Values(ToTextCase{0x80000005, "clWindow"},
                                           ToTextCase{0x00C5D6D9, "$00C5D6D9"},
                                           ToTextCase{0x00000001, "$00000001"},
                                           ToTextCase{0x00ABCDEF, "$00ABCDEF"},
                                           ToTextCase{0xFFFFFFFF, "$FFFFFFFF"},
                                           ToTextCase{0x8000001D, "$8000001D"},
                                           ToTextCase{0x80000019, "$80000019"},
                                           ToTextCase{0x7FFFFFFF, "$7FFFFFFF"},
                                           ToTextCase{0x1FFFFFFE, "$1FFFFFFE"}));

struct ParseCase {
    const char* text;
    std::uint32_t value;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << '[' << c.text << ']'; }

class TextToColorAccepts : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TextToColorAccepts, Reads) {
    EXPECT_EQ(TextToColor(GetParam().text), GetParam().value) << "text: [" << GetParam().text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    ColorTexts, TextToColorAccepts,
    ::testing::Values(
        // The same red, every way of writing it.
        ParseCase{"clRed", 0xFF}, ParseCase{"CLRED", 0xFF}, ParseCase{"clred", 0xFF},
        ParseCase{"$FF", 0xFF}, ParseCase{"$ff", 0xFF}, ParseCase{"255", 0xFF},
        ParseCase{"0xFF", 0xFF}, ParseCase{"0XfF", 0xFF}, ParseCase{"xFF", 0xFF},
        ParseCase{"XFF", 0xFF}, ParseCase{"+255", 0xFF}, ParseCase{"+$FF", 0xFF},
        ParseCase{"  255", 0xFF}, ParseCase{"\t$FF", 0xFF}, ParseCase{" \t +0xff", 0xFF},
        ParseCase{"000255", 0xFF}, ParseCase{"$000000FF", 0xFF},
        ParseCase{"$00000000000000FF", 0xFF},  // leading zeros are not significant
        ParseCase{"0", 0}, ParseCase{"-0", 0}, ParseCase{"$0", 0}, ParseCase{"x0", 0},
        // Signed decimal range.
        ParseCase{"2147483647", 0x7FFFFFFF}, ParseCase{"-2147483648", 0x80000000},
        ParseCase{"-1", 0xFFFFFFFF}, ParseCase{"-16777216", 0xFF000000},
        // Hexadecimal stands for the 32-bit pattern; a sign negates it.
        ParseCase{"$80000005", 0x80000005}, ParseCase{"$FFFFFFFF", 0xFFFFFFFF},
        ParseCase{"0x80000000", 0x80000000}, ParseCase{"-$1", 0xFFFFFFFF},
        ParseCase{"-0x10", 0xFFFFFFF0}, ParseCase{"-$80000000", 0x80000000},
        ParseCase{"-$FFFFFFFF", 0x00000001},
        // Identifiers win over numbers only by exact (case-free) match.
        ParseCase{"clwindowtext", 0x80000008}, ParseCase{"CL3DDKSHADOW", 0x80000015}));

class TextToColorRejects : public ::testing::TestWithParam<const char*> {};

TEST_P(TextToColorRejects, RaisesConvertErrorNamingTheText) {
    const std::string text = GetParam();
    try {
        TextToColor(text);
        FAIL() << "no error for [" << text << "]";
    } catch (const fw::ConvertError& e) {
        EXPECT_EQ(e.Message(), ConvertMessageFor(text));
    }
}

INSTANTIATE_TEST_SUITE_P(
    ColorTexts, TextToColorRejects,
    ::testing::Values("", " ", "Red", "red", "clRedd", " clRed", "clRed ", "cl Red", "$", "0x", "x",
                      "+", "-", "+-1", "--1", "- 1", "$-1", "0x-1", "$ FF", "255 ", "255\t", "$FF ",
                      "2147483648", "-2147483649", "4294967295", "99999999999999999999",
                      "$100000000", "0x123456789", "$G", "12a", "1.0", "1e3", "0x0x1", "$$1",
                      "0$1", "00x1", "x$1", "\n1", "1\n", "\xB0\xA1"));

TEST(TextToColorMessage, KeepsTheTextBytesAndPattern) {
    // The message is the pattern's bytes with the text in place of %s; the
    // text is carried through untouched, whatever its bytes.
    const std::string text = "\xC7\xF3 \x01";
    try {
        TextToColor(text);
        FAIL();
    } catch (const fw::ConvertError& e) {
        const std::string tail = " 不是一个有效的整形值";
        EXPECT_EQ(e.Message(), "'" + text + "'" + tail);
        EXPECT_EQ(e.Message().substr(0, 1 + text.size() + 1), "'" + text + "'");
    }
}

TEST(ColorRoundTrip, EveryTableValue) {
    for (const auto& e : kColorTable) EXPECT_EQ(TextToColor(ColorToText(e.value)), e.value);
}

TEST(ColorRoundTrip, SystemColourIndicesAndEdges) {
    std::vector<std::uint32_t> values = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x1FFFFFFF, 0x20000000};
    for (std::uint32_t i = 0; i < 64; ++i) values.push_back(0x80000000u + i);
    for (auto v : values) {
        const auto text = ColorToText(v);
        EXPECT_EQ(TextToColor(text), v) << text;
    }
}

TEST(ColorRoundTrip, RandomValues) {
    std::mt19937 rng(20240607u);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t v = rng();
        const auto text = ColorToText(v);
        ASSERT_EQ(TextToColor(text), v) << text;
        // Also read back from the lower-case and "0x" forms of the hexadecimal text.
        if (text[0] == '$') {
            std::string lower = text;
            for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            ASSERT_EQ(TextToColor(lower), v) << lower;
            ASSERT_EQ(TextToColor("0x" + text.substr(1)), v) << text;
        }
    }
}

TEST(ColorRoundTrip, DecimalTextOfSignedValue) {
    std::mt19937 rng(7u);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t v = rng();
        const auto text = std::to_string(static_cast<std::int32_t>(v));
        ASSERT_EQ(TextToColor(text), v) << text;
    }
}

}  // namespace
}  // namespace common
