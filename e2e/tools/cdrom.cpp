// cdrom: defines and removes drive letters through the emulator's mount
// manager, the way its drive configuration tool does, so that the end-to-end
// tests can give the system CD-ROM drives (and drives of other types).
//
//   cdrom define X: DIR     X: becomes a CD-ROM drive whose disc is the host
//                           directory DIR (a volume the system can read)
//   cdrom define X: --empty X: becomes a CD-ROM drive without a host directory
//                           (the emulator still reports a CDFS volume for it:
//                           its volume query answers from the drive's type)
//   cdrom define X: DIR --type fixed|removable|cdrom|remote|ramdisk
//   cdrom remove X:         X: no longer exists
//   cdrom query X:          prints what the system reports for X:
//
// define, remove and query print one JSON line:
//   {"drive": "d:", "type": 5, "volume": true, "label": "...", "fs": "...",
//    "serial": N, "volume_error": N}
// (type is GetDriveTypeA of "X:\", volume whether GetVolumeInformationA on it
// succeeds). Exit code 0 on success, 1 when the mount manager refused or the
// drive did not end up as asked, 2 on usage errors.
#include "common.h"

#include <vector>
#include <winioctl.h>

namespace {

// The emulator's own extension of the mount manager interface: define or
// remove a drive letter backed by a host directory (no device is named: a
// removal would leave the device link behind).
constexpr DWORD kMountMgrControlType = 0x6D;  // 'm'
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(kMountMgrControlType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

#pragma pack(push, 8)
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
#pragma pack(pop)
static_assert(sizeof(UnixDriveRequest) == 32, "request layout");

bool DefineDrive(char letter, UINT type, const std::string& mountPoint, DWORD* error) {
  std::vector<char> buffer(sizeof(UnixDriveRequest) + mountPoint.size() + 1, '\0');
  UnixDriveRequest req{};
  req.size = static_cast<ULONG>(buffer.size());
  req.type = type;
  req.letter = static_cast<WCHAR>(letter);
  if (!mountPoint.empty()) {
    req.mountPointOffset = sizeof req;
    std::memcpy(buffer.data() + sizeof req, mountPoint.data(), mountPoint.size());
  }
  std::memcpy(buffer.data(), &req, sizeof req);

  HANDLE mgr = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                            &returned, nullptr);
  *error = ok ? 0 : GetLastError();
  CloseHandle(mgr);
  return ok != FALSE;
}

struct DriveState {
  UINT type = 0;
  bool volume = false;
  DWORD volumeError = 0;
  std::string label, fs;
  DWORD serial = 0;
};

DriveState Query(char letter) {
  DriveState s;
  char root[4] = {letter, ':', '\\', '\0'};
  s.type = GetDriveTypeA(root);
  char name[256] = {}, fs[256] = {};
  DWORD maxLen = 0, flags = 0;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  SetLastError(0);
  s.volume = GetVolumeInformationA(root, name, 255, &s.serial, &maxLen, &flags, fs, 255) != FALSE;
  s.volumeError = s.volume ? 0 : GetLastError();
  SetErrorMode(oldMode);
  if (s.volume) {
    s.label = name;
    s.fs = fs;
  }
  return s;
}

void Print(char letter, const DriveState& s, const char* extra) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "\"type\": %u, \"volume\": %s, \"volume_error\": %lu, \"serial\": %lu", s.type,
                s.volume ? "true" : "false", static_cast<unsigned long>(s.volumeError),
                static_cast<unsigned long>(s.serial));
  std::string drive{letter, ':'};
  e2e::PrintLine("{\"drive\": " + e2e::JsonString(drive) + ", " + buf + ", \"label\": " +
                 e2e::JsonString(e2e::AnsiToUtf8(s.label)) + ", \"fs\": " + e2e::JsonString(e2e::AnsiToUtf8(s.fs)) +
                 extra + "}");
}

int Usage() {
  std::fputs(
      "usage: cdrom define X: DIR [--type cdrom|fixed|removable|remote|ramdisk]\n"
      "       cdrom define X: --empty\n"
      "       cdrom remove X:\n"
      "       cdrom query X:\n",
      stderr);
  return 2;
}

bool ParseLetter(const char* text, char* letter) {
  char c = text[0];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (c < 'a' || c > 'z' || (text[1] != '\0' && (text[1] != ':' || (text[2] != '\0' && text[2] != '\\'))))
    return false;
  *letter = c;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string verb = argv[1];
  char letter = 0;
  if (!ParseLetter(argv[2], &letter)) return Usage();

  if (verb == "query") {
    if (argc != 3) return Usage();
    Print(letter, Query(letter), "");
    return 0;
  }
  if (verb == "remove") {
    if (argc != 3) return Usage();
    DWORD error = 0;
    bool ok = DefineDrive(letter, DRIVE_NO_ROOT_DIR, std::string(), &error);
    DriveState s = Query(letter);
    char extra[64];
    std::snprintf(extra, sizeof extra, ", \"request_error\": %lu", static_cast<unsigned long>(error));
    Print(letter, s, extra);
    return ok && s.type == DRIVE_NO_ROOT_DIR ? 0 : 1;
  }
  if (verb == "define") {
    std::string mountPoint;
    bool empty = false;
    UINT type = DRIVE_CDROM;
    for (int i = 3; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "--empty") {
        empty = true;
      } else if (a == "--type" && i + 1 < argc) {
        std::string t = argv[++i];
        if (t == "cdrom") type = DRIVE_CDROM;
        else if (t == "fixed") type = DRIVE_FIXED;
        else if (t == "removable") type = DRIVE_REMOVABLE;
        else if (t == "remote") type = DRIVE_REMOTE;
        else if (t == "ramdisk") type = DRIVE_RAMDISK;
        else return Usage();
      } else if (mountPoint.empty() && !a.empty() && a[0] != '-') {
        mountPoint = a;
      } else {
        return Usage();
      }
    }
    if (empty == !mountPoint.empty()) return Usage();
    DWORD error = 0;
    bool ok = DefineDrive(letter, type, mountPoint, &error);
    DriveState s = Query(letter);
    char extra[64];
    std::snprintf(extra, sizeof extra, ", \"request_error\": %lu", static_cast<unsigned long>(error));
    Print(letter, s, extra);
    return ok && s.type == type ? 0 : 1;
  }
  return Usage();
}
