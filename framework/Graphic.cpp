#include "framework/Graphic.h"

#include <cstring>
#include <limits>
#include <utility>

namespace fw {
namespace {

// A memory device context with one bitmap selected, restored and deleted
// on scope exit.
class BitmapDc {
public:
    BitmapDc(HDC reference, HBITMAP bitmap) : dc_(reference) { ok_ = dc_.Select(bitmap); }
    HDC Handle() const { return dc_.Get(); }
    bool Ok() const { return ok_; }

private:
    MemoryDc dc_;
    bool ok_ = false;
};

BITMAPINFOHEADER TopDown32(int width, int height) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return h;
}

std::size_t BitmapBytes(HBITMAP b) {
    if (b == nullptr) return 0;
    BITMAP info{};
    if (GetObjectA(b, sizeof info, &info) != sizeof info) return 0;
    return static_cast<std::size_t>(info.bmWidthBytes) * static_cast<std::size_t>(info.bmHeight);
}

bool EmptyRect(const RECT& r) { return r.right == r.left || r.bottom == r.top; }

}  // namespace

OwnedBitmap CreateTopDown32(int width, int height, std::uint8_t** bits) {
    if (width <= 0 || height <= 0) return OwnedBitmap();
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 >
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return OwnedBitmap();
    BITMAPINFO info{};
    info.bmiHeader = TopDown32(width, height);
    void* pixels = nullptr;
    OwnedBitmap bitmap = MakeDibSection(info, &pixels);
    if (pixels == nullptr) return OwnedBitmap();
    if (bits != nullptr) *bits = static_cast<std::uint8_t*>(pixels);
    return bitmap;
}

// ------------------------------------------------------------- BitmapGraphic

BitmapGraphic::BitmapGraphic(OwnedBitmap bitmap, std::uint8_t* bits, int width, int height)
    : bitmap_(std::move(bitmap)), bits_(bits), width_(width), height_(height) {}

std::shared_ptr<BitmapGraphic> BitmapGraphic::Create(int width, int height) {
    std::uint8_t* bits = nullptr;
    OwnedBitmap bitmap = CreateTopDown32(width, height, &bits);
    if (!bitmap) return nullptr;
    return std::shared_ptr<BitmapGraphic>(new BitmapGraphic(std::move(bitmap), bits, width, height));
}

std::shared_ptr<BitmapGraphic> BitmapGraphic::FromPixels(const std::uint8_t* pixels, int width, int height,
                                                         int channels, std::size_t stride) {
    if (pixels == nullptr || (channels != 3 && channels != 4)) return nullptr;
    return FromRows(width, height, [&](std::uint8_t* bits, std::size_t bitsStride) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = pixels + stride * static_cast<std::size_t>(y);
            std::uint8_t* dst = bits + bitsStride * static_cast<std::size_t>(y);
            if (channels == 4) {
                std::memcpy(dst, src, bitsStride);
                continue;
            }
            for (int x = 0; x < width; ++x, src += 3, dst += 4) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
        }
        return true;
    });
}

void BitmapGraphic::ClearFourthBytes() {
    const std::size_t bytes = Stride() * static_cast<std::size_t>(height_);
    for (std::size_t i = 3; i < bytes; i += 4) bits_[i] = 0;
}

std::shared_ptr<BitmapGraphic> BitmapGraphic::FromBitmap(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return nullptr;
    const int width = info.bmWidth;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    return FromRows(width, height, [&](std::uint8_t* bits, std::size_t) {
        BITMAPINFO want{};
        want.bmiHeader = TopDown32(width, height);
        HDC screen = GetDC(nullptr);
        // The source must not be selected into a DC for GetDIBits: it is not ours.
        const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bits, &want, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        return rows == height;
    });
}

COLORREF BitmapGraphic::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    GdiFlush();
    const std::uint8_t* p = bits_ + Stride() * static_cast<std::size_t>(y) + static_cast<std::size_t>(x) * 4;
    return RGB(p[2], p[1], p[0]);
}

void BitmapGraphic::Draw(HDC dc, const RECT& dest) const {
    if (EmptyRect(dest)) return;
    BitmapDc mem(dc, bitmap_.Get());
    if (!mem.Ok()) return;
    const int dw = dest.right - dest.left;
    const int dh = dest.bottom - dest.top;
    if (dw == width_ && dh == height_) {
        BitBlt(dc, dest.left, dest.top, dw, dh, mem.Handle(), 0, 0, SRCCOPY);
        return;
    }
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin{};
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, dest.left, dest.top, dw, dh, mem.Handle(), 0, 0, width_, height_, SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    if (oldMode != 0) SetStretchBltMode(dc, oldMode);
}

bool BitmapGraphic::MakeTransparency() const {
    if (mask_ && masked_) return true;
    HDC screen = GetDC(nullptr);
    OwnedBitmap mask = MakeMonochromeBitmap(width_, height_);
    // A section, not a screen bitmap: selecting it for each draw costs little.
    OwnedBitmap masked = CreateTopDown32(width_, height_);
    bool ok = mask && masked;
    if (ok) {
        BitmapDc source(screen, bitmap_.Get()), maskDc(screen, mask.Get()), maskedDc(screen, masked.Get());
        ok = source.Ok() && maskDc.Ok() && maskedDc.Ok();
        if (ok) {
            // Colour to monochrome: pixels of the background colour become set bits.
            SetBkColor(source.Handle(), PixelAt(0, height_ - 1));
            BitBlt(maskDc.Handle(), 0, 0, width_, height_, source.Handle(), 0, 0, SRCCOPY);
            // The picture with its background black: AND with the mask read
            // as black where set, white where clear.
            BitBlt(maskedDc.Handle(), 0, 0, width_, height_, source.Handle(), 0, 0, SRCCOPY);
            SetTextColor(maskedDc.Handle(), RGB(255, 255, 255));
            SetBkColor(maskedDc.Handle(), RGB(0, 0, 0));
            BitBlt(maskedDc.Handle(), 0, 0, width_, height_, maskDc.Handle(), 0, 0, SRCAND);
        }
    }
    ReleaseDC(nullptr, screen);
    if (!ok) return false;
    mask_ = std::move(mask);
    masked_ = std::move(masked);
    return true;
}

void BitmapGraphic::DrawTransparent(HDC dc, const RECT& dest) const {
    if (EmptyRect(dest) || !MakeTransparency()) return;
    BitmapDc maskDc(dc, mask_.Get()), maskedDc(dc, masked_.Get());
    if (!maskDc.Ok() || !maskedDc.Ok()) return;
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    // Two block transfers with masks made once: the background keeps the
    // destination (AND white), the picture goes in where the mask is clear.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    if (dw == width_ && dh == height_) {
        BitBlt(dc, dest.left, dest.top, dw, dh, maskDc.Handle(), 0, 0, SRCAND);
        BitBlt(dc, dest.left, dest.top, dw, dh, maskedDc.Handle(), 0, 0, SRCPAINT);
    } else {
        const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dest.left, dest.top, dw, dh, maskDc.Handle(), 0, 0, width_, height_, SRCAND);
        StretchBlt(dc, dest.left, dest.top, dw, dh, maskedDc.Handle(), 0, 0, width_, height_, SRCPAINT);
        if (oldMode != 0) SetStretchBltMode(dc, oldMode);
    }
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
}

std::size_t BitmapGraphic::Bytes() const { return Stride() * static_cast<std::size_t>(height_); }

// --------------------------------------------------------------- IconGraphic

IconGraphic::IconGraphic(OwnedIcon icon, int width, int height, std::size_t bytes)
    : icon_(std::move(icon)), width_(width), height_(height), bytes_(bytes) {}

std::shared_ptr<IconGraphic> IconGraphic::FromIcon(OwnedIcon icon) {
    if (!icon) return nullptr;
    ICONINFO info{};
    if (!GetIconInfo(icon.Get(), &info)) return nullptr;
    // GetIconInfo hands out copies of the icon's bitmaps: ours to delete.
    OwnedBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    int width = 0, height = 0;
    if (colour.Get() != nullptr && GetObjectA(colour.Get(), sizeof bm, &bm) != 0) {
        width = bm.bmWidth;
        height = bm.bmHeight;
    } else if (mask.Get() != nullptr && GetObjectA(mask.Get(), sizeof bm, &bm) != 0) {
        // A monochrome icon: the mask holds the AND and XOR halves.
        width = bm.bmWidth;
        height = bm.bmHeight / 2;
    }
    if (width <= 0 || height <= 0) return nullptr;
    const std::size_t bytes = BitmapBytes(colour.Get()) + BitmapBytes(mask.Get());
    return std::shared_ptr<IconGraphic>(new IconGraphic(std::move(icon), width, height, bytes));
}

void IconGraphic::Draw(HDC dc, const RECT& dest) const {
    if (EmptyRect(dest)) return;
    DrawIconEx(dc, dest.left, dest.top, icon_.Get(), dest.right - dest.left, dest.bottom - dest.top, 0, nullptr,
               DI_NORMAL);
}

// ----------------------------------------------------------- MetafileGraphic

MetafileGraphic::MetafileGraphic(OwnedMetafile metafile, int width, int height, std::size_t bytes)
    : metafile_(std::move(metafile)), width_(width), height_(height), bytes_(bytes) {}

std::shared_ptr<MetafileGraphic> MetafileGraphic::FromMetafile(OwnedMetafile metafile) {
    if (!metafile) return nullptr;
    ENHMETAHEADER header{};
    int width = 0, height = 0;
    if (GetEnhMetaFileHeader(metafile.Get(), sizeof header, &header) != 0 && header.szlMillimeters.cx > 0 &&
        header.szlMillimeters.cy > 0) {
        // The frame is in 0.01 mm; the reference device gives pixels per mm.
        width = MulDiv(header.rclFrame.right - header.rclFrame.left, header.szlDevice.cx,
                       header.szlMillimeters.cx * 100);
        height = MulDiv(header.rclFrame.bottom - header.rclFrame.top, header.szlDevice.cy,
                        header.szlMillimeters.cy * 100);
    }
    if (width <= 0 || height <= 0) return nullptr;
    const std::size_t bytes = GetEnhMetaFileBits(metafile.Get(), 0, nullptr);
    return std::shared_ptr<MetafileGraphic>(new MetafileGraphic(std::move(metafile), width, height, bytes));
}

void MetafileGraphic::Draw(HDC dc, const RECT& dest) const {
    if (EmptyRect(dest)) return;
    PlayEnhMetaFile(dc, metafile_.Get(), &dest);
}

}  // namespace fw
