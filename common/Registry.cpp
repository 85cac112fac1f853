#include "common/Registry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/Errors.h"

namespace common {
namespace {

constexpr char kCreateKeyFailed[] = "创建主键 %s 失败";
constexpr char kReadFailed[] = "从 '%s' 获得数据失败";
constexpr char kWriteFailed[] = "为 '%s' 设置数据时失败";
constexpr char kInvalidType[] = "'%s' 的数据类型是无效的";

// Rights asked for by KeyExists: STANDARD_RIGHTS_READ | KEY_QUERY_VALUE |
// KEY_ENUMERATE_SUB_KEYS.
constexpr REGSAM kKeyExistsAccess = 0x20009;

// How often a string read starts again when the value grew between asking
// for its size and reading it.
constexpr int kReadAttempts = 8;

[[noreturn]] void Raise(const char* pattern, const std::string& arg) {
    throw fw::RegistryError(fw::FormatMessage1(pattern, arg));
}

bool IsRelative(const std::string& path) { return path.empty() || path[0] != '\\'; }

std::string StripBackslash(const std::string& path) {
    return IsRelative(path) ? path : path.substr(1);
}

}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::CloseKey() noexcept {
    if (currentKey_ != nullptr) {
        RegCloseKey(currentKey_);
        currentKey_ = nullptr;
        currentPath_.clear();
    }
}

void TRegistry::SetRootKey(HKEY key) {
    if (key == rootKey_) return;
    CloseKey();
    rootKey_ = key;
}

HKEY TRegistry::BaseKey(bool relative) const noexcept {
    return (relative && currentKey_ != nullptr) ? currentKey_ : rootKey_;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    const bool relative = IsRelative(path);
    const std::string sub = StripBackslash(path);
    const HKEY base = BaseKey(relative);

    HKEY opened = nullptr;
    LONG rc;
    if (canCreate && !sub.empty()) {
        DWORD disposition = 0;
        rc = RegCreateKeyExA(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr,
                             &opened, &disposition);
    } else {
        rc = RegOpenKeyExA(base, sub.c_str(), 0, access_, &opened);
    }
    if (rc != ERROR_SUCCESS) return false;

    // Below the open key the new path is the old one, a backslash and the
    // path given; the backslash only joins two non-empty parts, so the
    // current path never starts or ends with one (a path opened below the
    // root's own handle, or an empty path below a key).
    std::string newPath = sub;
    if (relative && currentKey_ != nullptr && !currentPath_.empty())
        newPath = sub.empty() ? currentPath_ : currentPath_ + "\\" + sub;
    CloseKey();
    currentKey_ = opened;
    currentPath_ = std::move(newPath);
    return true;
}

bool TRegistry::CreateKey(const std::string& path) {
    const bool relative = IsRelative(path);
    const std::string sub = StripBackslash(path);
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG rc = RegCreateKeyExA(BaseKey(relative), sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &created, &disposition);
    if (rc != ERROR_SUCCESS) Raise(kCreateKeyFailed, path);
    RegCloseKey(created);
    return true;
}

bool TRegistry::KeyExists(const std::string& path) {
    // Opened with read rights only; the accessor's own access mask is not
    // touched.
    const bool relative = IsRelative(path);
    const std::string sub = StripBackslash(path);
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExA(BaseKey(relative), sub.c_str(), 0, kKeyExistsAccess, &opened);
    if (rc != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

bool TRegistry::ValueExists(const std::string& name) {
    if (currentKey_ == nullptr) return false;
    DWORD type = 0;
    DWORD size = 0;
    return RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (currentKey_ == nullptr) return false;
    return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::WriteData(const std::string& name, DWORD type, const BYTE* data, std::size_t size) {
    if (currentKey_ == nullptr || size > std::numeric_limits<DWORD>::max()) Raise(kWriteFailed, name);
    const LONG rc = RegSetValueExA(currentKey_, name.c_str(), 0, type, data, static_cast<DWORD>(size));
    if (rc != ERROR_SUCCESS) Raise(kWriteFailed, name);
}

void TRegistry::WriteString(const std::string& name, const std::string& text) {
    // c_str() supplies the terminating zero byte.
    WriteData(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), text.size() + 1);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const BYTE data[4] = {static_cast<BYTE>(u), static_cast<BYTE>(u >> 8), static_cast<BYTE>(u >> 16),
                          static_cast<BYTE>(u >> 24)};
    WriteData(name, REG_DWORD, data, sizeof data);
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

std::string TRegistry::ReadString(const std::string& name) {
    if (currentKey_ == nullptr) return {};  // no key: the size is unknown, reads as empty
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return {};

    // The value may change between asking for its size and reading it: the
    // buffer is always passed with its true size, and a grown value is read
    // again with the size the registry reports, a bounded number of times.
    std::vector<char> buffer;
    DWORD length = 0;
    LONG rc = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kReadAttempts && rc == ERROR_MORE_DATA; ++attempt) {
        buffer.assign(size, '\0');
        length = size;
        rc = RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                              &length);
        if (rc == ERROR_MORE_DATA) {
            // The required size, or (should none be reported) twice the last.
            if (length > size) {
                size = length;
            } else if (size <= std::numeric_limits<DWORD>::max() / 2) {
                size *= 2;
            } else {
                break;
            }
        }
    }
    if (rc != ERROR_SUCCESS) Raise(kReadFailed, name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) Raise(kInvalidType, name);

    // Only the bytes the read reports are data; the text ends at the first
    // zero byte or at the end of the data when it has no terminating zero.
    const std::size_t dataLength = std::min<std::size_t>(length, buffer.size());
    const char* begin = buffer.data();
    const void* zero = std::memchr(begin, '\0', dataLength);
    const std::size_t textLength = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - begin) : dataLength;
    return std::string(begin, textLength);
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
    if (currentKey_ == nullptr) Raise(kReadFailed, name);
    DWORD type = 0;
    BYTE data[4] = {0, 0, 0, 0};
    DWORD length = sizeof data;
    if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, data, &length) != ERROR_SUCCESS)
        Raise(kReadFailed, name);
    if (type != REG_DWORD) Raise(kInvalidType, name);
    // A REG_DWORD with fewer than four bytes of data holds no integer.
    if (length != sizeof data) Raise(kReadFailed, name);
    const std::uint32_t u = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                            (static_cast<std::uint32_t>(data[2]) << 16) |
                            (static_cast<std::uint32_t>(data[3]) << 24);
    return static_cast<std::int32_t>(u);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

}  // namespace common
