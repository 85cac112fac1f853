// The one owner of the GDI objects the program makes: brushes, pens, fonts,
// bitmaps, memory device contexts, enhanced metafiles and icons are made (or
// taken over from the system) and deleted only through this unit, which
// counts the live objects of each kind. The counts are readable from outside
// by the names "gdi.brush", "gdi.pen", "gdi.font", "gdi.bitmap", "gdi.dc",
// "gdi.metafile" and "gdi.icon" (Counters.h), so that a long run of the
// program can tell whether any kind grows.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

enum class GdiKind { Brush, Pen, Font, Bitmap, MemoryDc, Metafile, Icon };

// Objects of the kind alive now: made or taken over here and not yet deleted.
long LiveGdiObjects(GdiKind kind);

namespace gdi_detail {
void Adopted(GdiKind kind);
void Delete(GdiKind kind, void* handle);
}  // namespace gdi_detail

// The sole owner of one GDI object of kind K: deletes it, and counts it gone,
// when it ends or is given another. Moves, never copies.
template <GdiKind K, class H>
class GdiObject {
public:
    GdiObject() = default;
    // Takes over an object the system made for the program (null: none).
    explicit GdiObject(H handle) : h_(handle) {
        if (h_ != nullptr) gdi_detail::Adopted(K);
    }
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    H Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Deletes the object now (it must not be selected into a DC any more).
    void Reset() {
        if (h_ != nullptr) gdi_detail::Delete(K, std::exchange(h_, nullptr));
    }

private:
    H h_ = nullptr;
};

using OwnedBrush = GdiObject<GdiKind::Brush, HBRUSH>;
using OwnedPen = GdiObject<GdiKind::Pen, HPEN>;
using OwnedFont = GdiObject<GdiKind::Font, HFONT>;
using OwnedBitmap = GdiObject<GdiKind::Bitmap, HBITMAP>;
using OwnedDc = GdiObject<GdiKind::MemoryDc, HDC>;
using OwnedMetafile = GdiObject<GdiKind::Metafile, HENHMETAFILE>;
using OwnedIcon = GdiObject<GdiKind::Icon, HICON>;

// The makers: each gives an empty owner when the system makes nothing.
OwnedBrush MakeSolidBrush(COLORREF color);
OwnedPen MakePen(int style, int width, COLORREF color);
OwnedFont MakeFont(const LOGFONTA& description);
// A bitmap of the reference DC's format (the screen's for null).
OwnedBitmap MakeCompatibleBitmap(HDC reference, int width, int height);
OwnedBitmap MakeMonochromeBitmap(int width, int height);
// A DIB section of that description; `bits` receives its pixels' address.
OwnedBitmap MakeDibSection(const BITMAPINFO& info, void** bits);
// A bitmap resource of the module, as a DIB section.
OwnedBitmap LoadBitmapResource(HINSTANCE module, const char* name);
// An icon resource of the module at that size, the program's own copy.
OwnedIcon LoadIconResource(HINSTANCE module, const char* name, int width, int height);
// The system's shared copy of an icon resource: the system keeps it until the
// module goes, so it is neither destroyed nor counted.
HICON SharedIconResource(HINSTANCE module, const char* name, int width, int height);
// An icon or cursor image as an icon file stores it (one directory entry's data).
OwnedIcon MakeIconFromImage(const BYTE* image, DWORD size);
OwnedMetafile MakeEnhancedMetafile(const BYTE* data, UINT size);
// A Windows metafile's records converted, played at the picture's extents.
OwnedMetafile MakeEnhancedMetafileFromWindows(const BYTE* data, UINT size, const METAFILEPICT& picture);
// A memory DC compatible with the reference DC (the screen's for null).
OwnedDc MakeMemoryDc(HDC reference);

// A memory DC with objects selected into it; the object it first held is
// put back before it is deleted.
class MemoryDc {
public:
    explicit MemoryDc(HDC reference = nullptr) : dc_(MakeMemoryDc(reference)) {}
    ~MemoryDc() {
        if (old_ != nullptr) SelectObject(dc_.Get(), old_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC Get() const { return dc_.Get(); }
    bool Ok() const { return static_cast<bool>(dc_); }
    // False when there is no DC or the system refuses the object.
    bool Select(HGDIOBJ object) {
        if (!dc_) return false;
        HGDIOBJ old = SelectObject(dc_.Get(), object);
        if (old == nullptr) return false;
        if (old_ == nullptr) old_ = old;
        return true;
    }

private:
    OwnedDc dc_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace fw
