#include "common/ColorNames.h"

#include <cstddef>
#include <optional>

#include "framework/Errors.h"

namespace common {
namespace {

constexpr char kNotAnInteger[] = "'%s' 不是一个有效的整形值";

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads the text as a 32-bit integer; no value when it is not one.
std::optional<std::uint32_t> ParseInteger(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;

    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        i += 1;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        i += 1;
    }

    if (i >= s.size()) return std::nullopt;  // no digits

    std::uint32_t magnitude = 0;
    if (hex) {
        int significant = 0;
        for (; i < s.size(); ++i) {
            const int d = HexDigit(s[i]);
            if (d < 0) return std::nullopt;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return std::nullopt;
            magnitude = (magnitude << 4) | static_cast<std::uint32_t>(d);
        }
    } else {
        // Decimal: the signed 32-bit range, -2147483648 .. 2147483647.
        const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
        std::uint64_t v = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return std::nullopt;
            v = v * 10 + static_cast<std::uint64_t>(s[i] - '0');
            if (v > limit) return std::nullopt;
        }
        magnitude = static_cast<std::uint32_t>(v);
    }
    // Two's complement negation in unsigned arithmetic (well defined).
    return negative ? static_cast<std::uint32_t>(0u - magnitude) : magnitude;
}

}  // namespace

std::string ColorToText(fw::Color color) {
    for (const auto& entry : kColorTable)
        if (entry.value == color) return std::string(entry.name);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "$";
    for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(color >> shift) & 0xF];
    return text;
}

bool IdentToColor(std::string_view ident, fw::Color& color) {
    for (const auto& entry : kColorTable) {
        if (EqualIgnoringCase(entry.name, ident)) {
            color = entry.value;
            return true;
        }
    }
    return false;
}

fw::Color TextToColor(const std::string& text) {
    fw::Color color = 0;
    if (IdentToColor(text, color)) return color;
    if (const auto value = ParseInteger(text)) return *value;
    throw fw::ConvertError(fw::FormatMessage1(kNotAnInteger, text));
}

}  // namespace common
