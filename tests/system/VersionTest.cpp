// The platform answers under other Windows versions. One program, run once per version
// with a filter for the matching suite.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "app/SystemSession.h"
#include "system/OsServices.h"
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
