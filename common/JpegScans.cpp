#include "common/JpegScans.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define JPEG_SCANS_WITH_SSE2 1
#endif

namespace common {
namespace {

// Natural (row-major) position of each zig-zag index.
constexpr int kNaturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

constexpr std::uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kTem = 0x01;

bool IsRestart(std::uint8_t m) { return m >= 0xD0 && m <= 0xD7; }

// The position of the next marker's 0xFF at or after `at` in entropy-coded
// data: a 0xFF followed by neither a stuffed 0x00 nor a restart marker (fill
// bytes 0xFF before a marker belong to it). `size` when there is none.
// The next 0xFF at or after `at`, `size` when there is none. Sixteen bytes
// a step where the processor has the instructions: the library's byte
// search is several times slower, and a stepped-over scan is megabytes long.
std::size_t NextFF(const std::uint8_t* data, std::size_t size, std::size_t at) {
#if JPEG_SCANS_WITH_SSE2
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; at + 16 <= size; at += 16) {
        const int hits = _mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)), ff));
        if (hits != 0) {
            int first = 0;
            while (!(hits & (1 << first))) ++first;
            return at + static_cast<std::size_t>(first);
        }
    }
#endif
    const void* hit = at < size ? std::memchr(data + at, 0xFF, size - at) : nullptr;
    return hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data) : size;
}

std::size_t NextMarker(const std::uint8_t* data, std::size_t size, std::size_t at) {
    while (at < size) {
        at = NextFF(data, size, at);
        if (at >= size) return size;
        if (at + 1 >= size) return size;
        const std::uint8_t next = data[at + 1];
        if (next == 0x00 || IsRestart(next)) {
            at += 2;
            continue;
        }
        return at;
    }
    return size;
}

int NeedOf(int id, const JpegComponentNeed* needs, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (needs[i].id == id) return needs[i].lastCoefficient;
    return 63;
}

// Whether the scan whose header (after the length) is h[0..length-2) is
// one the reduced picture needs. A header too short to read is kept: the
// decoder reports it.
bool ScanNeeded(const std::uint8_t* h, std::size_t length, const JpegComponentNeed* needs, std::size_t count) {
    if (length < 1) return true;
    const std::size_t components = h[0];
    if (components == 0 || length < 1 + 2 * components + 3) return true;
    const std::uint8_t* bands = h + 1 + 2 * components;
    const int ss = bands[0];
    const int ah = bands[2] >> 4;
    if (ah != 0) return false;  // a refinement: only low bits of what was sent
    if (ss == 0) return true;   // block means, sent for the first time
    for (std::size_t c = 0; c < components; ++c)
        if (NeedOf(h[1 + 2 * c], needs, count) >= ss) return true;
    return false;
}

void Keep(JpegScanPlan& plan, std::size_t from, std::size_t to) {
    if (to <= from) return;
    plan.bytesKept += to - from;
    if (!plan.spans.empty()) {
        JpegByteSpan& last = plan.spans.back();
        if (last.offset + last.size == from) {
            last.size += to - from;
            return;
        }
    }
    plan.spans.push_back(JpegByteSpan{from, to - from});
}

}  // namespace

int LastZigzagIndexOfCorner(int size) {
    if (size >= 8) return 63;
    if (size < 1) size = 1;
    int last = 0;
    for (int k = 0; k < 64; ++k)
        if (kNaturalOrder[k] / 8 < size && kNaturalOrder[k] % 8 < size) last = k;
    return last;
}

JpegScanPlan PlanJpegScans(const std::uint8_t* data, std::size_t size, const JpegComponentNeed* needs,
                           std::size_t needCount) {
    JpegScanPlan plan;
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != kSoi) return plan;
    std::size_t keptFrom = 0;  // start of the run of kept bytes not yet recorded
    std::size_t at = 2;
    for (;;) {
        // A marker: 0xFF, any fill bytes 0xFF, the code.
        if (at >= size || data[at] != 0xFF) return plan;  // junk where a marker belongs
        std::size_t code = at + 1;
        while (code < size && data[code] == 0xFF) ++code;
        if (code >= size) return plan;
        const std::uint8_t marker = data[code];
        if (marker == kEoi) {
            Keep(plan, keptFrom, code + 1);
            plan.complete = true;
            return plan;
        }
        if (marker == kSoi || marker == 0x00) return plan;
        if (marker == kTem || IsRestart(marker)) {  // stand-alone markers
            at = code + 1;
            continue;
        }
        if (code + 2 >= size) return plan;
        const std::size_t length = (static_cast<std::size_t>(data[code + 1]) << 8) | data[code + 2];
        if (length < 2 || length > size - (code + 1)) return plan;
        const std::size_t end = code + 1 + length;
        if (marker != kSos) {
            at = end;
            continue;
        }
        const std::size_t next = NextMarker(data, size, end);
        if (next >= size) return plan;  // the data ends inside the scan
        if (ScanNeeded(data + code + 3, length - 2, needs, needCount)) {
            ++plan.scansKept;
        } else {
            ++plan.scansSkipped;
            Keep(plan, keptFrom, at);
            keptFrom = next;
        }
        at = next;
    }
}

}  // namespace common
