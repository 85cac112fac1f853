// Drawing routines of the flat controls: one- and two-colour bevel frames,
// the parent's background painted behind a windowed control, and the
// embossed look of a disabled glyph.
#pragma once

#include <windows.h>

#include "framework/Canvas.h"
#include "framework/Controls.h"
#include "framework/Types.h"

namespace flat {

// Draws `width` rings inside `rect`, outermost first: each ring's left column
// and top row in `top`, its right column and bottom row in `bottom` (so the
// top-right and bottom-left corners are `bottom`). Rings stop where the
// rectangle is used up; nothing is drawn outside it.
void DrawBevelFrame(fw::Canvas& canvas, const fw::Rect& rect, fw::Color top, fw::Color bottom,
                    int width);

// Has the control's parent erase and paint its client area into `canvas`,
// shifted so that the part under the control lands at (0, 0) and clipped to
// the parent's client area: the parent's colour, picture and windowless
// children show through. Nothing happens without a parent window. The
// canvas's drawing state is restored afterwards.
void PaintParentBackground(fw::Control& control, fw::Canvas& canvas);

// The rectangle filled with a colour, or its one-pixel outline in it, on a
// DC the native control's own painting gave.
void FillSolid(HDC dc, const RECT& r, fw::Color c);
void OutlineSolid(HDC dc, const RECT& r, fw::Color c);

// A new bitmap the size of `source`, in `face`, with
// the source's pixels of colour `key` (its black pixels when the source is
// monochrome) in `shadow`, and when `embossed` a copy of that shape in
// `highlight` one pixel right and down beneath them. Raises fw::Error when
// the source is not a bitmap or the system has no room; nothing is leaked.
fw::OwnedBitmap MakeDisabledGlyph(HBITMAP source, fw::Color key, fw::Color face, fw::Color highlight,
                                  fw::Color shadow, bool embossed);

}  // namespace flat
