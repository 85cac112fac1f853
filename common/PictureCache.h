// The picture loader's cache of recent pictures, on the one user-interface
// thread: those already handed out and still in use, by file and size.
// Holding only weak references, it keeps nothing alive; it lets the several
// controls that show the same picture at the same size share one bitmap.
#pragma once

#include <memory>

#include "common/PictureFile.h"

namespace fw {
class Graphic;
}

namespace common {

// The picture made from the file with this stamp at this size (0 x 0:
// natural size) that is still in use, if any.
std::shared_ptr<fw::Graphic> FindRecentPicture(const FileStamp& stamp, PixelSize size);
void RememberPicture(const FileStamp& stamp, PixelSize size, const std::shared_ptr<fw::Graphic>& graphic);

// Counts one decode of a file's contents (PictureFileDecodes).
void CountFileDecode();

}  // namespace common
