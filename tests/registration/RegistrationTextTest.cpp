// The texts of the registration steps: folder macros, registry lines, the uninstall entry
// and the Start-menu group.
#include <gtest/gtest.h>

#include <string>

#include "engine/RegistrationText.h"

namespace kaze {
namespace {

const char kFolder[] = "C:\\Game\\";

struct MacroCase {
  const char* data;
  bool chosen;
  const char* folder;
  const char* expected;
};

TEST(ExpandPathMacros, MacrosAndTheirBaseFolders) {
  const MacroCase cases[] = {
      {"INSTALL_DIR+Game.exe", true, kFolder, "\"C:\\Game\\Game.exe\""},
      {"INSTALL_DIR+bin\\", false, kFolder, "\"?:\\bin\\\""},
      {"INSTALL_DIR", true, kFolder, "\"C:\\Game\\\""},
      {"INSTALL_DIRtail", true, kFolder, "\"C:\\Game\\\""},  // a form without + drops the rest
      {"CD_DIR", false, kFolder, "\"?:\\\""},
      {"CD_DIR+Data", true, kFolder, "\"C:\\Game\\Data\""},  // the base never depends on the macro
      {"dword:0000001f", true, kFolder, "dword:0000001f"},
      {"install_dir+x", true, kFolder, "install_dir+x"},  // compared byte for byte
      {"xINSTALL_DIR", true, kFolder, "xINSTALL_DIR"},    // only as a prefix
      {"", true, kFolder, ""},
      {"INSTALL_DIR+ソ\\表", true, "D:\\月表\\", "\"D:\\月表\\ソ\\表\""},
  };
  for (const MacroCase& c : cases) {
    std::string result;
    EXPECT_TRUE(ExpandPathMacros(c.data, c.chosen, c.folder, &result)) << c.data;
    EXPECT_EQ(result, c.expected) << c.data;
  }
}

TEST(ExpandPathMacros, PathOverLimitIsRefusedNotCut) {
  std::string folder = "C:\\" + std::string(245, 'a') + "\\";  // 249 bytes
  std::string result = "stale";
  EXPECT_TRUE(ExpandPathMacros("INSTALL_DIR+0123456789", true, folder.c_str(), &result));
  EXPECT_EQ(result.size(), 259u + 2);  // 259 bytes between the quotes
  EXPECT_FALSE(ExpandPathMacros("INSTALL_DIR+0123456789x", true, folder.c_str(), &result));
  EXPECT_EQ(result, "");
}

struct LineCase {
  const char* line;
  bool ok;
  const char* name;
  bool isString;
  const char* text;
  uint32_t number;
};

TEST(ParseRegistryLine, NamesStringsAndNumbers) {
  const LineCase cases[] = {
      {"\"Path\"=\"C:\\Game\\\"", true, "Path", true, "C:\\Game\\", 0},
      {"\"Level\"=dword:0000001f", true, "Level", false, "", 31},
      {"\"One\"=dword:00000001", true, "One", false, "", 1},
      {"\"Max\"=dword:FFFFFFFF", true, "Max", false, "", 0xFFFFFFFFu},
      {"\"Prefixed\"=dword: 0x1A", true, "Prefixed", false, "", 26},
      {"\"Stop\"=dword:12zz", true, "Stop", false, "", 0x12},
      {"\"Eq\"=\"a=b=c\"", true, "Eq", true, "abc", 0},  // every '=' of the data goes
      {"\"Eq2\"==dword:5", true, "Eq2", false, "", 5},
      {"\"My Value\"=dword:2", true, "My Value", false, "", 2},
      {"lead\"N\"=dword:3", true, "N", false, "", 3},  // the name starts at the first quote
      {"\"\"=\"default\"", true, "", true, "default", 0},
      {"\"表\"=\"ソ表\"", true, "表", true, "ソ表", 0},
      {"\"Empty\"=\"\"", true, "Empty", true, "", 0},
      // Numbers that have no defined value are not written.
      {"\"Big\"=dword:100000000", false, "", false, "", 0},
      {"\"NoColon\"=1234", false, "", false, "", 0},
      {"\"NoDigits\"=dword:", false, "", false, "", 0},
      {"\"Minus\"=dword:-1", false, "", false, "", 0},
      {"\"Path\"=C:\\Game", false, "", false, "", 0},
      {"\"\"=", false, "", false, "", 0},
      // Malformed lines.
      {"Name=dword:1", false, "", false, "", 0},
      {"\"Name\"", false, "", false, "", 0},
      {"", false, "", false, "", 0},
  };
  for (const LineCase& c : cases) {
    RegistryValue value;
    ASSERT_EQ(ParseRegistryLine(c.line, &value), c.ok) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(value.name, c.name) << c.line;
    EXPECT_EQ(value.isString, c.isString) << c.line;
    if (c.isString) {
      EXPECT_EQ(value.text, c.text) << c.line;
    } else {
      EXPECT_EQ(value.number, c.number) << c.line;
    }
  }
}

TEST(UninstallEntryText, WithAndWithoutMaker) {
  UninstallEntryText entry = MakeUninstallEntryText("Maker", "Game", "C:\\Game\\");
  EXPECT_EQ(entry.keyPath, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Maker Game");
  EXPECT_EQ(entry.displayName, "Maker Game  (Remove Only)");
  EXPECT_EQ(entry.command,
            "\"C:\\Game\\Kaze_Inst.exe\" \"C:\\Game\\Kaze_Inst.exe\" \"/D\"");

  entry = MakeUninstallEntryText("", "Game", "D:\\表\\");
  EXPECT_EQ(entry.keyPath, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ Game");
  EXPECT_EQ(entry.displayName, "Game  (Remove Only)");
  EXPECT_EQ(entry.command, "\"D:\\表\\Kaze_Inst.exe\" \"D:\\表\\Kaze_Inst.exe\" \"/D\"");
}

TEST(ProgramGroupText, EmptyLevelsLeaveNoDoubledBackslash) {
  const struct {
    const char* corp;
    const char* app;
    const char* group;
  } cases[] = {
      {"Maker", "Game", "Maker\\Game\\"},
      {"", "Game", "Game\\"},
      {"Maker", "", "Maker\\"},
      {"", "", ""},
      {"ソ", "表", "ソ\\表\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramGroupText(c.corp, c.app), c.group) << c.corp << "/" << c.app;
    EXPECT_EQ(ShortcutLinkText(c.corp, c.app, "Play"), std::string(c.group) + "Play.lnk");
  }
}

}  // namespace
}  // namespace kaze

namespace kaze {
namespace {

TEST(IsDwordData, OnlyAnExplicitDwordIsANumber) {
  const struct { const char* data; bool dword; } cases[] = {
      {"dword:0000001f", true}, {"DWORD:1", true}, {"Dword:", true},
      {"dword", false}, {"1", false}, {"C:\\Game", false}, {"", false}, {"\"dword:1\"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsDwordData(c.data), c.dword) << c.data;
}

}  // namespace
}  // namespace kaze
