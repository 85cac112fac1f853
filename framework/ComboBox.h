// The combo box on the system's combo box class: a list with an edit field
// (csDropDown, csSimple) or a drop-down list only (csDropDownList and the two
// owner-drawn styles). The object keeps the items, the selection and the text
// too, so they survive a new native window (a font change makes one).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Controls.h"

namespace fw {

enum ComboStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class ComboBox : public WinControl {
public:
    explicit ComboBox(WinControl* parent = nullptr);
    ~ComboBox() override;

    ComboStyle Style() const { return style_; }
    void SetStyle(ComboStyle style);

    const std::vector<std::string>& Items() const { return items_; }
    void AddItem(const std::string& item);
    // Replaces the items; nothing is selected afterwards.
    void SetItems(const std::vector<std::string>& items);

    // -1 while nothing is selected. Setting it from code raises no event;
    // an index outside the items selects nothing.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The text shown: the edit field's, or the selected item's.
    std::string Text() const;

    // Height of the list's items in pixels. The owner-drawn styles take the
    // value set (for the selection field too); the others keep the height the
    // system gives their font and report that one once the window exists.
    int ItemHeight() const;
    void SetItemHeight(int height);
    // How many items the dropped list shows at a time before it scrolls.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count) { dropDownCount_ = count; }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    // Longest text the edit field takes; 0: no limit of its own.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);

    bool DroppedDown() const;
    void SetDroppedDown(bool dropped);

    // The edit field's window (editable styles with a window), else null.
    HWND EditHandle() const;
    // The list's window, null without a native window.
    HWND ListHandle() const;

    // Makes the native window again, carrying the items, the selection, the
    // text, the focus and the place among its siblings over.
    void RecreateHandle();

    // A user's pick raises OnClick, then OnChange; typing in the edit field
    // raises OnChange.
    std::function<void()> OnChange;
    std::function<void()> OnDropDown;
    // Owner-drawn styles: draws item `index` in `rect`; `state` holds the
    // ODS_ flags. The canvas comes with the control's font and its colour,
    // or the highlight colours for a selected item.
    std::function<void(int index, Canvas& canvas, const Rect& rect, UINT state)> OnDrawItem;
    // csOwnerDrawVariable: the height of item `index`, ItemHeight unless changed.
    std::function<void(int index, int& height)> OnMeasureItem;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    // Fills the new native window from the object's items and state.
    void HandleCreated() override;
    virtual void Change();
    virtual void DropDown();
    virtual void DrawItem(int index, Canvas& canvas, const Rect& rect, UINT state);
    virtual int MeasureItem(int index);
    // The combo notification `code` (CBN_...) the control sent its parent.
    virtual void Notified(int code);
    bool Editable() const { return style_ == csDropDown || style_ == csSimple; }
    bool OwnerDrawn() const { return style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable; }
    // A brush of the control's colour, made again when the colour changed;
    // kept and freed by the control.
    HBRUSH ColorBrush();

private:
    void ApplyItemHeights();
    void AdjustDropDown();
    void DrawItemNotified(const DRAWITEMSTRUCT& item);
    LRESULT AnswerColors(HDC dc);
    void ReadBackOrder();

    ComboStyle style_ = csDropDown;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    int itemHeight_ = 16;
    int dropDownCount_ = 8;
    bool sorted_ = false;
    int maxLength_ = 0;
    bool adjusting_ = false;  // the dropped height is being set
    OwnedBrush brush_;
    COLORREF brushColor_ = 0;
};

}  // namespace fw
