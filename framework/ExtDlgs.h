// The picture file-open dialog: the system's explorer-style open dialog with
// a preview panel beside the file list, showing the selected file's picture
// shrunk to fit and keeping its proportions. The read-only box is hidden, the
// dialog can be resized, and the chosen file need not exist.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class Graphic;

// Makes the picture a file previews as, for a panel of width x height
// pixels. It may come back at any size (the dialog shrinks it to fit) or
// null; an error it raises means the file shows no picture.
using PreviewLoader = std::function<std::shared_ptr<Graphic>(const std::string& path, int width, int height)>;

// One entry of the file-type list: the text shown and the patterns it
// filters by (";" between patterns).
struct FileType {
    std::string description;
    std::string patterns;
};

class OpenPictureDialog {
public:
    // Without a loader the panel stays empty.
    explicit OpenPictureDialog(PreviewLoader loader = nullptr);
    OpenPictureDialog(const OpenPictureDialog&) = delete;
    OpenPictureDialog& operator=(const OpenPictureDialog&) = delete;

    // The file-type list in order, the first one selected when the dialog
    // opens: every picture kind together, then one entry per kind.
    static std::vector<FileType> FileTypes();

    // Runs the dialog modally, owned by `owner` (may be null). True when the
    // user confirmed a file: FileName() is then its full path as the dialog
    // gave it. Cancelled, false and nothing changes. A failure of the dialog
    // itself raises fw::Error with its error code.
    bool Execute(HWND owner);

    const std::string& FileName() const { return fileName_; }

private:
    static UINT_PTR CALLBACK HookProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
    bool Hook(UINT msg, WPARAM wp, LPARAM lp);
    void PlacePanel();
    void SelectionChanged();
    void ShowPicture(std::shared_ptr<Graphic> picture);
    void DrawPanel(const DRAWITEMSTRUCT& item) const;
    HWND Panel() const;

    PreviewLoader loader_;
    std::string fileName_;
    HWND dialog_ = nullptr;  // our part of the dialog while it runs
    std::shared_ptr<Graphic> picture_;
};

}  // namespace fw
