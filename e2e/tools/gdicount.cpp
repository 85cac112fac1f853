// gdicount: reads the counters a running copy of the program keeps about
// itself, by default the GDI objects alive of each kind. The system cannot
// count another process's GDI objects here (GetGuiResources answers 0), so
// the program counts what it makes and deletes, and its application window
// answers the registered message "QuelvoCounter" with the value of the
// counter a global atom names (-1 for a name it does not know).
//
//   gdicount --pid N [NAME ...]
//
// One JSON line: {"pid", "counters": {"gdi.brush": n, ...}}; a counter the
// program does not know reads -1.
// Exit code: 0 read, 1 no application window of that process or no answer,
// 2 usage.
#include "common.h"

#include <vector>

namespace {

const char* const kGdiKinds[] = {"gdi.brush", "gdi.pen",      "gdi.font", "gdi.bitmap",
                                 "gdi.dc",    "gdi.metafile", "gdi.icon"};

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindApp(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || e2e::ClassName(hwnd) != "QuelvoApplication") return TRUE;
  s->found = hwnd;
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  DWORD pid = 0;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pid") == 0 && i + 1 < argc) pid = std::strtoul(argv[++i], nullptr, 0);
    else names.push_back(argv[i]);
  }
  if (pid == 0) {
    std::fputs("usage: gdicount --pid N [NAME ...]\n", stderr);
    return 2;
  }
  if (names.empty()) names.assign(std::begin(kGdiKinds), std::end(kGdiKinds));
  Search s{pid, nullptr};
  EnumWindows(FindApp, reinterpret_cast<LPARAM>(&s));
  if (!s.found) {
    std::fprintf(stderr, "gdicount: process %lu has no application window\n", static_cast<unsigned long>(pid));
    return 1;
  }
  const UINT message = RegisterWindowMessageA("QuelvoCounter");
  std::string counters;
  for (const std::string& name : names) {
    const ATOM atom = GlobalAddAtomA(name.c_str());
    DWORD_PTR value = 0;
    const LRESULT sent =
        atom ? SendMessageTimeoutA(s.found, message, atom, 0, SMTO_ABORTIFHUNG, 5000, &value) : 0;
    if (atom) GlobalDeleteAtom(atom);
    if (!sent) {
      std::fprintf(stderr, "gdicount: no answer for %s\n", name.c_str());
      return 1;
    }
    if (!counters.empty()) counters += ", ";
    counters += e2e::JsonString(name) + ": " + std::to_string(static_cast<long>(value));
  }
  e2e::PrintLine("{\"pid\": " + std::to_string(pid) + ", \"counters\": {" + counters + "}}");
  return 0;
}
