#include "app/Unit3.h"

TForm3* Form3 = nullptr;

TForm3::TForm3() {
    name = "Form3";
    SetText("Form3");
}
