// Fuzz target: the checks of bitmap, icon and metafile files before the
// platform reads them. Every input goes through all four checks. Each check
// either raises its kind's damaged-picture message or describes parts that
// lie inside the input and within the loader's bounds, and then:
//  - gives the same answer again;
//  - gives the same answer for the input cut to the parts it describes (it
//    depends on no byte the platform is not given);
//  - still accepts the input with bytes appended.
// What the platform then does with an accepted file is played here in
// miniature: the bytes it reads are touched, its object tables indexed, and
// the picture size worked out in the platform's 32-bit arithmetic, so that
// the sanitizers catch a file that would take it out of bounds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/PictureChecks.h"
#include "common/PictureFormat.h"
#include "framework/Errors.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using common::PictureFormat;

[[noreturn]] void Fail() { std::abort(); }
void Expect(bool ok) {
    if (!ok) Fail();
}

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (static_cast<std::uint32_t>(U16(p + 2)) << 16); }
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
std::uint32_t U32BigEndian(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// The bytes the platform reads: each is read, so that one outside the
// buffer is caught by the address sanitizer.
volatile std::uint8_t gSink;
void Touch(const Bytes& d, std::size_t at, std::uint64_t size) {
    Expect(at <= d.size() && size <= d.size() - at);
    if (size == 0) return;
    gSink = d.data()[at];
    gSink = d.data()[at + size - 1];
}

// The kind's damaged-picture message.
std::string DamagedMessage(PictureFormat format) {
    try {
        common::RaiseDamaged(format);
    } catch (const fw::PictureError& e) {
        return e.Message();
    }
    Fail();
}

// A check's answer: what it describes, or nothing when it raised the kind's
// message (any other failure aborts).
template <typename Check>
auto Answer(Check check, const Bytes& d, PictureFormat format) -> std::optional<decltype(check(d))> {
    static const std::string messages[] = {DamagedMessage(PictureFormat::Jpeg), DamagedMessage(PictureFormat::Bitmap),
                                           DamagedMessage(PictureFormat::Icon),
                                           DamagedMessage(PictureFormat::EnhancedMetafile),
                                           DamagedMessage(PictureFormat::WindowsMetafile)};
    try {
        return check(d);
    } catch (const fw::PictureError& e) {
        Expect(e.Message() == messages[static_cast<int>(format)]);
        return std::nullopt;
    }
}

Bytes Cut(const Bytes& d, std::uint64_t size) { return Bytes(d.begin(), d.begin() + static_cast<long>(size)); }
Bytes Extended(const Bytes& d) {
    Bytes e = d;
    e.insert(e.end(), {0x00, 0xFF, 0x01, 0x80, 0x00, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00});
    return e;
}

// The same answer again, for the input cut to `extent`, and (with
// `sameWhenExtended`) for the input with bytes appended; those always accept.
template <typename Check, typename Same>
void Steady(Check check, const Bytes& d, PictureFormat format, std::uint64_t extent, Same sameWhenExtended) {
    const auto first = Answer(check, d, format);
    const auto again = Answer(check, d, format);
    Expect(first.has_value() && again.has_value() && *first == *again);
    Expect(extent <= d.size());
    const auto cut = Answer(check, Cut(d, extent), format);
    Expect(cut.has_value() && *cut == *first);
    const auto longer = Answer(check, Extended(d), format);
    Expect(longer.has_value() && sameWhenExtended(*longer, *first));
}

// ------------------------------------------------------------------ bitmaps

void Bitmap(const Bytes& d) {
    const auto b = Answer(common::CheckBitmapFile, d, PictureFormat::Bitmap);
    if (!b) {
        Expect(!Answer(common::CheckBitmapFile, d, PictureFormat::Bitmap));
        return;
    }
    const std::uint32_t headerSize = U32(&d[14]);
    const bool core = headerSize == 12;
    Expect(core || headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124);
    Expect(b->width >= 1 && b->width <= common::kMaxBitmapSide);
    Expect(b->rows >= 1 && b->rows <= common::kMaxBitmapSide && (b->height == b->rows || b->height == -b->rows));
    Expect(b->width * b->rows <= common::kMaxBitmapPixels);
    const unsigned bpp = b->bitsPerPixel;
    Expect(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || (!core && (bpp == 16 || bpp == 32)));
    if (b->runLength) Expect(b->height > 0 && ((b->compression == 1 && bpp == 8) || (b->compression == 2 && bpp == 4)));
    if (b->colourMasks)
        Expect((bpp == 16 || bpp == 32) && b->masks[0] != 0 && b->masks[1] != 0 && b->masks[2] != 0);
    Expect(b->runLength || b->colourMasks || b->compression == 0);
    Expect(b->entrySize == (core ? 3u : 4u));
    Expect(bpp <= 8 ? b->paletteEntries >= 1 && b->paletteEntries <= (1u << bpp) : b->paletteEntries == 0);

    // What the platform is handed: the palette (copied into a table of 256
    // entries) and the pixel data (uncompressed: every row in full).
    Expect(b->paletteAt >= 14 + headerSize);
    Touch(d, b->paletteAt, b->paletteEntries * b->entrySize);
    Expect(b->bitsAt >= 14 + headerSize);
    Touch(d, b->bitsAt, b->dataSize);
    const std::uint64_t stride = (static_cast<std::uint64_t>(b->width) * bpp + 31) / 32 * 4;
    Expect(b->runLength ? b->dataSize >= 2 : b->dataSize == stride * static_cast<std::uint64_t>(b->rows));
    const std::uint64_t extent = std::max<std::uint64_t>(b->paletteAt + b->paletteEntries * b->entrySize,
                                                         b->bitsAt + b->dataSize);
    Steady(common::CheckBitmapFile, d, PictureFormat::Bitmap, extent,
           [](const common::BitmapLayout& longer, common::BitmapLayout first) {
               // Run-length data without a size of its own runs to the end.
               if (first.runLength && longer.dataSize > first.dataSize) first.dataSize = longer.dataSize;
               return longer == first;
           });
}

// -------------------------------------------------------------------- icons

void Icon(const Bytes& d) {
    const auto group = Answer(common::CheckIconDirectory, d, PictureFormat::Icon);
    if (!group) {
        Expect(!Answer(common::CheckIconDirectory, d, PictureFormat::Icon));
        return;
    }
    const std::size_t count = U16(&d[4]);
    Expect(count >= 1 && 6 + 16 * count <= d.size() && group->size() == 6 + 14 * count);
    Expect(std::memcmp(group->data(), d.data(), 6) == 0);
    std::uint64_t extent = 6 + 16 * count;
    std::vector<std::optional<common::IconImageSpan>> spans;
    for (std::size_t i = 0; i < count; ++i) {
        // The chooser's entry: the file's, with the id i + 1 for the offset.
        const std::uint8_t* g = group->data() + 6 + 14 * i;
        const std::uint8_t* e = &d[6 + 16 * i];
        Expect(std::memcmp(g, e, 12) == 0 && U16(g + 12) == i + 1);
        extent = std::max<std::uint64_t>(extent, std::uint64_t{U32(e + 12)} + U32(e + 8));

        const auto span = Answer([i](const Bytes& b) { return common::CheckIconImage(b, i); }, d, PictureFormat::Icon);
        spans.push_back(span);
        if (!span) continue;
        Expect(span->offset == U32(e + 12) && span->size == U32(e + 8));
        Expect(span->offset >= 6 + 16 * count && span->size >= 40);
        Touch(d, span->offset, span->size);
        const std::uint8_t* image = &d[span->offset];
        if (image[0] == 0x89 && std::memcmp(image + 1, "PNG", 3) == 0) {
            const std::uint32_t w = U32BigEndian(image + 16), h = U32BigEndian(image + 20);
            Expect(w >= 1 && w <= common::kMaxIconSide && h >= 1 && h <= common::kMaxIconSide);
            continue;
        }
        // A bitmap image: the header, palette, colour rows and mask rows
        // the platform reads lie inside the entry's bytes.
        const std::int32_t w = S32(image + 4), doubled = S32(image + 8);
        const unsigned bpp = U16(image + 14);
        Expect(U32(image) == 40 && U32(image + 16) == 0);
        Expect(w >= 1 && w <= common::kMaxIconSide && doubled >= 2 && doubled % 2 == 0 &&
               doubled / 2 <= common::kMaxIconSide);
        const std::uint32_t used = U32(image + 32);
        const std::uint64_t palette = bpp > 8 ? 0 : used == 0 || used > (1u << bpp) ? (1u << bpp) : used;
        const std::uint64_t rows = static_cast<std::uint64_t>(doubled / 2);
        const std::uint64_t colour = (static_cast<std::uint64_t>(w) * bpp + 31) / 32 * 4 * rows;
        const std::uint64_t mask = (static_cast<std::uint64_t>(w) + 31) / 32 * 4 * rows;
        Expect(40 + palette * 4 + colour + mask <= span->size);
    }
    Steady(common::CheckIconDirectory, d, PictureFormat::Icon, extent,
           [](const Bytes& longer, const Bytes& first) { return longer == first; });
    const Bytes cut = Cut(d, extent), longer = Extended(d);
    for (std::size_t i = 0; i < count; ++i) {
        const auto check = [i](const Bytes& b) { return common::CheckIconImage(b, i); };
        Expect(Answer(check, cut, PictureFormat::Icon) == spans[i]);
        Expect(Answer(check, longer, PictureFormat::Icon) == spans[i]);
    }
}

// ------------------------------------------------------- enhanced metafiles

// The platform's MulDiv.
int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    const std::int64_t r = ((p < 0) == (c < 0) ? p + c / 2 : p - c / 2) / c;
    return r > INT32_MAX || r < -INT32_MAX ? -1 : static_cast<int>(r);
}

// Records that name an object in the handle table, and where (as the
// format's documentation lays them out); those that select may name a stock
// object instead.
struct IndexRecord {
    std::uint32_t type, at;
    bool select;
};
constexpr IndexRecord kEmfIndexRecords[] = {{37, 8, true},   {38, 8, false},  {39, 8, false}, {40, 8, false},
                                            {48, 8, true},   {49, 8, false},  {50, 8, false}, {51, 8, false},
                                            {71, 28, false}, {72, 28, false}, {82, 8, false}, {93, 8, false},
                                            {94, 8, false},  {95, 8, false},  {99, 8, false}, {100, 8, false},
                                            {101, 8, false}, {122, 8, false}};

void EnhancedMetafile(const Bytes& d) {
    const auto total = Answer(common::CheckEnhancedMetafile, d, PictureFormat::EnhancedMetafile);
    if (!total) {
        Expect(!Answer(common::CheckEnhancedMetafile, d, PictureFormat::EnhancedMetafile));
        return;
    }
    Expect(*total == U32(&d[48]) && *total >= 88 && *total <= d.size() && *total % 4 == 0);
    Expect(U32(&d[0]) == 1 && U32(&d[4]) >= 88 && U32(&d[4]) <= *total);

    // The picture's size as the framework works it out from the header, in
    // 32-bit arithmetic (whose overflow the sanitizer catches).
    const std::uint8_t* h = d.data();
    const int width = MulDiv(S32(h + 32) - S32(h + 24), S32(h + 72), S32(h + 80) * 100);
    const int height = MulDiv(S32(h + 36) - S32(h + 28), S32(h + 76), S32(h + 84) * 100);
    gSink = static_cast<std::uint8_t>(width ^ height);

    // Play the records: each read whole, objects kept in a table of the
    // declared size; the platform plays on past the end-of-file record.
    const std::uint32_t handles = U16(h + 56);
    const std::unique_ptr<std::uint32_t[]> objects(new std::uint32_t[handles]());
    bool ended = false;
    for (std::size_t pos = 0; pos < *total;) {
        Expect(pos + 8 <= *total);
        const std::uint32_t type = U32(&d[pos]), size = U32(&d[pos + 4]);
        Expect(size >= 8 && size <= *total - pos);
        Touch(d, pos, size);
        for (const IndexRecord& r : kEmfIndexRecords) {
            if (type != r.type) continue;
            Expect(size >= r.at + 4);
            const std::uint32_t index = U32(&d[pos + r.at]);
            if (r.select && (index & 0x80000000u) != 0) continue;
            gSink = static_cast<std::uint8_t>(objects[index]);
            objects[index] = type;
        }
        ended = ended || type == 14;
        pos += size;
    }
    Expect(ended);
    Steady(common::CheckEnhancedMetafile, d, PictureFormat::EnhancedMetafile, *total,
           [](std::uint32_t longer, std::uint32_t first) { return longer == first; });
}

// -------------------------------------------------------- Windows metafiles

struct WmfIndexRecord {
    unsigned function, first, count;
};
constexpr WmfIndexRecord kWmfIndexRecords[] = {{0x012D, 0, 1}, {0x01F0, 0, 1}, {0x0234, 0, 1}, {0x012C, 0, 1},
                                               {0x012A, 0, 1}, {0x012B, 0, 1}, {0x0228, 0, 2}, {0x0429, 2, 2}};

void WindowsMetafile(const Bytes& d) {
    const auto w = Answer(common::CheckWindowsMetafile, d, PictureFormat::WindowsMetafile);
    if (!w) {
        Expect(!Answer(common::CheckWindowsMetafile, d, PictureFormat::WindowsMetafile));
        return;
    }
    Expect(w->placeable == (U32(&d[0]) == 0x9AC6CDD7u) && w->start == (w->placeable ? 22u : 0u));
    Expect(w->start + w->totalBytes <= d.size() && w->totalBytes >= 24 && w->totalBytes <= UINT32_MAX);
    Expect(w->xExt > 0 && w->yExt > 0);
    if (w->placeable) Expect(w->perInch > 0 && w->left != w->right && w->top != w->bottom);
    else Expect(w->windowExtX != 0 && w->windowExtY != 0);

    const std::uint8_t* m = &d[w->start];
    Expect(U32(m + 6) * std::uint64_t{2} == w->totalBytes && U16(m + 2) == 9);
    const unsigned count = U16(m + 10);
    const std::unique_ptr<std::uint16_t[]> objects(new std::uint16_t[count]());
    bool ended = false;  // the platform plays up to the end record
    for (std::uint64_t pos = 18; pos < w->totalBytes && !ended;) {
        Expect(pos + 6 <= w->totalBytes);
        const std::uint64_t size = std::uint64_t{U32(m + pos)} * 2;
        const unsigned function = U16(m + pos + 4);
        Expect(size >= 6 && size <= w->totalBytes - pos);
        Touch(d, w->start + pos, size);
        for (const WmfIndexRecord& r : kWmfIndexRecords) {
            if (function != r.function) continue;
            Expect(size >= 6 + 2 * (r.first + r.count));
            for (unsigned i = r.first; i < r.first + r.count; ++i) {
                std::uint16_t& object = objects[U16(m + pos + 6 + 2 * i)];
                gSink = static_cast<std::uint8_t>(object);
                object = static_cast<std::uint16_t>(function);
            }
        }
        ended = function == 0;
        pos += size;
    }
    Expect(ended);
    Steady(common::CheckWindowsMetafile, d, PictureFormat::WindowsMetafile, w->start + w->totalBytes,
           [](const common::WindowsMetafileLayout& longer, const common::WindowsMetafileLayout& first) {
               return longer == first;
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes d(data, data + size);
    Bitmap(d);
    Icon(d);
    EnhancedMetafile(d);
    WindowsMetafile(d);
    return 0;
}
