#include "app/Unit5.h"

#include <shellapi.h>

#include <random>

#include "framework/Graphic.h"

TForm5* Form5 = nullptr;

namespace about {

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = {
        "                          感谢使用Quelvo",
        "  该软件最有特点的功能就是在关机的时候能够快速",
        "检测出你的光驱内是否有光盘，并且能够马上提示",
        "您将光盘及时的拿出，避免了关机时将光盘忘记在",
        "光驱中的现象。",
        "  另外，该软件还提供了一些常用的光驱设置，使您",
        "能够方便的设置光驱的功能。",
        "",
        "",
        "                        谢谢合作！",
        "                                  Keltrin工作室",
        "                                      2026年12月",
    };
    return lines;
}

int LinkBlue(unsigned clockMs) {
    std::mt19937 generator(clockMs);
    return std::uniform_int_distribution<int>(0, 254)(generator);
}

}  // namespace about

namespace {

// The time of day in milliseconds: a reading that differs between two ticks
// of the link's timer.
unsigned MillisecondsOfDay() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ((t.wHour * 60u + t.wMinute) * 60u + t.wSecond) * 1000u + t.wMilliseconds;
}

}  // namespace

TForm5::TForm5() {
    name = "Form5";
    SetText("Form5");
    SetBounds(242, 136, 305, 345);
    SetColor(fw::clActiveBorder);
    ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 11;
        f.color = fw::clWindowText;
    });

    SetUpFrameBar(FlatTitlebar1, "FlatTitlebar1", fw::Align::Top, fw::Bounds(0, 0, 305, 45));
    FlatTitlebar1.SetCaption("关于Keltrin");
    FlatTitlebar1.ChangeFont([](fw::Font& f) {
        f.name = "幼圆";
        f.charset = GB2312_CHARSET;
        f.height = 13;
        f.style.bold = true;
        f.color = fw::clWhite;
    });
    SetUpFrameBar(FlatTitlebar2, "FlatTitlebar2", fw::Align::Bottom, fw::Bounds(0, 337, 305, 8));
    SetUpFrameBar(FlatTitlebar3, "FlatTitlebar3", fw::Align::Left, fw::Bounds(0, 45, 7, 292));
    SetUpFrameBar(FlatTitlebar4, "FlatTitlebar4", fw::Align::Right, fw::Bounds(298, 45, 7, 292));
    SetUpTitleIcon(Image2, "Image2", fw::Bounds(72, 8, 32, 32), "MAINICON");

    FlatMemo1.name = "FlatMemo1";
    FlatMemo1.SetBounds(12, 49, 281, 204);
    FlatMemo1.SetReadOnly(true);
    FlatMemo1.SetColorFocused(fw::clActiveBorder);
    FlatMemo1.SetColorFlat(fw::clActiveBorder);
    FlatMemo1.SetParentColor(true);
    FlatMemo1.SetTabOrder(0);
    FlatMemo1.SetLines(about::Lines());

    SetUpTitleIcon(Image1, "Image1", fw::Bounds(64, 260, 32, 32), "MAILICON");
    Image1.cursor = IDC_HAND;
    Image1.OnClick = [this] { Image1Click(); };

    Label1.name = "Label1";
    Label1.SetBounds(104, 272, 107, 13);
    Label1.SetText(std::string(about::kAddress) + "       ");
    Label1.cursor = IDC_HAND;
    Label1.ChangeFont([](fw::Font& f) {
        f.name = "MS Sans Serif";
        f.height = 11;
        f.color = fw::clBlue;
    });
    Label1.OnClick = [this] { Label1Click(); };

    FlatButton1.name = "FlatButton1";
    FlatButton1.SetBounds(112, 300, 77, 25);
    FlatButton1.SetCaption("确定");
    FlatButton1.SetTabStop(true);
    FlatButton1.OnClick = [this] { FlatButton1Click(); };

    Timer1.SetInterval(500);
    Timer1.OnTimer = [this] { Timer1Timer(); };
    Timer1.SetEnabled(true);

    OnShow = [this] { FormShow(); };
    OnHide = [this] { FormHide(); };
}

void TForm5::FormShow() {
    AnimateWindow(Handle(), 150, AW_CENTER);
    fw::Control* const repainted[] = {&Label1, &FlatTitlebar1, &FlatTitlebar2, &FlatTitlebar3,
                                      &FlatTitlebar4, &FlatMemo1, &FlatButton1, &Image1};
    for (fw::Control* c : repainted) c->Repaint();
}

void TForm5::FormHide() { AnimateWindow(Handle(), 150, AW_HIDE | AW_CENTER); }

void TForm5::Label1Click() {
    ShellExecuteA(Handle(), nullptr, (std::string("mailto:") + about::kAddress).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void TForm5::Image1Click() { Label1Click(); }

void TForm5::Timer1Timer() {
    const int blue = about::LinkBlue(MillisecondsOfDay());
    Label1.ChangeFont([blue](fw::Font& f) { f.color = 0x008080 + static_cast<fw::Color>(blue) * 0x10000; });
}

void TForm5::FlatButton1Click() { Close(); }

void TForm5::ShowOrRaise() {
    if (Visible()) SetForegroundWindow(Handle());
    else Show();
}
