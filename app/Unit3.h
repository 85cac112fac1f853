// The appearance window.
#pragma once

#include "framework/Forms.h"

class TForm3 : public fw::Form {
public:
    TForm3();
};

extern TForm3* Form3;
