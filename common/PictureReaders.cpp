#include "common/PictureReaders.h"

#include <windows.h>

#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "common/JpegDecode.h"
#include "common/PictureChecks.h"
#include "framework/Graphic.h"

namespace common {
namespace {

// The picture the platform made (its maker gives none for a null handle),
// or the kind's damaged-picture message when it made none.
std::shared_ptr<fw::Graphic> OrDamaged(std::shared_ptr<fw::Graphic> graphic, PictureFormat format) {
    if (!graphic) RaiseDamaged(format);
    return graphic;
}

}  // namespace

std::vector<std::shared_ptr<fw::Graphic>> MakePicturesFromRows(
    const std::vector<PixelSize>& sizes, const std::function<bool(const std::vector<PixelRows>&)>& fill) {
    std::vector<SIZE> sections;
    for (const PixelSize& s : sizes) sections.push_back(SIZE{s.width, s.height});
    const auto made = fw::BitmapGraphic::FromRows(sections, [&](const std::vector<std::uint8_t*>& rows) {
        std::vector<PixelRows> targets;
        for (std::size_t i = 0; i < rows.size(); ++i)
            targets.push_back(
                PixelRows{rows[i], static_cast<std::size_t>(sizes[i].width) * 4, sizes[i].width, sizes[i].height});
        return fill(targets);
    });
    return {made.begin(), made.end()};
}

std::vector<std::shared_ptr<fw::Graphic>> MakeBitmapPictures(const std::uint8_t* pixels, int width, int height,
                                                             std::size_t stride, const std::vector<PixelSize>& sizes,
                                                             PictureFormat format) {
    std::vector<std::shared_ptr<fw::Graphic>> pictures(sizes.size());
    try {
        std::vector<std::size_t> resampled;
        std::vector<PixelSize> resampledSizes;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const PixelSize s = sizes[i];
            if (s.width > 0 && s.height > 0 && (s.width != width || s.height != height)) {
                resampled.push_back(i);
                resampledSizes.push_back(s);
            } else if (!(pictures[i] = fw::BitmapGraphic::FromPixels(pixels, width, height, 4, stride))) {
                RaiseNoMemory(format);
            }
        }
        if (resampled.empty()) return pictures;
        // Straight into the pictures' own rows: no buffer between.
        const auto made = MakePicturesFromRows(resampledSizes, [&](const std::vector<PixelRows>& targets) {
            ResamplePixelsInto(pixels, width, height, 4, stride, targets);
            return true;
        });
        if (made.empty()) RaiseNoMemory(format);
        for (std::size_t k = 0; k < made.size(); ++k) pictures[resampled[k]] = made[k];
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(format);
    }
    return pictures;
}

// Everything the platform reads has been checked to lie inside the file;
// the platform then converts any of the standard pixel formats.
std::vector<std::shared_ptr<fw::Graphic>> ReadBitmapFile(const std::vector<std::uint8_t>& d,
                                                         const std::vector<PixelSize>& sizes) {
    const BitmapLayout b = CheckBitmapFile(d);

    // The description handed to the platform: a 40-byte header followed by
    // the palette or the three colour masks.
    std::vector<std::uint8_t> infoBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = static_cast<LONG>(b.width);
    info->bmiHeader.biHeight = static_cast<LONG>(b.height);
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(b.bitsPerPixel);
    info->bmiHeader.biCompression = b.compression;
    info->bmiHeader.biSizeImage = b.runLength ? static_cast<DWORD>(b.dataSize) : 0;
    info->bmiHeader.biClrUsed = static_cast<DWORD>(b.paletteEntries);
    std::uint8_t* table = infoBytes.data() + sizeof(BITMAPINFOHEADER);
    if (b.colourMasks) {
        std::memcpy(table, b.masks, sizeof b.masks);
    } else {
        const std::uint8_t* palette = d.data() + b.paletteAt;
        for (std::size_t i = 0; i < b.paletteEntries; ++i) {
            const std::uint8_t* e = palette + i * b.entrySize;
            table[i * 4 + 0] = e[0];
            table[i * 4 + 1] = e[1];
            table[i * 4 + 2] = e[2];
            table[i * 4 + 3] = 0;
        }
    }

    // Let the platform convert the rows into 32-bpp top-down pixels.
    BITMAPINFO want{};
    want.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    want.bmiHeader.biWidth = static_cast<LONG>(b.width);
    want.bmiHeader.biHeight = -static_cast<LONG>(b.rows);
    want.bmiHeader.biPlanes = 1;
    want.bmiHeader.biBitCount = 32;
    want.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const fw::OwnedBitmap full = fw::MakeDibSection(want, &bits);
    if (bits == nullptr) RaiseNoMemory(PictureFormat::Bitmap);
    HDC screen = GetDC(nullptr);
    const int copied =
        SetDIBits(screen, full.Get(), 0, static_cast<UINT>(b.rows), &d[b.bitsAt], info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (copied <= 0) RaiseDamaged(PictureFormat::Bitmap);
    GdiFlush();
    return MakeBitmapPictures(static_cast<const std::uint8_t*>(bits), static_cast<int>(b.width),
                              static_cast<int>(b.rows), static_cast<std::size_t>(b.width) * 4, sizes,
                              PictureFormat::Bitmap);
}

std::shared_ptr<fw::Graphic> ReadIconFile(const std::vector<std::uint8_t>& d) {
    std::vector<std::uint8_t> group = CheckIconDirectory(d);
    const std::size_t count = (group.size() - 6) / 14;
    std::size_t chosen = 0;
    const int id = LookupIconIdFromDirectoryEx(group.data(), TRUE, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    if (id >= 1 && static_cast<std::size_t>(id) <= count) chosen = static_cast<std::size_t>(id) - 1;
    const IconImageSpan image = CheckIconImage(d, chosen);
    return OrDamaged(fw::IconGraphic::FromIcon(fw::MakeIconFromImage(&d[image.offset], static_cast<DWORD>(image.size))),
                     PictureFormat::Icon);
}

std::shared_ptr<fw::Graphic> ReadEnhancedMetafile(const std::vector<std::uint8_t>& d) {
    const std::uint32_t total = CheckEnhancedMetafile(d);
    return OrDamaged(fw::MetafileGraphic::FromMetafile(fw::MakeEnhancedMetafile(d.data(), total)),
                     PictureFormat::EnhancedMetafile);
}

std::shared_ptr<fw::Graphic> ReadWindowsMetafile(const std::vector<std::uint8_t>& d) {
    const WindowsMetafileLayout w = CheckWindowsMetafile(d);
    METAFILEPICT picture{};
    picture.mm = MM_ANISOTROPIC;
    picture.xExt = w.xExt;
    picture.yExt = w.yExt;
    return OrDamaged(fw::MetafileGraphic::FromMetafile(
                         fw::MakeEnhancedMetafileFromWindows(&d[w.start], static_cast<UINT>(w.totalBytes), picture)),
                     PictureFormat::WindowsMetafile);
}

}  // namespace common
