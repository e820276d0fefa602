#include "app/SystemSession.h"

#include <cstring>

namespace kaze {

const char kStartupMutexName[] = "KazeInstaller";
const char kFrameMutexName[] = "KazeInstaller_HWND";

SystemSession::~SystemSession() {
  StopShellLink();
  // A handle kept after a refused acquisition goes with the object.
  if (mutex != nullptr) CloseHandle(mutex);
}

namespace {

// Restores the window if minimised and brings its active popup (a message box or the
// disc request dialog of the other copy) to the front.
void BringForward(HWND window) {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(GetLastActivePopup(window));
}

}  // namespace

BOOL CALLBACK BringForwardStartupCallback(HWND window, LPARAM) {
  if (GetPropA(window, kFrameMutexName) == nullptr) return TRUE;
  BringForward(window);
  return FALSE;
}

BOOL CALLBACK BringForwardFrameCallback(HWND window, LPARAM session) {
  const auto* self = reinterpret_cast<const SystemSession*>(session);
  if (GetPropA(window, self->propertyName) == nullptr) return TRUE;
  BringForward(window);
  return FALSE;
}

BOOL SystemSession::AcquireSingleInstance(HWND window, const char* property,
                                          const char* mutexName) {
  if (property == nullptr || property[0] == '\0') return FALSE;
  if (held) return TRUE;
  std::strncpy(propertyName, property, sizeof propertyName - 1);
  propertyName[sizeof propertyName - 1] = '\0';
  mutex = CreateMutexA(nullptr, TRUE, mutexName);
  if (mutex == nullptr) return FALSE;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    EnumWindows(BringForwardFrameCallback, reinterpret_cast<LPARAM>(this));
    return FALSE;
  }
  SetPropA(window, property, reinterpret_cast<HANDLE>(1));
  held = 1;
  return TRUE;
}

BOOL SystemSession::ReleaseSingleInstance(HWND window) {
  if (!held) return 0;
  RemovePropA(window, propertyName);
  BOOL closed = CloseHandle(mutex);
  mutex = nullptr;
  return closed;
}

}  // namespace kaze
