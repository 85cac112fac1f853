// menuinfo: the open pop-up menu window (class "#32768") of a process and the
// rectangles of its items.
//
//   menuinfo [--pid N] [--wait SECONDS] [--bitmap-height H] ITEM...
//
// ITEM is an item's caption as the program gives it (ANSI, "&" marks the
// access letter) or "-" for a separator, top to bottom; --bitmap-height is
// the height of the items' bitmaps (16; 0 for none).
//
// A menu belongs to the process that made it: its items cannot be asked for
// from another process (GetMenuItemRect and GetMenuItemInfo fail there). The
// rectangles are laid out here the way the system lays out a pop-up menu of
// string items with bitmaps and separators, from the system's own metrics
// (as measured with GetMenuItemRect on a menu of the helper's own):
//   item       max(bitmap height + 2, text height in the menu font, SM_CYMENUSIZE - 1)
//   separator  SM_CYMENUSIZE / 2
//   margin     3 pixels inside the window on every side
// and checked against the real menu window: the items must fill it exactly.
//
// Output: one JSON line for the menu window (the fields of wininfo, plus
// "item_h", "separator_h", "margin", "layout_h"), then one line per item:
//   {"index", "separator", "caption", "x", "y", "w", "h"} (screen coordinates).
// Exit code 0 when the layout fills the window, 1 when no menu was open in
// time, 2 on usage errors, 3 when the layout does not match the window.
#include "common.h"

#include <vector>

namespace {

constexpr int kMargin = 3;

struct Wanted {
  DWORD pid = 0;
  HWND found = nullptr;
};

BOOL CALLBACK EnumTop(HWND hwnd, LPARAM lp) {
  auto* w = reinterpret_cast<Wanted*>(lp);
  if (e2e::ClassName(hwnd) != "#32768" || !IsWindowVisible(hwnd)) return TRUE;
  if (w->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != w->pid) return TRUE;
  }
  w->found = hwnd;
  return FALSE;
}

// Height of one line of each caption in the system's menu font.
std::vector<int> TextHeights(const std::vector<std::string>& items) {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  HFONT font = CreateFontIndirectA(&ncm.lfMenuFont);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<int> heights;
  for (const std::string& caption : items) {
    RECT r{0, 0, 0, 0};
    heights.push_back(caption == "-" ? 0
                                     : DrawTextA(dc, caption.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT));
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return heights;
}

int Usage() {
  std::fputs("usage: menuinfo [--pid N] [--wait SECONDS] [--bitmap-height H] ITEM...  (ITEM: caption or -)\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Wanted wanted;
  double wait = 0;
  int bitmapHeight = 16;
  std::vector<std::string> items;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--pid" && hasValue) {
      wanted.pid = std::strtoul(argv[++i], nullptr, 0);
    } else if (a == "--wait" && hasValue) {
      wait = std::atof(argv[++i]);
    } else if (a == "--bitmap-height" && hasValue) {
      bitmapHeight = std::atoi(argv[++i]);
    } else if (a.rfind("--", 0) == 0) {
      return Usage();
    } else {
      items.push_back(a);
    }
  }
  if (items.empty()) return Usage();

  const DWORD start = GetTickCount();
  for (;;) {
    wanted.found = nullptr;
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&wanted));
    if (wanted.found) break;
    if (GetTickCount() - start >= static_cast<DWORD>(wait * 1000)) {
      std::fputs("menuinfo: no open menu\n", stderr);
      return 1;
    }
    Sleep(30);
  }
  HWND menu = wanted.found;
  RECT wr{};
  GetWindowRect(menu, &wr);

  const std::vector<int> text = TextHeights(items);
  const int separator = GetSystemMetrics(SM_CYMENUSIZE) / 2;
  int itemMax = 0;
  std::vector<int> heights;
  for (size_t i = 0; i < items.size(); ++i) {
    int h = separator;
    if (items[i] != "-") {
      h = GetSystemMetrics(SM_CYMENUSIZE) - 1;
      if (bitmapHeight > 0 && bitmapHeight + 2 > h) h = bitmapHeight + 2;
      if (text[i] > h) h = text[i];
      if (h > itemMax) itemMax = h;
    }
    heights.push_back(h);
  }
  int layout = 2 * kMargin;
  for (int h : heights) layout += h;

  char extra[160];
  std::snprintf(extra, sizeof extra, ", \"item_h\": %d, \"separator_h\": %d, \"margin\": %d, \"layout_h\": %d}", itemMax,
                separator, kMargin, layout);
  std::string json = e2e::WindowJson(menu);
  json.pop_back();  // the closing brace
  e2e::PrintLine(json + extra);

  int y = wr.top + kMargin;
  for (size_t i = 0; i < items.size(); ++i) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "\"x\": %ld, \"y\": %d, \"w\": %ld, \"h\": %d}", wr.left + kMargin, y,
                  wr.right - wr.left - 2 * kMargin, heights[i]);
    e2e::PrintLine("{\"index\": " + std::to_string(i) + ", \"separator\": " + (items[i] == "-" ? "true" : "false") +
                   ", \"caption\": " + e2e::JsonString(e2e::AnsiToUtf8(items[i])) + ", " + buf);
    y += heights[i];
  }
  if (layout != wr.bottom - wr.top) {
    std::fprintf(stderr, "menuinfo: the items fill %d pixels, the menu window is %ld high\n", layout,
                 wr.bottom - wr.top);
    return 3;
  }
  return 0;
}
