// The picture loader's two caches, on the one user-interface thread.
//
// Recent pictures: those already handed out and still in use, by file and
// size. Holding only weak references, this keeps nothing alive; it lets the
// several controls that show the same picture at the same size share one
// bitmap.
//
// The kept decode: the pixels of the most recent JPEG file decoded for a
// target size. The appearance window loads one file into six controls of
// three sizes within one handler; the later loads are made from these pixels
// instead of decoding the file again (even at 1/8 the decoder must read
// every coefficient of a baseline file, and the scans it needs of a
// progressive one). Released as soon as the thread's message loop is
// idle, so that it does not outlive the handler that did the loads.
#pragma once

#include <memory>
#include <string>

#include "common/JpegDecode.h"
#include "common/PictureFile.h"

namespace fw {
class Graphic;
}

namespace common {

// The picture made from the file with this stamp at this size (0 x 0:
// natural size) that is still in use, if any.
std::shared_ptr<fw::Graphic> FindRecentPicture(const FileStamp& stamp, int width, int height);
void RememberPicture(const FileStamp& stamp, int width, int height, const std::shared_ptr<fw::Graphic>& graphic);

// Keyed by the path as given, the file's stamp and the n/8 scale decoded
// at: a load whose target that scale covers is served from it.
struct KeptDecode {
    std::string path;
    FileStamp stamp;
    int sourceWidth = 0;
    int sourceHeight = 0;
    int scale = 8;
    PixelBuffer pixels;

    bool Serves(const std::string& p, const FileStamp& s, int targetWidth, int targetHeight) const {
        return path == p && stamp == s &&
               ChooseDctScale(sourceWidth, sourceHeight, targetWidth, targetHeight) <= scale;
    }
};

// The decode kept at present, or none.
const KeptDecode* KeptJpegDecode();
// Keeps `decode` in place of the one kept until the message loop is next
// idle. When the release cannot be arranged, nothing is kept.
void KeepJpegDecode(std::unique_ptr<const KeptDecode> decode) noexcept;
// Frees the kept decode now.
void DropJpegDecode() noexcept;

// Counts one decode of a file's contents (PictureFileDecodes).
void CountFileDecode();

}  // namespace common
