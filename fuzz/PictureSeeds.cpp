// Writes a seed corpus for the picture-check fuzz target: small bitmap,
// icon and metafile files of the layouts the loader accepts, and near-valid
// copies of them (cut short, one size or index past what is there).
//   clang++ -std=c++20 fuzz/PictureSeeds.cpp -o picture-seeds && ./picture-seeds DIR
// Bitmaps: 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down, run-length
// (8 and 4 bits), colour masks, the core and the later headers. Icons: one
// or several bitmap images, a PNG image. Metafiles: enhanced, and Windows
// with and without the placeable header.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/tests/LittleEndianBytes.h"
#include "fuzz/SeedFiles.h"

using seeds::Save;

namespace {

using testbytes::Bytes;

using testbytes::Put8;
using testbytes::Put16;
using testbytes::Put32;
using testbytes::Set16;
using testbytes::Set32;
void PutBigEndian32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) Put8(b, (v >> s) & 0xFF);
}
Bytes Cut(Bytes b, std::size_t keep) {
    b.resize(std::min(keep, b.size()));
    return b;
}

// ------------------------------------------------------------------ bitmaps

struct BmpSpec {
    int width, height;  // height < 0: top-down
    unsigned bpp;
    std::uint32_t compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 colour masks
    std::uint32_t headerSize = 40;
    std::uint32_t coloursUsed = 0;
    bool zeroOffset = false;      // pixel offset 0: right after the palette
    bool sizeImage = true;        // the pixel data's size written in the header
    std::uint32_t masks[3] = {0, 0, 0};
};

// Run-length rows of an 8- or 4-bit picture: a run, a literal stretch, a
// skip, end of line; end of picture after the last.
Bytes RunLengthRows(int width, int rows, bool four) {
    Bytes p;
    for (int y = 0; y < rows; ++y) {
        int x = 0;
        const int run = std::min(width, 5);
        Put8(p, static_cast<unsigned>(run));
        Put8(p, four ? 0x12 : static_cast<unsigned>(y + 1));
        x += run;
        const int literal = std::min(width - x, 4);
        if (literal >= 3) {
            Put8(p, 0);
            Put8(p, static_cast<unsigned>(literal));
            const int bytes = four ? (literal + 1) / 2 : literal;
            for (int i = 0; i < bytes; ++i) Put8(p, static_cast<unsigned>(0x30 + i));
            if (bytes % 2 != 0) Put8(p, 0);
            x += literal;
        }
        if (y == 0 && width - x >= 2) {  // a skip of two pixels on the same row
            Put8(p, 0);
            Put8(p, 2);
            Put8(p, 2);
            Put8(p, 0);
        }
        Put8(p, 0);
        Put8(p, y == rows - 1 ? 1 : 0);
    }
    return p;
}

Bytes Bmp(const BmpSpec& s) {
    const int rows = s.height < 0 ? -s.height : s.height;
    const bool core = s.headerSize == 12;
    const std::uint32_t full = s.bpp <= 8 ? 1u << s.bpp : 0;
    const std::uint32_t entries = s.bpp <= 8 ? (s.coloursUsed != 0 && s.coloursUsed < full ? s.coloursUsed : full) : 0;
    const std::uint32_t entrySize = core ? 3 : 4;
    const bool masksAfterHeader = s.compression == 3 && s.headerSize == 40;
    Bytes pixels;
    if (s.compression == 1 || s.compression == 2) {
        pixels = RunLengthRows(s.width, rows, s.compression == 2);
    } else {
        const std::size_t stride = (static_cast<std::size_t>(s.width) * s.bpp + 31) / 32 * 4;
        for (int y = 0; y < rows; ++y)
            for (std::size_t x = 0; x < stride; ++x) Put8(pixels, static_cast<unsigned>(x * 7 + y * 13) & 0xFF);
    }
    const std::uint32_t table = (masksAfterHeader ? 12 : 0) + entries * entrySize;
    const std::uint32_t offBits = 14 + s.headerSize + table;
    Bytes b;
    Put8(b, 'B');
    Put8(b, 'M');
    Put32(b, offBits + static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, s.zeroOffset ? 0 : offBits);
    Put32(b, s.headerSize);
    if (core) {
        Put16(b, static_cast<unsigned>(s.width));
        Put16(b, static_cast<unsigned>(s.height));
        Put16(b, 1);
        Put16(b, s.bpp);
    } else {
        Put32(b, static_cast<std::uint32_t>(s.width));
        Put32(b, static_cast<std::uint32_t>(s.height));
        Put16(b, 1);
        Put16(b, s.bpp);
        Put32(b, s.compression);
        Put32(b, s.sizeImage ? static_cast<std::uint32_t>(pixels.size()) : 0);
        Put32(b, 2835);
        Put32(b, 2835);
        Put32(b, s.coloursUsed);
        Put32(b, 0);
        if (s.headerSize >= 52)
            for (std::uint32_t m : s.masks) Put32(b, m);
        while (b.size() < 14 + s.headerSize) Put8(b, b.size() == 14 + 52 + 3 ? 0xFF : 0);  // alpha mask, then colour space
    }
    if (masksAfterHeader)
        for (std::uint32_t m : s.masks) Put32(b, m);
    for (std::uint32_t i = 0; i < entries; ++i) {
        Put8(b, i * 40 & 0xFF);
        Put8(b, 255 - (i * 16 & 0xFF));
        Put8(b, i * 90 & 0xFF);
        if (!core) Put8(b, 0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// -------------------------------------------------------------------- icons

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0xFFFFFFFFu) {
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}

void PngChunk(Bytes& b, const char* type, const Bytes& data) {
    PutBigEndian32(b, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    PutBigEndian32(b, Crc32(&b[start], b.size() - start) ^ 0xFFFFFFFFu);
}

// An RGBA picture w x h, its pixel rows in one uncompressed deflate block.
Bytes Png(unsigned w, unsigned h) {
    Bytes raw;
    for (unsigned y = 0; y < h; ++y) {
        Put8(raw, 0);  // no filter
        for (unsigned x = 0; x < w; ++x) {
            Put8(raw, x * 16 & 0xFF);
            Put8(raw, y * 16 & 0xFF);
            Put8(raw, 0x80);
            Put8(raw, x < w / 2 ? 0 : 0xFF);
        }
    }
    Bytes z = {0x78, 0x01, 0x01};
    Put16(z, static_cast<unsigned>(raw.size()));
    Put16(z, static_cast<unsigned>(~raw.size() & 0xFFFF));
    z.insert(z.end(), raw.begin(), raw.end());
    std::uint32_t a = 1, s = 0;
    for (std::uint8_t c : raw) {
        a = (a + c) % 65521;
        s = (s + a) % 65521;
    }
    PutBigEndian32(z, (s << 16) | a);
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    PutBigEndian32(ihdr, w);
    PutBigEndian32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
    PngChunk(b, "IHDR", ihdr);
    PngChunk(b, "IDAT", z);
    PngChunk(b, "IEND", {});
    return b;
}

// A bitmap icon image: header, palette, colour rows, mask rows.
Bytes IconBitmap(unsigned side, unsigned bpp) {
    Bytes b;
    Put32(b, 40);
    Put32(b, side);
    Put32(b, side * 2);
    Put16(b, 1);
    Put16(b, bpp);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    if (bpp <= 8)
        for (unsigned i = 0; i < (1u << bpp); ++i) Put32(b, i * 0x010305u & 0xFFFFFF);
    const unsigned colour = (side * bpp + 31) / 32 * 4, mask = (side + 31) / 32 * 4;
    for (unsigned y = 0; y < side; ++y)
        for (unsigned x = 0; x < colour; ++x) Put8(b, (x * 5 + y) & 0xFF);
    for (unsigned y = 0; y < side; ++y)
        for (unsigned x = 0; x < mask; ++x) Put8(b, x == 0 ? 0xF0 : 0);
    return b;
}

struct IconImage {
    unsigned side, bpp;  // bpp 0: a PNG image
};

Bytes Ico(const std::vector<IconImage>& images) {
    std::vector<Bytes> data;
    for (const IconImage& i : images) data.push_back(i.bpp == 0 ? Png(i.side, i.side) : IconBitmap(i.side, i.bpp));
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        Put8(b, images[i].side & 0xFF);  // 0 for 256
        Put8(b, images[i].side & 0xFF);
        Put8(b, images[i].bpp != 0 && images[i].bpp < 8 ? 1u << images[i].bpp : 0);
        Put8(b, 0);
        Put16(b, 1);
        Put16(b, images[i].bpp == 0 ? 32 : images[i].bpp);
        Put32(b, static_cast<std::uint32_t>(data[i].size()));
        Put32(b, offset);
        offset += static_cast<std::uint32_t>(data[i].size());
    }
    for (const Bytes& d : data) b.insert(b.end(), d.begin(), d.end());
    return b;
}

// ------------------------------------------------------- enhanced metafiles

void EmfRecord(Bytes& b, std::uint32_t type, const std::vector<std::uint32_t>& params) {
    Put32(b, type);
    Put32(b, 8 + 4 * static_cast<std::uint32_t>(params.size()));
    for (std::uint32_t p : params) Put32(b, p);
}

// A brush made, selected, a rectangle filled, a stock pen selected, the
// brush deleted; optionally a region filled and a description.
Bytes Emf(bool description, bool region, unsigned handles = 2) {
    Bytes b;
    const std::uint32_t headerSize = description ? 108 + 16 : 108;
    Put32(b, 1);
    Put32(b, headerSize);
    for (std::uint32_t v : {0u, 0u, 99u, 49u}) Put32(b, v);          // bounds (device units)
    for (std::uint32_t v : {0u, 0u, 2646u, 1323u}) Put32(b, v);      // frame (0.01 mm)
    Put32(b, 0x464D4520);                                            // signature
    Put32(b, 0x10000);                                               // version
    Put32(b, 0);                                                     // bytes: below
    Put32(b, 0);                                                     // records: below
    Put16(b, handles);
    Put16(b, 0);
    Put32(b, description ? 8 : 0);
    Put32(b, description ? 108 : 0);
    Put32(b, 0);                                                     // palette entries
    for (std::uint32_t v : {1024u, 768u, 320u, 240u}) Put32(b, v);  // device: pixels, millimetres
    Put32(b, 0);                                                     // pixel format: none
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 320000);                                                // micrometres
    Put32(b, 240000);
    if (description)
        for (char c : std::string("Q\0v\0l\0\0\0s\0e\0e\0\0\0\0\0", 16)) Put8(b, static_cast<unsigned char>(c));
    EmfRecord(b, 39, {1, 0, 0x00336699, 0});               // create brush 1
    EmfRecord(b, 37, {1});                                 // select it
    EmfRecord(b, 37, {0x80000008});                        // select the stock null pen
    EmfRecord(b, 43, {10, 10, 90, 40});                    // rectangle
    if (region) {
        // Fill a one-rectangle region with brush 1: bounds, data size, brush,
        // region header (32 bytes) and the rectangle.
        EmfRecord(b, 71, {10, 10, 50, 30, 48, 1, 32, 1, 1, 16, 10, 10, 50, 30, 10, 10, 50, 30});
    }
    EmfRecord(b, 40, {1});                                 // delete brush 1
    EmfRecord(b, 14, {0, 16, 20});                         // end of file
    Set32(b, 48, static_cast<std::uint32_t>(b.size()));
    Set32(b, 52, region ? 8 : 7);
    return b;
}

// Byte offset of the record of `type` (the first after the header), or 0.
std::size_t EmfRecordAt(const Bytes& b, std::uint32_t type) {
    for (std::size_t pos = 0; pos + 8 <= b.size();) {
        const std::uint32_t t = b[pos] | (b[pos + 1] << 8), size = b[pos + 4] | (b[pos + 5] << 8);
        if (t == type && pos > 0) return pos;
        if (size == 0) break;
        pos += size;
    }
    return 0;
}

// -------------------------------------------------------- Windows metafiles

void WmfRecord(Bytes& b, unsigned function, const std::vector<unsigned>& params) {
    Put32(b, 3 + static_cast<std::uint32_t>(params.size()));
    Put16(b, function);
    for (unsigned p : params) Put16(b, p);
}

// A window of 80 x 40, a brush made and selected, a rectangle, the brush
// deleted; optionally two region records on objects 0 and 1.
Bytes Wmf(bool placeable, bool regions = false, unsigned perInch = 1440) {
    Bytes m;
    Put16(m, 1);       // in memory
    Put16(m, 9);       // header words
    Put16(m, 0x0300);  // version
    Put32(m, 0);       // size in words: below
    Put16(m, regions ? 2 : 1);
    Put32(m, 7);       // largest record
    Put16(m, 0);
    WmfRecord(m, 0x0103, {8});                          // map mode: anisotropic
    WmfRecord(m, 0x020B, {0, 0});                       // window origin
    WmfRecord(m, 0x020C, {40, 80});                     // window extent (y, x)
    WmfRecord(m, 0x02FC, {0, 0x6699, 0x0033, 0});       // create brush (object 0)
    WmfRecord(m, 0x012D, {0});                          // select it
    WmfRecord(m, 0x041B, {40, 80, 0, 0});               // rectangle (bottom, right, top, left)
    if (regions) {
        WmfRecord(m, 0x02FC, {0, 0x00FF, 0x0000, 0});   // create brush (object 1)
        WmfRecord(m, 0x012B, {0});                      // paint region 0
        WmfRecord(m, 0x0228, {1, 0});                   // fill region 0 with brush 1
        WmfRecord(m, 0x0429, {2, 2, 1, 0});             // frame region 0 with brush 1
        WmfRecord(m, 0x01F0, {1});
    }
    WmfRecord(m, 0x01F0, {0});                          // delete object 0
    WmfRecord(m, 0x0000, {});                           // end
    Set32(m, 6, static_cast<std::uint32_t>(m.size() / 2));
    if (!placeable) return m;
    return testbytes::WithPlaceableHeader(m, 80 * perInch / 96, 40 * perInch / 96, perInch);
}


}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::pair<std::string, Bytes>> seeds;
    const auto add = [&](const std::string& name, Bytes bytes) { seeds.emplace_back(name, std::move(bytes)); };

    // Bitmaps.
    BmpSpec masks565{7, 5, 16, 3};
    masks565.masks[0] = 0xF800, masks565.masks[1] = 0x07E0, masks565.masks[2] = 0x001F;
    BmpSpec masks32v4{6, -4, 32, 3, 108};
    masks32v4.masks[0] = 0xFF0000, masks32v4.masks[1] = 0xFF00, masks32v4.masks[2] = 0xFF;
    BmpSpec masks52{5, 3, 16, 3, 52};
    masks52.masks[0] = 0x7C00, masks52.masks[1] = 0x03E0, masks52.masks[2] = 0x001F;
    const std::pair<const char*, BmpSpec> bitmaps[] = {
        {"1bit.bmp", {13, 7, 1}},
        {"4bit.bmp", {9, 5, 4}},
        {"8bit-16colours.bmp", {10, 6, 8, 0, 40, 16}},
        {"8bit-topdown.bmp", {4, -3, 8}},
        {"16bit-555.bmp", {5, 4, 16}},
        {"16bit-565-masks.bmp", masks565},
        {"16bit-masks-v2.bmp", masks52},
        {"24bit.bmp", {5, 3, 24}},
        {"24bit-topdown.bmp", {3, -5, 24}},
        {"24bit-v5.bmp", {4, 4, 24, 0, 124}},
        {"32bit.bmp", {3, 3, 32}},
        {"32bit-masks-v4-topdown.bmp", masks32v4},
        {"core-8bit.bmp", {6, 2, 8, 0, 12}},
        {"core-24bit.bmp", {2, 2, 24, 0, 12}},
        {"rle8.bmp", {11, 4, 8, 1}},
        {"rle8-no-size.bmp", {11, 4, 8, 1, 40, 0, false, false}},
        {"rle4.bmp", {12, 3, 4, 2}},
        {"zero-offset.bmp", {5, 2, 4, 0, 40, 0, true}},
    };
    for (const auto& [name, layout] : bitmaps) add(name, Bmp(layout));
    const Bytes b24 = Bmp({5, 3, 24}), b8 = Bmp({10, 6, 8});
    add("near-cut-last-byte.bmp", Cut(b24, b24.size() - 1));
    add("near-cut-palette.bmp", Cut(b8, 54 + 255 * 4));
    Bytes tall = b24;
    Set32(tall, 22, 4);  // one row more than there is
    add("near-one-row-short.bmp", tall);
    Bytes past = b24;
    Set32(past, 10, static_cast<std::uint32_t>(b24.size()));
    add("near-pixels-at-end.bmp", past);
    Bytes wide = b24;
    Set32(wide, 18, 16385);
    add("near-too-wide.bmp", wide);
    Bytes topRle = Bmp({11, 4, 8, 1});
    Set32(topRle, 22, static_cast<std::uint32_t>(-4));
    add("near-rle-topdown.bmp", topRle);

    // Icons.
    add("one.ico", Ico({{16, 24}}));
    add("depths.ico", Ico({{16, 1}, {16, 4}, {16, 8}, {16, 32}}));
    add("sizes.ico", Ico({{16, 24}, {32, 24}, {48, 8}}));
    add("png.ico", Ico({{16, 0}}));
    add("png-and-bitmap.ico", Ico({{32, 32}, {24, 0}}));
    const Bytes one = Ico({{16, 24}}), png = Ico({{16, 0}});
    add("near-cut.ico", Cut(one, one.size() - 1));
    Bytes small = one;
    Set32(small, 6 + 8, 39);
    add("near-entry-39-bytes.ico", small);
    Bytes widePng = png;
    Set32(widePng, 22 + 16, 0x01040000);  // big-endian 1025
    add("near-png-1025.ico", widePng);
    Bytes twoImages = one;
    Set16(twoImages, 4, 2);
    add("near-count-past-directory.ico", twoImages);

    // Enhanced metafiles.
    add("plain.emf", Emf(false, false));
    add("description.emf", Emf(true, false));
    add("region.emf", Emf(false, true));
    const Bytes emf = Emf(false, false);
    add("near-one-handle.emf", Emf(false, false, 1));
    add("near-cut.emf", Cut(emf, emf.size() - 4));
    Bytes noEof = emf;
    Set32(noEof, EmfRecordAt(noEof, 14), 70);  // a comment instead
    add("near-no-eof.emf", noEof);
    Bytes afterEof = emf;
    afterEof.insert(afterEof.end(), {37, 0, 0, 0, 12, 0, 0, 0, 5, 0, 0, 0});  // after the end, object 5 of 2
    Set32(afterEof, 48, static_cast<std::uint32_t>(afterEof.size()));
    add("near-record-after-eof.emf", afterEof);
    Bytes wideFrame = emf;
    Set32(wideFrame, 24, 0x80000001u);
    Set32(wideFrame, 32, 0x7FFFFFFFu);
    add("near-frame-past-32-bits.emf", wideFrame);

    // Windows metafiles.
    add("plain.wmf", Wmf(false));
    add("placeable.wmf", Wmf(true));
    add("placeable-96.wmf", Wmf(true, false, 96));
    add("regions.wmf", Wmf(false, true));
    const Bytes wmf = Wmf(true);
    add("near-cut.wmf", Cut(wmf, wmf.size() - 2));
    Bytes noObjects = Wmf(false);
    Set16(noObjects, 10, 0);
    add("near-no-objects.wmf", noObjects);
    Bytes regionsOne = Wmf(false, true);
    Set16(regionsOne, 10, 1);
    add("near-regions-one-object.wmf", regionsOne);
    Bytes afterEnd = Wmf(false);
    afterEnd.insert(afterEnd.end(), {4, 0, 0, 0, 0x2D, 0x01, 7, 0});  // after the end (not played), object 7 of 1
    Set32(afterEnd, 6, static_cast<std::uint32_t>(afterEnd.size() / 2));
    add("record-after-end.wmf", afterEnd);
    Bytes fine = Wmf(true);
    Set16(fine, 10, 1);  // a frame of one unit of 1/65535 inch: its size rounds to nothing
    Set16(fine, 12, 1);
    Set16(fine, 14, 65535);
    add("near-size-rounds-to-zero.wmf", fine);

    int written = 0;
    for (const auto& [name, bytes] : seeds) written += Save(dir, name, bytes);
    std::printf("%d seeds written to %s\n", written, dir.c_str());
    return written == static_cast<int>(seeds.size()) ? 0 : 1;
}
