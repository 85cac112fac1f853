// Writing a generated seed file into a corpus directory. Pure code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace seeds {

// True when `dir`/`name` now holds exactly `bytes`.
inline bool Save(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace seeds
