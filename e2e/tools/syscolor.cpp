// syscolor: prints the system colours of the prefix as the program sees them
// (GetSysColor), so that tests compare drawn pixels with the colour a
// system-colour value resolves to instead of a number written into the test.
//
//   syscolor [INDEX ...]      the colours with these indexes (default: 0 to 30)
//
// One JSON line per index: {"index", "colorref" (0x00BBGGRR), "r", "g", "b"}.
// Exit code: 0 printed, 2 usage.
#include "common.h"

#include <vector>

int main(int argc, char** argv) {
  std::vector<int> indexes;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    long v = std::strtol(argv[i], &end, 0);
    if (end == argv[i] || *end != '\0' || v < 0 || v > 255) {
      std::fputs("usage: syscolor [INDEX ...]\n", stderr);
      return 2;
    }
    indexes.push_back(static_cast<int>(v));
  }
  if (indexes.empty())
    for (int i = 0; i <= 30; ++i) indexes.push_back(i);
  for (int index : indexes) {
    const COLORREF c = GetSysColor(index);
    char buf[128];
    std::snprintf(buf, sizeof buf, "{\"index\": %d, \"colorref\": %lu, \"r\": %d, \"g\": %d, \"b\": %d}", index,
                  static_cast<unsigned long>(c), GetRValue(c), GetGValue(c), GetBValue(c));
    e2e::PrintLine(buf);
  }
  return 0;
}
