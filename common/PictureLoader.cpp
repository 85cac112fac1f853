#include "common/PictureLoader.h"

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "common/JpegPicture.h"
#include "common/PictureCache.h"
#include "common/PictureFile.h"
#include "common/PictureFormat.h"
#include "common/PictureReaders.h"
#include "framework/StdControls.h"

namespace common {

std::shared_ptr<fw::Graphic> LoadPictureFile(const std::string& path, int targetWidth, int targetHeight) {
    const PictureFormat format = PictureFormatOf(path);

    // Opened (and its size and time taken) on every load, whatever has been
    // decoded before: a file that has gone fails, a changed one is read anew.
    const OpenedPictureFile file(path, format);
    const bool resampled = (format == PictureFormat::Jpeg || format == PictureFormat::Bitmap) && targetWidth > 0 &&
                           targetHeight > 0;
    const int keyWidth = resampled ? targetWidth : 0;
    const int keyHeight = resampled ? targetHeight : 0;
    if (auto recent = FindRecentPicture(file.Stamp(), keyWidth, keyHeight)) return recent;

    std::shared_ptr<fw::Graphic> graphic;
    try {
        if (format == PictureFormat::Jpeg) {
            graphic = ReadJpegFile(path, file, keyWidth, keyHeight);
        } else {
            const std::vector<std::uint8_t> data = file.ReadAll();
            CountFileDecode();
            switch (format) {
                case PictureFormat::Bitmap: graphic = ReadBitmapFile(data, targetWidth, targetHeight); break;
                case PictureFormat::Icon: graphic = ReadIconFile(data); break;
                case PictureFormat::EnhancedMetafile: graphic = ReadEnhancedMetafile(data); break;
                default: graphic = ReadWindowsMetafile(data); break;
            }
        }
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(format);
    }
    try {
        RememberPicture(file.Stamp(), keyWidth, keyHeight, graphic);
    } catch (const std::bad_alloc&) {
        // Not remembering only costs a later decode.
    }
    return graphic;
}

void LoadPictureFile(const std::string& path, fw::Image& image) {
    auto picture = image.Stretch() ? LoadPictureFile(path, image.Width(), image.Height())
                                   : LoadPictureFile(path, 0, 0);
    image.SetPicture(std::move(picture));
}

std::shared_ptr<fw::Graphic> LoadJpegPicture(const void* data, std::size_t size, int targetWidth, int targetHeight) {
    try {
        return ReadJpegPicture(data, size, targetWidth, targetHeight);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(PictureFormat::Jpeg);
    }
}

}  // namespace common
