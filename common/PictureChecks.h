// Checks of picture files before they are read, and of bitmap, icon and
// metafile contents before the platform reads them: every byte the platform
// will read lies inside the file, and sizes stay within the loader's bounds.
// Each check raises the kind's damaged-picture message (PictureFormat.h) and
// otherwise describes where the parts lie. Pure code (no windows.h), so it
// also builds natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/PictureFormat.h"

namespace common {

// Largest file read into memory (a 32 Mi-pixel 32-bpp bitmap is 128 MiB).
// A larger file raises the kind's damaged-picture message.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{160} << 20;
void CheckPictureFileSize(std::uint64_t bytes, PictureFormat format);

// Largest bitmap accepted: the same bounds as for JPEG output.
inline constexpr std::int64_t kMaxBitmapSide = 16384;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{32} << 20;
// Icons: the format's images are at most 256 pixels a side; allow more.
inline constexpr std::int64_t kMaxIconSide = 1024;
// The largest bitmap accepted fits in a file the loader reads.
static_assert(kMaxBitmapPixels * 4 + 14 + 124 + 12 <= static_cast<std::int64_t>(kMaxPictureFileBytes));

// A bitmap file: file header, information header (core, 40-byte or a later
// version), colour masks or palette, pixel rows. Any of the standard pixel
// formats: 1, 4, 8 or 24 bits (16 and 32 but for the core header), plain,
// run-length (8 and 4 bits, bottom-up) or with colour masks (16 and 32).
struct BitmapLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;  // as written: negative for top-down rows
    std::int64_t rows = 0;    // the number of rows
    unsigned bitsPerPixel = 0;
    std::uint32_t compression = 0;  // as written
    bool runLength = false;
    bool colourMasks = false;  // masks instead of a palette
    std::uint32_t masks[3] = {0, 0, 0};
    std::size_t paletteAt = 0;  // paletteEntries entries of entrySize bytes
    std::size_t paletteEntries = 0;
    std::size_t entrySize = 4;  // 3 with the core header
    std::size_t bitsAt = 0;     // the pixel data: dataSize bytes
    std::size_t dataSize = 0;
    bool operator==(const BitmapLayout&) const = default;
};
BitmapLayout CheckBitmapFile(const std::vector<std::uint8_t>& d);

// An icon file: a directory of images (each a 40-byte-header bitmap with its
// AND mask, or a PNG stream). Checks the directory and returns it in the
// form the platform's chooser reads (resource layout: 14-byte entries ending
// in the id i + 1 of entry i instead of an offset).
std::vector<std::uint8_t> CheckIconDirectory(const std::vector<std::uint8_t>& d);

// Where the image of directory entry `index` lies, after checking its
// header; the directory must have passed CheckIconDirectory.
struct IconImageSpan {
    std::size_t offset = 0;
    std::size_t size = 0;
    bool operator==(const IconImageSpan&) const = default;
};
IconImageSpan CheckIconImage(const std::vector<std::uint8_t>& d, std::size_t index);

// An enhanced metafile: its header record and a chain of records that fills
// the size the header gives, the end-of-file record among them; a frame and
// reference device whose picture size is computed in 32 bits without
// overflow; records that name an object by its index in the handle table
// stay inside the table the header declares. Returns the size.
std::uint32_t CheckEnhancedMetafile(const std::vector<std::uint8_t>& d);

// A Windows metafile, with or without the 22-byte placeable header that
// gives its size: an 18-byte header and a chain of records (sizes in 16-bit
// words) inside the size the header gives, ending with the end record, whose
// object indices stay inside the object table the header declares. Without
// a placeable header the size is the first window extent, as pixels at 96
// per inch.
struct WindowsMetafileLayout {
    std::size_t start = 0;         // 22 after a placeable header, else 0
    std::uint64_t totalBytes = 0;  // the metafile from `start` on
    bool placeable = false;
    int left = 0, top = 0, right = 0, bottom = 0;  // placeable: the frame,
    unsigned perInch = 0;                          // in units of 1/perInch inch
    int windowExtX = 0, windowExtY = 0;            // the first SetWindowExt; 0: none
    int xExt = 0, yExt = 0;                        // the picture's size in 0.01 mm, above 0
    bool operator==(const WindowsMetafileLayout&) const = default;
};
WindowsMetafileLayout CheckWindowsMetafile(const std::vector<std::uint8_t>& d);

}  // namespace common
