#include "common/DesktopShortcut.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "framework/Errors.h"

namespace common {

namespace {

// The shell link object and the two interfaces it is used through.
constexpr GUID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Code page 936: bytes 0x81..0xFE open a double-byte character.
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The offset of the last single-byte character of `text` that is one of
// `delimiters`, or npos.
size_t LastDelimiter(const std::string& text, const char* delimiters) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        for (const char* d = delimiters; *d; ++d)
            if (text[i] == *d) found = i;
    }
    return found;
}

// Holds one interface reference and releases it.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    void** Out() { return reinterpret_cast<void**>(&p_); }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The system's text for a COM error code, without its line break and final
// full stop; "OLE error <code>" when the system has none.
std::string ComErrorText(HRESULT hr) {
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = n && buffer ? std::string(buffer, n) : std::string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "OLE error %.8x", static_cast<unsigned>(hr));
        text = code;
    }
    return text;
}

}  // namespace

std::string WithTrailingBackslash(const std::string& text) {
    if (!text.empty() && LastDelimiter(text, "\\") == text.size() - 1) return text;
    return text + "\\";
}

std::string DirectoryOf(const std::string& path) {
    const size_t at = LastDelimiter(path, "\\:");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string DesktopDirectory() {
    LPITEMIDLIST list = nullptr;
    char buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &list)) && list) {
        SHGetPathFromIDListA(list, buffer);
        CoTaskMemFree(list);
    }
    buffer[MAX_PATH] = '\0';
    return buffer;
}

void CreateDesktopShortcut(const std::string& programPath, const std::string& title,
                           std::string (*desktop)()) {
    ComRef<IUnknown> object;
    const HRESULT hr = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                        IID_IUnknown, object.Out());
    if (FAILED(hr) || !object) throw fw::ComError(ComErrorText(hr));
    ComRef<IShellLinkA> link;
    ComRef<IPersistFile> file;
    if (FAILED(object->QueryInterface(kShellLinkA, link.Out())) || !link ||
        FAILED(object->QueryInterface(kPersistFile, file.Out())) || !file)
        throw fw::ComError("接口不被支持");
    link->SetPath(programPath.c_str());
    link->SetWorkingDirectory(DirectoryOf(programPath).c_str());
    // Without a directory the name would be taken relative to the current
    // directory: nothing is written.
    const std::string directory = desktop();
    if (directory.empty()) throw fw::Error("找不到桌面文件夹，快捷方式没有创建");
    const std::string name = WithTrailingBackslash(directory) + title + ".lnk";
    const int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), n);
    file->Save(wide.c_str(), FALSE);
}

}  // namespace common
