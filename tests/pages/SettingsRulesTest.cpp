#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/SettingsRules.h"

namespace kaze {
namespace {

struct DefaultCase {
  const char* windowsFolder;
  const char* path;
  const char* path2;
  const char* expected;
};

TEST(ComposeDefaultFolder, DriveRootThenPathThenPath2WithBackslash) {
  const DefaultCase cases[] = {
      {"C:\\WINDOWS", "Program Files", "Tsukimi", "C:\\Program Files\\Tsukimi\\"},
      {"D:\\WINNT", "Program Files\\", "Tsukimi", "D:\\Program Files\\Tsukimi\\"},
      {"C:\\WINDOWS", "Program Files", "Tsukimi\\", "C:\\Program Files\\Tsukimi\\"},
      // Trail byte 0x5C: 表 is no separator, so a backslash still follows it.
      {"C:\\WINDOWS", "Program Files", "月見表", "C:\\Program Files\\月見表\\"},
      {"C:\\WINDOWS", "KAZE\\表", "Tsukimi", "C:\\KAZE\\表\\Tsukimi\\"},
      {"C:\\WINDOWS", "KAZE\\ソ", "表", "C:\\KAZE\\ソ\\表\\"},
      {"C:\\WINDOWS", "", "Tsukimi", "C:\\Tsukimi\\"},
      {"C:\\WINDOWS", "Games", "", "C:\\Games\\"},
  };
  for (const DefaultCase& c : cases) {
    char out[260];
    EXPECT_TRUE(ComposeDefaultFolder(c.windowsFolder, c.path, c.path2, out, sizeof out))
        << c.path << " + " << c.path2;
    EXPECT_STREQ(out, c.expected);
  }
}

TEST(ComposeDefaultFolder, TooLongIsRefusedWhole) {
  // "C:\" + path + "\" + path2 + "\": exactly 259 bytes fits, 260 does not.
  const std::string path(250, 'p');
  const std::string fits(3, 'q');  // 3 + 250 + 1 + 3 + 1 = 258
  char out[260];
  EXPECT_TRUE(ComposeDefaultFolder("C:\\WINDOWS", path.c_str(), (fits + "q").c_str(), out,
                                   sizeof out));
  EXPECT_EQ(std::string(out).size(), 259u);
  std::fill(out, out + sizeof out, 'x');
  EXPECT_FALSE(ComposeDefaultFolder("C:\\WINDOWS", path.c_str(), (fits + "qq").c_str(), out,
                                    sizeof out));
  EXPECT_STREQ(out, "");
}

TEST(ComposeBrowsedFolder, JoinsWithOneBackslashAndAddsNoTrailingOne) {
  const DefaultCase cases[] = {
      {nullptr, "D:\\Games\\", "Tsukimi", "D:\\Games\\Tsukimi"},
      {nullptr, "D:\\Games", "Tsukimi", "D:\\Games\\Tsukimi"},
      {nullptr, "D:\\", "Tsukimi", "D:\\Tsukimi"},
      {nullptr, "D:\\ゲーム表", "月見", "D:\\ゲーム表\\月見"},
      {nullptr, "D:\\Games\\", "", "D:\\Games\\"},
  };
  for (const DefaultCase& c : cases) {
    char out[260];
    EXPECT_TRUE(ComposeBrowsedFolder(c.path, c.path2, out, sizeof out)) << c.path;
    EXPECT_STREQ(out, c.expected);
  }
  const std::string longFolder = "D:\\" + std::string(250, 'g') + "\\";
  char out[260] = "previous";
  EXPECT_FALSE(ComposeBrowsedFolder(longFolder.c_str(), "Tsukimi", out, sizeof out));
  EXPECT_STREQ(out, "");
}

TEST(FolderOfChosenFile, DriveAndFolderWithBackslashes) {
  const DefaultCase cases[] = {
      {nullptr, "E:\\setup\\install.ini", nullptr, "E:\\setup\\"},
      {nullptr, "E:\\install.ini", nullptr, "E:\\"},
      {nullptr, "E:/setup/disc/install.ini", nullptr, "E:\\setup\\disc\\"},
      {nullptr, "E:setup\\install.ini", nullptr, "E:\\setup\\"},
      {nullptr, "E:install.ini", nullptr, "E:\\"},
      // 表 and ソ end in 0x5C; the folder still ends at the real separator.
      {nullptr, "C:\\表\\ソ\\install.ini", nullptr, "C:\\表\\ソ\\"},
      {nullptr, "C:\\表install.ini", nullptr, "C:\\"},
  };
  for (const DefaultCase& c : cases) {
    char out[260];
    EXPECT_TRUE(FolderOfChosenFile(c.path, out, sizeof out)) << c.path;
    EXPECT_STREQ(out, c.expected);
  }
  char small[8];
  EXPECT_FALSE(FolderOfChosenFile("E:\\setup\\install.ini", small, sizeof small));
  EXPECT_STREQ(small, "");
}

struct TickCase {
  const char* name;
  std::vector<bool> ticked;
  std::vector<int> flagsBefore;
  std::vector<int> flagsAfter;
  int movedTo;
};

TEST(SettleTicks, ExactlyOneRowKeepsTheTick) {
  const TickCase cases[] = {
      {"second row ticked", {true, true, false}, {1, 0, 0}, {0, 1, 0}, 1},
      {"earlier row ticked", {true, false, true}, {0, 0, 1}, {1, 0, 0}, 0},
      {"only ticked row un-ticked", {false, false, false}, {1, 0, 0}, {1, 0, 0}, -1},
      {"one row ticked, no change", {false, true, false}, {0, 1, 0}, {0, 1, 0}, -1},
      {"three ticked at once", {true, true, true}, {0, 1, 0}, {1, 0, 0}, 0},
      {"no rows", {}, {}, {}, -1},
  };
  for (const TickCase& c : cases) {
    std::vector<int> flags = c.flagsBefore;
    bool ticked[8] = {};
    for (size_t i = 0; i < c.ticked.size(); ++i) ticked[i] = c.ticked[i];
    EXPECT_EQ(SettleTicks(ticked, flags.data(), static_cast<int>(flags.size())), c.movedTo)
        << c.name;
    EXPECT_EQ(flags, c.flagsAfter) << c.name;
  }
}

}  // namespace
}  // namespace kaze
