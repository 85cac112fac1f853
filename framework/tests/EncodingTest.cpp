#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Narrow literals are compiled to code page 936: a lost charset flag fails here.
TEST(Encoding, LiteralsAreCodePage936) {
    EXPECT_EQ(Hex("Keltrin工作室"), "4B 65 6C 74 72 69 6E B9 A4 D7 F7 CA D2");
    EXPECT_EQ(Hex("Quelvo1.0版"), "51 75 65 6C 76 6F 31 2E 30 B0 E6");
    EXPECT_EQ(Hex("显示主窗口   &S"), "CF D4 CA BE D6 F7 B4 B0 BF DA 20 20 20 26 53");
}

TEST(Encoding, WineRunsWithTheChineseAnsiCodePage) {
    EXPECT_EQ(GetACP(), 936u);
}

}  // namespace
