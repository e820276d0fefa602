#include <windows.h>

#include "app/InstallerApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // An empty or spinning-up drive answers a probe with an error, not with the system's
  // "drive not ready" box that would stop the scan of the drives.
  SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS);
  kaze::InstallerApp app(instance);
  app.InitInstance();
  return 0;
}
