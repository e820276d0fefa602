#pragma once
// When the disc's DirectX runtime is to be installed. No Windows headers.
#include <cstdint>

namespace kaze {

// True when the installed runtime (as DirectXSetupGetVersion reports it) is older than
// wanted, four 16-bit numbers: version w0 << 16 | w1, revision w2 << 16 | w3. On a system
// with isNtMinor1 set, a wanted revision within 0x40008..0x40009 never installs.
bool DirectXSetupWanted(const uint16_t wanted[4], bool isNtMinor1, uint32_t installedVersion,
                        uint32_t installedRevision);

}  // namespace kaze
