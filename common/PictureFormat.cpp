#include "common/PictureFormat.h"

#include <cstddef>

#include "common/JpegDecode.h"
#include "common/PictureLoader.h"
#include "framework/Errors.h"

namespace common {
namespace {

const char kUnknownExtension[] = "未知的图象文件扩展名 (.%s)";
const char kCannotOpen[] = "不能打开文件 %s";
const char kJpegError[] = "JPEG error #%d";
const char kBadBitmap[] = "位图图象无效";
const char kBadIcon[] = "图标图象无效";
const char kBadMetafile[] = "元文件无效";

[[noreturn]] void Raise(const std::string& message) { throw fw::PictureError(message); }

bool IsLeadByte936(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

std::string PictureFileExtension(const std::string& path) {
    std::size_t nameStart = 0;
    std::size_t lastDot = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (IsLeadByte936(b) && i + 1 < path.size()) {
            ++i;  // the trail byte may look like "\" but is part of the character
            continue;
        }
        if (b == '\\' || b == '/') {
            nameStart = i + 1;
            lastDot = std::string::npos;
        } else if (b == '.') {
            lastDot = i;
        }
    }
    if (lastDot == std::string::npos || lastDot < nameStart) return std::string();
    return path.substr(lastDot + 1);
}

PictureFormat PictureFormatOf(const std::string& path) {
    const std::string extension = PictureFileExtension(path);
    const std::string key = AsciiLower(extension);
    if (key == "jpg" || key == "jpeg") return PictureFormat::Jpeg;
    if (key == "bmp") return PictureFormat::Bitmap;
    if (key == "ico") return PictureFormat::Icon;
    if (key == "emf") return PictureFormat::EnhancedMetafile;
    if (key == "wmf") return PictureFormat::WindowsMetafile;
    Raise(fw::FormatMessage1(kUnknownExtension, extension));
}

void RaiseCannotOpen(const std::string& path) { Raise(fw::FormatMessage1(kCannotOpen, path)); }

void RaiseJpegError(int code) { Raise(fw::FormatMessageInt(kJpegError, code)); }

void RaiseDamaged(PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg: RaiseJpegError(JpegCodeImageTooBig());
        case PictureFormat::Bitmap: Raise(kBadBitmap);
        case PictureFormat::Icon: Raise(kBadIcon);
        default: Raise(kBadMetafile);
    }
}

void RaiseNoMemory(PictureFormat format) {
    if (format == PictureFormat::Jpeg) RaiseJpegError(JpegCodeOutOfMemory());
    RaiseDamaged(format);
}

}  // namespace common
