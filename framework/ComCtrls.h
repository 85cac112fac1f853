// Controls on the system's common control classes: the tab page control and
// its pages.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/Controls.h"

namespace fw {

class TabSheet;

// Tabs over a stack of pages, on the system tab control. The pages are
// framework windows, children of this one, laid over the display area and
// placed again when the control or its tabs change size; only the active
// page is shown.
class PageControl : public WinControl {
public:
    explicit PageControl(WinControl* parent = nullptr);
    ~PageControl() override;

    // Tabs wrap onto several rows instead of scrolling.
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool m);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TabSheet* Page(int i) const;  // null outside 0 .. PageCount() - 1
    TabSheet* ActivePage() const { return active_; }
    // Shows the page and selects its tab; raises no OnChange.
    void SetActivePage(TabSheet* page);

    // The user picked another tab; its page is already shown.
    std::function<void()> OnChange;

    // The area the pages fill, in the control's client coordinates.
    Rect DisplayRect();

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void Resized() override;

private:
    friend class TabSheet;
    void AddPage(TabSheet* page);
    void RemovePage(TabSheet* page);
    void PageCaptionChanged(TabSheet* page);
    void SetTab(int index, bool insert);
    void ShowPage(TabSheet* page);
    void PlacePages();
    void TabPicked();
    void PrintPages(HDC dc, LPARAM flags);

    std::vector<TabSheet*> pages_;
    TabSheet* active_ = nullptr;
    bool multiLine_ = false;
};

// One page of a page control: a window of our own class in the page's colour,
// holding the page's controls. Its caption is its tab's text.
class TabSheet : public WinControl {
public:
    // Appended to the owner as its next tab; the first page becomes active.
    explicit TabSheet(PageControl* owner);
    ~TabSheet() override;

    PageControl* Owner() const { return owner_; }
    int PageIndex() const;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void FillCreateParams(CreateParams& params) override;

private:
    friend class PageControl;
    PageControl* owner_;
};

}  // namespace fw
