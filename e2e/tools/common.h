// Shared bits of the end-to-end helper programs: argument parsing, JSON
// output of window facts, text conversion from the ANSI code page to UTF-8.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "common/tests/PerformanceClock.h"

namespace e2e {

// Milliseconds from the performance counter.
using testclock::Now;

// ANSI (the system code page, 936 under the test bed) to UTF-8.
inline std::string AnsiToUtf8(const std::string& s) {
  if (s.empty()) return s;
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// A JSON string literal from UTF-8 text.
inline std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

inline std::string HandleText(const void* h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)));
  return buf;
}

inline HWND ParseHandle(const char* text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(text, nullptr, 0)));
}

inline std::string WindowText(HWND hwnd) {
  char buf[1024] = {};
  int n = GetWindowTextA(hwnd, buf, sizeof buf);
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

inline std::string ClassName(HWND hwnd) {
  char buf[256] = {};
  int n = GetClassNameA(hwnd, buf, sizeof buf);
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// The program file name (without folder) of a process. The process list is
// read again when a process is not in the last one read.
inline std::string ProcessExe(DWORD pid) {
  static std::map<DWORD, std::string> names;
  auto it = names.find(pid);
  if (it != names.end()) return it->second;
  names.clear();
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry))
      names[entry.th32ProcessID] = entry.szExeFile;
    CloseHandle(snap);
  }
  it = names.find(pid);
  return it == names.end() ? std::string() : it->second;
}

// One JSON object (a single line) with everything a test wants to know of a window.
inline std::string WindowJson(HWND hwnd) {
  RECT r{}, c{};
  GetWindowRect(hwnd, &r);
  GetClientRect(hwnd, &c);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  DWORD pid = 0;
  DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
  std::string title = WindowText(hwnd);
  std::string cls = ClassName(hwnd);
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "\"x\": %ld, \"y\": %ld, \"w\": %ld, \"h\": %ld, "
                "\"client_x\": %ld, \"client_y\": %ld, \"client_w\": %ld, \"client_h\": %ld, "
                "\"visible\": %s, \"enabled\": %s, \"iconic\": %s, \"style\": %lu, \"exstyle\": %lu, "
                "\"pid\": %lu, \"tid\": %lu",
                r.left, r.top, r.right - r.left, r.bottom - r.top, origin.x, origin.y, c.right - c.left,
                c.bottom - c.top, IsWindowVisible(hwnd) ? "true" : "false",
                IsWindowEnabled(hwnd) ? "true" : "false", IsIconic(hwnd) ? "true" : "false",
                static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_EXSTYLE)), static_cast<unsigned long>(pid),
                static_cast<unsigned long>(tid));
  HWND owner = GetWindow(hwnd, GW_OWNER);
  HWND parent = GetAncestor(hwnd, GA_PARENT);
  if (parent == GetDesktopWindow()) parent = nullptr;
  std::string out = "{\"hwnd\": " + JsonString(HandleText(hwnd)) + ", \"exe\": " +
                    JsonString(AnsiToUtf8(ProcessExe(pid))) + ", \"class\": " + JsonString(AnsiToUtf8(cls)) +
                    ", \"title\": " + JsonString(AnsiToUtf8(title)) + ", \"title_hex\": " + JsonString(Hex(title)) +
                    ", " + buf + ", \"parent\": " + JsonString(HandleText(parent)) +
                    ", \"owner\": " + JsonString(HandleText(owner)) +
                    ", \"owner_class\": " + JsonString(owner ? AnsiToUtf8(ClassName(owner)) : std::string()) +
                    ", \"owner_title\": " + JsonString(owner ? AnsiToUtf8(WindowText(owner)) : std::string()) + "}";
  return out;
}

inline void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace e2e
