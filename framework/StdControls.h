// Windowless standard controls: Label, Image, Bevel.
#pragma once

#include <memory>

#include "framework/Controls.h"

namespace fw {

class Graphic;

// Text with no background of its own, sized to its text when autoSize is on.
class Label : public Control {
public:
    explicit Label(WinControl* parent = nullptr);
    bool autoSize = true;
    bool showAccelChar = true;  // "&" marks an access letter
    bool transparent = true;    // no background of its own
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void AdjustSize();

protected:
    void Paint(Canvas& canvas) override;
};

// A picture, drawn stretched over the control's area or at its natural size.
class Image : public Control {
public:
    explicit Image(WinControl* parent = nullptr);
    const std::shared_ptr<Graphic>& Picture() const { return picture_; }
    void SetPicture(std::shared_ptr<Graphic> picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s);
    // Bitmaps: the colour of the bottom-left pixel is not painted. Icons are
    // always drawn through their mask.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t);

protected:
    void Paint(Canvas& canvas) override;

private:
    std::shared_ptr<Graphic> picture_;
    bool stretch_ = false;
    bool transparent_ = false;
};

enum class BevelShape { Box, Frame, TopLine, BottomLine, LeftEdge, RightEdge, Spacer };
enum class BevelStyle { Lowered, Raised };

class Bevel : public Control {
public:
    explicit Bevel(WinControl* parent = nullptr);
    BevelShape shape = BevelShape::Box;
    BevelStyle style = BevelStyle::Lowered;

protected:
    void Paint(Canvas& canvas) override;
};

}  // namespace fw
