#include <gtest/gtest.h>

#include "framework/Errors.h"

namespace {

struct DotCase {
    const char* message;
    const char* shown;
};

// The error box appends "." when the last byte compares greater than ".".
const DotCase kDotCases[] = {
    {"", ""},
    {"ends in a dot.", "ends in a dot."},
    {"ends in a quote '", "ends in a quote '"},
    {"ends in a double quote \"", "ends in a double quote \""},
    {"ends in a hyphen -", "ends in a hyphen -"},
    {"ends in a slash /", "ends in a slash /."},
    {"code 42", "code 42."},
    {"从 'Key_Value' 获得数据失败", "从 'Key_Value' 获得数据失败."},
    {"'x' 的数据类型是无效的", "'x' 的数据类型是无效的."},
    {"abc", "abc."},
    {"ends in a blank ", "ends in a blank "},
};

TEST(ErrorBoxText, AppendsDotByLastByte) {
    for (const auto& c : kDotCases)
        EXPECT_EQ(fw::ErrorBoxText(c.message), c.shown) << "message: " << c.message;
}

TEST(ErrorMessages, FormatReplacesPlaceholdersByteForByte) {
    EXPECT_EQ(fw::FormatMessage1("创建主键 %s 失败", "SOFTWARE\\x"), "创建主键 SOFTWARE\\x 失败");
    EXPECT_EQ(fw::FormatMessage1("no placeholder", "x"), "no placeholder");
    EXPECT_EQ(fw::FormatMessage1("%s", "%s%d"), "%s%d");
    EXPECT_EQ(fw::FormatMessageInt("JPEG error #%d", 53), "JPEG error #53");
    EXPECT_EQ(fw::FormatMessageInt("JPEG error #%d", -1), "JPEG error #-1");
}

TEST(ErrorMessages, OverlongArgumentIsCutSoThePatternIsShown) {
    const std::string pattern = "'%s' 不是一个有效的整形值";
    const std::string limit(fw::kMaxMessageArgument, 'Q');
    EXPECT_EQ(fw::FormatMessage1(pattern, limit), "'" + limit + "' 不是一个有效的整形值");
    // A value of a megabyte, as the registry may hold, is quoted by its start.
    EXPECT_EQ(fw::FormatMessage1(pattern, std::string(1 << 20, 'Q')), "'" + limit + "...' 不是一个有效的整形值");
    // The cut never splits a double-byte character: after one single byte,
    // 511 characters of two bytes fill 1023 bytes and the next would not fit.
    std::string wide = "a";
    for (int i = 0; i < 600; ++i) wide += "工";
    EXPECT_EQ(fw::FormatMessage1("不能打开文件 %s", wide), "不能打开文件 " + wide.substr(0, 1023) + "...");
    EXPECT_EQ(fw::FormatMessage1("不能打开文件 %s", wide.substr(1)), "不能打开文件 " + wide.substr(1, 1024) + "...");
}

TEST(ErrorKinds, AllDeriveFromTheGeneralError) {
    try {
        throw fw::RegistryError("r");
    } catch (const fw::Error& e) {
        EXPECT_EQ(e.Message(), "r");
    }
    EXPECT_THROW(throw fw::ConvertError("c"), fw::Error);
    EXPECT_THROW(throw fw::PictureError("p"), fw::Error);
    EXPECT_THROW(throw fw::ComError("m"), fw::Error);
    EXPECT_THROW(throw fw::InvalidOperation("i"), fw::Error);
}

}  // namespace
