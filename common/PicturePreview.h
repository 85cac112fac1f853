// The picture a file previews as in the picture file-open dialog, read by
// the picture loader and made no larger than the preview needs.
#pragma once

#include <memory>
#include <string>

namespace fw {
class Graphic;
}

namespace common {

// The file's picture for a panel of width x height pixels. JPEG and bitmap
// pictures larger than the panel come back already shrunk to fit it with
// their proportions kept (decoded no finer than that needs); smaller ones,
// icons and metafiles at their natural size. Raises the loader's
// fw::PictureError when the file is not a picture it reads.
std::shared_ptr<fw::Graphic> LoadPicturePreview(const std::string& path, int width, int height);

}  // namespace common
