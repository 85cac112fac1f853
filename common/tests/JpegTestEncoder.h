// Makes JPEG files for the tests and the picture benchmark with the
// compressor half of the JPEG library (the program itself only decodes).
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace testjpeg {

enum class Kind { Rgb, Grey, CmykAdobe, CmykPlain, Ycck };

struct EncodeOptions {
    int quality = 90;
    bool progressive = false;
    bool subsample = true;  // 2x2 chroma subsampling (colour kinds only)
    int restartRows = 0;
};

namespace detail {
struct Err {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
[[noreturn]] inline void Exit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Err*>(cinfo->err)->jump, 1); }

inline bool Run(jpeg_compress_struct& c, Err& err, const std::uint8_t* samples, int width, int height, Kind kind,
                const EncodeOptions& o, unsigned char** out, unsigned long* outSize) {
    if (setjmp(err.jump) != 0) return false;
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, out, outSize);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    int comps = 3;
    switch (kind) {
        case Kind::Rgb: c.in_color_space = JCS_RGB; break;
        case Kind::Grey: c.in_color_space = JCS_GRAYSCALE; comps = 1; break;
        default: c.in_color_space = JCS_CMYK; comps = 4; break;
    }
    c.input_components = comps;
    jpeg_set_defaults(&c);
    if (kind == Kind::CmykAdobe || kind == Kind::CmykPlain) jpeg_set_colorspace(&c, JCS_CMYK);
    if (kind == Kind::Ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    if (kind == Kind::CmykPlain) c.write_Adobe_marker = FALSE;
    jpeg_set_quality(&c, o.quality, TRUE);
    if (!o.subsample)
        for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    c.restart_in_rows = o.restartRows;
    if (o.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * comps;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + stride * c.next_scanline);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    return true;
}
}  // namespace detail

// samples: rows top-down, 3 bytes RGB, 1 byte grey or 4 bytes CMYK per pixel
// as the kind says (CMYK bytes are written as given).
inline std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& samples, int width, int height, Kind kind,
                                        const EncodeOptions& options = {}) {
    jpeg_compress_struct c{};
    detail::Err err{};
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = detail::Exit;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool ok = detail::Run(c, err, samples.data(), width, height, kind, options, &out, &outSize);
    std::vector<std::uint8_t> bytes;
    if (ok && out != nullptr) bytes.assign(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

inline std::vector<std::uint8_t> SolidRgb(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> s(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < s.size(); i += 3) {
        s[i] = r;
        s[i + 1] = g;
        s[i + 2] = b;
    }
    return s;
}

// A photo-like RGB picture: smooth shading, soft blobs, a few hard edges
// and fine grain, so the compressed size and decoding work resemble a photo.
inline std::vector<std::uint8_t> PhotoLikeRgb(int width, int height) {
    std::vector<std::uint8_t> s(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t seed = 12345;
    auto noise = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 24) & 31) - 16;
    };
    auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int sky = 255 * y / height;
            int r = 60 + sky / 2 + ((x * 7 / (width / 40 + 1)) % 2 == 0 && y > height / 2 ? 40 : 0);
            int g = 90 + (x * 120) / width + ((x / 97 + y / 83) % 5) * 9;
            int b = 200 - sky / 2 + ((x * x / (width + 1) + y) % 64);
            const int dx = x - width / 3, dy = y - height / 2;
            if (dx * dx + dy * dy < (height / 5) * (height / 5)) {
                r = 220 - dy / 8;
                g = 180 + dx / 16;
                b = 60;
            }
            const int n = noise();
            std::uint8_t* p = s.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            p[0] = clamp(r + n);
            p[1] = clamp(g + n / 2);
            p[2] = clamp(b - n / 2);
        }
    }
    return s;
}

}  // namespace testjpeg
