// The about window: a short text about the program, an e-mail link whose
// colour changes about twice a second, and an OK button. Shown without
// being modal; its frame keeps the system's background colour.
#pragma once

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "flat/TFlatButtonUnit.h"
#include "flat/TFlatMemoUnit.h"
#include "framework/Forms.h"
#include "framework/StdControls.h"
#include "framework/Timer.h"

using flat::TFlatButton;
using flat::TFlatMemo;

namespace about {
// The author's address, as the link label shows it and the link opens it.
constexpr char kAddress[] = "keltrin@example.com";
// The about text, line by line.
const std::vector<std::string>& Lines();
// The link's blue for a clock reading: 0 to 254, drawn from a generator
// seeded with the reading.
int LinkBlue(unsigned clockMs);
}  // namespace about

class TForm5 : public fw::Form {
public:
    TForm5();

    TFlatTitlebar FlatTitlebar1{this};
    fw::Image Image2{&FlatTitlebar1};
    TFlatTitlebar FlatTitlebar2{this};
    TFlatTitlebar FlatTitlebar3{this};
    TFlatTitlebar FlatTitlebar4{this};
    TFlatMemo FlatMemo1{this};
    fw::Image Image1{this};
    fw::Label Label1{this};
    TFlatButton FlatButton1{this};
    fw::Timer Timer1;

    void FormShow();
    void FormHide();
    void Label1Click();
    void Image1Click();
    void Timer1Timer();
    void FlatButton1Click();

    // Shows the window, or brings it to the front when it is shown already.
    void ShowOrRaise();
};

extern TForm5* Form5;
