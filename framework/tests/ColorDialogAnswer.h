// Answers the colour dialogs this thread opens as a user would: reads the
// red, green and blue fields it opened with, types a colour into them when
// asked to, then presses OK or Cancel.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace testdlg {

constexpr int kRedField = 706, kGreenField = 707, kBlueField = 708;

class ColorDialogAnswer {
public:
    ColorDialogAnswer() : hook_(SetWindowsHookExA(WH_CBT, Cbt, nullptr, GetCurrentThreadId())) { current_ = this; }
    ~ColorDialogAnswer() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    ColorDialogAnswer(const ColorDialogAnswer&) = delete;
    ColorDialogAnswer& operator=(const ColorDialogAnswer&) = delete;

    bool confirm = true;            // the next answer
    std::optional<COLORREF> typed;  // typed into the fields first
    int opened = 0;
    COLORREF shown = CLR_INVALID;   // what the last dialog opened on
    HWND owner = nullptr;

private:
    static int Field(HWND dlg, int id) { return static_cast<int>(GetDlgItemInt(dlg, id, nullptr, FALSE)); }

    void Answer(HWND dlg) {
        if (dlg == answered_) return;  // activated again
        answered_ = dlg;
        ++opened;
        owner = GetWindow(dlg, GW_OWNER);
        shown = RGB(Field(dlg, kRedField), Field(dlg, kGreenField), Field(dlg, kBlueField));
        if (typed) {
            SetDlgItemInt(dlg, kRedField, GetRValue(*typed), FALSE);
            SetDlgItemInt(dlg, kGreenField, GetGValue(*typed), FALSE);
            SetDlgItemInt(dlg, kBlueField, GetBValue(*typed), FALSE);
        }
        const int button = confirm ? IDOK : IDCANCEL;
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
    }

    // The dialog is set up by the time it is first activated.
    static LRESULT CALLBACK Cbt(int code, WPARAM wp, LPARAM lp) {
        HWND h = reinterpret_cast<HWND>(wp);
        char cls[16] = {};
        if (code == HCBT_ACTIVATE && current_ && GetClassNameA(h, cls, sizeof cls) &&
            std::string(cls) == "#32770" && GetDlgItem(h, kRedField))
            current_->Answer(h);
        return CallNextHookEx(nullptr, code, wp, lp);
    }

    static inline ColorDialogAnswer* current_ = nullptr;
    HHOOK hook_;
    HWND answered_ = nullptr;
};

}  // namespace testdlg
