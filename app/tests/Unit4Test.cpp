// The splash window as start-up makes it: its layout, and the strip decoded
// from the JPEG picture in the program's resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/Unit4.h"
#include "framework/Application.h"
#include "framework/Graphic.h"

namespace {

class SplashTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fw::App().Initialize();
        auto splash = std::make_unique<TForm4>();
        Form4 = splash.get();
        fw::App().AdoptForm(std::move(splash));
    }
};

TEST_F(SplashTest, WindowAndControlsSitWhereDesigned) {
    RECT client;
    ASSERT_TRUE(GetClientRect(Form4->Handle(), &client));
    EXPECT_EQ(client.right, 293);
    EXPECT_EQ(client.bottom, 206);
    EXPECT_EQ(Form4->GetColor(), 0x00D35F32u);
    EXPECT_FALSE(IsWindowVisible(Form4->Handle()));
    EXPECT_NE(fw::App().MainForm(), Form4);

    struct Place {
        const fw::Control* control;
        int left, top, width, height;  // width, height 0: sized to its text
    };
    const Place places[] = {
        {&Form4->Image1, 244, 12, 32, 32}, {&Form4->Label1, 12, 12, 0, 0},
        {&Form4->Label2, 164, 172, 0, 0},  {&Form4->Label3, 192, 24, 24, 19},
        {&Form4->Image2, -57, 192, 350, 5}, {&Form4->Bevel1, 0, 0, 293, 206},
    };
    for (const Place& p : places) {
        const char* name = p.control->name.c_str();
        EXPECT_EQ(p.control->Left(), p.left) << name;
        EXPECT_EQ(p.control->Top(), p.top) << name;
        if (p.width == 0) {
            EXPECT_GT(p.control->Width(), 0) << name;
            EXPECT_GT(p.control->Height(), 0) << name;
        } else {
            EXPECT_EQ(p.control->Width(), p.width) << name;
            EXPECT_EQ(p.control->Height(), p.height) << name;
        }
    }
}

TEST_F(SplashTest, StripIsTheDecodedJpegAtNaturalSize) {
    const auto picture = std::dynamic_pointer_cast<fw::BitmapGraphic>(Form4->Image2.Picture());
    ASSERT_TRUE(picture) << "the strip did not decode";
    EXPECT_EQ(picture->Width(), 350);
    EXPECT_EQ(picture->Height(), 5);
    EXPECT_FALSE(Form4->Image2.Stretch());

    // Colours as art/strip.svg draws them; compression may move each
    // channel a few levels.
    struct Sample {
        int x, y, r, g, b;
    };
    const Sample samples[] = {
        {0, 0, 167, 121, 14},     {0, 2, 232, 168, 20},    {57, 2, 238, 190, 79},
        {120, 1, 230, 216, 185},  {175, 2, 255, 255, 255}, {230, 3, 193, 210, 230},
        {292, 2, 127, 187, 255},  {349, 2, 84, 164, 255},  {349, 4, 55, 108, 168},
    };
    constexpr int kTolerance = 8;
    for (const Sample& s : samples) {
        const COLORREF c = picture->PixelAt(s.x, s.y);
        EXPECT_LE(std::abs(GetRValue(c) - s.r), kTolerance) << s.x << "," << s.y;
        EXPECT_LE(std::abs(GetGValue(c) - s.g), kTolerance) << s.x << "," << s.y;
        EXPECT_LE(std::abs(GetBValue(c) - s.b), kTolerance) << s.x << "," << s.y;
    }
}

}  // namespace
