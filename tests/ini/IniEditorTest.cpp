#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/IniEditor.h"
#include "tests/support/ScratchFiles.h"

namespace kaze {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

class IniEditorTest : public ::testing::Test {
 protected:
  std::string Target() const { return scratch_ / "設定表.ini"; }
  std::string Temporary() const { return Target() + ".tmp"; }
  test::ScratchFolder scratch_{"KazeIniTest"};
};

TEST_F(IniEditorTest, BuildsAFileEditByEdit) {
  TextFile file;
  ASSERT_TRUE(file.CreateEmptyFile(Target().c_str(), true));
  struct Step {
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } steps[] = {
      {"INSTALL", "CORPNAME", "X", "[INSTALL]\r\nCORPNAME = X\r\n"},
      {"INSTALL", "APPNAME", "Y", "[INSTALL]\r\nCORPNAME = X\r\nAPPNAME = Y\r\n"},
      {"DISK", "NAME", "ディスク", "[INSTALL]\r\nCORPNAME = X\r\nAPPNAME = Y\r\n[DISK]\r\nNAME = ディスク\r\n"},
      {"install", "corpname", "New Corp",
       "[INSTALL]\r\ncorpname = New Corp\r\nAPPNAME = Y\r\n[DISK]\r\nNAME = ディスク\r\n"},
      {"INSTALL", "CORPNAME", "Z",
       "[INSTALL]\r\nCORPNAME = Z\r\nAPPNAME = Y\r\n[DISK]\r\nNAME = ディスク\r\n"},
  };
  for (const Step& s : steps) {
    EXPECT_TRUE(WriteIniValue(file, s.section, s.key, s.value)) << s.key;
    EXPECT_EQ(ReadBytes(Target()), s.after) << s.key;
    EXPECT_FALSE(Exists(Temporary())) << s.key;
  }
}

TEST_F(IniEditorTest, KeyIsSearchedOnlyInItsSection) {
  const std::string before =
      "[A]\r\nCORPNAME=a\r\n[INSTALL]\r\n; maker\r\ncorpname=Old\r\nNEXT=1\r\n\r\n[B]\r\nCORPNAME=b\r\n";
  ASSERT_TRUE(WriteBytes(Target(), before));
  TextFile file;
  ASSERT_TRUE(file.SetTargetPath(Target().c_str()));
  EXPECT_TRUE(WriteIniValue(file, "INSTALL", "CORPNAME", "New"));
  EXPECT_EQ(ReadBytes(Target()),
            "[A]\r\nCORPNAME=a\r\n[INSTALL]\r\n; maker\r\nCORPNAME = New\r\nNEXT=1\r\n\r\n[B]\r\nCORPNAME=b\r\n");
  EXPECT_FALSE(Exists(Temporary()));
}

TEST_F(IniEditorTest, RefusesWithoutChangingAnything) {
  TextFile unset;
  EXPECT_FALSE(WriteIniValue(unset, "S", "K", "V")) << "no target";

  ASSERT_TRUE(WriteBytes(Target(), "[S]\r\nK=1\r\n"));
  TextFile file;
  ASSERT_TRUE(file.SetTargetPath(Target().c_str()));
  EXPECT_FALSE(WriteIniValue(file, "S", "MY KEY", "V")) << "a key it could not find again";
  EXPECT_FALSE(WriteIniValue(file, "S", "K", "1\r\n[T]")) << "a value that adds lines";
  HANDLE holder = CreateFileA(Target().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteIniValue(file, "S", "K", "2")) << "target held by another program";
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(Target()), "[S]\r\nK=1\r\n");
  EXPECT_FALSE(Exists(Temporary()));

  DeleteFileA(Target().c_str());
  EXPECT_FALSE(WriteIniValue(file, "S", "K", "2")) << "target gone";
  EXPECT_FALSE(Exists(Target()));
  EXPECT_FALSE(Exists(Temporary()));
}

}  // namespace
}  // namespace kaze
