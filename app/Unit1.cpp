#include "app/Unit1.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstring>
#include <utility>

#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit5.h"
#include "common/ColorNames.h"
#include "common/DesktopShortcut.h"
#include "common/PictureLoader.h"
#include "common/Registry.h"
#include "common/SettingsNames.h"
#include "framework/Application.h"
#include "framework/Graphic.h"

TForm1* Form1 = nullptr;

std::string ExePath;
std::int32_t HotKeyCode = 0;
std::int32_t HotKeyId = 0;
std::uint8_t DoorToggle = 1;
TTrayIconRecord TrayIconData{};

// How long start-up blocks in the main window's creation (milliseconds).
DWORD StartupPauseMs = 3000;

std::function<unsigned(const char*)> MciSend = [](const char* command) {
    return static_cast<unsigned>(mciSendStringA(command, nullptr, 0, nullptr));
};

std::function<UINT(const char*)> DriveTypeQuery = [](const char* root) {
    return GetDriveTypeA(root);
};

std::function<bool(const char*)> VolumeQuery = [](const char* root) {
    char volumeName[256];
    char fileSystemName[256];
    DWORD serial = 0, maxComponent = 0, flags = 0;
    // An empty removable drive must not bring up the system's "no disk" box.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const BOOL ok = GetVolumeInformationA(root, volumeName, 255, &serial, &maxComponent, &flags,
                                          fileSystemName, 255);
    SetErrorMode(oldMode);
    return ok != FALSE;
};

namespace {

std::string RootPath(char letter) { return std::string(1, letter) + ":\\"; }

HWND registeredHotKeyWindow = nullptr;

}  // namespace

void SetUpFrameBar(TFlatTitlebar& bar, const char* name, fw::Align align, const fw::Rect& bounds,
                   fw::Color activeTextColor) {
    bar.name = name;
    bar.SetBounds(bounds);
    bar.SetAlign(align);
    bar.SetActiveTextColor(activeTextColor);
    bar.SetInactiveTextColor(kInactiveCaptionColor);
    bar.SetTitlebarColor(fw::clBackground);
}

void SetUpCaption(TFlatTitlebar& bar, const char* caption, std::optional<fw::Color> color) {
    bar.SetCaption(caption);
    bar.ChangeFont([color](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 16;
        f.style.bold = true;
        if (color) f.color = *color;
    });
}

void SetUpTitleIcon(fw::Image& image, const char* name, const fw::Rect& bounds, const char* resource) {
    image.name = name;
    image.SetBounds(bounds);
    if (auto icon = fw::LoadIconResource(GetModuleHandleA(nullptr), resource, 32, 32))
        image.SetPicture(fw::IconGraphic::FromIcon(std::move(icon)));
}

void SetUpCloseButton(TFlatSpeedButton& button, const fw::Rect& bounds, std::function<void()> onClick) {
    button.name = "FlatSpeedButton1";
    button.SetBounds(bounds);
    button.SetCaption("X");
    button.ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 19;
        f.style.bold = true;
        f.color = fw::clWhite;
    });
    button.SetColor(fw::clBackground);
    button.SetTransparentMode(flat::tmNotFocused);
    button.OnClick = std::move(onClick);
}

bool DiscInDrive(char letter) { return VolumeQuery(RootPath(letter).c_str()); }

void EjectDrive(char letter) {
    const std::string alias = "QuelvoDrive";
    MciSend(("open " + std::string(1, letter) + ": type cdaudio alias " + alias).c_str());
    MciSend(("set " + alias + " door open").c_str());
    MciSend(("close " + alias).c_str());
}

void RegisterDoorHotKey(HWND window) {
    // Release the combination given up, so it is not swallowed system-wide.
    if (registeredHotKeyWindow) UnregisterHotKey(registeredHotKeyWindow, HotKeyId);
    registeredHotKeyWindow = window;
    RegisterHotKey(window, HotKeyId, MOD_CONTROL, static_cast<UINT>(HotKeyCode));
}

// ---------------------------------------------------------------- TForm1

TForm1::TForm1() {
    name = "Form1";
    SetText("Form1");
    SetBounds(394, 156, 262, 193);
    SetColor(fw::clBlack);
    popupMenu = &PopupMenu1;

    SetUpFrameBar(FlatTitlebar1, "FlatTitlebar1", fw::Align::Top, fw::Bounds(0, 0, 262, 41));
    SetUpCaption(FlatTitlebar1, "Quelvo1.0版");
    SetUpFrameBar(FlatTitlebar2, "FlatTitlebar2", fw::Align::Left, fw::Bounds(0, 41, 13, 139));
    SetUpFrameBar(FlatTitlebar3, "FlatTitlebar3", fw::Align::Right, fw::Bounds(248, 41, 14, 139));
    SetUpFrameBar(FlatTitlebar4, "FlatTitlebar4", fw::Align::Bottom, fw::Bounds(0, 180, 262, 13));

    SetUpCloseButton(FlatSpeedButton1, fw::Bounds(220, 8, 25, 25), [this] { FlatSpeedButton1Click(); });

    SetUpTitleIcon(Image2, "Image2", fw::Bounds(32, 4, 32, 32), "MAINICON");

    Image1.name = "Image1";
    Image1.SetBounds(13, 41, 235, 139);
    Image1.SetStretch(true);
    Image1.SetVisible(false);
    Image1.popupMenu = &PopupMenu1;

    Label1.name = "Label1";
    Label1.ChangeFont([](fw::Font& f) {
        f.name = "幼圆";
        f.height = 15;
        f.style.bold = true;
        f.color = fw::clWhite;
        f.charset = GB2312_CHARSET;
    });
    Label1.SetBounds(80, 140, 106, 15);
    Label1.SetText("Keltrin出品 ");

    Image3.name = "Image3";
    Image3.SetBounds(84, 52, 95, 95);
    Image3.SetTransparent(true);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    if (const auto logo = fw::LoadBitmapResource(inst, "LOGO"))
        Image3.SetPicture(fw::BitmapGraphic::FromBitmap(logo.Get()));

    if (const auto strip = fw::LoadBitmapResource(inst, "MENUIMAGES"))
        ImageList1.AddMasked(strip.Get(), RGB(255, 0, 255));
    PopupMenu1.images = &ImageList1;
    BuildMenu();

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnHide = [this] { FormHide(); };
    OnClose = [this](fw::CloseAction& a) { FormClose(a); };
}

void TForm1::BuildMenu() {
    PopupMenu1.Add("S1", "显示主窗口   &S", 0, 0, [this] { S1Click(); });
    PopupMenu1.Add("H1", "隐藏主窗口   &H", 1, 1, [this] { H1Click(); });
    PopupMenu1.Add("N1", "-", -1, 1);
    PopupMenu1.Add("J1", "弹出光驱     &J", 2, 2, [this] { J1Click(); });
    PopupMenu1.Add("C1", "关闭光驱     &C", 3, 3, [this] { C1Click(); });
    PopupMenu1.Add("N3", "-", -1, 3);
    PopupMenu1.Add("U1", "创建快捷方式 &U", 4, 4, [this] { U1Click(); });
    PopupMenu1.Add("N4", "-", -1, 4);
    PopupMenu1.Add("V1", "查看设置     &V", 5, 5, [this] { V1Click(); });
    PopupMenu1.Add("M1", "界面选项     &M", 6, 6, [this] { M1Click(); });
    PopupMenu1.Add("N2", "-", -1, 6);
    PopupMenu1.Add("Q1", "退出程序     &Q", 7, 7, [this] { Q1Click(); });
    PopupMenu1.Add("KeltrinA1", "关于Keltrin  &A", 8, 8, [this] { KeltrinA1Click(); });
}

void TForm1::FormCreate() {
    Sleep(StartupPauseMs);
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    ExePath.assign(path, n);
    AddTrayIcon();
    DoorToggle = 1;
    ApplySettings();
}

void TForm1::ApplySettings() {
    using namespace common;
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    reg.OpenKey(kSoftwareKey, true);
    if (!reg.KeyExists(kSettingsKeyName)) {
        // First run: the defaults, which the window's design already shows;
        // no hot key until the next start or a letter choice.
        reg.CreateKey(kSettingsKeyName);
        reg.OpenKey(kSettingsKeyName, true);
        reg.WriteBool(kImageCanSee, kDefaultImageCanSee);
        reg.WriteString(kImagePath, kDefaultImagePath);
        reg.WriteString(kBarColor, kDefaultBarColor);
        reg.WriteInteger(kKeyValue, kDefaultKeyValue);
        return;
    }
    reg.OpenKey(kSettingsKeyName, true);
    Image1.SetVisible(reg.ReadBool(kImageCanSee));
    if (reg.ReadBool(kImageCanSee)) LoadPictureFile(reg.ReadString(kImagePath), Image1);
    for (TFlatTitlebar* bar : FrameBars) bar->SetTitlebarColor(TextToColor(reg.ReadString(kBarColor)));
    HotKeyCode = reg.ReadInteger(kKeyValue);
    RegisterDoorHotKey(Handle());
}

void TForm1::AddTrayIcon() {
    std::memset(&TrayIconData, 0, sizeof TrayIconData);
    TrayIconData.cbSize = sizeof TrayIconData;
    TrayIconData.hWnd = Handle();
    TrayIconData.uID = 1;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = TrayCallbackMessage;
    TrayIconData.hIcon = fw::SharedIconResource(GetModuleHandleA(nullptr), "MAINICON", GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON));
    std::memcpy(TrayIconData.szTip, kTrayTip, sizeof kTrayTip);
    Shell_NotifyIconA(NIM_ADD, reinterpret_cast<PNOTIFYICONDATAA>(&TrayIconData));
}

void TForm1::FormShow() {
    AnimateWindow(Handle(), 150, AW_CENTER);
    Repaint();
    for (TFlatTitlebar* bar : FrameBars) bar->Repaint();
}

void TForm1::FormHide() { AnimateWindow(Handle(), 150, AW_HIDE | AW_CENTER); }

void TForm1::FormClose(fw::CloseAction&) {
    Shell_NotifyIconA(NIM_DELETE, reinterpret_cast<PNOTIFYICONDATAA>(&TrayIconData));
}

LRESULT TForm1::TrayIconNotify(WPARAM, LPARAM lp) {
    switch (static_cast<UINT>(lp)) {
        case WM_RBUTTONUP: {
            POINT p;
            GetCursorPos(&p);
            // A notification icon's menu takes its access letters and closes on
            // a click elsewhere only when the program is in the foreground; the
            // null message afterwards lets the next opening stay open.
            // While a window runs modally it stays in front: it is brought
            // forward instead of the main window, which would cover it.
            HWND front = Handle();
            for (const auto& form : fw::App().Forms())
                if (form->IsModal() && form->Visible()) front = form->Handle();
            SetForegroundWindow(front);
            PopupMenu1.Popup(p.x, p.y);
            PostMessageA(Handle(), WM_NULL, 0, 0);
            break;
        }
        case WM_LBUTTONDBLCLK:
            S1Click();
            ShowWindow(fw::App().Handle(), SW_SHOW);
            break;
        default:
            break;
    }
    return 0;
}

LRESULT TForm1::HotKeyNotify(WPARAM wp, LPARAM lp) {
    const std::uint32_t key = static_cast<std::uint32_t>((static_cast<DWORD>(lp) >> 16) & 0xFFFF);
    if (key != static_cast<std::uint32_t>(HotKeyCode)) {
        LRESULT r = 0;
        DefaultHandler(WM_HOTKEY, wp, lp, r);
        return r;
    }
    if (DoorToggle == 1) {
        MciSend(kDoorOpen);
        DoorToggle = 0;
    } else {
        MciSend(kDoorClosedHotKey);
        DoorToggle = 1;
    }
    return 0;
}

LRESULT TForm1::QueryEndSessionNotify(WPARAM wp, LPARAM lp) {
    for (char letter = 'c'; letter <= 'z'; ++letter) {
        const std::string root = RootPath(letter);
        if (DriveTypeQuery(root.c_str()) == DRIVE_CDROM && DiscInDrive(letter)) {
            if (MessageBoxA(Handle(), kDiscQuestion, kDiscQuestionCaption,
                            MB_YESNO | MB_ICONINFORMATION) == IDYES) {
                EjectDrive(letter);
                Close();
            }
        }
    }
    return fw::Form::WndProc(WM_QUERYENDSESSION, wp, lp);
}

void TForm1::S1Click() { Show(); }
void TForm1::H1Click() { Hide(); }
void TForm1::J1Click() { MciSend(kDoorOpen); }
void TForm1::C1Click() { MciSend(kDoorClosedMenu); }
void TForm1::U1Click() { common::CreateDesktopShortcut(ExePath, kTrayTip); }
void TForm1::V1Click() { Form2->ShowModal(); }
void TForm1::M1Click() { Form3->ShowModal(); }
void TForm1::Q1Click() { Close(); }
void TForm1::KeltrinA1Click() { Form5->ShowOrRaise(); }
void TForm1::FlatSpeedButton1Click() { Hide(); }

LRESULT TForm1::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case TrayCallbackMessage: return TrayIconNotify(wp, lp);
        case WM_HOTKEY: return HotKeyNotify(wp, lp);
        case WM_QUERYENDSESSION: return QueryEndSessionNotify(wp, lp);
        default: return fw::Form::WndProc(msg, wp, lp);
    }
}
