// msgbox: finds message boxes (dialog windows, optionally by caption and
// process), prints their caption, text and buttons, and can answer one.
//
//   msgbox [--caption TEXT] [--pid N] [--wait SECONDS] [--press yes|no|ok|cancel|N]
//          [--via command|click]
//
// --wait waits until such a box exists (default 0: look once). --press
// answers the first box found: "command" (default) posts the button's
// WM_COMMAND/BN_CLICKED to the box, as a click on the button ends in;
// "click" sends BM_CLICK to the button itself. One JSON line per box:
//   {"hwnd", "caption", "caption_hex", "text", "text_hex", "owner", "pid",
//    "x", "y", "w", "h", "buttons": [{"id", "text", "hwnd", "x", "y", "w", "h"}],
//    "pressed": N}
// Exit code 0 when a box was found (and answered), 1 when none was found in
// time or the button was missing, 2 on usage errors.
#include "common.h"

#include <vector>

namespace {

struct Wanted {
  bool byCaption = false;
  std::string caption;
  DWORD pid = 0;
  std::vector<HWND> found;
};

BOOL CALLBACK EnumTop(HWND hwnd, LPARAM lp) {
  auto* w = reinterpret_cast<Wanted*>(lp);
  if (e2e::ClassName(hwnd) != "#32770" || !IsWindowVisible(hwnd)) return TRUE;
  if (w->byCaption && e2e::WindowText(hwnd) != w->caption) return TRUE;
  if (w->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != w->pid) return TRUE;
  }
  w->found.push_back(hwnd);
  return TRUE;
}

struct Children {
  std::vector<HWND> all;
};

BOOL CALLBACK EnumChild(HWND hwnd, LPARAM lp) {
  reinterpret_cast<Children*>(lp)->all.push_back(hwnd);
  return TRUE;
}

bool IsPushButton(HWND h) {
  if (e2e::ClassName(h) != "Button") return false;
  LONG type = GetWindowLongA(h, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The whole text of a control, however long (a message may carry a long value).
std::string FullText(HWND h) {
  const int length = GetWindowTextLengthA(h);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int n = GetWindowTextA(h, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

std::string RectJson(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  char buf[128];
  std::snprintf(buf, sizeof buf, "\"x\": %ld, \"y\": %ld, \"w\": %ld, \"h\": %ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return buf;
}

std::string BoxJson(HWND box) {
  Children c;
  EnumChildWindows(box, EnumChild, reinterpret_cast<LPARAM>(&c));
  std::string text, buttons;
  for (HWND h : c.all) {
    if (IsPushButton(h)) {
      if (!IsWindowVisible(h)) continue;
      std::string t = e2e::WindowText(h);
      char id[32];
      std::snprintf(id, sizeof id, "%d", GetDlgCtrlID(h));
      if (!buttons.empty()) buttons += ", ";
      buttons += std::string("{\"id\": ") + id + ", \"text\": " + e2e::JsonString(e2e::AnsiToUtf8(t)) +
                 ", \"hwnd\": " + e2e::JsonString(e2e::HandleText(h)) + ", " + RectJson(h) + "}";
    } else if (e2e::ClassName(h) == "Static" && text.empty()) {
      text = FullText(h);  // the first static with text is the message
    }
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  std::string caption = e2e::WindowText(box);
  char pidText[32];
  std::snprintf(pidText, sizeof pidText, "%lu", static_cast<unsigned long>(pid));
  return "{\"hwnd\": " + e2e::JsonString(e2e::HandleText(box)) +
         ", \"caption\": " + e2e::JsonString(e2e::AnsiToUtf8(caption)) +
         ", \"caption_hex\": " + e2e::JsonString(e2e::Hex(caption)) +
         ", \"text\": " + e2e::JsonString(e2e::AnsiToUtf8(text)) + ", \"text_hex\": " + e2e::JsonString(e2e::Hex(text)) +
         ", \"owner\": " + e2e::JsonString(e2e::HandleText(GetWindow(box, GW_OWNER))) + ", \"pid\": " + pidText +
         ", " + RectJson(box) + ", \"buttons\": [" + buttons + "]";
}

int Usage() {
  std::fputs("usage: msgbox [--caption TEXT] [--pid N] [--wait S] [--press yes|no|ok|cancel|N] [--via command|click]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Wanted wanted;
  double wait = 0;
  int press = 0;
  bool viaClick = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--caption" && hasValue) {
      wanted.byCaption = true;
      wanted.caption = argv[++i];
    } else if (a == "--pid" && hasValue) {
      wanted.pid = std::strtoul(argv[++i], nullptr, 0);
    } else if (a == "--wait" && hasValue) {
      wait = std::atof(argv[++i]);
    } else if (a == "--press" && hasValue) {
      std::string b = argv[++i];
      if (b == "yes") press = IDYES;
      else if (b == "no") press = IDNO;
      else if (b == "ok") press = IDOK;
      else if (b == "cancel") press = IDCANCEL;
      else press = std::atoi(b.c_str());
      if (press <= 0) return Usage();
    } else if (a == "--via" && hasValue) {
      std::string v = argv[++i];
      if (v == "click") viaClick = true;
      else if (v != "command") return Usage();
    } else {
      return Usage();
    }
  }

  const DWORD start = GetTickCount();
  for (;;) {
    wanted.found.clear();
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&wanted));
    if (!wanted.found.empty() || GetTickCount() - start >= static_cast<DWORD>(wait * 1000)) break;
    Sleep(50);
  }
  if (wanted.found.empty()) {
    std::fputs("msgbox: no message box found\n", stderr);
    return 1;
  }
  if (!press) {
    for (HWND box : wanted.found) e2e::PrintLine(BoxJson(box) + "}");
    return 0;
  }
  HWND box = wanted.found.front();
  std::string json = BoxJson(box);
  HWND button = GetDlgItem(box, press);
  if (!button) {
    e2e::PrintLine(json + ", \"pressed\": 0}");
    std::fputs("msgbox: the box has no such button\n", stderr);
    return 1;
  }
  if (viaClick) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored);
  } else {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }
  char pressed[48];
  std::snprintf(pressed, sizeof pressed, ", \"pressed\": %d}", press);
  e2e::PrintLine(json + pressed);
  return 0;
}
