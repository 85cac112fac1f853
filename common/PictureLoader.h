// Reads a picture file chosen as a background picture: JPEG, bitmap, icon,
// enhanced metafile or Windows metafile, picked by the file name's
// extension. Failures raise fw::PictureError with the message the user sees.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace fw {
class Graphic;
class Image;
}

namespace common {

// Loads the file named by `path` (code page 936 bytes, as given).
//
// With targetWidth and targetHeight both above 0, JPEG and bitmap pictures
// come back already resampled to exactly that size, so that showing them in
// a control of that size is a plain copy; the full-size pixels are not kept.
// Icons and metafiles come back as they are (they scale when drawn). With a
// target of 0 x 0 every picture keeps its natural size.
//
// Raises fw::PictureError:
//   "未知的图象文件扩展名 (.%s)"  extension not one of jpg, jpeg, bmp, ico,
//                                 emf, wmf (checked before the file is opened)
//   "不能打开文件 %s"             the file cannot be opened or read (the path)
//   "JPEG error #%d"              the JPEG decoder's message number
//   "位图图象无效"                 damaged bitmap
//   "图标图象无效"                 damaged icon
//   "元文件无效"                   damaged metafile (emf or wmf)
// On failure nothing else has changed, so a caller that assigns the result
// only afterwards keeps its previous picture.
//
// Loading the same unchanged file again at the same size while an earlier
// result is still in use returns that same (immutable) object instead of
// decoding again; the file is still opened each time. Nothing else is kept
// once a load returns. Call on the user-interface thread.
std::shared_ptr<fw::Graphic> LoadPictureFile(const std::string& path, int targetWidth, int targetHeight);

// How often LoadPictureFile has decoded a file's contents (of any kind) since
// the program started. Loads served from an earlier result don't count.
unsigned long PictureFileDecodes();

// Loads a picture file into an image control: made at the control's size
// when the control stretches its picture, at natural size otherwise. On any
// failure the control keeps the picture it had.
void LoadPictureFile(const std::string& path, fw::Image& image);

// The same into several controls at once, the file opened and decoded
// once: a JPEG file is decoded at the n/8 scale that covers the largest of
// their sizes and resampled into a picture of each distinct size as its
// rows come; controls of equal size share one picture. On any failure
// every control keeps the picture it had.
void LoadPictureFile(const std::string& path, const std::vector<fw::Image*>& images);

// A JPEG picture from bytes in memory (such as the program's own artwork),
// made exactly as LoadPictureFile makes one from a file; a decoding failure
// raises fw::PictureError "JPEG error #%d".
std::shared_ptr<fw::Graphic> LoadJpegPicture(const void* data, std::size_t size, int targetWidth, int targetHeight);

// The extension of a path as the loader sees it: the text after the last "."
// of the file's own name ("\" and "/" separate directories; double-byte
// characters of code page 936 are stepped over whole), as written.
std::string PictureFileExtension(const std::string& path);

}  // namespace common
