// A test program for the title bar under real pointer input: a borderless
// window "TitlebarProbe" at (200, 150), 300 x 120, with a bar docked at its
// top (30 high, the caption in a bold face, the program's colours), and a
// second window "TitlebarOther" at (600, 150) that is active at the start, so
// the bar starts inactive. test_titlebar.py drives it with xdotool.
#include <windows.h>

#include "flat/TFlatTitlebarUnit.h"
#include "framework/Application.h"
#include "framework/Forms.h"

namespace {

class ProbeForm : public fw::Form {
public:
    ProbeForm() {
        SetText("TitlebarProbe");
        SetBounds(200, 150, 300, 120);
        SetColor(fw::clBlack);
        bar.SetAlign(fw::Align::Top);
        bar.SetBounds(0, 0, 300, 30);
        bar.SetCaption("Quelvo1.0版");
        bar.ChangeFont([](fw::Font& f) {
            f.name = "MS Sans Serif";
            f.height = 16;
            f.style.bold = true;
        });
        bar.SetTitlebarColor(fw::clBackground);
        bar.SetActiveTextColor(fw::clWhite);
        bar.SetInactiveTextColor(8559266);
    }
    flat::TFlatTitlebar bar{this};
};

class OtherForm : public fw::Form {
public:
    OtherForm() {
        SetText("TitlebarOther");
        SetBounds(600, 150, 150, 100);
        SetColor(fw::clGray);
    }
};

}  // namespace

int main() {
    fw::App().Initialize();
    fw::App().SetTitle("TitlebarProbe");
    auto* probe = fw::App().CreateForm<ProbeForm>();
    auto* other = fw::App().CreateForm<OtherForm>();
    probe->Show();
    other->Show();
    SetForegroundWindow(other->Handle());
    fw::App().showMainForm = false;  // shown already; the loop must not activate it
    fw::App().Run();
    return 0;
}
