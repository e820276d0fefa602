// The common-control library's version from its own report, native under the sanitizers.
#include <gtest/gtest.h>

#include "system/ControlsVersion.h"

namespace kaze {
namespace {

struct ReportCase {
  const char* name;
  bool reported;
  unsigned long major, minor;
  int version;
};

TEST(ControlsVersion, FromTheLibrarysReport) {
  const ReportCase cases[] = {
      {"no DllGetVersion (4.00, 4.70)", false, 0, 0, 400},
      {"a report that failed", false, 5, 81, 400},
      {"Internet Explorer 4", true, 4, 71, 471},
      {"Windows 98", true, 4, 72, 472},
      {"Windows 2000 and Me", true, 5, 81, 581},
      {"version 6 of XP", true, 6, 0, 600},
      {"version 6.10 of Vista", true, 6, 10, 610},
      {"older than any real one", true, 3, 50, 400},
      {"a minor number past two digits", true, 5, 1000, 599},
  };
  for (const ReportCase& c : cases) {
    EXPECT_EQ(ControlsVersionFromReport(c.reported, c.major, c.minor), c.version) << c.name;
  }
}

}  // namespace
}  // namespace kaze
