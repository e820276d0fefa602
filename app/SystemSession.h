#pragma once
// The small object behind the single-instance guard, the shutdown privilege and restart,
// and the shell-link operations. Each use creates its own.
#include <windows.h>
#include <shlobj.h>

namespace kaze {

class SystemSession {
 public:
  SystemSession() = default;
  ~SystemSession();
  SystemSession(const SystemSession&) = delete;
  SystemSession& operator=(const SystemSession&) = delete;

  // Single instance: a named mutex plus a window property on the frame's window.
  BOOL AcquireSingleInstance(HWND window, const char* propertyName, const char* mutexName);
  BOOL ReleaseSingleInstance(HWND window);

  // Shutdown privilege and restart.
  BOOL EnableShutdownPrivilege(HWND owner);
  BOOL RestartWindows();

  // Shell links.
  BOOL StartShellLink(HWND owner);
  BOOL CreateShortcut(unsigned char mode, const char* linkPath, const char* target,
                      const char* arguments, const char* workingFolder);
  BOOL StopShellLink();
  void ResolveLinkLocation(unsigned char mode, const char* linkPath, char* out);

  HANDLE mutex = nullptr;
  BOOL held = 0;
  char propertyName[256] = {};
  BOOL shutdownEnabled = 0;
  BOOL isNtPlatform = 1;
  BOOL shellStarted = 0;
  IShellLinkA* shellLink = nullptr;
  IPersistFile* persistFile = nullptr;

  // The call that restarts Windows; tests put a recorder here so that they never
  // restart the machine they run on.
  BOOL(WINAPI* exitWindows)(UINT flags, DWORD reason) = ::ExitWindowsEx;
};

// Callbacks for EnumWindows: bring forward the first window carrying the property (the
// start-up one looks for "KazeInstaller_HWND"; the frame's takes the SystemSession whose
// propertyName it looks for as its argument).
BOOL CALLBACK BringForwardStartupCallback(HWND window, LPARAM unused);
BOOL CALLBACK BringForwardFrameCallback(HWND window, LPARAM session);

extern const char kStartupMutexName[];   // "KazeInstaller"
extern const char kFrameMutexName[];     // "KazeInstaller_HWND"

}  // namespace kaze
