#include "system/OsServices.h"

#include <lm.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "system/AdminDecision.h"
#include "system/Dbcs.h"
#include "system/Handles.h"
#include "system/PathText.h"

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

static_assert(kNerrSuccess == NERR_Success && kNerrUserNotFound == NERR_UserNotFound &&
                  kErrorNoSuchUser == ERROR_NO_SUCH_USER, "lookup answers");
static_assert(kPrivilegeGuest == USER_PRIV_GUEST && kPrivilegeUser == USER_PRIV_USER &&
                  kPrivilegeAdmin == USER_PRIV_ADMIN, "privileges");
static_assert(kGroupEnabled == SE_GROUP_ENABLED && kGroupDenyOnly == SE_GROUP_USE_FOR_DENY_ONLY,
              "group attributes");

// A buffer of the account library, given back with its NetApiBufferFree.
class NetBuffer {
 public:
  explicit NetBuffer(NetApiBufferFreeFn free) : free_(free) {}
  ~NetBuffer() {
    if (buffer_ != nullptr) free_(buffer_);
  }
  NetBuffer(const NetBuffer&) = delete;
  NetBuffer& operator=(const NetBuffer&) = delete;

  LPBYTE* out() { return &buffer_; }
  LPBYTE get() const { return buffer_; }

 private:
  NetApiBufferFreeFn free_;
  LPBYTE buffer_ = nullptr;
};

// A SID made by AllocateAndInitializeSid, freed with FreeSid.
class ScopedSid {
 public:
  ScopedSid() = default;
  ~ScopedSid() {
    if (sid_ != nullptr) FreeSid(sid_);
  }
  ScopedSid(const ScopedSid&) = delete;
  ScopedSid& operator=(const ScopedSid&) = delete;

  PSID* out() { return &sid_; }
  PSID get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// The Administrators group (S-1-5-32-544) in this process's token. Only on NT: 9x has
// these functions as stubs. GetTokenInformation and its TokenGroups are NT 3.1; the
// simpler CheckTokenMembership came only with 2000.
void ReadTokenAdmins(AdminFacts* facts) {
  facts->tokenAdmins = TokenAdmins::kNotRead;
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
  if (size < sizeof(TOKEN_GROUPS)) return;
  // DWORDs keep the pointers of TOKEN_GROUPS aligned.
  std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(),
                           static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &size)) {
    return;
  }
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  ScopedSid admins;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, admins.out())) {
    return;
  }
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  facts->tokenAdmins = TokenAdmins::kAbsent;
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (EqualSid(groups->Groups[i].Sid, admins.get())) {
      facts->tokenAdmins = TokenAdmins::kPresent;
      facts->adminsAttributes = groups->Groups[i].Attributes;
      return;
    }
  }
}

// What the local account lookup says of the user this process runs as.
void LookUpAccount(NetUserGetInfoFn getInfo, NetApiBufferFreeFn freeBuffer, AdminFacts* facts) {
  char name[256] = {};
  DWORD size = sizeof name;
  if (!GetUserName(name, &size)) name[0] = '\0';
  wchar_t wideName[256] = {};
  MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, name, -1, wideName, 256);

  NetBuffer buffer(freeBuffer);
  facts->lookupStatus = getInfo(nullptr, wideName, 11, buffer.out());
  if (facts->lookupStatus != NERR_Success) return;
  if (buffer.get() == nullptr) {
    facts->lookupStatus = NERR_InternalError;  // an answer without its account
    return;
  }
  facts->privilege = reinterpret_cast<const USER_INFO_11*>(buffer.get())->usri11_priv;
}

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
  AdminFacts facts;
  facts.ntPlatform = IsNtPlatform() != FALSE;
  if (facts.ntPlatform) {
    ScopedLibrary netapi("netapi32.dll");
    auto getInfo = netapi.Find<NetUserGetInfoFn>("NetUserGetInfo");
    auto freeBuffer = netapi.Find<NetApiBufferFreeFn>("NetApiBufferFree");
    facts.accountLibrary = netapi.loaded() && getInfo != nullptr && freeBuffer != nullptr;
    if (facts.accountLibrary) {
      LookUpAccount(getInfo, freeBuffer, &facts);
      // A domain account is not in the local database; the token knows its groups.
      if (LookupFoundNoAccount(facts.lookupStatus)) ReadTokenAdmins(&facts);
    }
  }
  AdminDecision decision = DecideAdministrator(facts);
  if (level != nullptr) *level = decision.level;
  return decision.administrator ? TRUE : FALSE;
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

BOOL GetProgramFilesFolder(char* buffer, BOOL (*shellFolder)(int, char*)) {
  if (buffer == nullptr) return FALSE;
  return shellFolder(CSIDL_PROGRAM_FILES, buffer) || ReadProgramFilesDir(buffer);
}

BOOL ReadProgramFilesDir(char* buffer) {
  if (buffer == nullptr) return FALSE;
  buffer[0] = '\0';
  ScopedKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                KEY_QUERY_VALUE)) {
    return FALSE;
  }
  // A byte more than a folder may have: a longer value does not fit and is refused whole.
  char value[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type,
                       reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return FALSE;
  }
  std::string folder;
  if (!FolderFromValue(value, size, &folder)) return FALSE;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return TRUE;
}

int GetDirectXVersion(const char* libraryPath, DWORD* version, DWORD* revision) {
  ScopedLibrary library(libraryPath);
  if (!library.loaded()) return 0;
  auto getVersion = library.Find<DirectXSetupGetVersionFn>("DirectXSetupGetVersion");
  if (getVersion == nullptr) return 0;
  return getVersion(version, revision);
}

}  // namespace kaze
