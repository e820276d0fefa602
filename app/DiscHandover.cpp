#include "app/DiscHandover.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "system/CommandLine.h"
#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/Handles.h"
#include "system/OsServices.h"
#include "system/PathText.h"
#include "system/RunFolderPlace.h"
#include "system/TextHelpers.h"
#include "system/WindowsCompat.h"

namespace kaze {

const char kStagedCopySwitch[] = "/KzStaged";

namespace {

const char kStagingPrefix[] = "KzSetup";

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(path, length);
}

bool IsDriveRootPath(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

// Takes the copy away again when it could not be made to run.
void RemoveCopy(const std::string& copy, const std::string& folder) {
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(copy.c_str());
  RemoveDirectoryA(folder.c_str());
}

// "KzSetup" and four hex digits, letters in either case.
bool IsStagingFolderName(const std::string& name) {
  const size_t prefix = std::strlen(kStagingPrefix);
  if (name.size() != prefix + 4) return false;
  std::string lower = name;
  std::string wanted = kStagingPrefix;
  LowerCaseAscii(&lower[0]);
  LowerCaseAscii(&wanted[0]);
  if (lower.compare(0, prefix, wanted) != 0) return false;
  return lower.find_first_not_of("0123456789abcdef", prefix) == std::string::npos;
}

// On Windows 9x an earlier run's folder outlives its copy (WININIT.INI deletes files
// only): such folders, when empty, go now. A folder still holding anything stays.
void RemoveEmptyStagingFolders(const std::string& temp) {
  WIN32_FIND_DATAA found;
  ScopedFindHandle search(FindFirstFileA((temp + kStagingPrefix + "*").c_str(), &found));
  if (!search.valid()) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        IsStagingFolderName(found.cFileName)) {
      RemoveDirectoryA((temp + found.cFileName).c_str());
    }
  } while (FindNextFileA(search.get(), &found));
}

}  // namespace

bool StartedFromRemovableMedia() {
  const std::string self = ModulePath();
  if (!IsDriveRootPath(self)) return false;  // a network path stays where it is
  const std::string root = self.substr(0, 3);
  const UINT type = GetDriveTypeA(root.c_str());
  return type == DRIVE_CDROM || type == DRIVE_REMOVABLE;
}

bool HandOverToStagedCopy() {
  const std::string self = ModulePath();
  const std::string temp = RunFolderParent();
  RunFolderAccess access;
  if (self.empty() || temp.empty() || !access.ready()) return false;
  const std::string name = self.substr(FolderPart(self.c_str()).size());
  RemoveEmptyStagingFolders(temp);
  std::string folder;
  if (name.empty() ||
      !CreateUniqueFolder(temp.c_str(), kStagingPrefix, &folder, nullptr, access.get())) {
    return false;
  }
  std::string copy;
  if (!JoinWithin(folder.c_str(), name.c_str(), MAX_PATH - 1, &copy)) {
    RemoveDirectoryA(folder.c_str());
    return false;
  }
  if (!CopyFileWhole(self.c_str(), copy.c_str())) {
    RemoveCopy(copy, folder);
    return false;
  }
  // The copy cannot delete itself; Windows does at its next start. A copy that could not
  // be given to Windows would stay for good: then the program runs from the disc instead.
  std::string bareFolder = folder.substr(0, folder.size() - 1);
  if (!DeleteFileAtRestart(copy.c_str()) ||
      (IsNtPlatform() && !DeleteFileAtRestart(bareFolder.c_str()))) {
    RemoveCopy(copy, folder);
    return false;
  }

  STARTUPINFOA own = {};
  own.cb = sizeof own;
  GetStartupInfoA(&own);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if ((own.dwFlags & STARTF_USESHOWWINDOW) != 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = own.wShowWindow;
  }
  std::string line = "\"" + copy + "\" " + kStagedCopySwitch;
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  PROCESS_INFORMATION process = {};
  // Its current folder is its own, so that nothing of the disc stays in use.
  if (!CreateProcessA(copy.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    RemoveCopy(copy, folder);
    return false;
  }
  ScopedHandle thread(process.hThread);
  ScopedHandle handle(process.hProcess);
  // Until the copy shows its window, so that it comes up in front as this one would have.
  WaitForInputIdle(handle.get(), 30000);
  return true;
}

std::string StagedCopyFolder() {
  if (StartedFromRemovableMedia()) return std::string();
  return StagedCopyFolderOf(SplitCommandLine(GetCommandLineA()), ModulePath(),
                            RunFolderParent());
}

std::string StagedCopyFolderOf(const std::vector<std::string>& args, const std::string& self,
                               const std::string& temp) {
  if (args.size() != 2 || args[1] != kStagedCopySwitch) return std::string();
  if (self.empty() || temp.empty()) return std::string();
  const std::string folder = FolderPart(self.c_str());
  std::string parent;
  if (!ParentFolder(folder.c_str(), &parent)) return std::string();
  const std::string name = folder.substr(parent.size(), folder.size() - parent.size() - 1);
  if (!IsStagingFolderName(name)) return std::string();
  if (lstrcmpiA(LongPath(parent.c_str()).c_str(), LongPath(temp.c_str()).c_str()) != 0) {
    return std::string();
  }
  return folder;
}

}  // namespace kaze
