#include "common/JpegPicture.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "common/JpegDecode.h"
#include "common/PictureCache.h"
#include "common/PictureReaders.h"

namespace common {
namespace {

JpegDecodeResult Decode(const void* data, std::size_t size, int targetWidth, int targetHeight) {
    JpegDecodeOptions options;
    if (targetWidth > 0 && targetHeight > 0) {
        options.targetWidth = targetWidth;
        options.targetHeight = targetHeight;
    }
    options.layout = PixelLayout::Bgra;
    return DecodeJpeg(data, size, options);
}

std::shared_ptr<fw::Graphic> MakeJpegBitmap(const PixelBuffer& px, int targetWidth, int targetHeight) {
    return MakeBitmapPicture(px.bytes.data(), px.width, px.height, px.channels, px.Stride(), targetWidth,
                             targetHeight, PictureFormat::Jpeg);
}

}  // namespace

std::shared_ptr<fw::Graphic> ReadJpegPicture(const void* data, std::size_t size, int targetWidth, int targetHeight) {
    const JpegDecodeResult decoded = Decode(data, size, targetWidth, targetHeight);
    if (!decoded.Ok()) RaiseJpegError(decoded.error);
    return MakeJpegBitmap(decoded.pixels, targetWidth, targetHeight);
}

std::shared_ptr<fw::Graphic> ReadJpegFile(const std::string& path, const OpenedPictureFile& file, int targetWidth,
                                          int targetHeight) {
    if (const KeptDecode* kept = KeptJpegDecode(); kept && kept->Serves(path, file.Stamp(), targetWidth, targetHeight))
        return MakeJpegBitmap(kept->pixels, targetWidth, targetHeight);
    const bool keep = targetWidth > 0 && targetHeight > 0;
    if (keep) DropJpegDecode();  // not needed any more: free it before decoding

    auto decode = std::make_unique<KeptDecode>();
    {
        OpenedPictureFile::Contents data;
        file.ReadContents(data);
        JpegDecodeResult decoded = Decode(data.Data(), data.Size(), targetWidth, targetHeight);
        CountFileDecode();
        if (!decoded.Ok()) RaiseJpegError(decoded.error);
        decode->sourceWidth = decoded.sourceWidth;
        decode->sourceHeight = decoded.sourceHeight;
        decode->scale = decoded.scale;
        decode->pixels = std::move(decoded.pixels);
    }
    auto graphic = MakeJpegBitmap(decode->pixels, targetWidth, targetHeight);
    if (keep) {
        decode->path = path;
        decode->stamp = file.Stamp();
        KeepJpegDecode(std::move(decode));
    }
    return graphic;
}

}  // namespace common
