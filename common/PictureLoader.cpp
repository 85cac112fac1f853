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
namespace {

// The file at `path` at each of `sizes`, one picture for each (equal sizes
// and those a format ignores share one), from one opening and at most one
// decode.
std::vector<std::shared_ptr<fw::Graphic>> LoadPictureSizes(const std::string& path, std::vector<PixelSize> sizes) {
    const PictureFormat format = PictureFormatOf(path);

    // Opened (and its size and time taken) on every load, whatever has been
    // decoded before: a file that has gone fails, a changed one is read anew.
    const OpenedPictureFile file(path, format);
    const bool resampled = format == PictureFormat::Jpeg || format == PictureFormat::Bitmap;
    for (PixelSize& s : sizes)
        if (!resampled || s.width <= 0 || s.height <= 0) s = PixelSize{};

    std::vector<std::shared_ptr<fw::Graphic>> pictures(sizes.size());
    std::vector<PixelSize> missing;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        pictures[i] = FindRecentPicture(file.Stamp(), sizes[i]);
        bool listed = false;
        for (const PixelSize& m : missing) listed = listed || m == sizes[i];
        if (!pictures[i] && !listed) missing.push_back(sizes[i]);
    }
    if (missing.empty()) return pictures;

    std::vector<std::shared_ptr<fw::Graphic>> made;
    try {
        if (format == PictureFormat::Jpeg) {
            made = ReadJpegFile(file, missing);
        } else {
            const std::vector<std::uint8_t> data = file.ReadAll();
            CountFileDecode();
            // The other kinds are shown at their own size: one entry missing.
            switch (format) {
                case PictureFormat::Bitmap: made = ReadBitmapFile(data, missing); break;
                case PictureFormat::Icon: made.push_back(ReadIconFile(data)); break;
                case PictureFormat::EnhancedMetafile: made.push_back(ReadEnhancedMetafile(data)); break;
                default: made.push_back(ReadWindowsMetafile(data)); break;
            }
        }
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(format);
    }
    for (std::size_t m = 0; m < missing.size(); ++m) {
        for (std::size_t i = 0; i < sizes.size(); ++i)
            if (!pictures[i] && sizes[i] == missing[m]) pictures[i] = made[m];
        try {
            RememberPicture(file.Stamp(), missing[m], made[m]);
        } catch (const std::bad_alloc&) {
            // Not remembering only costs a later decode.
        }
    }
    return pictures;
}

}  // namespace

std::shared_ptr<fw::Graphic> LoadPictureFile(const std::string& path, int targetWidth, int targetHeight) {
    return LoadPictureSizes(path, {PixelSize{targetWidth, targetHeight}})[0];
}

void LoadPictureFile(const std::string& path, fw::Image& image) { LoadPictureFile(path, std::vector<fw::Image*>{&image}); }

void LoadPictureFile(const std::string& path, const std::vector<fw::Image*>& images) {
    std::vector<PixelSize> sizes(images.size());
    for (std::size_t i = 0; i < images.size(); ++i)
        sizes[i] = images[i]->Stretch() ? PixelSize{images[i]->Width(), images[i]->Height()} : PixelSize{};
    auto pictures = LoadPictureSizes(path, std::move(sizes));
    for (std::size_t i = 0; i < images.size(); ++i) images[i]->SetPicture(std::move(pictures[i]));
}

std::shared_ptr<fw::Graphic> LoadJpegPicture(const void* data, std::size_t size, int targetWidth, int targetHeight) {
    try {
        return ReadJpegPictures(data, size, {PixelSize{targetWidth, targetHeight}})[0];
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(PictureFormat::Jpeg);
    }
}

}  // namespace common
