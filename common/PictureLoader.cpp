#include "common/PictureLoader.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "common/JpegDecode.h"
#include "framework/Errors.h"
#include "framework/Graphic.h"
#include "framework/StdControls.h"
#include "framework/Timer.h"

namespace common {
namespace {

const char kUnknownExtension[] = "未知的图象文件扩展名 (.%s)";
const char kCannotOpen[] = "不能打开文件 %s";
const char kJpegError[] = "JPEG error #%d";
const char kBadBitmap[] = "位图图象无效";
const char kBadIcon[] = "图标图象无效";
const char kBadMetafile[] = "元文件无效";

// Largest bitmap accepted: the same bounds as for JPEG output.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = std::int64_t{32} << 20;
// Largest file read into memory (a 32 Mi-pixel 32-bpp bitmap is 128 MiB).
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{160} << 20;
// Icons: the format's images are at most 256 pixels a side; allow more.
constexpr std::int64_t kMaxIconSide = 1024;

enum class Format { Jpeg, Bitmap, Icon, Enhanced, Windows };

[[noreturn]] void Raise(const std::string& message) { throw fw::PictureError(message); }

[[noreturn]] void RaiseDamaged(Format format) {
    switch (format) {
        case Format::Jpeg: Raise(fw::FormatMessageInt(kJpegError, JpegCodeImageTooBig()));
        case Format::Bitmap: Raise(kBadBitmap);
        case Format::Icon: Raise(kBadIcon);
        default: Raise(kBadMetafile);
    }
}

// Out of memory while making the picture: the JPEG decoder has its own
// number for it; the other kinds report their damaged-picture message.
[[noreturn]] void RaiseNoMemory(Format format) {
    if (format == Format::Jpeg) Raise(fw::FormatMessageInt(kJpegError, JpegCodeOutOfMemory()));
    RaiseDamaged(format);
}

bool IsLeadByte936(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::int16_t S16(const std::uint8_t* p) { return static_cast<std::int16_t>(U16(p)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
std::uint32_t U32BigEndian(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

// ------------------------------------------------------------------ files

struct FileStamp {
    DWORD volume = 0, indexHigh = 0, indexLow = 0, sizeHigh = 0, sizeLow = 0;
    FILETIME written{};
    bool operator==(const FileStamp& o) const {
        return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow && sizeHigh == o.sizeHigh &&
               sizeLow == o.sizeLow && written.dwLowDateTime == o.written.dwLowDateTime &&
               written.dwHighDateTime == o.written.dwHighDateTime;
    }
};

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return h_; }
    bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

class OpenedFile {
public:
    OpenedFile(const std::string& path, Format format)
        : path_(path),
          format_(format),
          file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!file_.Ok() || !GetFileInformationByHandle(file_.Get(), &info)) CannotOpen();
        stamp_.volume = info.dwVolumeSerialNumber;
        stamp_.indexHigh = info.nFileIndexHigh;
        stamp_.indexLow = info.nFileIndexLow;
        stamp_.sizeHigh = info.nFileSizeHigh;
        stamp_.sizeLow = info.nFileSizeLow;
        stamp_.written = info.ftLastWriteTime;
    }

    const FileStamp& Stamp() const { return stamp_; }

    std::vector<std::uint8_t> ReadAll() const {
        const std::uint64_t size = (static_cast<std::uint64_t>(stamp_.sizeHigh) << 32) | stamp_.sizeLow;
        if (size > kMaxFileBytes) RaiseDamaged(format_);
        std::vector<std::uint8_t> bytes;
        try {
            bytes.resize(static_cast<std::size_t>(size));
        } catch (const std::bad_alloc&) {
            RaiseNoMemory(format_);
        }
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(file_.Get(), bytes.data() + done, want, &got, nullptr)) CannotOpen();
            if (got == 0) break;  // the file shrank meanwhile: decode what is there
            done += got;
        }
        bytes.resize(done);
        return bytes;
    }

private:
    [[noreturn]] void CannotOpen() const { Raise(fw::FormatMessage1(kCannotOpen, path_)); }

    std::string path_;
    Format format_;
    FileHandle file_;
    FileStamp stamp_;
};

// --------------------------------------------------------- recent results

// Pictures already handed out and still in use, by file and size. Holding
// only weak references, this keeps nothing alive; it lets the several
// controls that show the same picture at the same size share one bitmap.
struct Recent {
    FileStamp stamp;
    int width = 0;
    int height = 0;
    std::weak_ptr<fw::Graphic> graphic;
};

std::mutex gRecentLock;
std::vector<Recent> gRecent;

std::shared_ptr<fw::Graphic> FindRecent(const FileStamp& stamp, int width, int height) {
    std::lock_guard<std::mutex> lock(gRecentLock);
    std::shared_ptr<fw::Graphic> found;
    for (auto it = gRecent.begin(); it != gRecent.end();) {
        auto alive = it->graphic.lock();
        if (!alive) {
            it = gRecent.erase(it);
            continue;
        }
        if (it->stamp == stamp && it->width == width && it->height == height) found = alive;
        ++it;
    }
    return found;
}

void Remember(const FileStamp& stamp, int width, int height, const std::shared_ptr<fw::Graphic>& graphic) {
    std::lock_guard<std::mutex> lock(gRecentLock);
    gRecent.push_back(Recent{stamp, width, height, graphic});
}

// ---------------------------------------------------------- the kept decode

// The pixels of the most recent JPEG file decoded for a target size. The
// appearance window loads one file into six controls of three sizes within
// one handler; the later loads are made from these pixels instead of
// decoding the file again (even at 1/8 the decoder must read every
// coefficient). Keyed by the path as given, the file's identity, size and
// last-write time, and the n/8 scale decoded at: a load whose target that
// scale covers is served from it; one that needs a finer scale decodes
// again and replaces it. Released as soon as the thread's message loop is
// idle, so that it does not outlive the handler that did the loads.
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

// The kept pixels are freed at the first timer tick, which comes at least
// this long after the decode that kept them and only once the thread's
// message loop is idle: the system produces a timer message only when the
// thread's queue holds nothing else.
constexpr unsigned kKeepMilliseconds = 50;

std::mutex gKeptLock;
std::shared_ptr<const KeptDecode> gKept;
std::atomic<unsigned long> gDecodes{0};

std::shared_ptr<const KeptDecode> Kept() {
    std::lock_guard<std::mutex> lock(gKeptLock);
    return gKept;
}

void DropKept() noexcept {
    std::shared_ptr<const KeptDecode> dropped;
    {
        std::lock_guard<std::mutex> lock(gKeptLock);
        dropped.swap(gKept);
    }
    // Freed here, outside the lock (unless a load still uses it).
}

// Never destroyed: the timer may still run while statics are torn down.
fw::Timer& IdleReleaseTimer() {
    static fw::Timer* timer = [] {
        auto* t = new fw::Timer;
        t->SetInterval(kKeepMilliseconds);
        t->OnTimer = [] { ReleasePictureCache(); };  // throws nothing
        return t;
    }();
    return *timer;
}

// Keeps `decode` until the message loop is next idle. When the release
// cannot be arranged, nothing is kept.
void Keep(std::shared_ptr<const KeptDecode> decode) noexcept {
    try {
        fw::Timer& timer = IdleReleaseTimer();
        timer.SetEnabled(false);  // a full interval from this decode on
        timer.SetEnabled(true);
        if (!timer.Enabled()) return;  // no timer to free it: keep nothing
        std::lock_guard<std::mutex> lock(gKeptLock);
        gKept = std::move(decode);
    } catch (...) {
        // Not keeping it only costs a later decode.
    }
}

// ------------------------------------------------------------------ bitmaps

// Makes the bitmap picture from top-down pixels, resampled to the target.
std::shared_ptr<fw::Graphic> MakeBitmap(const std::uint8_t* pixels, int width, int height, int channels,
                                        std::size_t stride, int targetWidth, int targetHeight, Format format) {
    std::shared_ptr<fw::BitmapGraphic> graphic;
    try {
        if (targetWidth > 0 && targetHeight > 0 && (targetWidth != width || targetHeight != height)) {
            const PixelBuffer resampled =
                ResamplePixels(pixels, width, height, channels, stride, targetWidth, targetHeight);
            graphic = fw::BitmapGraphic::FromPixels(resampled.bytes.data(), resampled.width, resampled.height,
                                                    resampled.channels, resampled.Stride());
        } else {
            graphic = fw::BitmapGraphic::FromPixels(pixels, width, height, channels, stride);
        }
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(format);
    }
    if (!graphic) RaiseNoMemory(format);
    return graphic;
}

std::shared_ptr<fw::Graphic> LoadJpeg(const void* data, std::size_t size, int targetWidth, int targetHeight) {
    JpegDecodeOptions options;
    if (targetWidth > 0 && targetHeight > 0) {
        options.targetWidth = targetWidth;
        options.targetHeight = targetHeight;
    }
    options.layout = PixelLayout::Bgra;
    JpegDecodeResult decoded = DecodeJpeg(data, size, options);
    if (!decoded.Ok()) Raise(fw::FormatMessageInt(kJpegError, decoded.error));
    const PixelBuffer& px = decoded.pixels;
    return MakeBitmap(px.bytes.data(), px.width, px.height, px.channels, px.Stride(), targetWidth, targetHeight,
                      Format::Jpeg);
}

// A JPEG file for the given target (0 x 0: natural size): from the kept
// decode when it serves, otherwise decoded and, for a target size, kept.
std::shared_ptr<fw::Graphic> LoadJpegFile(const std::string& path, const OpenedFile& file, int targetWidth,
                                          int targetHeight) {
    if (auto kept = Kept(); kept && kept->Serves(path, file.Stamp(), targetWidth, targetHeight)) {
        const PixelBuffer& px = kept->pixels;
        return MakeBitmap(px.bytes.data(), px.width, px.height, px.channels, px.Stride(), targetWidth, targetHeight,
                          Format::Jpeg);
    }
    const bool keep = targetWidth > 0 && targetHeight > 0;
    if (keep) DropKept();  // not needed any more: free it before decoding

    auto decode = std::make_shared<KeptDecode>();
    {
        const std::vector<std::uint8_t> data = file.ReadAll();
        JpegDecodeOptions options;
        options.targetWidth = targetWidth;
        options.targetHeight = targetHeight;
        options.layout = PixelLayout::Bgra;
        JpegDecodeResult decoded = DecodeJpeg(data.data(), data.size(), options);
        ++gDecodes;
        if (!decoded.Ok()) Raise(fw::FormatMessageInt(kJpegError, decoded.error));
        decode->sourceWidth = decoded.sourceWidth;
        decode->sourceHeight = decoded.sourceHeight;
        decode->scale = decoded.scale;
        decode->pixels = std::move(decoded.pixels);
    }
    const PixelBuffer& px = decode->pixels;
    auto graphic = MakeBitmap(px.bytes.data(), px.width, px.height, px.channels, px.Stride(), targetWidth,
                              targetHeight, Format::Jpeg);
    if (keep) {
        decode->path = path;
        decode->stamp = file.Stamp();
        Keep(std::move(decode));
    }
    return graphic;
}

// A bitmap file: file header, information header (core, 40-byte or a later
// version), colour masks or palette, pixel rows. Everything the platform
// will read is checked to lie inside the file before it is handed over; the
// platform then converts any of the standard pixel formats.
std::shared_ptr<fw::Graphic> LoadBitmapFile(const std::vector<std::uint8_t>& d, int targetWidth, int targetHeight) {
    const auto bad = [] { RaiseDamaged(Format::Bitmap); };
    const std::size_t n = d.size();
    if (n < 14 + 12 || d[0] != 'B' || d[1] != 'M') bad();
    const std::uint32_t offBits = U32(&d[10]);
    const std::uint32_t headerSize = U32(&d[14]);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        bad();
    if (14 + static_cast<std::uint64_t>(headerSize) > n) bad();
    const std::uint8_t* h = &d[14];

    std::int64_t width, height;
    unsigned bpp;
    std::uint32_t compression = BI_RGB, sizeImage = 0, colorsUsed = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        bpp = U16(h + 10);
    } else {
        width = S32(h + 4);
        height = S32(h + 8);
        bpp = U16(h + 14);
        compression = U32(h + 16);
        sizeImage = U32(h + 20);
        colorsUsed = U32(h + 32);
        if (headerSize >= 52)
            for (int i = 0; i < 3; ++i) masks[i] = U32(h + 40 + 4 * i);
    }
    const bool topDown = height < 0;
    const std::int64_t rows = topDown ? -height : height;
    if (width <= 0 || rows <= 0 || width > kMaxSide || rows > kMaxSide || width * rows > kMaxPixels) bad();

    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    switch (bpp) {
        case 1: case 4: case 8: case 24: break;
        case 16: case 32: if (core) bad(); break;
        default: bad();
    }
    if (compression == BI_RLE8 && bpp != 8) bad();
    if (compression == BI_RLE4 && bpp != 4) bad();
    if (rle && topDown) bad();
    if (compression == BI_BITFIELDS && bpp != 16 && bpp != 32) bad();
    if (compression != BI_RGB && !rle && compression != BI_BITFIELDS) bad();

    std::size_t pos = 14 + headerSize;
    if (compression == BI_BITFIELDS && headerSize == 40) {
        if (pos + 12 > n) bad();
        for (int i = 0; i < 3; ++i) masks[i] = U32(&d[pos + 4 * static_cast<std::size_t>(i)]);
        pos += 12;
    }
    if (compression == BI_BITFIELDS && (masks[0] == 0 || masks[1] == 0 || masks[2] == 0)) bad();
    std::size_t paletteEntries = 0;
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        paletteEntries = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
    }
    const std::size_t entrySize = core ? 3 : 4;
    if (pos + paletteEntries * entrySize > n) bad();
    const std::uint8_t* palette = &d[pos];

    // Pixel rows start where the file header says; a zero offset (written
    // by some programs) means right after the palette.
    std::size_t bitsAt = offBits == 0 ? pos + paletteEntries * entrySize : offBits;
    if (bitsAt < 14 + static_cast<std::size_t>(headerSize) || bitsAt >= n) bad();
    const std::size_t available = n - bitsAt;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
    std::size_t dataSize;
    if (rle) {
        dataSize = sizeImage != 0 && sizeImage <= available ? sizeImage : available;
        if (dataSize < 2) bad();
    } else {
        if (stride * static_cast<std::uint64_t>(rows) > available) bad();
        dataSize = static_cast<std::size_t>(stride * static_cast<std::uint64_t>(rows));
    }

    // The description handed to the platform: a 40-byte header followed by
    // the palette or the three colour masks.
    std::vector<std::uint8_t> infoBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = static_cast<LONG>(width);
    info->bmiHeader.biHeight = static_cast<LONG>(height);
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bpp);
    info->bmiHeader.biCompression = compression;
    info->bmiHeader.biSizeImage = rle ? static_cast<DWORD>(dataSize) : 0;
    info->bmiHeader.biClrUsed = static_cast<DWORD>(paletteEntries);
    std::uint8_t* table = infoBytes.data() + sizeof(BITMAPINFOHEADER);
    if (compression == BI_BITFIELDS) {
        std::memcpy(table, masks, sizeof masks);
    } else {
        for (std::size_t i = 0; i < paletteEntries; ++i) {
            const std::uint8_t* e = palette + i * entrySize;
            table[i * 4 + 0] = e[0];
            table[i * 4 + 1] = e[1];
            table[i * 4 + 2] = e[2];
            table[i * 4 + 3] = 0;
        }
    }

    // Let the platform convert the rows into 32-bpp top-down pixels.
    BITMAPINFO want{};
    want.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    want.bmiHeader.biWidth = static_cast<LONG>(width);
    want.bmiHeader.biHeight = -static_cast<LONG>(rows);
    want.bmiHeader.biPlanes = 1;
    want.bmiHeader.biBitCount = 32;
    want.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    fw::OwnedBitmap full(CreateDIBSection(nullptr, &want, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (full.Get() == nullptr || bits == nullptr) RaiseNoMemory(Format::Bitmap);
    HDC screen = GetDC(nullptr);
    const int copied = SetDIBits(screen, full.Get(), 0, static_cast<UINT>(rows), &d[bitsAt], info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (copied <= 0) bad();
    GdiFlush();
    return MakeBitmap(static_cast<const std::uint8_t*>(bits), static_cast<int>(width), static_cast<int>(rows), 4,
                      static_cast<std::size_t>(width) * 4, targetWidth, targetHeight, Format::Bitmap);
}

// -------------------------------------------------------------------- icons

// An icon file: a directory of images (each a 40-byte-header bitmap with its
// AND mask, or a PNG stream). The image the system would pick for its
// standard icon size is made into an icon by the platform.
std::shared_ptr<fw::Graphic> LoadIconFile(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(Format::Icon); };
    const std::size_t n = d.size();
    if (n < 6 || U16(&d[0]) != 0 || U16(&d[2]) != 1) bad();
    const std::size_t count = U16(&d[4]);
    if (count == 0 || 6 + 16 * count > n) bad();

    // The directory in the form the platform's chooser reads (resource
    // layout: 14-byte entries ending in an id instead of an offset).
    std::vector<std::uint8_t> group(6 + 14 * count);
    std::memcpy(group.data(), d.data(), 6);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = &d[6 + 16 * i];
        const std::uint64_t size = U32(e + 8), offset = U32(e + 12);
        if (size < 40 || offset < 6 + 16 * count || offset + size > n) bad();
        std::uint8_t* g = &group[6 + 14 * i];
        std::memcpy(g, e, 12);
        g[12] = static_cast<std::uint8_t>((i + 1) & 0xFF);
        g[13] = static_cast<std::uint8_t>((i + 1) >> 8);
    }
    std::size_t chosen = 0;
    const int id = LookupIconIdFromDirectoryEx(group.data(), TRUE, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    if (id >= 1 && static_cast<std::size_t>(id) <= count) chosen = static_cast<std::size_t>(id) - 1;
    const std::uint8_t* e = &d[6 + 16 * chosen];
    const std::size_t size = U32(e + 8), offset = U32(e + 12);
    const std::uint8_t* image = &d[offset];

    static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(image, kPng, 8) == 0) {
        if (std::memcmp(image + 12, "IHDR", 4) != 0) bad();
        const std::uint32_t w = U32BigEndian(image + 16), h = U32BigEndian(image + 20);
        if (w == 0 || h == 0 || w > kMaxIconSide || h > kMaxIconSide) bad();
    } else {
        const std::uint32_t headerSize = U32(image);
        const std::int64_t w = S32(image + 4), doubled = S32(image + 8);
        const unsigned bpp = U16(image + 14);
        const std::uint32_t compression = U32(image + 16), colorsUsed = U32(image + 32);
        if (headerSize != 40 || compression != BI_RGB) bad();
        if (w <= 0 || w > kMaxIconSide || doubled <= 0 || doubled % 2 != 0 || doubled / 2 > kMaxIconSide) bad();
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) bad();
        const std::int64_t h = doubled / 2;
        std::uint64_t paletteEntries = 0;
        if (bpp <= 8) paletteEntries = colorsUsed == 0 || colorsUsed > (1u << bpp) ? (1u << bpp) : colorsUsed;
        const std::uint64_t xorStride = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
        const std::uint64_t andStride = ((static_cast<std::uint64_t>(w) + 31) / 32) * 4;
        if (40 + paletteEntries * 4 + (xorStride + andStride) * static_cast<std::uint64_t>(h) > size) bad();
    }
    HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(image), static_cast<DWORD>(size), TRUE, 0x00030000, 0, 0,
                                          LR_DEFAULTCOLOR);
    if (icon == nullptr) bad();
    auto graphic = fw::IconGraphic::FromIcon(icon);
    if (!graphic) bad();
    return graphic;
}

// ---------------------------------------------------------------- metafiles

// An enhanced metafile: its header record and a chain of records inside
// the size the header gives, ending with the end-of-file record.
std::shared_ptr<fw::Graphic> LoadEnhancedMetafile(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(Format::Enhanced); };
    const std::size_t n = d.size();
    if (n < 88) bad();
    const std::uint32_t type = U32(&d[0]), headerSize = U32(&d[4]);
    const std::uint32_t signature = U32(&d[40]), total = U32(&d[48]);
    if (type != EMR_HEADER || signature != ENHMETA_SIGNATURE) bad();
    if (headerSize < 88 || headerSize > total || total > n || total % 4 != 0) bad();
    // Frame (0.01 mm), at bytes 24..39: left, top, right, bottom.
    if (S32(&d[32]) <= S32(&d[24]) || S32(&d[36]) <= S32(&d[28])) bad();
    bool ended = false;
    for (std::size_t pos = 0; pos < total;) {
        if (pos + 8 > total) bad();
        const std::uint32_t recordType = U32(&d[pos]), recordSize = U32(&d[pos + 4]);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > total - pos) bad();
        pos += recordSize;
        if (recordType == EMR_EOF) {
            ended = true;
            break;
        }
    }
    if (!ended) bad();
    HENHMETAFILE metafile = SetEnhMetaFileBits(total, d.data());
    if (metafile == nullptr) bad();
    auto graphic = fw::MetafileGraphic::FromMetafile(metafile);
    if (!graphic) bad();
    return graphic;
}

// A Windows metafile, with or without the 22-byte placeable header that
// gives its size: an 18-byte header and a chain of records (sizes in 16-bit
// words) ending with the end record. Converted by the platform into an
// enhanced metafile of the same size.
std::shared_ptr<fw::Graphic> LoadWindowsMetafile(const std::vector<std::uint8_t>& d) {
    const auto bad = [] { RaiseDamaged(Format::Windows); };
    constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
    const std::size_t n = d.size();
    std::size_t start = 0;
    LONG extentX = 0, extentY = 0;  // in 0.01 mm
    bool placeable = false;
    if (n >= 4 && U32(&d[0]) == kPlaceableKey) {
        if (n < 22) bad();
        const int left = S16(&d[6]), top = S16(&d[8]), right = S16(&d[10]), bottom = S16(&d[12]);
        const unsigned perInch = U16(&d[14]);
        if (perInch == 0 || right == left || bottom == top) bad();
        extentX = MulDiv(right > left ? right - left : left - right, 2540, static_cast<int>(perInch));
        extentY = MulDiv(bottom > top ? bottom - top : top - bottom, 2540, static_cast<int>(perInch));
        if (extentX <= 0 || extentY <= 0) bad();
        placeable = true;
        start = 22;
    }
    if (n < start + 18) bad();
    const std::uint8_t* m = &d[start];
    const unsigned fileType = U16(m), headerWords = U16(m + 2), version = U16(m + 4);
    const std::uint64_t totalBytes = static_cast<std::uint64_t>(U32(m + 6)) * 2;
    if ((fileType != 1 && fileType != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) bad();
    if (totalBytes < 18 + 6 || totalBytes > n - start) bad();
    bool ended = false;
    int windowExtX = 0, windowExtY = 0;
    for (std::uint64_t pos = 18; pos < totalBytes;) {
        if (pos + 6 > totalBytes) bad();
        const std::uint64_t recordBytes = static_cast<std::uint64_t>(U32(m + pos)) * 2;
        const unsigned function = U16(m + pos + 4);
        if (recordBytes < 6 || recordBytes > totalBytes - pos) bad();
        if (function == 0x020C && recordBytes >= 10 && windowExtX == 0) {  // SetWindowExt(y, x)
            windowExtY = S16(m + pos + 6);
            windowExtX = S16(m + pos + 8);
        }
        pos += recordBytes;
        if (function == 0) {
            ended = true;
            break;
        }
    }
    if (!ended) bad();
    METAFILEPICT picture{};
    picture.mm = MM_ANISOTROPIC;
    if (placeable) {
        picture.xExt = extentX;
        picture.yExt = extentY;
    } else {
        // No stated size: the window extent, taken as pixels at 96 per inch.
        if (windowExtX == 0 || windowExtY == 0) bad();
        picture.xExt = MulDiv(windowExtX < 0 ? -windowExtX : windowExtX, 2540, 96);
        picture.yExt = MulDiv(windowExtY < 0 ? -windowExtY : windowExtY, 2540, 96);
    }
    HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(totalBytes), m, nullptr, &picture);
    if (metafile == nullptr) bad();
    auto graphic = fw::MetafileGraphic::FromMetafile(metafile);
    if (!graphic) bad();
    return graphic;
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

std::shared_ptr<fw::Graphic> LoadJpegPicture(const void* data, std::size_t size, int targetWidth, int targetHeight) {
    try {
        return LoadJpeg(data, size, targetWidth, targetHeight);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(Format::Jpeg);
    }
}

void ReleasePictureCache() noexcept {
    DropKept();
    try {
        IdleReleaseTimer().SetEnabled(false);
    } catch (...) {
        // Stopping the timer frees nothing; a later tick finds nothing kept.
    }
}

std::size_t PictureCacheBytes() {
    const auto kept = Kept();
    return kept ? kept->pixels.bytes.size() : 0;
}

unsigned long PictureFileDecodes() { return gDecodes.load(); }

void LoadPictureFile(const std::string& path, fw::Image& image) {
    auto picture = image.Stretch() ? LoadPictureFile(path, image.Width(), image.Height())
                                   : LoadPictureFile(path, 0, 0);
    image.SetPicture(std::move(picture));
}

std::shared_ptr<fw::Graphic> LoadPictureFile(const std::string& path, int targetWidth, int targetHeight) {
    const std::string extension = PictureFileExtension(path);
    const std::string key = AsciiLower(extension);
    Format format;
    if (key == "jpg" || key == "jpeg") format = Format::Jpeg;
    else if (key == "bmp") format = Format::Bitmap;
    else if (key == "ico") format = Format::Icon;
    else if (key == "emf") format = Format::Enhanced;
    else if (key == "wmf") format = Format::Windows;
    else Raise(fw::FormatMessage1(kUnknownExtension, extension));

    // Opened (and its size and time taken) on every load, whatever has been
    // decoded before: a file that has gone fails, a changed one is read anew.
    const OpenedFile file(path, format);
    const bool resampled = (format == Format::Jpeg || format == Format::Bitmap) && targetWidth > 0 && targetHeight > 0;
    const int keyWidth = resampled ? targetWidth : 0;
    const int keyHeight = resampled ? targetHeight : 0;
    if (auto recent = FindRecent(file.Stamp(), keyWidth, keyHeight)) return recent;

    std::shared_ptr<fw::Graphic> graphic;
    try {
        if (format == Format::Jpeg) {
            graphic = LoadJpegFile(path, file, keyWidth, keyHeight);
        } else {
            const std::vector<std::uint8_t> data = file.ReadAll();
            ++gDecodes;
            switch (format) {
                case Format::Bitmap: graphic = LoadBitmapFile(data, targetWidth, targetHeight); break;
                case Format::Icon: graphic = LoadIconFile(data); break;
                case Format::Enhanced: graphic = LoadEnhancedMetafile(data); break;
                default: graphic = LoadWindowsMetafile(data); break;
            }
        }
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(format);
    }
    try {
        Remember(file.Stamp(), keyWidth, keyHeight, graphic);
    } catch (const std::bad_alloc&) {
        // Not remembering only costs a later decode.
    }
    return graphic;
}

}  // namespace common
