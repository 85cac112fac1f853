// Pictures shown by the Image control: a bitmap (32-bpp top-down DIB
// section), an icon (drawn through its mask) or an enhanced metafile (played
// into the destination). Each object owns its GDI handle and never changes
// after construction, so one object may be shown by several controls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/GdiObjects.h"

namespace fw {

// A 32-bpp top-down DIB section of width x height pixels, B, G, R, 0 bytes
// each, width * 4 bytes a row; `bits`, when given, receives their address.
// Empty when the size is not positive or too large, or the system has no memory.
OwnedBitmap CreateTopDown32(int width, int height, std::uint8_t** bits = nullptr);

class Graphic {
public:
    Graphic() = default;
    virtual ~Graphic() = default;
    Graphic(const Graphic&) = delete;
    Graphic& operator=(const Graphic&) = delete;

    // Natural size in pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Draws the whole picture stretched over `dest` (logical coordinates).
    virtual void Draw(HDC dc, const RECT& dest) const = 0;
    // Like Draw, leaving the picture's background unpainted where the kind
    // has one: a bitmap's bottom-left pixel colour, an icon's mask. A
    // metafile only ever paints what it draws.
    virtual void DrawTransparent(HDC dc, const RECT& dest) const { Draw(dc, dest); }
    // Memory held for the picture's contents, in bytes.
    virtual std::size_t Bytes() const = 0;
};

class BitmapGraphic : public Graphic {
public:
    // Copies top-down pixels (channels 4: B, G, R, A; channels 3: B, G, R)
    // into a new DIB section. The fourth byte of each copied pixel is 0, as
    // GDI expects of 32-bpp pixels without alpha (colour matching, such as
    // the transparent drawing, compares all four bytes on some systems).
    // Returns null when the size is not positive or the system has no memory.
    static std::shared_ptr<BitmapGraphic> FromPixels(const std::uint8_t* pixels, int width, int height,
                                                     int channels, std::size_t stride);
    // A new DIB section whose top-down B, G, R, A rows (Stride() bytes apart)
    // `fill` writes in place; the fourth bytes are then made 0 as above.
    // Null when the size is not positive, the system has no memory or `fill`
    // answers false.
    template <typename Fill>  // bool fill(std::uint8_t* rows, std::size_t stride)
    static std::shared_ptr<BitmapGraphic> FromRows(int width, int height, Fill fill) {
        auto made = FromRows({SIZE{width, height}}, [&](const std::vector<std::uint8_t*>& rows) {
            return fill(rows[0], static_cast<std::size_t>(width) * 4);
        });
        return made.empty() ? nullptr : made[0];
    }
    // Several new sections at once, as above: `fill` is given the rows of
    // each, in the order of `sizes` (each width * 4 bytes a row), and writes
    // them all. Empty when any cannot be made or `fill` answers false.
    template <typename Fill>  // bool fill(const std::vector<std::uint8_t*>& rows)
    static std::vector<std::shared_ptr<BitmapGraphic>> FromRows(const std::vector<SIZE>& sizes, Fill fill) {
        std::vector<std::shared_ptr<BitmapGraphic>> made(sizes.size());
        std::vector<std::uint8_t*> rows(sizes.size());
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            made[i] = Create(sizes[i].cx, sizes[i].cy);
            if (!made[i]) return {};
            rows[i] = made[i]->bits_;
        }
        if (!fill(rows)) return {};
        for (const auto& graphic : made) graphic->ClearFourthBytes();
        return made;
    }
    // Copies a bitmap of any format (the caller keeps its handle). Null when
    // the handle is not a bitmap or the system has no memory.
    static std::shared_ptr<BitmapGraphic> FromBitmap(HBITMAP bitmap);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Draw(HDC dc, const RECT& dest) const override;
    void DrawTransparent(HDC dc, const RECT& dest) const override;
    std::size_t Bytes() const override;

    HBITMAP Handle() const { return bitmap_.Get(); }
    // Top-down rows of B, G, R, 0 bytes, Stride() bytes apart.
    const std::uint8_t* Bits() const { return bits_; }
    std::size_t Stride() const { return static_cast<std::size_t>(width_) * 4; }
    // The colour (0x00BBGGRR) of a pixel; 0 outside the picture.
    COLORREF PixelAt(int x, int y) const;

private:
    BitmapGraphic(OwnedBitmap bitmap, std::uint8_t* bits, int width, int height);
    static std::shared_ptr<BitmapGraphic> Create(int width, int height);
    bool MakeTransparency() const;
    void ClearFourthBytes();

    OwnedBitmap bitmap_;
    // Made at the first transparent drawing: a monochrome mask of the
    // background pixels and a copy of the picture with them black.
    mutable OwnedBitmap mask_;
    mutable OwnedBitmap masked_;
    std::uint8_t* bits_;
    int width_;
    int height_;
};

class IconGraphic : public Graphic {
public:
    // Takes ownership of the icon (destroyed with the object). Null when the
    // handle is not an icon; the handle is then destroyed all the same.
    static std::shared_ptr<IconGraphic> FromIcon(OwnedIcon icon);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Draw(HDC dc, const RECT& dest) const override;
    std::size_t Bytes() const override { return bytes_; }
    HICON Handle() const { return icon_.Get(); }

private:
    IconGraphic(OwnedIcon icon, int width, int height, std::size_t bytes);
    OwnedIcon icon_;
    int width_;
    int height_;
    std::size_t bytes_;
};

class MetafileGraphic : public Graphic {
public:
    // Takes ownership of the metafile. The natural size comes from the
    // metafile's frame and reference device. Null when the handle is not a
    // metafile or its frame is empty; the handle is then deleted all the same.
    static std::shared_ptr<MetafileGraphic> FromMetafile(OwnedMetafile metafile);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Draw(HDC dc, const RECT& dest) const override;
    std::size_t Bytes() const override { return bytes_; }
    HENHMETAFILE Handle() const { return metafile_.Get(); }

private:
    MetafileGraphic(OwnedMetafile metafile, int width, int height, std::size_t bytes);
    OwnedMetafile metafile_;
    int width_;
    int height_;
    std::size_t bytes_;
};

}  // namespace fw
