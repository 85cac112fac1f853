#include "app/Unit3.h"

#include "app/Unit2.h"
#include "common/ColorNames.h"
#include "common/PicturePreview.h"
#include "common/PictureLoader.h"
#include "common/Registry.h"
#include "common/SettingsNames.h"
#include "framework/Graphic.h"

TForm3* Form3 = nullptr;

using common::MachineKey;

namespace {

void PlaceLabel(fw::Label& label, const char* name, const fw::Rect& bounds, const char* text) {
    label.name = name;
    label.autoSize = false;
    label.SetBounds(bounds);
    label.SetText(text);
}

void PlaceButton(TFlatButton& button, const char* name, const fw::Rect& bounds, int tabOrder,
                 const char* caption, std::function<void()> onClick) {
    button.name = name;
    button.SetBounds(bounds);
    button.SetCaption(caption);
    button.SetTabStop(true);
    button.SetTabOrder(tabOrder);
    button.SetTransparentMode(flat::tmNotFocused);
    button.OnClick = std::move(onClick);
}

}  // namespace

TForm3::TForm3() : OpenPictureDialog1(common::LoadPicturePreview) {
    name = "Form3";
    SetText("Form3");
    SetBounds(221, 130, 337, 247);
    SetColor(fw::clInactiveBorder);
    ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 11;
        f.color = fw::clWindowText;
    });

    SetUpFrameBar(FlatTitlebar1, "FlatTitlebar1", fw::Align::Top, fw::Bounds(0, 0, 337, 41));
    SetUpCaption(FlatTitlebar1, "程序界面设置", fw::clWindowText);
    SetUpFrameBar(FlatTitlebar2, "FlatTitlebar2", fw::Align::Bottom, fw::Bounds(0, 228, 337, 19));
    SetUpFrameBar(FlatTitlebar3, "FlatTitlebar3", fw::Align::Left, fw::Bounds(0, 41, 13, 187));
    SetUpFrameBar(FlatTitlebar4, "FlatTitlebar4", fw::Align::Right, fw::Bounds(324, 41, 13, 187));

    SetUpTitleIcon(Image1, "Image1", fw::Bounds(80, 4, 32, 32), "LOOKSICON");
    SetUpCloseButton(FlatSpeedButton1, fw::Bounds(300, 8, 25, 25), [this] { FlatSpeedButton1Click(); });

    Image2.name = "Image2";
    Image2.SetBounds(13, 41, 311, 187);
    Image2.SetStretch(true);
    Image2.SetVisible(false);

    PlaceLabel(Label1, "Label1", fw::Bounds(28, 56, 132, 13), "设置程序边框颜色：        ");
    FlatColorComboBox1.name = "FlatColorComboBox1";
    FlatColorComboBox1.SetBounds(28, 76, 121, 22);
    FlatColorComboBox1.SetColor(fw::clWindow);
    FlatColorComboBox1.SetAdvColorHighlight(30);
    FlatColorComboBox1.SetBoxWidth(12);
    FlatColorComboBox1.SetShowNames(true);
    FlatColorComboBox1.SetTabOrder(4);
    PlaceButton(FlatButton5, "FlatButton5", fw::Bounds(216, 76, 93, 25), 9, "恢复默认值 &R",
                [this] { FlatButton5Click(); });
    PlaceLabel(Label3, "Label3", fw::Bounds(32, 116, 132, 13), "为程序外观选择图片：    ");
    PlaceButton(FlatButton1, "FlatButton1", fw::Bounds(32, 140, 65, 25), 5, "打开文件",
                [this] { FlatButton1Click(); });
    PlaceButton(FlatButton4, "FlatButton4", fw::Bounds(32, 172, 65, 25), 8, "清除图片",
                [this] { FlatButton4Click(); });
    PlaceButton(FlatButton2, "FlatButton2", fw::Bounds(240, 148, 69, 25), 6, "确定  &A",
                [this] { FlatButton2Click(); });
    PlaceButton(FlatButton3, "FlatButton3", fw::Bounds(240, 184, 69, 25), 7, "取消  &C",
                [this] { FlatButton3Click(); });

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnHide = [this] { FormHide(); };
}

// ---------------------------------------------------------------- loading

void TForm3::FormCreate() {
    // The picker starts on black whatever the key holds.
    FlatColorComboBox1.SetValue(fw::clBlack);
    MachineKey k(common::kSettingsKey);
    Image2.SetVisible(k.reg.ReadBool(common::kImageCanSee));
    if (k.reg.ReadBool(common::kImageCanSee))
        common::LoadPictureFile(k.reg.ReadString(common::kImagePath), Image2);
    const fw::Color frame = common::TextToColor(k.reg.ReadString(common::kBarColor));
    for (TFlatTitlebar* bar : FrameBars) bar->SetTitlebarColor(frame);
}

// ---------------------------------------------------------------- showing

void TForm3::FormShow() {
    AnimateWindow(Handle(), 150, AW_CENTER);
    Repaint();
    fw::Control* const repainted[] = {&FlatButton1, &FlatButton2, &FlatButton3,
                                      &FlatButton4, &FlatColorComboBox1, &Image2};
    for (fw::Control* c : repainted) c->Repaint();
}

void TForm3::FormHide() { AnimateWindow(Handle(), 150, AW_HIDE | AW_CENTER); }

// ---------------------------------------------------------------- the buttons

std::vector<fw::Image*> TForm3::Pictures() {
    return {&Form1->Image1, &Image2, &Form2->Image2, &Form2->Image3, &Form2->Image4, &Form2->Image5};
}

void TForm3::SetFrameColor(fw::Color color) {
    for (TFlatTitlebar* bar : Form1->FrameBars) bar->SetTitlebarColor(color);
    for (TFlatTitlebar* bar : Form2->FrameBars) bar->SetTitlebarColor(color);
    for (TFlatTitlebar* bar : FrameBars) bar->SetTitlebarColor(color);
}

void TForm3::RepaintButtons() {
    for (TFlatButton* b : {&FlatButton1, &FlatButton2, &FlatButton3, &FlatButton4, &FlatButton5}) b->Repaint();
}

void TForm3::FlatButton1Click() {
    if (!OpenPictureDialog1.Execute(Handle())) return;
    const std::string path = OpenPictureDialog1.FileName();
    const std::vector<fw::Image*> pictures = Pictures();
    for (fw::Image* image : pictures) image->SetVisible(true);
    common::LoadPictureFile(path, pictures);
    // The idle buttons show the picture beneath them: they draw it again.
    RepaintButtons();
    MachineKey k(common::kSettingsKey);
    k.reg.WriteBool(common::kImageCanSee, true);
    k.reg.WriteString(common::kImagePath, path);
}

void TForm3::FlatButton2Click() {
    const fw::Color c = FlatColorComboBox1.Value();
    SetFrameColor(c);
    {
        MachineKey k(common::kSettingsKey);
        k.reg.WriteString(common::kBarColor, common::ColorToText(c));
    }
    RepaintButtons();
}

void TForm3::FlatButton3Click() { Close(); }

void TForm3::FlatButton4Click() {
    for (fw::Image* image : Pictures()) image->SetVisible(false);
    {
        MachineKey k(common::kSettingsKey);
        k.reg.WriteBool(common::kImageCanSee, false);
    }
    RepaintButtons();
}

void TForm3::FlatButton5Click() {
    FlatButton4Click();
    SetFrameColor(fw::clBackground);
    MachineKey k(common::kSettingsKey);
    k.reg.WriteString(common::kBarColor, "clBackground");
}

void TForm3::FlatSpeedButton1Click() { Close(); }
