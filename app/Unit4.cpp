#include "app/Unit4.h"

#include <utility>

#include "common/PictureLoader.h"
#include "framework/Errors.h"
#include "framework/Graphic.h"

TForm4* Form4 = nullptr;

namespace {

void YellowFont(fw::Label& label, const char* face, int height, bool italic, BYTE charset) {
    label.ChangeFont([&](fw::Font& f) {
        f.name = face;
        f.height = height;
        f.style.bold = true;
        f.style.italic = italic;
        f.color = fw::clYellow;
        f.charset = charset;
    });
}

// The decorative strip, a JPEG picture kept in the program's resources, at its
// natural size. It is the program's own artwork: should it not decode, the
// splash simply goes without it.
std::shared_ptr<fw::Graphic> StripPicture(HINSTANCE inst) {
    HRSRC res = FindResourceA(inst, "STRIP", MAKEINTRESOURCEA(10));  // RT_RCDATA, ANSI form
    if (!res) return nullptr;
    HGLOBAL loaded = LoadResource(inst, res);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(inst, res);
    if (!data || size == 0) return nullptr;
    try {
        return common::LoadJpegPicture(data, size, 0, 0);
    } catch (const fw::PictureError&) {
        return nullptr;
    }
}

}  // namespace

TForm4::TForm4() {
    name = "Form4";
    SetText("Form4");
    SetBounds(0, 0, 293, 206);
    SetColor(13852466);  // 0x00D35F32: red 50, green 95, blue 211
    position = fw::FormPosition::ScreenCenter;
    HINSTANCE inst = GetModuleHandleA(nullptr);

    Image1.name = "Image1";
    Image1.SetBounds(244, 12, 32, 32);
    Image1.SetTransparent(true);
    if (auto icon = fw::LoadIconResource(inst, "MAINICON", 32, 32))
        Image1.SetPicture(fw::IconGraphic::FromIcon(std::move(icon)));

    Label1.name = "Label1";
    Label1.SetBounds(12, 12, 174, 30);
    YellowFont(Label1, "华文彩云", 29, true, GB2312_CHARSET);
    Label1.SetText("Quelvo   ");

    Label2.name = "Label2";
    Label2.SetBounds(164, 172, 177, 16);
    YellowFont(Label2, "黑体", 16, false, GB2312_CHARSET);
    Label2.SetText("Keltrin工作室       ");

    Label3.name = "Label3";
    Label3.autoSize = false;
    Label3.SetBounds(192, 24, 24, 19);
    YellowFont(Label3, "MS Serif", 16, false, ANSI_CHARSET);
    Label3.SetText("1.0");

    Image2.name = "Image2";
    Image2.SetBounds(-57, 192, 350, 5);
    Image2.SetPicture(StripPicture(inst));

    Bevel1.name = "Bevel1";
    Bevel1.shape = fw::BevelShape::Spacer;
    Bevel1.SetAlign(fw::Align::Client);
}
