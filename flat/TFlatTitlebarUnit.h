// The flat title bar: a windowed strip that stands in for the system caption
// of a borderless form. It fills itself with one colour, shows its caption
// centred in a colour that tells whether its form is the active window, moves
// the form while the left button drags it, and holds child controls (a close
// button, a picture). Bars without a caption frame a window's other edges.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/Controls.h"
#include "framework/Forms.h"

namespace flat {

class TFlatTitlebar : public fw::CustomControl {
public:
    // The parent, when given, must be a form (see SetParent).
    explicit TFlatTitlebar(fw::WinControl* parent = nullptr);
    ~TFlatTitlebar() override;

    fw::Color ActiveTextColor() const { return activeTextColor_; }
    void SetActiveTextColor(fw::Color c);
    fw::Color InactiveTextColor() const { return inactiveTextColor_; }
    void SetInactiveTextColor(fw::Color c);
    fw::Color TitlebarColor() const { return titlebarColor_; }
    void SetTitlebarColor(fw::Color c);

    // Whether the form is the active window, as its last activation message said.
    bool IsActive() const { return isActive_; }
    fw::Form* HostForm() const { return hostForm_; }

    // Raised after the bar turned active or inactive.
    std::function<void()> OnActivate, OnDeactivate;

    // Accepts no parent or a form; anything else raises InvalidOperation and
    // leaves the parent as it was. Leaving the form the bar watches unhooks it.
    void SetParent(fw::WinControl* parent) override;
    // Watches the form's activation messages from now on (bars placed by code
    // after their form was loaded never do).
    void Loaded() override;

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(fw::Canvas& canvas) override;
    // The bar's own mouse messages (not those routed to a windowless child)
    // drive the drag; the published mouse events are never raised.
    void MouseDown(const fw::MouseEvent& e) override;
    void MouseMove(const fw::MouseEvent& e) override;
    void MouseUp(const fw::MouseEvent& e) override;
    void DblClick(const fw::MouseEvent&) override {}

private:
    void ChangeColor(fw::Color& field, fw::Color value);
    void FormActivation(WPARAM wp);
    void ActiveChanged(bool active);
    void Unhook();
    void DragEnded();

    fw::Color activeTextColor_ = fw::clWhite;
    fw::Color inactiveTextColor_ = 0x829AA2;
    fw::Color titlebarColor_ = fw::clBlack;
    bool isActive_ = false;
    bool isDragging_ = false;
    POINT dragOrigin_{0, 0};
    fw::Form* hostForm_ = nullptr;
    fw::Form* hookedForm_ = nullptr;  // the form whose messages the hook sees
    int hookId_ = 0;
};

}  // namespace flat
