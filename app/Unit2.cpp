#include "app/Unit2.h"

#include "common/ColorNames.h"
#include "common/PictureLoader.h"
#include "common/Registry.h"
#include "common/SettingsNames.h"
#include "framework/Graphic.h"

TForm2* Form2 = nullptr;

namespace options {

std::string AutostartCommand(const std::string& exePath) {
    if (exePath.find(' ') == std::string::npos) return exePath;
    return "\"" + exePath + "\"";
}

}  // namespace options

using namespace options;

namespace {

using common::MachineKey;

void PlaceLabel(fw::Label& label, const char* name, const fw::Rect& bounds, const char* text) {
    label.name = name;
    label.autoSize = false;
    label.SetBounds(bounds);
    label.SetText(text);
}

void PlaceCheckBox(TFlatCheckBox& box, const char* name, const fw::Rect& bounds, int tabOrder,
                   const char* caption) {
    box.name = name;
    box.SetBounds(bounds);
    box.SetTabOrder(tabOrder);
    box.SetCaption(caption);
    box.SetTransparent(true);
}

void PlaceList(TFlatComboBox& list, const char* name, const fw::Rect& bounds, int tabOrder,
               std::vector<std::string> items) {
    list.name = name;
    list.SetStyle(fw::csDropDownList);
    list.SetColor(fw::clWindow);
    list.SetItemHeight(13);
    list.SetBounds(bounds);
    list.SetTabOrder(tabOrder);
    list.SetItems(items);
}

void PlacePicture(fw::Image& image, const char* name, fw::PopupMenu* menu) {
    image.name = name;
    image.SetAlign(fw::Align::Client);
    image.SetStretch(true);
    image.SetVisible(false);
    image.popupMenu = menu;
}

}  // namespace

TForm2::TForm2() {
    name = "Form2";
    SetText("Form2");
    SetBounds(283, 139, 280, 203);
    SetColor(fw::clBtnFace);
    ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 11;
        f.color = fw::clWindowText;
    });
    popupMenu = &PopupMenu1;
    PopupMenu1.Add("Q1", "退出      &Q", -1, 0, [this] { Q1Click(); });

    SetUpFrameBar(FlatTitlebar1, "FlatTitlebar1", fw::Align::Top, fw::Bounds(0, 0, 280, 37),
                  fw::clHighlightText);
    SetUpCaption(FlatTitlebar1, "Quelvo选项", fw::clWindowText);
    SetUpFrameBar(FlatTitlebar2, "FlatTitlebar2", fw::Align::Left, fw::Bounds(0, 37, 13, 147));
    SetUpFrameBar(FlatTitlebar3, "FlatTitlebar3", fw::Align::Right, fw::Bounds(267, 37, 13, 147));
    SetUpFrameBar(FlatTitlebar4, "FlatTitlebar4", fw::Align::Bottom, fw::Bounds(0, 184, 280, 19));

    SetUpTitleIcon(Image1, "Image1", fw::Bounds(48, 4, 32, 32), "OPTIONSICON");

    SetUpCloseButton(FlatSpeedButton1, fw::Bounds(244, 4, 25, 25), [this] { FlatSpeedButton1Click(); });

    PlaceLabel(Label6, "Label6", fw::Bounds(24, 4, 240, 13),
               "所做改动须重新启动计算机才能生效                ");
    Label6.ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 9;
        f.color = fw::clWhite;
    });
    Label6.SetVisible(false);

    SetUpPages();

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnHide = [this] { FormHide(); };
}

void TForm2::SetUpPages() {
    PageControl1.name = "PageControl1";
    PageControl1.SetBounds(13, 37, 254, 147);
    PageControl1.SetMultiLine(true);
    PageControl1.popupMenu = &PopupMenu1;
    const struct {
        fw::TabSheet* sheet;
        const char* name;
        const char* caption;
        bool menu;
    } sheets[] = {{&TabSheet1, "TabSheet1", "启动选项", true},
                  {&TabSheet2, "TabSheet2", "CD-ROM功能设置", true},
                  {&TabSheet3, "TabSheet3", "光驱开关设定", true},
                  {&TabSheet4, "TabSheet4", "CD-ROM性能选项", false}};
    for (const auto& s : sheets) {
        s.sheet->name = s.name;
        s.sheet->SetCaption(s.caption);
        if (s.menu) s.sheet->popupMenu = &PopupMenu1;
    }
    PlacePicture(Image2, "Image2", &PopupMenu1);
    PlacePicture(Image3, "Image3", &PopupMenu1);
    PlacePicture(Image4, "Image4", &PopupMenu1);
    PlacePicture(Image5, "Image5", &PopupMenu1);

    // Start-up options.
    PlaceCheckBox(FlatCheckBox1, "FlatCheckBox1", fw::Bounds(20, 36, 217, 21), 0,
                  "Windows启动时您想自动启动吗?               ");
    FlatCheckBox1.SetParentFont(false);
    FlatCheckBox1.ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 11;
        f.color = fw::clBlack;
    });
    FlatCheckBox1.OnClick = [this] { FlatCheckBox1Click(); };

    // Drive functions.
    PlaceLabel(Label5, "Label5", fw::Bounds(8, 8, 220, 13), "设置用户对CD-ROM的访问权限：               ");
    PlaceList(FlatComboBox4, "FlatComboBox4", fw::Bounds(8, 28, 165, 21), 0,
              {"仅本地登录用户能使用", "只能被域中的管理员使用"});
    FlatComboBox4.OnClick = [this] { FlatComboBox4Click(); };
    PlaceCheckBox(FlatCheckBox2, "FlatCheckBox2", fw::Bounds(8, 56, 185, 17), 1,
                  "禁用CD-ROM的自动播放功能   ");
    FlatCheckBox2.OnClick = [this] { FlatCheckBox2Click(); };
    PlaceCheckBox(FlatCheckBox3, "FlatCheckBox3", fw::Bounds(8, 76, 133, 17), 2, "关闭自动运行功能");
    FlatCheckBox3.OnClick = [this] { FlatCheckBox3Click(); };

    // The door's hot key.
    PlaceLabel(Label1, "Label1", fw::Bounds(8, 20, 231, 13), "请在此处选择开关光驱的热键：                     ");
    PlaceLabel(Label7, "Label7", fw::Bounds(44, 52, 48, 13), "Ctrl+         ");
    std::vector<std::string> letters;
    for (char c = 'A'; c <= 'Z'; ++c) letters.emplace_back(1, c);
    PlaceList(FlatComboBox1, "FlatComboBox1", fw::Bounds(72, 48, 49, 21), 0, letters);
    FlatComboBox1.OnChange = [this] { FlatComboBox1Change(); };

    // Drive performance: the cache list comes first in the tab order.
    PlaceLabel(Label2, "Label2", fw::Bounds(4, 8, 228, 13), "您可以设置光驱的速度和缓存大小：            ");
    PlaceLabel(Label3, "Label3", fw::Bounds(4, 40, 105, 13), "光驱速度为：           ");
    PlaceLabel(Label4, "Label4", fw::Bounds(4, 72, 138, 13), "设置缓存大小为：              ");
    PlaceList(FlatComboBox2, "FlatComboBox2", fw::Bounds(120, 36, 97, 21), 1,
              {"4倍速", "8倍速", "16倍速", "24倍速", "32倍速", "36倍速", "40倍速",
               "48倍速或更高(默认值)"});
    FlatComboBox2.OnClick = [this] { FlatComboBox2Click(); };
    PlaceList(FlatComboBox3, "FlatComboBox3", fw::Bounds(120, 68, 97, 21), 0, {"系统默认", "适中", "更大"});
    FlatComboBox3.OnClick = [this] { FlatComboBox3Click(); };

    PageControl1.SetActivePage(&TabSheet4);
}

// ---------------------------------------------------------------- loading

void TForm2::FormCreate() {
    {
        MachineKey k(kRunKey);
        FlatCheckBox1.SetChecked(k.reg.ValueExists(kAutostartValue));
    }
    {
        MachineKey k(kWinlogonKeyRead);
        if (k.reg.ValueExists(kAllocateCdRomsRead))
            FlatComboBox4.SetItemIndex(k.reg.ReadString(kAllocateCdRomsRead) == "1" ? 0 : 1);
    }
    {
        MachineKey k(kCdRomKeyRead);
        if (k.reg.ValueExists(kAutoRun)) FlatCheckBox2.SetChecked(k.reg.ReadInteger(kAutoRun) == 0);
    }
    {
        MachineKey k(kPoliciesKey);
        if (!k.reg.KeyExists(kExplorer)) k.reg.CreateKey(kExplorer);
        k.reg.OpenKey(kExplorer, true);
        if (k.reg.ValueExists(kNoDriveTypeAutoRun))
            FlatCheckBox3.SetChecked(k.reg.ReadInteger(kNoDriveTypeAutoRun) == 1);
    }
    {
        MachineKey k(kFileSystemKey);
        if (!k.reg.KeyExists(kCdfs)) k.reg.CreateKey(kCdfs);
        k.reg.OpenKey(kCdfs, true);
        if (k.reg.ValueExists(kPrefetch)) {
            const std::int32_t v = k.reg.ReadInteger(kPrefetch);
            for (int i = 0; i < 8; ++i)
                if (kPrefetchValues[i] == v) FlatComboBox2.SetItemIndex(i);
        }
    }
    {
        MachineKey k(kCdfsKey);
        if (k.reg.ValueExists(kCacheSize)) {
            const std::int32_t v = k.reg.ReadInteger(kCacheSize);
            for (int i = 0; i < 3; ++i)
                if (kCacheSizeValues[i] == v) FlatComboBox3.SetItemIndex(i);
        }
    }
    {
        MachineKey k(common::kSettingsKey);
        if (!k.reg.ValueExists(common::kImageCanSee)) return;
        const bool show = k.reg.ReadBool(common::kImageCanSee);
        for (fw::Image* image : Pictures) image->SetVisible(show);
        if (show) {
            const std::string path = k.reg.ReadString(common::kImagePath);
            common::LoadPictureFile(path, {std::begin(Pictures), std::end(Pictures)});
        }
    }
    MachineKey k(common::kSettingsKey);
    const fw::Color frame = common::TextToColor(k.reg.ReadString(common::kBarColor));
    for (TFlatTitlebar* bar : FrameBars) bar->SetTitlebarColor(frame);
}

// ---------------------------------------------------------------- showing

void TForm2::FormShow() {
    AnimateWindow(Handle(), 150, AW_CENTER);
    Repaint();
    fw::Control* const repainted[] = {&FlatCheckBox1, &FlatCheckBox2, &FlatCheckBox3, &Label1, &Label2,
                                      &Label3,        &Label4,        &Label5,        &FlatComboBox1,
                                      &FlatComboBox2, &FlatComboBox3, &FlatComboBox4, &Image1,
                                      &Image2,        &Image3,        &Image4,        &Image5};
    for (fw::Control* c : repainted) c->Repaint();
}

void TForm2::FormHide() { AnimateWindow(Handle(), 150, AW_HIDE | AW_CENTER); }

void TForm2::FlatSpeedButton1Click() { Close(); }
void TForm2::Q1Click() { Close(); }

// ---------------------------------------------------------------- switches

void TForm2::FlatCheckBox1Click() {
    MachineKey k(kRunKey);
    if (FlatCheckBox1.Checked()) k.reg.WriteString(kAutostartValue, AutostartCommand(ExePath));
    else k.reg.DeleteValue(kAutostartValue);
}

void TForm2::FlatComboBox4Click() {
    MachineKey k(kWinlogonKeyWrite);
    switch (FlatComboBox4.ItemIndex()) {
        case 0: k.reg.WriteString(kAllocateCdRomsWrite, "1"); break;
        case 1: k.reg.WriteString(kAllocateCdRomsWrite, "0"); break;
        default: break;
    }
}

void TForm2::FlatCheckBox2Click() {
    Label6.SetVisible(true);
    MachineKey k(kCdRomKeyWrite);
    k.reg.WriteInteger(kAutoRun, FlatCheckBox2.Checked() ? 0 : 1);
}

void TForm2::FlatCheckBox3Click() {
    Label6.SetVisible(true);
    MachineKey k(kPoliciesKey);
    k.reg.CreateKey(kExplorer);
    k.reg.OpenKey(kExplorer, true);
    k.reg.WriteInteger(kNoDriveTypeAutoRun, FlatCheckBox3.Checked() ? 1 : 0);
}

// ---------------------------------------------------------------- performance and hot key

void TForm2::FlatComboBox2Click() {
    MachineKey k(kFileSystemKey);
    k.reg.CreateKey(kCdfs);
    k.reg.OpenKey(kCdfs, true);
    const int i = FlatComboBox2.ItemIndex();
    if (i >= 0 && i < 8) k.reg.WriteInteger(kPrefetch, kPrefetchValues[i]);
}

void TForm2::FlatComboBox3Click() {
    MachineKey k(kFileSystemKey);
    k.reg.CreateKey(kCdfs);
    k.reg.OpenKey(kCdfs, true);
    const int i = FlatComboBox3.ItemIndex();
    if (i >= 0 && i < 3) k.reg.WriteInteger(kCacheSize, kCacheSizeValues[i]);
}

void TForm2::FlatComboBox1Change() {
    const int i = FlatComboBox1.ItemIndex();
    if (i >= 0 && i < 26) HotKeyCode = 0x41 + i;
    // The letter given up is released, so Ctrl with it is free again.
    RegisterDoorHotKey(Form1->Handle());
    MachineKey k(common::kSettingsKey);
    k.reg.WriteInteger(common::kKeyValue, HotKeyCode);
}
