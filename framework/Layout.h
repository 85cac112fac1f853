// Alignment of children to their parent's edges: pure layout maths.
#pragma once

#include <vector>

#include "framework/Types.h"

namespace fw {

struct LayoutItem {
    Align align = Align::None;
    Rect bounds;       // current bounds in the parent's client coordinates
    bool visible = true;
};

// Places the aligned, visible items inside `client`: first all top-aligned ones
// (in order of their current top, then of their position in the list), then
// bottom, left, right, and last the client-aligned ones, each taking a strip of
// what the earlier ones left. Items with Align::None keep their bounds.
// Returns the new bounds, one per item.
std::vector<Rect> AlignLayout(const Rect& client, const std::vector<LayoutItem>& items);

// The smallest rectangle holding what of `area` the `covers` leave open,
// where a cover takes a strip off an edge only when it spans the whole of
// what is left along that edge (as the frame bars do). Empty when nothing is
// left open (all zero).
Rect UncoveredRect(Rect area, const std::vector<Rect>& covers);

}  // namespace fw
