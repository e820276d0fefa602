// byte-level
#include "engine/DirectXRules.h"

namespace kaze {

bool DirectXSetupWanted(const uint16_t wanted[4], bool isNtMinor1, uint32_t installedVersion,
                        uint32_t installedRevision) {
  uint32_t version = static_cast<uint32_t>(wanted[0]) << 16 | wanted[1];
  uint32_t revision = static_cast<uint32_t>(wanted[2]) << 16 | wanted[3];
  // A rule carried over unchanged: its bounds look like versions, not revisions.
  if (isNtMinor1 && revision >= 0x40008 && revision <= 0x40009) return false;
  if (installedVersion != version) return installedVersion < version;
  return installedRevision < revision;
}

}  // namespace kaze
