#include "framework/Timer.h"

#include <windows.h>

#include <map>

#include "framework/Controls.h"
#include "framework/WindowClass.h"

namespace fw {

namespace {

// Never destroyed: timers may outlive static destruction order.
std::map<UINT_PTR, Timer*>& LiveTimers() {
    static auto* timers = new std::map<UINT_PTR, Timer*>;
    return *timers;
}

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        auto& timers = LiveTimers();
        auto it = timers.find(static_cast<UINT_PTR>(wp));
        if (it != timers.end()) {
            Timer* t = it->second;
            Guarded([t] {
                if (t->OnTimer) t->OnTimer();
            });
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND TimerWindow() {
    static HWND hwnd = [] {
        HINSTANCE inst = RegisterWindowClass("QuelvoTimers", TimerWindowProc);
        return CreateWindowExA(0, "QuelvoTimers", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst,
                               nullptr);
    }();
    return hwnd;
}

UINT_PTR NextId() {
    static UINT_PTR next = 1;
    return next++;
}

}  // namespace

Timer::~Timer() {
    enabled_ = false;
    Update();
}

void Timer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Update();
}

void Timer::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    Update();
}

void Timer::Update() {
    if (id_) {
        KillTimer(TimerWindow(), static_cast<UINT_PTR>(id_));
        LiveTimers().erase(static_cast<UINT_PTR>(id_));
        id_ = 0;
    }
    if (enabled_ && interval_ > 0) {
        const UINT_PTR id = NextId();
        if (SetTimer(TimerWindow(), id, interval_, nullptr)) {
            id_ = id;
            LiveTimers()[id] = this;
        } else {
            enabled_ = false;  // the system has no timer for us: say so
        }
    }
}

}  // namespace fw
