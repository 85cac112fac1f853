#include "framework/GdiObjects.h"

#include "framework/Counters.h"

namespace fw {
namespace {

Counter gBrushes("gdi.brush");
Counter gPens("gdi.pen");
Counter gFonts("gdi.font");
Counter gBitmaps("gdi.bitmap");
Counter gMemoryDcs("gdi.dc");
Counter gMetafiles("gdi.metafile");
Counter gIcons("gdi.icon");

Counter& CounterOf(GdiKind kind) {
    switch (kind) {
        case GdiKind::Brush: return gBrushes;
        case GdiKind::Pen: return gPens;
        case GdiKind::Font: return gFonts;
        case GdiKind::Bitmap: return gBitmaps;
        case GdiKind::MemoryDc: return gMemoryDcs;
        case GdiKind::Metafile: return gMetafiles;
        case GdiKind::Icon: break;
    }
    return gIcons;
}

}  // namespace

long LiveGdiObjects(GdiKind kind) { return CounterOf(kind).Value(); }

namespace gdi_detail {

void Adopted(GdiKind kind) { CounterOf(kind).Add(1); }

// An object the system refuses to delete still lives: it stays counted.
void Delete(GdiKind kind, void* handle) {
    BOOL deleted = FALSE;
    switch (kind) {
        case GdiKind::MemoryDc: deleted = DeleteDC(static_cast<HDC>(handle)); break;
        case GdiKind::Metafile: deleted = DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle)); break;
        case GdiKind::Icon: deleted = DestroyIcon(static_cast<HICON>(handle)); break;
        default: deleted = DeleteObject(static_cast<HGDIOBJ>(handle)); break;
    }
    if (deleted) CounterOf(kind).Add(-1);
}

}  // namespace gdi_detail

OwnedBrush MakeSolidBrush(COLORREF color) { return OwnedBrush(CreateSolidBrush(color)); }

OwnedPen MakePen(int style, int width, COLORREF color) { return OwnedPen(CreatePen(style, width, color)); }

OwnedFont MakeFont(const LOGFONTA& description) { return OwnedFont(CreateFontIndirectA(&description)); }

OwnedBitmap MakeCompatibleBitmap(HDC reference, int width, int height) {
    if (reference != nullptr) return OwnedBitmap(CreateCompatibleBitmap(reference, width, height));
    HDC screen = GetDC(nullptr);
    OwnedBitmap made(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    return made;
}

OwnedBitmap MakeMonochromeBitmap(int width, int height) {
    return OwnedBitmap(CreateBitmap(width, height, 1, 1, nullptr));
}

OwnedBitmap MakeDibSection(const BITMAPINFO& info, void** bits) {
    void* pixels = nullptr;
    OwnedBitmap made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (bits != nullptr) *bits = made ? pixels : nullptr;
    return made;
}

OwnedBitmap LoadBitmapResource(HINSTANCE module, const char* name) {
    return OwnedBitmap(
        static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

OwnedIcon LoadIconResource(HINSTANCE module, const char* name, int width, int height) {
    return OwnedIcon(static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, width, height, 0)));
}

HICON SharedIconResource(HINSTANCE module, const char* name, int width, int height) {
    return static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, width, height, LR_SHARED));
}

OwnedIcon MakeIconFromImage(const BYTE* image, DWORD size) {
    return OwnedIcon(
        CreateIconFromResourceEx(const_cast<PBYTE>(image), size, TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR));
}

OwnedMetafile MakeEnhancedMetafile(const BYTE* data, UINT size) {
    return OwnedMetafile(SetEnhMetaFileBits(size, data));
}

OwnedMetafile MakeEnhancedMetafileFromWindows(const BYTE* data, UINT size, const METAFILEPICT& picture) {
    return OwnedMetafile(SetWinMetaFileBits(size, data, nullptr, &picture));
}

OwnedDc MakeMemoryDc(HDC reference) { return OwnedDc(CreateCompatibleDC(reference)); }

}  // namespace fw
