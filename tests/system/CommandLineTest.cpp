#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/CommandLine.h"

namespace kaze {
namespace {

TEST(SplitCommandLine, KeepsQuotedBlanksAndDropsTheQuotes) {
  struct Row {
    const char* name;
    const char* line;
    std::vector<std::string> args;
  };
  const Row rows[] = {
      {"empty line", "", {}},
      {"blanks only", " \t ", {}},
      {"bare program", "setup.exe", {"setup.exe"}},
      {"quoted path with blanks",
       "\"C:\\Program Files\\a b\\setup.exe\" /X",
       {"C:\\Program Files\\a b\\setup.exe", "/X"}},
      {"tabs and repeated blanks", "a\t\t b   c ", {"a", "b", "c"}},
      {"quote inside an argument", "a\"b c\"d e", {"ab cd", "e"}},
      {"unclosed quote runs to the end", "a \"b c", {"a", "b c"}},
      {"empty quoted argument is kept", "a \"\" b", {"a", "", "b"}},
      // 表 and ソ end in 0x5C; neither byte of a Shift-JIS character is a blank or a quote.
      {"double-byte characters pass whole",
       "\"C:\\\x95\x5C\\\x83\x5C\" /KZ",
       {"C:\\\x95\x5C\\\x83\x5C", "/KZ"}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SplitCommandLine(row.line), row.args) << row.name;
  }
  EXPECT_TRUE(SplitCommandLine(nullptr).empty());
}

}  // namespace
}  // namespace kaze
