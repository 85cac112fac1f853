// The about window.
#pragma once

#include "framework/Forms.h"

class TForm5 : public fw::Form {
public:
    TForm5();
};

extern TForm5* Form5;
