// Forms: borderless top-level windows, created once and only hidden between
// showings, with creation, show, hide and close hooks and modal showing.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/Controls.h"

namespace fw {

enum class CloseAction { None, Hide, Free };
enum class FormPosition { Designed, ScreenCenter };

// Modal results.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7;

class Form : public WinControl {
public:
    Form();
    ~Form() override;

    std::function<void()> OnCreate;      // once, after the native window exists
    std::function<void()> OnShow;        // just before the window becomes visible
    std::function<void()> OnHide;        // just before the window becomes hidden
    std::function<void(CloseAction&)> OnClose;
    std::function<void(bool& canClose)> OnCloseQuery;

    FormPosition position = FormPosition::Designed;

    // Makes the native window (hidden), runs every control's Loaded, then
    // OnCreate, each guarded.
    void Create();

    void Show();        // a visible window is only brought to the front
    void Hide();
    // The main window's close ends the program; any other window's close hides it.
    void Close();
    // Runs the window modally: the application's other windows are disabled
    // until it closes. Raises InvalidOperation when it is already shown.
    int ShowModal();
    bool IsModal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }

    void SetVisible(bool v) override;
    void SetClientSize(int width, int height);
    void BringToFront();

    // Asks OnCloseQuery whether the window may close.
    bool CloseQuery();

    // The control that last had the focus in this window; the focus goes back
    // to it when the window is activated again (to the first tab stop when
    // there is none).
    WinControl* ActiveControl() const;
    // Focuses the next tab stop after `from` (before it, backwards) that can
    // take the focus, in the order of TabList, wrapping around; from the
    // first (last) when `from` is none.
    void SelectNext(WinControl* from, bool forward);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void FillCreateParams(CreateParams& params) override;

private:
    friend class WinControl;  // notes the control that takes the focus
    void ApplyPosition();
    void CloseModal();
    bool RestoreFocus();

    WinControl* activeControl_ = nullptr;  // checked against the controls before use
    bool modal_ = false;
    int modalResult_ = mrNone;
    bool positioned_ = false;
};

}  // namespace fw
