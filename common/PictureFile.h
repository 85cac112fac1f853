// A picture file opened for one load: what identifies its present contents
// (the path as given, the file's index, size, last-write time) and, when
// asked, the contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/JpegDecode.h"
#include "common/PictureFormat.h"

namespace common {

// Two stamps are equal while the file is the same and has not been written.
// The path stands for the volume (whose serial number costs the system far
// more to look up than the rest together); the same file under another path
// only gets a stamp of its own.
struct FileStamp {
    std::string path;
    std::uint32_t indexHigh = 0, indexLow = 0, sizeHigh = 0, sizeLow = 0;
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
    // The same into a buffer that is not zeroed before the file fills it.
    ByteBuffer ReadAllBytes() const;

    // The whole contents in place, without copying them: a view of the file
    // mapped into memory, for files on a fixed local disk (a mapped file
    // cannot be shortened meanwhile, and its pages cannot fail to load the
    // way a removable or network medium can). Otherwise, or when mapping
    // fails, the contents are read into the view's own buffer (ReadAllBytes).
    class Contents {
    public:
        Contents() = default;
        ~Contents();
        Contents(const Contents&) = delete;
        Contents& operator=(const Contents&) = delete;
        const std::uint8_t* Data() const { return view_ ? static_cast<const std::uint8_t*>(view_) : bytes_.data(); }
        std::size_t Size() const { return view_ ? viewSize_ : bytes_.size(); }
        bool Mapped() const { return view_ != nullptr; }

    private:
        friend class OpenedPictureFile;
        const void* view_ = nullptr;
        std::size_t viewSize_ = 0;
        ByteBuffer bytes_;
    };
    // Fills `contents` (empty before) as described above.
    void ReadContents(Contents& contents) const;

private:
    template <typename Buffer>
    Buffer Read() const;

    std::string path_;
    PictureFormat format_;
    void* handle_;  // the system's file handle
    FileStamp stamp_;
};

}  // namespace common
