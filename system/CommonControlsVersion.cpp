#include <windows.h>

#include "system/ControlsVersion.h"

namespace kaze {

int CommonControlsVersion() {
  // DLLVERSIONINFO of shlwapi.h.
  struct VersionInfo {
    DWORD size;
    DWORD major;
    DWORD minor;
    DWORD build;
    DWORD platform;
  };
  using GetVersion = HRESULT(CALLBACK*)(VersionInfo*);
  // The program imports InitCommonControls, so the library is loaded already. Only 4.71
  // and later export DllGetVersion.
  HMODULE library = GetModuleHandleA("comctl32.dll");
  GetVersion getVersion =
      library == nullptr ? nullptr
                         : reinterpret_cast<GetVersion>(reinterpret_cast<void*>(
                               GetProcAddress(library, "DllGetVersion")));
  if (getVersion == nullptr) return ControlsVersionFromReport(false, 0, 0);
  VersionInfo info = {sizeof info, 0, 0, 0, 0};
  bool reported = SUCCEEDED(getVersion(&info));
  return ControlsVersionFromReport(reported, info.major, info.minor);
}

}  // namespace kaze
