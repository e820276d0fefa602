#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "ui/ProgressGeometry.h"

namespace kaze {
namespace {

struct WidthCase {
  int position, minimum, maximum, width;
  int expected;
};

TEST(FilledWidth, ProportionTruncatedAndKeptWithinTheBar) {
  const WidthCase cases[] = {
      {1500, 0, 3000, 300, 150},
      {3000, 0, 3000, 300, 300},
      {0, 0, 3000, 300, 0},
      {9, 0, 3000, 300, 0},     // 0.9 pixel: nothing yet
      {10, 0, 3000, 300, 1},
      {2, 0, 3, 100, 66},       // truncated, not rounded
      {1500, 1000, 2000, 300, 150},
      {0, -100, 100, 300, 150},
      {32767, -32768, 32767, 300, 300},
      // Beyond the range: full, never wider than the bar.
      {200, 0, 100, 300, 300},
      {INT_MAX, 0, 1, 300, 300},
      // Below the range: empty.
      {-50, 0, 100, 300, 0},
      {INT_MIN, 0, 1, 300, 0},
      {-1, 0, 3000, 300, 0},
      // Empty or reversed range: nothing, and no division by zero.
      {0, 0, 0, 300, 0},
      {5, 0, 0, 300, 0},
      {10, 10, 10, 300, 0},
      {100, 0, -25536, 300, 0},  // 40000 as a 16-bit maximum
      // A control without width.
      {50, 0, 100, 0, 0},
      {50, 0, 100, -4, 0},
  };
  for (const WidthCase& c : cases) {
    EXPECT_EQ(FilledWidth(c.position, c.minimum, c.maximum, c.width), c.expected)
        << c.position << " in " << c.minimum << ".." << c.maximum << " over " << c.width;
  }
}

TEST(FilledWidth, EveryStepOfALongRangeStaysMonotonic) {
  int previous = 0;
  for (int p = 0; p <= 30000; ++p) {
    int w = FilledWidth(p, 0, 30000, 437);
    ASSERT_GE(w, previous) << p;
    ASSERT_LE(w - previous, 1) << p;
    previous = w;
  }
  EXPECT_EQ(previous, 437);
}

struct TextCase {
  std::string text;
  std::string expected;
};

TEST(CopyBarText, KeepsAtMost259BytesOfWholeCharacters) {
  const std::string a257(257, 'a'), a258(258, 'a'), a259(259, 'a');
  const TextCase cases[] = {
      {"", ""},
      {"37.50 % ", "37.50 % "},
      {"解凍中 表示", "解凍中 表示"},
      {a259, a259},
      {a259 + "b", a259},
      {std::string(400, 'x'), std::string(259, 'x')},
      {a257 + "表", a257 + "表"},  // ends exactly at 259 bytes
      {a258 + "表", a258},         // the character would be split: left out whole
      {a259 + "表", a259},
  };
  for (const TextCase& c : cases) {
    char buffer[kBarTextSize];
    std::memset(buffer, '#', sizeof buffer);
    CopyBarText(buffer, c.text.c_str());
    EXPECT_EQ(std::string(buffer), c.expected) << c.text.size() << " bytes";
  }
}

TEST(CopyBarText, NullIsEmptyAndAnUnterminatedSourceIsNotOverread) {
  char buffer[kBarTextSize] = "old";
  CopyBarText(buffer, nullptr);
  EXPECT_STREQ(buffer, "");

  // Exactly as many bytes as the buffer holds and no terminator: the sanitizer would
  // report a read beyond them.
  std::unique_ptr<char[]> source(new char[kBarTextSize]);
  std::memset(source.get(), 'z', kBarTextSize);
  CopyBarText(buffer, source.get());
  EXPECT_EQ(std::string(buffer), std::string(kBarTextSize - 1, 'z'));
}

}  // namespace
}  // namespace kaze
