#include "common/JpegDecode.h"

#include "common/JpegScans.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RESAMPLE_WITH_SSE2 1
#endif

#include <jpeglib.h>
#include <jerror.h>

namespace common {
namespace {

// Weights in 1/16384; along each axis an output pixel's weights add up to
// exactly 16384. Down the columns first, results are kept in 1/128 of a
// level (at most 255 * 128, in 16 bits); across, sums stay below 2^31.
constexpr int kWeightBits = 14;
constexpr int kMidBits = 7;
constexpr int kFirstPassShift = kWeightBits - kMidBits;   // down the columns
constexpr int kSecondPassShift = kWeightBits + kMidBits;  // across

// One output position's contributions along an axis.
struct Tap {
    int first = 0;
    int count = 0;
    int weightIndex = 0;  // into the weights array
};

struct AxisPlan {
    std::vector<Tap> taps;
    std::vector<std::int32_t> weights;
};

// Rounds the exact weights of one tap to 1/16384, the largest taking up the
// rounding so that they add up to exactly 1.
void QuantiseTap(const double* exact, int count, std::int32_t* out) {
    int total = 0, largest = 0;
    for (int i = 0; i < count; ++i) {
        out[i] = static_cast<std::int32_t>(std::lround(exact[i] * (1 << kWeightBits)));
        total += out[i];
        if (out[i] > out[largest]) largest = i;
    }
    out[largest] += (1 << kWeightBits) - total;
}

AxisPlan PlanAxis(int from, int to) {
    AxisPlan plan;
    plan.taps.resize(static_cast<std::size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    std::vector<double> exact;
    for (int o = 0; o < to; ++o) {
        Tap& tap = plan.taps[static_cast<std::size_t>(o)];
        exact.clear();
        if (from > to) {
            // Area average over the source span this output pixel covers.
            const double lo = o * ratio;
            const double hi = (o + 1) * ratio;
            const int first = static_cast<int>(std::floor(lo));
            const int last = std::min(from - 1, static_cast<int>(std::ceil(hi)) - 1);
            tap.first = first;
            for (int i = first; i <= last; ++i)
                exact.push_back((std::min(hi, i + 1.0) - std::max(lo, static_cast<double>(i))) / ratio);
        } else {
            // Linear interpolation between the two nearest source centres.
            double s = (o + 0.5) * ratio - 0.5;
            s = std::clamp(s, 0.0, static_cast<double>(from - 1));
            const int i0 = static_cast<int>(std::floor(s));
            const double f = s - i0;
            tap.first = i0;
            exact.push_back(1 - f);
            if (i0 + 1 < from && f > 0) exact.push_back(f);
        }
        // Drop zero-weight ends (a span ending on a pixel boundary).
        while (exact.size() > 1 && std::lround(exact.back() * (1 << kWeightBits)) == 0) exact.pop_back();
        while (exact.size() > 1 && std::lround(exact.front() * (1 << kWeightBits)) == 0) {
            exact.erase(exact.begin());
            ++tap.first;
        }
        tap.count = static_cast<int>(exact.size());
        tap.weightIndex = static_cast<int>(plan.weights.size());
        plan.weights.resize(plan.weights.size() + exact.size());
        QuantiseTap(exact.data(), tap.count, plan.weights.data() + tap.weightIndex);
    }
    return plan;
}

inline std::int32_t WeightPair(std::int32_t first, std::int32_t second) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(second) << 16) | static_cast<std::uint32_t>(first));
}

// Down the columns first: the source rows of one output row (`rows`, one
// pointer for each of the tap's rows) combined into `mid` (`count` values
// of a row, in 1/128 of a level).
void ResampleDown(const std::uint8_t* const* rows, int taps, const std::int32_t* w, std::size_t count,
                  std::uint16_t* mid) {
    std::size_t done = 0;
#if RESAMPLE_WITH_SSE2
    // Eight values a step, two source rows at a time: their values
    // interleaved as 16-bit numbers, multiplied by the two weights and
    // added pairwise.
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (kFirstPassShift - 1));
    for (; done + 8 <= count; done += 8) {
        __m128i lo = half, hi = half;
        int i = 0;
        for (; i + 1 < taps; i += 2) {
            const __m128i r0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[i] + done)), zero);
            const __m128i r1 =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[i + 1] + done)), zero);
            const __m128i ww = _mm_set1_epi32(WeightPair(w[i], w[i + 1]));
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(r0, r1), ww));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(r0, r1), ww));
        }
        if (i < taps) {
            const __m128i r0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[i] + done)), zero);
            const __m128i ww = _mm_set1_epi32(w[i]);
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(r0, zero), ww));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(r0, zero), ww));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mid + done),
                         _mm_packs_epi32(_mm_srai_epi32(lo, kFirstPassShift), _mm_srai_epi32(hi, kFirstPassShift)));
    }
#endif
    for (; done < count; ++done) {
        std::int32_t sum = 1 << (kFirstPassShift - 1);
        for (int i = 0; i < taps; ++i) sum += w[i] * rows[i][done];
        mid[done] = static_cast<std::uint16_t>(sum >> kFirstPassShift);
    }
}

// Then across: one combined row into the output row.
template <int CH>
void ResampleAcross(const std::uint16_t* mid, const AxisPlan& plan, int width, std::uint8_t* dst) {
#if RESAMPLE_WITH_SSE2
    if constexpr (CH == 4) {
        // Two pixels a step, their channels interleaved, as down the columns.
        const __m128i half = _mm_set1_epi32(1 << (kSecondPassShift - 1));
        const __m128i zero = _mm_setzero_si128();
        for (int x = 0; x < width; ++x, dst += 4) {
            const Tap& h = plan.taps[static_cast<std::size_t>(x)];
            const std::int32_t* w = plan.weights.data() + h.weightIndex;
            const std::uint16_t* p = mid + static_cast<std::size_t>(h.first) * 4;
            __m128i sum = half;
            int i = 0;
            for (; i + 1 < h.count; i += 2, p += 8) {
                const __m128i ab = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));  // two pixels
                const __m128i pairs = _mm_unpacklo_epi16(ab, _mm_srli_si128(ab, 8));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, _mm_set1_epi32(WeightPair(w[i], w[i + 1]))));
            }
            if (i < h.count) {
                const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, zero), _mm_set1_epi32(w[i])));
            }
            const __m128i words = _mm_packs_epi32(_mm_srai_epi32(sum, kSecondPassShift), zero);
            const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(words, zero));
            std::memcpy(dst, &packed, 4);
        }
        return;
    }
#endif
    for (int x = 0; x < width; ++x, dst += CH) {
        const Tap& h = plan.taps[static_cast<std::size_t>(x)];
        const std::int32_t* w = plan.weights.data() + h.weightIndex;
        const std::uint16_t* p = mid + static_cast<std::size_t>(h.first) * CH;
        std::int32_t sum[CH];
        for (int c = 0; c < CH; ++c) sum[c] = 1 << (kSecondPassShift - 1);
        for (int i = 0; i < h.count; ++i, p += CH)
            for (int c = 0; c < CH; ++c) sum[c] += w[i] * p[c];
        // The weights add up to 1 and are never negative: no clamping needed.
        for (int c = 0; c < CH; ++c) dst[c] = static_cast<std::uint8_t>(sum[c] >> kSecondPassShift);
    }
}

// Resamples a picture handed over one row at a time, top to bottom, into
// any number of targets at once: each output row is made as soon as the
// last source row it draws on has come. Only the latest RowsKept() rows
// are looked at again, so a caller may decode into that many row buffers
// in turn instead of holding the whole picture.
class RowResampler {
public:
    RowResampler(int sourceWidth, int sourceHeight, int channels, const std::vector<PixelRows>& targets)
        : channels_(channels), count_(static_cast<std::size_t>(sourceWidth) * static_cast<std::size_t>(channels)) {
        std::size_t taps = 1;
        targets_.resize(targets.size());
        for (std::size_t i = 0; i < targets.size(); ++i) {
            Target& target = targets_[i];
            target.rows = targets[i];
            target.across = PlanAxis(sourceWidth, target.rows.width);
            target.down = PlanAxis(sourceHeight, target.rows.height);
            // An output row is made once every row up to the last it draws
            // on has come; it needs its rows back from its first.
            int arrived = 0;
            for (const Tap& tap : target.down.taps) {
                arrived = std::max(arrived, tap.first + tap.count);
                kept_ = std::max(kept_, arrived - tap.first);
                taps = std::max(taps, static_cast<std::size_t>(tap.count));
            }
        }
        recent_.resize(static_cast<std::size_t>(kept_));
        gathered_.resize(taps);
        mid_.resize(count_ + 8);  // room for the last pixel pair's read
    }

    int RowsKept() const { return kept_; }

    // The next source row, which must stay unchanged until RowsKept() more
    // rows have come.
    void Push(const std::uint8_t* row) {
        recent_[static_cast<std::size_t>(pushed_ % kept_)] = row;
        ++pushed_;
        for (Target& t : targets_) {
            for (; t.next < t.rows.height; ++t.next) {
                const Tap& tap = t.down.taps[static_cast<std::size_t>(t.next)];
                if (tap.first + tap.count > pushed_) break;
                for (int i = 0; i < tap.count; ++i)
                    gathered_[static_cast<std::size_t>(i)] = recent_[static_cast<std::size_t>((tap.first + i) % kept_)];
                ResampleDown(gathered_.data(), tap.count, t.down.weights.data() + tap.weightIndex, count_, mid_.data());
                std::uint8_t* out = t.rows.pixels + t.rows.stride * static_cast<std::size_t>(t.next);
                switch (channels_) {
                    case 1: ResampleAcross<1>(mid_.data(), t.across, t.rows.width, out); break;
                    case 2: ResampleAcross<2>(mid_.data(), t.across, t.rows.width, out); break;
                    case 3: ResampleAcross<3>(mid_.data(), t.across, t.rows.width, out); break;
                    default: ResampleAcross<4>(mid_.data(), t.across, t.rows.width, out); break;
                }
            }
        }
    }

private:
    struct Target {
        PixelRows rows;
        AxisPlan across, down;
        int next = 0;  // the next output row to make
    };
    int channels_;
    std::size_t count_;  // values in a source row
    std::vector<Target> targets_;
    int kept_ = 1;
    int pushed_ = 0;
    std::vector<const std::uint8_t*> recent_;    // the latest rows, row r at r mod kept_
    std::vector<const std::uint8_t*> gathered_;  // one output row's source rows
    std::vector<std::uint16_t> mid_;
};

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

// Feeds the decoder a stream made of spans of the file's bytes.
struct SpanSource {
    jpeg_source_mgr pub;
    const unsigned char* data;
    const JpegByteSpan* spans;
    std::size_t count;
    std::size_t next;
};

// The whole-picture coefficient store of a progressive decode, in place of
// the decoder's own. Its memory comes zeroed from the allocator, which for
// blocks this large maps fresh zero pages and writes nothing; the decoder's
// own store clears every block row before its first use.
//
// A component of which a reduced decode keeps only the block means (the
// plan feeds it no detail scan, and a picture at 1/8 reads only each block's
// first coefficient) does not take a whole block for each: 64 block rows
// share one row of blocks, row r using coefficient r mod 64 of each. That is
// 1/64 of the memory, and fresh memory is what such a decode mostly costs.
// Each shared row has a block of room past its end, so even a stray write of
// a whole block stays inside the allocation.
//
// Work on the store is done inside the decoder's C code: plain allocation
// only, failures reported through the decoder's error exit.
struct CoefficientStore {
    struct Array {
        JDIMENSION blocksPerRow = 0;
        JDIMENSION rows = 0;
        bool meansOnly = false;
        void* memory = nullptr;  // as allocated; the blocks start aligned within it
        JBLOCKROW* rowPointers = nullptr;
    };
    // The decoder's vector code reads blocks with aligned loads, as its own
    // allocator aligns them.
    static constexpr std::size_t kAlign = 32;
    static constexpr JDIMENSION kRowsShared = DCTSIZE2;

    Array arrays[MAX_COMPONENTS];
    int count = 0;
    bool meansOnly[MAX_COMPONENTS] = {};  // by component, set before the decoder asks
    decltype(jpeg_memory_mgr::request_virt_barray) request = nullptr;
    decltype(jpeg_memory_mgr::realize_virt_arrays) realize = nullptr;
    decltype(jpeg_memory_mgr::access_virt_barray) access = nullptr;
    decltype(jpeg_memory_mgr::free_pool) freePool = nullptr;
    decltype(jpeg_memory_mgr::self_destruct) selfDestruct = nullptr;

    static std::uint64_t RowsAllocated(const Array& a) {
        return a.meansOnly ? (std::uint64_t{a.rows} + kRowsShared - 1) / kRowsShared : a.rows;
    }
    static std::uint64_t RowBytes(const Array& a) {
        return std::uint64_t{a.blocksPerRow} * sizeof(JBLOCK) + (a.meansOnly ? sizeof(JBLOCK) : 0);
    }
    Array* Find(jvirt_barray_ptr p) {
        for (int i = 0; i < count; ++i)
            if (reinterpret_cast<jvirt_barray_ptr>(&arrays[i]) == p) return &arrays[i];
        return nullptr;
    }
    void Free() {
        for (int i = 0; i < count; ++i) {
            std::free(arrays[i].memory);
            std::free(arrays[i].rowPointers);
            arrays[i] = Array{};
        }
        count = 0;
    }
};

struct DecodeContext {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressManager progress;
    SpanSource spanSource;
    CoefficientStore coefficients;
    bool created = false;
    // Work buffers, sized before the decoder writes into them.
    std::vector<JSAMPROW> rows;
    ByteBuffer scratch;  // CMYK rows before conversion
    // Decoding into targets: the resampler and the rows it looks back on.
    std::unique_ptr<RowResampler> resampler;
    ByteBuffer recentRows;
    std::vector<JpegComponentNeed> needs;
    JpegScanPlan plan;
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

CoefficientStore& CoefficientsOf(j_common_ptr cinfo) {
    return static_cast<DecodeContext*>(cinfo->client_data)->coefficients;
}

// The decoder asks for one pre-zeroed array per component, in component order.
jvirt_barray_ptr RequestCoefficients(j_common_ptr cinfo, int pool, boolean preZero, JDIMENSION blocksPerRow,
                                     JDIMENSION rows, JDIMENSION maxAccess) {
    CoefficientStore& z = CoefficientsOf(cinfo);
    if (pool != JPOOL_IMAGE || !preZero || z.count == MAX_COMPONENTS)
        return (*z.request)(cinfo, pool, preZero, blocksPerRow, rows, maxAccess);
    const int component = z.count++;
    CoefficientStore::Array& a = z.arrays[component];
    a.blocksPerRow = blocksPerRow;
    a.rows = rows;
    a.meansOnly = z.meansOnly[component];
    return reinterpret_cast<jvirt_barray_ptr>(&a);
}

void RealizeCoefficients(j_common_ptr cinfo) {
    CoefficientStore& z = CoefficientsOf(cinfo);
    // Counted against the work-memory limit as the decoder counts its own.
    std::uint64_t bytes = 0;
    for (int i = 0; i < z.count; ++i) {
        const CoefficientStore::Array& a = z.arrays[i];
        bytes += CoefficientStore::RowsAllocated(a) * CoefficientStore::RowBytes(a) + CoefficientStore::kAlign +
                 std::uint64_t{a.rows} * sizeof(JBLOCKROW);
    }
    if (bytes > static_cast<std::uint64_t>(std::max(0L, cinfo->mem->max_memory_to_use)))
        ERREXIT(cinfo, JERR_NO_BACKING_STORE);
    cinfo->mem->max_memory_to_use -= static_cast<long>(bytes);
    for (int i = 0; i < z.count; ++i) {
        CoefficientStore::Array& a = z.arrays[i];
        if (a.memory) continue;
        const auto rowBytes = static_cast<std::size_t>(CoefficientStore::RowBytes(a));
        const auto rowsMade = static_cast<std::size_t>(CoefficientStore::RowsAllocated(a));
        a.memory = std::calloc(rowsMade * rowBytes + CoefficientStore::kAlign, 1);
        a.rowPointers = static_cast<JBLOCKROW*>(std::malloc((a.rows == 0 ? 1 : a.rows) * sizeof(JBLOCKROW)));
        if (!a.memory || !a.rowPointers) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
        const auto at = reinterpret_cast<std::uintptr_t>(a.memory);
        auto* first = reinterpret_cast<std::uint8_t*>((at + CoefficientStore::kAlign - 1) &
                                                      ~std::uintptr_t{CoefficientStore::kAlign - 1});
        for (JDIMENSION r = 0; r < a.rows; ++r) {
            std::uint8_t* row = a.meansOnly ? first + (r / CoefficientStore::kRowsShared) * rowBytes +
                                                  (r % CoefficientStore::kRowsShared) * sizeof(JCOEF)
                                            : first + std::size_t{r} * rowBytes;
            a.rowPointers[r] = reinterpret_cast<JBLOCKROW>(row);
        }
    }
    (*z.realize)(cinfo);
}

JBLOCKARRAY AccessCoefficients(j_common_ptr cinfo, jvirt_barray_ptr p, JDIMENSION startRow, JDIMENSION rows,
                               boolean writable) {
    CoefficientStore& z = CoefficientsOf(cinfo);
    const CoefficientStore::Array* a = z.Find(p);
    if (!a) return (*z.access)(cinfo, p, startRow, rows, writable);
    if (!a->rowPointers || startRow > a->rows || rows > a->rows - startRow) ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    return a->rowPointers + startRow;
}

void FreeCoefficientPool(j_common_ptr cinfo, int pool) {
    CoefficientStore& z = CoefficientsOf(cinfo);
    if (pool == JPOOL_IMAGE) z.Free();
    (*z.freePool)(cinfo, pool);
}

void DestroyCoefficients(j_common_ptr cinfo) {
    CoefficientStore& z = CoefficientsOf(cinfo);
    z.Free();
    (*z.selfDestruct)(cinfo);
}

// Puts the store in the decoder's memory manager.
void UseCoefficientStore(DecodeContext& ctx) {
    jpeg_memory_mgr* mem = ctx.cinfo.mem;
    CoefficientStore& z = ctx.coefficients;
    ctx.cinfo.client_data = &ctx;
    z.request = mem->request_virt_barray;
    z.realize = mem->realize_virt_arrays;
    z.access = mem->access_virt_barray;
    z.freePool = mem->free_pool;
    z.selfDestruct = mem->self_destruct;
    mem->request_virt_barray = RequestCoefficients;
    mem->realize_virt_arrays = RealizeCoefficients;
    mem->access_virt_barray = AccessCoefficients;
    mem->free_pool = FreeCoefficientPool;
    mem->self_destruct = DestroyCoefficients;
}

void SpanInit(j_decompress_ptr) {}
void SpanTerm(j_decompress_ptr) {}

boolean SpanFill(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<SpanSource*>(cinfo->src);
    if (source->next < source->count) {
        const JpegByteSpan& span = source->spans[source->next++];
        source->pub.next_input_byte = source->data + span.offset;
        source->pub.bytes_in_buffer = span.size;
        return TRUE;
    }
    // Past the end marker (the spans end with it): as the memory source does.
    static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->pub.next_input_byte = kEnd;
    source->pub.bytes_in_buffer = 2;
    return TRUE;
}

void SpanSkip(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = cinfo->src;
    auto left = static_cast<std::size_t>(count);
    while (left > source->bytes_in_buffer) {
        left -= source->bytes_in_buffer;
        source->bytes_in_buffer = 0;
        (*source->fill_input_buffer)(cinfo);
    }
    source->next_input_byte += left;
    source->bytes_in_buffer -= left;
}

void UseSpans(DecodeContext& ctx, const unsigned char* data) {
    SpanSource& s = ctx.spanSource;
    s.pub.init_source = SpanInit;
    s.pub.fill_input_buffer = SpanFill;
    s.pub.skip_input_data = SpanSkip;
    s.pub.resync_to_restart = jpeg_resync_to_restart;
    s.pub.term_source = SpanTerm;
    s.pub.next_input_byte = nullptr;
    s.pub.bytes_in_buffer = 0;
    s.data = data;
    s.spans = ctx.plan.spans.data();
    s.count = ctx.plan.spans.size();
    s.next = 0;
    ctx.cinfo.src = &s.pub;
}

// Output colours and the n/8 scale, then the output size from them.
void SetUpOutput(j_decompress_ptr cinfo, bool cmyk, int channels, int scale) {
    cinfo->out_color_space = cmyk ? JCS_CMYK : channels == 4 ? JCS_EXT_BGRA : JCS_EXT_BGR;
    cinfo->scale_num = static_cast<unsigned>(scale);
    cinfo->scale_denom = 8;
    cinfo->dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(cinfo);
}

// The decoding proper. Returns normally on success; a decoder error jumps
// back to the setjmp below. Only plain data lives in this frame; buffers are
// sized here (which may throw std::bad_alloc before the decoder uses them).
bool RunDecode(DecodeContext& ctx, const unsigned char* data, std::size_t size, const JpegDecodeOptions& options,
               JpegDecodeResult& result) {
    if (setjmp(ctx.err.jump) != 0) return false;

    jpeg_create_decompress(&ctx.cinfo);
    ctx.created = true;
    UseCoefficientStore(ctx);
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
    // Grey, YCbCr and RGB go straight to BGR(A); CMYK and YCCK come as CMYK
    // and are converted here; anything else fails in start_decompress.
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    int targetWidth = options.targetWidth, targetHeight = options.targetHeight;
    if (!options.into.empty()) {
        targetWidth = targetHeight = 1;
        for (const PixelRows& t : options.into) {
            targetWidth = std::max(targetWidth, t.width);
            targetHeight = std::max(targetHeight, t.height);
        }
    }
    result.scale = ChooseDctScale(result.sourceWidth, result.sourceHeight, targetWidth, targetHeight);
    SetUpOutput(cinfo, cmyk, channels, result.scale);

    const std::int64_t outW = cinfo->output_width;
    const std::int64_t outH = cinfo->output_height;
    if (outW > options.limits.maxOutputSide || outH > options.limits.maxOutputSide ||
        outW * outH > options.limits.maxOutputPixels)
        Fail(cinfo, JERR_IMAGE_TOO_BIG, options.limits.maxOutputSide);

    // A progressive file shown at 1/8: decode only the scans that size
    // shows, from the file with the others left out.
    if (cinfo->progressive_mode && result.scale == 1 && !options.allScans) {
        ctx.needs.resize(static_cast<std::size_t>(cinfo->num_components));
        for (int c = 0; c < cinfo->num_components; ++c) {
            const jpeg_component_info& comp = cinfo->comp_info[c];
            ctx.needs[static_cast<std::size_t>(c)] =
                JpegComponentNeed{comp.component_id, LastZigzagIndexOfCorner(comp.DCT_scaled_size)};
        }
        ctx.plan = PlanJpegScans(data, size, ctx.needs.data(), ctx.needs.size());
        if (ctx.plan.complete && ctx.plan.scansKept + ctx.plan.scansSkipped > options.limits.maxScans) {
            cinfo->err->msg_parm.i[1] = cinfo->err->msg_parm.i[2] = cinfo->err->msg_parm.i[3] = 0;
            Fail(cinfo, JERR_BAD_PROGRESSION, 0);
        }
        if (ctx.plan.complete && ctx.plan.scansSkipped > 0) {
            jpeg_abort_decompress(cinfo);
            UseSpans(ctx, data);
            jpeg_read_header(cinfo, TRUE);
            SetUpOutput(cinfo, cmyk, channels, result.scale);
            result.scansSkipped = ctx.plan.scansSkipped;
            // The components the reduced stream sends only block means of.
            for (int c = 0; c < cinfo->num_components && c < MAX_COMPONENTS; ++c)
                ctx.coefficients.meansOnly[c] = ctx.needs[static_cast<std::size_t>(c)].lastCoefficient == 0 &&
                                                cinfo->comp_info[c].DCT_scaled_size == 1;
        }
    }

    // Where the decoded rows go: the whole picture, or in turn the few row
    // buffers the resampler looks back on.
    const int width = static_cast<int>(outW), height = static_cast<int>(outH);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    int ring = height;
    if (!options.into.empty()) {
        ctx.resampler = std::make_unique<RowResampler>(width, height, channels, options.into);
        ring = std::min(height, ctx.resampler->RowsKept());
        ctx.recentRows.resize(rowBytes * static_cast<std::size_t>(ring));
        ctx.rows.resize(static_cast<std::size_t>(ring));
        for (int y = 0; y < ring; ++y) ctx.rows[static_cast<std::size_t>(y)] = ctx.recentRows.data() + rowBytes * y;
    } else {
        PixelBuffer& px = result.pixels;
        px.width = width;
        px.height = height;
        px.channels = channels;
        px.bytes.resize(rowBytes * static_cast<std::size_t>(height));
        ctx.rows.resize(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) ctx.rows[static_cast<std::size_t>(y)] = px.Row(y);
    }
    if (cmyk) ctx.scratch.resize(static_cast<std::size_t>(width) * 4 * 16);

    // At 1/8 no guessing of missing detail from neighbouring means: the
    // refinements left out are low bits, and the guess would smear colour
    // across edges.
    cinfo->buffered_image = FALSE;
    cinfo->do_block_smoothing = cinfo->progressive_mode && result.scale == 1 ? FALSE : TRUE;

    jpeg_start_decompress(cinfo);
    const bool inverted = cinfo->saw_Adobe_marker != 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        // Into the whole picture as many rows as come; into row buffers
        // one at a time, each handed on as it is done.
        JSAMPROW* rows = ctx.rows.data() + y % ring;
        const int want = ctx.resampler ? 1 : height - y;
        int got = 0;
        if (!cmyk) {
            got = static_cast<int>(jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(want)));
        } else {
            JSAMPROW scratchRows[16];
            const int batch = std::min(16, want);
            for (int i = 0; i < batch; ++i) scratchRows[i] = ctx.scratch.data() + static_cast<std::size_t>(i) * width * 4;
            got = static_cast<int>(jpeg_read_scanlines(cinfo, scratchRows, static_cast<JDIMENSION>(batch)));
            for (int i = 0; i < got; ++i) CmykRowToBgr(scratchRows[i], rows[i], width, channels, inverted);
        }
        if (ctx.resampler && got == 1) ctx.resampler->Push(rows[0]);
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
    DecodeJpegInto(data, size, options, result);
    return result;
}

void DecodeJpegInto(const void* data, std::size_t size, const JpegDecodeOptions& options, JpegDecodeResult& result) {
    {
        ByteBuffer storage = std::move(result.pixels.bytes);
        result = JpegDecodeResult{};
        result.pixels.bytes = std::move(storage);
    }
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
}

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
    out.width = width;
    out.height = height;
    out.channels = channels;
    out.bytes.resize(out.Stride() * static_cast<std::size_t>(height));
    ResamplePixelsInto(pixels, sourceWidth, sourceHeight, channels, stride,
                       {PixelRows{out.bytes.data(), out.Stride(), width, height}});
    return out;
}

void ResamplePixelsInto(const std::uint8_t* pixels, int sourceWidth, int sourceHeight, int channels,
                        std::size_t stride, const std::vector<PixelRows>& targets) {
    if (pixels == nullptr || sourceWidth <= 0 || sourceHeight <= 0 || channels < 1 || channels > 4) return;
    RowResampler resampler(sourceWidth, sourceHeight, channels, targets);
    for (int y = 0; y < sourceHeight; ++y) resampler.Push(pixels + stride * static_cast<std::size_t>(y));
}

}  // namespace common
