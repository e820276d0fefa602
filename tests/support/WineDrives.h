#pragma once
// Changes the disc in a Wine CD-ROM drive while the session runs, through Wine's mount
// manager (the request its own configuration tool sends). Tests only.
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

namespace kaze::test {

// Points drive `letter` at the Unix folder `unixPath` as a CD-ROM drive; the folder's
// .windows-label is read at once (a folder without one reads as an empty drive).
inline bool InsertDisc(char letter, const std::string& unixPath) {
  struct DefineRequest {
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
  static_assert(sizeof(DefineRequest) == 32, "the mount manager expects 32 bytes");
  std::vector<char> buffer(sizeof(DefineRequest) + unixPath.size() + 1, 0);
  auto* request = reinterpret_cast<DefineRequest*>(buffer.data());
  request->size = static_cast<ULONG>(buffer.size());
  request->type = 5;  // CD-ROM
  request->letter = static_cast<WCHAR>(letter | 0x20);
  request->mountPointOffset = sizeof(DefineRequest);
  std::memcpy(buffer.data() + sizeof(DefineRequest), unixPath.c_str(), unixPath.size() + 1);

  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(manager, 0x006DC080, buffer.data(), static_cast<DWORD>(buffer.size()),
                            nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

// The host folder of this test run (tests/wine/run.sh makes one for each run and removes
// it afterwards); "" outside run.sh, where no disc folder can be made.
inline std::string TestRunFolder() {
  char folder[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("KAZE_TEST_WORK", folder, sizeof folder);
  return length > 0 && length < sizeof folder && folder[0] == '/' ? std::string(folder, length)
                                                                   : std::string();
}

// A Unix folder for a disc in this test run's own host folder, made through Wine's Z: drive
// with the given volume label, and removed again with the object. Tests running at the same
// time never share one.
class DiscFolder {
 public:
  DiscFolder(const std::string& name, const std::string& label)
      : unix_(TestRunFolder().empty() ? std::string() : TestRunFolder() + "/disc-" + name),
        windows_(unix_.empty() ? std::string() : "Z:" + unix_) {
    for (char& c : windows_) {
      if (c == '/') c = '\\';
    }
    if (windows_.empty()) return;
    CreateDirectoryA(windows_.c_str(), nullptr);
    if (!label.empty()) {
      HANDLE file = CreateFileA(LabelFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                0, nullptr);
      std::string line = label + "\n";
      DWORD written = 0;
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  ~DiscFolder() {
    if (windows_.empty()) return;
    DeleteFileA(LabelFile().c_str());
    RemoveDirectoryA(windows_.c_str());
  }
  DiscFolder(const DiscFolder&) = delete;
  DiscFolder& operator=(const DiscFolder&) = delete;

  const std::string& unixPath() const { return unix_; }
  const std::string& windowsPath() const { return windows_; }

 private:
  std::string LabelFile() const { return windows_ + "\\.windows-label"; }

  std::string unix_;
  std::string windows_;
};

}  // namespace kaze::test
