#include "common/JpegPicture.h"

#include <windows.h>

#include <cstdint>

#include "common/JpegDecode.h"
#include "common/PictureCache.h"
#include "common/PictureReaders.h"
#include "framework/Graphic.h"

namespace common {

std::vector<std::shared_ptr<fw::Graphic>> ReadJpegPictures(const void* data, std::size_t size,
                                                           const std::vector<PixelSize>& sizes) {
    JpegDecodeOptions options;
    options.layout = PixelLayout::Bgra;
    std::vector<std::shared_ptr<fw::Graphic>> pictures;
    bool natural = false;
    for (const PixelSize& s : sizes) natural = natural || s.width <= 0 || s.height <= 0;
    if (natural) {
        // The whole picture is needed: decoded once, each target made from it.
        const JpegDecodeResult decoded = DecodeJpeg(data, size, options);
        if (!decoded.Ok()) RaiseJpegError(decoded.error);
        const PixelBuffer& px = decoded.pixels;
        return MakeBitmapPictures(px.bytes.data(), px.width, px.height, px.Stride(), sizes, PictureFormat::Jpeg);
    }
    std::vector<SIZE> sections(sizes.size());
    options.into.resize(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) sections[i] = SIZE{sizes[i].width, sizes[i].height};
    JpegDecodeResult decoded;
    const auto made = fw::BitmapGraphic::FromRows(sections, [&](const std::vector<std::uint8_t*>& rows) {
        for (std::size_t i = 0; i < sizes.size(); ++i)
            options.into[i] = PixelRows{rows[i], static_cast<std::size_t>(sizes[i].width) * 4, sizes[i].width,
                                        sizes[i].height};
        DecodeJpegInto(data, size, options, decoded);
        return decoded.Ok();
    });
    if (!decoded.Ok()) RaiseJpegError(decoded.error);
    if (made.empty()) RaiseNoMemory(PictureFormat::Jpeg);
    pictures.resize(made.size());
    for (std::size_t i = 0; i < made.size(); ++i) pictures[i] = made[i];
    return pictures;
}

std::vector<std::shared_ptr<fw::Graphic>> ReadJpegFile(const OpenedPictureFile& file,
                                                       const std::vector<PixelSize>& sizes) {
    OpenedPictureFile::Contents data;
    file.ReadContents(data);
    CountFileDecode();
    return ReadJpegPictures(data.Data(), data.Size(), sizes);
}

}  // namespace common
