// JPEG decoding for background pictures: bytes in, top-down pixels or the
// decoder's own error number out. Pure code (no window system), so it also
// builds and runs natively, under the fuzzer included.
//
// Decoding uses the decoder's DCT-domain scaling: when the caller names the
// size it will finally show (the target), the picture is decoded at the
// smallest n/8 (n = 1..8) whose result still covers the target in both
// directions, which skips most of the inverse transform and colour work for
// large photos shown in small controls. Target 0 x 0 asks for the full size.
//
// Accepted pictures (anything else fails with JERR_IMAGE_TOO_BIG's number):
//  - the header's width x height at most JpegLimits::maxSourcePixels
//    (2^28, about 16384 x 16384), so a 60000 x 60000 header is refused before
//    anything is allocated;
//  - after scaling, each side at most maxOutputSide (16384) and the whole
//    output at most maxOutputPixels (32 Mi pixels, 128 MiB as BGRA).
// The decoder's own working memory (the coefficient store of progressive
// files) is capped by maxWorkMemory; a file that needs more fails with
// JERR_NO_BACKING_STORE's number. More than maxScans scans fails with
// JERR_BAD_PROGRESSION's number (a defence against endless scan lists).
//
// Premature end of data: the decoder would invent an end of image and fill
// the rest grey. Such a file is treated as damaged: it fails with the number
// of the decoder's own "premature end of JPEG file" warning (JWRN_JPEG_EOF).
// Every file must reach its end-of-image marker. Other "corrupt data"
// warnings (extraneous bytes before a marker and the like) are tolerated,
// because pictures with them still decode whole.
//
// A progressive file decoded at 1/8 is first walked marker by marker
// (JpegScans.h): only the scans that size shows are entropy-decoded (the
// block means and the first detail bands of components shown larger than
// one pixel a block); the refinement scans and the luminance detail are
// stepped over by their markers. The walk still reads to the end-of-image
// marker, so a file cut off in a skipped scan fails as any cut file does.
// Left out are only the low bits the refinements add, a fraction of a level
// in the output. A file whose markers the walk cannot follow is decoded
// whole, and fails or not as the decoder finds.
//
// Colour: grey, YCbCr and RGB files decode straight to BGR(A); CMYK and YCCK
// files are turned into RGB (inverted "Adobe" CMYK is recognised by its
// APP14 marker). Other colour layouts fail with the decoder's error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

namespace common {

// An allocator whose resize leaves new elements of trivial types
// uninitialised: for buffers that are filled right after (decoded pixels,
// file contents), so that no time goes into zeroing them first.
template <typename T>
struct FillLaterAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = FillLaterAllocator<U>;
    };
    FillLaterAllocator() noexcept = default;
    template <typename U>
    FillLaterAllocator(const FillLaterAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
template <typename T, typename U>
bool operator==(const FillLaterAllocator<T>&, const FillLaterAllocator<U>&) noexcept {
    return true;
}

using ByteBuffer = std::vector<std::uint8_t, FillLaterAllocator<std::uint8_t>>;

// Pixels, rows top-down and packed (stride = width * channels).
// channels == 4: blue, green, red, alpha (always 255 for decoded pictures);
// channels == 3: blue, green, red.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int channels = 4;
    ByteBuffer bytes;

    std::size_t Stride() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
    std::uint8_t* Row(int y) { return bytes.data() + Stride() * static_cast<std::size_t>(y); }
    const std::uint8_t* Row(int y) const { return bytes.data() + Stride() * static_cast<std::size_t>(y); }
    bool Empty() const { return width <= 0 || height <= 0; }
};

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// Rows of pixels held elsewhere: width x height, top-down, `stride` bytes
// apart, each at least width x channels bytes.
struct PixelRows {
    std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;
};

enum class PixelLayout { Bgra, Bgr };

struct JpegLimits {
    std::int64_t maxSourcePixels = std::int64_t{1} << 28;
    int maxOutputSide = 16384;
    std::int64_t maxOutputPixels = std::int64_t{32} << 20;
    long maxWorkMemory = 192L << 20;
    int maxScans = 1000;  // scans in the file, read or stepped over
};

struct JpegDecodeOptions {
    int targetWidth = 0;   // 0 x 0: full size
    int targetHeight = 0;
    PixelLayout layout = PixelLayout::Bgra;
    JpegLimits limits{};
    // A progressive file at 1/8: decode every scan, refinements included.
    bool allScans = false;
    // Pictures to make at once from the one decode, each of both sides above
    // 0: the file is decoded at the n/8 scale that covers all of them (in
    // place of targetWidth x targetHeight) and resampled into each as its
    // rows come, exactly as ResamplePixelsInto would from the whole decode,
    // which is never held; the result's pixels stay empty. On failure the
    // targets hold whatever was written before it.
    std::vector<PixelRows> into;
};

struct JpegDecodeResult {
    int error = 0;        // 0: decoded; otherwise the decoder's message number
    std::string message;  // the decoder's own text for the error, for logs
    int sourceWidth = 0;  // from the header, when it was read
    int sourceHeight = 0;
    int scale = 8;        // n of the n/8 scaling used
    int scansSkipped = 0; // scans stepped over without decoding
    PixelBuffer pixels;

    bool Ok() const { return error == 0; }
};

JpegDecodeResult DecodeJpeg(const void* data, std::size_t size, const JpegDecodeOptions& options = {});
// The same into `result`, whose pixel storage is reused when it is large
// enough (repeated decodes of one size allocate nothing for the pixels).
void DecodeJpegInto(const void* data, std::size_t size, const JpegDecodeOptions& options, JpegDecodeResult& result);

// n (1..8) of the smallest n/8 scaling whose output covers the target in
// both directions; 8 when the target is 0 x 0 or larger than the picture.
// A target side of 0 or less is covered by any size.
int ChooseDctScale(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

// One side's length after n/8 scaling, rounded up as the decoder does.
int DctScaledSide(int side, int scale);

// Resamples to width x height (both > 0) without keeping proportions:
// area averaging along a shrinking axis, linear interpolation along a
// growing one, in integer arithmetic (weights in 1/16384, results rounded
// to the nearest level). Same channel count as the source. An empty source or target
// gives an empty buffer.
PixelBuffer ResamplePixels(const PixelBuffer& source, int width, int height);
// The same over pixels held elsewhere (rows `stride` bytes apart).
PixelBuffer ResamplePixels(const std::uint8_t* pixels, int sourceWidth, int sourceHeight, int channels,
                           std::size_t stride, int width, int height);
// The same into rows held elsewhere: several targets (each of both sides
// above 0) in one pass over the source rows.
void ResamplePixelsInto(const std::uint8_t* pixels, int sourceWidth, int sourceHeight, int channels,
                        std::size_t stride, const std::vector<PixelRows>& targets);

// The decoder's message numbers callers act on (from its own message list).
int JpegCodeImageTooBig();   // picture larger than accepted
int JpegCodePrematureEnd();  // data ended before the end-of-image marker
int JpegCodeInputEmpty();    // no data at all
int JpegCodeOutOfMemory();

}  // namespace common
