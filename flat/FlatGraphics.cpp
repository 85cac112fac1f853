#include "flat/FlatGraphics.h"

#include "framework/Errors.h"
#include "framework/Graphic.h"

namespace flat {

namespace {

// Destination = brush where the source (mask) bit is set, unchanged where it
// is clear, given text colour black and background white in the destination.
constexpr DWORD kMaskedBrushRop = 0x00E20746;

const char kBitmapFailed[] = "创建位图失败";
const char kNotABitmap[] = "无效的位图";

class MemoryDC {
public:
    MemoryDC() {
        if (!dc_.Ok()) throw fw::Error(kBitmapFailed);
    }
    HDC Get() const { return dc_.Get(); }
    void Select(HBITMAP b) {
        if (!dc_.Select(b)) throw fw::Error(kBitmapFailed);
    }

private:
    fw::MemoryDc dc_;
};

// The object made, or the failure raised.
template <class Owned>
Owned Made(Owned made) {
    if (!made) throw fw::Error(kBitmapFailed);
    return made;
}

// Paints `color` into `dc` wherever the mask bit is set, the mask moved by (dx, dy).
void PaintThroughMask(HDC dc, HDC mask, int width, int height, int dx, int dy, fw::Color color) {
    const fw::OwnedBrush brush = Made(fw::MakeSolidBrush(fw::ColorToRGB(color)));
    HGDIOBJ old = SelectObject(dc, brush.Get());
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    const BOOL done = BitBlt(dc, dx, dy, width, height, mask, 0, 0, kMaskedBrushRop);
    SelectObject(dc, old);
    if (!done) throw fw::Error(kBitmapFailed);
}

}  // namespace

void DrawBevelFrame(fw::Canvas& canvas, const fw::Rect& rect, fw::Color top, fw::Color bottom,
                    int width) {
    canvas.pen.width = 1;
    int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
    for (int ring = 0; ring < width && l <= r && t <= b; ++ring) {
        // Each polyline leaves out its last point.
        canvas.pen.color = top;
        canvas.MoveTo(l, b);
        canvas.LineTo(l, t);
        canvas.LineTo(r, t);
        canvas.pen.color = bottom;
        canvas.LineTo(r, b);
        canvas.LineTo(l - 1, b);
        ++l, ++t, --r, --b;
    }
}

void PaintParentBackground(fw::Control& control, fw::Canvas& canvas) {
    fw::WinControl* parent = control.Parent();
    HWND window = parent ? parent->HandleIfAllocated() : nullptr;
    if (!window) return;
    HDC dc = canvas.Handle();
    RECT client{};
    GetClientRect(window, &client);
    fw::MovedDc at(dc, -control.Left(), -control.Top(), client.right - client.left, client.bottom - client.top);
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageA(window, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

fw::OwnedBitmap MakeDisabledGlyph(HBITMAP source, fw::Color key, fw::Color face, fw::Color highlight,
                                  fw::Color shadow, bool embossed) {
    BITMAP info{};
    if (!source || GetObjectA(source, sizeof info, &info) == 0) throw fw::Error(kNotABitmap);
    const int w = info.bmWidth, h = info.bmHeight;
    const bool monochrome = info.bmBitsPixel == 1 && info.bmPlanes == 1;

    // 32 bits a pixel, made without asking the screen: this runs at paint time.
    fw::OwnedBitmap result = Made(fw::CreateTopDown32(w, h));
    const fw::OwnedBitmap mask = Made(fw::MakeMonochromeBitmap(w, h));
    {
        MemoryDC src, bits, out;
        src.Select(source);
        bits.Select(mask.Get());
        out.Select(result.Get());
        // Colour to monochrome sets the bits of pixels in the background
        // colour; a monochrome source's black pixels are its clear bits.
        SetBkColor(src.Get(), fw::ColorToRGB(key));
        if (!BitBlt(bits.Get(), 0, 0, w, h, src.Get(), 0, 0, monochrome ? NOTSRCCOPY : SRCCOPY))
            throw fw::Error(kBitmapFailed);

        const fw::OwnedBrush faceBrush = Made(fw::MakeSolidBrush(fw::ColorToRGB(face)));
        RECT all{0, 0, w, h};
        FillRect(out.Get(), &all, faceBrush.Get());
        if (embossed) PaintThroughMask(out.Get(), bits.Get(), w, h, 1, 1, highlight);
        PaintThroughMask(out.Get(), bits.Get(), w, h, 0, 0, shadow);
    }
    return result;
}

void FillSolid(HDC dc, const RECT& r, fw::Color c) {
    FillRect(dc, &r, fw::MakeSolidBrush(fw::ColorToRGB(c)).Get());
}

void OutlineSolid(HDC dc, const RECT& r, fw::Color c) {
    FrameRect(dc, &r, fw::MakeSolidBrush(fw::ColorToRGB(c)).Get());
}

}  // namespace flat
