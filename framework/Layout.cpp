#include "framework/Layout.h"

#include <algorithm>

namespace fw {

namespace {

// Ordering key of an item among those of the same alignment.
int OrderKey(Align align, const Rect& r) {
    switch (align) {
        case Align::Top: return r.top;
        case Align::Bottom: return -r.bottom;
        case Align::Left: return r.left;
        case Align::Right: return -r.right;
        default: return 0;
    }
}

}  // namespace

std::vector<Rect> AlignLayout(const Rect& client, const std::vector<LayoutItem>& items) {
    std::vector<Rect> out;
    out.reserve(items.size());
    for (const auto& item : items) out.push_back(item.bounds);

    Rect rest = client;
    for (Align align : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        std::vector<size_t> order;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].visible && items[i].align == align) order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return OrderKey(align, items[a].bounds) < OrderKey(align, items[b].bounds);
        });
        for (size_t i : order) {
            const Rect& b = items[i].bounds;
            const int w = b.Width(), h = b.Height();
            Rect r;
            switch (align) {
                case Align::Top:
                    r = Rect{rest.left, rest.top, rest.right, rest.top + h};
                    rest.top = std::min(rest.bottom, rest.top + h);
                    break;
                case Align::Bottom:
                    r = Rect{rest.left, rest.bottom - h, rest.right, rest.bottom};
                    rest.bottom = std::max(rest.top, rest.bottom - h);
                    break;
                case Align::Left:
                    r = Rect{rest.left, rest.top, rest.left + w, rest.bottom};
                    rest.left = std::min(rest.right, rest.left + w);
                    break;
                case Align::Right:
                    r = Rect{rest.right - w, rest.top, rest.right, rest.bottom};
                    rest.right = std::max(rest.left, rest.right - w);
                    break;
                default:
                    r = rest;
                    break;
            }
            out[i] = r;
        }
    }
    return out;
}

Rect UncoveredRect(Rect area, const std::vector<Rect>& covers) {
    for (bool cut = true; cut && area.Width() > 0 && area.Height() > 0;) {
        cut = false;
        for (const Rect& c : covers) {
            const bool across = c.left <= area.left && c.right >= area.right;
            const bool down = c.top <= area.top && c.bottom >= area.bottom;
            Rect left = area;
            if (across && c.top <= area.top && c.bottom > area.top) left.top = c.bottom;
            else if (across && c.bottom >= area.bottom && c.top < area.bottom) left.bottom = c.top;
            else if (down && c.left <= area.left && c.right > area.left) left.left = c.right;
            else if (down && c.right >= area.right && c.left < area.right) left.right = c.left;
            else continue;
            area = left;
            cut = true;
            if (area.Width() <= 0 || area.Height() <= 0) break;
        }
    }
    return area.Width() > 0 && area.Height() > 0 ? area : Rect{};
}

}  // namespace fw
