// Plain value types of the window framework: colours, rectangles, alignment,
// notification numbers. No windows.h here.
#pragma once

#include <cstdint>

namespace fw {

// 0x00BBGGRR for a plain colour; 0x80000000 | index for a system colour.
// Unsigned, so that system colours compare and print as the pattern they are
// (0x80000005 is a positive value); code that needs the signed form (to
// store it as a 32-bit registry integer) converts with static_cast<std::int32_t>.
using Color = std::uint32_t;

constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color SystemColor(int index) { return kSystemColorFlag | static_cast<Color>(index); }
constexpr bool IsSystemColor(Color c) { return (c & 0xFF000000u) == kSystemColorFlag; }

constexpr Color clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr Color clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr Color clNone = 0x1FFFFFFF, clDefault = 0x20000000;
constexpr Color clScrollBar = SystemColor(0), clBackground = SystemColor(1),
                clActiveCaption = SystemColor(2), clInactiveCaption = SystemColor(3),
                clMenu = SystemColor(4), clWindow = SystemColor(5), clWindowFrame = SystemColor(6),
                clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10),
                clInactiveBorder = SystemColor(11), clAppWorkSpace = SystemColor(12),
                clHighlight = SystemColor(13), clHighlightText = SystemColor(14),
                clBtnFace = SystemColor(15), clBtnShadow = SystemColor(16),
                clGrayText = SystemColor(17), clBtnText = SystemColor(18),
                clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22),
                clInfoText = SystemColor(23), clInfoBk = SystemColor(24),
                clGradientActiveCaption = SystemColor(27),
                clGradientInactiveCaption = SystemColor(28);

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool Contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr bool operator==(const Rect&) const = default;
};
constexpr Rect Bounds(int left, int top, int width, int height) {
    return Rect{left, top, left + width, top + height};
}

enum class Align { None, Top, Bottom, Left, Right, Client };

// Notifications the framework sends between controls (message numbers).
namespace notify {
constexpr unsigned DialogChar = 0xB006;
constexpr unsigned FocusChanged = 0xB007;
constexpr unsigned ParentFontChanged = 0xB008;
constexpr unsigned ParentColorChanged = 0xB009;
constexpr unsigned VisibleChanged = 0xB00B;
constexpr unsigned EnabledChanged = 0xB00C;
constexpr unsigned ColorChanged = 0xB00D;
constexpr unsigned FontChanged = 0xB00E;
constexpr unsigned TextChanged = 0xB012;
constexpr unsigned MouseEnter = 0xB013;
constexpr unsigned MouseLeave = 0xB014;
constexpr unsigned ButtonPressed = 0xB018;
constexpr unsigned SysColorChange = 0xB024;
// A message a native child sent its parent (WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR..., WM_DRAWITEM), handed back to the child's object as
// Reflected + the message, with the same parameters.
constexpr unsigned Reflected = 0xBC00;
}  // namespace notify

}  // namespace fw
