// The bitmap, icon and metafile readers: file contents checked by
// PictureChecks, then made into pictures by the platform's own readers.
// Each raises its kind's damaged-picture message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/JpegDecode.h"
#include "common/PictureFormat.h"

namespace fw {
class Graphic;
}

namespace common {

// New pictures of `sizes` (each both sides above 0), whose B, G, R, A rows
// `fill` writes through one target each, in the order of `sizes`. Empty
// when any cannot be made or `fill` answers false.
std::vector<std::shared_ptr<fw::Graphic>> MakePicturesFromRows(
    const std::vector<PixelSize>& sizes, const std::function<bool(const std::vector<PixelRows>&)>& fill);

// Pictures of top-down B, G, R, A pixels (rows `stride` bytes apart), one
// for each of `sizes`: resampled where a size (both sides above 0) differs
// from theirs, all of those in one pass over the rows. Out of memory raises
// the out-of-memory message of `format`.
std::vector<std::shared_ptr<fw::Graphic>> MakeBitmapPictures(const std::uint8_t* pixels, int width, int height,
                                                             std::size_t stride, const std::vector<PixelSize>& sizes,
                                                             PictureFormat format);

// The file converted once, then made into a picture for each of `sizes`.
std::vector<std::shared_ptr<fw::Graphic>> ReadBitmapFile(const std::vector<std::uint8_t>& d,
                                                         const std::vector<PixelSize>& sizes);
// The image the system would pick for its standard icon size.
std::shared_ptr<fw::Graphic> ReadIconFile(const std::vector<std::uint8_t>& d);
std::shared_ptr<fw::Graphic> ReadEnhancedMetafile(const std::vector<std::uint8_t>& d);
// Converted into an enhanced metafile of the same size; without a
// placeable header the size is the window extent, as pixels at 96 per inch.
std::shared_ptr<fw::Graphic> ReadWindowsMetafile(const std::vector<std::uint8_t>& d);

}  // namespace common
