// The kinds of picture file the loader reads, picked by the file name's
// extension, and the message each kind fails with. Pure code (no windows.h),
// so it also builds natively.
#pragma once

#include <string>

namespace common {

enum class PictureFormat { Jpeg, Bitmap, Icon, EnhancedMetafile, WindowsMetafile };

// The kind named by the path's extension (PictureFileExtension, letter case
// ignored): jpg and jpeg, bmp, ico, emf, wmf. Any other extension, or none,
// raises fw::PictureError "未知的图象文件扩展名 (.%s)" with the extension as
// written.
PictureFormat PictureFormatOf(const std::string& path);

// Raise fw::PictureError with the loader's messages.
[[noreturn]] void RaiseCannotOpen(const std::string& path);  // "不能打开文件 %s"
[[noreturn]] void RaiseJpegError(int code);                  // "JPEG error #%d"
// A damaged picture: "位图图象无效", "图标图象无效" or "元文件无效"; for
// JPEG the decoder's number for a picture larger than accepted.
[[noreturn]] void RaiseDamaged(PictureFormat format);
// Out of memory while making the picture: the JPEG decoder has its own
// number for it; the other kinds report their damaged-picture message.
[[noreturn]] void RaiseNoMemory(PictureFormat format);

}  // namespace common
