// The demo disc's "game": enough of a program for the installer to install and link to.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "月見日和 デモ版です。インストールは正常に完了しています。", "月見日和",
              MB_OK | MB_ICONINFORMATION);
  return 0;
}
