#include "common/PictureChecks.h"

#include <cstring>
#include <limits>

#include "common/PictureFormat.h"

namespace common {
namespace {

// Numbers of the file formats (as the platform's headers define them).
constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;
constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEnhMetaSignature = 0x464D4520;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr unsigned kMetaSetWindowExt = 0x020C;
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Enhanced-metafile records that name an object by its index in the handle
// table: the record type, the index's offset in the record, and whether an
// index with the top bit set names a stock object instead.
struct EmfIndexRecord {
    std::uint32_t type;
    std::uint32_t at;
    bool stock;
};
constexpr EmfIndexRecord kEmfIndexRecords[] = {
    {37, 8, true},    // select object
    {38, 8, false},   // create pen
    {39, 8, false},   // create brush
    {40, 8, false},   // delete object
    {48, 8, true},    // select palette
    {49, 8, false},   // create palette
    {50, 8, false},   // set palette entries
    {51, 8, false},   // resize palette
    {71, 28, false},  // fill region (its brush)
    {72, 28, false},  // frame region (its brush)
    {82, 8, false},   // create font
    {93, 8, false},   // create mono brush
    {94, 8, false},   // create pattern brush
    {95, 8, false},   // create extended pen
    {99, 8, false},   // create colour space
    {100, 8, false},  // set colour space
    {101, 8, false},  // delete colour space
    {122, 8, false},  // create colour space (wide)
};

// Windows-metafile records whose parameters `first` .. `first + count - 1`
// (16-bit words after the function number) are indices into the object table.
struct WmfIndexRecord {
    unsigned function;
    unsigned first, count;
};
constexpr WmfIndexRecord kWmfIndexRecords[] = {
    {0x012D, 0, 1},  // select object
    {0x01F0, 0, 1},  // delete object
    {0x0234, 0, 1},  // select palette
    {0x012C, 0, 1},  // select clip region
    {0x012A, 0, 1},  // invert region
    {0x012B, 0, 1},  // paint region
    {0x0228, 0, 2},  // fill region: brush, region
    {0x0429, 2, 2},  // frame region: brush, region (after the stroke size)
};

// a * b / c rounded to the nearest, for a, b >= 0 and c > 0 (as the
// platform's MulDiv).
int MulDivRounded(int a, int b, int c) {
    return static_cast<int>((static_cast<std::int64_t>(a) * b + c / 2) / c);
}

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
    // Frame (0.01 mm), at bytes 24..39: left, top, right, bottom. The
    // picture's size is the frame's, in 32 bits, scaled by the reference
    // device (bytes 72..87: pixels, then millimetres, across and down).
    const std::int64_t frameWidth = std::int64_t{S32(&d[32])} - S32(&d[24]);
    const std::int64_t frameHeight = std::int64_t{S32(&d[36])} - S32(&d[28]);
    if (frameWidth <= 0 || frameHeight <= 0 || frameWidth > kInt32Max || frameHeight > kInt32Max) bad();
    for (std::size_t at : {72, 76, 80, 84})
        if (S32(&d[at]) <= 0) bad();
    if (S32(&d[80]) > kInt32Max / 100 || S32(&d[84]) > kInt32Max / 100) bad();
    // Every record up to that size is checked: the platform plays on past
    // the end-of-file record.
    const std::uint32_t handles = U16(&d[56]);
    bool ended = false;
    for (std::size_t pos = 0; pos < total;) {
        if (pos + 8 > total) bad();
        const std::uint32_t recordType = U32(&d[pos]), recordSize = U32(&d[pos + 4]);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > total - pos) bad();
        // The platform keeps its objects in a table of the size the header
        // declares, and indexes it with what these records say.
        for (const EmfIndexRecord& r : kEmfIndexRecords) {
            if (recordType != r.type) continue;
            if (recordSize < r.at + 4) bad();
            const std::uint32_t index = U32(&d[pos + r.at]);
            if (!(r.stock && (index & 0x80000000u) != 0) && index >= handles) bad();
        }
        pos += recordSize;
        ended = ended || recordType == kEmrEof;
    }
    if (!ended) bad();
    return total;
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
    bool ended = false;
    for (std::uint64_t pos = 18; pos < w.totalBytes && !ended;) {
        if (pos + 6 > w.totalBytes) bad();
        const std::uint64_t recordBytes = static_cast<std::uint64_t>(U32(m + pos)) * 2;
        const unsigned function = U16(m + pos + 4);
        if (recordBytes < 6 || recordBytes > w.totalBytes - pos) bad();
        // An index past the object table the header declares is read past
        // that table when the platform plays the file.
        for (const WmfIndexRecord& r : kWmfIndexRecords) {
            if (function != r.function) continue;
            if (recordBytes < 6 + 2 * (r.first + r.count)) bad();
            for (unsigned i = r.first; i < r.first + r.count; ++i)
                if (U16(m + pos + 6 + 2 * i) >= objects) bad();
        }
        if (function == kMetaSetWindowExt && recordBytes >= 10 && w.windowExtX == 0) {  // (y, x)
            w.windowExtY = S16(m + pos + 6);
            w.windowExtX = S16(m + pos + 8);
        }
        pos += recordBytes;
        ended = function == 0;  // the end record: the platform plays no further
    }
    if (!ended) bad();
    // The picture's size, in 0.01 mm: the placeable header's frame, else the
    // window extent.
    if (w.placeable) {
        const int perInch = static_cast<int>(w.perInch);
        w.xExt = MulDivRounded(w.right > w.left ? w.right - w.left : w.left - w.right, 2540, perInch);
        w.yExt = MulDivRounded(w.bottom > w.top ? w.bottom - w.top : w.top - w.bottom, 2540, perInch);
    } else if (w.windowExtX != 0 && w.windowExtY != 0) {
        w.xExt = MulDivRounded(w.windowExtX < 0 ? -w.windowExtX : w.windowExtX, 2540, 96);
        w.yExt = MulDivRounded(w.windowExtY < 0 ? -w.windowExtY : w.windowExtY, 2540, 96);
    }
    if (w.xExt <= 0 || w.yExt <= 0) bad();
    return w;
}

void CheckPictureFileSize(std::uint64_t bytes, PictureFormat format) {
    if (bytes > kMaxPictureFileBytes) RaiseDamaged(format);
}

}  // namespace common
