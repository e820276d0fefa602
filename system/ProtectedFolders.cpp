// The machine's protected folders, as Windows names them. What each Windows knows:
// GetWindowsDirectory, GetSystemDirectory and GetTempPath everywhere; the shell's user
// folders (Programs, Start menu, Startup, desktop, My Documents) from shell32 4.0 (95,
// NT 4.0); the all-users ones from NT 4.0; Application Data from shell32 4.71 (98, or
// Internet Explorer 4 on 95 and NT 4.0); the profile, local and common application data
// and common documents from shell32 5.0 (Me, 2000); the 64-bit Program Files from the
// environment of 64-bit Windows 7 and later. Where an old shell does not know a
// folder it lies inside the Windows folder (95 and 98 keep profiles and Application Data
// there, NT 4.0 keeps them in %SystemRoot%\Profiles), which is refused as a whole. The
// all-users profile of 2000 and later has no number of its own: it is the parent of the
// common desktop and Start menu, so it is refused with them.
#include "system/InstallFolderRules.h"

#include <windows.h>
#include <shlobj.h>

#include "system/FileUtils.h"
#include "system/OsServices.h"

namespace kaze {

ProtectedFolders SystemProtectedFolders() {
  ProtectedFolders result;
  char path[MAX_PATH + 1] = {};
  // Compared in their canonical spelling, as the folders they guard are.
  auto add = [&](bool known) {
    std::string folder;
    if (known && CanonicalPath(path, true, &folder) == Spelling::kOk) {
      result.folders.push_back(folder);
    }
  };
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  add(length > 0 && length < MAX_PATH);
  if (!result.folders.empty()) result.windowsFolder = result.folders.back();
  length = GetSystemDirectoryA(path, MAX_PATH);
  add(length > 0 && length < MAX_PATH);
  length = GetTempPathA(MAX_PATH, path);
  add(length > 0 && length < MAX_PATH);
  for (int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU,
                     CSIDL_COMMON_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_STARTUP,
                     CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                     CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                     CSIDL_COMMON_APPDATA, CSIDL_PROFILE}) {
    add(GetShellFolder(folder, path) != FALSE);
  }
  // The shells before 5.0 do not know CSIDL_PROGRAM_FILES; the registry does.
  add(GetProgramFilesFolder(path) != FALSE);
  // On 64-bit Windows both name "Program Files (x86)" to this 32-bit program; the folder of
  // the 64-bit programs is in ProgramW6432 (7 and later; absent elsewhere).
  DWORD size = GetEnvironmentVariableA("ProgramW6432", path, MAX_PATH);
  add(size > 0 && size < MAX_PATH);
  return result;
}

FolderProtection InstallFolderProtection(const char* folder) {
  return ProtectionOf(folder, SystemProtectedFolders());
}

}  // namespace kaze
