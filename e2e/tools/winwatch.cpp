// winwatch: waits for windows to change, one question a line on standard
// input, for as long as its input stays open. A driver that waits for many
// changes in a row (a soak test) saves the start of a Wine process per wait.
//
//   wait HWND visible|hidden|gone TIMEOUT_MS  until the window is in that state
//   find PID TIMEOUT_MS CLASS [TITLE]         until the process shows a top-level
//                                             window of that class (and title)
//   none PID TIMEOUT_MS CLASS [TITLE]         until it shows none
//
// TITLE is the rest of the line, in the ANSI code page. Each question is
// answered by one JSON line once its condition holds or its time is up:
// {"ok", "ms"} and, for find, the window's "hwnd", "x", "y", "w", "h". A line
// it does not understand is answered {"ok": false, "error": ...}.
// Exit code: 0 when the input ends.
#include "common.h"

#include <sstream>

namespace {

constexpr DWORD kPollMs = 5;

struct Search {
  DWORD pid;
  const std::string* cls;
  const std::string* title;  // null: any
  HWND found;
};

BOOL CALLBACK FindShown(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd) || e2e::ClassName(hwnd) != *s->cls) return TRUE;
  if (s->title && e2e::WindowText(hwnd) != *s->title) return TRUE;
  s->found = hwnd;
  return FALSE;
}

// Polls `done` until it holds or `timeout` ms have passed; the time taken.
template <class F>
bool Until(F done, DWORD timeout, double& took) {
  const double start = e2e::Now();
  for (;;) {
    const bool ok = done();
    took = e2e::Now() - start;
    if (ok || took >= timeout) return ok;
    Sleep(kPollMs);
  }
}

std::string Answer(bool ok, double took, const std::string& more = "") {
  char head[64];
  std::snprintf(head, sizeof head, "{\"ok\": %s, \"ms\": %.1f", ok ? "true" : "false", took);
  return head + more + "}";
}

std::string Usage(const char* text) { return std::string("{\"ok\": false, \"error\": \"usage: ") + text + "\"}"; }

std::string Ask(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  double took = 0;
  if (verb == "wait") {
    std::string hwndText, state;
    DWORD timeout = 0;
    in >> hwndText >> state >> timeout;
    const HWND hwnd = e2e::ParseHandle(hwndText.c_str());
    if (in.fail() || (state != "visible" && state != "hidden" && state != "gone"))
      return Usage("wait HWND visible|hidden|gone TIMEOUT_MS");
    const bool ok = Until(
        [&] {
          if (state == "gone") return !IsWindow(hwnd);
          return IsWindow(hwnd) && (IsWindowVisible(hwnd) != FALSE) == (state == "visible");
        },
        timeout, took);
    return Answer(ok, took);
  }
  if (verb == "find" || verb == "none") {
    DWORD pid = 0, timeout = 0;
    std::string cls, title;
    in >> pid >> timeout >> cls;
    if (in.fail()) return Usage("find|none PID TIMEOUT_MS CLASS [TITLE]");
    std::getline(in >> std::ws, title);
    Search s{pid, &cls, title.empty() ? nullptr : &title, nullptr};
    const bool ok = Until(
        [&] {
          s.found = nullptr;
          EnumWindows(FindShown, reinterpret_cast<LPARAM>(&s));
          return (s.found != nullptr) == (verb == "find");
        },
        timeout, took);
    if (verb == "none" || !s.found) return Answer(ok, took);
    RECT r{};
    GetWindowRect(s.found, &r);
    char more[160];
    std::snprintf(more, sizeof more, ", \"hwnd\": \"%s\", \"x\": %ld, \"y\": %ld, \"w\": %ld, \"h\": %ld",
                  e2e::HandleText(s.found).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
    return Answer(ok, took, more);
  }
  return "{\"ok\": false, \"error\": " + e2e::JsonString("unknown question: " + e2e::AnsiToUtf8(line)) + "}";
}

}  // namespace

int main() {
  char buf[512];
  while (std::fgets(buf, sizeof buf, stdin)) {
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty()) continue;
    e2e::PrintLine(Ask(line));
  }
  return 0;
}
