#include <gtest/gtest.h>

#include "cab32/CabCommand.h"

namespace cab32 {
namespace {

TEST(ParseCabCommand, ReadsOptionsArchiveFolderAndPatterns) {
  CabCommand c;
  ASSERT_TRUE(ParseCabCommand("-x -o -i \"C:\\My Disc\\d.cab\" \"C:\\Game Dir\" \"*.*\"", &c));
  EXPECT_TRUE(c.extract);
  EXPECT_TRUE(c.overwrite);
  EXPECT_TRUE(c.quiet);
  EXPECT_EQ(c.archive, "C:\\My Disc\\d.cab");
  EXPECT_EQ(c.folder, "C:\\Game Dir");
  EXPECT_EQ(c.patterns, std::vector<std::string>{"*.*"});

  ASSERT_TRUE(ParseCabCommand("  -xo\ta.cab  \"表\\\"  b.txt c*.dat", &c));
  EXPECT_TRUE(c.overwrite);
  EXPECT_FALSE(c.quiet);
  EXPECT_EQ(c.archive, "a.cab");
  EXPECT_EQ(c.folder, "表\\");
  EXPECT_EQ(c.patterns, (std::vector<std::string>{"b.txt", "c*.dat"}));

  ASSERT_TRUE(ParseCabCommand("-x a.cab", &c));
  EXPECT_EQ(c.folder, "");
  EXPECT_FALSE(c.overwrite);
}

TEST(ParseCabCommand, RefusesWhatItDoesNotUnderstand) {
  CabCommand c;
  const char* bad[] = {"", "-x", "-o a.cab b", "-x -z a.cab", "-x \"a.cab", nullptr};
  for (const char* line : bad) EXPECT_FALSE(ParseCabCommand(line, &c)) << (line ? line : "null");
}

TEST(MatchesPattern, WildcardsCaseAndDoubleByteCharacters) {
  struct Case { const char* pattern; const char* name; bool match; } cases[] = {
      {"*.*", "noext", true},
      {"*", "a\\b\\c", true},
      {"*.txt", "a\\b\\c.TXT", true},
      {"*.txt", "a.txt\\b.dat", false},
      {"a\\*\\c.dat", "a\\b\\c.dat", true},
      {"?.dat", "表.dat", true},   // one double-byte character
      {"?.dat", "ab.dat", false},
      {"表*", "表示.txt", true},
      {"\x95*", "表", false},      // a lead byte alone never matches half a character
      {"data?.cab", "DATA1.CAB", true},
      {"", "x", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesPattern(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
  }
}

}  // namespace
}  // namespace cab32
