// The picture loader: files of every kind made here at run time, loaded by
// extension, damaged in every way the formats allow, with the exact message
// bytes (code page 936) the user sees; and how the pictures draw.
#include "common/PictureLoader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/JpegDecode.h"
#include "common/PictureFile.h"
#include "common/tests/JpegTestEncoder.h"
#include "common/tests/LittleEndianBytes.h"
#include "framework/Errors.h"
#include "framework/Graphic.h"
#include "framework/StdControls.h"
#include "framework/tests/TestSurface.h"

#include <jerror.h>

namespace {

using testbytes::Bytes;

// The user's messages, spelled as code page 936 bytes.
const std::string kUnknownPrefix =
    "\xCE\xB4\xD6\xAA\xB5\xC4\xCD\xBC\xCF\xF3\xCE\xC4\xBC\xFE\xC0\xA9\xD5\xB9\xC3\xFB (.";  // 未知的图象文件扩展名 (.
const std::string kCannotOpenPrefix = "\xB2\xBB\xC4\xDC\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE ";  // 不能打开文件
const std::string kBadBitmap = "\xCE\xBB\xCD\xBC\xCD\xBC\xCF\xF3\xCE\xDE\xD0\xA7";    // 位图图象无效
const std::string kBadIcon = "\xCD\xBC\xB1\xEA\xCD\xBC\xCF\xF3\xCE\xDE\xD0\xA7";      // 图标图象无效
const std::string kBadMetafile = "\xD4\xAA\xCE\xC4\xBC\xFE\xCE\xDE\xD0\xA7";          // 元文件无效
const std::string kDottedDir = "\xCD\xBC\xC6\xAC.\xC4\xBF\xC2\xBC";                   // 图片.目录

std::string JpegMessage(int code) { return "JPEG error #" + std::to_string(code); }

// ------------------------------------------------------------- byte makers

using testbytes::Put16;
using testbytes::Put32;
using testbytes::Set16;
using testbytes::Set32;
std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
Bytes Cut(Bytes b, std::size_t keep) {
    b.resize(keep);
    return b;
}

// Top half colour `top`, bottom half `bottom` (0x00RRGGBB notation as RGB()).
struct TwoTone {
    COLORREF top, bottom;
};
COLORREF ToneAt(const TwoTone& t, int y, int h) { return y < h / 2 ? t.top : t.bottom; }

// The 14-byte file header and 40-byte information header of a bitmap file
// whose pixels start `tableBytes` after the headers and take `imageBytes`.
void PutBmpHeaders(Bytes& b, int w, int h, int bpp, std::uint32_t compression, std::uint32_t tableBytes,
                   std::uint32_t imageBytes, std::uint32_t perMetre, std::uint32_t coloursUsed) {
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + tableBytes + imageBytes);
    Put32(b, 0);
    Put32(b, 54 + tableBytes);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(bpp));
    Put32(b, compression);
    Put32(b, imageBytes);
    Put32(b, perMetre);
    Put32(b, perMetre);
    Put32(b, coloursUsed);
    Put32(b, 0);
}

// A BITMAPINFOHEADER-based bitmap file of 24 or 32 bits per pixel.
Bytes MakeBmp(int w, int h, int bpp, const TwoTone& tone, bool topDown = false) {
    const int stride = ((w * bpp + 31) / 32) * 4;
    Bytes b;
    PutBmpHeaders(b, w, topDown ? -h : h, bpp, BI_RGB, 0, static_cast<std::uint32_t>(stride * h), 2835, 0);
    for (int row = 0; row < h; ++row) {
        const int y = topDown ? row : h - 1 - row;
        const COLORREF c = ToneAt(tone, y, h);
        std::size_t start = b.size();
        for (int x = 0; x < w; ++x) {
            b.push_back(GetBValue(c));
            b.push_back(GetGValue(c));
            b.push_back(GetRValue(c));
            if (bpp == 32) b.push_back(0);
        }
        while (b.size() - start < static_cast<std::size_t>(stride)) b.push_back(0);
    }
    return b;
}

// An 8-bit palette bitmap, optionally run-length encoded.
Bytes MakeBmp8(int w, int h, const TwoTone& tone, bool rle) {
    Bytes pixels;
    const int stride = (w + 3) / 4 * 4;
    for (int row = 0; row < h; ++row) {
        const std::uint8_t index = ToneAt(tone, h - 1 - row, h) == tone.top ? 1 : 2;
        if (rle) {
            for (int x = 0; x < w; x += 255) {
                pixels.push_back(static_cast<std::uint8_t>(std::min(255, w - x)));
                pixels.push_back(index);
            }
            pixels.push_back(0);
            pixels.push_back(row == h - 1 ? 1 : 0);  // end of line / end of bitmap
        } else {
            for (int x = 0; x < stride; ++x) pixels.push_back(x < w ? index : 0);
        }
    }
    Bytes b;
    PutBmpHeaders(b, w, h, 8, rle ? BI_RLE8 : BI_RGB, 256 * 4, static_cast<std::uint32_t>(pixels.size()), 0, 256);
    for (int i = 0; i < 256; ++i) {
        const COLORREF c = i == 1 ? tone.top : i == 2 ? tone.bottom : RGB(0, 0, 0);
        b.push_back(GetBValue(c));
        b.push_back(GetGValue(c));
        b.push_back(GetRValue(c));
        b.push_back(0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// An old-style (12-byte header) 24-bit bitmap.
Bytes MakeCoreBmp(int w, int h, const TwoTone& tone) {
    const Bytes info = MakeBmp(w, h, 24, tone);
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, static_cast<std::uint32_t>(26 + info.size() - 54));
    Put32(b, 0);
    Put32(b, 26);
    Put32(b, 12);
    Put16(b, static_cast<unsigned>(w));
    Put16(b, static_cast<unsigned>(h));
    Put16(b, 1);
    Put16(b, 24);
    b.insert(b.end(), info.begin() + 54, info.end());
    return b;
}

// A 16-bit 5-6-5 bitmap with colour masks after the header.
Bytes MakeBmp565(int w, int h, const TwoTone& tone) {
    const int stride = ((w * 16 + 31) / 32) * 4;
    Bytes b;
    PutBmpHeaders(b, w, h, 16, BI_BITFIELDS, 12, static_cast<std::uint32_t>(stride * h), 0, 0);
    Put32(b, 0xF800);
    Put32(b, 0x07E0);
    Put32(b, 0x001F);
    for (int row = 0; row < h; ++row) {
        const COLORREF c = ToneAt(tone, h - 1 - row, h);
        const unsigned v = ((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3);
        std::size_t start = b.size();
        for (int x = 0; x < w; ++x) Put16(b, v);
        while (b.size() - start < static_cast<std::size_t>(stride)) b.push_back(0);
    }
    return b;
}

// One icon image (24 bpp): left half transparent through the mask, right
// half in `colour`.
Bytes IconImage(int size, COLORREF colour) {
    Bytes b;
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(size));
    Put32(b, static_cast<std::uint32_t>(size * 2));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, BI_RGB);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    const int xorStride = ((size * 24 + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
        std::size_t start = b.size();
        for (int x = 0; x < size; ++x) {
            const COLORREF c = x < size / 2 ? RGB(0, 0, 0) : colour;
            b.push_back(GetBValue(c));
            b.push_back(GetGValue(c));
            b.push_back(GetRValue(c));
        }
        while (b.size() - start < static_cast<std::size_t>(xorStride)) b.push_back(0);
    }
    const int andStride = ((size + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
        std::size_t start = b.size();
        for (int x = 0; x < size; x += 8) {
            std::uint8_t bits = 0;
            for (int k = 0; k < 8; ++k)
                if (x + k < size / 2) bits |= static_cast<std::uint8_t>(0x80 >> k);
            b.push_back(bits);
        }
        while (b.size() - start < static_cast<std::size_t>(andStride)) b.push_back(0);
    }
    return b;
}

struct IconEntry {
    int size;
    COLORREF colour;
};

Bytes MakeIco(const std::vector<IconEntry>& entries) {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(entries.size()));
    std::vector<Bytes> images;
    for (const IconEntry& e : entries) images.push_back(IconImage(e.size, e.colour));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        b.push_back(static_cast<std::uint8_t>(entries[i].size));
        b.push_back(static_cast<std::uint8_t>(entries[i].size));
        b.push_back(0);
        b.push_back(0);
        Put16(b, 1);
        Put16(b, 24);
        Put32(b, static_cast<std::uint32_t>(images[i].size()));
        Put32(b, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) b.insert(b.end(), image.begin(), image.end());
    return b;
}

// Screen pixels to 0.01 mm, as metafile frames are given.
int PixelsToHundredthsMm(int px, bool horizontal) {
    HDC screen = GetDC(nullptr);
    const int mm = GetDeviceCaps(screen, horizontal ? HORZSIZE : VERTSIZE);
    const int res = GetDeviceCaps(screen, horizontal ? HORZRES : VERTRES);
    ReleaseDC(nullptr, screen);
    return MulDiv(px, mm * 100, res);
}

// An enhanced metafile w x h pixels, filled with `colour`.
Bytes MakeEmf(int w, int h, COLORREF colour) {
    const RECT frame{0, 0, PixelsToHundredthsMm(w, true), PixelsToHundredthsMm(h, false)};
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes b(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(b.size()), b.data());
    DeleteEnhMetaFile(emf);
    return b;
}

// A Windows metafile drawing a w x h rectangle of `colour` in a window of
// the same extent; with a placeable header of `perInch` units per inch.
Bytes MakeWmf(int w, int h, COLORREF colour, bool placeable, int perInch = 96) {
    HDC dc = CreateMetaFileA(nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, w, h, nullptr);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, w + 1, h + 1);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    HMETAFILE wmf = CloseMetaFile(dc);
    Bytes body(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, static_cast<UINT>(body.size()), body.data());
    DeleteMetaFile(wmf);
    if (!placeable) return body;
    return testbytes::WithPlaceableHeader(body, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                          static_cast<unsigned>(perInch));
}

Bytes JpegTwoTone(int w, int h, const TwoTone& tone, bool progressive = false) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = ToneAt(tone, y, h);
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            p[0] = GetRValue(c);
            p[1] = GetGValue(c);
            p[2] = GetBValue(c);
        }
    testjpeg::EncodeOptions o;
    o.quality = 95;
    o.progressive = progressive;
    return testjpeg::Encode(rgb, w, h, testjpeg::Kind::Rgb, o);
}

// -------------------------------------------------------------- fixtures

const TwoTone kTone{RGB(200, 40, 30), RGB(30, 60, 220)};
constexpr COLORREF kWhite = RGB(255, 255, 255);  // the surfaces pictures are drawn on

void ExpectColour(COLORREF got, COLORREF want, int tolerance, const std::string& where) {
    EXPECT_NEAR(GetRValue(got), GetRValue(want), tolerance) << where << " red";
    EXPECT_NEAR(GetGValue(got), GetGValue(want), tolerance) << where << " green";
    EXPECT_NEAR(GetBValue(got), GetBValue(want), tolerance) << where << " blue";
}

class PictureLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        dir_ = std::string(temp) + "quelvo-picture-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& f : files_) DeleteFileA(f.c_str());
        for (auto it = dirs_.rbegin(); it != dirs_.rend(); ++it) RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_ + "\\" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
        files_.push_back(path);
        return path;
    }
    std::string SubDir(const std::string& name) {
        const std::string path = dir_ + "\\" + name;
        CreateDirectoryA(path.c_str(), nullptr);
        dirs_.push_back(path);
        return path;
    }
    // The message a load fails with, or "(loaded)".
    static std::string FailureOf(const std::string& path, int w = 0, int h = 0) {
        try {
            common::LoadPictureFile(path, w, h);
        } catch (const fw::PictureError& e) {
            return e.Message();
        }
        return "(loaded)";
    }

    std::string dir_;
    std::vector<std::string> files_;
    std::vector<std::string> dirs_;
};

// --------------------------------------------------------------- extension

TEST(PictureFileExtensionTest, TakesTheTextAfterTheNamesLastDot) {
    const struct {
        std::string path, extension;
    } cases[] = {
        {"", ""},
        {"picture.jpg", "jpg"},
        {"C:\\pictures\\photo.JPG", "JPG"},
        {"C:\\a.b\\photo.tar.jpeg", "jpeg"},
        {"C:\\a.b\\photo", ""},          // a dot in a directory name does not count
        {"C:/a.b/photo", ""},            // nor with forward slashes
        {"C:\\a.b/photo.Bmp", "Bmp"},
        {"photo.", ""},
        {".ico", "ico"},
        {"C:\\" + kDottedDir + "\\x.emf", "emf"},
        // 0x8A 0x5C is one character whose second byte looks like "\".
        {"C:\\d\\x.jpg\x8A\x5C" "a", "jpg\x8A\x5C" "a"},
        {"C:\\d\\x.\x8A\x5C", "\x8A\x5C"},
    };
    for (const auto& c : cases) EXPECT_EQ(common::PictureFileExtension(c.path), c.extension) << c.path;
}

// ------------------------------------------------------------- loading

TEST_F(PictureLoaderTest, EachKindLoadsByItsExtensionInAnyLetterCase) {
    const Bytes jpeg = JpegTwoTone(64, 48, kTone);
    const Bytes bmp = MakeBmp(64, 48, 24, kTone);
    const Bytes ico = MakeIco({{32, RGB(255, 0, 0)}});
    const Bytes emf = MakeEmf(60, 30, RGB(0, 128, 0));
    const Bytes wmf = MakeWmf(80, 40, RGB(0, 0, 255), true);
    const Bytes plainWmf = MakeWmf(80, 40, RGB(0, 0, 255), false);
    const struct {
        std::string name;
        const Bytes* bytes;
        const char* kind;
        int w, h;
    } cases[] = {
        {"a.jpg", &jpeg, "bitmap", 64, 48},     {"b.JPG", &jpeg, "bitmap", 64, 48},
        {"c.jpeg", &jpeg, "bitmap", 64, 48},    {"d.JpEg", &jpeg, "bitmap", 64, 48},
        {"e.bmp", &bmp, "bitmap", 64, 48},      {"f.BMP", &bmp, "bitmap", 64, 48},
        {"g.ico", &ico, "icon", 32, 32},        {"h.ICO", &ico, "icon", 32, 32},
        {"i.emf", &emf, "metafile", 60, 30},    {"j.EMF", &emf, "metafile", 60, 30},
        {"k.wmf", &wmf, "metafile", 80, 40},    {"l.WMF", &wmf, "metafile", 80, 40},
        {"m.wmf", &plainWmf, "metafile", 80, 40},
    };
    for (const auto& c : cases) {
        const std::string path = Write(c.name, *c.bytes);
        std::shared_ptr<fw::Graphic> g;
        try {
            g = common::LoadPictureFile(path, 0, 0);
        } catch (const fw::Error& e) {
            ADD_FAILURE() << c.name << ": " << e.Message();
            continue;
        }
        ASSERT_TRUE(g) << c.name;
        const std::string kind = dynamic_cast<fw::BitmapGraphic*>(g.get())   ? "bitmap"
                                 : dynamic_cast<fw::IconGraphic*>(g.get())   ? "icon"
                                 : dynamic_cast<fw::MetafileGraphic*>(g.get()) ? "metafile"
                                                                                : "?";
        EXPECT_EQ(kind, c.kind) << c.name;
        EXPECT_NEAR(g->Width(), c.w, 1) << c.name;
        EXPECT_NEAR(g->Height(), c.h, 1) << c.name;
        EXPECT_GT(g->Bytes(), 0u) << c.name;
    }
}

TEST_F(PictureLoaderTest, BitmapsOfEveryLayoutKeepTheirColoursTheRightWayUp) {
    const struct {
        const char* name;
        Bytes bytes;
        int tolerance;
    } cases[] = {
        {"24-bit", MakeBmp(40, 30, 24, kTone), 0},
        {"32-bit", MakeBmp(40, 30, 32, kTone), 0},
        {"top-down", MakeBmp(40, 30, 24, kTone, true), 0},
        {"8-bit palette", MakeBmp8(40, 30, kTone, false), 0},
        {"8-bit run-length", MakeBmp8(40, 30, kTone, true), 0},
        {"core header", MakeCoreBmp(40, 30, kTone), 0},
        {"16-bit 5-6-5", MakeBmp565(40, 30, kTone), 8},
        {"jpeg", JpegTwoTone(40, 32, kTone), 6},
        {"progressive jpeg", JpegTwoTone(40, 32, kTone, true), 6},
    };
    for (const auto& c : cases) {
        const bool jpeg = std::string(c.name).find("jpeg") != std::string::npos;
        const std::string path = Write(std::string("x") + (jpeg ? ".jpg" : ".bmp"), c.bytes);
        std::shared_ptr<fw::Graphic> g;
        try {
            g = common::LoadPictureFile(path, 0, 0);
        } catch (const fw::Error& e) {
            ADD_FAILURE() << c.name << ": " << e.Message();
            continue;
        }
        auto* bitmap = dynamic_cast<fw::BitmapGraphic*>(g.get());
        ASSERT_NE(bitmap, nullptr) << c.name;
        ExpectColour(bitmap->PixelAt(3, 2), kTone.top, c.tolerance, std::string(c.name) + " top");
        ExpectColour(bitmap->PixelAt(36, bitmap->Height() - 3), kTone.bottom, c.tolerance,
                     std::string(c.name) + " bottom");
        EXPECT_EQ(bitmap->Bytes(), static_cast<std::size_t>(bitmap->Width()) * bitmap->Height() * 4) << c.name;
    }
}

TEST_F(PictureLoaderTest, BitmapsComeBackAtTheTargetSizeIconsAndMetafilesAsTheyAre) {
    const std::string jpg = Write("big.jpg", JpegTwoTone(400, 300, kTone));
    const std::string progressive = Write("big-progressive.jpg", JpegTwoTone(400, 300, kTone, true));
    const std::string bmp = Write("big.bmp", MakeBmp(400, 300, 24, kTone));
    const std::string small = Write("small.bmp", MakeBmp(20, 10, 24, kTone));
    const std::string ico = Write("i.ico", MakeIco({{32, RGB(255, 0, 0)}}));
    const std::string emf = Write("m.emf", MakeEmf(60, 30, RGB(0, 128, 0)));
    const std::string wmf = Write("m.wmf", MakeWmf(80, 40, RGB(0, 0, 255), true));
    const struct {
        std::string path;
        int targetW, targetH, w, h;
        bool bitmap;
    } cases[] = {
        {jpg, 235, 139, 235, 139, true},
        {jpg, 311, 187, 311, 187, true},
        {jpg, 246, 101, 246, 101, true},
        {progressive, 246, 101, 246, 101, true},
        {jpg, 0, 0, 400, 300, true},
        {jpg, 235, 0, 400, 300, true},  // both sides are needed for a target
        {bmp, 235, 139, 235, 139, true},
        {bmp, 400, 300, 400, 300, true},
        {small, 311, 187, 311, 187, true},  // enlarged too
        {ico, 235, 139, 32, 32, false},
        {emf, 235, 139, 60, 30, false},
        {wmf, 235, 139, 80, 40, false},
    };
    for (const auto& c : cases) {
        const std::string where = c.path + " " + std::to_string(c.targetW) + "x" + std::to_string(c.targetH);
        const auto g = common::LoadPictureFile(c.path, c.targetW, c.targetH);
        ASSERT_TRUE(g) << where;
        EXPECT_NEAR(g->Width(), c.w, c.bitmap ? 0 : 1) << where;
        EXPECT_NEAR(g->Height(), c.h, c.bitmap ? 0 : 1) << where;
        auto* bitmap = dynamic_cast<fw::BitmapGraphic*>(g.get());
        EXPECT_EQ(bitmap != nullptr, c.bitmap) << where;
        if (!bitmap) continue;
        EXPECT_EQ(bitmap->Bytes(), static_cast<std::size_t>(c.w) * c.h * 4) << where;
        ExpectColour(bitmap->PixelAt(c.w / 2, c.h / 4), kTone.top, 8, where + " top");
        ExpectColour(bitmap->PixelAt(c.w / 2, c.h * 3 / 4), kTone.bottom, 8, where + " bottom");
    }
}

TEST_F(PictureLoaderTest, TheSameFileAtTheSameSizeIsSharedWhileInUse) {
    const std::string path = Write("shared.jpg", JpegTwoTone(200, 100, kTone));
    const auto a = common::LoadPictureFile(path, 120, 60);
    const auto b = common::LoadPictureFile(path, 120, 60);
    const auto c = common::LoadPictureFile(path, 121, 60);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());

    // A changed file is read again, even at the same size.
    Sleep(20);
    const TwoTone other{RGB(250, 250, 0), RGB(0, 250, 250)};
    Write("shared.jpg", JpegTwoTone(200, 100, other));
    const auto d = common::LoadPictureFile(path, 120, 60);
    EXPECT_NE(d.get(), a.get());
    ExpectColour(dynamic_cast<fw::BitmapGraphic&>(*d).PixelAt(60, 10), other.top, 8, "rewritten");
    ExpectColour(dynamic_cast<fw::BitmapGraphic&>(*a).PixelAt(60, 10), kTone.top, 8, "earlier picture unchanged");

    // A file that has gone fails even while its picture is still shown.
    DeleteFileA(path.c_str());
    EXPECT_EQ(FailureOf(path, 120, 60), kCannotOpenPrefix + path);
}

TEST_F(PictureLoaderTest, TheIconShownIsTheOneOfTheSystemIconSize) {
    const std::string path =
        Write("two.ico", MakeIco({{16, RGB(0, 255, 0)}, {32, RGB(255, 0, 0)}, {48, RGB(0, 0, 255)}}));
    const auto g = common::LoadPictureFile(path, 0, 0);
    EXPECT_EQ(g->Width(), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(g->Height(), GetSystemMetrics(SM_CYICON));
}

// ------------------------------------------------- the kept decode

// The six background controls, in the order the appearance window loads them.
const struct {
    int w, h;
} kSixControls[] = {{235, 139}, {311, 187}, {246, 101}, {246, 101}, {246, 101}, {246, 101}};


FILETIME WriteTimeOf(const std::string& path) {
    FILETIME t{};
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    GetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    return t;
}

void SetWriteTime(const std::string& path, FILETIME t) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
}

void ExpectTwoTone(const std::shared_ptr<fw::Graphic>& g, int w, int h, const TwoTone& tone, const std::string& where) {
    ASSERT_TRUE(g) << where;
    auto* bitmap = dynamic_cast<fw::BitmapGraphic*>(g.get());
    ASSERT_NE(bitmap, nullptr) << where;
    EXPECT_EQ(bitmap->Width(), w) << where;
    EXPECT_EQ(bitmap->Height(), h) << where;
    ExpectColour(bitmap->PixelAt(w / 2, h / 4), tone.top, 8, where + " top");
    ExpectColour(bitmap->PixelAt(w / 2, h * 3 / 4), tone.bottom, 8, where + " bottom");
}

const TwoTone kOtherTone{RGB(250, 250, 0), RGB(0, 250, 250)};

TEST_F(PictureLoaderTest, SeveralControlsAreFilledFromOneOpeningAndOneDecode) {
    // 1600 x 1000: 235 x 139 and 311 x 187 need 2/8 (400 x 250), 246 x 101 too.
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"six.jpg", JpegTwoTone(1600, 1000, kTone)},
        {"six-progressive.jpg", JpegTwoTone(1600, 1000, kTone, true)},
        {"six.bmp", MakeBmp(1600, 1000, 24, kTone)},
    };
    for (const auto& f : files) {
        const std::string where = f.name;
        const std::string path = Write(f.name, f.bytes);
        std::vector<std::unique_ptr<fw::Image>> owned;
        std::vector<fw::Image*> images;
        for (const auto& c : kSixControls) {
            owned.push_back(std::make_unique<fw::Image>());
            owned.back()->SetBounds(0, 0, c.w, c.h);
            owned.back()->SetStretch(true);
            images.push_back(owned.back().get());
        }
        owned.push_back(std::make_unique<fw::Image>());  // shows the picture at its own size
        images.push_back(owned.back().get());

        const unsigned long before = common::PictureFileDecodes();
        common::LoadPictureFile(path, images);
        EXPECT_EQ(common::PictureFileDecodes() - before, 1u) << where;
        for (std::size_t i = 0; i < std::size(kSixControls); ++i)
            ExpectTwoTone(images[i]->Picture(), kSixControls[i].w, kSixControls[i].h, kTone,
                          where + " control " + std::to_string(i));
        ExpectTwoTone(images.back()->Picture(), 1600, 1000, kTone, where + " at its own size");
        EXPECT_EQ(images[2]->Picture(), images[5]->Picture()) << where << ": equal sizes share one picture";

        // Loaded again while shown: the same pictures, nothing decoded.
        std::vector<const fw::Graphic*> shown;
        for (fw::Image* image : images) shown.push_back(image->Picture().get());
        common::LoadPictureFile(path, images);
        EXPECT_EQ(common::PictureFileDecodes() - before, 1u) << where;
        for (std::size_t i = 0; i < images.size(); ++i) EXPECT_EQ(images[i]->Picture().get(), shown[i]) << where;

        // A failure leaves every control with the picture it had.
        Write(f.name, Cut(f.bytes, f.bytes.size() / 2));
        EXPECT_THROW(common::LoadPictureFile(path, images), fw::PictureError) << where;
        DeleteFileA(path.c_str());
        EXPECT_THROW(common::LoadPictureFile(path, images), fw::PictureError) << where;
        for (std::size_t i = 0; i < images.size(); ++i) EXPECT_EQ(images[i]->Picture().get(), shown[i]) << where;
    }
}

TEST_F(PictureLoaderTest, ABitmapAtSeveralSizesIsEachSizeResampledExactlyFromItsPixels) {
    // A 32-bit top-down bitmap whose every pixel differs: each picture must be
    // exactly the resampling of the file's own pixels to its size.
    const int w = 300, h = 200;
    Bytes file;
    PutBmpHeaders(file, w, -h, 32, BI_RGB, 0, static_cast<std::uint32_t>(w * h * 4), 2835, 0);
    common::PixelBuffer source;
    source.width = w;
    source.height = h;
    source.bytes.resize(source.Stride() * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = source.Row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y * 5);
            p[2] = static_cast<std::uint8_t>(x * y);
            p[3] = 0;
            file.insert(file.end(), p, p + 4);
        }
    const std::string path = Write("exact.bmp", file);
    const struct {
        int w, h;
        bool stretch;
    } controls[] = {{235, 139, true}, {311, 187, true}, {480, 330, true}, {300, 200, true}, {10, 10, false}};
    std::vector<std::unique_ptr<fw::Image>> owned;
    std::vector<fw::Image*> images;
    for (const auto& c : controls) {
        owned.push_back(std::make_unique<fw::Image>());
        owned.back()->SetBounds(0, 0, c.w, c.h);
        owned.back()->SetStretch(c.stretch);
        images.push_back(owned.back().get());
    }
    common::LoadPictureFile(path, images);
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        const int cw = controls[i].stretch ? controls[i].w : w, ch = controls[i].stretch ? controls[i].h : h;
        const common::PixelBuffer want = common::ResamplePixels(source, cw, ch);
        auto* bitmap = dynamic_cast<const fw::BitmapGraphic*>(images[i]->Picture().get());
        ASSERT_NE(bitmap, nullptr) << i;
        ASSERT_EQ(bitmap->Width(), cw) << i;
        ASSERT_EQ(bitmap->Height(), ch) << i;
        EXPECT_EQ(std::memcmp(bitmap->Bits(), want.bytes.data(), want.bytes.size()), 0) << cw << " x " << ch;
    }
}

TEST_F(PictureLoaderTest, AChangedFileIsDecodedAgainWhileItsPictureIsShown) {
    // Bytes after the end-of-image marker are not read: padding gives two
    // pictures of exactly the same length, and a third of another length.
    Bytes first = JpegTwoTone(1600, 1000, kTone);
    Bytes sameLength = JpegTwoTone(1600, 1000, kOtherTone);
    const std::size_t length = std::max(first.size(), sameLength.size());
    first.resize(length, 0);
    sameLength.resize(length, 0);
    Bytes otherLength = sameLength;
    otherLength.resize(length + 100, 0);
    const struct {
        const char* name;
        const Bytes* bytes;
        bool sameTime;  // the last-write time put back to the first one's
    } cases[] = {
        {"other length, same time", &otherLength, true},
        {"same length, other time", &sameLength, false},
    };
    for (const auto& c : cases) {
        const std::string path = Write("changed.jpg", first);
        const FILETIME firstTime = WriteTimeOf(path);
        const auto shown = common::LoadPictureFile(path, 311, 187);
        ExpectTwoTone(shown, 311, 187, kTone, c.name);

        Write("changed.jpg", *c.bytes);
        FILETIME time = firstTime;
        if (!c.sameTime) {
            ULARGE_INTEGER later{};
            later.LowPart = firstTime.dwLowDateTime;
            later.HighPart = firstTime.dwHighDateTime;
            later.QuadPart += 10000000ull * 3600;  // an hour later
            time.dwLowDateTime = later.LowPart;
            time.dwHighDateTime = later.HighPart;
        }
        SetWriteTime(path, time);

        const unsigned long before = common::PictureFileDecodes();
        const auto g = common::LoadPictureFile(path, 311, 187);
        EXPECT_EQ(common::PictureFileDecodes() - before, 1u) << c.name;
        ExpectTwoTone(g, 311, 187, kOtherTone, c.name);
    }
}

// ------------------------------------------------------------- drawing

TEST_F(PictureLoaderTest, PicturesDrawStretchedAndTransparentWhereTheKindHasIt) {
    // Bitmap: a plain copy at its own size, stretched otherwise; drawn
    // transparent, its bottom-left colour is left out.
    const auto bmp = common::LoadPictureFile(Write("t.bmp", MakeBmp(20, 10, 24, kTone)), 20, 10);
    {
        testgdi::Surface s(40, 20, kWhite);
        bmp->Draw(s.Dc(), RECT{0, 0, 20, 10});
        EXPECT_EQ(s.At(5, 1), kTone.top);
        EXPECT_EQ(s.At(5, 8), kTone.bottom);
        EXPECT_EQ(s.At(25, 5), RGB(255, 255, 255));
        bmp->Draw(s.Dc(), RECT{0, 0, 40, 20});
        ExpectColour(s.At(35, 2), kTone.top, 2, "stretched top");
        ExpectColour(s.At(35, 17), kTone.bottom, 2, "stretched bottom");
    }
    {
        testgdi::Surface s(20, 10, kWhite);
        bmp->DrawTransparent(s.Dc(), RECT{0, 0, 20, 10});
        EXPECT_EQ(s.At(5, 1), kTone.top);
        EXPECT_EQ(s.At(5, 8), RGB(255, 255, 255)) << "bottom-left colour not painted";
    }
    // Icon: drawn through its mask whichever way.
    const auto ico = common::LoadPictureFile(Write("t.ico", MakeIco({{32, RGB(255, 0, 0)}})), 0, 0);
    for (const bool transparent : {false, true}) {
        testgdi::Surface s(32, 32, kWhite);
        if (transparent) ico->DrawTransparent(s.Dc(), RECT{0, 0, 32, 32});
        else ico->Draw(s.Dc(), RECT{0, 0, 32, 32});
        EXPECT_EQ(s.At(4, 16), RGB(255, 255, 255)) << "masked half";
        EXPECT_EQ(s.At(28, 16), RGB(255, 0, 0)) << "opaque half";
    }
    // Metafiles: played into the rectangle, nothing painted outside it.
    const auto emf = common::LoadPictureFile(Write("t.emf", MakeEmf(60, 30, RGB(0, 128, 0))), 0, 0);
    const auto wmf = common::LoadPictureFile(Write("t.wmf", MakeWmf(80, 40, RGB(0, 0, 255), true)), 0, 0);
    const auto plain = common::LoadPictureFile(Write("p.wmf", MakeWmf(80, 40, RGB(0, 0, 255), false)), 0, 0);
    const struct {
        const char* name;
        const fw::Graphic* g;
        COLORREF colour;
    } metafiles[] = {{"emf", emf.get(), RGB(0, 128, 0)},
                     {"placeable wmf", wmf.get(), RGB(0, 0, 255)},
                     {"plain wmf", plain.get(), RGB(0, 0, 255)}};
    for (const auto& m : metafiles) {
        testgdi::Surface s(100, 60, kWhite);
        m.g->Draw(s.Dc(), RECT{10, 10, 90, 50});
        EXPECT_EQ(s.At(50, 30), m.colour) << m.name;
        EXPECT_EQ(s.At(15, 15), m.colour) << m.name;
        EXPECT_EQ(s.At(5, 5), RGB(255, 255, 255)) << m.name;
        EXPECT_EQ(s.At(95, 55), RGB(255, 255, 255)) << m.name;
    }
}

TEST_F(PictureLoaderTest, HugeMetafileFramesLoadWithoutAllocatingForThem) {
    // A metafile's frame only scales its drawing: nothing is allocated for it.
    Bytes emf = MakeEmf(60, 30, RGB(0, 128, 0));
    Set32(emf, 32, 0x3FFFFFFF);
    Set32(emf, 36, 0x3FFFFFFF);
    Bytes wmf = MakeWmf(80, 40, RGB(0, 0, 255), true);
    Set16(wmf, 10, 32767);
    Set16(wmf, 12, 32767);
    Set16(wmf, 14, 1);
    for (const auto& [name, bytes] : {std::pair{"huge.emf", emf}, std::pair{"huge.wmf", wmf}}) {
        const auto g = common::LoadPictureFile(Write(name, bytes), 246, 101);
        ASSERT_TRUE(g) << name;
        EXPECT_GT(g->Width(), 100000) << name;
        EXPECT_GT(g->Height(), 100000) << name;
        EXPECT_LT(g->Bytes(), 4096u) << name;
        testgdi::Surface s(50, 50, kWhite);
        g->Draw(s.Dc(), RECT{0, 0, 50, 50});  // plays without trouble
    }
}

TEST(LoadJpegPictureTest, MakesTheSamePictureFromMemory) {
    const Bytes jpeg = JpegTwoTone(350, 5, kTone);
    const auto strip = common::LoadJpegPicture(jpeg.data(), jpeg.size(), 0, 0);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->Width(), 350);
    EXPECT_EQ(strip->Height(), 5);
    const auto stretched = common::LoadJpegPicture(jpeg.data(), jpeg.size(), 35, 10);
    EXPECT_EQ(stretched->Width(), 35);
    EXPECT_EQ(stretched->Height(), 10);
    const Bytes cut = Cut(jpeg, jpeg.size() / 2);
    try {
        common::LoadJpegPicture(cut.data(), cut.size(), 0, 0);
        ADD_FAILURE() << "a cut picture loaded";
    } catch (const fw::PictureError& e) {
        EXPECT_EQ(e.Message(), JpegMessage(JWRN_JPEG_EOF));
    }
}

TEST(GraphicTest, HandlesThatAreNotPicturesGiveNothing) {
    EXPECT_EQ(fw::BitmapGraphic::FromPixels(nullptr, 4, 4, 4, 16), nullptr);
    const std::uint8_t px[12] = {};
    EXPECT_EQ(fw::BitmapGraphic::FromPixels(px, 0, 1, 4, 0), nullptr);
    EXPECT_EQ(fw::BitmapGraphic::FromPixels(px, 1, 1, 2, 2), nullptr);
    EXPECT_EQ(fw::BitmapGraphic::FromBitmap(nullptr), nullptr);
    EXPECT_EQ(fw::IconGraphic::FromIcon(fw::OwnedIcon()), nullptr);
    EXPECT_EQ(fw::MetafileGraphic::FromMetafile(fw::OwnedMetafile()), nullptr);
    // A bitmap of another format is copied as 32-bpp pixels.
    HBITMAP mono = CreateBitmap(8, 2, 1, 1, nullptr);
    const auto copy = fw::BitmapGraphic::FromBitmap(mono);
    DeleteObject(mono);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Width(), 8);
    EXPECT_EQ(copy->Height(), 2);
    EXPECT_EQ(copy->Bits()[3], 0);
}

// ------------------------------------------------------------- failures

TEST_F(PictureLoaderTest, UnknownOrMissingExtensionsFailBeforeTheFileIsOpened) {
    const std::string dotted = SubDir(kDottedDir);
    const std::string gif = Write("anim.gif", JpegTwoTone(8, 8, kTone));
    const struct {
        std::string path, message;
    } cases[] = {
        {"", kUnknownPrefix + ")"},
        {gif, kUnknownPrefix + "gif)"},
        {dir_ + "\\missing.GIF", kUnknownPrefix + "GIF)"},
        {dir_ + "\\noextension", kUnknownPrefix + ")"},
        {dotted + "\\picture", kUnknownPrefix + ")"},
        {dir_ + "\\x.png", kUnknownPrefix + "png)"},
        {dir_ + "\\x.jpg\x8A\x5C", kUnknownPrefix + "jpg\x8A\x5C)"},
        {dir_ + "\\x.tiff", kUnknownPrefix + "tiff)"},
    };
    for (const auto& c : cases) EXPECT_EQ(FailureOf(c.path), c.message) << c.path;
    // A picture in the dotted directory loads by its own extension.
    const std::string inDotted = dotted + "\\picture.jpg";
    HANDLE h = CreateFileA(inDotted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const Bytes jpeg = JpegTwoTone(16, 16, kTone);
    DWORD written = 0;
    WriteFile(h, jpeg.data(), static_cast<DWORD>(jpeg.size()), &written, nullptr);
    CloseHandle(h);
    files_.push_back(inDotted);
    EXPECT_EQ(FailureOf(inDotted), "(loaded)");
}

TEST_F(PictureLoaderTest, AFileOnAFixedDiskIsReadInPlace) {
    const Bytes bytes = testjpeg::Encode(Bytes(48 * 3, 0x40), 4, 4, testjpeg::Kind::Rgb);
    const std::string path = Write("in-place.jpg", bytes);
    const common::OpenedPictureFile file(path, common::PictureFormat::Jpeg);
    common::OpenedPictureFile::Contents contents;
    file.ReadContents(contents);
    EXPECT_TRUE(contents.Mapped());
    ASSERT_EQ(contents.Size(), bytes.size());
    EXPECT_EQ(std::memcmp(contents.Data(), bytes.data(), bytes.size()), 0);
}

TEST_F(PictureLoaderTest, FilesThatCannotBeOpenedNameThePathAsGiven) {
    const std::string folder = SubDir("folder.bmp");
    const std::vector<std::string> paths = {
        dir_ + "\\missing.bmp",
        dir_ + "\\MISSING.JPG",
        dir_ + "\\" + kDottedDir + "\\gone.ico",
        dir_ + "/mixed\\slashes/none.emf",
        "Z:\\no\\such\\drive\\x.wmf",
        folder,  // a directory, not a file
    };
    for (const std::string& p : paths) EXPECT_EQ(FailureOf(p), kCannotOpenPrefix + p) << p;
}

TEST_F(PictureLoaderTest, AnImageControlGetsItsSizeAndKeepsItsPictureOnFailure) {
    fw::Image stretched, natural;
    stretched.SetBounds(13, 41, 235, 139);
    stretched.SetStretch(true);
    natural.SetBounds(0, 0, 10, 10);
    const std::string jpeg = Write("photo.jpg", JpegTwoTone(64, 48, kTone));
    common::LoadPictureFile(jpeg, stretched);
    common::LoadPictureFile(jpeg, natural);
    ASSERT_TRUE(stretched.Picture() && natural.Picture());
    EXPECT_EQ(stretched.Picture()->Width(), 235);
    EXPECT_EQ(stretched.Picture()->Height(), 139);
    EXPECT_EQ(natural.Picture()->Width(), 64);
    EXPECT_EQ(natural.Picture()->Height(), 48);

    const auto before = stretched.Picture();
    const std::string damaged = Write("damaged.bmp", Cut(MakeBmp(8, 8, 24, kTone), 20));
    for (const std::string& bad : {dir_ + "\\missing.bmp", dir_ + "\\x.gif", damaged}) {
        EXPECT_THROW(common::LoadPictureFile(bad, stretched), fw::PictureError) << bad;
        EXPECT_EQ(stretched.Picture(), before) << bad;
    }
    fw::Image empty;
    empty.SetStretch(true);
    empty.SetBounds(0, 0, 20, 20);
    EXPECT_THROW(common::LoadPictureFile("", empty), fw::PictureError);
    EXPECT_EQ(empty.Picture(), nullptr);
}

TEST_F(PictureLoaderTest, DamagedFilesFailWithTheirKindsMessage) {
    const Bytes jpeg = JpegTwoTone(64, 48, kTone);
    const Bytes bmp = MakeBmp(40, 30, 24, kTone);
    const Bytes bmp8 = MakeBmp8(40, 30, kTone, false);
    const Bytes ico = MakeIco({{32, RGB(255, 0, 0)}});
    const Bytes emf = MakeEmf(60, 30, RGB(0, 128, 0));
    const Bytes wmf = MakeWmf(80, 40, RGB(0, 0, 255), true);
    const Bytes plainWmf = MakeWmf(80, 40, RGB(0, 0, 255), false);
    const Bytes junk = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                        19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41,
                        42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64,
                        65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87,
                        88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99};

    auto edit = [](Bytes b, auto&& change) {
        change(b);
        return b;
    };
    auto jpegSize = [&](int w, int h) {
        return edit(jpeg, [&](Bytes& b) {
            for (std::size_t i = 2; i + 8 < b.size(); ++i)
                if (b[i] == 0xFF && b[i + 1] == 0xC0) {
                    b[i + 5] = static_cast<std::uint8_t>(h >> 8);
                    b[i + 6] = static_cast<std::uint8_t>(h);
                    b[i + 7] = static_cast<std::uint8_t>(w >> 8);
                    b[i + 8] = static_cast<std::uint8_t>(w);
                    break;
                }
        });
    };
    const std::size_t icoImage = 6 + 16;
    const std::size_t wmfBody = 22;
    // The first enhanced-metafile record of a type after the header.
    const auto emfRecord = [](const Bytes& b, std::uint32_t type) {
        std::size_t p = U32At(b, 4);
        while (p + 8 <= b.size() && U32At(b, p) != type && U32At(b, p + 4) != 0) p += U32At(b, p + 4);
        EXPECT_EQ(U32At(b, p), type) << "no record of type " << type;
        return p;
    };
    // A record appended after the end-of-file record, counted in the size.
    const auto emfAfterEnd = [](Bytes b, std::initializer_list<std::uint32_t> record) {
        for (std::uint32_t v : record) Put32(b, v);
        Set32(b, 48, static_cast<std::uint32_t>(b.size()));
        return b;
    };
    // A Windows-metafile record (function, parameters) put before the end
    // record of a file without a placeable header.
    const auto wmfBeforeEnd = [](Bytes b, std::initializer_list<unsigned> record) {
        Bytes r;
        Put32(r, static_cast<std::uint32_t>(2 + record.size()));
        for (unsigned v : record) Put16(r, v);
        b.insert(b.end() - 6, r.begin(), r.end());
        Set32(b, 6, static_cast<std::uint32_t>(b.size() / 2));
        return b;
    };

    const struct {
        const char* name;
        const char* extension;
        Bytes bytes;
        std::string message;
    } cases[] = {
        // JPEG: the decoder's own numbers.
        {"empty jpeg", "jpg", {}, JpegMessage(JERR_INPUT_EMPTY)},
        {"junk jpeg", "jpg", junk, JpegMessage(JERR_NO_SOI)},
        {"truncated jpeg", "jpg", Cut(jpeg, jpeg.size() / 2), JpegMessage(JWRN_JPEG_EOF)},
        {"jpeg without end marker", "jpeg", Cut(jpeg, jpeg.size() - 2), JpegMessage(JWRN_JPEG_EOF)},
        {"zero-width jpeg", "jpg", jpegSize(0, 48), JpegMessage(JERR_EMPTY_IMAGE)},
        {"60000 x 60000 jpeg", "jpg", jpegSize(60000, 60000), JpegMessage(JERR_IMAGE_TOO_BIG)},
        // Bitmaps.
        {"empty bmp", "bmp", {}, kBadBitmap},
        {"junk bmp", "bmp", junk, kBadBitmap},
        {"signature only", "bmp", {'B', 'M'}, kBadBitmap},
        {"truncated bmp", "bmp", Cut(bmp, bmp.size() / 2), kBadBitmap},
        {"truncated header", "bmp", Cut(bmp, 30), kBadBitmap},
        {"truncated palette", "bmp", Cut(bmp8, 54 + 100), kBadBitmap},
        {"zero-width bmp", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 18, 0); }), kBadBitmap},
        {"zero-height bmp", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 22, 0); }), kBadBitmap},
        {"60000 x 60000 bmp", "bmp",
         edit(bmp, [](Bytes& b) { Set32(b, 18, 60000); Set32(b, 22, 60000); }), kBadBitmap},
        {"20000 x 1 bmp", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 18, 20000); Set32(b, 22, 1); }), kBadBitmap},
        {"7 bits per pixel", "bmp", edit(bmp, [](Bytes& b) { Set16(b, 28, 7); }), kBadBitmap},
        {"run-length 24-bit", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 30, BI_RLE8); }), kBadBitmap},
        {"embedded png", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 30, 5); }), kBadBitmap},
        {"header size 99", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 14, 99); }), kBadBitmap},
        {"pixels beyond the end", "bmp", edit(bmp, [&](Bytes& b) { Set32(b, 10, static_cast<std::uint32_t>(bmp.size())); }),
         kBadBitmap},
        {"pixels inside the header", "bmp", edit(bmp, [](Bytes& b) { Set32(b, 10, 20); }), kBadBitmap},
        // Icons.
        {"empty ico", "ico", {}, kBadIcon},
        {"junk ico", "ico", junk, kBadIcon},
        {"cursor, not icon", "ico", edit(ico, [](Bytes& b) { Set16(b, 2, 2); }), kBadIcon},
        {"no images", "ico", edit(ico, [](Bytes& b) { Set16(b, 4, 0); }), kBadIcon},
        {"1000 images", "ico", edit(ico, [](Bytes& b) { Set16(b, 4, 1000); }), kBadIcon},
        {"truncated ico", "ico", Cut(ico, ico.size() - 10), kBadIcon},
        {"directory only", "ico", Cut(ico, icoImage), kBadIcon},
        {"image beyond the end", "ico", edit(ico, [](Bytes& b) { Set32(b, 18, 1u << 30); }), kBadIcon},
        {"zero-width icon", "ico", edit(ico, [&](Bytes& b) { Set32(b, icoImage + 4, 0); }), kBadIcon},
        {"zero-height icon", "ico", edit(ico, [&](Bytes& b) { Set32(b, icoImage + 8, 0); }), kBadIcon},
        {"60000 x 60000 icon", "ico",
         edit(ico, [&](Bytes& b) { Set32(b, icoImage + 4, 60000); Set32(b, icoImage + 8, 120000); }), kBadIcon},
        {"icon image of 9 bits", "ico", edit(ico, [&](Bytes& b) { Set16(b, icoImage + 14, 9); }), kBadIcon},
        // Enhanced metafiles.
        {"empty emf", "emf", {}, kBadMetafile},
        {"junk emf", "emf", junk, kBadMetafile},
        {"truncated emf", "emf", Cut(emf, emf.size() - 8), kBadMetafile},
        {"emf header only", "emf", Cut(emf, 88), kBadMetafile},
        {"wrong signature", "emf", edit(emf, [](Bytes& b) { b[40] = 'X'; }), kBadMetafile},
        {"size beyond the file", "emf", edit(emf, [](Bytes& b) { Set32(b, 48, 0x7FFFFFF0u); }), kBadMetafile},
        {"record beyond the end", "emf", edit(emf, [&](Bytes& b) { Set32(b, U32At(b, 4) + 4, 0x10000000u); }),
         kBadMetafile},
        {"zero-sized record", "emf", edit(emf, [&](Bytes& b) { Set32(b, U32At(b, 4) + 4, 0); }), kBadMetafile},
        {"zero frame", "emf", edit(emf, [](Bytes& b) { Set32(b, 32, U32At(b, 24)); }), kBadMetafile},
        {"no end record", "emf", edit(emf, [](Bytes& b) { Set32(b, b.size() - 20, EMR_GDICOMMENT); }),
         kBadMetafile},
        // Objects are kept in a table of the size the header gives (at byte
        // 56); the platform writes and reads it at the index a record names.
        {"brush made past the handle table", "emf",
         edit(emf, [&](Bytes& b) { Set32(b, emfRecord(b, EMR_CREATEBRUSHINDIRECT) + 8, b[56] | (b[57] << 8)); }),
         kBadMetafile},
        {"object selected past the handle table", "emf",
         edit(emf, [&](Bytes& b) { Set32(b, emfRecord(b, EMR_SELECTOBJECT) + 8, 60000); }), kBadMetafile},
        // The platform plays on after the end-of-file record.
        {"object selected past the table after the end", "emf",
         emfAfterEnd(emf, {EMR_SELECTOBJECT, 12, 60000}), kBadMetafile},
        {"frame wider than 32 bits", "emf",
         edit(emf, [](Bytes& b) { Set32(b, 24, 0x80000001u); Set32(b, 32, 0x7FFFFFFFu); }), kBadMetafile},
        // 42949673 mm is more hundredths of a millimetre than 32 bits hold.
        {"reference device 43 km wide", "emf", edit(emf, [](Bytes& b) { Set32(b, 80, 42949673); }), kBadMetafile},
        // Windows metafiles.
        {"empty wmf", "wmf", {}, kBadMetafile},
        {"junk wmf", "wmf", junk, kBadMetafile},
        {"placeable header only", "wmf", Cut(wmf, 22), kBadMetafile},
        {"truncated wmf", "wmf", Cut(wmf, wmf.size() - 6), kBadMetafile},
        {"truncated plain wmf", "wmf", Cut(plainWmf, plainWmf.size() / 2), kBadMetafile},
        {"zero units per inch", "wmf", edit(wmf, [](Bytes& b) { Set16(b, 14, 0); }), kBadMetafile},
        {"zero-width frame", "wmf", edit(wmf, [](Bytes& b) { Set16(b, 10, 0); }), kBadMetafile},
        {"wrong header size", "wmf", edit(wmf, [&](Bytes& b) { Set16(b, wmfBody + 2, 7); }), kBadMetafile},
        {"size beyond the file", "wmf", edit(wmf, [&](Bytes& b) { Set32(b, wmfBody + 6, 0x7FFFFFF0u); }),
         kBadMetafile},
        {"record beyond the end", "wmf", edit(wmf, [&](Bytes& b) { Set32(b, wmfBody + 18, 0x10000000u); }),
         kBadMetafile},
        {"zero-sized record", "wmf", edit(wmf, [&](Bytes& b) { Set32(b, wmfBody + 18, 0); }), kBadMetafile},
        // Selects object 65535 of a table of one: the platform would read past its table.
        {"object index past the table", "wmf", Bytes{0xD7, 0xCD, 0xC6, 0x9A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x00, 0x28, 0x00, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x09, 0x00, 0x00, 0x03, 0x33, 0x00, 0x00, 0x00, 0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x03, 0x01, 0x08, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0B, 0x02, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0C, 0x02, 0x28, 0x00, 0x50, 0x00, 0x07, 0x00, 0x00, 0x00, 0xFC, 0x02, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x2D, 0x01, 0xFF, 0xFF, 0x07, 0x00, 0x00, 0x00, 0x1B, 0x04, 0x1E, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x18, 0x04, 0x23, 0x00, 0x46, 0x00, 0x05, 0x00, 0x05, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00}, kBadMetafile},
        // Regions and brushes are objects of the table too: paint, fill, frame.
        {"region painted past the object table", "wmf", wmfBeforeEnd(plainWmf, {0x012B, 0xFFF0}), kBadMetafile},
        {"region filled past the object table", "wmf", wmfBeforeEnd(plainWmf, {0x0228, 0, 0xFFF0}), kBadMetafile},
        {"region framed past the object table", "wmf", wmfBeforeEnd(plainWmf, {0x0429, 1, 1, 0xFFF0, 0}),
         kBadMetafile},
        {"plain wmf without a size", "wmf",
         edit(plainWmf, [](Bytes& b) {
             for (std::size_t p = 18; p + 6 <= b.size();) {  // turn SetWindowExt into a no-op record kind
                 const std::uint32_t words = U32At(b, p);
                 if ((b[p + 4] | (b[p + 5] << 8)) == 0x020C) Set16(b, p + 4, 0x0201);  // SetBkColor
                 if (words == 0) break;
                 p += words * 2;
             }
         }),
         kBadMetafile},
    };
    for (const auto& c : cases) {
        const std::string path = Write(std::string("damaged.") + c.extension, c.bytes);
        EXPECT_EQ(FailureOf(path), c.message) << c.name;
        EXPECT_EQ(FailureOf(path, 246, 101), c.message) << c.name << " (with a target size)";
    }
}

}  // namespace
