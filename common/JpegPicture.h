// The JPEG reader: pictures decoded by common/JpegDecode into BGRA pixels
// at the n/8 scale that covers the target, then made into bitmap pictures
// of exactly the target size (natural size for a target of 0 x 0).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "common/PictureFile.h"

namespace fw {
class Graphic;
}

namespace common {

// From bytes in memory, one picture for each size (each both sides above 0,
// or 0 x 0), all from one decode; nothing is kept. Targets only are decoded
// at the scale that covers the largest and resampled into each picture as
// the rows come, without holding the decoded picture. A decoding failure
// raises "JPEG error #%d" with the decoder's number.
std::vector<std::shared_ptr<fw::Graphic>> ReadJpegPictures(const void* data, std::size_t size,
                                                           const std::vector<PixelSize>& sizes);

// The same from the opened file, whose decodes are counted.
std::vector<std::shared_ptr<fw::Graphic>> ReadJpegFile(const OpenedPictureFile& file,
                                                       const std::vector<PixelSize>& sizes);

}  // namespace common
