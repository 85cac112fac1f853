// Writes a seed corpus for the JPEG fuzz target: small pictures of the kinds
// the decoder meets (baseline, progressive with and without colour
// subsampling, grey, CMYK with and without the Adobe marker, YCCK, restart
// markers, odd and tiny sizes) plus cut-off and damaged copies.
//   clang++ -std=c++20 -I. fuzz/JpegSeeds.cpp -ljpeg -o jpeg-seeds && ./jpeg-seeds DIR
// The last byte of each file also picks the fuzz target's output size, so a
// few copies differ only in it.
#include <cstdio>
#include <string>
#include <vector>

#include "common/tests/JpegTestEncoder.h"
#include "fuzz/SeedFiles.h"

using seeds::Save;

namespace {

std::vector<std::uint8_t> Samples(int w, int h, int channels) {
    std::vector<std::uint8_t> s(static_cast<std::size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                s[(static_cast<std::size_t>(y) * w + x) * channels + c] =
                    static_cast<std::uint8_t>((x * 255 / (w > 1 ? w - 1 : 1) + y * 40 + c * 85) & 0xFF);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    using testjpeg::Kind;
    struct Seed {
        const char* name;
        int w, h;
        Kind kind;
        bool progressive, subsample;
        int restartRows, quality;
    };
    const Seed seeds[] = {
        {"baseline.jpg", 33, 20, Kind::Rgb, false, true, 0, 80},
        {"baseline444.jpg", 17, 9, Kind::Rgb, false, false, 0, 90},
        {"progressive.jpg", 40, 24, Kind::Rgb, true, true, 0, 75},
        {"progressive444.jpg", 24, 16, Kind::Rgb, true, false, 0, 75},
        {"grey.jpg", 8, 8, Kind::Grey, false, false, 0, 90},
        {"grey-progressive.jpg", 19, 5, Kind::Grey, true, false, 0, 50},
        {"cmyk-adobe.jpg", 16, 16, Kind::CmykAdobe, false, false, 0, 85},
        {"cmyk-plain.jpg", 9, 7, Kind::CmykPlain, false, false, 0, 85},
        {"ycck.jpg", 16, 8, Kind::Ycck, false, true, 0, 85},
        {"ycck-progressive.jpg", 16, 8, Kind::Ycck, true, true, 0, 85},
        {"restart.jpg", 40, 24, Kind::Rgb, false, true, 1, 70},
        {"one.jpg", 1, 1, Kind::Rgb, false, true, 0, 95},
        {"strip.jpg", 350, 5, Kind::Rgb, false, true, 0, 60},
    };
    int written = 0;
    for (const Seed& s : seeds) {
        const int channels = s.kind == Kind::Rgb ? 3 : s.kind == Kind::Grey ? 1 : 4;
        testjpeg::EncodeOptions o;
        o.progressive = s.progressive;
        o.subsample = s.subsample;
        o.restartRows = s.restartRows;
        o.quality = s.quality;
        const auto jpeg = testjpeg::Encode(Samples(s.w, s.h, channels), s.w, s.h, s.kind, o);
        if (jpeg.empty()) {
            std::fprintf(stderr, "cannot encode %s\n", s.name);
            return 1;
        }
        written += Save(dir, s.name, jpeg);
        // Cut-off copies, and copies whose last byte picks other sizes.
        written += Save(dir, std::string("cut-half-") + s.name,
                        std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
        for (int pick = 1; pick < 8; pick += 3) {
            auto copy = jpeg;
            copy.push_back(static_cast<std::uint8_t>(pick));
            written += Save(dir, "pick" + std::to_string(pick) + "-" + s.name, copy);
        }
    }
    std::printf("%d seeds written to %s\n", written, dir.c_str());
    return 0;
}
