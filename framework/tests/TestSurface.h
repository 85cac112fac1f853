// A real GDI surface for tests that paint and read the pixels back: a 32-bit
// top-down DIB section selected into a memory DC, so colours compare exactly
// whatever the screen depth.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "framework/Graphic.h"

namespace testgdi {

// A COLORREF (0x00BBGGRR) as a 32-bit DIB holds it (0x00RRGGBB).
constexpr std::uint32_t DibRgb(COLORREF c) {
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
           GetBValue(c);
}

class Surface {
public:
    // width x height pixels, all `fill`.
    Surface(int width, int height, COLORREF fill = RGB(0, 0, 0)) : width_(width), height_(height) {
        std::uint8_t* bits = nullptr;
        bitmap_ = fw::CreateTopDown32(width, height, &bits);
        if (!bitmap_ || !dc_.Select(bitmap_.Get())) throw std::runtime_error("no memory for a test surface");
        bits_ = reinterpret_cast<std::uint32_t*>(bits);
        Fill(fill);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC Dc() const { return dc_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The colour at (x, y) in the DC's logical coordinates, as GetPixel reads it.
    COLORREF At(int x, int y) const { return GetPixel(dc_.Get(), x, y); }
    // The 0x00RRGGBB bits of the bitmap's pixel (x, y).
    std::uint32_t Bits(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFFu;
    }
    // How many pixels have colour `c`.
    int Count(COLORREF c) const {
        GdiFlush();
        const std::uint32_t want = DibRgb(c);
        int n = 0;
        for (int i = 0; i < width_ * height_; ++i) n += (bits_[i] & 0xFFFFFFu) == want;
        return n;
    }
    // How many pixels of the rectangle have colour `c`.
    int Count(COLORREF c, const RECT& r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) == c;
        return n;
    }
    // The window painted into the surface, as an animation or a parent's
    // print asks for it (WM_PRINTCLIENT or WM_PRINT).
    void PrintOf(HWND window, UINT message = WM_PRINTCLIENT) {
        SendMessageA(window, message, reinterpret_cast<WPARAM>(dc_.Get()), PRF_CLIENT);
    }
    // What the window shows on the screen now.
    void CopyOf(HWND window) {
        HDC dc = GetDC(window);
        BitBlt(dc_.Get(), 0, 0, width_, height_, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    }
    // Every pixel `c`, whatever the DC's origin and clipping.
    void Fill(COLORREF c) {
        GdiFlush();
        const std::uint32_t v = DibRgb(c);
        for (int i = 0; i < width_ * height_; ++i) bits_[i] = v;
    }

private:
    int width_, height_;
    fw::OwnedBitmap bitmap_;
    fw::MemoryDc dc_;  // goes first: the bitmap is put out of it before it is deleted
    std::uint32_t* bits_ = nullptr;
};

}  // namespace testgdi
