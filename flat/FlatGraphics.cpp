#include "flat/FlatGraphics.h"

#include "framework/Errors.h"

namespace flat {

namespace {

// Destination = brush where the source (mask) bit is set, unchanged where it
// is clear, given text colour black and background white in the destination.
constexpr DWORD kMaskedBrushRop = 0x00E20746;

const char kBitmapFailed[] = "创建位图失败";
const char kNotABitmap[] = "无效的位图";

class MemoryDC {
public:
    MemoryDC() : dc_(CreateCompatibleDC(nullptr)) {
        if (!dc_) throw fw::Error(kBitmapFailed);
    }
    ~MemoryDC() {
        if (old_) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }
    void Select(HBITMAP b) {
        HGDIOBJ old = SelectObject(dc_, b);
        if (!old) throw fw::Error(kBitmapFailed);
        if (!old_) old_ = old;
    }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

class OwnedObject {
public:
    explicit OwnedObject(HGDIOBJ o) : o_(o) {
        if (!o_) throw fw::Error(kBitmapFailed);
    }
    ~OwnedObject() {
        if (o_) DeleteObject(o_);
    }
    OwnedObject(const OwnedObject&) = delete;
    OwnedObject& operator=(const OwnedObject&) = delete;
    HGDIOBJ Get() const { return o_; }
    HGDIOBJ Release() {
        HGDIOBJ o = o_;
        o_ = nullptr;
        return o;
    }

private:
    HGDIOBJ o_;
};

// Paints `color` into `dc` wherever the mask bit is set, the mask moved by (dx, dy).
void PaintThroughMask(HDC dc, HDC mask, int width, int height, int dx, int dy, fw::Color color) {
    OwnedObject brush(CreateSolidBrush(fw::ColorToRGB(color)));
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

HBITMAP MakeDisabledGlyph(HBITMAP source, fw::Color key, fw::Color face, fw::Color highlight,
                          fw::Color shadow, bool embossed) {
    BITMAP info{};
    if (!source || GetObjectA(source, sizeof info, &info) == 0) throw fw::Error(kNotABitmap);
    const int w = info.bmWidth, h = info.bmHeight;
    const bool monochrome = info.bmBitsPixel == 1 && info.bmPlanes == 1;

    HDC screen = GetDC(nullptr);
    HBITMAP made = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    OwnedObject result(made);
    OwnedObject mask(CreateBitmap(w, h, 1, 1, nullptr));
    {
        MemoryDC src, bits, out;
        src.Select(source);
        bits.Select(static_cast<HBITMAP>(mask.Get()));
        out.Select(static_cast<HBITMAP>(result.Get()));
        // Colour to monochrome sets the bits of pixels in the background
        // colour; a monochrome source's black pixels are its clear bits.
        SetBkColor(src.Get(), fw::ColorToRGB(key));
        if (!BitBlt(bits.Get(), 0, 0, w, h, src.Get(), 0, 0, monochrome ? NOTSRCCOPY : SRCCOPY))
            throw fw::Error(kBitmapFailed);

        OwnedObject faceBrush(CreateSolidBrush(fw::ColorToRGB(face)));
        RECT all{0, 0, w, h};
        FillRect(out.Get(), &all, static_cast<HBRUSH>(faceBrush.Get()));
        if (embossed) PaintThroughMask(out.Get(), bits.Get(), w, h, 1, 1, highlight);
        PaintThroughMask(out.Get(), bits.Get(), w, h, 0, 0, shadow);
    }
    return static_cast<HBITMAP>(result.Release());
}

void FillSolid(HDC dc, const RECT& r, fw::Color c) {
    HBRUSH b = CreateSolidBrush(fw::ColorToRGB(c));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void OutlineSolid(HDC dc, const RECT& r, fw::Color c) {
    HBRUSH b = CreateSolidBrush(fw::ColorToRGB(c));
    FrameRect(dc, &r, b);
    DeleteObject(b);
}

}  // namespace flat
