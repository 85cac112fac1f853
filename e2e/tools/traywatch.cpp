// traywatch: watches a tray icon window and a program's window and process
// as they go away, to tell in which order they went.
//
//   traywatch --icon HWND --hwnd HWND --pid N [--timeout SECONDS]
//
// --icon is the icon's window in the tray (a child of "Wine System Tray"),
// --hwnd the window that owns the icon, --pid its process. Prints "ready"
// once watching, then, when all three are gone or the time is up, one JSON line:
//   {"icon_gone_ms", "window_gone_ms", "process_gone_ms", "order"}
// milliseconds since "ready", each taken the first time it was seen gone (-1:
// still there), and the order the checks prove: "icon-first" (the icon was seen
// gone while the window and the process were still there), "window-first" (the
// icon was seen still there after the window was seen gone), or "together" (gone
// between the same two looks: this helper did not run in between). The checks
// send no message to either process (each is one short request to the server),
// so a round takes microseconds; the loop yields the processor between rounds.
// Exit code 0 when all three went, 1 on time-out, 2 on usage errors.
#include "common.h"

namespace {

}  // namespace

int main(int argc, char** argv) {
  HWND icon = nullptr, window = nullptr;
  DWORD pid = 0;
  double timeout = 30;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--icon") icon = e2e::ParseHandle(argv[i + 1]);
    else if (a == "--hwnd") window = e2e::ParseHandle(argv[i + 1]);
    else if (a == "--pid") pid = std::strtoul(argv[i + 1], nullptr, 0);
    else if (a == "--timeout") timeout = std::atof(argv[i + 1]);
    else return 2;
  }
  if (!icon || !window || !pid || argc % 2 == 0) {
    std::fputs("usage: traywatch --icon HWND --hwnd HWND --pid N [--timeout SECONDS]\n", stderr);
    return 2;
  }
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process || !IsWindow(icon) || !IsWindow(window)) {
    std::fputs("traywatch: the icon, the window or the process is not there\n", stderr);
    return 2;
  }
  e2e::PrintLine("ready");
  const double start = e2e::Now();
  double iconGone = -1, windowGone = -1, processGone = -1;
  bool iconFirst = false, windowFirst = false;
  while (iconGone < 0 || windowGone < 0 || processGone < 0) {
    // In this order: a window seen there after the icon was seen gone was there
    // when the icon went, and an icon seen there after the window was seen gone
    // went after it.
    const bool iconThere = IsWindow(icon);
    if (iconThere && windowGone >= 0) windowFirst = true;
    const bool windowThere = IsWindow(window);
    const bool processThere = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    const double t = e2e::Now() - start;
    if (!iconThere && iconGone < 0) {
      iconGone = t;
      iconFirst = windowThere && processThere;
    }
    if (!windowThere && windowGone < 0) windowGone = t;
    if (!processThere && processGone < 0) processGone = t;
    if (t > timeout * 1000) break;
    Sleep(0);
  }
  char buf[200];
  std::snprintf(buf, sizeof buf,
                "{\"icon_gone_ms\": %.3f, \"window_gone_ms\": %.3f, \"process_gone_ms\": %.3f, \"order\": \"%s\"}",
                iconGone, windowGone, processGone,
                iconFirst ? "icon-first" : windowFirst ? "window-first" : "together");
  e2e::PrintLine(buf);
  CloseHandle(process);
  return iconGone >= 0 && windowGone >= 0 && processGone >= 0 ? 0 : 1;
}
