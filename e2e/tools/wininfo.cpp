// wininfo: lists the desktop's top-level windows (hidden ones included), one
// JSON object per line, and can wait until a condition on them holds.
//
//   wininfo [filters] [--wait exists|gone|visible|hidden] [--timeout SECONDS]
//   filters: --class NAME  --title TEXT  --pid N  --hwnd H  --visible-only
//            --exe NAME (program file name of the owning process)
//            --min-count N (for --wait exists/visible: that many matches)
//   --children  after each match, list its child windows (all levels; the
//               filters apply to the top-level windows only)
//   --text      also ask each listed window for its text (WM_GETTEXT; fields
//               "text" and "text_hex"): for controls whose text is not their
//               caption, such as a tool tip showing its tip
//   --redraw    have each match (with its children) repainted at once before
//               listing, for screenshots of windows that the emulator left
//               unpainted
//   shorthands: --wait-visible TITLE, --wait-hidden TITLE, --wait-gone TITLE,
//               --wait-exists TITLE (TITLE filter plus the wait)
//
// Titles and classes are compared byte for byte in the ANSI code page (the
// command line reaches the program already converted to it). Output fields:
// hwnd, exe (the owning process's program file name), class, title (UTF-8),
// title_hex (the ANSI bytes), x/y/w/h (window rectangle),
// client_x/client_y/client_w/client_h (client area on screen), visible,
// enabled, iconic, style, exstyle, pid, tid, parent (0x0 for top-level
// windows), owner, owner_class, owner_title.
// Exit code: 0 listed / condition met, 1 time-out, 2 usage.
#include "common.h"

#include <vector>

namespace {

struct Filter {
  bool byClass = false, byTitle = false, visibleOnly = false;
  std::string cls, title, exe;
  DWORD pid = 0;
  HWND hwnd = nullptr;
};

struct Collect {
  const Filter* filter;
  std::vector<HWND> found;
};

bool Matches(HWND hwnd, const Filter& f) {
  if (f.hwnd && hwnd != f.hwnd) return false;
  if (f.byClass && e2e::ClassName(hwnd) != f.cls) return false;
  if (f.byTitle && e2e::WindowText(hwnd) != f.title) return false;
  if (f.pid || !f.exe.empty()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (f.pid && pid != f.pid) return false;
    if (!f.exe.empty() && lstrcmpiA(e2e::ProcessExe(pid).c_str(), f.exe.c_str()) != 0) return false;
  }
  if (f.visibleOnly && !IsWindowVisible(hwnd)) return false;
  return true;
}

BOOL CALLBACK EnumProc(HWND hwnd, LPARAM lp) {
  auto* c = reinterpret_cast<Collect*>(lp);
  if (Matches(hwnd, *c->filter)) c->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Find(const Filter& f) {
  Collect c{&f, {}};
  EnumWindows(EnumProc, reinterpret_cast<LPARAM>(&c));
  return c.found;
}

bool askText = false;

std::string Describe(HWND hwnd) {
  std::string json = e2e::WindowJson(hwnd);
  if (!askText) return json;
  char buf[1024] = {};
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &n))
    n = 0;
  std::string text(buf, n < sizeof buf ? static_cast<size_t>(n) : 0);
  json.pop_back();  // the closing brace
  return json + ", \"text\": " + e2e::JsonString(e2e::AnsiToUtf8(text)) + ", \"text_hex\": " +
         e2e::JsonString(e2e::Hex(text)) + "}";
}

BOOL CALLBACK ChildProc(HWND hwnd, LPARAM) {
  e2e::PrintLine(Describe(hwnd));
  return TRUE;
}

int Usage() {
  std::fputs(
      "usage: wininfo [--class C] [--title T] [--pid N] [--hwnd H] [--exe NAME] [--visible-only] [--children] [--text] [--redraw]\n"
      "               [--wait exists|gone|visible|hidden] [--min-count N] [--timeout S]\n"
      "       wininfo --wait-visible|--wait-hidden|--wait-gone|--wait-exists TITLE [...]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Filter f;
  std::string wait;
  double timeout = 10;
  size_t minCount = 1;
  bool children = false, redraw = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--class" && hasValue) {
      f.byClass = true;
      f.cls = argv[++i];
    } else if (a == "--title" && hasValue) {
      f.byTitle = true;
      f.title = argv[++i];
    } else if (a == "--pid" && hasValue) {
      f.pid = std::strtoul(argv[++i], nullptr, 0);
    } else if (a == "--hwnd" && hasValue) {
      f.hwnd = e2e::ParseHandle(argv[++i]);
    } else if (a == "--exe" && hasValue) {
      f.exe = argv[++i];
    } else if (a == "--children") {
      children = true;
    } else if (a == "--text") {
      askText = true;
    } else if (a == "--redraw") {
      redraw = true;
    } else if (a == "--visible-only") {
      f.visibleOnly = true;
    } else if (a == "--wait" && hasValue) {
      wait = argv[++i];
    } else if ((a == "--wait-visible" || a == "--wait-hidden" || a == "--wait-gone" || a == "--wait-exists") &&
               hasValue) {
      wait = a.substr(7);
      f.byTitle = true;
      f.title = argv[++i];
    } else if (a == "--timeout" && hasValue) {
      timeout = std::atof(argv[++i]);
    } else if (a == "--min-count" && hasValue) {
      minCount = std::strtoul(argv[++i], nullptr, 0);
    } else {
      return Usage();
    }
  }
  if (!wait.empty() && wait != "exists" && wait != "gone" && wait != "visible" && wait != "hidden") return Usage();

  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> found = Find(f);
    size_t visible = 0;
    for (HWND h : found) visible += IsWindowVisible(h) ? 1 : 0;
    bool done = wait.empty() || (wait == "exists" && found.size() >= minCount) || (wait == "gone" && found.empty()) ||
                (wait == "visible" && visible >= minCount) || (wait == "hidden" && !found.empty() && visible == 0);
    bool late = GetTickCount() - start >= static_cast<DWORD>(timeout * 1000);
    if (done || late) {
      for (HWND h : found) {
        if (redraw)
          RedrawWindow(h, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        e2e::PrintLine(Describe(h));
        if (children) EnumChildWindows(h, ChildProc, 0);
      }
      if (!done) {
        std::fprintf(stderr, "wininfo: timed out waiting for %s\n", wait.c_str());
        return 1;
      }
      return 0;
    }
    Sleep(50);
  }
}
