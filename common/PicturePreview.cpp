#include "common/PicturePreview.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "common/PictureFormat.h"
#include "common/PictureLoader.h"
#include "framework/PictureFit.h"

namespace common {
namespace {

struct Size {
    int width = 0, height = 0;
};

// The stored size is found in the first part of a file: the header of a
// bitmap, the frame header of a JPEG file after its application segments.
constexpr DWORD kHeadBytes = 256 * 1024;

std::vector<std::uint8_t> ReadHead(const std::string& path) {
    std::vector<std::uint8_t> head;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return head;
    head.resize(kHeadBytes);
    DWORD read = 0;
    if (!ReadFile(file, head.data(), kHeadBytes, &read, nullptr)) read = 0;
    CloseHandle(file);
    head.resize(read);
    return head;
}

unsigned Be16(const std::vector<std::uint8_t>& d, std::size_t at) { return (d[at] << 8) | d[at + 1]; }
std::int32_t Le32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
                                     (static_cast<std::uint32_t>(d[at + 2]) << 16) |
                                     (static_cast<std::uint32_t>(d[at + 3]) << 24));
}

// Walks the segments from the start-of-image marker to the first frame
// header (SOF0 to SOF15 but DHT, JPG and DAC, which share the range).
std::optional<Size> JpegSize(const std::vector<std::uint8_t>& d) {
    if (d.size() < 4 || d[0] != 0xFF || d[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    for (;;) {
        while (at < d.size() && d[at] == 0xFF) ++at;  // the marker's 0xFF and any fill bytes
        if (at + 2 >= d.size()) return std::nullopt;
        const unsigned marker = d[at];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no segment follows
            ++at;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before any frame header
        const unsigned length = Be16(d, at + 1);
        if (length < 2) return std::nullopt;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 7 || at + 8 >= d.size()) return std::nullopt;
            const Size s{static_cast<int>(Be16(d, at + 6)), static_cast<int>(Be16(d, at + 4))};
            if (s.width <= 0 || s.height <= 0) return std::nullopt;
            return s;
        }
        at += 1 + length;
    }
}

// Core (12-byte) or later information header.
std::optional<Size> BitmapSize(const std::vector<std::uint8_t>& d) {
    if (d.size() < 26 || d[0] != 'B' || d[1] != 'M') return std::nullopt;
    const std::int32_t header = Le32(d, 14);
    std::int64_t width = 0, height = 0;
    if (header == 12) {
        width = d[18] | (d[19] << 8);
        height = d[20] | (d[21] << 8);
    } else if (header >= 40) {
        width = Le32(d, 18);
        height = Le32(d, 22);
        if (height < 0) height = -height;  // top-down rows
    }
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return std::nullopt;
    return Size{static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace

std::shared_ptr<fw::Graphic> LoadPicturePreview(const std::string& path, int width, int height) {
    const PictureFormat format = PictureFormatOf(path);
    if ((format == PictureFormat::Jpeg || format == PictureFormat::Bitmap) && width > 0 && height > 0) {
        const std::vector<std::uint8_t> head = ReadHead(path);
        const std::optional<Size> stored = format == PictureFormat::Jpeg ? JpegSize(head) : BitmapSize(head);
        if (stored) {
            const fw::Rect fit = fw::FitPicture(stored->width, stored->height, fw::Rect{0, 0, width, height});
            return LoadPictureFile(path, fit.Width(), fit.Height());
        }
    }
    // The loader reads the file and raises its own message for what it finds.
    return LoadPictureFile(path, 0, 0);
}

}  // namespace common
