#include "common/JpegDecode.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

namespace common {
namespace {

// Error handling: the decoder reports fatal errors through error_exit, which
// must not return. Ours records the message number and text and jumps back
// to the decoding routine. No C++ object with a destructor lives in any frame
// between the jump and its target (the decoding routine keeps all its state
// in the context passed by reference).
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
    char text[JMSG_LENGTH_MAX];
};

struct ProgressManager {
    jpeg_progress_mgr pub;
    int maxScans;
};

struct DecodeContext {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressManager progress;
    bool created = false;
    // Work buffers, sized before the decoder writes into them.
    std::vector<JSAMPROW> rows;
    std::vector<std::uint8_t> scratch;  // CMYK rows before conversion
};

[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = err->pub.msg_code;
    err->text[0] = '\0';
    (*err->pub.format_message)(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

void OnEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    cinfo->err->num_warnings++;
    // The data ran out before the end-of-image marker: the picture is
    // incomplete, so this warning ends the decoding as an error.
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) OnErrorExit(cinfo);
}

void OnOutputMessage(j_common_ptr) {}

void OnProgress(j_common_ptr common) {
    if (!common->is_decompressor) return;
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    const auto* progress = reinterpret_cast<const ProgressManager*>(common->progress);
    if (cinfo->input_scan_number > progress->maxScans) {
        common->err->msg_code = JERR_BAD_PROGRESSION;
        common->err->msg_parm.i[0] = cinfo->Ss;
        common->err->msg_parm.i[1] = cinfo->Se;
        common->err->msg_parm.i[2] = cinfo->Ah;
        common->err->msg_parm.i[3] = cinfo->Al;
        OnErrorExit(common);
    }
}

[[noreturn]] void Fail(j_decompress_ptr cinfo, int code, int parm) {
    cinfo->err->msg_code = code;
    cinfo->err->msg_parm.i[0] = parm;
    OnErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
}

inline std::uint8_t Mul255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}

// CMYK as delivered by the decoder to BGR(A). Files carrying the Adobe
// marker store inverted inks (0 = full ink), as the common writers do.
void CmykRowToBgr(const std::uint8_t* cmyk, std::uint8_t* out, int width, int channels, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, out += channels) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = Mul255(y, k);
        out[1] = Mul255(m, k);
        out[2] = Mul255(c, k);
        if (channels == 4) out[3] = 255;
    }
}

// True when the scans read so far hold everything the scaled output uses.
// A component shown one pixel per block needs only the block means (DC),
// and those to within 2 levels: a progressive file may send them with their
// low bits left for a later scan. A component shown larger (the subsampled
// colour components of most photos get 2 x 2 per block at 1/8) needs all its
// coefficients complete.
bool ScaledOutputComplete(j_decompress_ptr cinfo) {
    if (cinfo->coef_bits == nullptr) return false;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const int* bits = cinfo->coef_bits[c];
        const jpeg_component_info& comp = cinfo->comp_info[c];
        if (comp.DCT_scaled_size > 1) {
            for (int k = 0; k < DCTSIZE2; ++k)
                if (bits[k] != 0) return false;
            continue;
        }
        const JQUANT_TBL* table = comp.quant_table;
        if (bits[0] < 0 || bits[0] > 8 || table == nullptr) return false;
        // The mean is DC * Q / 8; the missing low bits leave it this uncertain.
        if (((1 << bits[0]) - 1) * static_cast<int>(table->quantval[0]) > 16) return false;
    }
    return true;
}

// The decoding proper. Returns normally on success; a decoder error jumps
// back to the setjmp below. Only plain data lives in this frame; buffers are
// sized here (which may throw std::bad_alloc before the decoder uses them).
bool RunDecode(DecodeContext& ctx, const unsigned char* data, std::size_t size, const JpegDecodeOptions& options,
               JpegDecodeResult& result) {
    if (setjmp(ctx.err.jump) != 0) return false;

    jpeg_create_decompress(&ctx.cinfo);
    ctx.created = true;
    j_decompress_ptr cinfo = &ctx.cinfo;
    cinfo->mem->max_memory_to_use = options.limits.maxWorkMemory;
    ctx.progress.pub.progress_monitor = OnProgress;
    cinfo->progress = &ctx.progress.pub;

    // An empty buffer makes the source manager report JERR_INPUT_EMPTY.
    if (size > 0xFFFFFFFFu) Fail(cinfo, JERR_IMAGE_TOO_BIG, options.limits.maxOutputSide);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);

    result.sourceWidth = static_cast<int>(cinfo->image_width);
    result.sourceHeight = static_cast<int>(cinfo->image_height);
    const std::int64_t sourcePixels =
        static_cast<std::int64_t>(cinfo->image_width) * static_cast<std::int64_t>(cinfo->image_height);
    if (sourcePixels > options.limits.maxSourcePixels) Fail(cinfo, JERR_IMAGE_TOO_BIG, options.limits.maxOutputSide);

    const int channels = options.layout == PixelLayout::Bgra ? 4 : 3;
    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo->out_color_space = JCS_CMYK;
            cmyk = true;
            break;
        default:  // grey, YCbCr, RGB; anything else fails in start_decompress
            cinfo->out_color_space = channels == 4 ? JCS_EXT_BGRA : JCS_EXT_BGR;
            break;
    }

    result.scale = ChooseDctScale(result.sourceWidth, result.sourceHeight, options.targetWidth, options.targetHeight);
    cinfo->scale_num = static_cast<unsigned>(result.scale);
    cinfo->scale_denom = 8;
    cinfo->dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(cinfo);

    const std::int64_t outW = cinfo->output_width;
    const std::int64_t outH = cinfo->output_height;
    if (outW > options.limits.maxOutputSide || outH > options.limits.maxOutputSide ||
        outW * outH > options.limits.maxOutputPixels)
        Fail(cinfo, JERR_IMAGE_TOO_BIG, options.limits.maxOutputSide);

    PixelBuffer& px = result.pixels;
    px.width = static_cast<int>(outW);
    px.height = static_cast<int>(outH);
    px.channels = channels;
    px.bytes.resize(px.Stride() * static_cast<std::size_t>(px.height));
    ctx.rows.resize(static_cast<std::size_t>(px.height));
    for (int y = 0; y < px.height; ++y) ctx.rows[static_cast<std::size_t>(y)] = px.Row(y);
    if (cmyk) ctx.scratch.resize(static_cast<std::size_t>(px.width) * 4 * 16);

    // A progressive file shown at 1/8 needs little more than each block's
    // mean: read its scans only until the output has all it uses.
    const bool preview = cinfo->progressive_mode && result.scale == 1;
    // No guessing of missing detail from neighbouring means: nothing the
    // output uses is missing, and the guess would smear colour across edges.
    cinfo->buffered_image = preview ? TRUE : FALSE;
    cinfo->do_block_smoothing = preview ? FALSE : TRUE;

    jpeg_start_decompress(cinfo);
    if (preview) {
        for (;;) {
            const int status = jpeg_consume_input(cinfo);
            if (status == JPEG_REACHED_EOI) break;
            if (status == JPEG_SUSPENDED) Fail(cinfo, JWRN_JPEG_EOF, 0);
            if (status == JPEG_SCAN_COMPLETED && ScaledOutputComplete(cinfo)) break;
        }
        jpeg_start_output(cinfo, cinfo->input_scan_number);
    }
    const bool inverted = cinfo->saw_Adobe_marker != 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        if (!cmyk) {
            jpeg_read_scanlines(cinfo, ctx.rows.data() + y, cinfo->output_height - cinfo->output_scanline);
            continue;
        }
        JSAMPROW scratchRows[16];
        const int batch = std::min(16, px.height - y);
        for (int i = 0; i < batch; ++i) scratchRows[i] = ctx.scratch.data() + static_cast<std::size_t>(i) * px.width * 4;
        const auto got = static_cast<int>(jpeg_read_scanlines(cinfo, scratchRows, static_cast<JDIMENSION>(batch)));
        for (int i = 0; i < got; ++i) CmykRowToBgr(scratchRows[i], px.Row(y + i), px.width, channels, inverted);
    }
    if (preview) {
        // The remaining scans refine detail that 1/8 cannot show; they are
        // not read (finishing the output pass would read on to the next scan).
        return true;
    }
    // Reads on to the end-of-image marker, so a file cut short after its
    // last scan is noticed too.
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

int JpegCodeImageTooBig() { return JERR_IMAGE_TOO_BIG; }
int JpegCodePrematureEnd() { return JWRN_JPEG_EOF; }
int JpegCodeInputEmpty() { return JERR_INPUT_EMPTY; }
int JpegCodeOutOfMemory() { return JERR_OUT_OF_MEMORY; }

int DctScaledSide(int side, int scale) {
    if (side <= 0) return 0;
    return static_cast<int>((static_cast<std::int64_t>(side) * scale + 7) / 8);
}

int ChooseDctScale(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
    if (targetWidth <= 0 && targetHeight <= 0) return 8;
    for (int n = 1; n < 8; ++n) {
        if (DctScaledSide(sourceWidth, n) >= targetWidth && DctScaledSide(sourceHeight, n) >= targetHeight) return n;
    }
    return 8;
}

JpegDecodeResult DecodeJpeg(const void* data, std::size_t size, const JpegDecodeOptions& options) {
    JpegDecodeResult result;
    auto ctx = std::make_unique<DecodeContext>();
    std::memset(&ctx->cinfo, 0, sizeof ctx->cinfo);
    std::memset(&ctx->progress, 0, sizeof ctx->progress);
    ctx->progress.maxScans = options.limits.maxScans;
    ctx->cinfo.err = jpeg_std_error(&ctx->err.pub);
    ctx->err.pub.error_exit = OnErrorExit;
    ctx->err.pub.emit_message = OnEmitMessage;
    ctx->err.pub.output_message = OnOutputMessage;
    ctx->err.code = 0;
    ctx->err.text[0] = '\0';

    static const unsigned char kNothing[1] = {0};
    const auto* bytes = size != 0 && data != nullptr ? static_cast<const unsigned char*>(data) : kNothing;
    if (data == nullptr) size = 0;

    bool ok = false;
    try {
        ok = RunDecode(*ctx, bytes, size, options, result);
        if (!ok) {
            result.error = ctx->err.code != 0 ? ctx->err.code : JERR_UNKNOWN_MARKER;
            result.message = ctx->err.text;
        }
    } catch (const std::bad_alloc&) {
        result.error = JERR_OUT_OF_MEMORY;
        char text[JMSG_LENGTH_MAX];
        ctx->cinfo.err->msg_code = JERR_OUT_OF_MEMORY;
        ctx->cinfo.err->msg_parm.i[0] = 0;
        (*ctx->cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&ctx->cinfo), text);
        result.message = text;
    }
    if (ctx->created) jpeg_destroy_decompress(&ctx->cinfo);
    if (!ok) result.pixels = PixelBuffer{};
    return result;
}

namespace {

// One output position's contributions along an axis.
struct Tap {
    int first = 0;
    int count = 0;
    int weightIndex = 0;  // into the weights array
};

struct AxisPlan {
    std::vector<Tap> taps;
    std::vector<float> weights;
};

AxisPlan PlanAxis(int from, int to) {
    AxisPlan plan;
    plan.taps.resize(static_cast<std::size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    for (int o = 0; o < to; ++o) {
        Tap& tap = plan.taps[static_cast<std::size_t>(o)];
        tap.weightIndex = static_cast<int>(plan.weights.size());
        if (from > to) {
            // Area average over the source span this output pixel covers.
            const double lo = o * ratio;
            const double hi = (o + 1) * ratio;
            const int first = static_cast<int>(std::floor(lo));
            const int last = std::min(from - 1, static_cast<int>(std::ceil(hi)) - 1);
            tap.first = first;
            double total = 0;
            for (int i = first; i <= last; ++i) {
                const double w = std::min(hi, i + 1.0) - std::max(lo, static_cast<double>(i));
                plan.weights.push_back(static_cast<float>(w));
                total += w;
            }
            tap.count = last - first + 1;
            for (int i = 0; i < tap.count; ++i)
                plan.weights[static_cast<std::size_t>(tap.weightIndex + i)] /= static_cast<float>(total);
        } else {
            // Linear interpolation between the two nearest source centres.
            double s = (o + 0.5) * ratio - 0.5;
            s = std::clamp(s, 0.0, static_cast<double>(from - 1));
            const int i0 = static_cast<int>(std::floor(s));
            const double f = s - i0;
            tap.first = i0;
            if (i0 + 1 < from && f > 0) {
                tap.count = 2;
                plan.weights.push_back(static_cast<float>(1 - f));
                plan.weights.push_back(static_cast<float>(f));
            } else {
                tap.count = 1;
                plan.weights.push_back(1.0f);
            }
        }
    }
    return plan;
}

}  // namespace

PixelBuffer ResamplePixels(const PixelBuffer& source, int width, int height) {
    if (source.Empty()) return PixelBuffer{};
    return ResamplePixels(source.bytes.data(), source.width, source.height, source.channels, source.Stride(), width,
                          height);
}

PixelBuffer ResamplePixels(const std::uint8_t* pixels, int sourceWidth, int sourceHeight, int channels,
                           std::size_t stride, int width, int height) {
    PixelBuffer out;
    if (pixels == nullptr || sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return out;
    if (channels < 1 || channels > 4) return out;
    const int ch = channels;
    out.width = width;
    out.height = height;
    out.channels = ch;
    out.bytes.resize(out.Stride() * static_cast<std::size_t>(height));

    const AxisPlan horizontal = PlanAxis(sourceWidth, width);
    const AxisPlan vertical = PlanAxis(sourceHeight, height);

    // Each output row needs a few consecutive source rows resampled across;
    // those are kept in a small ring (the rows each output row starts from
    // never go backwards), so the working memory stays a few rows.
    const std::size_t midStride = static_cast<std::size_t>(width) * ch;
    int ringRows = 1;
    for (const Tap& t : vertical.taps) ringRows = std::max(ringRows, t.count);
    std::vector<float> ring(midStride * static_cast<std::size_t>(ringRows));
    auto slot = [&](int sourceRow) { return ring.data() + midStride * static_cast<std::size_t>(sourceRow % ringRows); };
    int nextRow = 0;  // the next source row to resample across

    std::vector<float> acc(midStride);
    for (int y = 0; y < height; ++y) {
        const Tap& tap = vertical.taps[static_cast<std::size_t>(y)];
        nextRow = std::max(nextRow, tap.first);
        for (; nextRow < tap.first + tap.count; ++nextRow) {
            const std::uint8_t* row = pixels + stride * static_cast<std::size_t>(nextRow);
            float* dst = slot(nextRow);
            for (int x = 0; x < width; ++x) {
                const Tap& h = horizontal.taps[static_cast<std::size_t>(x)];
                const float* w = horizontal.weights.data() + h.weightIndex;
                float sum[4] = {0, 0, 0, 0};
                const std::uint8_t* p = row + static_cast<std::size_t>(h.first) * ch;
                for (int i = 0; i < h.count; ++i, p += ch)
                    for (int c = 0; c < ch; ++c) sum[c] += w[i] * p[c];
                for (int c = 0; c < ch; ++c) dst[static_cast<std::size_t>(x) * ch + c] = sum[c];
            }
        }
        const float* w = vertical.weights.data() + tap.weightIndex;
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (int i = 0; i < tap.count; ++i) {
            const float* src = slot(tap.first + i);
            for (std::size_t k = 0; k < midStride; ++k) acc[k] += w[i] * src[k];
        }
        std::uint8_t* dst = out.Row(y);
        for (std::size_t k = 0; k < midStride; ++k) {
            const float v = acc[k] + 0.5f;
            dst[k] = static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v));
        }
    }
    return out;
}

}  // namespace common
