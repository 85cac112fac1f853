// handlecount: counts the kernel handles a process holds, from the system's
// handle list (NtQuerySystemInformation, class 16: SystemHandleInformation),
// which the emulator fills from its server. GetProcessHandleCount and the
// private bytes of GetProcessMemoryInfo answer 0 for another process there.
//
//   handlecount --pid N [--names]
//
// One JSON line: {"pid", "handles", "types": {"<type number>": count, ...}};
// the type numbers tell which kind grows when the total does. --names then
// prints one line per handle, {"handle", "type", "name"}: the object's type
// name and name as the system tells them of a duplicate of the handle.
// Exit code: 0 counted, 1 the list could not be read, 2 usage.
#include "common.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

// The entries of class 16, as the system lays them out for this (32-bit) caller.
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};

struct HandleList {
  ULONG count;
  HandleEntry entries[1];
};

constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryObjectFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kObjectNameInformation = 1, kObjectTypeInformation = 2;

struct CountedString {  // the system's UNICODE_STRING
  USHORT length;
  USHORT maximum;
  PWSTR text;
};

std::string Utf8(const CountedString& s) {
  const int chars = s.length / 2;
  if (chars == 0 || s.text == nullptr) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.text, chars, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.text, chars, out.data(), n, nullptr, nullptr);
  return out;
}

// The type or object name of a handle of this process ("" when none is told).
std::string ObjectText(QueryObjectFn queryObject, HANDLE h, ULONG what) {
  std::vector<unsigned char> info(8192);
  ULONG needed = 0;
  if (queryObject(h, what, info.data(), static_cast<ULONG>(info.size()), &needed) < 0) return {};
  return Utf8(*reinterpret_cast<const CountedString*>(info.data()));
}

// One line per handle of the process: its type and name, from a duplicate.
void PrintNames(DWORD pid, const HandleList& list, size_t count) {
  auto queryObject = reinterpret_cast<QueryObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  if (!queryObject || !process) return;
  for (size_t i = 0; i < count; ++i) {
    const HandleEntry& e = list.entries[i];
    if (e.ownerPid != pid) continue;
    HANDLE copy = nullptr;
    std::string type, name;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(e.handle)), GetCurrentProcess(),
                        &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      type = ObjectText(queryObject, copy, kObjectTypeInformation);
      name = ObjectText(queryObject, copy, kObjectNameInformation);
      CloseHandle(copy);
    }
    char head[96];
    std::snprintf(head, sizeof head, "{\"handle\": \"0x%x\", \"type\": %d, \"type_name\": ", e.handle,
                  e.objectType);
    e2e::PrintLine(head + e2e::JsonString(type) + ", \"name\": " + e2e::JsonString(name) + "}");
  }
  CloseHandle(process);
}

}  // namespace

int main(int argc, char** argv) {
  DWORD pid = 0;
  bool names = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pid") == 0 && i + 1 < argc) {
      pid = std::strtoul(argv[++i], nullptr, 0);
    } else if (std::strcmp(argv[i], "--names") == 0) {
      names = true;
    } else {
      pid = 0;
      break;
    }
  }
  if (pid == 0) {
    std::fputs("usage: handlecount --pid N [--names]\n", stderr);
    return 2;
  }
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 1;
  std::vector<unsigned char> buffer(1 << 16);
  LONG status = 0;
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status != kInfoLengthMismatch) break;
    // The list may grow between two calls: room for more than asked.
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
  }
  if (status < 0) {
    std::fprintf(stderr, "handlecount: NtQuerySystemInformation failed (0x%08lx)\n",
                 static_cast<unsigned long>(status));
    return 1;
  }
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  const size_t room = (buffer.size() - offsetof(HandleList, entries)) / sizeof(HandleEntry);
  const size_t count = std::min<size_t>(list->count, room);
  std::map<int, unsigned long> types;
  unsigned long total = 0;
  for (size_t i = 0; i < count; ++i) {
    if (list->entries[i].ownerPid != pid) continue;
    ++total;
    ++types[list->entries[i].objectType];
  }
  std::string byType;
  for (const auto& [type, n] : types) {
    if (!byType.empty()) byType += ", ";
    byType += "\"" + std::to_string(type) + "\": " + std::to_string(n);
  }
  char head[96];
  std::snprintf(head, sizeof head, "{\"pid\": %lu, \"handles\": %lu, \"types\": {", static_cast<unsigned long>(pid),
                total);
  e2e::PrintLine(head + byType + "}}");
  if (names) PrintNames(pid, *list, count);
  return 0;
}
