#include "app/Unit5.h"

TForm5* Form5 = nullptr;

TForm5::TForm5() {
    name = "Form5";
    SetText("Form5");
}
