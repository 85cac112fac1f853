// The GDI objects' one owner: each kind counted while it lives, paints that
// leave nothing behind, and the counters read by name through the
// application window's registered message.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "framework/Counters.h"
#include "framework/Forms.h"
#include "framework/GdiObjects.h"
#include "framework/Graphic.h"
#include "framework/StdControls.h"
#include "framework/tests/AppTest.h"

namespace {

constexpr fw::GdiKind kKinds[] = {fw::GdiKind::Brush,    fw::GdiKind::Pen,      fw::GdiKind::Font,
                                  fw::GdiKind::Bitmap,   fw::GdiKind::MemoryDc, fw::GdiKind::Metafile,
                                  fw::GdiKind::Icon};
constexpr const char* kNames[] = {"gdi.brush", "gdi.pen", "gdi.font", "gdi.bitmap", "gdi.dc", "gdi.metafile",
                                  "gdi.icon"};

using Counts = std::array<long, std::size(kKinds)>;

Counts Live() {
    Counts c{};
    for (std::size_t i = 0; i < std::size(kKinds); ++i) c[i] = fw::LiveGdiObjects(kKinds[i]);
    return c;
}

// A 1 x 1 enhanced metafile's bytes, recorded by the system.
std::vector<BYTE> MetafileBytes() {
    HDC recording = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    Rectangle(recording, 0, 0, 1, 1);
    HENHMETAFILE made = CloseEnhMetaFile(recording);
    std::vector<BYTE> bytes(GetEnhMetaFileBits(made, 0, nullptr));
    GetEnhMetaFileBits(made, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(made);
    return bytes;
}

// A 16 x 16 monochrome icon image as an icon file holds it.
std::vector<BYTE> IconImage() {
    std::vector<BYTE> image(40 + 8 + 2 * 16 * 4, 0);
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(image.data());
    h->biSize = 40;
    h->biWidth = 16;
    h->biHeight = 32;  // the colour and the mask rows
    h->biPlanes = 1;
    h->biBitCount = 1;
    image[40 + 4] = image[40 + 5] = image[40 + 6] = 0xFF;  // palette: black, white
    return image;
}

// The owner of a new object, kept until the returned pointer goes.
template <class Owned>
std::shared_ptr<void> Kept(Owned made) {
    EXPECT_TRUE(made);
    return std::make_shared<Owned>(std::move(made));
}

TEST(GdiObjects, EachKindIsCountedExactlyWhileItLives) {
    const std::vector<BYTE> metafile = MetafileBytes();
    const std::vector<BYTE> icon = IconImage();
    LOGFONTA font{};
    font.lfHeight = -12;
    // One maker of each kind, in the order of kKinds.
    const std::function<std::shared_ptr<void>()> makers[] = {
        [] { return Kept(fw::MakeSolidBrush(RGB(1, 2, 3))); },
        [] { return Kept(fw::MakePen(PS_SOLID, 1, 0)); },
        [&] { return Kept(fw::MakeFont(font)); },
        [] { return Kept(fw::MakeMonochromeBitmap(4, 4)); },
        [] { return Kept(fw::MakeMemoryDc(nullptr)); },
        [&] { return Kept(fw::MakeEnhancedMetafile(metafile.data(), static_cast<UINT>(metafile.size()))); },
        [&] { return Kept(fw::MakeIconFromImage(icon.data(), static_cast<DWORD>(icon.size()))); },
    };
    for (std::size_t i = 0; i < std::size(kKinds); ++i) {
        SCOPED_TRACE(kNames[i]);
        const Counts before = Live();
        Counts one = before;
        ++one[i];
        std::shared_ptr<void> owner = makers[i]();
        EXPECT_EQ(Live(), one);
        owner.reset();
        EXPECT_EQ(Live(), before);
    }
    const Counts before = Live();
    fw::OwnedBrush first = fw::MakeSolidBrush(0);
    fw::OwnedBrush second = std::move(first);  // handed on: nothing made, nothing deleted
    EXPECT_FALSE(first);
    EXPECT_EQ(Live()[0], before[0] + 1);
    second = fw::OwnedBrush();
    const BYTE garbage[4] = {1, 2, 3, 4};
    EXPECT_FALSE(fw::MakeIconFromImage(garbage, sizeof garbage));  // none made: none counted
    EXPECT_EQ(Live(), before);
}

class GdiCounts : public testapp::AppTest {};

// A window with a windowed child, a windowless one and a picture drawn through its
// mask: painted again and again it keeps what its first paint made, no more.
TEST_F(GdiCounts, RepaintsKeepWhatTheFirstPaintMadeAndAPictureGoesWithItsObjects) {
    fw::Form form;
    form.SetBounds(600, 400, 120, 90);
    fw::CustomControl panel(&form);
    panel.SetBounds(5, 5, 40, 30);
    fw::Label label(&form);
    label.SetBounds(50, 5, 60, 15);
    label.SetText("abc");
    fw::Image image(&form);
    image.SetBounds(10, 40, 32, 32);
    image.SetTransparent(true);
    const Counts empty = Live();
    {
        std::vector<std::uint8_t> pixels(8 * 8 * 4, 0x80);
        image.SetPicture(fw::BitmapGraphic::FromPixels(pixels.data(), 8, 8, 4, 8 * 4));
    }
    form.Create();
    form.Show();
    Pump();
    const Counts painted = Live();
    for (int i = 0; i < 5; ++i) {
        form.Repaint();
        panel.Repaint();
        label.Repaint();
    }
    EXPECT_EQ(Live(), painted);
    form.SetBounds(form.Left(), form.Top(), 140, 90);  // the kept picture made again at the new size
    form.Repaint();
    EXPECT_EQ(Live(), painted);
    form.Hide();
    image.SetPicture(nullptr);  // the bitmap and the two masks its transparent drawing made go
    Counts gone = painted;
    gone[3] -= 3;
    EXPECT_EQ(Live(), gone);
    EXPECT_EQ(Live()[5], empty[5]);
}

LRESULT Ask(const char* name) {
    const ATOM atom = GlobalAddAtomA(name);
    const LRESULT value = SendMessageA(fw::App().Handle(), fw::CounterMessage(), atom, 0);
    GlobalDeleteAtom(atom);
    return value;
}

TEST_F(GdiCounts, TheApplicationWindowAnswersACounterByItsName) {
    ASSERT_NE(fw::CounterMessage(), 0u);
    {
        fw::Counter paints("test.paints");  // a counter of another kind: defining it is enough
        paints.Add(3);
        EXPECT_EQ(Ask("test.paints"), 3);
        const fw::OwnedBrush one = fw::MakeSolidBrush(0);
        EXPECT_EQ(Ask("gdi.brush"), fw::LiveGdiObjects(fw::GdiKind::Brush));
        EXPECT_GE(Ask("gdi.brush"), 1);
    }
    EXPECT_EQ(Ask("test.paints"), -1) << "a counter that has gone is not read";
    EXPECT_EQ(Ask("gdi.nothing"), -1);
    EXPECT_EQ(SendMessageA(fw::App().Handle(), fw::CounterMessage(), 0, 0), -1) << "no atom";
}

}  // namespace
