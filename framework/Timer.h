// A message timer: OnTimer runs every `interval` milliseconds while enabled,
// on the user-interface thread, guarded like every other callback.
#pragma once

#include <functional>

namespace fw {

class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);

    std::function<void()> OnTimer;

private:
    void Update();
    unsigned interval_ = 1000;
    bool enabled_ = false;
    unsigned long long id_ = 0;  // non-zero while the system timer runs
};

}  // namespace fw
