// Registry accessor against the real registry: every test works below its own
// scratch key HKEY_CURRENT_USER\Software\QuelvoTest\<unique>, created by the
// fixture and removed with everything below it afterwards.
#include "common/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "framework/Errors.h"

namespace common {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Deletes a key with everything below it.
bool DeleteTree(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char name[256];
        for (;;) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (!DeleteTree(key, std::string(name, length))) break;
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, path.c_str()) == ERROR_SUCCESS;
}

struct RawValue {
    LONG rc = ERROR_SUCCESS;
    DWORD type = 0;
    Bytes data;
};

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        unique_ = "t" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount()) + "_" +
                  std::to_string(++counter);
        path_ = "Software\\QuelvoTest\\" + unique_;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &scratch_, nullptr),
                  ERROR_SUCCESS);
    }

    void TearDown() override {
        if (scratch_) RegCloseKey(scratch_);
        DeleteTree(HKEY_CURRENT_USER, path_);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuelvoTest");  // only when empty
    }

    // Stores a value in the scratch key directly, bypassing the accessor.
    void RawSet(const std::string& name, DWORD type, const Bytes& data) {
        ASSERT_EQ(RegSetValueExA(scratch_, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    RawValue RawGet(const std::string& name, HKEY key = nullptr) {
        RawValue v;
        if (!key) key = scratch_;
        DWORD size = 0;
        v.rc = RegQueryValueExA(key, name.c_str(), nullptr, &v.type, nullptr, &size);
        if (v.rc != ERROR_SUCCESS) return v;
        v.data.assign(size + 16, 0xCC);
        size = static_cast<DWORD>(v.data.size());
        v.rc = RegQueryValueExA(key, name.c_str(), nullptr, &v.type, v.data.data(), &size);
        v.data.resize(v.rc == ERROR_SUCCESS ? size : 0);
        return v;
    }

    bool RawKeyExists(const std::string& path) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }

    DWORD SubKeyCount() {
        DWORD n = 0;
        EXPECT_EQ(RegQueryInfoKeyA(scratch_, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        return n;
    }

    // An accessor with the scratch key open.
    void OpenScratch(TRegistry& reg) { ASSERT_TRUE(reg.OpenKey("\\" + path_, false)); }

    std::string unique_;
    std::string path_;
    HKEY scratch_ = nullptr;
};

std::string ReadError(const std::string& name) { return "从 '" + name + "' 获得数据失败"; }
std::string WriteError(const std::string& name) { return "为 '" + name + "' 设置数据时失败"; }
std::string TypeError(const std::string& name) { return "'" + name + "' 的数据类型是无效的"; }
std::string CreateError(const std::string& path) { return "创建主键 " + path + " 失败"; }

// Runs the action and returns the message of the registry error it raises,
// or "<no error>".
template <typename F>
std::string ErrorOf(F&& action) {
    try {
        action();
    } catch (const fw::RegistryError& e) {
        return e.Message();
    }
    return "<no error>";
}

// ---------------------------------------------------------------- messages

TEST(RegistryMessages, AreCodePage936Bytes) {
    ASSERT_EQ(GetACP(), 936u) << "tests run with the Simplified Chinese ANSI code page";
    TRegistry reg;
    EXPECT_EQ(Hex(ErrorOf([&] { reg.ReadInteger("Key_Value"); })),
              "b4d32027" + Hex("Key_Value") + "2720bbf1b5c3cafdbeddcaa7b0dc");
    EXPECT_EQ(Hex(ErrorOf([&] { reg.WriteString("BarColor", "x"); })),
              "ceaa2027" + Hex("BarColor") + "2720c9e8d6c3cafdbeddcab1caa7b0dc");
    // The error box appends "." to every one of them (last byte above ".").
    EXPECT_EQ(fw::ErrorBoxText(ReadError("Key_Value")), ReadError("Key_Value") + ".");
}

// ---------------------------------------------------------------- fields

TEST_F(RegistryTest, NewAccessorHasDefaults) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(reg.Access(), static_cast<REGSAM>(0xF003F));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_TRUE(reg.LazyWrite());
}

TEST_F(RegistryTest, SetRootKeyReleasesTheKeyOnlyWhenTheRootChanges) {
    TRegistry reg;
    OpenScratch(reg);
    const HKEY open = reg.CurrentKey();
    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(reg.CurrentKey(), open);
    EXPECT_EQ(reg.CurrentPath(), path_);

    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_EQ(RegQueryInfoKeyA(open, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE)
        << "the old key handle was closed";
}

TEST_F(RegistryTest, DestructorClosesTheKey) {
    HKEY handle = nullptr;
    {
        TRegistry reg;
        OpenScratch(reg);
        handle = reg.CurrentKey();
        ASSERT_NE(handle, nullptr);
    }
    EXPECT_EQ(RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DestructorClosesTheKeyWhenAnErrorEndsTheHandler) {
    HKEY handle = nullptr;
    auto handler = [&] {
        TRegistry reg;
        reg.OpenKey("\\" + path_, false);
        handle = reg.CurrentKey();
        reg.ReadInteger("Key_Value");  // missing: raises
        handle = nullptr;              // not reached
    };
    EXPECT_EQ(ErrorOf(handler), ReadError("Key_Value"));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
}

// ---------------------------------------------------------------- paths

struct OpenStep {
    const char* path;  // "@" stands for the scratch path
    bool canCreate;
    bool result;
    const char* currentPath;  // after the step; "@" as above
};

std::string Expand(const std::string& pattern, const std::string& scratch) {
    std::string out;
    for (char c : pattern) {
        if (c == '@')
            out += scratch;
        else
            out += c;
    }
    return out;
}

struct OpenScenario {
    const char* name;
    std::vector<OpenStep> steps;
};

class RegistryOpenKey : public RegistryTest, public ::testing::WithParamInterface<OpenScenario> {};

TEST_P(RegistryOpenKey, GivesTheCurrentPath) {
    TRegistry reg;
    for (const auto& step : GetParam().steps) {
        const std::string path = Expand(step.path, path_);
        SCOPED_TRACE("open [" + path + "]");
        const HKEY before = reg.CurrentKey();
        const std::string pathBefore = reg.CurrentPath();
        EXPECT_EQ(reg.OpenKey(path, step.canCreate), step.result);
        EXPECT_EQ(reg.CurrentPath(), Expand(step.currentPath, path_));
        if (step.result) {
            EXPECT_NE(reg.CurrentKey(), nullptr);
        } else {
            EXPECT_EQ(reg.CurrentKey(), before) << "a failed open keeps the previous key";
            EXPECT_EQ(reg.CurrentPath(), pathBefore);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    RegistryPaths, RegistryOpenKey,
    ::testing::Values(
        OpenScenario{"SoftwareThenRelativeSubkey",
                     {{"SOFTWARE", false, true, "SOFTWARE"},
                      {"QuelvoTest", false, true, "SOFTWARE\\QuelvoTest"}}},
        OpenScenario{"RelativeChain",
                     {{"@", false, true, "@"},
                      {"A", true, true, "@\\A"},
                      {"B\\C", true, true, "@\\A\\B\\C"}}},
        OpenScenario{"AbsoluteFromAnyState",
                     {{"\\@", false, true, "@"},
                      {"A", true, true, "@\\A"},
                      {"\\@", false, true, "@"},
                      {"\\@\\A", false, true, "@\\A"},
                      {"\\@", false, true, "@"}}},
        OpenScenario{"RelativeWithNoKeyOpenIsFromRoot", {{"@", false, true, "@"}}},
        OpenScenario{"MissingKeyWithoutCreate",
                     {{"@\\Missing", false, false, ""},
                      {"@", false, true, "@"},
                      {"Missing", false, false, "@"},
                      {"Missing\\Deeper", false, false, "@"},
                      {"\\@\\Missing", false, false, "@"}}},
        OpenScenario{"EmptyPathOpensTheBaseKey",
                     {{"", true, true, ""}, {"@", false, true, "@"}, {"", true, true, "@"}, {"", false, true, "@"}}},
        OpenScenario{"RelativeBelowTheRootHandle",
                     {{"", false, true, ""}, {"Software", false, true, "Software"},
                      {"QuelvoTest", false, true, "Software\\QuelvoTest"}}},
        OpenScenario{"BackslashAloneOpensTheRoot",
                     {{"@", false, true, "@"}, {"\\", true, true, ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryTest, OpenKeyCreatesMissingKeysAlongThePath) {
    TRegistry reg;
    OpenScratch(reg);
    ASSERT_TRUE(reg.OpenKey("X\\Y\\Z", true));
    EXPECT_TRUE(RawKeyExists(path_ + "\\X\\Y\\Z"));
    EXPECT_EQ(reg.CurrentPath(), path_ + "\\X\\Y\\Z");
}

TEST_F(RegistryTest, OpenKeyWithCreateAndEmptyPathCreatesNothing) {
    TRegistry reg;
    OpenScratch(reg);
    ASSERT_TRUE(reg.OpenKey("", true));
    EXPECT_EQ(SubKeyCount(), 0u);
    // The key opened is the scratch key itself.
    reg.WriteInteger("Here", 7);
    EXPECT_EQ(RawGet("Here").data, (Bytes{7, 0, 0, 0}));
}

TEST_F(RegistryTest, OpenKeyUsesTheAccessMask) {
    TRegistry reg;
    reg.SetAccess(KEY_READ);
    OpenScratch(reg);
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("BarColor", 1); }), WriteError("BarColor"));
    EXPECT_EQ(RawGet("BarColor").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, CreateKeyLeavesTheCurrentKeyAlone) {
    TRegistry reg;
    OpenScratch(reg);
    const HKEY open = reg.CurrentKey();
    EXPECT_TRUE(reg.CreateKey("New\\Deep"));
    EXPECT_TRUE(reg.CreateKey("\\" + path_ + "\\Other"));
    EXPECT_EQ(reg.CurrentKey(), open);
    EXPECT_EQ(reg.CurrentPath(), path_);
    EXPECT_TRUE(RawKeyExists(path_ + "\\New\\Deep"));
    EXPECT_TRUE(RawKeyExists(path_ + "\\Other"));
}

TEST_F(RegistryTest, CreateKeyFailureNamesThePathAsPassed) {
    // A lasting key cannot be created below a volatile one.
    HKEY vol = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch_, "Vol", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &vol,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(vol);
    TRegistry reg;
    OpenScratch(reg);
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("Vol\\Sub"); }), CreateError("Vol\\Sub"));
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("\\" + path_ + "\\Vol\\Sub"); }),
              CreateError("\\" + path_ + "\\Vol\\Sub"));
    EXPECT_FALSE(RawKeyExists(path_ + "\\Vol\\Sub"));
    EXPECT_EQ(reg.CurrentPath(), path_);
    // Opening with creation fails silently the same way.
    EXPECT_FALSE(reg.OpenKey("Vol\\Sub", true));
    EXPECT_EQ(reg.CurrentPath(), path_);

    TRegistry bad;
    bad.SetRootKey(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x7FFF0000)));
    EXPECT_EQ(ErrorOf([&] { bad.CreateKey("\\Some\\Path"); }), CreateError("\\Some\\Path"));
}

TEST_F(RegistryTest, KeyExistsKeepsTheAccessMask) {
    struct Case {
        std::string path;
        bool exists;
    };
    ASSERT_TRUE(TRegistry().CreateKey("\\" + path_ + "\\Sub"));
    for (REGSAM mask : {static_cast<REGSAM>(KEY_ALL_ACCESS), static_cast<REGSAM>(KEY_WRITE)}) {
        TRegistry reg;
        reg.SetAccess(KEY_ALL_ACCESS);
        OpenScratch(reg);
        reg.SetAccess(mask);
        const std::vector<Case> cases = {{"Sub", true},
                                         {"Missing", false},
                                         {"\\" + path_, true},
                                         {"\\" + path_ + "\\Sub", true},
                                         {"\\" + path_ + "\\Missing", false},
                                         {path_, false}};  // relative to the open key
        for (const auto& c : cases) {
            SCOPED_TRACE(c.path);
            EXPECT_EQ(reg.KeyExists(c.path), c.exists);
            EXPECT_EQ(reg.Access(), mask);
            EXPECT_EQ(reg.CurrentPath(), path_);
        }
    }
    TRegistry fresh;
    EXPECT_TRUE(fresh.KeyExists(path_));
    EXPECT_FALSE(fresh.KeyExists(path_ + "\\Missing"));
    EXPECT_EQ(fresh.CurrentKey(), nullptr);
}

// ---------------------------------------------------------------- writes

struct WriteCase {
    const char* name;
    std::string text;  // for strings
    Bytes expected;
};

TEST_F(RegistryTest, WriteStringStoresTextAndOneZeroByteAsRegSz) {
    ASSERT_EQ(GetACP(), 936u);
    const std::vector<WriteCase> cases = {
        {"Empty", "", {0}},
        {"Plain", "abc", {'a', 'b', 'c', 0}},
        {"Path", "C:\\图片\\a.bmp", BytesOf(std::string("C:\\\xCD\xBC\xC6\xAC\\a.bmp") + '\0')},
        {"Gbk", "中文", {0xD6, 0xD0, 0xCE, 0xC4, 0}},
        {"Blanks", "  x  ", {' ', ' ', 'x', ' ', ' ', 0}},
    };
    TRegistry reg;
    OpenScratch(reg);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reg.WriteString(c.name, c.text);
        const auto raw = RawGet(c.name);
        ASSERT_EQ(raw.rc, ERROR_SUCCESS);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(raw.data, c.expected);
        EXPECT_EQ(reg.ReadString(c.name), c.text);
    }
}

TEST_F(RegistryTest, WriteIntegerAndBoolStoreFourLittleEndianBytes) {
    struct Case {
        const char* name;
        std::int32_t value;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"Zero", 0, {0, 0, 0, 0}},
        {"Small", 0x45, {0x45, 0, 0, 0}},
        {"Pattern", 0x12345678, {0x78, 0x56, 0x34, 0x12}},
        {"MinusOne", -1, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"Min", INT32_MIN, {0, 0, 0, 0x80}},
        {"Colour", static_cast<std::int32_t>(0x00C5D6D9), {0xD9, 0xD6, 0xC5, 0}},
    };
    TRegistry reg;
    OpenScratch(reg);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reg.WriteInteger(c.name, c.value);
        const auto raw = RawGet(c.name);
        ASSERT_EQ(raw.rc, ERROR_SUCCESS);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(raw.data, c.expected);
        EXPECT_EQ(reg.ReadInteger(c.name), c.value);
    }
    reg.WriteBool("True", true);
    reg.WriteBool("False", false);
    EXPECT_EQ(RawGet("True").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RawGet("True").data, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(RawGet("False").data, (Bytes{0, 0, 0, 0}));
    EXPECT_TRUE(reg.ReadBool("True"));
    EXPECT_FALSE(reg.ReadBool("False"));
    EXPECT_TRUE(reg.ReadBool("MinusOne"));
    EXPECT_TRUE(reg.ReadBool("Min"));
}

TEST_F(RegistryTest, WriteReplacesAValueOfAnotherType) {
    TRegistry reg;
    OpenScratch(reg);
    RawSet("V", REG_BINARY, {1, 2, 3, 4, 5, 6});
    reg.WriteInteger("V", 9);
    EXPECT_EQ(RawGet("V").type, static_cast<DWORD>(REG_DWORD));
    reg.WriteString("V", "s");
    EXPECT_EQ(RawGet("V").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RawGet("V").data, (Bytes{'s', 0}));
}

TEST_F(RegistryTest, ValueExistsAndDeleteValue) {
    TRegistry reg;
    OpenScratch(reg);
    EXPECT_FALSE(reg.ValueExists("V"));
    EXPECT_FALSE(reg.DeleteValue("V"));
    RawSet("V", REG_NONE, {});
    EXPECT_TRUE(reg.ValueExists("V"));
    EXPECT_TRUE(reg.DeleteValue("V"));
    EXPECT_FALSE(reg.ValueExists("V"));
    EXPECT_EQ(RawGet("V").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, WithNoKeyOpen) {
    TRegistry reg;
    EXPECT_EQ(reg.ReadString("ImagePath"), "");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Key_Value"); }), ReadError("Key_Value"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadBool("ImageCanSee"); }), ReadError("ImageCanSee"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("BarColor", "clRed"); }), WriteError("BarColor"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("Key_Value", 65); }), WriteError("Key_Value"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteBool("ImageCanSee", true); }), WriteError("ImageCanSee"));
    EXPECT_FALSE(reg.ValueExists("BarColor"));
    EXPECT_FALSE(reg.DeleteValue("BarColor"));
}

// ---------------------------------------------------------------- reads

TEST_F(RegistryTest, MissingValues) {
    TRegistry reg;
    OpenScratch(reg);
    EXPECT_EQ(ErrorOf([&] { EXPECT_EQ(reg.ReadString("ImagePath"), ""); }), "<no error>");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Key_Value"); }), ReadError("Key_Value"));
    EXPECT_EQ(ErrorOf([&] { reg.ReadBool("Key_Value"); }), ReadError("Key_Value"));
}

TEST_F(RegistryTest, StringReadOfDwordIsATypeError) {
    TRegistry reg;
    OpenScratch(reg);
    reg.WriteInteger("Key_Value", 65);
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("Key_Value"); }), TypeError("Key_Value"));
}

enum class Read { String, Integer, Bool };

struct ReadCase {
    const char* label;
    DWORD type;
    Bytes data;
    Read read;
    // Either a value (text for strings; integer for the others) or a message
    // kind: 'r' read error, 't' type error, 0 success.
    char error;
    std::string text;
    std::int32_t number;
};

Bytes Repeat(unsigned char c, std::size_t n, bool terminate) {
    Bytes b(n, c);
    if (terminate) b.push_back(0);
    return b;
}

const std::size_t kMegabyte = 1024 * 1024;

std::vector<ReadCase> ReadCases() {
    const Bytes dword{0x2A, 0, 0, 0};
    const Bytes qword{1, 0, 0, 0, 0, 0, 0, 0};
    std::vector<ReadCase> cases = {
        // String reads.
        {"SzAsString", REG_SZ, BytesOf(std::string("abc") + '\0'), Read::String, 0, "abc", 0},
        {"ExpandSzAsString", REG_EXPAND_SZ, BytesOf(std::string("%TEMP%\\x") + '\0'), Read::String, 0,
         "%TEMP%\\x", 0},
        {"SzUnterminated", REG_SZ, BytesOf("abc"), Read::String, 0, "abc", 0},
        {"SzEmbeddedZero", REG_SZ, BytesOf(std::string("ab\0cd", 5) + '\0'), Read::String, 0, "ab", 0},
        {"SzOnlyZero", REG_SZ, {0}, Read::String, 0, "", 0},
        {"DwordAsString", REG_DWORD, dword, Read::String, 't', "", 0},
        {"BinaryAsString", REG_BINARY, BytesOf("ab"), Read::String, 't', "", 0},
        {"MultiSzAsString", REG_MULTI_SZ, BytesOf(std::string("a\0b\0\0", 5)), Read::String, 't', "", 0},
        {"QwordAsString", REG_QWORD, qword, Read::String, 't', "", 0},
        {"NoneAsString", REG_NONE, BytesOf("xyz"), Read::String, 't', "", 0},
        // Size 0 reads as the empty text whatever the type.
        {"EmptySzAsString", REG_SZ, {}, Read::String, 0, "", 0},
        {"EmptyDwordAsString", REG_DWORD, {}, Read::String, 0, "", 0},
        {"EmptyBinaryAsString", REG_BINARY, {}, Read::String, 0, "", 0},
        {"EmptyNoneAsString", REG_NONE, {}, Read::String, 0, "", 0},
        // One megabyte.
        {"MegabyteSzAsString", REG_SZ, Repeat('q', kMegabyte, true), Read::String, 0,
         std::string(kMegabyte, 'q'), 0},
        {"MegabyteSzUnterminated", REG_SZ, Repeat('u', kMegabyte, false), Read::String, 0,
         std::string(kMegabyte, 'u'), 0},
        {"MegabyteBinaryAsString", REG_BINARY, Repeat('b', kMegabyte, false), Read::String, 't', "", 0},

        // Integer reads.
        {"DwordAsInteger", REG_DWORD, dword, Read::Integer, 0, "", 42},
        {"NegativeDword", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}, Read::Integer, 0, "", -2},
        {"ShortSzAsInteger", REG_SZ, BytesOf(std::string("1") + '\0'), Read::Integer, 't', "", 0},
        {"LongSzAsInteger", REG_SZ, BytesOf(std::string("123456789") + '\0'), Read::Integer, 'r', "", 0},
        {"ExpandSzAsInteger", REG_EXPAND_SZ, BytesOf(std::string("1") + '\0'), Read::Integer, 't', "", 0},
        {"BinaryFourAsInteger", REG_BINARY, {1, 0, 0, 0}, Read::Integer, 't', "", 0},
        {"BinaryLongAsInteger", REG_BINARY, {1, 2, 3, 4, 5}, Read::Integer, 'r', "", 0},
        {"MultiSzAsInteger", REG_MULTI_SZ, BytesOf(std::string("a\0\0", 3)), Read::Integer, 't', "", 0},
        {"QwordAsInteger", REG_QWORD, qword, Read::Integer, 'r', "", 0},
        {"NoneAsInteger", REG_NONE, {}, Read::Integer, 't', "", 0},
        {"BigEndianAsInteger", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}, Read::Integer, 't', "", 0},
        // A REG_DWORD with fewer than four bytes holds no integer.
        {"EmptyDwordAsInteger", REG_DWORD, {}, Read::Integer, 'r', "", 0},
        {"ShortDwordAsInteger", REG_DWORD, {0x34, 0x12}, Read::Integer, 'r', "", 0},
        {"MegabyteDwordAsInteger", REG_DWORD, Repeat(1, kMegabyte, false), Read::Integer, 'r', "", 0},
        {"MegabyteSzAsInteger", REG_SZ, Repeat('q', kMegabyte, true), Read::Integer, 'r', "", 0},

        // Bool reads follow the integer read.
        {"DwordAsBool", REG_DWORD, dword, Read::Bool, 0, "", 1},
        {"ZeroDwordAsBool", REG_DWORD, {0, 0, 0, 0}, Read::Bool, 0, "", 0},
        {"HighByteDwordAsBool", REG_DWORD, {0, 0, 0, 0x80}, Read::Bool, 0, "", 1},
        {"SzAsBool", REG_SZ, BytesOf(std::string("1") + '\0'), Read::Bool, 't', "", 0},
        {"QwordAsBool", REG_QWORD, qword, Read::Bool, 'r', "", 0},
        {"EmptyDwordAsBool", REG_DWORD, {}, Read::Bool, 'r', "", 0},
        {"NoneAsBool", REG_NONE, {}, Read::Bool, 't', "", 0},
    };
    return cases;
}

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }
void PrintTo(const OpenScenario& c, std::ostream* os) { *os << c.name; }

class RegistryValueRead : public RegistryTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(RegistryValueRead, SucceedsOrRaisesItsMessage) {
    const auto& c = GetParam();
    const std::string name = "Value";
    RawSet(name, c.type, c.data);
    TRegistry reg;
    OpenScratch(reg);
    std::string text;
    std::int32_t number = 0;
    const std::string message = ErrorOf([&] {
        switch (c.read) {
            case Read::String: text = reg.ReadString(name); break;
            case Read::Integer: number = reg.ReadInteger(name); break;
            case Read::Bool: number = reg.ReadBool(name) ? 1 : 0; break;
        }
    });
    switch (c.error) {
        case 'r': EXPECT_EQ(message, ReadError(name)); break;
        case 't': EXPECT_EQ(message, TypeError(name)); break;
        default:
            ASSERT_EQ(message, "<no error>");
            if (c.read == Read::String) {
                EXPECT_EQ(text.size(), c.text.size());
                EXPECT_TRUE(text == c.text);
            } else {
                EXPECT_EQ(number, c.number);
            }
    }
}

INSTANTIATE_TEST_SUITE_P(RegistryTypes, RegistryValueRead, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryTest, StringThatChangesSizeWhileBeingReadIsNeverOverrun) {
    // Another thread keeps switching the value between a short and a long
    // text; every read gives one of the two texts whole.
    const std::string shortText = "s";
    const std::string longText(64 * 1024, 'L');
    std::atomic<bool> stop{false};
    const std::string name = "Changing";
    RawSet(name, REG_SZ, BytesOf(shortText + '\0'));
    std::thread writer([&] {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        bool flip = false;
        while (!stop.load()) {
            const std::string& t = flip ? longText : shortText;
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                           static_cast<DWORD>(t.size() + 1));
            flip = !flip;
        }
        RegCloseKey(key);
    });
    TRegistry reg;
    OpenScratch(reg);
    int longReads = 0, shortReads = 0, failures = 0;
    for (int i = 0; i < 3000; ++i) {
        try {
            const std::string t = reg.ReadString(name);
            if (t == longText)
                ++longReads;
            else if (t == shortText)
                ++shortReads;
            else
                ADD_FAILURE() << "torn read of " << t.size() << " bytes";
        } catch (const fw::RegistryError& e) {
            EXPECT_EQ(e.Message(), ReadError(name));
            ++failures;
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(longReads + shortReads, 3000);
    // A value that grew after its size was asked is read again with the size
    // the registry reports, which holds the longest text: no read fails.
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace common
