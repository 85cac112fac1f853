#include "common/JpegPicture.h"

#include <cstdint>

#include "common/JpegDecode.h"
#include "common/PictureCache.h"
#include "common/PictureReaders.h"

namespace common {

std::vector<std::shared_ptr<fw::Graphic>> ReadJpegPictures(const void* data, std::size_t size,
                                                           const std::vector<PixelSize>& sizes) {
    JpegDecodeOptions options;
    options.layout = PixelLayout::Bgra;
    bool natural = false;
    for (const PixelSize& s : sizes) natural = natural || s.width <= 0 || s.height <= 0;
    if (natural) {
        // The whole picture is needed: decoded once, each target made from it.
        const JpegDecodeResult decoded = DecodeJpeg(data, size, options);
        if (!decoded.Ok()) RaiseJpegError(decoded.error);
        const PixelBuffer& px = decoded.pixels;
        return MakeBitmapPictures(px.bytes.data(), px.width, px.height, px.Stride(), sizes, PictureFormat::Jpeg);
    }
    JpegDecodeResult decoded;
    auto made = MakePicturesFromRows(sizes, [&](const std::vector<PixelRows>& targets) {
        options.into = targets;
        DecodeJpegInto(data, size, options, decoded);
        return decoded.Ok();
    });
    if (!decoded.Ok()) RaiseJpegError(decoded.error);
    if (made.empty()) RaiseNoMemory(PictureFormat::Jpeg);
    return made;
}

std::vector<std::shared_ptr<fw::Graphic>> ReadJpegFile(const OpenedPictureFile& file,
                                                       const std::vector<PixelSize>& sizes) {
    OpenedPictureFile::Contents data;
    file.ReadContents(data);
    CountFileDecode();
    return ReadJpegPictures(data.Data(), data.Size(), sizes);
}

}  // namespace common
