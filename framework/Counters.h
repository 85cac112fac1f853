// Named counters the program keeps about itself (the GDI objects alive of
// each kind, and whatever else a developer wants to watch from outside),
// read by name through the application window (Application.h,
// CounterMessage). Defining a counter object is all it takes to make it
// readable. No windows.h here.
#pragma once

#include <atomic>
#include <string_view>

namespace fw {

class Counter {
public:
    // Makes the counter readable under `name`, which must outlive it (a
    // literal) and name no other live counter.
    explicit Counter(const char* name);
    ~Counter();
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

    const char* Name() const { return name_; }
    long Value() const { return value_.load(std::memory_order_relaxed); }
    void Add(long n = 1) { value_.fetch_add(n, std::memory_order_relaxed); }

private:
    friend const Counter* FindCounter(std::string_view name);
    const char* name_;
    std::atomic<long> value_{0};
    Counter* next_;
};

// The live counter named `name`, or null.
const Counter* FindCounter(std::string_view name);

}  // namespace fw
