// regwrite: stores registry values of any type with exactly the bytes given
// (RegSetValueExA), in the registry view of a 32-bit program (the one the
// program under test sees), and removes values and keys; several operations
// in one run, in order.
//
//   regwrite OPERATION...
//   --set KEY NAME TYPE DATA   TYPE: a number (0 REG_NONE, 1 REG_SZ, 2
//                              REG_EXPAND_SZ, 3 REG_BINARY, 4 REG_DWORD, 5
//                              REG_DWORD_BIG_ENDIAN, 6 REG_LINK, 7
//                              REG_MULTI_SZ, 11 REG_QWORD); the key is created
//                              when missing
//   --delete-value KEY NAME    (a missing value is no failure)
//   --delete-key KEY           with all its sub-keys (a missing key is no failure)
//
// DATA is pieces joined by "+": hexadecimal bytes ("6162"), or COUNT*HH for
// COUNT bytes of the hexadecimal byte HH ("1048576*51"). "" or "-" is no
// data at all (size 0). A string without its terminating zero is simply its
// bytes ("636c526564"). The string types go through the ANSI interface as
// any program's writes do.
//
// KEY is "HKLM\..." or "HKCU\..." (or the long root names); names are ANSI
// (code page 936) as the command line delivers them. One JSON line per
// operation: {"op", "key", "name", "size", "ok"}. Exit code: 0 all done, 1 an
// operation failed (the later ones are not run), 2 usage.
#include "common.h"

#include <vector>

namespace {

bool SplitKey(const std::string& full, HKEY* root, std::string* path) {
  const size_t slash = full.find('\\');
  const std::string head = full.substr(0, slash);
  *path = slash == std::string::npos ? std::string() : full.substr(slash + 1);
  if (head == "HKLM" || head == "HKEY_LOCAL_MACHINE") *root = HKEY_LOCAL_MACHINE;
  else if (head == "HKCU" || head == "HKEY_CURRENT_USER") *root = HKEY_CURRENT_USER;
  else return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool AppendHex(const std::string& hex, std::vector<BYTE>* out) {
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<BYTE>(hi * 16 + lo));
  }
  return true;
}

bool ParseData(const std::string& text, std::vector<BYTE>* out) {
  out->clear();
  if (text.empty() || text == "-") return true;
  size_t begin = 0;
  for (;;) {
    const size_t end = text.find('+', begin);
    const std::string piece = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    const size_t star = piece.find('*');
    if (star == std::string::npos) {
      if (piece.empty() || !AppendHex(piece, out)) return false;
    } else {
      char* stop = nullptr;
      const unsigned long count = std::strtoul(piece.c_str(), &stop, 10);
      std::vector<BYTE> fill;
      if (stop != piece.c_str() + star || !AppendHex(piece.substr(star + 1), &fill) || fill.size() != 1 ||
          count > (64ul << 20))
        return false;
      out->insert(out->end(), count, fill[0]);
    }
    if (end == std::string::npos) return true;
    begin = end + 1;
  }
}

LONG DeleteTree(HKEY parent, const std::string& path) {
  HKEY key;
  LONG rc = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (rc != ERROR_SUCCESS) return rc;
  for (;;) {
    char sub[512];
    DWORD len = sizeof sub;
    if (RegEnumKeyExA(key, 0, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    rc = DeleteTree(key, sub);
    if (rc != ERROR_SUCCESS) {
      RegCloseKey(key);
      return rc;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, path.c_str());
}

void Report(const char* op, const std::string& key, const std::string& name, size_t size, bool ok) {
  char tail[64];
  std::snprintf(tail, sizeof tail, ", \"size\": %lu, \"ok\": %s}", static_cast<unsigned long>(size),
                ok ? "true" : "false");
  e2e::PrintLine(std::string("{\"op\": \"") + op + "\", \"key\": " + e2e::JsonString(e2e::AnsiToUtf8(key)) +
                 ", \"name\": " + e2e::JsonString(e2e::AnsiToUtf8(name)) + tail);
}

int Usage() {
  std::fputs(
      "usage: regwrite [--set KEY NAME TYPE DATA] [--delete-value KEY NAME] [--delete-key KEY]...\n"
      "       DATA: HEX or COUNT*HH pieces joined by +, \"\" or - for none\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  if (i >= argc) return Usage();
  while (i < argc) {
    const std::string op = argv[i];
    const int left = argc - i - 1;
    HKEY root;
    std::string path;
    if (op == "--set" && left >= 4) {
      const std::string key = argv[i + 1], name = argv[i + 2];
      char* stop = nullptr;
      const DWORD type = std::strtoul(argv[i + 3], &stop, 0);
      std::vector<BYTE> data;
      if (*stop != '\0' || !SplitKey(key, &root, &path) || !ParseData(argv[i + 4], &data)) return Usage();
      HKEY k;
      bool ok = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) ==
                ERROR_SUCCESS;
      if (ok) {
        // A value of no bytes is passed with no buffer, as a program storing
        // nothing does.
        ok = RegSetValueExA(k, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
        RegCloseKey(k);
      }
      Report("set", key, name, data.size(), ok);
      if (!ok) return 1;
      i += 5;
    } else if (op == "--delete-value" && left >= 2) {
      const std::string key = argv[i + 1], name = argv[i + 2];
      if (!SplitKey(key, &root, &path)) return Usage();
      HKEY k;
      LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_WRITE, &k);
      if (rc == ERROR_SUCCESS) {
        rc = RegDeleteValueA(k, name.c_str());
        RegCloseKey(k);
      }
      const bool ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
      Report("delete-value", key, name, 0, ok);
      if (!ok) return 1;
      i += 3;
    } else if (op == "--delete-key" && left >= 1) {
      const std::string key = argv[i + 1];
      if (!SplitKey(key, &root, &path) || path.empty()) return Usage();
      const LONG rc = DeleteTree(root, path);
      const bool ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
      Report("delete-key", key, "", 0, ok);
      if (!ok) return 1;
      i += 2;
    } else {
      return Usage();
    }
  }
  return 0;
}
