// The options window.
#pragma once

#include "framework/Forms.h"

class TForm2 : public fw::Form {
public:
    TForm2();
};

extern TForm2* Form2;
