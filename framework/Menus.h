// Pop-up menus with item images from an image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/GdiObjects.h"

namespace fw {

// Equal-sized images cut from one bitmap strip; pixels of the mask colour are
// transparent.
class ImageList {
public:
    ImageList(int width, int height);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    // Adds the images of a strip (its width a multiple of the image width).
    void AddMasked(HBITMAP strip, COLORREF maskColor);
    int Count() const { return count_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HIMAGELIST Handle() const { return list_; }
    // A bitmap of one image with the transparent pixels in `background`.
    OwnedBitmap MakeBitmap(int index, COLORREF background) const;

private:
    int width_, height_;
    int count_ = 0;
    HIMAGELIST list_ = nullptr;
};

struct MenuItem {
    std::string name;
    std::string caption;      // "-" makes a separator
    int imageIndex = -1;
    int groupIndex = 0;
    std::function<void()> onClick;
    UINT command = 0;         // assigned by the menu
};

class PopupMenu {
public:
    PopupMenu();
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    ImageList* images = nullptr;
    // Raised just before the menu opens.
    std::function<void()> OnPopup;

    MenuItem& Add(const std::string& name, const std::string& caption, int imageIndex,
                  int groupIndex, std::function<void()> onClick = nullptr);
    const std::vector<std::unique_ptr<MenuItem>>& Items() const { return items_; }
    MenuItem* Find(const std::string& name) const;

    // The native menu (built on first use).
    HMENU Handle();
    // Shows the menu with its top-left corner at a screen point, left-aligned,
    // tracking the right button; the chosen item's handler runs when the
    // command message arrives.
    void Popup(int x, int y);

    // Runs the handler of the item with this command identifier; false if none.
    static bool DispatchCommand(UINT command);

private:
    void Build();
    std::vector<std::unique_ptr<MenuItem>> items_;
    HMENU menu_ = nullptr;
    std::vector<OwnedBitmap> bitmaps_;  // the items' images, kept while the menu lives
};

}  // namespace fw
