#include "flat/TFlatSpeedButtonUnit.h"

namespace flat {

// Whatever the button does not fill shows its parent's surface beneath.
void TFlatSpeedButton::Paint(fw::Canvas& canvas) {
    PlaceContent(canvas);
    FillBackground(canvas);
    DrawFace(canvas, 1);
}

}  // namespace flat
