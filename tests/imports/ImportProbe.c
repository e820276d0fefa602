/* Small programs that each break one rule of the import check, to prove that the check
   refuses them; the plain one breaks none. */
#include <windows.h>
#include <commctrl.h>

#ifdef PROBE_TICK64
/* Vista and later; declared here, the build targets older systems. */
WINBASEAPI ULONGLONG WINAPI GetTickCount64(void);
#endif

#ifdef PROBE_TLS_DLL
/* A DLL keeping the run time's TLS support, as every MinGW DLL does unless it keeps it out. */
__declspec(dllexport) int ProbeCount(void) { return 1; }
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance; (void)reason; (void)reserved;
  return TRUE;
}
#else
int main(void) {
  DWORD ticks = GetTickCount();
#ifdef PROBE_TICK64
  ticks += (DWORD)GetTickCount64();
#endif
#ifdef PROBE_ORDINAL
  InitCommonControls();
#endif
  return (int)(ticks & 1);
}
#endif
