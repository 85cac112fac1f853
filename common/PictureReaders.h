// The bitmap, icon and metafile readers: file contents checked by
// PictureChecks, then made into pictures by the platform's own readers.
// Each raises its kind's damaged-picture message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/PictureFormat.h"

namespace fw {
class Graphic;
}

namespace common {

// The bitmap picture of top-down pixels (rows `stride` bytes apart),
// resampled when a target (both sides above 0) differs from their size.
// Out of memory raises the out-of-memory message of `format`.
std::shared_ptr<fw::Graphic> MakeBitmapPicture(const std::uint8_t* pixels, int width, int height, int channels,
                                               std::size_t stride, int targetWidth, int targetHeight,
                                               PictureFormat format);

std::shared_ptr<fw::Graphic> ReadBitmapFile(const std::vector<std::uint8_t>& d, int targetWidth, int targetHeight);
// The image the system would pick for its standard icon size.
std::shared_ptr<fw::Graphic> ReadIconFile(const std::vector<std::uint8_t>& d);
std::shared_ptr<fw::Graphic> ReadEnhancedMetafile(const std::vector<std::uint8_t>& d);
// Converted into an enhanced metafile of the same size; without a
// placeable header the size is the window extent, as pixels at 96 per inch.
std::shared_ptr<fw::Graphic> ReadWindowsMetafile(const std::vector<std::uint8_t>& d);

}  // namespace common
