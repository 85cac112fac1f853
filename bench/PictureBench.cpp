// Measures what choosing a large photo as the background picture costs: the
// whole action after the file dialog returns (six picture controls made
// visible and loaded together, as the appearance window loads them: main
// window 235 x 139, appearance window 311 x 187, four option pages
// 246 x 101; then their three windows painted once each, as the message
// loop paints them), against one plain full-size decode and one 1/8 decode
// of the same file into a reused buffer, for a baseline and a progressive
// 4000 x 3000 JPEG (quality 90, 2 x 2 colour subsampling), side by side
// from one run. Each is timed after the windows are cleared and the program
// has been idle for a moment; the best of the rounds is printed, the
// medians of the rounds besides, and the medians of each round's own ratios
// (the action against the decodes timed right after it).
//
// Goals:
//   baseline:    the action takes at most 1.15 x one 1/8 decode;
//   progressive: at most 0.22 x one full-size decode, and the pictures as
//                the controls show them within 50 dB PSNR of those made
//                from a decode of every scan;
//   both:        the six pictures hold less than 1 MB.
//
//   build/mingw/bench/PictureBench.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "common/JpegDecode.h"
#include "common/JpegPicture.h"
#include "common/PictureLoader.h"
#include "common/tests/JpegTestEncoder.h"
#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/Graphic.h"
#include "framework/StdControls.h"

namespace {

struct Size {
    int width, height;
};

// The three windows the picture is shown in, each with its controls.
struct Windows {
    fw::Form main, looks, options;
    fw::Image mainPicture{&main};
    fw::Image looksPicture{&looks};
    fw::Image page1{&options}, page2{&options}, page3{&options}, page4{&options};
    std::vector<fw::Image*> six;

    Windows() {
        main.SetBounds(60, 60, 262, 193);
        looks.SetBounds(340, 60, 337, 247);
        options.SetBounds(700, 20, 280, 470);
        mainPicture.SetBounds(13, 41, 235, 139);
        looksPicture.SetBounds(13, 41, 311, 187);
        six = {&mainPicture, &looksPicture, &page1, &page2, &page3, &page4};
        for (int i = 0; i < 4; ++i) six[2 + static_cast<std::size_t>(i)]->SetBounds(17, 41 + i * 105, 246, 101);
        for (fw::Image* image : six) {
            image->SetStretch(true);
            image->SetVisible(false);
        }
        for (fw::Form* form : {&main, &looks, &options}) {
            form->Create();
            form->Show();
        }
        bench::Pump(100);
    }

    // As before a picture was ever chosen: hidden, empty, nothing kept.
    void Clear() {
        for (fw::Image* image : six) {
            image->SetVisible(false);
            image->SetPicture(nullptr);
        }
        bench::Pump(20);
    }
};

const Size kShownSizes[] = {{235, 139}, {311, 187}, {246, 101}};

struct Figures {
    std::size_t fileBytes = 0;
    double actionMs = 1e30;      // visible, six loads, repaint
    double visibleMs = 1e30;     // of which making the six visible
    double loadMs = 1e30;        // of which loading the six
    double repaintMs = 1e30;     // of which the repaints
    double fullDecodeMs = 1e30;  // full size, into a reused buffer
    double eighthDecodeMs = 1e30;     // 1/8 as the loader decodes it
    // Every round's times, for their medians: the best times show what the
    // work costs, the medians what it typically costs on a machine whose
    // speed drifts from round to round.
    std::vector<double> actions, fulls, eighths, loads, intos, pictures;
    std::vector<double> toEighth, toFull;  // each round's action / its decodes
    std::vector<double> loadsToEighth;     // each round's six loads / its 1/8 decode
    // Where the loads' time goes: the 1/8 decode resampled into the three
    // sizes' rows held elsewhere, and the same into three new pictures.
    double intoMs = 1e30;
    double picturesMs = 1e30;
    double eighthAllScansMs = 1e30;   // 1/8 from every scan
    unsigned long decodes = 0;        // file decodes in the action
    int scansSkipped = 0;
    int distinct = 0;
    std::size_t heldBytes = 0;        // the distinct pictures the controls hold
    double psnrShown = 0;             // worst of the three shown sizes
    double psnrEighth = 0;
};

double Psnr(const common::PixelBuffer& a, const common::PixelBuffer& b) {
    if (a.bytes.size() != b.bytes.size() || a.bytes.empty()) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < a.bytes.size(); ++i) {
        const double d = static_cast<double>(a.bytes[i]) - b.bytes[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.bytes.size());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F>
double Time(F f) {
    const double t0 = bench::Now();
    f();
    return bench::Now() - t0;
}

Figures Measure(Windows& w, const std::string& path, const std::vector<std::uint8_t>& jpeg, int rounds) {
    Figures f;
    f.fileBytes = jpeg.size();

    // Decodes into buffers that are reused: the first call of each sizes its
    // buffer, the timed ones allocate nothing for the pixels.
    common::JpegDecodeResult full, eighth, eighthAll;
    common::JpegDecodeOptions eighthOptions;
    eighthOptions.targetWidth = 311;
    eighthOptions.targetHeight = 187;
    common::JpegDecodeOptions allScans = eighthOptions;
    allScans.allScans = true;
    common::JpegDecodeResult into;
    common::JpegDecodeOptions intoOptions;
    std::vector<common::PixelSize> shownSizes;
    std::vector<std::vector<std::uint8_t>> intoRows;
    for (const Size& s : kShownSizes) {
        shownSizes.push_back(common::PixelSize{s.width, s.height});
        intoRows.emplace_back(static_cast<std::size_t>(s.width) * s.height * 4);
        intoOptions.into.push_back(common::PixelRows{intoRows.back().data(), static_cast<std::size_t>(s.width) * 4,
                                                     s.width, s.height});
    }
    common::DecodeJpegInto(jpeg.data(), jpeg.size(), {}, full);
    common::DecodeJpegInto(jpeg.data(), jpeg.size(), eighthOptions, eighth);
    common::DecodeJpegInto(jpeg.data(), jpeg.size(), allScans, eighthAll);
    if (!full.Ok() || !eighth.Ok() || !eighthAll.Ok()) {
        std::printf("decoding failed: %s %s %s\n", full.message.c_str(), eighth.message.c_str(),
                    eighthAll.message.c_str());
        std::exit(1);
    }
    f.scansSkipped = eighth.scansSkipped;
    f.psnrEighth = Psnr(eighth.pixels, eighthAll.pixels);
    f.psnrShown = 99;
    for (const Size& s : kShownSizes)
        f.psnrShown = std::min(f.psnrShown, Psnr(common::ResamplePixels(eighth.pixels, s.width, s.height),
                                                 common::ResamplePixels(eighthAll.pixels, s.width, s.height)));

    for (int round = 0; round < rounds; ++round) {
        w.Clear();
        const unsigned long decodesBefore = common::PictureFileDecodes();
        double visible = 0, load = 0, repaint = 0;
        const double action = Time([&] {
            visible = Time([&] {
                for (fw::Image* image : w.six) image->SetVisible(true);
            });
            load = Time([&] { common::LoadPictureFile(path, w.six); });
            // As the message loop does once the handler returns: each
            // window paints what the loads left to paint, once.
            repaint = Time([&] {
                for (fw::Form* form : {&w.main, &w.looks, &w.options}) form->Update();
                GdiFlush();
            });
        });
        f.actionMs = std::min(f.actionMs, action);
        f.visibleMs = std::min(f.visibleMs, visible);
        f.loadMs = std::min(f.loadMs, load);
        f.repaintMs = std::min(f.repaintMs, repaint);
        f.decodes = common::PictureFileDecodes() - decodesBefore;
        std::set<const fw::Graphic*> seen;
        f.heldBytes = 0;
        for (fw::Image* image : w.six) {
            const fw::Graphic* p = image->Picture().get();
            if (p != nullptr && seen.insert(p).second) f.heldBytes += p->Bytes();
        }
        f.distinct = static_cast<int>(seen.size());
        // Each decode, as the action, after the windows are cleared and the
        // program has been idle for a moment.
        // The decodes compared with the action come right after it, so that
        // each round's own ratios see the machine at about the same speed.
        w.Clear();
        const double eighthMs = Time([&] { common::DecodeJpegInto(jpeg.data(), jpeg.size(), eighthOptions, eighth); });
        f.eighthDecodeMs = std::min(f.eighthDecodeMs, eighthMs);
        w.Clear();
        const double fullMs = Time([&] { common::DecodeJpegInto(jpeg.data(), jpeg.size(), {}, full); });
        f.fullDecodeMs = std::min(f.fullDecodeMs, fullMs);
        f.toEighth.push_back(action / eighthMs);
        f.loadsToEighth.push_back(load / eighthMs);
        f.toFull.push_back(action / fullMs);
        w.Clear();
        const double intoMs = Time([&] { common::DecodeJpegInto(jpeg.data(), jpeg.size(), intoOptions, into); });
        f.intoMs = std::min(f.intoMs, intoMs);
        w.Clear();
        const double picturesMs = Time([&] { common::ReadJpegPictures(jpeg.data(), jpeg.size(), shownSizes); });
        f.picturesMs = std::min(f.picturesMs, picturesMs);
        f.loads.push_back(load);
        f.intos.push_back(intoMs);
        f.pictures.push_back(picturesMs);
        f.actions.push_back(action);
        f.fulls.push_back(fullMs);
        f.eighths.push_back(eighthMs);
        w.Clear();
        f.eighthAllScansMs = std::min(
            f.eighthAllScansMs, Time([&] { common::DecodeJpegInto(jpeg.data(), jpeg.size(), allScans, eighthAll); }));
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    fw::App().Initialize();
    const int width = 4000, height = 3000;
    std::printf("Making a %d x %d photo-like picture...\n", width, height);
    const auto rgb = testjpeg::PhotoLikeRgb(width, height);
    testjpeg::EncodeOptions options;
    options.quality = 90;
    options.subsample = true;
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
        Windows windows;
        b = Measure(windows, baselinePath, baseline, rounds);
        p = Measure(windows, progressivePath, progressive, rounds);
    } catch (const fw::Error& e) {
        std::printf("load failed: %s\n", e.Message().c_str());
        return 1;
    }
    DeleteFileA(baselinePath.c_str());
    DeleteFileA(progressivePath.c_str());

    std::printf("\nBest of %d rounds                          %14s %14s\n", rounds, "baseline", "progressive");
    std::printf("file size (bytes)                          %14zu %14zu\n", b.fileBytes, p.fileBytes);
    std::printf("choosing the picture: six controls (ms)    %14.1f %14.1f\n", b.actionMs, p.actionMs);
    std::printf("  of which making them visible (ms)        %14.1f %14.1f\n", b.visibleMs, p.visibleMs);
    std::printf("  of which loading the six (ms)            %14.1f %14.1f\n", b.loadMs, p.loadMs);
    std::printf("  of which painting the 3 windows (ms)     %14.1f %14.1f\n", b.repaintMs, p.repaintMs);
    std::printf("  the 1/8 decode into the 3 sizes' rows    %14.1f %14.1f\n", b.intoMs, p.intoMs);
    std::printf("  the same into 3 new pictures (ms)        %14.1f %14.1f\n", b.picturesMs, p.picturesMs);
    std::printf("one full-size decode, buffer reused (ms)   %14.1f %14.1f\n", b.fullDecodeMs, p.fullDecodeMs);
    std::printf("one 1/8 decode, buffer reused (ms)         %14.1f %14.1f\n", b.eighthDecodeMs, p.eighthDecodeMs);
    std::printf("one 1/8 decode of every scan (ms)          %14.1f %14.1f\n", b.eighthAllScansMs,
                p.eighthAllScansMs);
    std::printf("ratio choosing / 1/8 decode (baseline 1.15)%14.3f %14.3f\n", b.actionMs / b.eighthDecodeMs,
                p.actionMs / p.eighthDecodeMs);
    std::printf("ratio the six loads alone / 1/8 decode     %14.3f %14.3f\n", b.loadMs / b.eighthDecodeMs,
                p.loadMs / p.eighthDecodeMs);
    std::printf("ratio choosing / full (progressive 0.22)   %14.3f %14.3f\n", b.actionMs / b.fullDecodeMs,
                p.actionMs / p.fullDecodeMs);
    std::printf("medians of the rounds: choosing (ms)       %14.1f %14.1f\n", Median(b.actions), Median(p.actions));
    std::printf("  loading the six (ms)                     %14.1f %14.1f\n", Median(b.loads), Median(p.loads));
    std::printf("  the 1/8 decode into the 3 sizes' rows    %14.1f %14.1f\n", Median(b.intos), Median(p.intos));
    std::printf("  the same into 3 new pictures (ms)        %14.1f %14.1f\n", Median(b.pictures), Median(p.pictures));
    std::printf("  one full-size decode (ms)                %14.1f %14.1f\n", Median(b.fulls), Median(p.fulls));
    std::printf("  one 1/8 decode (ms)                      %14.1f %14.1f\n", Median(b.eighths), Median(p.eighths));
    std::printf("  ratio choosing / 1/8 decode              %14.3f %14.3f\n", Median(b.actions) / Median(b.eighths),
                Median(p.actions) / Median(p.eighths));
    std::printf("  ratio choosing / full                    %14.3f %14.3f\n", Median(b.actions) / Median(b.fulls),
                Median(p.actions) / Median(p.fulls));
    std::printf("median of each round's ratio to its 1/8    %14.3f %14.3f\n", Median(b.toEighth), Median(p.toEighth));
    std::printf("median of each round's ratio to its full   %14.3f %14.3f\n", Median(b.toFull), Median(p.toFull));
    std::printf("  the six loads alone to its 1/8           %14.3f %14.3f\n", Median(b.loadsToEighth),
                Median(p.loadsToEighth));
    std::printf("ratio 1/8 decode / full                    %14.3f %14.3f\n", b.eighthDecodeMs / b.fullDecodeMs,
                p.eighthDecodeMs / p.fullDecodeMs);
    std::printf("ratio 1/8 of every scan / full             %14.3f %14.3f\n", b.eighthAllScansMs / b.fullDecodeMs,
                p.eighthAllScansMs / p.fullDecodeMs);
    std::printf("scans stepped over at 1/8                  %14d %14d\n", b.scansSkipped, p.scansSkipped);
    std::printf("PSNR vs every scan, as shown (dB, >= 50)   %14.1f %14.1f\n", b.psnrShown, p.psnrShown);
    std::printf("PSNR vs every scan, at 1/8 (dB)            %14.1f %14.1f\n", b.psnrEighth, p.psnrEighth);
    std::printf("file decodes in the six loads              %14lu %14lu\n", b.decodes, p.decodes);
    std::printf("bytes held by the six pictures (< 1 MB)    %14zu %14zu\n", b.heldBytes, p.heldBytes);
    std::printf("  distinct pictures                        %14d %14d\n", b.distinct, p.distinct);
    return 0;
}
