#include "system/StopPoint.h"

#ifdef KAZE_STOP_POINTS
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace kaze {

void StopPoint(const char* name) {
  static unsigned passes = 0;
  char wanted[128] = {};
  DWORD length = GetEnvironmentVariableA("KAZE_STOP_AT", wanted, sizeof wanted);
  if (length == 0 || length >= sizeof wanted) return;
  unsigned count = 1;
  if (char* colon = std::strchr(wanted, ':')) {
    *colon = '\0';
    count = static_cast<unsigned>(std::strtoul(colon + 1, nullptr, 10));
  }
  if (std::strcmp(wanted, name) != 0) return;
  if (++passes < count) return;
  TerminateProcess(GetCurrentProcess(), kStopPointExitCode);
}

}  // namespace kaze
#endif
