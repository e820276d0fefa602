#include "pages/StartupGroup.h"

#include <shlobj.h>

#include <cstring>
#include <string>

#include "system/InstallFolderRules.h"
#include "system/OsServices.h"
#include "system/PathText.h"

namespace kaze {

namespace {

// The folder's path with its last component in its long form when it exists (the shell
// names the Startup folders that way); as it is otherwise.
std::string LongSpelling(const std::string& folder, const char* name) {
  std::string path = folder + name;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return path;
  FindClose(search);
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return path;
  return folder + found.cFileName;
}

}  // namespace

const char* StartupGroupKey(const char* corpName, const char* appName) {
  struct Level {
    const char* key;
    const char* name;
  } levels[] = {{"CORPNAME", corpName}, {"APPNAME", appName}};
  for (const Level& level : levels) {
    if (level.name[0] != '\0' && !IsSingleName(level.name, std::strlen(level.name)))
      return nullptr;
  }
  char programs[MAX_PATH] = {};
  if (!GetProgramsFolder(programs)) return nullptr;  // no group is made then
  // Windows 9x has no common Startup folder: the shell refuses it there.
  std::string startups[2];
  const int ids[2] = {CSIDL_STARTUP, CSIDL_COMMON_STARTUP};
  for (int i = 0; i < 2; ++i) {
    char folder[MAX_PATH] = {};
    if (GetShellFolder(ids[i], folder)) startups[i] = folder;
  }
  std::string group = programs;
  for (const Level& level : levels) {
    if (level.name[0] == '\0') continue;
    group = LongSpelling(group, level.name) + "\\";
    for (const std::string& startup : startups) {
      if (!startup.empty() && IsFolderOrBelow(group.c_str(), startup.c_str()))
        return level.key;
    }
  }
  return nullptr;
}

}  // namespace kaze
