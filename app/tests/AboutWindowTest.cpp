// The about window: the link's shades from clock readings half a second
// apart, the colour a tick gives the link, and showing it again while shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/Unit5.h"
#include "app/tests/QuelvoTestApp.h"

namespace {

TEST(AboutLink, ShadesFromReadingsHalfASecondApart) {
    // Every reading of a day, sampled: the blue stays in 0..254, and the
    // ticks of any second show different shades.
    std::set<int> seen;
    for (unsigned ms = 0; ms < 86400000u; ms += 86400000u / 20000) {
        const int b = about::LinkBlue(ms);
        ASSERT_GE(b, 0);
        ASSERT_LE(b, 254);
        seen.insert(b);
    }
    EXPECT_EQ(seen.size(), 255u);
    int sameAsNext = 0;
    for (unsigned ms = 36000000u; ms < 36000000u + 1000 * 500; ms += 500)
        sameAsNext += about::LinkBlue(ms) == about::LinkBlue(ms + 500);
    EXPECT_LT(sameAsNext, 10);
}

TEST(AboutWindow, TickRecoloursTheLinkAndShowingAgainOnlyRaises) {
    std::vector<std::string> boxes;
    StartTestApp(boxes);
    TForm5 window;
    window.Create();
    EXPECT_EQ(window.FlatMemo1.Text().substr(0, 44), "                          感谢使用Quelvo\r\n  ");
    window.Timer1Timer();
    const fw::Color c = window.Label1.GetFont().color;
    EXPECT_EQ(c & 0xFFFF, 0x8080u);
    EXPECT_LE(c >> 16, 254u);
    window.ShowOrRaise();
    EXPECT_TRUE(window.Visible());
    int shows = 0;
    window.OnShow = [&] { ++shows; };
    window.ShowOrRaise();
    EXPECT_EQ(shows, 0);
    window.FlatButton1Click();
    EXPECT_FALSE(window.Visible());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
