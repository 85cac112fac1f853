// A test program for the speed buttons under the real pointer: a form at
// (200, 200), 240 x 120, with the speed buttons "A" at (40, 40) and "B" at
// (100, 40), each 60 x 30, side by side, transparent while idle. It prints
// one line per event on standard output: "ready", "<name> click", and, as
// each look is painted, "<name> hot" / "<name> cold" and "<name> down" /
// "<name> up". It ends by itself after two minutes.
#include <windows.h>

#include <cstdio>
#include <string>

#include "flat/TFlatSpeedButtonUnit.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Timer.h"

namespace {

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class ProbeButton : public flat::TFlatSpeedButton {
public:
    ProbeButton(fw::WinControl* parent, const std::string& name, int left)
        : flat::TFlatSpeedButton(parent), name_(name) {
        SetBounds(left, 40, 60, 30);
        SetCaption(name);
        SetTransparentMode(flat::tmNotFocused);
        OnClick = [this] { Say(name_ + " click"); };
    }

protected:
    void Paint(fw::Canvas& canvas) override {
        flat::TFlatSpeedButton::Paint(canvas);
        if (IsHot() != hot_) {
            hot_ = IsHot();
            Say(name_ + (hot_ ? " hot" : " cold"));
        }
        const bool down = ButtonState() == flat::fbsDown;
        if (down != down_) {
            down_ = down;
            Say(name_ + (down_ ? " down" : " up"));
        }
    }

private:
    std::string name_;
    bool hot_ = false, down_ = false;
};

}  // namespace

int main() {
    fw::App().Initialize();
    fw::App().SetTitle("SpeedProbe");
    fw::Form form;
    form.SetBounds(200, 200, 240, 120);
    form.SetColor(0x906030);
    ProbeButton a(&form, "A", 40), b(&form, "B", 100);
    fw::Timer quit;
    quit.SetInterval(120000);
    quit.OnTimer = [] { fw::App().Terminate(); };
    quit.SetEnabled(true);
    form.Create();
    form.Show();
    SetForegroundWindow(form.Handle());
    Say("ready");
    fw::App().Run();
    form.Hide();
    return 0;
}
