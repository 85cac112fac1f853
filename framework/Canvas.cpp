#include "framework/Canvas.h"

#include <map>
#include <tuple>
#include <utility>

namespace fw {

COLORREF ColorToRGB(Color c) {
    if (IsSystemColor(c)) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c & 0x00FFFFFF);
}

Font::Font()
    : name("宋体"), height(12), color(clWindowText), charset(DEFAULT_CHARSET) {}

namespace {

using FontKey = std::tuple<std::string, int, bool, bool, bool, bool, BYTE>;

FontKey KeyOf(const Font& f) {
    return FontKey{f.name, f.height, f.style.bold, f.style.italic, f.style.underline, f.style.strikeOut,
                   f.charset};
}

}  // namespace

struct Font::Made {
    FontKey key;
    OwnedFont font;
};

Font::Font(const Font& other)
    : name(other.name), height(other.height), style(other.style), color(other.color),
      charset(other.charset), made_(other.made_) {}

Font& Font::operator=(const Font& other) {
    if (this != &other) {
        name = other.name;
        height = other.height;
        style = other.style;
        color = other.color;
        charset = other.charset;
        made_ = other.made_;
    }
    return *this;
}

Font::~Font() = default;

bool Font::SameAs(const Font& o) const {
    return name == o.name && height == o.height && style == o.style && color == o.color &&
           charset == o.charset;
}

void Font::Changed() { made_.reset(); }

HFONT Font::Handle() const {
    const FontKey key = KeyOf(*this);
    if (made_ && made_->key == key) return made_->font.Get();
    // Never destroyed: fonts may outlive static destruction order.
    static auto* shared = new std::map<FontKey, std::weak_ptr<const Made>>;
    if (auto it = shared->find(key); it != shared->end()) {
        if (auto live = it->second.lock()) {
            made_ = live;
            return made_->font.Get();
        }
    }
    LOGFONTA lf{};
    lf.lfHeight = -height;
    lf.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style.italic;
    lf.lfUnderline = style.underline;
    lf.lfStrikeOut = style.strikeOut;
    lf.lfCharSet = charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, name.c_str(), LF_FACESIZE);
    std::shared_ptr<const Made> made(new Made{key, MakeFont(lf)});
    (*shared)[key] = made;
    made_ = made;
    return made_->font.Get();
}

MovedDc::MovedDc(HDC dc, int dx, int dy, int width, int height) : dc_(dc), saved_(SaveDC(dc)) {
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x + dx, origin.y + dy, nullptr);
    IntersectClipRect(dc, 0, 0, width, height);
}

Canvas::Canvas(HDC dc) : dc_(dc) {}

Canvas::~Canvas() {
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (oldBrush_) SelectObject(dc_, oldBrush_);
    if (oldFont_) SelectObject(dc_, oldFont_);
}

void Canvas::Prepare() {
    if (!penMade_ || madePen_.color != pen.color || madePen_.width != pen.width ||
        madePen_.style != pen.style) {
        OwnedPen p = MakePen(pen.style, pen.width, ColorToRGB(pen.color));
        HGDIOBJ old = SelectObject(dc_, p.Get());
        if (!oldPen_) oldPen_ = old;
        penHandle_ = std::move(p);  // the one it replaces is no longer selected
        madePen_ = pen;
        penMade_ = true;
    }
    if (!brushMade_ || madeBrush_.color != brush.color || madeBrush_.clear != brush.clear) {
        OwnedBrush b = brush.clear ? OwnedBrush() : MakeSolidBrush(ColorToRGB(brush.color));
        HGDIOBJ old = SelectObject(dc_, brush.clear ? GetStockObject(NULL_BRUSH) : b.Get());
        if (!oldBrush_) oldBrush_ = old;
        brushHandle_ = std::move(b);
        madeBrush_ = brush;
        brushMade_ = true;
    }
    HGDIOBJ oldF = SelectObject(dc_, font.Handle());
    if (!oldFont_) oldFont_ = oldF;
    SetTextColor(dc_, ColorToRGB(font.color));
    SetBkColor(dc_, ColorToRGB(brush.color));
    SetBkMode(dc_, brush.clear ? TRANSPARENT : OPAQUE);
}

void Canvas::FillRect(const Rect& r) {
    if (brush.clear) return;
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::FillRect(dc_, &rc, MakeSolidBrush(ColorToRGB(brush.color)).Get());
}

void Canvas::FrameRect(const Rect& r) {
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::FrameRect(dc_, &rc, MakeSolidBrush(ColorToRGB(brush.color)).Get());
}

void Canvas::Rectangle(const Rect& r) {
    Prepare();
    ::Rectangle(dc_, r.left, r.top, r.right, r.bottom);
}

void Canvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void Canvas::LineTo(int x, int y) {
    Prepare();
    ::LineTo(dc_, x, y);
}

void Canvas::SetPixel(int x, int y, Color c) { ::SetPixel(dc_, x, y, ColorToRGB(c)); }

Color Canvas::GetPixel(int x, int y) const { return ::GetPixel(dc_, x, y); }

void Canvas::TextOut(int x, int y, const std::string& text) {
    Prepare();
    ::TextOutA(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
}

int Canvas::DrawText(const std::string& text, Rect& r, UINT format) {
    Prepare();
    RECT rc{r.left, r.top, r.right, r.bottom};
    const int h = ::DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rc, format);
    r = Rect{rc.left, rc.top, rc.right, rc.bottom};
    return h;
}

SIZE Canvas::TextExtent(const std::string& text) {
    Prepare();
    SIZE s{0, 0};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &s);
    return s;
}

}  // namespace fw
