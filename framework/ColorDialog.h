// The system's colour dialog, opened modally on the colour last confirmed in
// it. The object keeps that colour and the dialog's sixteen custom colours
// from one opening to the next.
#pragma once

#include <windows.h>

#include <array>

#include "framework/Types.h"

namespace fw {

class ColorDialog {
public:
    ColorDialog();

    // Runs the dialog, owned by `owner` (may be null), fully open so that the
    // red, green and blue fields show. True when the user confirmed: the
    // colour is then the one chosen. Cancelled, or failed to open, the colour
    // stays as it was.
    bool Execute(HWND owner);

    // The colour the dialog opens with and, after a confirmation, the one
    // confirmed: a plain RGB value then. Black before the first use.
    fw::Color Color() const { return color_; }
    void SetColor(fw::Color c) { color_ = c; }

private:
    fw::Color color_ = clBlack;
    std::array<COLORREF, 16> customColors_;
};

}  // namespace fw
