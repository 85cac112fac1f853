// shelllink: reads a shell link (.lnk) file back through the shell's link
// object, or opens it the way a double click on the desktop does.
//
//   shelllink FILE            prints what the link holds
//   shelllink --open FILE     opens the link (ShellExecuteEx, default verb)
//   shelllink --desktop       prints the desktop directory
//
// Output, one JSON line: {"path", "path_hex", "workdir", "workdir_hex",
// "arguments_hex", "description_hex", "show"} (texts UTF-8, hex the ANSI
// bytes); with --open {"opened"}; with --desktop
// {"desktop", "desktop_hex"}.
// Exit code: 0 done, 1 the file could not be loaded or opened, 2 usage.
#include "common.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

std::wstring Wide(const std::string& ansi) {
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, w.data(), n);
  return w;
}

std::string Field(const char* name, const std::string& value, bool withText) {
  std::string out = "\"" + std::string(name) + "_hex\": " + e2e::JsonString(e2e::Hex(value));
  if (withText) out = "\"" + std::string(name) + "\": " + e2e::JsonString(e2e::AnsiToUtf8(value)) + ", " + out;
  return out;
}

int Read(const char* file) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return 1;
  IPersistFile* persist = nullptr;
  int rc = 1;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    if (SUCCEEDED(persist->Load(Wide(file).c_str(), STGM_READ))) {
      char path[MAX_PATH + 1] = {}, dir[MAX_PATH + 1] = {}, args[1024] = {}, desc[1024] = {};
      link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH);
      link->GetWorkingDirectory(dir, sizeof dir);
      link->GetArguments(args, sizeof args);
      link->GetDescription(desc, sizeof desc);
      int show = 0;
      link->GetShowCmd(&show);
      e2e::PrintLine("{" + Field("path", path, true) + ", " + Field("workdir", dir, true) + ", " +
                     Field("arguments", args, false) + ", " + Field("description", desc, false) +
                     ", \"show\": " + std::to_string(show) + "}");
      rc = 0;
    }
    persist->Release();
  }
  link->Release();
  return rc;
}

int Open(const char* file) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.lpFile = file;
  info.nShow = SW_SHOWNORMAL;
  const bool ok = ShellExecuteExA(&info) != 0;
  e2e::PrintLine(std::string("{\"opened\": ") + (ok ? "true" : "false") + "}");
  return ok ? 0 : 1;
}

int Desktop() {
  char path[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path))) return 1;
  e2e::PrintLine("{" + Field("desktop", path, true) + "}");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (argc == 2 && first == "--desktop") return Desktop();
  if (CoInitialize(nullptr) < 0) return 1;
  int rc = 2;
  if (argc == 3 && first == "--open") rc = Open(argv[2]);
  else if (argc == 2 && first.rfind("--", 0) != 0) rc = Read(argv[1]);
  CoUninitialize();
  if (rc == 2) std::fputs("usage: shelllink FILE | --open FILE | --desktop\n", stderr);
  return rc;
}
