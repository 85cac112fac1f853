// The flat memo: a standard multi-line edit without the system border inside
// a 3-pixel frame the control paints itself in its non-client area: a
// 1-pixel border and a 2-pixel ring. The ring and the text's background show
// the flat colour, or the focus colour while the memo has the focus or the
// pointer is over it (unless another flat memo holds the focus). Scroll bars,
// when shown, lie inside the frame. Text, caret, selection, copying and
// read-only behaviour are the standard edit's.
#pragma once

#include <windows.h>

#include "flat/FlatUtilitys.h"
#include "framework/Memo.h"

namespace flat {

class TFlatMemo : public fw::Memo {
public:
    explicit TFlatMemo(fw::WinControl* parent = nullptr);

    // Ring and background in the focused (or hot) look.
    fw::Color ColorFocused() const { return colorFocused_; }
    void SetColorFocused(fw::Color c);
    // The 1-pixel outer border.
    fw::Color ColorBorder() const { return colorBorder_; }
    void SetColorBorder(fw::Color c);
    // Ring and background in the flat look; setting it turns ParentColor off.
    fw::Color ColorFlat() const { return colorFlat_; }
    void SetColorFlat(fw::Color c);
    // On: the flat colour follows the parent's colour.
    bool ParentColor() const { return followParent_; }
    void SetParentColor(bool p);
    // On: the flat colour follows the parent and the focused and border
    // colours are derived from it (lighter and darker by the points below).
    bool UseAdvColors() const { return useAdvColors_; }
    void SetUseAdvColors(bool use);
    TAdvColors AdvColorFocused() const { return advColorFocused_; }
    void SetAdvColorFocused(TAdvColors percent);
    TAdvColors AdvColorBorder() const { return advColorBorder_; }
    void SetAdvColorBorder(TAdvColors percent);

    // The pointer is over the control.
    bool IsHot() const { return isHot_; }

    void SetParent(fw::WinControl* parent) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool FocusedLook() const;
    // Paints the frame into `dc` (the window's own, origin at its top-left
    // corner) and gives the text area the look's colour.
    void DrawMemoFrame(HDC dc);
    void DrawMemoFrame();
    void Print(HDC dc, LPARAM flags);
    void StoreColor(fw::Color& field, fw::Color value);
    void StorePercent(TAdvColors& field, TAdvColors value);
    void DeriveAdvColors();
    void ParentColorChanged();
    void MouseEntered();
    void MouseLeft();

    fw::Color colorFocused_ = fw::clWhite;
    fw::Color colorBorder_ = 0x8396A0;
    fw::Color colorFlat_ = 0xE1EAEB;
    bool followParent_ = true;
    bool useAdvColors_ = false;
    TAdvColors advColorFocused_ = 10;
    TAdvColors advColorBorder_ = 50;
    bool isHot_ = false;
};

}  // namespace flat
