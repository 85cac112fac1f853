#include "framework/ColorDialog.h"

#include <commdlg.h>

#include "framework/Canvas.h"

namespace fw {

// The custom colours start white, as the dialog shows empty places.
ColorDialog::ColorDialog() { customColors_.fill(RGB(255, 255, 255)); }

bool ColorDialog::Execute(HWND owner) {
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = ColorToRGB(color_);
    cc.lpCustColors = customColors_.data();
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc)) return false;
    color_ = cc.rgbResult & 0x00FFFFFF;
    return true;
}

}  // namespace fw
