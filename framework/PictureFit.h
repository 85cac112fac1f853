// Where a picture goes in a box that shows it whole: shrunk to fit when it
// is larger, keeping its proportions, never enlarged, centred. Pure maths.
#pragma once

#include <cstdint>

#include "framework/Types.h"

namespace fw {

// The rectangle a width x height picture takes inside `box`; empty when the
// picture or the box has no area. A shrunk side is at least one pixel.
constexpr Rect FitPicture(int width, int height, const Rect& box) {
    const std::int64_t bw = box.Width(), bh = box.Height();
    if (width <= 0 || height <= 0 || bw <= 0 || bh <= 0) return Rect{box.left, box.top, box.left, box.top};
    std::int64_t w = width, h = height;
    if (w > bw || h > bh) {
        if (w * bh >= h * bw) {  // the width is the tighter limit
            h = (h * bw + w / 2) / w;
            w = bw;
        } else {
            w = (w * bh + h / 2) / h;
            h = bh;
        }
        if (w < 1) w = 1;
        if (h < 1) h = 1;
    }
    const int left = box.left + static_cast<int>((bw - w) / 2);
    const int top = box.top + static_cast<int>((bh - h) / 2);
    return Rect{left, top, left + static_cast<int>(w), top + static_cast<int>(h)};
}

}  // namespace fw
