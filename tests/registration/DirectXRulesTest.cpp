// When the DirectX setup runs: the version and revision comparison.
#include <gtest/gtest.h>

#include "engine/DirectXRules.h"

namespace kaze {
namespace {

TEST(DirectXSetupWanted, ComparesVersionThenRevision) {
  const struct {
    uint16_t wanted[4];
    bool ntMinor1;
    uint32_t version;
    uint32_t revision;
    bool install;
  } cases[] = {
      {{4, 9, 0, 904}, false, 0x40009, 902, true},
      {{4, 9, 0, 904}, false, 0x40009, 904, false},
      {{4, 9, 0, 904}, false, 0x40009, 905, false},
      {{4, 8, 0xFFFF, 0xFFFF}, false, 0x40009, 904, false},  // older version, any revision
      {{4, 9, 0, 0}, false, 0x40008, 0xFFFFFFFF, true},      // newer version, any revision
      {{4, 9, 0xFFFF, 0xFFFF}, false, 0x40009, 0xFFFFFFFE, true},  // unsigned revisions
      {{0, 0, 0, 0}, false, 0, 0, false},                    // four zeros never install
      {{4, 9, 0, 904}, false, 0, 0, true},                   // no library: nothing installed
      // The NT minor-1 rule: revisions 0x40008..0x40009 never install on such systems.
      {{4, 9, 4, 8}, true, 0x40009, 0, false},
      {{4, 9, 4, 9}, true, 0x40009, 0, false},
      {{4, 9, 4, 7}, true, 0x40009, 0, true},
      {{4, 9, 4, 10}, true, 0x40009, 0, true},
      {{4, 9, 4, 8}, false, 0x40009, 0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DirectXSetupWanted(c.wanted, c.ntMinor1, c.version, c.revision), c.install)
        << c.wanted[0] << "." << c.wanted[1] << "." << c.wanted[2] << "." << c.wanted[3]
        << " nt1=" << c.ntMinor1 << " installed " << std::hex << c.version << "/"
        << c.revision;
  }
}

}  // namespace
}  // namespace kaze
