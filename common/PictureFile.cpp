#include "common/PictureFile.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <type_traits>

namespace common {
namespace {

static_assert(std::is_same_v<HANDLE, void*>);

// Largest file read into memory (a 32 Mi-pixel 32-bpp bitmap is 128 MiB).
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{160} << 20;

}  // namespace

OpenedPictureFile::OpenedPictureFile(const std::string& path, PictureFormat format)
    : path_(path),
      format_(format),
      handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle_ == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle_, &info)) {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        RaiseCannotOpen(path_);
    }
    stamp_.volume = info.dwVolumeSerialNumber;
    stamp_.indexHigh = info.nFileIndexHigh;
    stamp_.indexLow = info.nFileIndexLow;
    stamp_.sizeHigh = info.nFileSizeHigh;
    stamp_.sizeLow = info.nFileSizeLow;
    stamp_.writtenLow = info.ftLastWriteTime.dwLowDateTime;
    stamp_.writtenHigh = info.ftLastWriteTime.dwHighDateTime;
}

OpenedPictureFile::~OpenedPictureFile() { CloseHandle(handle_); }

std::vector<std::uint8_t> OpenedPictureFile::ReadAll() const {
    const std::uint64_t size = (static_cast<std::uint64_t>(stamp_.sizeHigh) << 32) | stamp_.sizeLow;
    if (size > kMaxFileBytes) RaiseDamaged(format_);
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        RaiseNoMemory(format_);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(handle_, bytes.data() + done, want, &got, nullptr)) RaiseCannotOpen(path_);
        if (got == 0) break;  // the file shrank meanwhile: decode what is there
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace common
