#include <windows.h>

#include "app/InstallerApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kaze::InstallerApp app(instance);
  app.InitInstance();
  return 0;
}
