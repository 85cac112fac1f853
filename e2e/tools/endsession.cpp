// endsession: asks a window whether the session may end, as the system does
// at shut-down: WM_QUERYENDSESSION through SendMessageTimeout (wParam 0,
// lParam 0 for shut-down or ENDSESSION_LOGOFF for log-off) and, with --end,
// then WM_ENDSESSION (wParam = whether the query was granted).
//
//   endsession [--hwnd H | [--class C] [--title T] [--pid N]] [--logoff]
//              [--timeout MS] [--end] [--find-timeout S]
//
// Without --hwnd the window is looked up by class (default QuelvoForm) and
// title (default Form1); every match is asked in turn. One JSON line per
// window: {"hwnd", "pid", "sent", "error", "result", "ms"} and, with --end,
// "end_sent"/"end_error". Exit code 0 when every query was delivered, 1 when
// one was not, 3 when no window was found, 2 on usage errors.
#include "common.h"

#include <vector>

namespace {

struct Wanted {
  std::string cls = "QuelvoForm", title = "Form1";
  DWORD pid = 0;
  std::vector<HWND> found;
};

BOOL CALLBACK EnumProc(HWND hwnd, LPARAM lp) {
  auto* w = reinterpret_cast<Wanted*>(lp);
  if (e2e::ClassName(hwnd) != w->cls || e2e::WindowText(hwnd) != w->title) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (w->pid && pid != w->pid) return TRUE;
  w->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  Wanted wanted;
  HWND hwnd = nullptr;
  LPARAM lparam = 0;
  UINT timeoutMs = 600000;
  bool end = false;
  double findTimeout = 5;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--hwnd" && hasValue) {
      hwnd = e2e::ParseHandle(argv[++i]);
    } else if (a == "--class" && hasValue) {
      wanted.cls = argv[++i];
    } else if (a == "--title" && hasValue) {
      wanted.title = argv[++i];
    } else if (a == "--pid" && hasValue) {
      wanted.pid = std::strtoul(argv[++i], nullptr, 0);
    } else if (a == "--logoff") {
      lparam = static_cast<LPARAM>(ENDSESSION_LOGOFF);
    } else if (a == "--timeout" && hasValue) {
      timeoutMs = std::strtoul(argv[++i], nullptr, 0);
    } else if (a == "--find-timeout" && hasValue) {
      findTimeout = std::atof(argv[++i]);
    } else if (a == "--end") {
      end = true;
    } else {
      std::fputs("usage: endsession [--hwnd H | --class C --title T --pid N] [--logoff] [--timeout MS] [--end]\n",
                 stderr);
      return 2;
    }
  }

  std::vector<HWND> targets;
  if (hwnd) {
    targets.push_back(hwnd);
  } else {
    const DWORD start = GetTickCount();
    for (;;) {
      wanted.found.clear();
      EnumWindows(EnumProc, reinterpret_cast<LPARAM>(&wanted));
      if (!wanted.found.empty() || GetTickCount() - start >= static_cast<DWORD>(findTimeout * 1000)) break;
      Sleep(50);
    }
    targets = wanted.found;
  }
  if (targets.empty()) {
    std::fputs("endsession: no such window\n", stderr);
    return 3;
  }

  int rc = 0;
  for (HWND target : targets) {
    DWORD pid = 0;
    GetWindowThreadProcessId(target, &pid);
    DWORD_PTR result = 0;
    const DWORD t0 = GetTickCount();
    SetLastError(0);
    LRESULT sent = SendMessageTimeoutA(target, WM_QUERYENDSESSION, 0, lparam, SMTO_NORMAL, timeoutMs, &result);
    DWORD error = sent ? 0 : GetLastError();
    DWORD ms = GetTickCount() - t0;
    char buf[256];
    std::snprintf(buf, sizeof buf, "\"pid\": %lu, \"sent\": %s, \"error\": %lu, \"result\": %lu, \"ms\": %lu",
                  static_cast<unsigned long>(pid), sent ? "true" : "false", static_cast<unsigned long>(error),
                  static_cast<unsigned long>(result), static_cast<unsigned long>(ms));
    std::string line = "{\"hwnd\": " + e2e::JsonString(e2e::HandleText(target)) + ", " + buf;
    if (!sent) rc = 1;
    if (end) {
      DWORD_PTR ignored = 0;
      SetLastError(0);
      LRESULT endSent = SendMessageTimeoutA(target, WM_ENDSESSION, (sent && result) ? TRUE : FALSE, lparam,
                                            SMTO_NORMAL, timeoutMs, &ignored);
      std::snprintf(buf, sizeof buf, ", \"end_sent\": %s, \"end_error\": %lu", endSent ? "true" : "false",
                    static_cast<unsigned long>(endSent ? 0 : GetLastError()));
      line += buf;
    }
    e2e::PrintLine(line + "}");
  }
  return rc;
}
