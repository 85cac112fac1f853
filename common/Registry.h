// Registry accessor: one open key at a time below a root key, typed value
// reads and writes through the ANSI registry functions, and registry errors
// with the program's messages.
//
// An accessor lives for one event handler: create it, set the root key, open
// a key by path, read or write values there, and let it go out of scope; the
// destructor releases the open key, also when an error ends the handler.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace common {

class TRegistry {
public:
    // Root HKEY_CURRENT_USER, access KEY_ALL_ACCESS, no key open.
    TRegistry() = default;
    ~TRegistry();

    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const noexcept { return rootKey_; }
    REGSAM Access() const noexcept { return access_; }
    HKEY CurrentKey() const noexcept { return currentKey_; }
    // Path of the open key below the root, without a leading backslash.
    const std::string& CurrentPath() const noexcept { return currentPath_; }
    bool LazyWrite() const noexcept { return true; }

    // A different root releases the open key (the current path becomes empty).
    void SetRootKey(HKEY key);
    // Rights asked for when opening or creating keys.
    void SetAccess(REGSAM access) noexcept { access_ = access; }

    // Paths: relative unless they begin with a backslash, which is removed.
    // A relative path is taken below the open key, when one is open;
    // otherwise paths are taken below the root key.

    // Opens the key (creating missing keys when canCreate and the path is not
    // empty) and makes it current. On failure nothing changes and false is
    // returned; no error is raised.
    bool OpenKey(const std::string& path, bool canCreate);
    // Creates the key (and missing keys on its path) without opening it;
    // raises "创建主键 <path> 失败" on failure.
    bool CreateKey(const std::string& path);
    // Whether the key can be opened for reading.
    bool KeyExists(const std::string& path);
    // Releases the open key, if any.
    void CloseKey() noexcept;

    // Value operations act on the open key.
    bool ValueExists(const std::string& name);
    bool DeleteValue(const std::string& name);

    // REG_SZ: the text's bytes and one terminating zero byte.
    void WriteString(const std::string& name, const std::string& text);
    // REG_DWORD: four bytes, little-endian.
    void WriteInteger(const std::string& name, std::int32_t value);
    // WriteInteger with 1 or 0.
    void WriteBool(const std::string& name, bool value);

    // A missing or empty value reads as the empty text; a value that is not
    // REG_SZ or REG_EXPAND_SZ raises the data-type error. The text ends at
    // its first zero byte or at the end of the data.
    std::string ReadString(const std::string& name);
    // A REG_DWORD of four bytes. A missing value or longer data raise the
    // read error; another type raises the data-type error.
    std::int32_t ReadInteger(const std::string& name);
    // ReadInteger(name) != 0.
    bool ReadBool(const std::string& name);

private:
    HKEY BaseKey(bool relative) const noexcept;
    void WriteData(const std::string& name, DWORD type, const BYTE* data, std::size_t size);

    HKEY rootKey_ = HKEY_CURRENT_USER;
    REGSAM access_ = KEY_ALL_ACCESS;
    HKEY currentKey_ = nullptr;
    std::string currentPath_;
};

// An accessor on HKEY_LOCAL_MACHINE with one key opened (created when
// missing), for one step or one handler.
struct MachineKey {
    TRegistry reg;
    explicit MachineKey(const std::string& path) {
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        reg.OpenKey(path, true);
    }
};

}  // namespace common
