// The appearance window: the frame colour and the background picture of the
// main, options and appearance windows, applied at once and stored in the
// settings key.
#pragma once

#include "app/Unit1.h"
#include "flat/TFlatButtonUnit.h"
#include "flat/TFlatColorComboBoxUnit.h"
#include "framework/ExtDlgs.h"
#include "framework/Forms.h"
#include "framework/StdControls.h"

using flat::TFlatButton;
using flat::TFlatColorComboBox;

class TForm3 : public fw::Form {
public:
    TForm3();

    TFlatTitlebar FlatTitlebar1{this};
    fw::Image Image1{&FlatTitlebar1};
    TFlatSpeedButton FlatSpeedButton1{&FlatTitlebar1};
    TFlatTitlebar FlatTitlebar2{this};
    TFlatTitlebar FlatTitlebar3{this};
    TFlatTitlebar FlatTitlebar4{this};
    // Inside the frame: the picture first, beneath everything else.
    fw::Image Image2{this};
    fw::Label Label1{this};
    TFlatColorComboBox FlatColorComboBox1{this};
    TFlatButton FlatButton5{this};
    fw::Label Label3{this};
    TFlatButton FlatButton1{this};
    TFlatButton FlatButton4{this};
    TFlatButton FlatButton2{this};
    TFlatButton FlatButton3{this};
    fw::OpenPictureDialog OpenPictureDialog1;

    TFlatTitlebar* FrameBars[4] = {&FlatTitlebar1, &FlatTitlebar2, &FlatTitlebar3, &FlatTitlebar4};

    void FormCreate();
    void FormShow();
    void FormHide();
    void FlatButton1Click();  // open a picture
    void FlatButton2Click();  // apply the colour
    void FlatButton3Click();  // cancel
    void FlatButton4Click();  // clear the picture
    void FlatButton5Click();  // the defaults
    void FlatSpeedButton1Click();

private:
    // The background pictures of the three windows, in the order they are
    // shown, hidden and loaded.
    std::vector<fw::Image*> Pictures();
    // The frame colour on the main, options and this window's bars.
    void SetFrameColor(fw::Color color);
    void RepaintButtons();
};

extern TForm3* Form3;
