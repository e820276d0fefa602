#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "config/ValueParsing.h"

namespace kaze {
namespace {

// Runs natively under the sanitizers (code page 932 rule) and under Wine.

TEST(ParseNumberList, AnyRunOfNonDigitsSeparatesTwoNumbers) {
  struct Case {
    const char* text;
    std::vector<int> numbers;
  } cases[] = {
      {"", {}},
      {"7", {7}},
      {"3,4,5", {3, 4, 5}},
      {"1 2 3", {1, 2, 3}},
      {"1/2/3", {1, 2, 3}},
      {"1, 2 ,3", {1, 2, 3}},
      {"1,,2", {1, 2}},
      {"  1,2", {1, 2}},        // leading spaces are skipped
      {"3,4,", {3, 4, 0}},      // a trailing separator adds a 0
      {"(1,2)", {0, 1, 2, 0}},  // so does a leading one other than a space
      {"-5", {0, 5}},           // minus is a separator, not a sign
      {"1-2", {1, 2}},
      {"abc", {0, 0}},
      {"007,010", {7, 10}},
      {"表1ソ2", {0, 1, 2}},    // double-byte characters are separators as well
      {"2147483647", {INT_MAX}},
      {"2147483648", {INT_MAX}},  // saturates instead of overflowing
      {"99999999999999999999999999999999,1", {INT_MAX, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseNumberList(c.text), c.numbers) << c.text;
  }
  EXPECT_TRUE(ParseNumberList(nullptr).empty());
}

TEST(ParseNumberList, HugeDigitRunStaysSafe) {
  std::string digits(100000, '9');
  digits += ",3";
  EXPECT_EQ(ParseNumberList(digits.c_str()), (std::vector<int>{INT_MAX, 3}));
}

TEST(SplitPathPair, SplitsSourceTokenAndTargetText) {
  struct Case {
    const char* text;
    const char* source;
    const char* target;
  } cases[] = {
      {"", "", ""},
      {"data1.cab > Data\\", "data1.cab", "Data\\"},
      {"setup.cab >> Data\\Save", "setup.cab", "Data\\Save"},
      {"setup.cab>Data", "setup.cab", "Data"},
      {"game.exe", "game.exe", ""},
      {"  game.exe  ", "game.exe", ""},
      {"my game.exe > x", "my", "x"},  // a source cannot hold a space
      {"a.txt > My Docs\\ ", "a.txt", "My Docs\\ "},  // inner and trailing blanks kept
      {"a > b > c", "a", "c"},         // the target starts after the last '>'
      {"> Data", "", "Data"},
      {"a >", "a", ""},
      {"表示\\ソフト.cab > 表\\ソ", "表示\\ソフト.cab", "表\\ソ"},
  };
  for (const Case& c : cases) {
    PathPair pair;
    std::memset(&pair, 'x', sizeof pair);
    EXPECT_TRUE(SplitPathPair(pair, c.text)) << c.text;
    EXPECT_STREQ(pair.source, c.source) << c.text;
    EXPECT_STREQ(pair.target, c.target) << c.text;
  }
}

TEST(SplitPathPair, OverlongHalvesAreReportedAndCutToWholeCharacters) {
  // Source of 300 bytes: reported, holds at most 259 bytes.
  std::string longSource(300, 's');
  PathPair pair;
  EXPECT_FALSE(SplitPathPair(pair, (longSource + " > t").c_str()));
  EXPECT_EQ(std::strlen(pair.source), sizeof pair.source - 1);
  EXPECT_STREQ(pair.target, "t");

  // Target of double-byte characters: 130 of 表 is 260 bytes; 129 whole ones fit.
  std::string longTarget;
  for (int i = 0; i < 130; ++i) longTarget += "表";
  EXPECT_FALSE(SplitPathPair(pair, ("a > " + longTarget).c_str()));
  EXPECT_STREQ(pair.source, "a");
  EXPECT_EQ(std::strlen(pair.target), 258u);
  EXPECT_EQ(std::string(pair.target), longTarget.substr(0, 258));

  // Exactly 259 bytes fit.
  std::string fits(259, 't');
  EXPECT_TRUE(SplitPathPair(pair, ("a > " + fits).c_str()));
  EXPECT_EQ(std::string(pair.target), fits);
}

TEST(SplitRegistryValue, DropsQuotesAndSplitsAtTheEqualsSign) {
  struct Case {
    const char* text;
    const char* name;
    const char* data;
  } cases[] = {
      {"", "", ""},
      {"\"Path\"=\"C:\\Game\"", "Path", "C:\\Game"},
      {"Path=C:\\Game", "Path", "C:\\Game"},
      {"  Path =  INSTALL_DIR+save", "Path ", "INSTALL_DIR+save"},  // blanks before '=' stay
      {"Flag=dword:0000001f", "Flag", "dword:0000001f"},
      {"NameOnly", "NameOnly", ""},
      {"Name=", "Name", ""},
      {"=data", "", "data"},
      {"a=b=c", "a", "b=c"},
      {"\"表示\"=\"C:\\ソフト\\\"", "表示", "C:\\ソフト\\"},
  };
  for (const Case& c : cases) {
    char name[kNameSize];
    char data[kNameSize];
    std::memset(name, 'x', sizeof name);
    std::memset(data, 'x', sizeof data);
    EXPECT_TRUE(SplitRegistryValue(name, sizeof name, data, sizeof data, c.text)) << c.text;
    EXPECT_STREQ(name, c.name) << c.text;
    EXPECT_STREQ(data, c.data) << c.text;
  }
}

TEST(SplitRegistryValue, OverlongHalvesAreReportedWithoutWritingPastTheFields) {
  // Small fields with guard bytes behind them show any write past the end.
  struct Fields {
    char name[8];
    char guard1[4];
    char data[8];
    char guard2[4];
  } f;
  struct Case {
    const char* text;
    bool complete;
    const char* name;
    const char* data;
  } cases[] = {
      {"1234567=1234567", true, "1234567", "1234567"},
      {"12345678=1", false, "1234567", "1"},
      {"1=12345678", false, "1", "1234567"},
      {"\"12\"\"34\"\"56\"\"7\"=x", true, "1234567", "x"},  // quotes take no room
      {"123456表=1", false, "123456", "1"},  // no half character at the end
  };
  for (const Case& c : cases) {
    std::memset(&f, 'g', sizeof f);
    EXPECT_EQ(SplitRegistryValue(f.name, sizeof f.name, f.data, sizeof f.data, c.text),
              c.complete)
        << c.text;
    EXPECT_STREQ(f.name, c.name) << c.text;
    EXPECT_STREQ(f.data, c.data) << c.text;
    EXPECT_EQ(std::string(f.guard1, 4), "gggg") << c.text;
    EXPECT_EQ(std::string(f.guard2, 4), "gggg") << c.text;
  }
}

TEST(CutToWholeCharacters, NeverLeavesHalfACharacter) {
  struct Case {
    const char* text;
    size_t capacity;
    const char* result;
  } cases[] = {
      {"abcdef", 4, "abc"},
      {"abc", 4, "abc"},
      {"ab表", 4, "ab"},   // 表 would need bytes 2 and 3, only 2 is free
      {"a表", 4, "a表"},
      {"表ソ", 4, "表"},
      {"abc", 1, ""},
  };
  for (const Case& c : cases) {
    std::string buf(c.text);
    CutToWholeCharacters(&buf[0], c.capacity);
    EXPECT_STREQ(buf.c_str(), c.result) << c.text << " " << c.capacity;
  }
}

}  // namespace
}  // namespace kaze
