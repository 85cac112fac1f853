// Measures what showing a large photo as the background picture costs: the
// program loads the chosen file into six picture controls one after another
// (main window 235 x 139, appearance window 311 x 187, four option pages
// 246 x 101). Compared with one plain full-size decode of the same file, for
// a baseline and a progressive 4000 x 3000 JPEG.
//
// Goals: six loads take less than a quarter of one full-size decode, and the
// six loaded pictures hold less than 1 MB once the program is idle again
// (the loader keeps the decoded pixels only until then).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "common/JpegDecode.h"
#include "common/PictureLoader.h"
#include "common/tests/JpegTestEncoder.h"
#include "framework/Errors.h"
#include "framework/Graphic.h"

namespace {

struct Control {
    const char* name;
    int width, height;
};

const Control kControls[] = {
    {"main window", 235, 139}, {"appearance", 311, 187}, {"options page 1", 246, 101},
    {"options page 2", 246, 101}, {"options page 3", 246, 101}, {"options page 4", 246, 101},
};

struct Figures {
    std::size_t fileBytes = 0;
    double sixLoadsMs = 1e30;
    double fullDecodeMs = 1e30;
    double fullLoadMs = 1e30;
    double eighthDecodeMs = 1e30;
    std::size_t heldBytes = 0;      // distinct pictures, plus decoded pixels still kept
    std::size_t perControlBytes = 0;  // as if each control had its own
    int distinct = 0;
    unsigned long decodes = 0;        // file decodes during the six loads
    std::size_t peakKeptBytes = 0;    // decoded pixels kept by the loader, at most
    double idleReleaseMs = -1;        // from the end of the loads to their release; < 0: not released
};

Figures Measure(const std::string& path, const std::vector<std::uint8_t>& jpeg, int rounds) {
    Figures f;
    f.fileBytes = jpeg.size();
    for (int round = 0; round < rounds; ++round) {
        // Six controls, one after another within one handler, as when a
        // picture is chosen; nothing is left from an earlier round.
        common::ReleasePictureCache();
        std::vector<std::shared_ptr<fw::Graphic>> pictures;
        const unsigned long decodesBefore = common::PictureFileDecodes();
        std::size_t peakKept = 0;
        const double t0 = bench::Now();
        for (const Control& c : kControls) {
            pictures.push_back(common::LoadPictureFile(path, c.width, c.height));
            peakKept = std::max(peakKept, common::PictureCacheBytes());
        }
        const double t1 = bench::Now();
        f.sixLoadsMs = std::min(f.sixLoadsMs, t1 - t0);
        f.decodes = common::PictureFileDecodes() - decodesBefore;
        f.peakKeptBytes = std::max(f.peakKeptBytes, peakKept);

        // The handler returns; the program's message loop goes idle.
        const bool released = bench::RunMessageLoop(2000, [] { return common::PictureCacheBytes() == 0; });
        f.idleReleaseMs = released ? bench::Now() - t1 : -1;
        std::set<const fw::Graphic*> seen;
        f.heldBytes = common::PictureCacheBytes();
        f.perControlBytes = 0;
        for (const auto& p : pictures) {
            f.perControlBytes += p->Bytes();
            if (seen.insert(p.get()).second) f.heldBytes += p->Bytes();
        }
        f.distinct = static_cast<int>(seen.size());
        pictures.clear();  // nothing is kept for the next round
        common::ReleasePictureCache();

        // One plain decode of the whole picture at full size, from memory.
        const double t2 = bench::Now();
        const common::JpegDecodeResult full = common::DecodeJpeg(jpeg.data(), jpeg.size());
        const double t3 = bench::Now();
        if (!full.Ok()) std::printf("full decode failed: %s\n", full.message.c_str());
        f.fullDecodeMs = std::min(f.fullDecodeMs, t3 - t2);

        // One decode at the size the six controls need (1/8 here), the
        // least one load can cost.
        common::JpegDecodeOptions small;
        small.targetWidth = 311;
        small.targetHeight = 187;
        const double t6 = bench::Now();
        const common::JpegDecodeResult eighth = common::DecodeJpeg(jpeg.data(), jpeg.size(), small);
        const double t7 = bench::Now();
        if (!eighth.Ok()) std::printf("scaled decode failed: %s\n", eighth.message.c_str());
        f.eighthDecodeMs = std::min(f.eighthDecodeMs, t7 - t6);

        // And the loader at natural size (file read, decode, bitmap).
        const double t4 = bench::Now();
        auto natural = common::LoadPictureFile(path, 0, 0);
        const double t5 = bench::Now();
        natural.reset();
        f.fullLoadMs = std::min(f.fullLoadMs, t5 - t4);
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int width = 4000, height = 3000;
    std::printf("Making a %d x %d photo-like picture...\n", width, height);
    const auto rgb = testjpeg::PhotoLikeRgb(width, height);
    testjpeg::EncodeOptions options;
    options.quality = 90;
    const auto baseline = testjpeg::Encode(rgb, width, height, testjpeg::Kind::Rgb, options);
    options.progressive = true;
    const auto progressive = testjpeg::Encode(rgb, width, height, testjpeg::Kind::Rgb, options);
    if (baseline.empty() || progressive.empty()) {
        std::printf("encoding failed\n");
        return 1;
    }

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir(temp);
    const std::string baselinePath = dir + "quelvo-bench-baseline.jpg";
    const std::string progressivePath = dir + "quelvo-bench-progressive.jpg";
    if (!bench::WriteFileBytes(baselinePath, baseline) || !bench::WriteFileBytes(progressivePath, progressive)) {
        std::printf("cannot write the pictures to %s\n", dir.c_str());
        return 1;
    }

    Figures b, p;
    try {
        b = Measure(baselinePath, baseline, rounds);
        p = Measure(progressivePath, progressive, rounds);
    } catch (const fw::Error& e) {
        std::printf("load failed: %s\n", e.Message().c_str());
        return 1;
    }
    DeleteFileA(baselinePath.c_str());
    DeleteFileA(progressivePath.c_str());

    std::printf("\nBest of %d rounds             %14s %14s\n", rounds, "baseline", "progressive");
    std::printf("file size (bytes)              %14zu %14zu\n", b.fileBytes, p.fileBytes);
    std::printf("six loads (ms)                 %14.1f %14.1f\n", b.sixLoadsMs, p.sixLoadsMs);
    std::printf("one full-size decode (ms)      %14.1f %14.1f\n", b.fullDecodeMs, p.fullDecodeMs);
    std::printf("ratio six loads / full (< 0.25)%14.3f %14.3f\n", b.sixLoadsMs / b.fullDecodeMs,
                p.sixLoadsMs / p.fullDecodeMs);
    std::printf("one decode at 1/8 (ms)         %14.1f %14.1f\n", b.eighthDecodeMs, p.eighthDecodeMs);
    std::printf("one full-size load (ms)        %14.1f %14.1f\n", b.fullLoadMs, p.fullLoadMs);
    std::printf("file decodes in six loads      %14lu %14lu\n", b.decodes, p.decodes);
    std::printf("peak decoded pixels kept       %14zu %14zu\n", b.peakKeptBytes, p.peakKeptBytes);
    std::printf("  released when idle after (ms)%14.1f %14.1f\n", b.idleReleaseMs, p.idleReleaseMs);
    std::printf("bytes held by six, idle (< 1 MB)%13zu %14zu\n", b.heldBytes, p.heldBytes);
    std::printf("  distinct pictures            %14d %14d\n", b.distinct, p.distinct);
    std::printf("  if each control had its own  %14zu %14zu\n", b.perControlBytes, p.perControlBytes);
    return 0;
}
