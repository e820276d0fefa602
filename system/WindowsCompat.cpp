#include "system/WindowsCompat.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/OsServices.h"
#include "system/ProfileSection.h"

namespace kaze {

namespace {

template <typename Function>
Function FindSystemFunction(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

bool HasWildcard(const char* path) {
  return FindChar(path, '*') != nullptr || FindChar(path, '?') != nullptr;
}

// The lines of a section of a Windows 9x profile file, read whole. False when the system
// would read the file or the section cut short, or cut them once growth more bytes are
// written into the section: a section written back from a cut read loses the lines of
// other programs.
bool ReadSection(const char* section, const char* file, size_t growth,
                 std::vector<std::string>* lines) {
  if (PathExists(file)) {
    std::string bytes;
    if (!ReadWholeFile(file, kProfileFileLimit9x, &bytes) ||
        FindProfileCut9x(bytes.data(), bytes.size(), {section}, growth).any()) {
      return false;
    }
  }
  std::vector<char> buffer(kProfileSectionLimit9x + 2);
  DWORD got = GetPrivateProfileSectionA(section, buffer.data(),
                                        static_cast<DWORD>(buffer.size()), file);
  *lines = SplitProfileSection(buffer.data(), got);
  return true;
}

}  // namespace

bool GetFileAttributeData(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  using GetAttributesEx = BOOL(WINAPI*)(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
  static const GetAttributesEx getAttributesEx =
      FindSystemFunction<GetAttributesEx>("kernel32.dll", "GetFileAttributesExA");
  if (getAttributesEx != nullptr) return getAttributesEx(path, GetFileExInfoStandard, data) != 0;
  return FindFileAttributeData(path, data);
}

bool FindFileAttributeData(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  if (path == nullptr || path[0] == '\0' || HasWildcard(path)) return false;
  // FindFirstFileA takes no trailing backslash, and finds nothing for a drive's root.
  std::string name(path);
  if (EndsWithBackslash(name.c_str())) name.pop_back();
  bool root = name.size() == 2 && name[1] == ':';
  if (root || name.empty()) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    ZeroMemory(data, sizeof *data);
    data->dwFileAttributes = attributes;
    return true;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(name.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  data->dwFileAttributes = found.dwFileAttributes;
  data->ftCreationTime = found.ftCreationTime;
  data->ftLastAccessTime = found.ftLastAccessTime;
  data->ftLastWriteTime = found.ftLastWriteTime;
  data->nFileSizeHigh = found.nFileSizeHigh;
  data->nFileSizeLow = found.nFileSizeLow;
  return true;
}

void InitCommonControlsFor(DWORD classes) {
  using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // The program links InitCommonControls, so the library is loaded already.
  InitEx initEx = FindSystemFunction<InitEx>("comctl32.dll", "InitCommonControlsEx");
  if (initEx != nullptr) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, classes};
    if (initEx(&controls)) return;
  }
  InitCommonControls();
}

bool DeleteFileAtRestart(const char* path) {
  if (IsNtPlatform()) {
    using MoveEx = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    MoveEx moveEx = FindSystemFunction<MoveEx>("kernel32.dll", "MoveFileExA");
    return moveEx != nullptr && moveEx(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  }
  // WININIT.INI is carried out before long file names are available: short names only.
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (length == 0 || length >= sizeof shortPath) return false;
  char windows[MAX_PATH];
  UINT folder = GetWindowsDirectoryA(windows, sizeof windows);
  if (folder == 0 || folder >= sizeof windows) return false;
  std::string file(windows);
  if (!EndsWithBackslash(file.c_str())) file += '\\';
  file += "WININIT.INI";

  const std::string line = std::string("NUL=") + shortPath;
  // The line, its line end, and a header should the section be new.
  const size_t growth = line.size() + std::strlen("\r\n[rename]\r\n");
  std::vector<std::string> lines;
  if (!ReadSection("rename", file.c_str(), growth, &lines)) return false;
  if (!AddProfileLine(&lines, line)) return true;
  return WritePrivateProfileSectionA("rename", JoinProfileSection(lines).c_str(),
                                     file.c_str()) != 0;
}

}  // namespace kaze
