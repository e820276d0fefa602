#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uninstall/LogRecords.h"
#include "uninstall/RemovalRules.h"

namespace kaze {
namespace {

// An installation in a folder whose names end in the trail byte 0x5C (表, ソ), with its
// program group, on a machine whose Windows and Programs folders are kept.
RemovalScope Scope() {
  RemovalScope scope;
  scope.installFolder = "C:\\Games\\表示\\ソフト\\";
  scope.groupFolders = {"C:\\WINDOWS\\Start Menu\\Programs\\KAZE\\月見日和\\"};
  scope.keptFolders = {"C:\\WINDOWS\\", "C:\\WINDOWS\\Start Menu\\Programs\\",
                       "C:\\Program Files\\"};
  return scope;
}

TEST(RemovalRules, RecordsAreActedOnOnlyInsideTheInstallationsPlaces) {
  struct Case {
    int type;
    const char* text;
    bool allowed;
  } cases[] = {
      // Files: inside the folder or the group, any case of ASCII letters.
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\Game.exe", true},
      {LOG_FILE, "c:\\GAMES\\表示\\ソフト\\data\\a.dat", true},
      {LOG_FILE, "C:\\WINDOWS\\Start Menu\\Programs\\KAZE\\月見日和\\遊ぶ.lnk", true},
      {LOG_FILE, "C:\\WINDOWS\\win.ini", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\..\\..\\..\\WINDOWS\\win.ini", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\.\\a.dat", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\data\\\\a.dat", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\data/../../x", false},
      {LOG_FILE, "D:\\Games\\表示\\ソフト\\Game.exe", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフトウェア\\Game.exe", false},  // a sibling sharing the start
      {LOG_FILE, "C:\\Games\\表示\\ソフト", false},  // the folder is not a file
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\CON", false},
      {LOG_FILE, "C:\\Games\\表示\\ソフト\\a.dat:stream", false},
      {LOG_FILE, "\\\\server\\share\\a.dat", false},
      {LOG_FILE, "C:\\WINDOWS\\Start Menu\\Programs\\KAZE\\other.lnk", false},
      // Folder trees: strictly below one of the places.
      {LOG_DIRA, "C:\\Games\\表示\\ソフト\\Save", true},
      {LOG_DIRA, "C:\\Games\\表示\\ソフト\\Save\\", true},
      {LOG_DIRA, "C:\\Games\\表示\\ソフト\\", false},
      {LOG_DIRA, "C:\\Games\\表示\\ソフト", false},
      {LOG_DIRA, "C:\\Games\\", false},
      {LOG_DIRA, "C:\\My Documents\\", false},
      // Created folders: the places, below them, and their parents, but no root and no
      // kept folder or a parent of one.
      {LOG_FOLD, "C:\\Games\\表示\\ソフト\\", true},
      {LOG_FOLD, "C:\\Games\\表示\\ソフト", true},
      {LOG_FOLD, "C:\\Games\\表示\\ソフト\\HD\\Mask\\", true},
      {LOG_FOLD, "C:\\Games\\表示\\", true},
      {LOG_FOLD, "C:\\Games\\", true},
      {LOG_FOLD, "C:\\WINDOWS\\Start Menu\\Programs\\KAZE\\", true},
      {LOG_FOLD, "C:\\WINDOWS\\Start Menu\\Programs\\", false},
      {LOG_FOLD, "C:\\WINDOWS\\Start Menu\\", false},
      {LOG_FOLD, "C:\\WINDOWS\\", false},
      {LOG_FOLD, "C:\\", false},
      {LOG_FOLD, "C:\\Users\\", false},
      {LOG_FOLD, "C:\\Games\\..\\WINDOWS\\", false},
      // ソ ends in 0x5C: "...\ソ" is a folder of its own, not the start of "...\ソフト\".
      {LOG_FOLD, "C:\\Games\\表示\\ソ", false},
      // Keys below Software only.
      {LOG_REGS, "Software\\KAZE\\Tsukimi", true},
      {LOG_REGS, "SOFTWARE\\KAZE", true},
      {LOG_REGS, "Software\\会社\\表", true},
      {LOG_REGS, "Software", false},
      {LOG_REGS, "Software\\", false},
      {LOG_REGS, "Software\\\\KAZE", false},
      {LOG_REGS, "Software\\KAZE\\", false},
      {LOG_REGS, "\\Software\\KAZE", false},
      {LOG_REGS, "System\\CurrentControlSet\\Services", false},
      {LOG_REGS, "SoftwareX\\KAZE", false},
      // Anything else is no record.
      {4, "C:\\Games\\表示\\ソフト\\a", false},
      {LOG_FILE, "", false},
  };
  const RemovalScope scope = Scope();
  for (const Case& c : cases) {
    EXPECT_EQ(IsRecordWithinScope(scope, c.type, c.text), c.allowed) << c.type << " " << c.text;
  }
}

TEST(RemovalRules, AScopeWithoutAGroupAllowsNothingInTheStartMenu) {
  RemovalScope scope = Scope();
  scope.groupFolders.clear();
  EXPECT_FALSE(IsRecordWithinScope(
      scope, LOG_FILE, "C:\\WINDOWS\\Start Menu\\Programs\\KAZE\\月見日和\\遊ぶ.lnk"));
  EXPECT_TRUE(IsRecordWithinScope(scope, LOG_FILE, "C:\\Games\\表示\\ソフト\\Game.exe"));
}

// A log whose installation folder is a protected one (edited, or written before such
// folders were refused) acts on nothing there; nor does a group that is a Start-menu folder
// of the system.
TEST(RemovalRules, AProtectedPlaceIsNoPlaceOfTheInstallation) {
  struct Case {
    const char* installFolder;
    const char* groupFolder;
    int type;
    const char* text;
  } cases[] = {
      {"C:\\WINDOWS\\", "", LOG_DIRA, "C:\\WINDOWS\\"},
      {"C:\\WINDOWS\\", "", LOG_DIRA, "C:\\WINDOWS\\Fonts\\"},
      {"C:\\WINDOWS\\", "", LOG_FILE, "C:\\WINDOWS\\win.ini"},
      {"C:\\WINDOWS\\", "", LOG_FOLD, "C:\\WINDOWS\\Game\\"},
      {"c:\\windows", "", LOG_DIRA, "C:\\WINDOWS\\System\\"},
      {"C:\\", "", LOG_DIRA, "C:\\WINDOWS\\"},
      {"C:\\", "", LOG_FILE, "C:\\AUTOEXEC.BAT"},
      {"C:\\WINDOWS\\Game\\", "", LOG_FILE, "C:\\WINDOWS\\Game\\Game.exe"},
      {"C:\\WINDOWS\\Game\\", "", LOG_DIRA, "C:\\WINDOWS\\Game\\Save\\"},
      {"C:\\Program Files\\", "", LOG_DIRA, "C:\\Program Files\\Other\\"},
      {"C:\\Program Files\\", "", LOG_FILE, "C:\\Program Files\\Other\\a.exe"},
      {"C:\\WINDOWS\\Start Menu\\", "", LOG_DIRA, "C:\\WINDOWS\\Start Menu\\Programs\\"},
      {"C:\\Games\\", "C:\\WINDOWS\\Start Menu\\Programs\\", LOG_DIRA,
       "C:\\WINDOWS\\Start Menu\\Programs\\Other\\"},
      {"C:\\Games\\", "C:\\WINDOWS\\Start Menu\\Programs\\スタートアップ\\", LOG_FILE,
       "C:\\WINDOWS\\Start Menu\\Programs\\スタートアップ\\game.lnk"},
      {"C:\\Games\\", "C:\\WINDOWS\\Start Menu\\", LOG_FILE,
       "C:\\WINDOWS\\Start Menu\\Programs\\a.lnk"},
  };
  for (const Case& c : cases) {
    RemovalScope scope = Scope();
    scope.keptFolders.push_back("C:\\WINDOWS\\Start Menu\\Programs\\スタートアップ\\");
    scope.windowsFolder = "C:\\WINDOWS\\";
    scope.installFolder = c.installFolder;
    scope.groupFolders = {c.groupFolder};
    EXPECT_FALSE(IsRecordWithinScope(scope, c.type, c.text))
        << c.installFolder << " | " << c.groupFolder << " | " << c.text;
  }
  // The same records in an installation's own places are acted on.
  RemovalScope scope = Scope();
  scope.windowsFolder = "C:\\WINDOWS\\";
  EXPECT_TRUE(IsRecordWithinScope(scope, LOG_DIRA, "C:\\Games\\表示\\ソフト\\Save\\"));
  EXPECT_TRUE(IsRecordWithinScope(
      scope, LOG_FILE, "C:\\WINDOWS\\Start Menu\\Programs\\KAZE\\月見日和\\遊ぶ.lnk"));
}

TEST(RemovalRules, NamesAreComparedAsWindowsComparesThem) {
  EXPECT_TRUE(SameFolder("C:\\Games\\表\\", "c:\\games\\表"));
  EXPECT_FALSE(SameFolder("C:\\Games\\表\\", "C:\\Games\\"));
  EXPECT_FALSE(SameFolder("", ""));
  EXPECT_TRUE(SamePath("C:\\Games\\Kaze_Inst.exe", "c:\\GAMES\\KAZE_INST.EXE"));
  EXPECT_FALSE(SamePath("C:\\Games\\Kaze_Inst.exe", "C:\\Games\\Kaze_Inst.ex"));
  // Double-byte characters are never folded: ｱ-like trail bytes 0x61 are not 'A'.
  EXPECT_FALSE(SamePath("C:\\\x83\x61", "C:\\\x83\x41"));
}

TEST(RemovalRules, CommandProgramIsTheFirstPathOfTheLine) {
  EXPECT_EQ(CommandProgram("\"C:\\表\\Kaze_Inst.exe\" \"C:\\表\\Kaze_Inst.exe\" \"/D\""),
            "C:\\表\\Kaze_Inst.exe");
  EXPECT_EQ(CommandProgram("C:\\Games\\unins.exe /D"), "C:\\Games\\unins.exe");
  EXPECT_EQ(CommandProgram("\"C:\\unterminated"), "");
  EXPECT_EQ(CommandProgram(""), "");
}

TEST(RemovalRules, TheReportNamesWhatWasLeftAndCountsTheRest) {
  RemovalReport report;
  EXPECT_TRUE(report.complete());
  for (int i = 0; i < 12; ++i) report.failed.push_back("C:\\G\\f" + std::to_string(i));
  report.refused.push_back("C:\\WINDOWS\\win.ini");
  report.refused.push_back(RegistryRecordText("Software\\Other"));
  EXPECT_FALSE(report.complete());

  std::string text = FormatRemovalReport("見出し", report, "結び");
  std::string expected = "見出し\n\n次の項目を削除できませんでした（使用中か、書き込みが禁止されています）：";
  for (int i = 0; i < 10; ++i) expected += "\n  C:\\G\\f" + std::to_string(i);
  expected += "\n  ほか 2 項目";
  expected += "\n\n次の記録はインストール先の外を指しているため、削除しませんでした：";
  expected += "\n  C:\\WINDOWS\\win.ini\n  HKEY_LOCAL_MACHINE\\Software\\Other";
  expected += "\n\n結び";
  EXPECT_EQ(text, expected);

  RemovalReport damaged;
  damaged.damaged = true;
  EXPECT_FALSE(damaged.complete());
  EXPECT_EQ(FormatRemovalReport("見出し", damaged, ""),
            "見出し\n\nアンインストール情報ファイルの一部が壊れていて、読み取れませんでした。");
}

}  // namespace
}  // namespace kaze
