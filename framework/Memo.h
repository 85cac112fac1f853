// The memo on the system's multi-line edit class: text as lines, caret,
// selection, scroll bars, word wrap and read-only behaviour are the native
// control's. The object keeps the text and the settings, so they survive a
// new native window (a change of style makes one).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Controls.h"

namespace fw {

enum ScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TextAlignment { taLeftJustify, taRightJustify, taCenter };

class Memo : public WinControl {
public:
    explicit Memo(WinControl* parent = nullptr);
    ~Memo() override;

    // The text: the lines joined by CR LF, no break after the last one.
    std::string Text() const;
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);

    // The user cannot change the text; selecting, copying, scrolling and
    // moving the caret still work.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wrap);
    ScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(ScrollStyle bars);
    TextAlignment Alignment() const { return alignment_; }
    void SetAlignment(TextAlignment alignment);
    // Off: Enter types nothing.
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool want) { wantReturns_ = want; }
    // On: Tab types a tab instead of moving the focus.
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool want) { wantTabs_ = want; }
    bool WantsTab() const override { return wantTabs_; }
    // On: the selection shows only while the memo has the focus.
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool hide);
    // Longest text the user can type; 0: no limit of its own.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool OEMConvert() const { return oemConvert_; }
    void SetOEMConvert(bool convert);

    // The selection, in the native control's character positions; a
    // length of -1 selects to the end.
    int SelStart() const;
    int SelLength() const;
    void SetSel(int start, int length);
    void SelectAll() { SetSel(0, -1); }
    // Puts the selection on the clipboard (what Ctrl+C does).
    void CopyToClipboard();

    // Makes the native window again, carrying the text, the selection, the
    // focus and the place among its siblings over.
    void RecreateHandle();

    // Raised after every change of the text, from the user or from code.
    std::function<void()> OnChange;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    virtual void Change();
    // Off for a control that frames itself: no system border.
    bool systemBorder_ = true;

private:
    void SetStyleFlag(bool& field, bool value);
    LRESULT AnswerColors(HDC dc);
    void PointerMoved();

    bool readOnly_ = false;
    bool wordWrap_ = true;
    ScrollStyle scrollBars_ = ssNone;
    TextAlignment alignment_ = taLeftJustify;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    bool hideSelection_ = true;
    int maxLength_ = 0;
    bool oemConvert_ = false;
    bool settingText_ = false;    // the text is being set from code
    bool trackingLeave_ = false;  // the pointer is over the window, its leaving asked for
    OwnedBrush brush_;
    COLORREF brushColor_ = 0;
};

}  // namespace fw
