#include <gtest/gtest.h>

#include "framework/Layout.h"

using fw::Align;
using fw::Bounds;
using fw::LayoutItem;
using fw::Rect;

namespace {

TEST(AlignLayout, FourEdgesAndClientShareTheParent) {
    // The main window's frame: 262 x 193 with bars of 41, 13, 14 and 13 pixels.
    const Rect client{0, 0, 262, 193};
    std::vector<LayoutItem> items = {
        {Align::Top, Bounds(0, 0, 262, 41)},    {Align::Left, Bounds(0, 41, 13, 139)},
        {Align::Right, Bounds(248, 41, 14, 139)}, {Align::Bottom, Bounds(0, 180, 262, 13)},
        {Align::Client, Bounds(5, 5, 1, 1)},    {Align::None, Bounds(13, 41, 235, 139)},
    };
    const auto r = fw::AlignLayout(client, items);
    EXPECT_EQ(r[0], Bounds(0, 0, 262, 41));
    EXPECT_EQ(r[1], Bounds(0, 41, 13, 139));
    EXPECT_EQ(r[2], Bounds(248, 41, 14, 139));
    EXPECT_EQ(r[3], Bounds(0, 180, 262, 13));
    EXPECT_EQ(r[4], Bounds(13, 41, 235, 139));
    EXPECT_EQ(r[5], Bounds(13, 41, 235, 139));
}

TEST(UncoveredRect, StripsSpanningAnEdgeAreCutOffInAnyOrder) {
    const Rect window{0, 0, 262, 193};
    const Rect top = Bounds(0, 0, 262, 41), left = Bounds(0, 41, 13, 139), right = Bounds(248, 41, 14, 139),
               bottom = Bounds(0, 180, 262, 13);
    struct Row {
        std::vector<Rect> covers;
        Rect open;
    } rows[] = {
        {{}, window},
        {{top, left, right, bottom}, Bounds(13, 41, 235, 139)},
        {{left, right, bottom, top}, Bounds(13, 41, 235, 139)},  // sides first: cut once the bars are
        {{left}, window},                                         // not the whole height: nothing cut
        {{Bounds(20, 0, 10, 193)}, window},                       // a strip in the middle leaves both sides
        {{Bounds(-5, -5, 300, 300)}, Rect{}},                     // all covered
        {{top, Bounds(0, 30, 262, 200)}, Rect{}},                 // overlapping covers
    };
    for (const Row& row : rows) EXPECT_EQ(fw::UncoveredRect(window, row.covers), row.open);
}

TEST(AlignLayout, SameEdgeStacksInOrderOfPosition) {
    const Rect client{0, 0, 100, 100};
    std::vector<LayoutItem> items = {
        {Align::Top, Bounds(0, 50, 10, 20)},   // lower one listed first
        {Align::Top, Bounds(0, 0, 10, 10)},
        {Align::Bottom, Bounds(0, 0, 10, 5)},
        {Align::Right, Bounds(0, 0, 7, 10)},
        {Align::Right, Bounds(90, 0, 3, 10)},  // further right: placed first
    };
    const auto r = fw::AlignLayout(client, items);
    EXPECT_EQ(r[1], Bounds(0, 0, 100, 10));
    EXPECT_EQ(r[0], Bounds(0, 10, 100, 20));
    EXPECT_EQ(r[2], Bounds(0, 95, 100, 5));
    EXPECT_EQ(r[4], Bounds(97, 30, 3, 65));
    EXPECT_EQ(r[3], Bounds(90, 30, 7, 65));
}

TEST(AlignLayout, HiddenItemsTakeNoRoomAndOversizedOnesClamp) {
    const Rect client{0, 0, 50, 40};
    std::vector<LayoutItem> items = {
        {Align::Top, Bounds(0, 0, 50, 10), false},
        {Align::Top, Bounds(0, 0, 50, 30)},
        {Align::Bottom, Bounds(0, 0, 50, 30)},
        {Align::Client, Bounds(0, 0, 1, 1)},
    };
    const auto r = fw::AlignLayout(client, items);
    EXPECT_EQ(r[0], Bounds(0, 0, 50, 10));  // hidden: unchanged
    EXPECT_EQ(r[1], Bounds(0, 0, 50, 30));
    EXPECT_EQ(r[2], Bounds(0, 10, 50, 30));
    EXPECT_EQ(r[3].Height(), 0);
}

}  // namespace
