#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ini/MemoryLineFile.h"

namespace kaze {
namespace {

using test::MemoryLineFile;

struct Line {
  std::string text;
  bool atEnd;
};

std::vector<Line> ReadAll(const std::string& data, size_t size) {
  MemoryLineFile file(data);
  std::vector<Line> lines;
  std::vector<char> buffer(size + 1, '#');
  while (!file.AtEnd() && lines.size() < 100) {
    size_t length = file.ReadLine(buffer.data(), size);
    EXPECT_EQ(length, std::string(buffer.data()).size());
    lines.push_back({buffer.data(), file.AtEnd()});
  }
  return lines;
}

TEST(ReadLine, SplitsLinesAtEveryLineEnd) {
  const std::string longLine(600, 'x');
  struct Case {
    const char* name;
    std::string data;
    size_t size;
    std::vector<Line> lines;
  } cases[] = {
      {"CR LF lines", "ab\r\ncd\r\n", 512, {{"ab", false}, {"cd", false}, {"", true}}},
      {"last line without line end", "ab\r\ncd", 512, {{"ab", false}, {"cd", true}}},
      {"empty line in between", "a\r\n\r\nb", 512, {{"a", false}, {"", false}, {"b", true}}},
      {"bare LF", "a\nb\n", 512, {{"a", false}, {"b", false}, {"", true}}},
      // The byte behind a lone CR begins the next line.
      {"lone CR", "a\rb\rc", 512, {{"a", false}, {"b", false}, {"c", true}}},
      {"long line cut, rest skipped", longLine + "\r\nnext\r\n", 512,
       {{std::string(511, 'x'), false}, {"next", false}, {"", true}}},
      {"line exactly filling the buffer", "abc\r\nd", 4, {{"abc", false}, {"d", true}}},
      {"size 1 skips lines", "abc\r\nd", 1, {{"", false}, {"", true}}},
      // 表 is 95 5C and ソ is 83 5C: trail bytes stay part of the line.
      {"double-byte text", "表ソ\r\nx", 512, {{"表ソ", false}, {"x", true}}},
      {"empty file", "", 512, {{"", true}}},
  };
  for (const auto& c : cases) {
    std::vector<Line> lines = ReadAll(c.data, c.size);
    ASSERT_EQ(lines.size(), c.lines.size()) << c.name;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].text, c.lines[i].text) << c.name << " line " << i;
      EXPECT_EQ(lines[i].atEnd, c.lines[i].atEnd) << c.name << " line " << i;
    }
  }
}

TEST(ReadLine, SeekClearsTheEndOfFile) {
  MemoryLineFile file("ab");
  char buffer[8];
  file.ReadLine(buffer, sizeof buffer);
  ASSERT_TRUE(file.AtEnd());
  ASSERT_TRUE(file.Seek(1));
  EXPECT_FALSE(file.AtEnd());
  EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), 1u);
  EXPECT_STREQ(buffer, "b");
}

}  // namespace
}  // namespace kaze
