// The progress page's arithmetic and texts, natively under the sanitizers.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/ProgressMath.h"

namespace kaze {
namespace {

TEST(ProgressMath, DiscPosition) {
  struct Case {
    int ordinal;
    uint32_t done;
    uint32_t weight;
    int position;
  } cases[] = {
      {0, 0, 4000, 0},
      {0, 1000, 4000, 250},
      {1, 1, 3, 1333},          // truncated toward zero
      {2, 4000, 4000, 3000},    // a disc done fills its share
      {0, 5000, 4000, 1000},    // more done than weighed stays in the disc's share
      {1, 0, 0, 2000},          // no weight: complete, no division by zero
      {0, UINT32_MAX - 1, UINT32_MAX, 999},  // large unsigned figures are not negative
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.ordinal) + " " + std::to_string(c.done) + "/" +
                 std::to_string(c.weight));
    EXPECT_EQ(DiscProgressPosition(c.ordinal, c.done, c.weight), c.position);
  }
}

TEST(ProgressMath, PercentText) {
  struct Case {
    int position, lower, upper;
    const char* text;
  } cases[] = {
      {1500, 0, 4000, "37.50 % "},
      {0, 0, 1000, "0.00 % "},
      {1000, 0, 1000, "100.00 % "},
      {2000, 0, 1000, "200.00 % "},  // the final position may pass the range
      {1, 0, 3, "33.33 % "},
      {0, 0, 0, "100.00 % "},        // empty range: no division by zero
      {5, 5, 5, "100.00 % "},
  };
  for (const Case& c : cases) {
    char text[32];
    FormatProgressPercent(c.position, c.lower, c.upper, text, sizeof text);
    EXPECT_STREQ(text, c.text) << c.position << " in " << c.lower << ".." << c.upper;
  }
  char tiny[4] = "xxx";
  FormatProgressPercent(1500, 0, 4000, tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "37.");
}

TEST(ProgressMath, UnpackLine) {
  char line[300];
  FormatUnpackLine("C:\\Game\\表\\a.bin", 512, 2048, line, sizeof line);
  EXPECT_STREQ(line, "解凍中 : C:\\Game\\表\\a.bin ( 25.00 % )");
  FormatUnpackLine("C:\\Game\\empty.txt", 0, 0, line, sizeof line);
  EXPECT_STREQ(line, "解凍中 : C:\\Game\\empty.txt ( 100.00 % )");
  EXPECT_DOUBLE_EQ(FilePercent(UINT32_MAX, UINT32_MAX), 100.0);
}

}  // namespace
}  // namespace kaze

namespace kaze {
namespace {

TEST(ProgressMath, RepaintPacer) {
  RepaintPacer pacer(40);
  struct Step {
    uint32_t now;
    bool force;
    bool due;
  } steps[] = {
      {1000, false, true},         // the first is always shown
      {1010, false, false},        {1039, false, false},
      {1040, false, true},         // the interval has passed
      {1041, true, true},          // forced: shown at once
      {1042, false, false},
      {0xFFFFFFF0u, false, true},  // long after
      {0xFFFFFFFFu, false, false},
      {0x00000018u, false, true},  // 40 ms later, across the wrap of the tick count
  };
  for (const Step& s : steps) {
    if (s.force) pacer.Force();
    EXPECT_EQ(pacer.Due(s.now), s.due) << s.now;
  }
}

TEST(ProgressMath, QueueLookPacer) {
  QueueLookPacer pacer(4, 25);
  struct Step {
    uint32_t now;
    bool force;
    bool due;
  } steps[] = {
      {1000, false, true},  // the first always looks
      {1001, false, false},       {1002, false, false},       {1003, false, false},
      {1004, false, true},  // the fourth notice since
      {1005, true, true},   // forced
      {1006, false, false},
      {1031, false, true},  // a slow notice: the interval has passed
      {1032, false, false},       {1033, false, false},       {1034, false, false},
      {1035, false, true},
      {0xFFFFFFF0u, false, true},  // long after, across the wrap of the tick count
      {0x00000009u, false, true},  // 25 ms later
  };
  for (const Step& s : steps) {
    if (s.force) pacer.Force();
    EXPECT_EQ(pacer.Due(s.now), s.due) << s.now;
  }
}

}  // namespace
}  // namespace kaze
