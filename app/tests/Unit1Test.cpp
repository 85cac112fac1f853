// The main window's tray record, hot key and session-end check, on real windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "framework/Application.h"
#include "framework/Timer.h"

extern DWORD StartupPauseMs;

namespace {

std::vector<std::string> mci;

// The main window as start-up makes it (without the pause), MCI commands recorded.
void StartMainWindow() {
    StartupPauseMs = 0;
    fw::App().Initialize();
    fw::App().SetTitle("Quelvo");
    MciSend = [](const char* c) {
        mci.push_back(c);
        return 0u;
    };
    Form1 = fw::App().CreateForm<TForm1>();
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartMainWindow(); }
    void SetUp() override {
        mci.clear();
        DoorToggle = 1;
    }
    static LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) {
        return SendMessageA(Form1->Handle(), msg, wp, lp);
    }
};

TEST_F(MainWindowTest, TrayRecordHoldsTheFirstFormOfTheNotificationIconData) {
    unsigned char bytes[88];
    std::memcpy(bytes, &TrayIconData, sizeof bytes);
    auto dword = [&](int offset) {
        DWORD v;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    };
    EXPECT_EQ(dword(0), 88u);
    EXPECT_EQ(dword(4), reinterpret_cast<DWORD>(Form1->Handle()));
    EXPECT_EQ(dword(8), 1u);
    EXPECT_EQ(dword(12), 7u);  // NIF_MESSAGE | NIF_ICON | NIF_TIP
    EXPECT_EQ(dword(16), 0x7E8u);
    EXPECT_NE(dword(20), 0u);   // the program's icon
    const unsigned char tip[] = {0x51, 0x75, 0x65, 0x6C, 0x76, 0x6F, 0x31, 0x2E, 0x30, 0xB0, 0xE6};
    EXPECT_EQ(std::memcmp(bytes + 24, tip, sizeof tip), 0);
    for (int i = 24 + static_cast<int>(sizeof tip); i < 88; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST_F(MainWindowTest, StartupStoredThePathAndTheToggle) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(ExePath, path);
    EXPECT_EQ(DoorToggle, 1);
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
}

TEST_F(MainWindowTest, HotKeyTogglesTheDoorByTurns) {
    HotKeyCode = 'A';
    const LPARAM ctrlA = MAKELPARAM(MOD_CONTROL, 'A');
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Send(WM_HOTKEY, 0, ctrlA), 0);
    EXPECT_EQ(mci, (std::vector<std::string>{"set cdaudio door open", "Set cdaudio door closed",
                                             "set cdaudio door open"}));
    EXPECT_EQ(DoorToggle, 0);
}

TEST_F(MainWindowTest, OnlyTheKeyCodeDecides) {
    HotKeyCode = 'B';
    Send(WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL, 'A'));           // another letter: default processing
    EXPECT_TRUE(mci.empty());
    EXPECT_EQ(DoorToggle, 1);
    Send(WM_HOTKEY, 77, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'B'));  // id and modifiers not examined
    EXPECT_EQ(mci, std::vector<std::string>{"set cdaudio door open"});
    EXPECT_EQ(DoorToggle, 0);
}

TEST_F(MainWindowTest, MenuDoorItemsLeaveTheToggleAlone) {
    HotKeyCode = 'A';
    Form1->J1Click();
    EXPECT_EQ(DoorToggle, 1);
    Send(WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL, 'A'));
    Form1->C1Click();
    EXPECT_EQ(DoorToggle, 0);
    EXPECT_EQ(mci, (std::vector<std::string>{"set cdaudio door open", "set cdaudio door open",
                                             "set cdaudio door closed"}));
}

TEST_F(MainWindowTest, MenuHasItsThirteenItemsInOrder) {
    struct Item {
        const char* name;
        const char* caption;
        int image, group;
    };
    const Item expected[] = {
        {"S1", "显示主窗口   &S", 0, 0}, {"H1", "隐藏主窗口   &H", 1, 1}, {"N1", "-", -1, 1},
        {"J1", "弹出光驱     &J", 2, 2}, {"C1", "关闭光驱     &C", 3, 3}, {"N3", "-", -1, 3},
        {"U1", "创建快捷方式 &U", 4, 4}, {"N4", "-", -1, 4}, {"V1", "查看设置     &V", 5, 5},
        {"M1", "界面选项     &M", 6, 6}, {"N2", "-", -1, 6}, {"Q1", "退出程序     &Q", 7, 7},
        {"KeltrinA1", "关于Keltrin  &A", 8, 8},
    };
    const auto& items = Form1->PopupMenu1.Items();
    ASSERT_EQ(items.size(), std::size(expected));
    HMENU menu = Form1->PopupMenu1.Handle();
    ASSERT_EQ(GetMenuItemCount(menu), 13);
    EXPECT_EQ(Form1->ImageList1.Count(), 9);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->name, expected[i].name);
        EXPECT_EQ(items[i]->imageIndex, expected[i].image);
        EXPECT_EQ(items[i]->groupIndex, expected[i].group);
        MENUITEMINFOA mi{};
        char text[64] = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_BITMAP;
        mi.dwTypeData = text;
        mi.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mi));
        if (std::string(expected[i].caption) == "-") {
            EXPECT_TRUE(mi.fType & MFT_SEPARATOR) << i;
        } else {
            EXPECT_EQ(std::string(text), expected[i].caption) << i;
            EXPECT_NE(mi.hbmpItem, nullptr) << i;
        }
    }
}

TEST_F(MainWindowTest, TrayNotificationsAnswerZero) {
    // Single clicks and a right button press do nothing.
    for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE})
        EXPECT_EQ(Send(TrayCallbackMessage, 1, m), 0);
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
    EXPECT_EQ(Send(TrayCallbackMessage, 1, WM_LBUTTONDBLCLK), 0);
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    RECT r;
    GetWindowRect(Form1->Handle(), &r);
    EXPECT_EQ(r.left, 394);
    EXPECT_EQ(r.top, 156);
    EXPECT_EQ(r.right - r.left, 262);
    EXPECT_EQ(r.bottom - r.top, 193);
    Form1->H1Click();
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
    EXPECT_FALSE(fw::App().Terminated());
}

// ---------------------------------------------------------------- session end

struct Drive {
    char letter;
    UINT type;
    bool volume;
};

struct EndSessionCase {
    const char* name;
    std::vector<Drive> drives;
    std::vector<int> answers;             // one per question box, in order
    std::vector<char> asked;              // letters whose box appeared
    std::vector<std::string> commands;    // MCI commands sent
};

void PrintTo(const EndSessionCase& c, std::ostream* os) { *os << c.name; }

std::vector<char> volumeQueries;

BOOL CALLBACK FindBox(HWND h, LPARAM lp) {
    char cls[32];
    GetClassNameA(h, cls, sizeof cls);
    if (std::string(cls) == "#32770" && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == Form1->Handle()) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

// Answers the question boxes as they appear: finds the box owned by the main
// window, records its text, caption and buttons, presses the next answer.
struct BoxAnswerer {
    std::vector<int> answers;
    std::vector<std::string> texts, captions;
    std::vector<bool> yesNoOnly;
    fw::Timer timer;

    explicit BoxAnswerer(std::vector<int> a) : answers(std::move(a)) {
        timer.SetInterval(30);
        timer.OnTimer = [this] { Poll(); };
        timer.SetEnabled(true);
    }
    void Poll() {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) return;
        char text[256] = {}, caption[64] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        GetWindowTextA(box, caption, sizeof caption);
        texts.push_back(text);
        captions.push_back(caption);
        yesNoOnly.push_back(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) &&
                            !GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL));
        const size_t n = texts.size() - 1;
        const int answer = n < answers.size() ? answers[n] : IDNO;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    }
};

class SessionEndTest : public ::testing::TestWithParam<EndSessionCase> {
protected:
    static void SetUpTestSuite() { StartMainWindow(); }
};

TEST_P(SessionEndTest, AsksAboutEachCdromDriveHoldingADisc) {
    const auto& c = GetParam();
    mci.clear();
    volumeQueries.clear();
    std::map<char, Drive> drives;
    for (const auto& d : c.drives) drives[d.letter] = d;
    DriveTypeQuery = [&](const char* root) -> UINT {
        auto it = drives.find(root[0]);
        EXPECT_EQ(std::string(root + 1), ":\\");
        return it == drives.end() ? DRIVE_NO_ROOT_DIR : it->second.type;
    };
    VolumeQuery = [&](const char* root) {
        volumeQueries.push_back(root[0]);
        auto it = drives.find(root[0]);
        return it != drives.end() && it->second.volume;
    };
    BoxAnswerer answerer(c.answers);
    const LRESULT result = SendMessageA(Form1->Handle(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ(result, 1);
    std::vector<char> asked;
    for (char l : volumeQueries)
        if (drives.count(l) && drives[l].volume) asked.push_back(l);
    EXPECT_EQ(asked, c.asked);
    ASSERT_EQ(answerer.texts.size(), c.asked.size());
    for (size_t i = 0; i < answerer.texts.size(); ++i) {
        EXPECT_EQ(answerer.texts[i], "您的光驱内有光盘,关机前建议拿出来.");
        EXPECT_EQ(answerer.captions[i], "Quelvo提示");
        EXPECT_TRUE(answerer.yesNoOnly[i]);
    }
    EXPECT_EQ(mci, c.commands);
    const bool anyYes = std::find(c.answers.begin(), c.answers.end(), IDYES) != c.answers.end();
    if (fw::App().MainForm() == Form1) {  // a Yes closes the main window: the program ends
        EXPECT_EQ(fw::App().Terminated(), anyYes);
    }
    for (char l : volumeQueries) EXPECT_TRUE(l >= 'c' && l <= 'z');
}

const std::string kOpenD = "open d: type cdaudio alias QuelvoDrive";
const std::string kOpenF = "open f: type cdaudio alias QuelvoDrive";
const std::string kDoor = "set QuelvoDrive door open";
const std::string kClose = "close QuelvoDrive";

INSTANTIATE_TEST_SUITE_P(
    Drives, SessionEndTest,
    ::testing::Values(
        EndSessionCase{"NoDrives", {}, {}, {}, {}},
        EndSessionCase{"EmptyCdrom", {{'d', DRIVE_CDROM, false}}, {}, {}, {}},
        EndSessionCase{"HardDiskAndRemovableNeverAsk",
                       {{'c', DRIVE_FIXED, true}, {'e', DRIVE_REMOVABLE, true}}, {}, {}, {}},
        EndSessionCase{"CdromAtAOrBNeverExamined",
                       {{'a', DRIVE_CDROM, true}, {'b', DRIVE_CDROM, true}}, {}, {}, {}},
        EndSessionCase{"OneDiscAnsweredNo", {{'d', DRIVE_CDROM, true}}, {IDNO}, {'d'}, {}},
        EndSessionCase{"TwoDiscsNoToBoth",
                       {{'d', DRIVE_CDROM, true}, {'f', DRIVE_CDROM, true}},
                       {IDNO, IDNO}, {'d', 'f'}, {}},
        EndSessionCase{"YesEjectsThatDriveAndStillAsksTheNext",
                       {{'d', DRIVE_CDROM, true}, {'e', DRIVE_CDROM, false},
                        {'f', DRIVE_CDROM, true}},
                       {IDYES, IDNO}, {'d', 'f'}, {kOpenD, kDoor, kClose}},
        EndSessionCase{"YesToTheSecondDrive",
                       {{'d', DRIVE_CDROM, true}, {'f', DRIVE_CDROM, true}},
                       {IDNO, IDYES}, {'d', 'f'}, {kOpenF, kDoor, kClose}},
        EndSessionCase{"LastLetterZ", {{'z', DRIVE_CDROM, true}}, {IDNO}, {'z'}, {}}),
    [](const ::testing::TestParamInfo<EndSessionCase>& info) { return info.param.name; });

}  // namespace
