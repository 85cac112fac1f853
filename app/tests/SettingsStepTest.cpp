// The main window's settings step against the real registry: first-run
// defaults, and what each stored state applies or reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "app/tests/MachineValues.h"
#include "app/tests/QuelvoTestApp.h"
#include "framework/Application.h"

namespace {

const char kKey[] = "SOFTWARE\\Keltrin工作室";

struct Value {
    const char* name;
    DWORD type;
    std::string data;  // raw bytes
};

using machine::Dword;
using machine::Sz;

void DeleteSettingsKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }

void WriteSettings(const std::vector<Value>& values) {
    DeleteSettingsKey();
    for (const Value& v : values) ASSERT_TRUE(machine::Store(kKey, v.name, v.type, v.data)) << v.name;
}

struct Stored {
    std::string name;
    DWORD type;
    std::string data;
};

std::vector<Stored> ReadSettings() {
    std::vector<Stored> out;
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[512];
        DWORD nameLen = sizeof name, dataLen = sizeof data, type = 0;
        if (RegEnumValueA(k, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        out.push_back({std::string(name, nameLen), type, std::string(reinterpret_cast<char*>(data), dataLen)});
    }
    RegCloseKey(k);
    return out;
}

struct Case {
    const char* what;
    bool keyExists;
    std::vector<Value> stored;
    std::string error;  // the error box's text, or empty
    bool pictureShown;
    fw::Color frame;
    int hotKey;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

const Value kShowNone{"ImageCanSee", REG_DWORD, Dword(0)};
const Value kNoPath{"ImagePath", REG_SZ, Sz("")};
const Value kKeyB{"Key_Value", REG_DWORD, Dword(66)};
Value Bar(const char* text) { return {"BarColor", REG_SZ, Sz(text)}; }

const Case kCases[] = {
    {"first run writes the defaults", false, {}, "", false, fw::clBackground, 0},
    {"red frame and Ctrl+B", true, {kShowNone, kNoPath, Bar("clRed"), kKeyB}, "", false, fw::clRed, 66},
    {"hexadecimal frame", true, {kShowNone, kNoPath, Bar("$00FF8000"), kKeyB}, "", false, 0xFF8000, 66},
    {"colour names ignore case", true, {kShowNone, kNoPath, Bar("CLBLUE"), kKeyB}, "", false, fw::clBlue, 66},
    {"missing ImageCanSee stops the step", true, {kNoPath, Bar("clRed"), kKeyB},
     "从 'ImageCanSee' 获得数据失败.", false, fw::clBackground, 0},
    {"ImageCanSee of another type", true, {{"ImageCanSee", REG_SZ, Sz("1")}, Bar("clRed"), kKeyB},
     "'ImageCanSee' 的数据类型是无效的.", false, fw::clBackground, 0},
    {"missing Key_Value registers no hot key", true, {kShowNone, kNoPath, Bar("clRed")},
     "从 'Key_Value' 获得数据失败.", false, fw::clRed, 0},
    {"empty colour", true, {kShowNone, kNoPath, Bar(""), kKeyB}, "'' 不是一个有效的整形值.", false,
     fw::clBackground, 0},
    {"missing colour reads as empty", true, {kShowNone, kNoPath, kKeyB}, "'' 不是一个有效的整形值.",
     false, fw::clBackground, 0},
    {"picture shown with an empty path", true,
     {{"ImageCanSee", REG_DWORD, Dword(1)}, kNoPath, Bar("clRed"), kKeyB},
     "未知的图象文件扩展名 (.)", true, fw::clBackground, 0},  // ")" sorts before ".": no dot
};

class SettingsStepTest : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() {
        StartTestApp(boxes);
        Form1 = fw::App().CreateForm<TForm1>();
    }
    void SetUp() override {
        boxes.clear();
        HotKeyCode = 0;
        Form1->Image1.SetVisible(false);
        for (TFlatTitlebar* bar : Form1->FrameBars) bar->SetTitlebarColor(fw::clBackground);
    }
    void TearDown() override {
        UnregisterHotKey(Form1->Handle(), HotKeyId);
        DeleteSettingsKey();  // the next start is a first run again
    }
    static std::vector<std::string> boxes;
};
std::vector<std::string> SettingsStepTest::boxes;

TEST_P(SettingsStepTest, AppliesOrReportsWhatTheKeyHolds) {
    const Case& c = GetParam();
    if (c.keyExists) WriteSettings(c.stored);
    else DeleteSettingsKey();
    fw::Guarded([] { Form1->ApplySettings(); });

    EXPECT_EQ(boxes, c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error});
    EXPECT_EQ(Form1->Image1.Visible(), c.pictureShown);
    for (TFlatTitlebar* bar : Form1->FrameBars) EXPECT_EQ(bar->TitlebarColor(), c.frame) << bar->name;
    EXPECT_EQ(HotKeyCode, c.hotKey);
    // A registered hot key holds its combination: registering it again fails.
    const bool held = !RegisterHotKey(nullptr, 0x7777, MOD_CONTROL, 'B');
    if (!held) UnregisterHotKey(nullptr, 0x7777);
    EXPECT_EQ(held, c.hotKey == 66);
    if (!c.keyExists) {
        // The registry lists values by name, whatever order they were written in.
        const auto values = ReadSettings();
        ASSERT_EQ(values.size(), 4u);
        const Value expected[] = {{"BarColor", REG_SZ, Sz("clBackground")}, {"ImageCanSee", REG_DWORD, Dword(0)},
                                  {"ImagePath", REG_SZ, Sz("")}, {"Key_Value", REG_DWORD, Dword(65)}};
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(values[i].name, expected[i].name);
            EXPECT_EQ(values[i].type, expected[i].type) << expected[i].name;
            EXPECT_EQ(values[i].data, expected[i].data) << expected[i].name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(States, SettingsStepTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::to_string(i.index); });

}  // namespace
