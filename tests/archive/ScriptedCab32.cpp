// A stand-in cab32.dll with the fourteen exports, for the adapter's tests: its answers
// come from environment variables read at each call, and it keeps a log of the calls.
//   SCRIPTED_QUERY_ZERO  function number that CabQueryFunctionList denies
//   SCRIPTED_COUNT       CabGetFileCount's answer (default 1)
//   SCRIPTED_RESULT      Cab's result (default 0)
//   SCRIPTED_NAME        Cab reports one file of this name (begin, bytes, end) first
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define SCRIPTED_EXPORT extern "C" __declspec(dllexport)

namespace {

using OwnerProc = BOOL(CALLBACK*)(HWND, UINT, UINT, LPVOID);
std::string g_log;
HWND g_window = nullptr;
OwnerProc g_proc = nullptr;

int Setting(const char* name, int fallback) {
  char value[64];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return (n == 0 || n >= sizeof value) ? fallback : static_cast<int>(std::strtol(value, nullptr, 0));
}

void Log(const char* format, ...) {
  char line[1200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  g_log += line;
  g_log += '\n';
}

}  // namespace

SCRIPTED_EXPORT const char* ScriptedLog() { return g_log.c_str(); }
SCRIPTED_EXPORT void ScriptedReset() { g_log.clear(); }

SCRIPTED_EXPORT WORD WINAPI CabGetVersion() { return 1; }
SCRIPTED_EXPORT BOOL WINAPI CabGetRunning() { return FALSE; }
SCRIPTED_EXPORT BOOL WINAPI CabQueryFunctionList(const int function) {
  Log("Query %d", function);
  return function != Setting("SCRIPTED_QUERY_ZERO", -100);
}
SCRIPTED_EXPORT BOOL WINAPI CabCheckArchive(LPCSTR path, const int mode) {
  Log("CheckArchive %s %d", path, mode);
  return TRUE;
}
SCRIPTED_EXPORT int WINAPI CabGetFileCount(LPCSTR path) {
  Log("GetFileCount %s", path);
  return Setting("SCRIPTED_COUNT", 1);
}
SCRIPTED_EXPORT HANDLE WINAPI CabOpenArchive(const HWND, LPCSTR path, const DWORD mode) {
  Log("OpenArchive %s %lu", path, mode);
  return reinterpret_cast<HANDLE>(1);
}
SCRIPTED_EXPORT int WINAPI CabCloseArchive(HANDLE) {
  Log("CloseArchive");
  return 0;
}
SCRIPTED_EXPORT int WINAPI CabFindFirst(HANDLE, LPCSTR, void*) { return -1; }
SCRIPTED_EXPORT int WINAPI CabFindNext(HANDLE, void*) { return -1; }
SCRIPTED_EXPORT int WINAPI CabGetFileName(HANDLE, LPSTR, const int) { return -1; }
SCRIPTED_EXPORT int WINAPI CabGetOriginalSize(HANDLE) { return -1; }
SCRIPTED_EXPORT BOOL WINAPI CabSetOwnerWindowEx(HWND window, OwnerProc proc) {
  Log("SetOwnerWindowEx");
  g_window = window;
  g_proc = proc;
  return TRUE;
}
SCRIPTED_EXPORT BOOL WINAPI CabKillOwnerWindowEx(HWND) {
  Log("KillOwnerWindowEx");
  g_proc = nullptr;
  return TRUE;
}

SCRIPTED_EXPORT int WINAPI Cab(const HWND, LPCSTR command, LPSTR, const DWORD) {
  Log("Cab %s", command);
  char name[600];
  DWORD n = GetEnvironmentVariableA("SCRIPTED_NAME", name, sizeof name);
  if (n > 0 && n < sizeof name && g_proc != nullptr) {
    struct { DWORD size, written; char name[513]; char pad[3]; } info = {4, 0, {}, {}};
    lstrcpynA(info.name, name, sizeof info.name);
    for (UINT state = 0; state < 3; ++state) {
      info.written = state == 0 ? 0 : 4;
      if (!g_proc(g_window, 0, state, &info)) {
        Log("stopped at %u", state);
        return 0x8020;
      }
    }
  }
  return Setting("SCRIPTED_RESULT", 0);
}
