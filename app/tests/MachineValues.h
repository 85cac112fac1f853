// Values below HKEY_LOCAL_MACHINE as the window tests store and read them:
// raw bytes of any type, straight through the registry's own interface.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace machine {

inline std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
inline std::string Sz(const std::string& s) { return s + '\0'; }

// Stores the value, creating its key when missing; false when that fails.
inline bool Store(const char* key, const char* name, DWORD type, const std::string& data) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

// The value's type and bytes; REG_NONE and "<missing>" when there is none.
inline std::pair<DWORD, std::string> Load(const char* key, const char* name) {
    std::pair<DWORD, std::string> out{REG_NONE, "<missing>"};
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(k, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
            out = {type, data.substr(0, size)};
    }
    RegCloseKey(k);
    return out;
}

}  // namespace machine
