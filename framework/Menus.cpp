#include "framework/Menus.h"

#include <commctrl.h>

#include <map>

#include "framework/Application.h"
#include "framework/Controls.h"

namespace fw {

namespace {

// Never destroyed: menus may outlive static destruction order.
std::map<UINT, MenuItem*>& Commands() {
    static auto* commands = new std::map<UINT, MenuItem*>;
    return *commands;
}

UINT NextCommand() {
    static UINT next = 0x7100;
    return next++;
}

}  // namespace

// ---------------------------------------------------------------- ImageList

ImageList::ImageList(int width, int height) : width_(width), height_(height) {
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)initialised;
    list_ = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 8, 8);
}

ImageList::~ImageList() {
    if (list_) ImageList_Destroy(list_);
}

void ImageList::AddMasked(HBITMAP strip, COLORREF maskColor) {
    if (!list_ || !strip) return;
    ImageList_AddMasked(list_, strip, maskColor);
    count_ = ImageList_GetImageCount(list_);
}

OwnedBitmap ImageList::MakeBitmap(int index, COLORREF background) const {
    OwnedBitmap bmp = MakeCompatibleBitmap(nullptr, width_, height_);
    MemoryDc dc;
    if (!dc.Select(bmp.Get())) return bmp;
    RECT r{0, 0, width_, height_};
    FillRect(dc.Get(), &r, MakeSolidBrush(background).Get());
    ImageList_Draw(list_, index, dc.Get(), 0, 0, ILD_TRANSPARENT);
    return bmp;
}

// ---------------------------------------------------------------- PopupMenu

PopupMenu::PopupMenu() = default;

PopupMenu::~PopupMenu() {
    for (auto& item : items_) Commands().erase(item->command);
    if (menu_) DestroyMenu(menu_);
}

MenuItem& PopupMenu::Add(const std::string& name, const std::string& caption, int imageIndex,
                         int groupIndex, std::function<void()> onClick) {
    auto item = std::make_unique<MenuItem>();
    item->name = name;
    item->caption = caption;
    item->imageIndex = imageIndex;
    item->groupIndex = groupIndex;
    item->onClick = std::move(onClick);
    item->command = NextCommand();
    Commands()[item->command] = item.get();
    items_.push_back(std::move(item));
    if (menu_) {
        DestroyMenu(menu_);
        menu_ = nullptr;
    }
    return *items_.back();
}

MenuItem* PopupMenu::Find(const std::string& name) const {
    for (const auto& item : items_)
        if (item->name == name) return item.get();
    return nullptr;
}

void PopupMenu::Build() {
    menu_ = CreatePopupMenu();
    bitmaps_.clear();
    UINT pos = 0;
    for (const auto& item : items_) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        if (item->caption == "-") {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
            mi.fType = MFT_STRING;
            mi.wID = item->command;
            mi.dwTypeData = const_cast<char*>(item->caption.c_str());
            if (images && item->imageIndex >= 0 && item->imageIndex < images->Count()) {
                bitmaps_.push_back(images->MakeBitmap(item->imageIndex, GetSysColor(COLOR_MENU)));
                mi.fMask |= MIIM_BITMAP;
                mi.hbmpItem = bitmaps_.back().Get();
            }
        }
        InsertMenuItemA(menu_, pos++, TRUE, &mi);
    }
}

HMENU PopupMenu::Handle() {
    if (!menu_) Build();
    return menu_;
}

void PopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup();
    TrackPopupMenu(Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, App().Handle(), nullptr);
}

bool PopupMenu::DispatchCommand(UINT command) {
    auto it = Commands().find(command);
    if (it == Commands().end()) return false;
    if (it->second->onClick) it->second->onClick();
    return true;
}

}  // namespace fw
