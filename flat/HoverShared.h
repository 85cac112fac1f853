// What the hot-tracked flat controls share: per control class, one polling
// timer and the control it polls; and the two questions every tick and mouse
// move asks (is the program in front, which control is under the pointer).
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Controls.h"
#include "framework/Timer.h"

namespace flat {

// What one class of hot-tracked controls shares: one 100 ms polling timer
// (made, disabled, with the first control and freed with the last), the
// control it polls, and the number of live controls. Each class names itself
// as T and so gets a set of its own.
template <class T>
struct HoverShared {
    static inline std::unique_ptr<fw::Timer> HoverTimer;
    static inline T* HoverButton = nullptr;
    static inline int LiveButtons = 0;

    static void Join() {
        if (!HoverTimer) {
            auto timer = std::make_unique<fw::Timer>();
            timer->SetInterval(100);
            HoverTimer = std::move(timer);
        }
        ++LiveButtons;
    }
    static void Leave() {
        if (--LiveButtons == 0) HoverTimer.reset();
    }
};

// The program has an active window: its own, or the foreground one is of this thread.
inline bool ProgramIsActive() {
    if (GetActiveWindow()) return true;
    HWND fg = GetForegroundWindow();
    return fg && GetWindowThreadProcessId(fg, nullptr) == GetCurrentThreadId();
}

// The topmost control under the pointer, disabled ones included.
inline fw::Control* ControlUnderPointer() {
    POINT p{};
    if (!GetCursorPos(&p)) return nullptr;
    return fw::ControlAtScreenPoint(p);
}

}  // namespace flat
