#include <gtest/gtest.h>

#include <string>

#include "config/IniLines.h"
#include "tests/ini/MemoryLineFile.h"

namespace kaze {
namespace {

using test::MemoryLineFile;

// Runs one edit the way the editor does: the target and a byte-identical copy.
bool Edit(std::string* text, const char* section, const char* key, const char* value) {
  MemoryLineFile target(*text);
  MemoryLineFile copy(*text);
  bool ok = ApplyIniEdit(target, copy, section, key, value);
  *text = target.data();
  return ok;
}

struct EditCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST(ApplyIniEdit, EditsInPlace) {
  const std::string longLine = "L=" + std::string(598, 'x');
  const EditCase cases[] = {
      {"empty file", "", "INSTALL", "CORPNAME", "X", "[INSTALL]\r\nCORPNAME = X\r\n"},
      {"second key of a section", "[INSTALL]\r\nCORPNAME = X\r\n", "INSTALL", "APPNAME", "Y",
       "[INSTALL]\r\nCORPNAME = X\r\nAPPNAME = Y\r\n"},
      {"replaced key keeps its place",
       "[A]\r\nk=1\r\n[install]\r\ncorpname=Old\r\nnext=2\r\n", "INSTALL", "CORPNAME", "New",
       "[A]\r\nk=1\r\n[install]\r\nCORPNAME = New\r\nnext=2\r\n"},
      {"longer old line shrinks the file", "[S]\r\nA = a long old value\r\nB=1\r\n", "S", "A",
       "x", "[S]\r\nA = x\r\nB=1\r\n"},
      {"key searched only in its section",
       "[A]\r\nCORPNAME=a\r\n[B]\r\nx=1\r\n\r\n[C]\r\nCORPNAME=c\r\n", "B", "CORPNAME", "b",
       "[A]\r\nCORPNAME=a\r\n[B]\r\nx=1\r\nCORPNAME = b\r\n\r\n[C]\r\nCORPNAME=c\r\n"},
      {"longer key name is another key", "[S]\r\nCORPNAMEX = 1\r\n", "S", "CORPNAME", "2",
       "[S]\r\nCORPNAMEX = 1\r\nCORPNAME = 2\r\n"},
      {"spaces around the key", "[S]\r\n  CORPNAME   = old\r\n;c\r\n", "S", "corpname", "n",
       "[S]\r\ncorpname = n\r\n;c\r\n"},
      {"header with trailing space is another section", "[S] \r\nA=1\r\n", "S", "A", "2",
       "[S] \r\nA=1\r\n[S]\r\nA = 2\r\n"},
      {"header with a comment is another section", "[S];c\r\nA=1\r\n", "S", "A", "2",
       "[S];c\r\nA=1\r\n[S]\r\nA = 2\r\n"},
      {"section without keys", "[S]\r\n[T]\r\nk=1\r\n", "S", "a", "1",
       "[S]\r\na = 1\r\n[T]\r\nk=1\r\n"},
      {"new key at the end of the last section", "[S]\r\nA=1\r\n\r\n", "S", "B", "2",
       "[S]\r\nA=1\r\n\r\nB = 2\r\n"},
      {"double-byte names", "[設定]\r\n表示=旧\r\n", "設定", "表示", "新",
       "[設定]\r\n表示 = 新\r\n"},
      {"line longer than the buffer before the key", "[S]\r\n" + longLine + "\r\nA=1\r\n", "S",
       "A", "2", "[S]\r\n" + longLine + "\r\nA = 2\r\n"},
      {"line longer than the buffer is replaced whole", "[S]\r\nA=" + longLine + "\r\nB=1\r\n",
       "S", "A", "2", "[S]\r\nA = 2\r\nB=1\r\n"},
      // Files the editor did not write itself.
      {"last key line without line end", "[S]\r\nA = 1", "S", "B", "2",
       "[S]\r\nA = 1\r\nB = 2\r\n"},
      {"header as last line without line end", "[S]", "S", "A", "1", "[S]\r\nA = 1\r\n"},
      {"new section after a line without line end", "x=1", "S", "A", "1",
       "x=1\r\n[S]\r\nA = 1\r\n"},
      {"replaced last line without line end", "[S]\r\nA=1", "S", "A", "22",
       "[S]\r\nA = 22\r\n"},
      {"LF lines", "[S]\nA=1\nB=2\n", "S", "A", "9", "[S]\nA = 9\r\nB=2\n"},
      {"lone CR lines", "[S]\rA=1\rB=2\r", "S", "B", "3", "[S]\rA=1\rB = 3\r\n"},
  };
  for (const EditCase& c : cases) {
    std::string text = c.before;
    EXPECT_TRUE(Edit(&text, c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(text, c.after) << c.name;
  }
}

TEST(ApplyIniEdit, RefusesNamesItCouldNotFindAgain) {
  const std::string base = "[S]\r\nA=1\r\n";
  const std::string longKey(256, 'K');
  const std::string longSection(254, 'S');
  const std::string longValue(1024, 'v');
  struct Case {
    const char* name;
    std::string section, key, value;
  } cases[] = {
      {"empty section", "", "A", "1"},
      {"empty key", "S", "", "1"},
      {"key with a space", "S", "MY KEY", "1"},
      {"key with an equals sign", "S", "A=B", "1"},
      {"key with a tab", "S", "A\tB", "1"},
      {"key read as a section header", "S", "[A", "1"},
      {"key ending in half a character", "S", "A\x83", "1"},
      {"value with a line end", "S", "A", "1\r\n[X]"},
      {"section with a line end", "S]\r\n[T", "A", "1"},
      {"key over 255 bytes", "S", longKey, "1"},
      {"header over 255 bytes", longSection, "A", "1"},
      {"key line over 1023 bytes", "S", "A", longValue},
  };
  for (const Case& c : cases) {
    std::string text = base;
    EXPECT_FALSE(Edit(&text, c.section.c_str(), c.key.c_str(), c.value.c_str())) << c.name;
    EXPECT_EQ(text, base) << c.name;
  }
  // The longest accepted names still work.
  std::string text = base;
  EXPECT_TRUE(Edit(&text, std::string(253, 'S').c_str(), std::string(255, 'K').c_str(), "1"));
}

TEST(ApplyIniEdit, ReportsAWriteThatComesUpShort) {
  const std::string before = "[S]\r\nA=1\r\nB=2\r\n";
  for (size_t limit : {size_t{5}, size_t{9}, before.size()}) {
    MemoryLineFile target(before);
    MemoryLineFile copy(before);
    target.LimitSize(limit);
    EXPECT_FALSE(ApplyIniEdit(target, copy, "S", "A", "a longer value")) << limit;
  }
}

TEST(IniLineMatching, ComparesWholeLinesAndNamesIgnoringAsciiCase) {
  EXPECT_TRUE(IsSectionHeaderLine("[Install]", "INSTALL"));
  EXPECT_FALSE(IsSectionHeaderLine(" [INSTALL]", "INSTALL"));
  // ア is 83 41: its trail byte is not a letter to lower-case.
  EXPECT_FALSE(IsSectionHeaderLine("[\x83\x61]", "\x83\x41"));
  EXPECT_TRUE(LineHasKey("\tKey=1", "KEY"));
  EXPECT_FALSE(LineHasKey("\x83\x61=1", "\x83\x41"));
  EXPECT_EQ(KeyNameOf("  name  = v"), "name");
  EXPECT_EQ(KeyNameOf("=v"), "");
  EXPECT_EQ(KeyNameOf("only"), "only");
}

}  // namespace
}  // namespace kaze
