#include "common/PictureChecks.h"

#include <cstring>

#include "common/PictureFormat.h"

namespace common {
namespace {

// Numbers of the file formats (as the platform's headers define them).
constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;
constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEnhMetaSignature = 0x464D4520;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr unsigned kMetaSetWindowExt = 0x020C;
// Records whose first parameter is an index into the metafile's object table.
constexpr unsigned kMetaObjectIndexRecords[] = {0x012D /* select object */, 0x01F0 /* delete object */,
                                                0x0234 /* select palette */, 0x012C /* select clip region */};

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::int16_t S16(const std::uint8_t* p) { return static_cast<std::int16_t>(U16(p)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
std::uint32_t U32BigEndian(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

}  // namespace

BitmapLayout CheckBitmapFile(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(PictureFormat::Bitmap); };
    const std::size_t n = d.size();
    if (n < 14 + 12 || d[0] != 'B' || d[1] != 'M') bad();
    const std::uint32_t offBits = U32(&d[10]);
    const std::uint32_t headerSize = U32(&d[14]);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        bad();
    if (14 + static_cast<std::uint64_t>(headerSize) > n) bad();
    const std::uint8_t* h = &d[14];

    BitmapLayout b;
    std::uint32_t sizeImage = 0, colorsUsed = 0;
    if (core) {
        b.width = U16(h + 4);
        b.height = U16(h + 6);
        b.bitsPerPixel = U16(h + 10);
        b.compression = kBiRgb;
    } else {
        b.width = S32(h + 4);
        b.height = S32(h + 8);
        b.bitsPerPixel = U16(h + 14);
        b.compression = U32(h + 16);
        sizeImage = U32(h + 20);
        colorsUsed = U32(h + 32);
        if (headerSize >= 52)
            for (int i = 0; i < 3; ++i) b.masks[i] = U32(h + 40 + 4 * i);
    }
    const unsigned bpp = b.bitsPerPixel;
    const std::uint32_t compression = b.compression;
    const bool topDown = b.height < 0;
    b.rows = topDown ? -b.height : b.height;
    if (b.width <= 0 || b.rows <= 0 || b.width > kMaxBitmapSide || b.rows > kMaxBitmapSide ||
        b.width * b.rows > kMaxBitmapPixels)
        bad();

    b.runLength = compression == kBiRle8 || compression == kBiRle4;
    b.colourMasks = compression == kBiBitfields;
    switch (bpp) {
        case 1: case 4: case 8: case 24: break;
        case 16: case 32: if (core) bad(); break;
        default: bad();
    }
    if (compression == kBiRle8 && bpp != 8) bad();
    if (compression == kBiRle4 && bpp != 4) bad();
    if (b.runLength && topDown) bad();
    if (b.colourMasks && bpp != 16 && bpp != 32) bad();
    if (compression != kBiRgb && !b.runLength && !b.colourMasks) bad();

    std::size_t pos = 14 + headerSize;
    if (b.colourMasks && headerSize == 40) {
        if (pos + 12 > n) bad();
        for (int i = 0; i < 3; ++i) b.masks[i] = U32(&d[pos + 4 * static_cast<std::size_t>(i)]);
        pos += 12;
    }
    if (b.colourMasks && (b.masks[0] == 0 || b.masks[1] == 0 || b.masks[2] == 0)) bad();
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        b.paletteEntries = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
    }
    b.entrySize = core ? 3 : 4;
    if (pos + b.paletteEntries * b.entrySize > n) bad();
    b.paletteAt = pos;

    // Pixel rows start where the file header says; a zero offset (written
    // by some programs) means right after the palette.
    b.bitsAt = offBits == 0 ? pos + b.paletteEntries * b.entrySize : offBits;
    if (b.bitsAt < 14 + static_cast<std::size_t>(headerSize) || b.bitsAt >= n) bad();
    const std::size_t available = n - b.bitsAt;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(b.width) * bpp + 31) / 32) * 4;
    if (b.runLength) {
        b.dataSize = sizeImage != 0 && sizeImage <= available ? sizeImage : available;
        if (b.dataSize < 2) bad();
    } else {
        if (stride * static_cast<std::uint64_t>(b.rows) > available) bad();
        b.dataSize = static_cast<std::size_t>(stride * static_cast<std::uint64_t>(b.rows));
    }
    return b;
}

std::vector<std::uint8_t> CheckIconDirectory(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(PictureFormat::Icon); };
    const std::size_t n = d.size();
    if (n < 6 || U16(&d[0]) != 0 || U16(&d[2]) != 1) bad();
    const std::size_t count = U16(&d[4]);
    if (count == 0 || 6 + 16 * count > n) bad();

    std::vector<std::uint8_t> group(6 + 14 * count);
    std::memcpy(group.data(), d.data(), 6);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = &d[6 + 16 * i];
        const std::uint64_t size = U32(e + 8), offset = U32(e + 12);
        if (size < 40 || offset < 6 + 16 * count || offset + size > n) bad();
        std::uint8_t* g = &group[6 + 14 * i];
        std::memcpy(g, e, 12);
        g[12] = static_cast<std::uint8_t>((i + 1) & 0xFF);
        g[13] = static_cast<std::uint8_t>((i + 1) >> 8);
    }
    return group;
}

IconImageSpan CheckIconImage(const std::vector<std::uint8_t>& d, std::size_t index) {
    const auto bad = [] { RaiseDamaged(PictureFormat::Icon); };
    const std::uint8_t* e = &d[6 + 16 * index];
    const IconImageSpan span{.offset = U32(e + 12), .size = U32(e + 8)};
    const std::uint8_t* image = &d[span.offset];

    static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(image, kPng, 8) == 0) {
        if (std::memcmp(image + 12, "IHDR", 4) != 0) bad();
        const std::uint32_t w = U32BigEndian(image + 16), h = U32BigEndian(image + 20);
        if (w == 0 || h == 0 || w > kMaxIconSide || h > kMaxIconSide) bad();
    } else {
        const std::uint32_t headerSize = U32(image);
        const std::int64_t w = S32(image + 4), doubled = S32(image + 8);
        const unsigned bpp = U16(image + 14);
        const std::uint32_t compression = U32(image + 16), colorsUsed = U32(image + 32);
        if (headerSize != 40 || compression != kBiRgb) bad();
        if (w <= 0 || w > kMaxIconSide || doubled <= 0 || doubled % 2 != 0 || doubled / 2 > kMaxIconSide) bad();
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) bad();
        const std::int64_t h = doubled / 2;
        std::uint64_t paletteEntries = 0;
        if (bpp <= 8) paletteEntries = colorsUsed == 0 || colorsUsed > (1u << bpp) ? (1u << bpp) : colorsUsed;
        const std::uint64_t xorStride = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
        const std::uint64_t andStride = ((static_cast<std::uint64_t>(w) + 31) / 32) * 4;
        if (40 + paletteEntries * 4 + (xorStride + andStride) * static_cast<std::uint64_t>(h) > span.size) bad();
    }
    return span;
}

std::uint32_t CheckEnhancedMetafile(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(PictureFormat::EnhancedMetafile); };
    const std::size_t n = d.size();
    if (n < 88) bad();
    const std::uint32_t type = U32(&d[0]), headerSize = U32(&d[4]);
    const std::uint32_t signature = U32(&d[40]), total = U32(&d[48]);
    if (type != kEmrHeader || signature != kEnhMetaSignature) bad();
    if (headerSize < 88 || headerSize > total || total > n || total % 4 != 0) bad();
    // Frame (0.01 mm), at bytes 24..39: left, top, right, bottom.
    if (S32(&d[32]) <= S32(&d[24]) || S32(&d[36]) <= S32(&d[28])) bad();
    for (std::size_t pos = 0; pos < total;) {
        if (pos + 8 > total) bad();
        const std::uint32_t recordType = U32(&d[pos]), recordSize = U32(&d[pos + 4]);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > total - pos) bad();
        pos += recordSize;
        if (recordType == kEmrEof) return total;
    }
    RaiseDamaged(PictureFormat::EnhancedMetafile);  // no end-of-file record
}

WindowsMetafileLayout CheckWindowsMetafile(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(PictureFormat::WindowsMetafile); };
    const std::size_t n = d.size();
    WindowsMetafileLayout w;
    if (n >= 4 && U32(&d[0]) == kPlaceableKey) {
        if (n < 22) bad();
        w.left = S16(&d[6]);
        w.top = S16(&d[8]);
        w.right = S16(&d[10]);
        w.bottom = S16(&d[12]);
        w.perInch = U16(&d[14]);
        if (w.perInch == 0 || w.right == w.left || w.bottom == w.top) bad();
        w.placeable = true;
        w.start = 22;
    }
    if (n < w.start + 18) bad();
    const std::uint8_t* m = &d[w.start];
    const unsigned fileType = U16(m), headerWords = U16(m + 2), version = U16(m + 4);
    w.totalBytes = static_cast<std::uint64_t>(U32(m + 6)) * 2;
    if ((fileType != 1 && fileType != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) bad();
    if (w.totalBytes < 18 + 6 || w.totalBytes > n - w.start) bad();
    const unsigned objects = U16(m + 10);
    for (std::uint64_t pos = 18; pos < w.totalBytes;) {
        if (pos + 6 > w.totalBytes) bad();
        const std::uint64_t recordBytes = static_cast<std::uint64_t>(U32(m + pos)) * 2;
        const unsigned function = U16(m + pos + 4);
        if (recordBytes < 6 || recordBytes > w.totalBytes - pos) bad();
        // An index past the object table the header declares is read past
        // that table when the platform plays the file.
        for (unsigned f : kMetaObjectIndexRecords)
            if (function == f && (recordBytes < 8 || U16(m + pos + 6) >= objects)) bad();
        if (function == kMetaSetWindowExt && recordBytes >= 10 && w.windowExtX == 0) {  // (y, x)
            w.windowExtY = S16(m + pos + 6);
            w.windowExtX = S16(m + pos + 8);
        }
        pos += recordBytes;
        if (function == 0) return w;  // the end record
    }
    RaiseDamaged(PictureFormat::WindowsMetafile);  // no end record
}

}  // namespace common
