// The main window: owner of the tray icon and the command menu, receiver of
// the hot key and of the session-end query.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdControls.h"
#include "flat/TFlatSpeedButtonUnit.h"
#include "flat/TFlatTitlebarUnit.h"

using flat::TFlatSpeedButton;
using flat::TFlatTitlebar;

// The notification-icon record in its first, 88-byte form.
struct TTrayIconRecord {
    std::uint32_t cbSize;
    HWND hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    HICON hIcon;
    char szTip[64];
};
static_assert(sizeof(void*) == 4, "Quelvo is a 32-bit program");
static_assert(sizeof(TTrayIconRecord) == 88);
static_assert(offsetof(TTrayIconRecord, hWnd) == 4);
static_assert(offsetof(TTrayIconRecord, uID) == 8);
static_assert(offsetof(TTrayIconRecord, uFlags) == 12);
static_assert(offsetof(TTrayIconRecord, uCallbackMessage) == 16);
static_assert(offsetof(TTrayIconRecord, hIcon) == 20);
static_assert(offsetof(TTrayIconRecord, szTip) == 24);

constexpr UINT TrayCallbackMessage = 0x7E8;  // WM_USER + 1000
constexpr char kTrayTip[] = "Quelvo1.0版";
constexpr char kDoorOpen[] = "set cdaudio door open";
constexpr char kDoorClosedMenu[] = "set cdaudio door closed";
constexpr char kDoorClosedHotKey[] = "Set cdaudio door closed";
constexpr char kDiscQuestion[] = "您的光驱内有光盘,关机前建议拿出来.";
constexpr char kDiscQuestionCaption[] = "Quelvo提示";

// Program-wide values.
extern std::string ExePath;
extern std::int32_t HotKeyCode;
extern std::int32_t HotKeyId;
extern std::uint8_t DoorToggle;
extern TTrayIconRecord TrayIconData;

// Sends an MCI command string; the result is ignored by every caller.
// Replaceable so that tests can record the commands.
extern std::function<unsigned(const char* command)> MciSend;
// Drive type and volume query of a root path such as "d:\"; replaceable so
// that tests can stand for drives this machine does not have.
extern std::function<UINT(const char* root)> DriveTypeQuery;
extern std::function<bool(const char* root)> VolumeQuery;

// Whether the drive holds a disc: its volume query succeeds.
bool DiscInDrive(char letter);
// Opens the door of one drive: the drive is opened as a cdaudio device under
// an alias, the door opened, the alias closed.
void EjectDrive(char letter);
// Registers Ctrl+HotKeyCode on the main window under HotKeyId, releasing the
// program's previous registration first. Silent on failure.
void RegisterDoorHotKey(HWND window);

// The frame bars of every window: their caption colours when inactive, and
// the design state each starts in.
constexpr fw::Color kInactiveCaptionColor = 8559266;  // 0x00829AA2
void SetUpFrameBar(TFlatTitlebar& bar, const char* name, fw::Align align, const fw::Rect& bounds,
                   fw::Color activeTextColor = fw::clWhite);
// The top bar's caption in the windows' bold caption face, in the given
// colour or the one the bar has.
void SetUpCaption(TFlatTitlebar& bar, const char* caption, std::optional<fw::Color> color = std::nullopt);
// The window's icon in its top bar, from the program's resources.
void SetUpTitleIcon(fw::Image& image, const char* name, const fw::Rect& bounds, const char* resource);
// The "X" button of every window's top bar.
void SetUpCloseButton(TFlatSpeedButton& button, const fw::Rect& bounds, std::function<void()> onClick);

class TForm1 : public fw::Form {
public:
    TForm1();

    fw::ImageList ImageList1{16, 16};
    fw::PopupMenu PopupMenu1;
    // The frame: the top bar carries the caption, the close button and the
    // icon and drags the window; the other three are its coloured edges.
    TFlatTitlebar FlatTitlebar1{this};
    TFlatSpeedButton FlatSpeedButton1{&FlatTitlebar1};
    fw::Image Image2{&FlatTitlebar1};  // the program's icon
    TFlatTitlebar FlatTitlebar2{this};
    TFlatTitlebar FlatTitlebar3{this};
    TFlatTitlebar FlatTitlebar4{this};
    // Inside the frame, bottom to top.
    fw::Image Image1{this};   // background picture
    fw::Label Label1{this};
    fw::Image Image3{this};   // logo

    void FormCreate();
    void FormShow();
    void FormHide();
    void FormClose(fw::CloseAction& action);
    void AddTrayIcon();
    // The settings step of start-up: first-run defaults, or reading the
    // settings key and applying it.
    void ApplySettings();

    LRESULT TrayIconNotify(WPARAM wp, LPARAM lp);
    LRESULT HotKeyNotify(WPARAM wp, LPARAM lp);
    LRESULT QueryEndSessionNotify(WPARAM wp, LPARAM lp);

    void S1Click();
    void H1Click();
    void J1Click();
    void C1Click();
    void U1Click();
    void V1Click();
    void M1Click();
    void Q1Click();
    void KeltrinA1Click();
    void FlatSpeedButton1Click();

    // The four frame pieces, top, left, right, bottom.
    TFlatTitlebar* FrameBars[4] = {&FlatTitlebar1, &FlatTitlebar2, &FlatTitlebar3, &FlatTitlebar4};

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void BuildMenu();
};

extern TForm1* Form1;
