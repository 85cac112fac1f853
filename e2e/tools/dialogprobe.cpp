// dialogprobe: finds an open file dialog of a process, prints its file-type
// list, and can fill in its file-name box and answer it.
//
//   dialogprobe [--pid N] [--exe NAME] [--hwnd H] [--wait SECONDS]
//               [--type PATH] [--confirm | --cancel]
//
// A file dialog is a visible top-level dialog window ("#32770") with a
// file-type list and a file-name box. --pid and --exe pick the process;
// --hwnd the dialog itself or the window that owns it. --wait waits until
// such a dialog exists (default 0: look once).
//
// --type puts PATH (ANSI, as the command line brings it) into the file-name
// box, as if typed; --confirm then presses the open button, --cancel the
// cancel button, and the probe waits (up to 5 s) for the dialog to close. A
// folder's path makes the dialog open that folder and stay.
//
// Output, JSON lines: first the dialog (the fields of wininfo, plus
// "file_name" and "file_name_hex": the file-name box's text before --type;
// "read_only_visible"; "sizable": the frame can be dragged; "type_count";
// "type_selected": the index of the selected file type, -1 for none), then
// one line per file type, in order:
//   {"index", "text", "text_hex", "selected"}
// "text" is UTF-8, "text_hex" the dialog's own bytes (code page 936 under
// the test bed): compare bytes.fromhex(text_hex) with the expected text
// encoded as "gbk".
// Exit code: 0 found (and answered: the dialog closed), 1 none found in
// time, 2 usage, 3 answered but still open.
#include "common.h"

#include <dlgs.h>

#include <vector>

namespace {

struct Wanted {
  DWORD pid = 0;
  std::string exe;
  HWND hwnd = nullptr;
  HWND found = nullptr;
};

HWND NameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, cmb13);
  return box != nullptr ? box : GetDlgItem(dialog, edt1);
}

bool IsFileDialog(HWND hwnd) {
  return e2e::ClassName(hwnd) == "#32770" && IsWindowVisible(hwnd) && GetDlgItem(hwnd, cmb1) != nullptr &&
         NameBox(hwnd) != nullptr;
}

BOOL CALLBACK EnumTop(HWND hwnd, LPARAM lp) {
  auto* w = reinterpret_cast<Wanted*>(lp);
  if (!IsFileDialog(hwnd)) return TRUE;
  if (w->hwnd && hwnd != w->hwnd && GetWindow(hwnd, GW_OWNER) != w->hwnd) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (w->pid && pid != w->pid) return TRUE;
  if (!w->exe.empty() && lstrcmpiA(e2e::ProcessExe(pid).c_str(), w->exe.c_str()) != 0) return TRUE;
  w->found = hwnd;
  return FALSE;
}

// Texts through messages the system carries between processes, in their
// wide form (the emulator hands the ANSI form of a list item over from
// another process unconverted), then back to the ANSI code page: the
// program's own bytes, since it gave them in that code page.
std::string ToAnsi(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

LRESULT Ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &result)) return CB_ERR;
  return static_cast<LRESULT>(result);
}

std::string TextOf(HWND hwnd) {
  std::vector<wchar_t> buf(4096, L'\0');
  const LRESULT n = Ask(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  return n <= 0 ? std::string() : ToAnsi(std::wstring(buf.data(), wcsnlen(buf.data(), buf.size())));
}

std::string ItemText(HWND combo, int index) {
  const LRESULT length = Ask(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length < 0) return {};
  std::vector<wchar_t> buf(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT n = Ask(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  if (n == CB_ERR || n < 0) return {};
  return ToAnsi(std::wstring(buf.data(), wcsnlen(buf.data(), buf.size())));
}

const char* Bool(bool b) { return b ? "true" : "false"; }

int Usage() {
  std::fputs("usage: dialogprobe [--pid N] [--exe NAME] [--hwnd H] [--wait S] [--type PATH] [--confirm | --cancel]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Wanted wanted;
  double wait = 0;
  bool type = false;
  std::string path;
  int press = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--pid" && hasValue) {
      wanted.pid = std::strtoul(argv[++i], nullptr, 0);
    } else if (a == "--exe" && hasValue) {
      wanted.exe = argv[++i];
    } else if (a == "--hwnd" && hasValue) {
      wanted.hwnd = e2e::ParseHandle(argv[++i]);
    } else if (a == "--wait" && hasValue) {
      wait = std::atof(argv[++i]);
    } else if (a == "--type" && hasValue) {
      type = true;
      path = argv[++i];
    } else if (a == "--confirm" && !press) {
      press = IDOK;
    } else if (a == "--cancel" && !press) {
      press = IDCANCEL;
    } else {
      return Usage();
    }
  }

  const DWORD start = GetTickCount();
  for (;;) {
    wanted.found = nullptr;
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&wanted));
    if (wanted.found || GetTickCount() - start >= static_cast<DWORD>(wait * 1000)) break;
    Sleep(50);
  }
  HWND dialog = wanted.found;
  if (!dialog) {
    std::fputs("dialogprobe: no file dialog found\n", stderr);
    return 1;
  }

  HWND types = GetDlgItem(dialog, cmb1);
  HWND readOnly = GetDlgItem(dialog, chx1);
  const std::string name = TextOf(NameBox(dialog));
  const int count = static_cast<int>(Ask(types, CB_GETCOUNT, 0, 0));
  const int selected = static_cast<int>(Ask(types, CB_GETCURSEL, 0, 0));
  std::string json = e2e::WindowJson(dialog);
  json.pop_back();  // the closing brace
  char facts[160];
  std::snprintf(facts, sizeof facts,
                ", \"read_only_visible\": %s, \"sizable\": %s, \"type_count\": %d, \"type_selected\": %d}",
                Bool(readOnly != nullptr && IsWindowVisible(readOnly)),
                Bool((GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME) != 0), count, selected);
  e2e::PrintLine(json + ", \"file_name\": " + e2e::JsonString(e2e::AnsiToUtf8(name)) +
                 ", \"file_name_hex\": " + e2e::JsonString(e2e::Hex(name)) + facts);
  for (int i = 0; i < count; ++i) {
    const std::string text = ItemText(types, i);
    char head[32];
    std::snprintf(head, sizeof head, "{\"index\": %d, ", i);
    e2e::PrintLine(head + std::string("\"text\": ") + e2e::JsonString(e2e::AnsiToUtf8(text)) +
                   ", \"text_hex\": " + e2e::JsonString(e2e::Hex(text)) + ", \"selected\": " + Bool(i == selected) +
                   "}");
  }

  if (type) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(NameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
  }
  if (!press) return 0;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, press)));
  for (const DWORD pressed = GetTickCount(); GetTickCount() - pressed < 5000; Sleep(50))
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return 0;
  std::fputs("dialogprobe: the dialog is still open\n", stderr);
  return 3;
}
