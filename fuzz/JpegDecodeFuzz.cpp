// Fuzz target: JPEG decoding. Any input either decodes to a picture of
// consistent size or fails with a positive decoder message number; it never
// crashes, leaks or reads out of bounds. The last input byte picks one of a
// few small target sizes and the pixel layout, so the scaled decoding paths
// (1/8 .. full, progressive files from their reduced scans) are all reached,
// and decoding straight into target rows must give exactly what resampling
// the whole decode gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/JpegDecode.h"
#include "common/JpegScans.h"

namespace {

[[noreturn]] void Fail() { std::abort(); }

struct Target {
    int width, height;
};
const Target kTargets[] = {{40, 30}, {8, 8}, {0, 0}, {246, 101}, {1, 1}, {120, 7}, {311, 187}, {3, 200}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t pick = size > 0 ? data[size - 1] : 0;
    common::JpegDecodeOptions options;
    options.targetWidth = kTargets[pick % 8].width;
    options.targetHeight = kTargets[pick % 8].height;
    options.layout = (pick & 8) != 0 ? common::PixelLayout::Bgr : common::PixelLayout::Bgra;
    // Smaller than the program's limits, so one input decodes in milliseconds.
    options.limits.maxSourcePixels = std::int64_t{1} << 22;
    options.limits.maxOutputPixels = std::int64_t{1} << 20;
    options.limits.maxWorkMemory = 64L << 20;

    // The marker walk on its own, over every input: spans inside the data,
    // in order, ending with the end marker when the walk is complete.
    const common::JpegComponentNeed needs[] = {{1, 0}, {2, 4}, {3, 4}};
    const common::JpegScanPlan plan = common::PlanJpegScans(data, size, needs, pick % 4);
    std::size_t end = 0, kept = 0;
    for (const common::JpegByteSpan& span : plan.spans) {
        if (span.size == 0 || span.offset < end || span.offset > size || span.size > size - span.offset) Fail();
        end = span.offset + span.size;
        kept += span.size;
    }
    if (kept != plan.bytesKept) Fail();
    if (plan.complete && (end < 2 || data[end - 2] != 0xFF || data[end - 1] != 0xD9)) Fail();

    const common::JpegDecodeResult r = common::DecodeJpeg(data, size, options);
    if (!r.Ok()) {
        if (r.error <= 0 || !r.pixels.bytes.empty() || r.pixels.width != 0 || r.message.empty()) Fail();
        return 0;
    }
    const common::PixelBuffer& px = r.pixels;
    const int channels = options.layout == common::PixelLayout::Bgr ? 3 : 4;
    if (px.width <= 0 || px.height <= 0 || px.channels != channels) Fail();
    if (px.bytes.size() != px.Stride() * static_cast<std::size_t>(px.height)) Fail();
    if (r.scale < 1 || r.scale > 8) Fail();
    if (px.width != common::DctScaledSide(r.sourceWidth, r.scale) ||
        px.height != common::DctScaledSide(r.sourceHeight, r.scale))
        Fail();
    // The size chosen covers the target unless the picture is smaller.
    if (r.scale < 8 && (px.width < options.targetWidth || px.height < options.targetHeight)) Fail();
    // The loader's next step.
    const common::PixelBuffer shown = common::ResamplePixels(px, 7, 5);
    if (shown.bytes.size() != static_cast<std::size_t>(7 * 5 * channels)) Fail();

    // Decoded straight into the target and a picture half its size (the
    // same scale covers both), the rows are those resampled from the whole.
    if (options.targetWidth <= 0) return 0;
    const int tw = options.targetWidth, th = options.targetHeight;
    const int hw = tw > 1 ? tw / 2 : 1, hh = th > 1 ? th / 2 : 1;
    std::vector<std::uint8_t> full(static_cast<std::size_t>(tw) * th * channels);
    std::vector<std::uint8_t> half(static_cast<std::size_t>(hw) * hh * channels);
    common::JpegDecodeOptions into = options;
    into.into = {{full.data(), static_cast<std::size_t>(tw) * channels, tw, th},
                 {half.data(), static_cast<std::size_t>(hw) * channels, hw, hh}};
    if (!common::DecodeJpeg(data, size, into).Ok()) Fail();
    const common::PixelBuffer a = common::ResamplePixels(px, tw, th), b = common::ResamplePixels(px, hw, hh);
    if (!std::equal(full.begin(), full.end(), a.bytes.begin(), a.bytes.end())) Fail();
    if (!std::equal(half.begin(), half.end(), b.bytes.begin(), b.bytes.end())) Fail();
    return 0;
}
