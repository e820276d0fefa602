// The platform answers under other Windows versions. One program, run once per version
// with a filter for the matching suite.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "app/SystemSession.h"
#include "system/OsServices.h"
#include "system/WindowsCompat.h"
#include "tests/support/ScratchFiles.h"
#include "WineSupport.h"

namespace kaze {
namespace {

BOOL WINAPI RecordRestart(UINT, DWORD) { return TRUE; }

TEST(Win98, IsNotNtAndCountsEveryoneAsAdministrator) {
  BOOL minor = 7;
  EXPECT_FALSE(IsNtPlatform(&minor));
  EXPECT_EQ(minor, 7);  // untouched

  // The stand-in would refuse the account; it must not even be loaded.
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "fail");
  int level = -1;
  EXPECT_TRUE(IsAdministrator(&level));
  EXPECT_EQ(level, 2);
  EXPECT_EQ(test::Env("KAZE_NETAPI_LOADED"), "");
}

TEST(Win98, UsesTheUsersOwnStartMenuAndDesktop) {
  // The prefix's Programs folder is moved to one ending in 表 (trail byte 0x5C). While that
  // folder does not exist, the shell has no folder to give.
  char programs[MAX_PATH] = "junk";
  EXPECT_FALSE(GetProgramsFolder(programs));
  EXPECT_STREQ(programs, "");

  CreateDirectoryA("C:\\スタート", nullptr);
  ASSERT_TRUE(CreateDirectoryA("C:\\スタート\\表", nullptr));
  ASSERT_TRUE(GetProgramsFolder(programs));
  EXPECT_STREQ(programs, "C:\\スタート\\表\\");
  char expected[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, expected, CSIDL_PROGRAMS, FALSE));
  EXPECT_EQ(std::string(programs), std::string(expected) + "\\");

  char desktop[MAX_PATH];
  ASSERT_TRUE(GetDesktopFolder(desktop));
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, expected, CSIDL_DESKTOPDIRECTORY, FALSE));
  EXPECT_EQ(std::string(desktop), std::string(expected) + "\\");
}

TEST(Win98, EnablesRestartWithoutAPrivilegeStep) {
  SystemSession session;
  session.exitWindows = &RecordRestart;
  EXPECT_TRUE(session.EnableShutdownPrivilege(nullptr));
  EXPECT_EQ(session.isNtPlatform, 0);
  EXPECT_EQ(session.shutdownEnabled, 1);
  EXPECT_TRUE(session.RestartWindows());
}

// WININIT.INI lines of another program, one line each, about lineBytes bytes in all.
std::string ForeignRenameLines(size_t lineBytes) {
  std::string lines;
  for (int i = 0; lines.size() < lineBytes; ++i) {
    lines += "NUL=C:\\WINDOWS\\TEMP\\OTHER" + std::to_string(i) + ".TMP\r\n";
  }
  return lines;
}

// The deletion goes through WININIT.INI here. A file that Windows 9x would read cut short,
// written back, would lose the lines it did not read: it is refused and left byte for byte.
TEST(Win98, DeletionAtRestartNeverRewritesAWininitReadCutShort) {
  char windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const std::string wininit = std::string(windows) + "\\WININIT.INI";
  test::ScratchFolder scratch;
  const std::string doomed = scratch.Write("KZUN0001.EXE", "copy");
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(doomed.c_str(), shortPath, MAX_PATH), 0u);
  struct Case {
    const char* name;
    std::string before;
    bool accepted;
  } cases[] = {
      {"a small file takes the line", "[rename]\r\n" + ForeignRenameLines(100), true},
      {"a [rename] section over 32,767 bytes", "[rename]\r\n" + ForeignRenameLines(33000), false},
      {"a file over 64 KB", "[rename]\r\n" + ForeignRenameLines(100) + "[other]\r\n" +
                                ForeignRenameLines(70000), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::WriteBytes(wininit, c.before));
    EXPECT_EQ(DeleteFileAtRestart(doomed.c_str()), c.accepted);
    const std::string after = test::ReadBytes(wininit);
    if (c.accepted) {
      EXPECT_NE(after.find(std::string("NUL=") + shortPath), std::string::npos) << after;
      EXPECT_NE(after.find(c.before.substr(10)), std::string::npos) << after;
    } else {
      EXPECT_TRUE(after == c.before) << "WININIT.INI was rewritten";
    }
  }
  DeleteFileA(wininit.c_str());
}

TEST(WinXp, IsNtWithMinorVersionOne) {
  BOOL minor = 7;
  EXPECT_TRUE(IsNtPlatform(&minor));
  EXPECT_EQ(minor, 1);
}

TEST(Win2k, IsNtWithMinorVersionZero) {
  BOOL minor = 7;
  EXPECT_TRUE(IsNtPlatform(&minor));
  EXPECT_EQ(minor, 0);
}

}  // namespace
}  // namespace kaze
