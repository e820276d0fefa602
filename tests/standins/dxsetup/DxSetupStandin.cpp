// Stand-in DirectX setup library for the tests. DirectXSetupGetVersion answers the figures
// in KAZE_DXSETUP ("version revision result", numbers in C notation); without it,
// version 0x00040009, revision 0x00000384, result 1.
#include <windows.h>

#include <cstdio>

extern "C" INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision) {
  long v = 0x00040009, r = 0x00000384;
  int result = 1;
  char text[128] = {};
  if (GetEnvironmentVariableA("KAZE_DXSETUP", text, sizeof text) != 0) {
    std::sscanf(text, "%li %li %i", &v, &r, &result);
  }
  if (version != nullptr) *version = static_cast<DWORD>(v);
  if (revision != nullptr) *revision = static_cast<DWORD>(r);
  return result;
}
