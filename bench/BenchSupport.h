// What the benchmarks share: a millisecond clock, an idle program's message
// loop and writing the files they measure with.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/tests/PerformanceClock.h"
#include "framework/Application.h"

extern DWORD StartupPauseMs;

namespace bench {

// The program's application object as start-up sets it up, without the
// start-up pause; the error box prints its text instead.
inline void StartApplication() {
    StartupPauseMs = 0;
    fw::App().Initialize();
    fw::App().SetTitle("Quelvo");
    fw::App().errorBox = [](HWND, const std::string& text, const std::string&) {
        std::printf("error box: %s\n", text.c_str());
    };
}

// Milliseconds from the performance counter.
using testclock::Now;

// Takes this thread's messages as an idle program's loop would, until
// `done` holds or `ms` milliseconds have passed; true when done.
template <typename Done>
bool RunMessageLoop(DWORD ms, Done done) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(ms - elapsed, 10), QS_ALLINPUT);
    }
}

// Takes this thread's messages for `ms` milliseconds.
inline void Pump(DWORD ms) {
    RunMessageLoop(ms, [] { return false; });
}

inline bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

}  // namespace bench
