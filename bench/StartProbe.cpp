// Starts a program and watches it from outside, from within the emulator,
// to time its start-up; or closes a program started so. Used by
// bench/startup-idle-figures.
//
//   StartProbe start EXE [--splash CLASS:TITLE] [--keep] [--close CLASS:TITLE]
//                        [--winedebug CHANNELS] [--timeout SECONDS]
//   StartProbe close PID CLASS:TITLE [--timeout SECONDS]
//
// start: reads the performance counter, starts EXE with CreateProcessA (no
// arguments, the normal show command: as a shell starts it) and polls, with
// a 1 ms sleep between looks, for
//   - the program's tray icon: one more icon window in the emulator's tray
//     than before the start (the desktop process makes it while it handles
//     the program's Shell_NotifyIcon add, which returns only after that);
//   - with --splash, the splash window of the program (top-level window of
//     that class and title) first seen shown, then seen hidden again.
// The program is ready at its splash seen hidden, or, without --splash, at
// its tray icon seen. Then, unless --keep, WM_CLOSE goes to its window
// CLASS:TITLE (--close) and the probe waits for the process to end (ended by
// force after the time-out). Prints one JSON line (milliseconds since just
// before CreateProcessA):
//   {"pid", "created_ms" (CreateProcessA returned), "splash_shown_ms",
//    "tray_ms", "ready_ms", "windows" (top-level windows of the process at
//    ready), "tray_gap_ms", "ready_gap_ms" (time since the look before: each
//    moment is known that closely), "polls", "poll_gap_max_ms" and
//    "poll_gap_max_at_ms" (the longest time between two looks, and when),
//    "closed_ms" (process ended after WM_CLOSE; -1 with --keep), "forced"
//    (ended by force), "ended_early" (the program ended before it was ready)}
// --winedebug sets WINEDEBUG for the program only; the emulator writes the
// program's debug output to the probe's own standard error.
// close: WM_CLOSE to that window of process PID; waits for the process to end.
// Exit code 0 done, 1 time-out, 2 usage or start failure.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/tests/PerformanceClock.h"

namespace {

using testclock::Now;

struct WindowName {
    std::string cls, title;
    bool given = false;
};

WindowName ParseWindowName(const char* text) {
    WindowName s;
    const std::string t = text;
    const auto colon = t.find(':');
    s.cls = t.substr(0, colon);
    if (colon != std::string::npos) s.title = t.substr(colon + 1);
    s.given = true;
    return s;
}

struct Search {
    DWORD pid;
    const WindowName* wanted;
    HWND found;
    int count;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid) return TRUE;
    ++s->count;
    if (!s->wanted || s->found) return TRUE;
    char cls[256] = {}, title[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if (s->wanted->cls == cls && s->wanted->title == title) s->found = hwnd;
    return TRUE;
}

// The top-level window of the process matching wanted (nullptr when none).
HWND FindWindowOf(DWORD pid, const WindowName& wanted) {
    Search s{pid, &wanted, nullptr, 0};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

int TopLevelCount(DWORD pid) {
    Search s{pid, nullptr, nullptr, 0};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&s));
    return s.count;
}

BOOL CALLBACK CountIconProc(HWND hwnd, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "__winex11_tray_icon") == 0) ++*reinterpret_cast<int*>(lp);
    return TRUE;
}

// Icon windows in the emulator's stand-alone tray (-1: no tray window).
int TrayIcons() {
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    if (!tray) return -1;
    int n = 0;
    EnumChildWindows(tray, CountIconProc, reinterpret_cast<LPARAM>(&n));
    return n;
}

// WM_CLOSE to the window; true when the process ended within timeoutMs,
// otherwise it is ended by force.
bool CloseAndWait(HANDLE process, DWORD pid, const WindowName& wanted, DWORD timeoutMs) {
    if (HWND h = FindWindowOf(pid, wanted)) PostMessageA(h, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) return true;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    return false;
}

int Usage() {
    std::fputs(
        "usage: StartProbe start EXE [--splash CLASS:TITLE] [--keep] [--close CLASS:TITLE]\n"
        "                            [--winedebug CHANNELS] [--timeout SECONDS]\n"
        "       StartProbe close PID CLASS:TITLE [--timeout SECONDS]\n",
        stderr);
    return 2;
}

int Close(int argc, char** argv) {
    if (argc < 4) return Usage();
    const DWORD pid = std::strtoul(argv[2], nullptr, 0);
    const WindowName wanted = ParseWindowName(argv[3]);
    double timeout = 15;
    if (argc == 6 && std::string(argv[4]) == "--timeout") timeout = std::atof(argv[5]);
    else if (argc != 4) return Usage();
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!process) return 2;
    const double t0 = Now();
    const bool closed = CloseAndWait(process, pid, wanted, static_cast<DWORD>(timeout * 1000));
    std::printf("{\"pid\": %lu, \"closed_ms\": %.3f, \"forced\": %s}\n", static_cast<unsigned long>(pid),
                Now() - t0, closed ? "false" : "true");
    CloseHandle(process);
    return closed ? 0 : 1;
}

int Start(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string exe = argv[2];
    WindowName splash, close;
    bool keep = false;
    std::string winedebug;
    double timeout = 30;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--splash" && value) splash = ParseWindowName(argv[++i]);
        else if (a == "--close" && value) close = ParseWindowName(argv[++i]);
        else if (a == "--keep") keep = true;
        else if (a == "--winedebug" && value) winedebug = argv[++i];
        else if (a == "--timeout" && value) timeout = std::atof(argv[++i]);
        else return Usage();
    }
    if (!keep && !close.given) return Usage();

    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!winedebug.empty()) SetEnvironmentVariableA("WINEDEBUG", winedebug.c_str());

    const int iconsBefore = TrayIcons();
    std::string commandLine = "\"" + exe + "\"";
    PROCESS_INFORMATION pi{};
    const double t0 = Now();
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "StartProbe: cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return 2;
    }
    const double created = Now() - t0;
    CloseHandle(pi.hThread);

    double splashShown = -1, tray = -1, ready = -1, last = 0, gap = 0, gapMax = 0, gapMaxAt = 0;
    double trayGap = 0, readyGap = 0;
    long polls = 0;
    HWND splashWindow = nullptr;
    bool ended = false;
    while (ready < 0) {
        const double t = Now() - t0;
        gap = polls > 0 ? t - last : t;
        if (gap > gapMax) {
            gapMax = gap;
            gapMaxAt = t;
        }
        last = t;
        ++polls;
        if (tray < 0 && TrayIcons() > iconsBefore) {
            tray = t;
            trayGap = gap;
        }
        if (splash.given) {
            if (!splashWindow) splashWindow = FindWindowOf(pi.dwProcessId, splash);
            if (splashWindow) {
                const bool visible = IsWindowVisible(splashWindow);
                if (visible && splashShown < 0) splashShown = t;
                if (!visible && splashShown >= 0) ready = t;
            }
        } else if (tray >= 0) {
            ready = t;
        }
        if (ready >= 0) {
            readyGap = gap;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (t > timeout * 1000) break;
        Sleep(1);
    }
    const int windows = TopLevelCount(pi.dwProcessId);

    double closed = -1;
    bool forced = false;
    if (!keep && !ended) {
        const double c0 = Now();
        forced = !CloseAndWait(pi.hProcess, pi.dwProcessId, close, static_cast<DWORD>(timeout * 1000));
        closed = Now() - c0;
    }
    std::printf("{\"pid\": %lu, \"created_ms\": %.3f, \"splash_shown_ms\": %.3f, \"tray_ms\": %.3f, "
                "\"ready_ms\": %.3f, \"windows\": %d, \"tray_gap_ms\": %.3f, \"ready_gap_ms\": %.3f, "
                "\"polls\": %ld, \"poll_gap_max_ms\": %.3f, \"poll_gap_max_at_ms\": %.3f, "
                "\"closed_ms\": %.3f, \"forced\": %s, \"ended_early\": %s}\n",
                static_cast<unsigned long>(pi.dwProcessId), created, splashShown, tray, ready, windows, trayGap,
                readyGap, polls, gapMax, gapMaxAt, closed, forced ? "true" : "false", ended ? "true" : "false");
    std::fflush(stdout);
    CloseHandle(pi.hProcess);
    return ready >= 0 && !forced ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "start") return Start(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "close") return Close(argc, argv);
    return Usage();
}
