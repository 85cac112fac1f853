// otherwindow: shows a plain top-level window of another program and makes it
// the active window, for tests that need some other window to be active.
//
//   otherwindow [--x X] [--y Y] [--w W] [--h H] [--hotkey VK]
//
// With --hotkey the program also tries to register Ctrl+VK for its window
// and reports in "hotkey" whether that succeeded (whether the combination
// was free).
//
// The window (class "QuelvoE2EOther", title "Other window", grey) is placed at
// X,Y with size W x H (default 40,440 200 x 150). Once it is shown, one JSON
// line {"hwnd", "pid", "active"} is printed; the program then runs until its
// window is closed or the process is ended.
#include "common.h"

namespace {

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  int x = 40, y = 440, w = 200, h = 150, hotKey = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    const int v = std::atoi(argv[i + 1]);
    if (a == "--x") x = v;
    else if (a == "--y") y = v;
    else if (a == "--w") w = v;
    else if (a == "--h") h = v;
    else if (a == "--hotkey") hotKey = v;
    else {
      std::fputs("usage: otherwindow [--x X] [--y Y] [--w W] [--h H] [--hotkey VK]\n", stderr);
      return 2;
    }
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = "QuelvoE2EOther";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Other window", WS_POPUP | WS_BORDER, x, y, w, h, nullptr,
                              nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  const bool registered = hotKey && RegisterHotKey(hwnd, 1, MOD_CONTROL, static_cast<UINT>(hotKey));
  char buf[160];
  std::snprintf(buf, sizeof buf, "{\"hwnd\": %s, \"pid\": %lu, \"active\": %s, \"hotkey\": %s}",
                e2e::JsonString(e2e::HandleText(hwnd)).c_str(), static_cast<unsigned long>(GetCurrentProcessId()),
                GetForegroundWindow() == hwnd ? "true" : "false", registered ? "true" : "false");
  e2e::PrintLine(buf);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return 0;
}
