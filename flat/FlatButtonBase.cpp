#include "flat/FlatButtonBase.h"

#include <cctype>

#include "framework/Errors.h"

namespace flat {

namespace {

constexpr UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
const char kGlyphFailed[] = "复制位图失败";

// A memory DC with one bitmap selected, restored and deleted on scope exit.
class SelectedBitmap {
public:
    explicit SelectedBitmap(HBITMAP b) {
        if (!dc_.Select(b)) throw fw::Error(kGlyphFailed);
    }
    HDC Get() const { return dc_.Get(); }

private:
    fw::MemoryDc dc_;
};

// A 32-bpp bitmap, so colours compare exactly whatever the screen depth.
fw::OwnedBitmap MakeCell(int width, int height) {
    fw::OwnedBitmap b = fw::CreateTopDown32(width, height);
    if (!b) throw fw::Error(kGlyphFailed);
    return b;
}

bool SameLetter(char a, char b) {
    const auto ua = static_cast<unsigned char>(a), ub = static_cast<unsigned char>(b);
    if (ua < 0x80 && ub < 0x80) return std::tolower(ua) == std::tolower(ub);
    return ua == ub;
}

}  // namespace

// ---------------------------------------------------------------- paint steps

std::optional<fw::Color> BackgroundFill(TTransparentMode mode, TFlatButtonState state, bool hot,
                                        const ButtonColors& c) {
    if (mode == tmAlways || (mode == tmNotFocused && !hot)) return std::nullopt;
    switch (state) {
        case fbsUp: return hot ? c.focused : c.color;
        case fbsDisabled: return c.color;
        case fbsDown: return c.down;
        case fbsExclusive: return hot ? c.focused : c.down;
    }
    return std::nullopt;
}

BevelColors FrameColors(TFlatButtonState state, bool hot, const ButtonColors& c) {
    switch (state) {
        case fbsUp: return hot ? BevelColors{c.highlight, c.shadow} : BevelColors{c.border, c.border};
        case fbsDisabled: return BevelColors{c.border, c.border};
        case fbsDown:
        case fbsExclusive: return BevelColors{c.shadow, c.highlight};
    }
    return BevelColors{c.border, c.border};
}

CellColumns GlyphCellColumns(int width, int cells, TFlatButtonState state) {
    // The cell each state shows, by cell count; the last cell takes the
    // columns left over by the division.
    static constexpr int kCell[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 1, 2, 2}, {0, 1, 2, 3}};
    cells = std::clamp(cells, 1, 4);
    const int w = width / cells;
    const int cell = kCell[cells - 1][state];
    return CellColumns{cell * w, cell == cells - 1 ? width : (cell + 1) * w};
}

void DrawGlyphCell(fw::Canvas& canvas, const fw::BitmapGraphic& glyph, int cells,
                   TFlatButtonState state, Point origin) {
    const int width = glyph.Width(), height = glyph.Height();
    cells = std::clamp(cells, 1, 4);
    const int w = width / cells;
    if (w <= 0 || height <= 0) return;
    COLORREF transparent = glyph.PixelAt(0, height - 1);
    const CellColumns columns = GlyphCellColumns(width, cells, state);

    const fw::OwnedBitmap cell = MakeCell(w, height);
    {
        SelectedBitmap source(glyph.Handle()), target(cell.Get());
        const int sourceWidth = columns.last - columns.first;
        if (sourceWidth == w) {
            BitBlt(target.Get(), 0, 0, w, height, source.Get(), columns.first, 0, SRCCOPY);
        } else {
            SetStretchBltMode(target.Get(), COLORONCOLOR);
            StretchBlt(target.Get(), 0, 0, w, height, source.Get(), columns.first, 0, sourceWidth,
                       height, SRCCOPY);
        }
    }
    const fw::OwnedBitmap disabled = cells == 1 && state == fbsDisabled
                                         ? MakeDisabledGlyph(cell.Get(), fw::clBlack, fw::clBtnFace,
                                                             fw::clBtnHighlight, fw::clBtnShadow, true)
                                         : fw::OwnedBitmap();
    SelectedBitmap shown(disabled.Get() ? disabled.Get() : cell.Get());
    if (disabled.Get()) transparent = GetPixel(shown.Get(), 0, height - 1);
    TransparentBlt(canvas.Handle(), origin.x, origin.y, w, height, shown.Get(), 0, 0, w, height,
                   transparent);
}

void DrawButtonCaption(fw::Canvas& canvas, const std::string& caption, const fw::Rect& rect,
                       TFlatButtonState state) {
    if (caption.empty()) return;
    canvas.brush.clear = true;
    if (state == fbsDisabled) {
        fw::Rect below{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
        canvas.font.color = fw::clBtnHighlight;
        canvas.DrawText(caption, below, kCaptionFormat);
        canvas.font.color = fw::clBtnShadow;
    }
    fw::Rect r = rect;
    canvas.DrawText(caption, r, kCaptionFormat);
}

char AcceleratorOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;  // "&&" is a plain "&"
    }
    return 0;
}

bool IsAccelerator(char typed, const std::string& caption) {
    const char accelerator = AcceleratorOf(caption);
    return accelerator && SameLetter(typed, accelerator);
}

std::shared_ptr<fw::BitmapGraphic> CopyGlyph(HBITMAP picture) {
    if (!picture) return nullptr;
    auto copy = fw::BitmapGraphic::FromBitmap(picture);
    if (!copy) throw fw::Error(kGlyphFailed);
    return copy;
}

TNumGlyphs CellsOf(const fw::BitmapGraphic& glyph, TNumGlyphs current) {
    if (glyph.Height() <= 0 || glyph.Width() % glyph.Height() != 0) return current;
    const int cells = glyph.Width() / glyph.Height();
    return cells > 4 ? 1 : cells;
}

}  // namespace flat
