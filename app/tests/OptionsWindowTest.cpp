// The options window against the real registry: what loading shows and
// rewrites for each stored state, what each switch and list writes, and a
// bad-data table of every value the window reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/tests/MachineValues.h"
#include "app/tests/QuelvoTestApp.h"
#include "framework/Application.h"
#include "framework/Errors.h"

namespace {

// The keys the window reads and writes, below HKEY_LOCAL_MACHINE.
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kWinlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const char kCdRom[] = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";
const char kExplorer[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";
const char kCdfs[] = "SYSTEM\\CurrentControlSet\\Control\\FileSystem\\CDFS";
const char kSettings[] = "SOFTWARE\\Keltrin工作室";
const char* const kKeys[] = {kRun, kWinlogon, kCdRom, kExplorer, kCdfs, kSettings};

struct Value {
    const char* key;
    const char* name;
    DWORD type;
    std::string data;
};

using machine::Dword;
using machine::Sz;

void Set(const Value& v) { ASSERT_TRUE(machine::Store(v.key, v.name, v.type, v.data)) << v.name; }

// Every value of the window's keys (the Winlogon key holds the system's own
// values too: only ours are cleared).
std::map<std::string, std::pair<DWORD, std::string>> Snapshot() {
    std::map<std::string, std::pair<DWORD, std::string>> out;
    std::vector<BYTE> data(2 << 20);
    for (const char* key : kKeys) {
        HKEY k;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) continue;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD nameLen = sizeof name, dataLen = static_cast<DWORD>(data.size()), type = 0;
            if (RegEnumValueA(k, i, name, &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) break;
            std::string id = std::string(key) + "\\" + name;
            CharUpperA(id.data());
            out[id] = {type, std::string(reinterpret_cast<char*>(data.data()), dataLen)};
        }
        RegCloseKey(k);
    }
    return out;
}

std::pair<DWORD, std::string> Read(const char* key, const char* name) {
    std::string id = std::string(key) + "\\" + name;
    CharUpperA(id.data());
    auto all = Snapshot();
    auto it = all.find(id);
    return it == all.end() ? std::pair<DWORD, std::string>{REG_NONE, "<missing>"} : it->second;
}

void ClearAll() {
    const std::pair<const char*, const char*> ours[] = {
        {kRun, "Palomir1.0版"}, {kWinlogon, "AllocateCDRoms"}, {kCdRom, "AutoRun"},
        {kExplorer, "NoDriveTypeAutoRun"}, {kCdfs, "PREFETCH"}, {kCdfs, "CACHESIZE"}};
    for (auto [key, name] : ours) {
        HKEY k;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) continue;
        RegDeleteValueA(k, name);
        RegCloseKey(k);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettings);
}

const Value kPicturesOff{kSettings, "ImageCanSee", REG_DWORD, Dword(0)};
const Value kRedFrame{kSettings, "BarColor", REG_SZ, Sz("clRed")};

class OptionsWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartTestApp(boxes);
        ClearAll();
        Form1 = fw::App().CreateForm<TForm1>();
    }
    static void TearDownTestSuite() { ClearAll(); }
    void SetUp() override {
        ClearAll();
        boxes.clear();
    }
    void TearDown() override {
        window.reset();
        ClearAll();
    }
    TForm2& Load(const std::vector<Value>& stored) {
        for (const Value& v : stored) Set(v);
        boxes.clear();
        window = std::make_unique<TForm2>();
        window->Create();
        return *window;
    }
    std::unique_ptr<TForm2> window;
    static std::vector<std::string> boxes;
};
std::vector<std::string> OptionsWindowTest::boxes;

// ---------------------------------------------------------------- loading

struct LoadCase {
    const char* what;
    std::vector<Value> stored;
    bool autostart, autoPlayOff, autoRunOff;
    int access, speed, cache;
    bool notice;
    std::vector<Value> rewritten;  // values loading writes again
    std::string error;
};

const std::string kExe = "C:\\Quelvo\\Quelvo.exe";

const LoadCase kLoads[] = {
    {"nothing stored", {}, false, false, false, -1, -1, -1, false, {}, ""},
    {"access \"1\", the fastest class, a middle cache, a policy mask",
     {{kWinlogon, "AllocateCDRoms", REG_SZ, Sz("1")}, {kCdfs, "PREFETCH", REG_DWORD, Dword(2165)},
      {kCdfs, "CACHESIZE", REG_DWORD, Dword(1238)}, {kExplorer, "NoDriveTypeAutoRun", REG_DWORD, Dword(0x95)}},
     false, false, false, 0, 7, 1, false, {}, ""},
    {"access \"0\", an unknown class and cache, policy 1 and AutoPlay off",
     {{kWinlogon, "AllocateCDRoms", REG_SZ, Sz("0")}, {kCdfs, "PREFETCH", REG_DWORD, Dword(2166)},
      {kCdfs, "CACHESIZE", REG_DWORD, Dword(1000)}, {kExplorer, "NoDriveTypeAutoRun", REG_DWORD, Dword(1)},
      {kCdRom, "AutoRun", REG_DWORD, Dword(0)}},
     false, true, true, 1, -1, -1, true,
     {{kExplorer, "NoDriveTypeAutoRun", REG_DWORD, Dword(1)}, {kCdRom, "AutoRun", REG_DWORD, Dword(0)}}, ""},
    {"access \"2\"", {{kWinlogon, "AllocateCDRoms", REG_SZ, Sz("2")}}, false, false, false, 1, -1, -1, false, {},
     ""},
    {"access empty", {{kWinlogon, "AllocateCDRoms", REG_SZ, Sz("")}}, false, false, false, 1, -1, -1, false, {},
     ""},
    {"autostart pointing elsewhere is rewritten",
     {{kRun, "Palomir1.0版", REG_SZ, Sz("D:\\Old\\Other.exe")}, {kCdRom, "AutoRun", REG_DWORD, Dword(1)}},
     true, false, false, -1, -1, -1, false, {{kRun, "Palomir1.0版", REG_SZ, Sz(kExe)}}, ""},
    {"a policy stored as text ends loading there",
     {{kExplorer, "NoDriveTypeAutoRun", REG_SZ, Sz("1")}, {kCdfs, "PREFETCH", REG_DWORD, Dword(896)}},
     false, false, false, -1, -1, -1, false, {}, "'NoDriveTypeAutoRun' 的数据类型是无效的."},
};

TEST_F(OptionsWindowTest, LoadingShowsAndRewritesWhatIsStored) {
    ExePath = kExe;
    for (const LoadCase& c : kLoads) {
        SCOPED_TRACE(c.what);
        ClearAll();
        TForm2& f = Load(c.stored);
        EXPECT_EQ(boxes, c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error});
        EXPECT_EQ(f.FlatCheckBox1.Checked(), c.autostart);
        EXPECT_EQ(f.FlatCheckBox2.Checked(), c.autoPlayOff);
        EXPECT_EQ(f.FlatCheckBox3.Checked(), c.autoRunOff);
        EXPECT_EQ(f.FlatComboBox4.ItemIndex(), c.access);
        EXPECT_EQ(f.FlatComboBox2.ItemIndex(), c.speed);
        EXPECT_EQ(f.FlatComboBox3.ItemIndex(), c.cache);
        EXPECT_EQ(f.FlatComboBox1.ItemIndex(), -1);
        EXPECT_EQ(f.Label6.Visible(), c.notice);
        EXPECT_EQ(f.PageControl1.ActivePage(), &f.TabSheet4);
        for (const Value& v : c.rewritten) EXPECT_EQ(Read(v.key, v.name), std::make_pair(v.type, v.data)) << v.name;
        window.reset();
    }
}

TEST_F(OptionsWindowTest, PicturesAndFrameOnlyWithImageCanSee) {
    TForm2& without = Load({kRedFrame});
    EXPECT_TRUE(boxes.empty());
    for (TFlatTitlebar* bar : without.FrameBars) EXPECT_EQ(bar->TitlebarColor(), fw::clBackground);
    window.reset();
    TForm2& with = Load({kPicturesOff, kRedFrame});
    for (TFlatTitlebar* bar : with.FrameBars) EXPECT_EQ(bar->TitlebarColor(), fw::clRed);
    for (fw::Image* image : with.Pictures) EXPECT_FALSE(image->Visible());
}

// ---------------------------------------------------------------- switches and lists

TEST_F(OptionsWindowTest, EachChangeWritesItsValue) {
    ExePath = "C:\\Program Files\\Quelvo\\Quelvo.exe";
    TForm2& f = Load({kPicturesOff, kRedFrame});
    struct Step {
        const char* what;
        std::function<void()> act;
        Value expected;  // type REG_NONE: the value is gone
        bool notice;
    };
    auto pick = [](TFlatComboBox& list, int i, bool change) {
        list.SetItemIndex(i);
        if (list.OnClick) list.OnClick();
        if (change && list.OnChange) list.OnChange();
    };
    const Step steps[] = {
        {"autostart on, the path quoted for its blank", [&] { f.FlatCheckBox1.SetChecked(true); },
         {kRun, "Palomir1.0版", REG_SZ, Sz("\"C:\\Program Files\\Quelvo\\Quelvo.exe\"")}, false},
        {"autostart off", [&] { f.FlatCheckBox1.SetChecked(false); }, {kRun, "Palomir1.0版", REG_NONE, "<missing>"},
         false},
        {"access for local users", [&] { pick(f.FlatComboBox4, 0, false); },
         {kWinlogon, "allocatecdroms", REG_SZ, Sz("1")}, false},
        {"access for domain administrators", [&] { pick(f.FlatComboBox4, 1, false); },
         {kWinlogon, "allocatecdroms", REG_SZ, Sz("0")}, false},
        {"16x read-ahead", [&] { pick(f.FlatComboBox2, 2, false); }, {kCdfs, "PREFETCH", REG_DWORD, Dword(896)},
         false},
        {"48x read-ahead", [&] { pick(f.FlatComboBox2, 7, false); }, {kCdfs, "PREFETCH", REG_DWORD, Dword(2165)},
         false},
        {"largest cache", [&] { pick(f.FlatComboBox3, 2, false); }, {kCdfs, "CACHESIZE", REG_DWORD, Dword(2476)},
         false},
        {"system cache", [&] { pick(f.FlatComboBox3, 0, false); }, {kCdfs, "CACHESIZE", REG_DWORD, Dword(619)},
         false},
        {"letter Z", [&] { pick(f.FlatComboBox1, 25, true); }, {kSettings, "Key_Value", REG_DWORD, Dword(90)},
         false},
        {"AutoPlay off", [&] { f.FlatCheckBox2.SetChecked(true); }, {kCdRom, "AutoRun", REG_DWORD, Dword(0)}, true},
        {"AutoPlay on", [&] { f.FlatCheckBox2.SetChecked(false); }, {kCdRom, "AutoRun", REG_DWORD, Dword(1)}, true},
        {"AutoRun off", [&] { f.FlatCheckBox3.SetChecked(true); },
         {kExplorer, "NoDriveTypeAutoRun", REG_DWORD, Dword(1)}, true},
        {"AutoRun on", [&] { f.FlatCheckBox3.SetChecked(false); },
         {kExplorer, "NoDriveTypeAutoRun", REG_DWORD, Dword(0)}, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_TRUE(boxes.empty()) << boxes.front();
        EXPECT_EQ(Read(s.expected.key, s.expected.name), std::make_pair(s.expected.type, s.expected.data));
        EXPECT_EQ(f.Label6.Visible(), s.notice);
    }
    EXPECT_EQ(HotKeyCode, 90);
    // Only the letter chosen last holds its combination.
    pick(f.FlatComboBox1, 1, true);
    const bool zFree = RegisterHotKey(nullptr, 0x7777, MOD_CONTROL, 'Z') != FALSE;
    if (zFree) UnregisterHotKey(nullptr, 0x7777);
    EXPECT_TRUE(zFree);
    EXPECT_FALSE(RegisterHotKey(nullptr, 0x7778, MOD_CONTROL, 'B'));
    UnregisterHotKey(Form1->Handle(), HotKeyId);
}

TEST_F(OptionsWindowTest, AutostartDataQuotedOnlyForABlank) {
    EXPECT_EQ(options::AutostartCommand("C:\\Quelvo\\Quelvo.exe"), "C:\\Quelvo\\Quelvo.exe");
    EXPECT_EQ(options::AutostartCommand("C:\\My Tools\\Quelvo.exe"), "\"C:\\My Tools\\Quelvo.exe\"");
}

// ---------------------------------------------------------------- bad data

enum class ReadAs { Exists, Text, Integer };

struct Stored {
    const char* key;
    const char* name;
    ReadAs read;
};

const Stored kRead[] = {
    {kRun, "Palomir1.0版", ReadAs::Exists},           {kWinlogon, "AllocateCDRoms", ReadAs::Text},
    {kCdRom, "AutoRun", ReadAs::Integer},             {kExplorer, "NoDriveTypeAutoRun", ReadAs::Integer},
    {kCdfs, "PREFETCH", ReadAs::Integer},             {kCdfs, "CACHESIZE", ReadAs::Integer},
    {kSettings, "ImageCanSee", ReadAs::Integer},      {kSettings, "ImagePath", ReadAs::Text},
    {kSettings, "BarColor", ReadAs::Text},
};

// The one message loading gives for the value stored so.
std::string ExpectedMessage(const Stored& s, DWORD type, std::size_t size, const std::string& data) {
    const std::string name = s.name;
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    switch (s.read) {
        case ReadAs::Exists: return "";
        case ReadAs::Integer:
            if (size > 4 || (type == REG_DWORD && size != 4)) return "从 '" + name + "' 获得数据失败.";
            if (type != REG_DWORD) return "'" + name + "' 的数据类型是无效的.";
            return "";
        case ReadAs::Text:
            if (size > 0 && !text) return "'" + name + "' 的数据类型是无效的.";
            if (name == "ImagePath") return "未知的图象文件扩展名 (.)";
            if (name == "BarColor")
                return "'" + fw::MessageArgument(size > 0 ? data.substr(0, data.find('\0')) : std::string()) +
                       "' 不是一个有效的整形值.";
            return "";
    }
    return "";
}

TEST_F(OptionsWindowTest, BadDataGivesOneMessageAndTouchesNothingElse) {
    ExePath = kExe;
    const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_QWORD, REG_NONE};
    const std::string none, big(1 << 20, 'Q');  // a text of 1 MB without a terminating zero
    for (const Stored& s : kRead)
        for (DWORD type : types)
            for (const std::string* data : {&none, &big}) {
                SCOPED_TRACE(std::string(s.name) + " type " + std::to_string(type) + " size " +
                             std::to_string(data->size()));
                ClearAll();
                // The settings key as a later start leaves it, pictures off unless the
                // path is under test; the value under test replaces its own.
                const bool path = std::string(s.name) == "ImagePath";
                for (const Value& v : {Value{kSettings, "ImageCanSee", REG_DWORD, Dword(path ? 1 : 0)},
                                       Value{kSettings, "ImagePath", REG_SZ, Sz("")}, kRedFrame,
                                       Value{s.key, s.name, type, *data}})
                    Set(v);
                const auto before = Snapshot();
                Load({});
                const std::string expected = ExpectedMessage(s, type, data->size(), *data);
                ASSERT_EQ(boxes.size(), expected.empty() ? 0u : 1u);
                if (!expected.empty()) {
                    EXPECT_TRUE(boxes[0] == expected) << boxes[0].substr(0, 80);
                }
                auto after = Snapshot();
                if (s.read == ReadAs::Exists) {
                    // Loading rewrites the autostart value with the program's path.
                    std::string id = std::string(kRun) + "\\Palomir1.0版";
                    CharUpperA(id.data());
                    EXPECT_EQ(after[id], std::make_pair(DWORD{REG_SZ}, Sz(kExe)));
                    after[id] = before.at(id);
                }
                EXPECT_TRUE(after == before);
                window.reset();
            }
}

}  // namespace
