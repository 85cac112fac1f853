// mailrecord: a stand-in mail program. Registered as the open command of the
// mailto protocol, it appends the link it is started with to a file, so that
// a test can tell which links a program opened.
//
//   mailrecord FILE ARG...
//
// Appends one line to FILE: the arguments after FILE as the command line
// delivered them (ANSI bytes), separated by blanks. Ends at once.
// Exit code: 0 recorded, 1 the file could not be written, 2 usage.
#include "common.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: mailrecord FILE ARG...\n", stderr);
    return 2;
  }
  std::string line;
  for (int i = 2; i < argc; ++i) line += (i > 2 ? " " : "") + std::string(argv[i]);
  line += "\n";
  // Two links opened at nearly the same time must not overwrite each other.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int i = 0; i < 100 && file == INVALID_HANDLE_VALUE; ++i) {
    file = CreateFileA(argv[1], FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Sleep(20);
  }
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                  written == line.size();
  CloseHandle(file);
  return ok ? 0 : 1;
}
