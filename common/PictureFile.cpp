#include "common/PictureFile.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <type_traits>

#include "common/PictureChecks.h"

namespace common {
namespace {

static_assert(std::is_same_v<HANDLE, void*>);

// One of the system's own queries of an open file or its volume (both take
// the same arguments), looked up once by name; false when it is missing or fails.
class FileQuery {
public:
    explicit FileQuery(const char* name) {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        if (ntdll) query_ = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
    }
    bool operator()(HANDLE file, void* answer, ULONG size, int what) const {
        StatusBlock status{};
        return query_ != nullptr && query_(file, &status, answer, size, what) >= 0;
    }

private:
    struct StatusBlock {
        LONG status;
        ULONG_PTR information;
    };
    using Query = LONG(WINAPI*)(HANDLE, StatusBlock*, void*, ULONG, int);
    Query query_ = nullptr;
};

// The file's index on its volume by the system's own query, which unlike
// GetFileInformationByHandle does not look up the volume's serial number.
bool QueryFileIndex(HANDLE file, std::uint32_t& high, std::uint32_t& low) {
    static const FileQuery query("NtQueryInformationFile");
    constexpr int kFileInternalInformation = 6;
    LARGE_INTEGER index{};
    if (!query(file, &index, sizeof index, kFileInternalInformation)) return false;
    high = static_cast<std::uint32_t>(index.HighPart);
    low = index.LowPart;
    return true;
}

}  // namespace

OpenedPictureFile::OpenedPictureFile(const std::string& path, PictureFormat format)
    : path_(path),
      format_(format),
      handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (handle_ == INVALID_HANDLE_VALUE) RaiseCannotOpen(path_);
    LARGE_INTEGER size{};
    FILETIME written{};
    bool ok = GetFileSizeEx(handle_, &size) && GetFileTime(handle_, nullptr, nullptr, &written) &&
              QueryFileIndex(handle_, stamp_.indexHigh, stamp_.indexLow);
    if (!ok) {
        BY_HANDLE_FILE_INFORMATION info{};
        ok = GetFileInformationByHandle(handle_, &info);
        stamp_.indexHigh = info.nFileIndexHigh;
        stamp_.indexLow = info.nFileIndexLow;
        size.HighPart = static_cast<LONG>(info.nFileSizeHigh);
        size.LowPart = info.nFileSizeLow;
        written = info.ftLastWriteTime;
    }
    if (!ok) {
        CloseHandle(handle_);
        RaiseCannotOpen(path_);
    }
    stamp_.path = path;
    stamp_.sizeHigh = static_cast<std::uint32_t>(size.HighPart);
    stamp_.sizeLow = size.LowPart;
    stamp_.writtenLow = written.dwLowDateTime;
    stamp_.writtenHigh = written.dwHighDateTime;
}

OpenedPictureFile::~OpenedPictureFile() { CloseHandle(handle_); }

template <typename Buffer>
Buffer OpenedPictureFile::Read() const {
    const std::uint64_t size = (static_cast<std::uint64_t>(stamp_.sizeHigh) << 32) | stamp_.sizeLow;
    CheckPictureFileSize(size, format_);
    Buffer bytes;
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

std::vector<std::uint8_t> OpenedPictureFile::ReadAll() const { return Read<std::vector<std::uint8_t>>(); }

ByteBuffer OpenedPictureFile::ReadAllBytes() const { return Read<ByteBuffer>(); }

OpenedPictureFile::Contents::~Contents() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
}

namespace {

// Whether the open file lies on a fixed local disk, asked of the file's own
// volume in one query (looking the drive up by its letter costs the system
// a dozen round trips to its server under Wine).
bool OnFixedDisk(HANDLE file) {
    struct DeviceInformation {
        ULONG deviceType;
        ULONG characteristics;
    };
    static const FileQuery query("NtQueryVolumeInformationFile");
    constexpr int kFileFsDeviceInformation = 4;
    // FILE_DEVICE_DISK, and FILE_DEVICE_DISK_FILE_SYSTEM as some systems name it.
    constexpr ULONG kDiskDevice = 0x07, kDiskFileSystem = 0x08;
    // Removable media, floppy, write-once, remote, virtual and portable devices.
    constexpr ULONG kNotFixed = 0x01 | 0x04 | 0x08 | 0x10 | 0x40 | 0x4000;
    DeviceInformation device{};
    if (!query(file, &device, sizeof device, kFileFsDeviceInformation)) return false;
    return (device.deviceType == kDiskDevice || device.deviceType == kDiskFileSystem) &&
           (device.characteristics & kNotFixed) == 0;
}

}  // namespace

void OpenedPictureFile::ReadContents(Contents& contents) const {
    const std::uint64_t size = (static_cast<std::uint64_t>(stamp_.sizeHigh) << 32) | stamp_.sizeLow;
    CheckPictureFileSize(size, format_);
    if (size > 0 && OnFixedDisk(handle_)) {
        HANDLE mapping = CreateFileMappingA(handle_, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping != nullptr) {
            const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
            CloseHandle(mapping);  // the view keeps the mapping alive
            MEMORY_BASIC_INFORMATION info{};
            if (view != nullptr && VirtualQuery(view, &info, sizeof info) != 0 && info.RegionSize >= size) {
                contents.view_ = view;
                contents.viewSize_ = static_cast<std::size_t>(size);
                return;
            }
            if (view != nullptr) UnmapViewOfFile(view);
        }
    }
    contents.bytes_ = ReadAllBytes();
}

}  // namespace common
