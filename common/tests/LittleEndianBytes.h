// Writing little-endian integers into byte buffers, for the tests and fuzz
// seeds that make picture files by hand. Pure code (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testbytes {

using Bytes = std::vector<std::uint8_t>;

inline void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
inline void Put16(Bytes& b, unsigned v) {
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Set16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

// A Windows metafile with the 22-byte placeable header in front: its key,
// no handle, the frame (0, 0) to (width, height) in units of `perInch` a
// inch, no reserved word, and the checksum of the ten words before it.
inline Bytes WithPlaceableHeader(const Bytes& metafile, unsigned width, unsigned height, unsigned perInch) {
    Bytes b;
    Put32(b, 0x9AC6CDD7u);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, width);
    Put16(b, height);
    Put16(b, perInch);
    Put32(b, 0);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 20; i += 2) sum ^= static_cast<unsigned>(b[i] | (b[i + 1] << 8));
    Put16(b, sum);
    b.insert(b.end(), metafile.begin(), metafile.end());
    return b;
}

}  // namespace testbytes
