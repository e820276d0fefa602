// Stand-in account library for the tests: NetUserGetInfo at level 11 for the local user.
// The test chooses the answer with KAZE_NETAPI_PRIVILEGE before each call:
//   admin, user, guest, a number (taken as the privilege), nouser (no such account, as
//   for a domain account: NERR_UserNotFound) or fail (the lookup fails: NERR_InternalError).
// Observations for the test, also in the environment (they outlive the library):
//   KAZE_NETAPI_LOADED  "1" once the library was loaded
//   KAZE_NETAPI_CALLS   number of NetUserGetInfo calls
//   KAZE_NETAPI_LIVE    buffers handed out and not yet freed
#include <windows.h>
#include <lm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

long ReadCounter(const char* name) {
  char text[32] = {};
  if (GetEnvironmentVariableA(name, text, sizeof text) == 0) return 0;
  return std::strtol(text, nullptr, 10);
}

void AddToCounter(const char* name, long delta) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", ReadCounter(name) + delta);
  SetEnvironmentVariableA(name, text);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableA("KAZE_NETAPI_LOADED", "1");
  return TRUE;
}

extern "C" NET_API_STATUS WINAPI NetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level,
                                                LPBYTE* buffer) {
  AddToCounter("KAZE_NETAPI_CALLS", 1);
  *buffer = nullptr;
  // Only the question the installer asks is answered: the local computer, level 11, the
  // user this process runs as.
  wchar_t self[256] = {};
  DWORD size = 256;
  GetUserNameW(self, &size);
  if (server != nullptr || level != 11) return ERROR_INVALID_LEVEL;
  if (user == nullptr || std::wcscmp(user, self) != 0) return NERR_UserNotFound;

  char choice[32] = {};
  GetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", choice, sizeof choice);
  DWORD privilege;
  if (std::strcmp(choice, "admin") == 0) {
    privilege = USER_PRIV_ADMIN;
  } else if (std::strcmp(choice, "user") == 0) {
    privilege = USER_PRIV_USER;
  } else if (std::strcmp(choice, "guest") == 0) {
    privilege = USER_PRIV_GUEST;
  } else if (choice[0] >= '0' && choice[0] <= '9') {
    privilege = static_cast<DWORD>(std::strtoul(choice, nullptr, 10));
  } else if (std::strcmp(choice, "nouser") == 0) {
    return NERR_UserNotFound;
  } else {
    return NERR_InternalError;  // "fail", or nothing chosen
  }

  auto* info = static_cast<USER_INFO_11*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(USER_INFO_11)));
  if (info == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  info->usri11_priv = privilege;
  *buffer = reinterpret_cast<LPBYTE>(info);
  AddToCounter("KAZE_NETAPI_LIVE", 1);
  return NERR_Success;
}

extern "C" NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
  if (buffer == nullptr) return NERR_Success;
  HeapFree(GetProcessHeap(), 0, buffer);
  AddToCounter("KAZE_NETAPI_LIVE", -1);
  return NERR_Success;
}
