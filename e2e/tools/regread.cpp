// regread: reads registry values with their exact type and bytes, in the
// registry view a 32-bit program sees (the one the program under test uses),
// and prepares keys for tests.
//
//   regread KEY [NAME]                  one value, or all values of KEY
//   regread --exists KEY                whether KEY exists
//   regread --set KEY NAME TYPE HEX     writes a value (TYPE: a number, e.g. 1
//                                       REG_SZ, 4 REG_DWORD; HEX: its bytes)
//   regread --delete-value KEY NAME
//   regread --delete-key KEY            deletes KEY with all its sub-keys
//   regread --dump KEY...               all values and sub-key names of each
//                                       KEY, one line a key (a snapshot)
//   options: --view 32|64               registry view (default: 32)
//
// KEY is "HKLM\..." / "HKCU\..." (or the long root names); names are ANSI
// (code page 936) as the command line delivers them. "" as NAME is the
// default value. Output, one JSON line:
//   {"key", "exists", "values": [{"name", "name_hex", "type", "size", "data_hex", "text"}]}
// ("text" is the data as ANSI text converted to UTF-8 for string types);
// --dump adds "subkeys": [names] to each line.
// Exit code: 0 found/done, 1 key or value missing / failed, 2 usage.
#include "common.h"

#include <vector>

namespace {

bool SplitKey(const std::string& full, HKEY* root, std::string* path) {
  size_t slash = full.find('\\');
  std::string head = full.substr(0, slash);
  *path = slash == std::string::npos ? std::string() : full.substr(slash + 1);
  if (head == "HKLM" || head == "HKEY_LOCAL_MACHINE") *root = HKEY_LOCAL_MACHINE;
  else if (head == "HKCU" || head == "HKEY_CURRENT_USER") *root = HKEY_CURRENT_USER;
  else if (head == "HKCR" || head == "HKEY_CLASSES_ROOT") *root = HKEY_CLASSES_ROOT;
  else if (head == "HKU" || head == "HKEY_USERS") *root = HKEY_USERS;
  else return false;
  return true;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string ValueJson(const std::string& name, DWORD type, const std::vector<BYTE>& data) {
  std::string bytes(data.begin(), data.end());
  std::string text;
  if (IsStringType(type)) {
    text = bytes;
    while (!text.empty() && text.back() == '\0') text.pop_back();
  }
  char buf[96];
  std::snprintf(buf, sizeof buf, "\"type\": %lu, \"size\": %lu", static_cast<unsigned long>(type),
                static_cast<unsigned long>(data.size()));
  return "{\"name\": " + e2e::JsonString(e2e::AnsiToUtf8(name)) + ", \"name_hex\": " + e2e::JsonString(e2e::Hex(name)) +
         ", " + buf + ", \"data_hex\": " + e2e::JsonString(e2e::Hex(bytes)) +
         ", \"text\": " + e2e::JsonString(e2e::AnsiToUtf8(text)) + "}";
}

bool ReadValue(HKEY key, const std::string& name, DWORD* type, std::vector<BYTE>* data) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  data->assign(size, 0);
  if (RegQueryValueExA(key, name.c_str(), nullptr, type, data->data(), &size) != ERROR_SUCCESS) return false;
  data->resize(size);
  return true;
}

LONG DeleteTree(HKEY parent, const std::string& path, REGSAM view) {
  HKEY key;
  LONG rc = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE | view, &key);
  if (rc != ERROR_SUCCESS) return rc;
  for (;;) {
    char sub[512];
    DWORD len = sizeof sub;
    if (RegEnumKeyExA(key, 0, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    rc = DeleteTree(key, sub, view);
    if (rc != ERROR_SUCCESS) {
      RegCloseKey(key);
      return rc;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, path.c_str());
}

std::vector<BYTE> FromHex(const std::string& hex, bool* ok) {
  std::vector<BYTE> out;
  *ok = hex.size() % 2 == 0;
  for (size_t i = 0; *ok && i < hex.size(); i += 2) {
    char pair[3] = {hex[i], hex[i + 1], '\0'};
    char* end = nullptr;
    out.push_back(static_cast<BYTE>(std::strtoul(pair, &end, 16)));
    *ok = end == pair + 2;
  }
  return out;
}

std::string AllValues(HKEY key) {
  std::string values;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD len = sizeof name;
    if (RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(key, std::string(name, len), &type, &data)) continue;
    if (!values.empty()) values += ", ";
    values += ValueJson(std::string(name, len), type, data);
  }
  return values;
}

int Dump(const std::vector<std::string>& keys, REGSAM view) {
  for (const std::string& full : keys) {
    HKEY root, key;
    std::string path;
    if (!SplitKey(full, &root, &path)) return 2;
    const std::string keyJson = "{\"key\": " + e2e::JsonString(e2e::AnsiToUtf8(full));
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
      e2e::PrintLine(keyJson + ", \"exists\": false, \"values\": [], \"subkeys\": []}");
      continue;
    }
    std::string subkeys;
    for (DWORD i = 0;; ++i) {
      char sub[512];
      DWORD len = sizeof sub;
      if (RegEnumKeyExA(key, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (!subkeys.empty()) subkeys += ", ";
      subkeys += e2e::JsonString(e2e::AnsiToUtf8(std::string(sub, len)));
    }
    const std::string values = AllValues(key);
    RegCloseKey(key);
    e2e::PrintLine(keyJson + ", \"exists\": true, \"values\": [" + values + "], \"subkeys\": [" + subkeys + "]}");
  }
  return 0;
}

int Usage() {
  std::fputs(
      "usage: regread [--view 32|64] KEY [NAME]\n"
      "       regread [--view 32|64] --exists KEY\n"
      "       regread [--view 32|64] --set KEY NAME TYPE HEX\n"
      "       regread [--view 32|64] --delete-value KEY NAME\n"
      "       regread [--view 32|64] --delete-key KEY\n"
      "       regread [--view 32|64] --dump KEY...\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  REGSAM view = KEY_WOW64_32KEY;
  std::string mode = "read";
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--view" && i + 1 < argc) {
      std::string v = argv[++i];
      if (v == "32") view = KEY_WOW64_32KEY;
      else if (v == "64") view = KEY_WOW64_64KEY;
      else return Usage();
    } else if (a == "--exists" || a == "--set" || a == "--delete-value" || a == "--delete-key" || a == "--dump") {
      mode = a.substr(2);
    } else {
      args.push_back(a);
    }
  }
  if (args.empty()) return Usage();
  if (mode == "dump") return Dump(args, view);
  HKEY root;
  std::string path;
  if (!SplitKey(args[0], &root, &path)) return Usage();
  const std::string keyJson = "{\"key\": " + e2e::JsonString(e2e::AnsiToUtf8(args[0]));

  if (mode == "delete-key") {
    if (args.size() != 1 || path.empty()) return Usage();
    LONG rc = DeleteTree(root, path, view);
    e2e::PrintLine(keyJson + ", \"deleted\": " + (rc == ERROR_SUCCESS ? "true" : "false") + "}");
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 0 : 1;
  }
  if (mode == "set") {
    if (args.size() != 4) return Usage();
    bool ok = false;
    std::vector<BYTE> data = FromHex(args[3], &ok);
    if (!ok) return Usage();
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return 1;
    LONG rc = RegSetValueExA(key, args[1].c_str(), 0, std::strtoul(args[2].c_str(), nullptr, 0), data.data(),
                             static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    e2e::PrintLine(keyJson + ", \"set\": " + (rc == ERROR_SUCCESS ? "true" : "false") + "}");
    return rc == ERROR_SUCCESS ? 0 : 1;
  }

  HKEY key;
  REGSAM access = KEY_READ | view | (mode == "delete-value" ? KEY_WRITE : 0);
  if (RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
    e2e::PrintLine(keyJson + ", \"exists\": false, \"values\": []}");
    return mode == "exists" ? 1 : 1;
  }
  int rc = 0;
  std::string values;
  if (mode == "delete-value") {
    if (args.size() != 2) return Usage();
    LONG r = RegDeleteValueA(key, args[1].c_str());
    rc = r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? 0 : 1;
  } else if (mode == "read" && args.size() == 2) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (ReadValue(key, args[1], &type, &data)) values = ValueJson(args[1], type, data);
    else rc = 1;
  } else if (mode == "read" && args.size() == 1) {
    values = AllValues(key);
  } else if (mode != "exists" || args.size() != 1) {
    RegCloseKey(key);
    return Usage();
  }
  RegCloseKey(key);
  e2e::PrintLine(keyJson + ", \"exists\": true, \"values\": [" + values + "]}");
  return rc;
}
