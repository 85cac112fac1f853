// A picture file opened for one load: what identifies its present contents
// (volume, file index, size, last-write time) and, when asked, the contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/PictureFormat.h"

namespace common {

// Two stamps are equal while the file is the same and has not been written.
struct FileStamp {
    std::uint32_t volume = 0, indexHigh = 0, indexLow = 0, sizeHigh = 0, sizeLow = 0;
    std::uint32_t writtenLow = 0, writtenHigh = 0;
    bool operator==(const FileStamp&) const = default;
};

class OpenedPictureFile {
public:
    // Opens the file for reading (others may still read and write it) and
    // takes its stamp; raises "不能打开文件 %s" with the path when either fails.
    OpenedPictureFile(const std::string& path, PictureFormat format);
    ~OpenedPictureFile();
    OpenedPictureFile(const OpenedPictureFile&) = delete;
    OpenedPictureFile& operator=(const OpenedPictureFile&) = delete;

    const FileStamp& Stamp() const { return stamp_; }

    // The whole contents, as far as the file reaches now (one that shrank
    // meanwhile gives what is there). A file larger than the loader reads
    // raises the kind's damaged message, one too large for the memory left
    // its out-of-memory message, a failed read "不能打开文件 %s".
    std::vector<std::uint8_t> ReadAll() const;

private:
    std::string path_;
    PictureFormat format_;
    void* handle_;  // the system's file handle
    FileStamp stamp_;
};

}  // namespace common
