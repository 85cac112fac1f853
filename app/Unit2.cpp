#include "app/Unit2.h"

TForm2* Form2 = nullptr;

TForm2::TForm2() {
    name = "Form2";
    SetText("Form2");
}
