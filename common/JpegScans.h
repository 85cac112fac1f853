// The marker structure of a JPEG stream, walked without decoding anything:
// which scans a reduced-size picture of a progressive file needs, and the
// byte spans that make up the stream without the others. Pure code (no
// window system), so it also builds natively, under the fuzzer included.
//
// A progressive file sends each component's coefficients in bands (first
// the block means, then runs of detail), each band first with some low bits
// held back and later refined. A picture decoded at n/8 shows of each
// component only the top-left coefficients of each block; the walk keeps
// - every scan of block means (DC) sent for the first time,
// - every first-time detail scan (AC) whose band starts within the
//   coefficients its component shows,
// and drops the refinement scans and the detail scans nothing shown uses.
// Everything that is not a scan (tables, restart interval, comments, the
// frame) is kept in its place.
//
// The walk reads the whole stream: segment lengths must lie inside the data
// and the end-of-image marker must be there. Entropy-coded data is stepped
// over by looking for the next marker only (a 0xFF not followed by 0x00 or
// a restart marker).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace common {

// A component and the highest zig-zag index of the coefficients the output
// uses of it (0: the block mean only; 63: all).
struct JpegComponentNeed {
    int id = 0;
    int lastCoefficient = 63;
};

struct JpegByteSpan {
    std::size_t offset = 0;
    std::size_t size = 0;
};

struct JpegScanPlan {
    bool complete = false;  // start marker, segments inside the data, end marker reached
    int scansKept = 0;
    int scansSkipped = 0;
    std::size_t bytesKept = 0;
    std::vector<JpegByteSpan> spans;  // in stream order, ending with the end marker
};

// Walks `data` (a progressive stream) and plans the reduced stream. A
// component not listed is taken as needing all its coefficients. When
// `complete` is false the spans are of no use: the stream is cut short or
// its markers are damaged, and the caller decodes the stream as it is.
JpegScanPlan PlanJpegScans(const std::uint8_t* data, std::size_t size, const JpegComponentNeed* needs,
                           std::size_t needCount);

// The highest zig-zag index among the coefficients of a block's top-left
// size x size corner (size 1, 2, 4 or 8; larger sizes give 63).
int LastZigzagIndexOfCorner(int size);

}  // namespace common
