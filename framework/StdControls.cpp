#include "framework/StdControls.h"

#include "framework/Graphic.h"

namespace fw {

// ---------------------------------------------------------------- Label

Label::Label(WinControl* parent) : Control(parent) { parentColor_ = true; }

void Label::AdjustSize() {
    if (!autoSize) return;
    HDC dc = GetDC(nullptr);
    Rect r{0, 0, 0, 0};
    {
        Canvas canvas(dc);
        canvas.font = font_;
        const std::string t = text_.empty() ? std::string(" ") : text_;
        canvas.DrawText(t, r, DT_CALCRECT | DT_LEFT | DT_SINGLELINE | (showAccelChar ? 0 : DT_NOPREFIX));
    }
    ReleaseDC(nullptr, dc);
    SetBounds(Left(), Top(), r.Width(), r.Height());
}

LRESULT Label::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    const LRESULT r = Control::WndProc(msg, wp, lp);
    if (msg == notify::TextChanged || msg == notify::FontChanged) AdjustSize();
    return r;
}

void Label::Paint(Canvas& canvas) {
    Rect r = ClientRect();
    if (!transparent) {
        canvas.brush.color = color_;
        canvas.FillRect(r);
    }
    canvas.brush.clear = true;
    canvas.font = font_;
    const UINT format = DT_LEFT | DT_SINGLELINE | (showAccelChar ? 0 : DT_NOPREFIX);
    if (!enabled_) {
        Rect shadow{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        canvas.font.color = clBtnHighlight;
        canvas.DrawText(text_, shadow, format);
        canvas.font.color = clBtnShadow;
    }
    canvas.DrawText(text_, r, format);
}

// ---------------------------------------------------------------- Image

Image::Image(WinControl* parent) : Control(parent) {}

void Image::SetPicture(std::shared_ptr<Graphic> picture) {
    picture_ = std::move(picture);
    Invalidate();
}

void Image::SetStretch(bool s) {
    if (s == stretch_) return;
    stretch_ = s;
    Invalidate();
}

void Image::SetTransparent(bool t) {
    if (t == transparent_) return;
    transparent_ = t;
    Invalidate();
}

void Image::Paint(Canvas& canvas) {
    if (!picture_) return;
    RECT r{0, 0, picture_->Width(), picture_->Height()};
    if (stretch_) r = RECT{0, 0, Width(), Height()};
    if (transparent_) picture_->DrawTransparent(canvas.Handle(), r);
    else picture_->Draw(canvas.Handle(), r);
}

// ---------------------------------------------------------------- Bevel

Bevel::Bevel(WinControl* parent) : Control(parent) {}

void Bevel::Paint(Canvas& canvas) {
    if (shape == BevelShape::Spacer) return;
    const Color light = style == BevelStyle::Lowered ? clBtnHighlight : clBtnShadow;
    const Color dark = style == BevelStyle::Lowered ? clBtnShadow : clBtnHighlight;
    const int w = Width(), h = Height();
    auto line = [&](Color c, int x1, int y1, int x2, int y2) {
        canvas.pen.color = c;
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    switch (shape) {
        case BevelShape::Box:
            line(dark, 0, h - 1, 0, 0);
            line(dark, 0, 0, w - 1, 0);
            line(light, w - 1, 0, w - 1, h - 1);
            line(light, w - 1, h - 1, 0, h - 1);
            break;
        case BevelShape::Frame:
            line(dark, 0, h - 2, 0, 0);
            line(dark, 0, 0, w - 1, 0);
            line(dark, w - 2, 1, w - 2, h - 2);
            line(dark, w - 2, h - 2, 0, h - 2);
            line(light, 1, h - 3, 1, 1);
            line(light, 1, 1, w - 2, 1);
            line(light, w - 1, 0, w - 1, h - 1);
            line(light, w - 1, h - 1, -1, h - 1);
            break;
        case BevelShape::TopLine:
            line(dark, 0, 0, w, 0);
            line(light, 0, 1, w, 1);
            break;
        case BevelShape::BottomLine:
            line(dark, 0, h - 2, w, h - 2);
            line(light, 0, h - 1, w, h - 1);
            break;
        case BevelShape::LeftEdge:
            line(dark, 0, 0, 0, h);
            line(light, 1, 0, 1, h);
            break;
        case BevelShape::RightEdge:
            line(dark, w - 2, 0, w - 2, h);
            line(light, w - 1, 0, w - 1, h);
            break;
        case BevelShape::Spacer:
            break;
    }
}

}  // namespace fw
