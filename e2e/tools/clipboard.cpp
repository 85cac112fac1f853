// clipboard: reads or empties the clipboard, for tests of copying text out of
// a program.
//
//   clipboard            prints the text on the clipboard (CF_TEXT)
//   clipboard --empty    empties the clipboard
//
// Output, one JSON line: {"text" (UTF-8), "text_hex" (the ANSI bytes, up to
// the first zero byte), "formats" (the formats on the clipboard)} or, with
// --empty, {"emptied": true}.
// Exit code: 0 done, 1 the clipboard could not be opened or holds no text,
// 2 usage.
#include "common.h"

namespace {

// The clipboard is another program's for a moment after it copied: try again.
bool Open() {
  for (int i = 0; i < 40; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool empty = argc == 2 && std::strcmp(argv[1], "--empty") == 0;
  if (argc > 2 || (argc == 2 && !empty)) {
    std::fputs("usage: clipboard [--empty]\n", stderr);
    return 2;
  }
  if (!Open()) {
    std::fputs("clipboard: cannot open the clipboard\n", stderr);
    return 1;
  }
  if (empty) {
    const bool ok = EmptyClipboard() != 0;
    CloseClipboard();
    e2e::PrintLine(ok ? "{\"emptied\": true}" : "{\"emptied\": false}");
    return ok ? 0 : 1;
  }
  std::string formats;
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
    formats += (formats.empty() ? "" : ", ") + std::to_string(f);
  std::string text;
  bool found = false;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) {
      text.assign(p, strnlen(p, GlobalSize(h)));
      found = true;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  e2e::PrintLine("{\"text\": " + e2e::JsonString(e2e::AnsiToUtf8(text)) + ", \"text_hex\": " +
                 e2e::JsonString(e2e::Hex(text)) + ", \"formats\": [" + formats + "]}");
  return found ? 0 : 1;
}
