#include "system/OsServices.h"

#include <lm.h>
#include <shlobj.h>

#include "system/Dbcs.h"
#include "system/Handles.h"

namespace kaze {

namespace {

// An item id list from the shell, freed with the task allocator.
class ItemIdList {
 public:
  ItemIdList() = default;
  ~ItemIdList() {
    if (list_ != nullptr) CoTaskMemFree(list_);
  }
  ItemIdList(const ItemIdList&) = delete;
  ItemIdList& operator=(const ItemIdList&) = delete;

  LPITEMIDLIST* out() { return &list_; }
  LPCITEMIDLIST get() const { return list_; }

 private:
  LPITEMIDLIST list_ = nullptr;
};

using NetUserGetInfoFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
using NetApiBufferFreeFn = NET_API_STATUS(WINAPI*)(LPVOID);
using DirectXSetupGetVersionFn = INT(WINAPI*)(DWORD*, DWORD*);

}  // namespace

BOOL GetShellFolder(int folderId, char* buffer) {
  if (buffer == nullptr) return FALSE;
  buffer[0] = '\0';
  ItemIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, list.out())) || list.get() == nullptr) {
    return FALSE;
  }
  if (!SHGetPathFromIDListA(list.get(), buffer) || buffer[0] == '\0') {
    buffer[0] = '\0';
    return FALSE;
  }
  if (!AppendBackslash(buffer, MAX_PATH)) {
    buffer[0] = '\0';
    return FALSE;
  }
  return TRUE;
}

BOOL IsNtPlatform(BOOL* minorIsOne) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return FALSE;
  if (minorIsOne != nullptr) *minorIsOne = info.dwMinorVersion == 1 ? 1 : 0;
  return TRUE;
}

BOOL IsAdministrator(int* level) {
  BOOL result = TRUE;
  int privilege = kLevelAdministrator;
  if (IsNtPlatform()) {
    ScopedLibrary netapi("netapi32.dll");
    auto getInfo = netapi.Find<NetUserGetInfoFn>("NetUserGetInfo");
    auto freeBuffer = netapi.Find<NetApiBufferFreeFn>("NetApiBufferFree");
    if (netapi.loaded() && getInfo != nullptr && freeBuffer != nullptr) {
      result = FALSE;
      char name[256] = {};
      DWORD size = sizeof name;
      if (!GetUserName(name, &size)) name[0] = '\0';
      wchar_t wideName[256] = {};
      MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, name, -1, wideName, 256);

      LPBYTE buffer = nullptr;
      if (getInfo(nullptr, wideName, 11, &buffer) == NERR_Success && buffer != nullptr) {
        switch (reinterpret_cast<const USER_INFO_11*>(buffer)->usri11_priv) {
          case USER_PRIV_ADMIN:
            result = TRUE;
            privilege = kLevelAdministrator;
            break;
          case USER_PRIV_USER:
            privilege = kLevelUser;
            break;
          default:
            privilege = kLevelGuest;
            break;
        }
      }
      if (buffer != nullptr) freeBuffer(buffer);
    }
  }
  if (level != nullptr) *level = privilege;
  return result;
}

BOOL GetUserName(char* buffer, DWORD* size) { return ::GetUserNameA(buffer, size); }

UINT GetWindowsFolder(char* buffer) { return GetWindowsDirectoryA(buffer, MAX_PATH); }

BOOL GetProgramsFolder(char* buffer) {
  return GetShellFolder(IsNtPlatform() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, buffer);
}

BOOL GetDesktopFolder(char* buffer) {
  return GetShellFolder(IsNtPlatform() ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY,
                          buffer);
}

int GetDirectXVersion(const char* libraryPath, DWORD* version, DWORD* revision) {
  ScopedLibrary library(libraryPath);
  if (!library.loaded()) return 0;
  auto getVersion = library.Find<DirectXSetupGetVersionFn>("DirectXSetupGetVersion");
  if (getVersion == nullptr) return 0;
  return getVersion(version, revision);
}

}  // namespace kaze
