// byte-level
#include "system/ControlsVersion.h"

namespace kaze {

int ControlsVersionFromReport(bool reported, unsigned long major, unsigned long minor) {
  if (!reported || major < 4) return kControls400;
  if (major > 99) major = 99;  // a nonsense answer still counts as newer than anything known
  if (minor > 99) minor = 99;
  return static_cast<int>(major * 100 + minor);
}

}  // namespace kaze
