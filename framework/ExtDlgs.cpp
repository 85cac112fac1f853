#include "framework/ExtDlgs.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "framework/Controls.h"
#include "framework/Errors.h"
#include "framework/Graphic.h"
#include "framework/PictureFit.h"

namespace fw {
namespace {

// The picture kinds, one file-type entry each, in the order they are listed.
struct PictureKind {
    const char* description;
    const char* pattern;
};
constexpr PictureKind kKinds[] = {
    {"JPEG Image File", "*.jpg"}, {"JPEG Image File", "*.jpeg"}, {"位图", "*.bmp"},
    {"图标", "*.ico"},             {"扩展元文件", "*.emf"},       {"元文件", "*.wmf"},
};
constexpr const char* kAllKinds = "全部";

constexpr WORD kPanelId = 0x0601;  // clear of the dialog's own control numbers
constexpr UINT_PTR kResizedTimer = 1;
constexpr UINT kResizedDelay = 200;  // ms after the last size change
constexpr int kPictureMargin = 4;  // between the panel's edge and the picture
// Room for any path the dialog returns; a longer one fails the dialog.
constexpr DWORD kFileNameSize = 4096;

// The filter the dialog takes: description and patterns of each entry, each
// ended by a zero byte; the string's own terminator ends the list.
std::string FilterText(const std::vector<FileType>& types) {
    std::string text;
    for (const FileType& t : types) {
        text += t.description;
        text += '\0';
        text += t.patterns;
        text += '\0';
    }
    return text;
}

// Our part of the dialog, in dialog units: the placeholder the dialog lays
// its own controls into (stc32) and, to its right, the preview panel. The
// panel's top and bottom are matched to the file list once the dialog has
// laid it out.
std::vector<WORD> PanelTemplate() {
    std::vector<WORD> t;
    auto dword = [&t](DWORD d) {
        t.push_back(LOWORD(d));
        t.push_back(HIWORD(d));
    };
    auto item = [&](DWORD style, int x, int y, int cx, int cy, WORD id) {
        if (t.size() % 2 != 0) t.push_back(0);  // items start on a DWORD boundary
        dword(style);
        dword(0);
        for (int v : {x, y, cx, cy}) t.push_back(static_cast<WORD>(v));
        t.push_back(id);
        t.push_back(0xFFFF);  // a system class by atom: Static
        t.push_back(0x0082);
        t.push_back(0);  // no text
        t.push_back(0);  // no creation data
    };
    constexpr int kGap = 4, kPanelWidth = 100;
    dword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL);
    dword(0);
    t.push_back(2);  // items
    for (int v : {0, 0, 1 + kGap + kPanelWidth + kGap, 1}) t.push_back(static_cast<WORD>(v));
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    t.push_back(0);  // no title
    item(WS_CHILD, 0, 0, 1, 1, stc32);
    item(WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 1 + kGap, 0, kPanelWidth, 1, kPanelId);
    return t;
}

// Inside the panel's sunken edge and margin: where pictures are fitted.
Rect PictureArea(const RECT& panel) {
    const int inset = 2 + kPictureMargin;
    return Rect{panel.left + inset, panel.top + inset, panel.right - inset, panel.bottom - inset};
}

// The path the dialog would return now (the folder alone when no file is named).
std::string CurrentPath(HWND box) {
    std::string path(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const LRESULT needed = SendMessageA(box, CDM_GETFILEPATH, static_cast<WPARAM>(path.size()),
                                            reinterpret_cast<LPARAM>(path.data()));
        if (needed <= 0) return {};
        if (static_cast<std::size_t>(needed) <= path.size()) {
            path.resize(strnlen(path.data(), path.size()));
            return path;
        }
        path.assign(static_cast<std::size_t>(needed), '\0');
    }
    return {};
}

}  // namespace

OpenPictureDialog::OpenPictureDialog(PreviewLoader loader) : loader_(std::move(loader)) {}

std::vector<FileType> OpenPictureDialog::FileTypes() {
    std::vector<FileType> types;
    std::string all;
    for (const PictureKind& k : kKinds) {
        if (!all.empty()) all += ';';
        all += k.pattern;
    }
    types.push_back({std::string(kAllKinds) + " (" + all + ")", all});
    for (const PictureKind& k : kKinds)
        types.push_back({std::string(k.description) + " (" + k.pattern + ")", k.pattern});
    return types;
}

bool OpenPictureDialog::Execute(HWND owner) {
    const std::string filter = FilterText(FileTypes());
    const std::vector<WORD> panel = PanelTemplate();
    std::vector<char> file(kFileNameSize, '\0');

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = reinterpret_cast<HINSTANCE>(const_cast<WORD*>(panel.data()));
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kFileNameSize;
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    ofn.lpfnHook = HookProc;

    const BOOL confirmed = GetOpenFileNameA(&ofn);
    dialog_ = nullptr;
    picture_.reset();
    if (!confirmed) {
        const DWORD code = CommDlgExtendedError();
        if (code == 0) return false;  // cancelled
        char number[16];
        std::snprintf(number, sizeof number, "0x%04lX", static_cast<unsigned long>(code));
        throw Error(FormatMessage1("打开文件对话框失败 (错误 %s)", number));
    }
    fileName_.assign(file.data(), strnlen(file.data(), file.size()));
    return true;
}

UINT_PTR CALLBACK OpenPictureDialog::HookProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    UINT_PTR result = 0;
    Guarded([&] {
        if (msg == WM_INITDIALOG) {
            auto* self = reinterpret_cast<OpenPictureDialog*>(reinterpret_cast<const OPENFILENAMEA*>(lp)->lCustData);
            SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
            self->dialog_ = dialog;
            result = TRUE;
            return;
        }
        auto* self = reinterpret_cast<OpenPictureDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (self != nullptr && self->dialog_ == dialog && self->Hook(msg, wp, lp)) result = TRUE;
    });
    return result;
}

bool OpenPictureDialog::Hook(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE: PlacePanel(); return false;
        case WM_TIMER:
            if (wp != kResizedTimer) return false;
            KillTimer(dialog_, kResizedTimer);
            SelectionChanged();
            return true;
        case WM_DRAWITEM:
            if (wp != kPanelId) return false;
            DrawPanel(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return true;
        case WM_NOTIFY:
            switch (reinterpret_cast<const NMHDR*>(lp)->code) {
                case CDN_INITDONE: PlacePanel(); break;
                case CDN_SELCHANGE: SelectionChanged(); break;
                case CDN_FOLDERCHANGE: ShowPicture(nullptr); break;
                default: break;
            }
            return false;
        case WM_DESTROY: dialog_ = nullptr; return false;
        default: return false;
    }
}

HWND OpenPictureDialog::Panel() const { return GetDlgItem(dialog_, kPanelId); }

// The panel as tall as the file list and level with it; the dialog itself
// keeps it to the right of its own controls. A picture shown is made again
// for the new size once the size stays put.
void OpenPictureDialog::PlacePanel() {
    const HWND box = GetParent(dialog_);
    HWND list = GetDlgItem(box, lst2);  // the folder's view
    if (list == nullptr) list = GetDlgItem(box, lst1);
    const HWND panel = Panel();
    if (list == nullptr || panel == nullptr) return;
    RECT l{}, p{};
    GetWindowRect(list, &l);
    GetWindowRect(panel, &p);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&l), 2);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&p), 2);
    if (p.top == l.top && p.bottom == l.bottom) return;
    SetWindowPos(panel, nullptr, p.left, l.top, p.right - p.left, l.bottom > l.top ? l.bottom - l.top : 0,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(panel, nullptr, TRUE);
    if (picture_) SetTimer(dialog_, kResizedTimer, kResizedDelay, nullptr);
}

// A file that cannot be read as a picture (a folder, another kind, damaged
// contents) leaves the panel empty: the dialog is only looking.
void OpenPictureDialog::SelectionChanged() {
    std::shared_ptr<Graphic> picture;
    const HWND panel = Panel();
    const std::string path = CurrentPath(GetParent(dialog_));
    if (loader_ && panel != nullptr && !path.empty()) {
        RECT client{};
        GetClientRect(panel, &client);
        const Rect area = PictureArea(client);
        if (area.Width() > 0 && area.Height() > 0) {
            try {
                picture = loader_(path, area.Width(), area.Height());
            } catch (const std::exception&) {
                picture = nullptr;
            }
        }
    }
    ShowPicture(std::move(picture));
}

void OpenPictureDialog::ShowPicture(std::shared_ptr<Graphic> picture) {
    if (!picture && !picture_) return;
    picture_ = std::move(picture);
    if (const HWND panel = Panel()) InvalidateRect(panel, nullptr, TRUE);
}

void OpenPictureDialog::DrawPanel(const DRAWITEMSTRUCT& item) const {
    RECT r = item.rcItem;
    DrawEdge(item.hDC, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_WINDOW));
    if (!picture_) return;
    const Rect at = FitPicture(picture_->Width(), picture_->Height(), PictureArea(item.rcItem));
    if (at.Width() <= 0 || at.Height() <= 0) return;
    const RECT dest{at.left, at.top, at.right, at.bottom};
    picture_->Draw(item.hDC, dest);
}

}  // namespace fw
