// The JPEG reader: pictures decoded by common/JpegDecode into BGRA pixels
// at the n/8 scale that covers the target, then made into bitmap pictures
// of exactly the target size (natural size for a target of 0 x 0).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "common/PictureFile.h"

namespace fw {
class Graphic;
}

namespace common {

// From bytes in memory; nothing is kept. A decoding failure raises
// "JPEG error #%d" with the decoder's number.
std::shared_ptr<fw::Graphic> ReadJpegPicture(const void* data, std::size_t size, int targetWidth, int targetHeight);

// From the opened file at `path`: made from the kept decode when that
// serves, otherwise decoded (counted) and, for a target size, kept in place
// of the earlier one. Targets are both above 0 or both 0.
std::shared_ptr<fw::Graphic> ReadJpegFile(const std::string& path, const OpenedPictureFile& file, int targetWidth,
                                          int targetHeight);

}  // namespace common
