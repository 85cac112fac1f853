// The desktop shortcut: the path helpers by table; a link written to this
// prefix's desktop and read back through the shell's link object; no file
// at all when the desktop directory is unknown.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "common/DesktopShortcut.h"
#include "framework/Errors.h"

namespace {

using common::CreateDesktopShortcut;
using common::DesktopDirectory;
using common::DirectoryOf;
using common::WithTrailingBackslash;

// "乗" in code page 936 ends in the byte of a backslash.
const std::string kTrail5C = "\x81\x5C";
const std::string kTitle = "Quelvo测试快捷方式";

TEST(ShortcutPaths, TrailingBackslashAndDirectory) {
    struct Case {
        std::string in, withBackslash, directory;
    };
    const Case cases[] = {
        {"C:\\Users\\me\\Desktop", "C:\\Users\\me\\Desktop\\", "C:\\Users\\me\\"},
        {"C:\\", "C:\\", "C:\\"},
        {"C:", "C:\\", "C:"},
        {"", "\\", ""},
        {"D:\\桌面", "D:\\桌面\\", "D:\\"},
        {"D:\\" + kTrail5C, "D:\\" + kTrail5C + "\\", "D:\\"},
        {"D:\\a" + kTrail5C + "b", "D:\\a" + kTrail5C + "b\\", "D:\\"},
        {"prog.exe", "prog.exe\\", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(WithTrailingBackslash(c.in), c.withBackslash);
        EXPECT_EQ(DirectoryOf(c.in), c.directory);
    }
}

class Shortcut : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

// What a link file holds, read through IShellLinkA.
struct LinkContents {
    std::string path, directory, arguments, description, icon;
    int iconIndex = -1, showCommand = 0;
    WORD hotKey = 1;
};

LinkContents ReadLink(const std::string& file) {
    LinkContents out;
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    if (!link) return out;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    std::wstring wide(MAX_PATH, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), MAX_PATH)));
    EXPECT_TRUE(persist && SUCCEEDED(persist->Load(wide.c_str(), STGM_READ)));
    char text[MAX_PATH * 2] = {};
    link->GetPath(text, sizeof text, nullptr, 0);
    out.path = text;
    text[0] = '\0';
    link->GetWorkingDirectory(text, sizeof text);
    out.directory = text;
    text[0] = '\0';
    link->GetArguments(text, sizeof text);
    out.arguments = text;
    text[0] = '\0';
    link->GetDescription(text, sizeof text);
    out.description = text;
    text[0] = '\0';
    link->GetIconLocation(text, sizeof text, &out.iconIndex);
    out.icon = text;
    link->GetShowCmd(&out.showCommand);
    link->GetHotkey(&out.hotKey);
    if (persist) persist->Release();
    link->Release();
    return out;
}

int FilesNamed(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

// Twice: the one file is written again.
TEST_F(Shortcut, WrittenToTheDesktopAndReadBack) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string desktop = DesktopDirectory();
    ASSERT_FALSE(desktop.empty());
    const std::string file = WithTrailingBackslash(desktop) + kTitle + ".lnk";
    DeleteFileA(file.c_str());
    CreateDesktopShortcut(program, kTitle);
    CreateDesktopShortcut(program, kTitle);
    EXPECT_EQ(FilesNamed(WithTrailingBackslash(desktop) + kTitle + "*"), 1);
    const LinkContents link = ReadLink(file);
    DeleteFileA(file.c_str());
    EXPECT_STRCASEEQ(link.path.c_str(), program);
    EXPECT_EQ(link.directory, DirectoryOf(program));
    EXPECT_EQ(link.directory.back(), '\\');
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.description, "");
    EXPECT_EQ(link.icon, "");
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
    EXPECT_EQ(link.hotKey, 0);
}

std::string NoDesktop() { return ""; }

TEST_F(Shortcut, UnknownDesktopWritesNothing) {
    char here[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, here);
    const std::string stray = WithTrailingBackslash(here) + kTitle + ".lnk";
    DeleteFileA(stray.c_str());
    try {
        CreateDesktopShortcut("C:\\Quelvo\\Quelvo.exe", kTitle, NoDesktop);
        ADD_FAILURE() << "no error";
    } catch (const fw::Error& e) {
        EXPECT_EQ(e.Message(), "找不到桌面文件夹，快捷方式没有创建");
    }
    EXPECT_EQ(GetFileAttributesA(stray.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((kTitle + ".lnk").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
