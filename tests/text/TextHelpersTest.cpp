#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "system/Dbcs.h"
#include "system/TextHelpers.h"

namespace kaze {
namespace {

// Runs on both builds: natively under the sanitizers with the code page 932 rule, and
// under Wine with the system's own lead-byte test.

TEST(LowerCaseAscii, LowersAsciiAndLeavesDoubleByteCharactersAlone) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"TSUKIMI1", "tsukimi1"},
      {"Mixed Case-9", "mixed case-9"},
      {"", ""},
      // ア is 83 41 and ソ is 83 5C: the trail bytes 'A' and '\' stay.
      {"アDISKソ", "アdiskソ"},
      {"\x83", "\x83"},  // a lone lead byte at the end
  };
  for (const Case& c : cases) {
    std::string buf(c.in);
    buf.push_back('\0');
    LowerCaseAscii(&buf[0]);
    EXPECT_STREQ(buf.c_str(), c.out) << c.in;
  }
}

TEST(ExpandEscapes, ExpandsTheEscapesOfExplanationTexts) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"line one\\nline two", "line one\r\nline two"},
      {"C:\\\\Game", "C:\\Game"},
      {"ab\\0cd", "ab"},
      {"a\\qb", "aqb"},
      {"end\\", "end"},
      {"表\\n示", "表\r\n示"},   // 表 ends in 0x5C: not an escape
      {"ソ\\\\", "ソ\\"},
  };
  for (const Case& c : cases) {
    char buf[64];
    std::strcpy(buf, c.in);
    ExpandEscapes(buf, sizeof buf);
    EXPECT_STREQ(buf, c.out) << c.in;
  }
}

TEST(ExpandEscapes, ReadsNoFurtherThanItsCapacity) {
  char buf[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};  // no terminator
  ExpandEscapes(buf, sizeof buf);
  EXPECT_STREQ(buf, "abcdefg");
  ExpandEscapes(nullptr, 10);
  char one[1] = {'x'};
  ExpandEscapes(one, 0);
  EXPECT_EQ(one[0], 'x');
}

TEST(Backslash, TrailByteOf5CIsNotABackslash) {
  char folder[32] = "C:\\ゲーム\\表";  // ends in 95 5C
  EXPECT_FALSE(EndsWithBackslash(folder));
  ASSERT_TRUE(AppendBackslash(folder, sizeof folder));
  EXPECT_STREQ(folder, "C:\\ゲーム\\表\\");
  EXPECT_TRUE(EndsWithBackslash(folder));
  ASSERT_TRUE(AppendBackslash(folder, sizeof folder));  // no second one
  EXPECT_STREQ(folder, "C:\\ゲーム\\表\\");

  char full[5] = "C:\\a";
  EXPECT_FALSE(AppendBackslash(full, sizeof full));  // would not fit: unchanged
  EXPECT_STREQ(full, "C:\\a");

  const char* path = "C:\\ソフト\\表";
  EXPECT_EQ(FindLastChar(path, '\\'), path + 9);  // the separator, not the trail bytes
  EXPECT_EQ(FindChar("ソ表", '\\'), nullptr);
}

}  // namespace
}  // namespace kaze
