// Drawing surface over a device context, with pen, brush and font objects
// selected lazily and released with the canvas.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/GdiObjects.h"
#include "framework/Types.h"

namespace fw {

// Resolves a colour to RGB: system colours through GetSysColor.
COLORREF ColorToRGB(Color c);

struct FontStyle {
    bool bold = false, italic = false, underline = false, strikeOut = false;
    bool operator==(const FontStyle&) const = default;
};

// A font description; the GDI font is made when first needed and shared by
// every font of the same face, height, style and character set, so copying
// a font (as each paint does) makes no GDI object.
class Font {
public:
    Font();
    Font(const Font& other);
    Font& operator=(const Font& other);
    ~Font();

    std::string name;          // face name, code page 936
    int height;                // character height in pixels
    FontStyle style;
    Color color;
    BYTE charset;

    HFONT Handle() const;      // created on demand from the fields above
    void Changed();            // drop the cached handle after editing fields
    bool SameAs(const Font& other) const;

private:
    struct Made;
    mutable std::shared_ptr<const Made> made_;
};

struct Pen {
    Color color = clBlack;
    int width = 1;
    int style = PS_SOLID;
};

struct Brush {
    Color color = clWhite;
    bool clear = false;        // hollow brush: shapes are not filled
};

// For its lifetime, moves a DC's origin by (dx, dy) and clips it to
// (0, 0, width, height) in the moved coordinates; the DC's state is restored
// when it ends. How a child's area of a surface is handed to the child.
class MovedDc {
public:
    MovedDc(HDC dc, int dx, int dy, int width, int height);
    ~MovedDc() { RestoreDC(dc_, saved_); }
    MovedDc(const MovedDc&) = delete;
    MovedDc& operator=(const MovedDc&) = delete;

private:
    HDC dc_;
    int saved_;
};

class Canvas {
public:
    explicit Canvas(HDC dc);   // does not own the DC
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Handle() const { return dc_; }

    Pen pen;
    Brush brush;
    Font font;

    void FillRect(const Rect& r);            // with the brush
    void FrameRect(const Rect& r);           // one-pixel frame in the brush colour
    void Rectangle(const Rect& r);           // pen outline, brush fill
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void SetPixel(int x, int y, Color c);
    Color GetPixel(int x, int y) const;
    void TextOut(int x, int y, const std::string& text);   // transparent when brush.clear
    int DrawText(const std::string& text, Rect& r, UINT format);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // Selects the current pen, brush and font into the DC (done by every
    // drawing call; public for callers that use GDI directly).
    void Prepare();

private:
    HDC dc_;
    HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr, oldFont_ = nullptr;
    // Deleted after the destructor has put the DC's own objects back.
    OwnedPen penHandle_;
    OwnedBrush brushHandle_;
    Pen madePen_;
    Brush madeBrush_;
    bool penMade_ = false, brushMade_ = false;
};

}  // namespace fw
