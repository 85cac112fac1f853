// JPEG decoding: sizes chosen by DCT scaling, colours, colour spaces, limits,
// damaged data, and the resampler the loader uses after decoding.
#include "common/JpegDecode.h"
#include "common/JpegScans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/tests/JpegTestEncoder.h"

#include <jerror.h>

namespace {

using common::DecodeJpeg;
using common::JpegDecodeOptions;
using common::PixelBuffer;
using testjpeg::Kind;

std::vector<std::uint8_t> EncodeRgb(const std::vector<std::uint8_t>& rgb, int w, int h, bool progressive = false,
                                    int quality = 90, bool subsample = true) {
    testjpeg::EncodeOptions o;
    o.progressive = progressive;
    o.quality = quality;
    o.subsample = subsample;
    return testjpeg::Encode(rgb, w, h, Kind::Rgb, o);
}

JpegDecodeOptions Target(int w, int h) {
    JpegDecodeOptions o;
    o.targetWidth = w;
    o.targetHeight = h;
    return o;
}

// Four quadrants of plain colours (RGB): red, green, blue, light grey.
struct Rgb {
    int r, g, b;
};
const Rgb kQuadrants[4] = {{220, 30, 40}, {20, 200, 60}, {30, 50, 210}, {200, 200, 200}};

std::vector<std::uint8_t> Quadrants(int w, int h) {
    std::vector<std::uint8_t> s(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb& c = kQuadrants[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)];
            std::uint8_t* p = &s[(static_cast<std::size_t>(y) * w + x) * 3];
            p[0] = static_cast<std::uint8_t>(c.r);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.b);
        }
    return s;
}

// Pixel of a decoded buffer as RGB, whatever the channel order is.
Rgb At(const PixelBuffer& px, int x, int y) {
    const std::uint8_t* p = px.Row(y) + static_cast<std::size_t>(x) * px.channels;
    return Rgb{p[2], p[1], p[0]};
}

void ExpectNear(const Rgb& got, const Rgb& want, int tolerance, const std::string& where) {
    EXPECT_NEAR(got.r, want.r, tolerance) << where << " red";
    EXPECT_NEAR(got.g, want.g, tolerance) << where << " green";
    EXPECT_NEAR(got.b, want.b, tolerance) << where << " blue";
}

void CheckQuadrants(const PixelBuffer& px, int tolerance, const std::string& what) {
    ASSERT_FALSE(px.Empty()) << what;
    for (int q = 0; q < 4; ++q) {
        const int x = (q % 2 == 0 ? 1 : 3) * px.width / 4;
        const int y = (q < 2 ? 1 : 3) * px.height / 4;
        ExpectNear(At(px, x, y), kQuadrants[q], tolerance, what + " quadrant " + std::to_string(q));
    }
}

std::size_t FindMarker(const std::vector<std::uint8_t>& jpeg, std::uint8_t marker) {
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
    return std::string::npos;
}

// Rewrites the frame header's height and width.
std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> jpeg, int width, int height) {
    std::size_t sof = FindMarker(jpeg, 0xC0);
    if (sof == std::string::npos) sof = FindMarker(jpeg, 0xC2);
    EXPECT_NE(sof, std::string::npos);
    if (sof == std::string::npos) return jpeg;
    jpeg[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    jpeg[sof + 6] = static_cast<std::uint8_t>(height & 0xFF);
    jpeg[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    jpeg[sof + 8] = static_cast<std::uint8_t>(width & 0xFF);
    return jpeg;
}

// ------------------------------------------------------------ DCT scaling

struct ScaleCase {
    int sourceW, sourceH, targetW, targetH;
    int scale, outW, outH;
};

const ScaleCase kScaleCases[] = {
    {640, 480, 0, 0, 8, 640, 480},       // no target: full size
    {640, 480, 80, 60, 1, 80, 60},       // exactly 1/8
    {640, 480, 81, 60, 2, 160, 120},     // one pixel more: next step
    {640, 480, 235, 139, 3, 240, 180},   // main window picture
    {640, 480, 311, 187, 4, 320, 240},   // appearance window picture
    {640, 480, 246, 101, 4, 320, 240},   // options window pages (width decides)
    {640, 480, 401, 10, 6, 480, 360},
    {640, 480, 640, 480, 8, 640, 480},
    {640, 480, 641, 1, 8, 640, 480},     // larger than the picture: full size, never more
    {640, 480, 0, 200, 4, 320, 240},     // only a height asked for
    {333, 77, 42, 10, 1, 42, 10},        // sizes round up: 333/8 -> 42, 77/8 -> 10
    {333, 77, 43, 10, 2, 84, 20},
    {17, 9, 3, 2, 1, 3, 2},
    {350, 5, 0, 0, 8, 350, 5},           // the splash strip at natural size
    {1000, 1000, 125, 126, 2, 250, 250}, // height needs 2/8
    {1, 1, 246, 101, 8, 1, 1},
    {4000, 3000, 246, 101, 1, 500, 375}, // a camera photo in a small control
    {4000, 3000, 311, 187, 1, 500, 375},
    {4000, 3000, 1000, 376, 2, 1000, 750},
};

TEST(JpegDecodeTest, DctScaleIsTheSmallestThatCoversTheTarget) {
    for (const ScaleCase& c : kScaleCases) {
        const std::string where = std::to_string(c.sourceW) + "x" + std::to_string(c.sourceH) + " -> " +
                                  std::to_string(c.targetW) + "x" + std::to_string(c.targetH);
        const int scale = common::ChooseDctScale(c.sourceW, c.sourceH, c.targetW, c.targetH);
        EXPECT_EQ(scale, c.scale) << where;
        EXPECT_EQ(common::DctScaledSide(c.sourceW, scale), c.outW) << where;
        EXPECT_EQ(common::DctScaledSide(c.sourceH, scale), c.outH) << where;
    }
}

TEST(JpegDecodeTest, DecoderDeliversTheChosenSize) {
    for (const ScaleCase& c : kScaleCases) {
        if (c.sourceW * c.sourceH > 1000 * 1000) continue;  // table maths only for the big ones
        const std::string where = std::to_string(c.sourceW) + "x" + std::to_string(c.sourceH) + " -> " +
                                  std::to_string(c.targetW) + "x" + std::to_string(c.targetH);
        for (const bool progressive : {false, true}) {
            const auto jpeg = EncodeRgb(Quadrants(c.sourceW, c.sourceH), c.sourceW, c.sourceH, progressive);
            ASSERT_FALSE(jpeg.empty());
            const auto r = DecodeJpeg(jpeg.data(), jpeg.size(), Target(c.targetW, c.targetH));
            ASSERT_TRUE(r.Ok()) << where << ": " << r.message;
            EXPECT_EQ(r.scale, c.scale) << where;
            EXPECT_EQ(r.pixels.width, c.outW) << where << (progressive ? " progressive" : "");
            EXPECT_EQ(r.pixels.height, c.outH) << where << (progressive ? " progressive" : "");
            EXPECT_EQ(r.sourceWidth, c.sourceW);
            EXPECT_EQ(r.sourceHeight, c.sourceH);
            EXPECT_EQ(r.pixels.bytes.size(), static_cast<std::size_t>(c.outW) * c.outH * 4);
        }
    }
}

// ------------------------------------------------------------------ colours

TEST(JpegDecodeTest, ColoursComeOutInBlueGreenRedOrder) {
    const auto jpeg = EncodeRgb(Quadrants(64, 64), 64, 64, false, 95, false);
    auto r = DecodeJpeg(jpeg.data(), jpeg.size());
    ASSERT_TRUE(r.Ok()) << r.message;
    ASSERT_EQ(r.pixels.channels, 4);
    CheckQuadrants(r.pixels, 4, "BGRA");
    for (std::size_t i = 3; i < r.pixels.bytes.size(); i += 4) ASSERT_EQ(r.pixels.bytes[i], 255) << i;
    // The first pixel, byte by byte: blue, green, red, alpha.
    EXPECT_NEAR(r.pixels.bytes[0], 40, 4);
    EXPECT_NEAR(r.pixels.bytes[1], 30, 4);
    EXPECT_NEAR(r.pixels.bytes[2], 220, 4);

    JpegDecodeOptions bgr;
    bgr.layout = common::PixelLayout::Bgr;
    r = DecodeJpeg(jpeg.data(), jpeg.size(), bgr);
    ASSERT_TRUE(r.Ok()) << r.message;
    ASSERT_EQ(r.pixels.channels, 3);
    EXPECT_EQ(r.pixels.bytes.size(), 64u * 64u * 3u);
    CheckQuadrants(r.pixels, 4, "BGR");
}

TEST(JpegDecodeTest, ScaledAndProgressiveDecodesKeepTheColours) {
    for (const bool progressive : {false, true}) {
        const auto jpeg = EncodeRgb(Quadrants(256, 128), 256, 128, progressive);
        for (const int target : {0, 32, 64, 100}) {
            const auto r = DecodeJpeg(jpeg.data(), jpeg.size(), Target(target, target / 2));
            ASSERT_TRUE(r.Ok()) << r.message;
            CheckQuadrants(r.pixels, 8,
                           std::string(progressive ? "progressive" : "baseline") + " target " + std::to_string(target));
        }
    }
}

// Mean absolute difference between decoded pixels and an RGB source of the
// same size.
template <typename Bytes>
double MeanError(const PixelBuffer& px, const Bytes& rgb) {
    double total = 0;
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x) {
            const Rgb got = At(px, x, y);
            const std::uint8_t* s = &rgb[(static_cast<std::size_t>(y) * px.width + x) * 3];
            total += std::abs(got.r - s[0]) + std::abs(got.g - s[1]) + std::abs(got.b - s[2]);
        }
    return total / (3.0 * px.width * px.height);
}

TEST(JpegDecodeTest, PhotoLikePictureDecodesCloseToItsSource) {
    const int w = 320, h = 240;
    const auto rgb = testjpeg::PhotoLikeRgb(w, h);
    for (const bool progressive : {false, true}) {
        const auto jpeg = EncodeRgb(rgb, w, h, progressive, 90);
        const auto full = DecodeJpeg(jpeg.data(), jpeg.size());
        ASSERT_TRUE(full.Ok()) << full.message;
        EXPECT_LT(MeanError(full.pixels, rgb), 10.0) << (progressive ? "progressive" : "baseline");

        // At 1/8 each pixel is a block mean: compare with the source shrunk
        // by averaging.
        PixelBuffer source;
        source.width = w;
        source.height = h;
        source.channels = 3;
        source.bytes.assign(rgb.begin(), rgb.end());
        // (The resampler treats channels alike, so RGB in gives RGB out.)
        const PixelBuffer small = common::ResamplePixels(source, w / 8, h / 8);
        const auto eighth = DecodeJpeg(jpeg.data(), jpeg.size(), Target(w / 8, h / 8));
        ASSERT_TRUE(eighth.Ok()) << eighth.message;
        ASSERT_EQ(eighth.pixels.width, w / 8);
        EXPECT_LT(MeanError(eighth.pixels, small.bytes), 10.0) << (progressive ? "progressive" : "baseline") << " 1/8";
    }
}

TEST(JpegDecodeTest, GreyPictureBecomesEqualChannels) {
    std::vector<std::uint8_t> grey(64 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) grey[static_cast<std::size_t>(y) * 64 + x] = x < 32 ? 40 : 210;
    const auto jpeg = testjpeg::Encode(grey, 64, 32, Kind::Grey);
    const auto r = DecodeJpeg(jpeg.data(), jpeg.size());
    ASSERT_TRUE(r.Ok()) << r.message;
    ExpectNear(At(r.pixels, 10, 16), {40, 40, 40}, 3, "dark half");
    ExpectNear(At(r.pixels, 50, 16), {210, 210, 210}, 3, "light half");
    const Rgb p = At(r.pixels, 10, 16);
    EXPECT_TRUE(p.r == p.g && p.g == p.b);
}

// CMYK pictures: each case gives the ink amounts (0 none .. 255 full), the
// RGB expected, and how the file stores them.
struct CmykCase {
    Kind kind;
    const char* name;
};

TEST(JpegDecodeTest, CmykAndYcckBecomeRgb) {
    struct Ink {
        int c, m, y, k;
        Rgb rgb;
    };
    const Ink inks[4] = {
        {0, 255, 255, 0, {255, 0, 0}},       // red
        {255, 0, 255, 0, {0, 255, 0}},       // green
        {0, 0, 0, 0, {255, 255, 255}},       // paper
        {0, 0, 0, 128, {127, 127, 127}},     // half black
    };
    const CmykCase cases[] = {{Kind::CmykAdobe, "Adobe CMYK (inverted)"},
                              {Kind::Ycck, "YCCK (inverted)"},
                              {Kind::CmykPlain, "plain CMYK"}};
    for (const CmykCase& c : cases) {
        const int w = 64, h = 16;
        std::vector<std::uint8_t> cmyk(static_cast<std::size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Ink& ink = inks[x / 16];
                std::uint8_t* p = &cmyk[(static_cast<std::size_t>(y) * w + x) * 4];
                const int v[4] = {ink.c, ink.m, ink.y, ink.k};
                // Files with the Adobe marker hold 255 - ink.
                for (int i = 0; i < 4; ++i)
                    p[i] = static_cast<std::uint8_t>(c.kind == Kind::CmykPlain ? v[i] : 255 - v[i]);
            }
        testjpeg::EncodeOptions o;
        o.quality = 95;
        o.subsample = false;
        const auto jpeg = testjpeg::Encode(cmyk, w, h, c.kind, o);
        ASSERT_FALSE(jpeg.empty()) << c.name;
        const auto r = DecodeJpeg(jpeg.data(), jpeg.size());
        ASSERT_TRUE(r.Ok()) << c.name << ": " << r.message;
        for (int i = 0; i < 4; ++i)
            ExpectNear(At(r.pixels, i * 16 + 8, 8), inks[i].rgb, 6, std::string(c.name) + " ink " + std::to_string(i));
    }
}

// ----------------------------------------------------------- failures

struct FailureCase {
    const char* name;
    std::vector<std::uint8_t> data;
    JpegDecodeOptions options;
    int code;
};

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> v, std::size_t keep) {
    v.resize(keep);
    return v;
}

TEST(JpegDecodeTest, DamagedDataFailsWithTheDecodersNumber) {
    const auto baseline = EncodeRgb(testjpeg::PhotoLikeRgb(160, 120), 160, 120);
    const auto progressive = EncodeRgb(testjpeg::PhotoLikeRgb(160, 120), 160, 120, true);
    const std::string text = "not a picture at all";
    JpegDecodeOptions smallLimit;
    smallLimit.limits.maxOutputSide = 100;
    JpegDecodeOptions fewPixels;
    fewPixels.limits.maxOutputPixels = 160 * 119;
    JpegDecodeOptions smallWork;
    smallWork.limits.maxWorkMemory = 20000;
    JpegDecodeOptions fewScans;
    fewScans.limits.maxScans = 3;
    JpegDecodeOptions smallTarget = Target(246, 101);

    const FailureCase cases[] = {
        {"empty", {}, {}, JERR_INPUT_EMPTY},
        {"text", std::vector<std::uint8_t>(text.begin(), text.end()), {}, JERR_NO_SOI},
        {"start marker only", {0xFF, 0xD8}, {}, JWRN_JPEG_EOF},
        {"header only", Cut(baseline, FindMarker(baseline, 0xDA)), {}, JWRN_JPEG_EOF},
        {"cut in half", Cut(baseline, baseline.size() / 2), {}, JWRN_JPEG_EOF},
        {"cut in half, small target", Cut(baseline, baseline.size() / 2), Target(20, 15), JWRN_JPEG_EOF},
        {"end marker missing", Cut(baseline, baseline.size() - 2), {}, JWRN_JPEG_EOF},
        {"progressive cut in half", Cut(progressive, progressive.size() / 2), {}, JWRN_JPEG_EOF},
        {"60000 x 60000", WithFrameSize(baseline, 60000, 60000), {}, JERR_IMAGE_TOO_BIG},
        {"60000 x 60000, small target", WithFrameSize(baseline, 60000, 60000), smallTarget, JERR_IMAGE_TOO_BIG},
        {"60000 x 60000 progressive", WithFrameSize(progressive, 60000, 60000), smallTarget, JERR_IMAGE_TOO_BIG},
        {"20000 x 8 at full size", WithFrameSize(baseline, 20000, 8), {}, JERR_IMAGE_TOO_BIG},
        {"zero width", WithFrameSize(baseline, 0, 120), {}, JERR_EMPTY_IMAGE},
        {"zero height", WithFrameSize(baseline, 160, 0), {}, JERR_EMPTY_IMAGE},
        {"side limit", baseline, smallLimit, JERR_IMAGE_TOO_BIG},
        {"pixel limit", baseline, fewPixels, JERR_IMAGE_TOO_BIG},
        {"work memory limit", progressive, smallWork, JERR_NO_BACKING_STORE},
        {"scan limit", progressive, fewScans, JERR_BAD_PROGRESSION},
    };
    for (const FailureCase& c : cases) {
        const auto r = DecodeJpeg(c.data.data(), c.data.size(), c.options);
        EXPECT_EQ(r.error, c.code) << c.name << ": " << r.message;
        EXPECT_FALSE(r.Ok()) << c.name;
        EXPECT_FALSE(r.message.empty()) << c.name;
        EXPECT_TRUE(r.pixels.bytes.empty()) << c.name;
        EXPECT_EQ(r.pixels.width, 0) << c.name;
    }
}

TEST(JpegDecodeTest, ErrorTextIsTheDecodersOwn) {
    auto r = DecodeJpeg(nullptr, 0);
    EXPECT_EQ(r.error, JERR_INPUT_EMPTY);
    EXPECT_EQ(r.message, "Empty input file");
    const auto baseline = EncodeRgb(Quadrants(16, 16), 16, 16);
    const auto huge = WithFrameSize(baseline, 60000, 60000);
    r = DecodeJpeg(huge.data(), huge.size());
    EXPECT_EQ(r.message, "Maximum supported image dimension is 16384 pixels");
    EXPECT_EQ(r.sourceWidth, 60000);
    const auto cut = Cut(baseline, baseline.size() - 2);
    r = DecodeJpeg(cut.data(), cut.size());
    EXPECT_EQ(r.message, "Premature end of JPEG file");
    EXPECT_EQ(common::JpegCodeImageTooBig(), JERR_IMAGE_TOO_BIG);
    EXPECT_EQ(common::JpegCodePrematureEnd(), JWRN_JPEG_EOF);
    EXPECT_EQ(common::JpegCodeInputEmpty(), JERR_INPUT_EMPTY);
    EXPECT_EQ(common::JpegCodeOutOfMemory(), JERR_OUT_OF_MEMORY);
}

// At 1/8 a progressive file is decoded from the scans that size shows; the
// refinements left out change the picture shown by a fraction of a level.
std::vector<std::size_t> ScanStarts(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) starts.push_back(i);
    return starts;
}

double Psnr(const PixelBuffer& a, const PixelBuffer& b) {
    EXPECT_EQ(a.bytes.size(), b.bytes.size());
    double sum = 0;
    for (std::size_t i = 0; i < a.bytes.size() && i < b.bytes.size(); ++i) {
        const double d = static_cast<double>(a.bytes[i]) - b.bytes[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(std::max<std::size_t>(1, a.bytes.size()));
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(JpegDecodeTest, ProgressiveEighthStepsOverTheScansItDoesNotShow) {
    // The encoder's progression: block means (low bit held back), luminance
    // detail 1-5, colour detail (low bit held back), luminance 6-63, then
    // the refinements. Shown at 1/8, luminance needs only the means, 2 x 2
    // subsampled colour its first detail band; unsubsampled colour the means.
    const struct {
        bool subsample;
        int skipped;
    } cases[] = {{true, 7}, {false, 9}};
    const int w = 640, h = 480;
    for (const auto& c : cases) {
        const auto jpeg = EncodeRgb(testjpeg::PhotoLikeRgb(w, h), w, h, true, 90, c.subsample);
        JpegDecodeOptions all = Target(80, 60);
        all.allScans = true;
        const auto reduced = DecodeJpeg(jpeg.data(), jpeg.size(), Target(80, 60));
        const auto complete = DecodeJpeg(jpeg.data(), jpeg.size(), all);
        ASSERT_TRUE(reduced.Ok()) << reduced.message;
        ASSERT_TRUE(complete.Ok()) << complete.message;
        EXPECT_EQ(reduced.scansSkipped, c.skipped) << c.subsample;
        EXPECT_EQ(complete.scansSkipped, 0);
        ASSERT_EQ(reduced.pixels.width, 80);
        // As the controls show it, and at 1/8 itself.
        EXPECT_GE(Psnr(common::ResamplePixels(reduced.pixels, 62, 26), common::ResamplePixels(complete.pixels, 62, 26)),
                  50.0)
            << c.subsample;
        EXPECT_GE(Psnr(reduced.pixels, complete.pixels), 45.0) << c.subsample;
    }
}

TEST(JpegDecodeTest, ProgressiveEighthOfACutFileFailsAsAFullDecodeDoes) {
    const auto jpeg = EncodeRgb(testjpeg::PhotoLikeRgb(160, 120), 160, 120, true);
    const auto starts = ScanStarts(jpeg);
    ASSERT_EQ(starts.size(), 10u);
    const struct {
        const char* name;
        std::size_t keep;
    } cases[] = {
        {"cut in the last scan (a refinement, stepped over)", (starts[9] + jpeg.size()) / 2},
        {"cut in luminance detail 6-63 (stepped over)", (starts[4] + starts[5]) / 2},
        {"cut in the colour detail (decoded)", (starts[2] + starts[3]) / 2},
        {"cut at a skipped scan's marker", starts[9] + 1},
        {"end marker missing", jpeg.size() - 2},
        {"half of the end marker", jpeg.size() - 1},
    };
    for (const auto& c : cases) {
        const auto cut = Cut(jpeg, c.keep);
        EXPECT_EQ(DecodeJpeg(cut.data(), cut.size(), Target(20, 15)).error, JWRN_JPEG_EOF) << c.name;
        EXPECT_EQ(DecodeJpeg(cut.data(), cut.size()).error, JWRN_JPEG_EOF) << c.name;
    }
    EXPECT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), Target(20, 15)).Ok());
}

TEST(JpegDecodeTest, ScanPlanKeepsEverythingButTheSkippedScans) {
    const auto jpeg = EncodeRgb(testjpeg::PhotoLikeRgb(64, 48), 64, 48, true);
    const auto starts = ScanStarts(jpeg);
    ASSERT_EQ(starts.size(), 10u);
    // Luminance (id 1) shown one pixel a block, colour (2, 3) 2 x 2.
    const common::JpegComponentNeed needs[] = {{1, 0}, {2, 4}, {3, 4}};
    const auto plan = common::PlanJpegScans(jpeg.data(), jpeg.size(), needs, 3);
    ASSERT_TRUE(plan.complete);
    EXPECT_EQ(plan.scansKept, 3);
    EXPECT_EQ(plan.scansSkipped, 7);
    // The kept bytes, joined, are the file without the skipped scans: the
    // header and first scan as they were, three scans, the end marker; and
    // decoded whole they give the picture the reduced decode gives.
    std::vector<std::uint8_t> joined;
    for (const auto& span : plan.spans)
        joined.insert(joined.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(span.offset),
                      jpeg.begin() + static_cast<std::ptrdiff_t>(span.offset + span.size));
    EXPECT_EQ(joined.size(), plan.bytesKept);
    ASSERT_GT(joined.size(), starts[1]);
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(starts[1]), joined.begin()));
    EXPECT_EQ(ScanStarts(joined).size(), 3u);
    EXPECT_EQ(joined[joined.size() - 2], 0xFF);
    EXPECT_EQ(joined.back(), 0xD9);
    JpegDecodeOptions all = Target(8, 6);
    all.allScans = true;
    const auto fromJoined = DecodeJpeg(joined.data(), joined.size(), all);
    const auto reduced = DecodeJpeg(jpeg.data(), jpeg.size(), Target(8, 6));
    ASSERT_TRUE(fromJoined.Ok()) << fromJoined.message;
    EXPECT_EQ(reduced.scansSkipped, 7);
    EXPECT_TRUE(fromJoined.pixels.bytes == reduced.pixels.bytes);
    // Every component needing all its coefficients: only the five
    // refinements are skipped.
    EXPECT_EQ(common::PlanJpegScans(jpeg.data(), jpeg.size(), nullptr, 0).scansSkipped, 5);
    // Markers that cannot be followed: the plan is of no use.
    auto badLength = jpeg;
    badLength[4] = 0xFF;  // the first segment's length runs past the end
    EXPECT_FALSE(common::PlanJpegScans(badLength.data(), badLength.size(), needs, 3).complete);
    EXPECT_FALSE(common::PlanJpegScans(jpeg.data(), jpeg.size() - 2, needs, 3).complete);
    EXPECT_EQ(common::LastZigzagIndexOfCorner(1), 0);
    EXPECT_EQ(common::LastZigzagIndexOfCorner(2), 4);
    EXPECT_EQ(common::LastZigzagIndexOfCorner(4), 24);
    EXPECT_EQ(common::LastZigzagIndexOfCorner(8), 63);
}

TEST(JpegDecodeTest, AReducedProgressiveDecodeStoresOnlyTheBlockMeansItShows) {
    // 512 x 384 with 2 x 2 colour: the whole store is 64 x 48 luminance
    // blocks and twice 32 x 24 colour blocks of 128 bytes, 589,824 bytes.
    // At 1/8 the luminance keeps only its means, 64 block rows to a row: the
    // store then fits in half of that, and the picture is the same.
    const auto jpeg = EncodeRgb(testjpeg::PhotoLikeRgb(512, 384), 512, 384, true);
    JpegDecodeOptions eighth = Target(64, 48), everyScan = Target(64, 48);
    everyScan.allScans = true;
    const auto unlimited = DecodeJpeg(jpeg.data(), jpeg.size(), eighth);
    ASSERT_TRUE(unlimited.Ok()) << unlimited.message;
    for (JpegDecodeOptions* o : {&eighth, &everyScan}) o->limits.maxWorkMemory = 589824 / 2;
    const auto reduced = DecodeJpeg(jpeg.data(), jpeg.size(), eighth);
    ASSERT_TRUE(reduced.Ok()) << reduced.message;
    EXPECT_TRUE(reduced.pixels.bytes == unlimited.pixels.bytes);
    EXPECT_EQ(DecodeJpeg(jpeg.data(), jpeg.size(), everyScan).error, JERR_NO_BACKING_STORE);
}

// Random damage must end in a picture or an error number, never a crash.
TEST(JpegDecodeTest, RandomDamageNeverCrashes) {
    const auto sources = {EncodeRgb(testjpeg::PhotoLikeRgb(48, 40), 48, 40),
                          EncodeRgb(testjpeg::PhotoLikeRgb(48, 40), 48, 40, true)};
    std::uint32_t seed = 7;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int decoded = 0, failed = 0;
    for (const auto& source : sources) {
        for (int round = 0; round < 300; ++round) {
            auto bytes = source;
            const int flips = 1 + static_cast<int>(next() % 6);
            for (int i = 0; i < flips; ++i) bytes[next() % bytes.size()] = static_cast<std::uint8_t>(next());
            if (round % 3 == 0) bytes.resize(next() % bytes.size());
            JpegDecodeOptions o = Target(static_cast<int>(next() % 50), static_cast<int>(next() % 50));
            o.limits.maxSourcePixels = 1 << 20;
            const auto r = DecodeJpeg(bytes.data(), bytes.size(), o);
            if (r.Ok()) {
                ++decoded;
                ASSERT_EQ(r.pixels.bytes.size(), r.pixels.Stride() * static_cast<std::size_t>(r.pixels.height));
            } else {
                ++failed;
                ASSERT_GT(r.error, 0);
                ASSERT_TRUE(r.pixels.bytes.empty());
            }
        }
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(decoded, 0);
}

// --------------------------------------------------------------- resampling

TEST(JpegDecodeTest, DecodingIntoTargetsMatchesResamplingTheWholeDecode) {
    const int w = 640, h = 480;
    const auto rgb = testjpeg::PhotoLikeRgb(w, h);
    std::vector<std::uint8_t> cmyk(static_cast<std::size_t>(w) * h * 4);
    for (std::size_t i = 0; i < rgb.size() / 3; ++i)
        for (int c = 0; c < 3; ++c) cmyk[i * 4 + c] = rgb[i * 3 + c], cmyk[i * 4 + 3] = 40;
    testjpeg::EncodeOptions restarts;
    restarts.restartRows = 1;
    const struct {
        const char* name;
        std::vector<std::uint8_t> jpeg;
        common::PixelLayout layout;
    } files[] = {
        {"baseline", EncodeRgb(rgb, w, h), common::PixelLayout::Bgra},
        {"progressive", EncodeRgb(rgb, w, h, true), common::PixelLayout::Bgra},
        {"blue, green, red", EncodeRgb(rgb, w, h), common::PixelLayout::Bgr},
        {"grey, restarts", testjpeg::Encode(rgb, w, h, Kind::Grey, restarts), common::PixelLayout::Bgra},
        {"CMYK", testjpeg::Encode(cmyk, w, h, Kind::CmykAdobe, {}), common::PixelLayout::Bgra},
    };
    // The three sizes the windows show; one target; one wider than the
    // picture and far lower (each output row drawing on 24 source rows).
    const std::vector<std::vector<common::PixelSize>> targetLists = {
        {{235, 139}, {311, 187}, {246, 101}}, {{80, 60}}, {{700, 20}, {62, 26}}};
    for (const auto& f : files) {
        ASSERT_FALSE(f.jpeg.empty()) << f.name;
        const int channels = f.layout == common::PixelLayout::Bgra ? 4 : 3;
        for (const auto& targets : targetLists) {
            const std::string where = std::string(f.name) + ", " + std::to_string(targets[0].width) + " wide first";
            JpegDecodeOptions whole;
            whole.layout = f.layout;
            JpegDecodeOptions into = whole;
            std::vector<std::vector<std::uint8_t>> out;
            for (const auto& t : targets) {
                whole.targetWidth = std::max(whole.targetWidth, t.width);
                whole.targetHeight = std::max(whole.targetHeight, t.height);
                out.emplace_back(static_cast<std::size_t>(t.width) * t.height * channels + 1, 0xA5);
                into.into.push_back({out.back().data(), static_cast<std::size_t>(t.width) * channels, t.width, t.height});
            }
            const auto plain = DecodeJpeg(f.jpeg.data(), f.jpeg.size(), whole);
            const auto streamed = DecodeJpeg(f.jpeg.data(), f.jpeg.size(), into);
            ASSERT_TRUE(plain.Ok() && streamed.Ok()) << where << ": " << plain.message << streamed.message;
            EXPECT_EQ(streamed.scale, plain.scale) << where;
            EXPECT_TRUE(streamed.pixels.bytes.empty()) << where;
            for (std::size_t i = 0; i < targets.size(); ++i) {
                const PixelBuffer expected = common::ResamplePixels(plain.pixels, targets[i].width, targets[i].height);
                EXPECT_EQ(out[i].back(), 0xA5) << where << ": written past target " << i;
                out[i].pop_back();
                EXPECT_TRUE(out[i] == std::vector<std::uint8_t>(expected.bytes.begin(), expected.bytes.end()))
                    << where << ": target " << i;
            }
        }
        // A cut file fails as the whole decode does.
        const auto cut = Cut(f.jpeg, f.jpeg.size() * 3 / 4);
        std::vector<std::uint8_t> rows(80 * 60 * 4);
        JpegDecodeOptions into;
        into.layout = f.layout;
        into.into = {{rows.data(), 80u * channels, 80, 60}};
        EXPECT_EQ(DecodeJpeg(cut.data(), cut.size(), into).error, JWRN_JPEG_EOF) << f.name;
    }
}

struct ResampleCase {
    const char* name;
    std::vector<std::uint8_t> source;  // one channel, one row
    int outWidth;
    std::vector<std::uint8_t> expected;
};

TEST(JpegDecodeTest, ResampleAveragesAreasAndInterpolatesGrowth) {
    const ResampleCase cases[] = {
        {"halve", {0, 100, 200, 255}, 2, {50, 228}},
        {"thirds into halves", {0, 90, 180}, 2, {30, 150}},
        {"to one", {10, 20, 30, 40}, 1, {25}},
        {"same size", {1, 2, 3}, 3, {1, 2, 3}},
        {"double", {0, 100}, 4, {0, 25, 75, 100}},
        {"one to three", {77}, 3, {77, 77, 77}},
    };
    for (const ResampleCase& c : cases) {
        const int w = static_cast<int>(c.source.size());
        // As a row and as a column, in every channel of a 4-channel picture.
        for (const bool column : {false, true}) {
            PixelBuffer src;
            src.width = column ? 1 : w;
            src.height = column ? w : 1;
            src.channels = 4;
            for (std::uint8_t v : c.source) src.bytes.insert(src.bytes.end(), {v, v, v, v});
            const PixelBuffer out = common::ResamplePixels(src, column ? 1 : c.outWidth, column ? c.outWidth : 1);
            ASSERT_EQ(out.bytes.size(), c.expected.size() * 4) << c.name;
            for (std::size_t i = 0; i < c.expected.size(); ++i)
                for (int ch = 0; ch < 4; ++ch)
                    EXPECT_EQ(out.bytes[i * 4 + static_cast<std::size_t>(ch)], c.expected[i])
                        << c.name << (column ? " column " : " row ") << i;
        }
    }
}

// Weight of source index i in output index o along one axis, written out
// directly: the share of the output pixel's span a source pixel covers when
// shrinking, the linear interpolation weight when growing.
double AxisWeight(int from, int to, int o, int i) {
    const double ratio = static_cast<double>(from) / to;
    if (from > to) {
        const double lo = o * ratio, hi = (o + 1) * ratio;
        const double overlap = std::min(hi, i + 1.0) - std::max(lo, static_cast<double>(i));
        return overlap > 0 ? overlap / ratio : 0;
    }
    const double s = std::clamp((o + 0.5) * ratio - 0.5, 0.0, from - 1.0);
    const double d = std::abs(s - i);
    return d < 1 ? 1 - d : 0;
}

TEST(JpegDecodeTest, ResampleMatchesTheFilterWrittenOut) {
    const struct {
        int w, h, outW, outH;
    } cases[] = {{97, 61, 13, 7}, {50, 40, 50, 9}, {20, 30, 45, 12}, {64, 64, 64, 64}, {300, 5, 31, 17}, {3, 200, 1, 9}};
    std::uint32_t seed = 99;
    for (const auto& c : cases) {
        for (const int channels : {3, 4}) {
            PixelBuffer src;
            src.width = c.w;
            src.height = c.h;
            src.channels = channels;
            for (int i = 0; i < c.w * c.h * channels; ++i) {
                seed = seed * 1664525u + 1013904223u;
                src.bytes.push_back(static_cast<std::uint8_t>(seed >> 24));
            }
            const PixelBuffer out = common::ResamplePixels(src, c.outW, c.outH);
            ASSERT_EQ(out.width, c.outW);
            ASSERT_EQ(out.height, c.outH);
            int worst = 0;
            for (int y = 0; y < c.outH; ++y)
                for (int x = 0; x < c.outW; ++x)
                    for (int ch = 0; ch < channels; ++ch) {
                        double want = 0;
                        for (int j = 0; j < c.h; ++j) {
                            const double wy = AxisWeight(c.h, c.outH, y, j);
                            if (wy == 0) continue;
                            for (int i = 0; i < c.w; ++i)
                                want += wy * AxisWeight(c.w, c.outW, x, i) * src.Row(j)[i * channels + ch];
                        }
                        worst = std::max(worst,
                                         std::abs(out.Row(y)[x * channels + ch] - static_cast<int>(want + 0.5)));
                    }
            EXPECT_LE(worst, 1) << c.w << "x" << c.h << " -> " << c.outW << "x" << c.outH << " x" << channels;
        }
    }
}

TEST(JpegDecodeTest, ResampleKeepsPlainColoursAndRejectsEmptySizes) {
    PixelBuffer src;
    src.width = 37;
    src.height = 23;
    src.channels = 3;
    for (int i = 0; i < 37 * 23; ++i) src.bytes.insert(src.bytes.end(), {12, 34, 56});
    for (const auto& size : {std::pair{5, 4}, std::pair{311, 187}, std::pair{1, 1}, std::pair{37, 2}}) {
        const PixelBuffer out = common::ResamplePixels(src, size.first, size.second);
        ASSERT_EQ(out.width, size.first);
        ASSERT_EQ(out.height, size.second);
        ASSERT_EQ(out.channels, 3);
        for (std::size_t i = 0; i < out.bytes.size(); i += 3) {
            ASSERT_EQ(out.bytes[i], 12);
            ASSERT_EQ(out.bytes[i + 1], 34);
            ASSERT_EQ(out.bytes[i + 2], 56);
        }
    }
    EXPECT_TRUE(common::ResamplePixels(src, 0, 5).bytes.empty());
    EXPECT_TRUE(common::ResamplePixels(src, 5, -1).bytes.empty());
    EXPECT_TRUE(common::ResamplePixels(PixelBuffer{}, 5, 5).bytes.empty());
}

}  // namespace
