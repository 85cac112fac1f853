// The splash window shown during start-up.
#pragma once

#include "framework/Forms.h"
#include "framework/StdControls.h"

class TForm4 : public fw::Form {
public:
    TForm4();
    fw::Image Image1{this};   // the program icon
    fw::Label Label1{this};
    fw::Label Label2{this};
    fw::Label Label3{this};
    fw::Image Image2{this};   // decorative strip, natural size
    fw::Bevel Bevel1{this};
};

extern TForm4* Form4;
