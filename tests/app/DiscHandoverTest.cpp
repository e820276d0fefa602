// Which process is setup.exe's staged copy: only one started with the switch from a
// "KzSetup" folder directly in the temporary folder, so that a switch typed by hand on
// a disc or in any other folder never makes the program take its own folder for the run's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DiscHandover.h"

namespace kaze {
namespace {

TEST(StagedCopyFolder, OnlyTheCopyInItsOwnFolderOfTheTemporaryFolder) {
  const std::string temp = "C:\\Temp\\";
  struct Row {
    const char* name;
    std::vector<std::string> args;
    const char* self;
    const char* expected;
  };
  const std::vector<std::string> staged = {"setup.exe", "/KzStaged"};
  const Row rows[] = {
      {"the copy", staged, "C:\\Temp\\KzSetup1A2B\\setup.exe", "C:\\Temp\\KzSetup1A2B\\"},
      {"names compared without case", staged, "c:\\TEMP\\kzsetup1a2b\\SETUP.EXE",
       "c:\\TEMP\\kzsetup1a2b\\"},
      {"no switch", {"setup.exe"}, "C:\\Temp\\KzSetup1A2B\\setup.exe", ""},
      {"another switch", {"setup.exe", "/KzStagedX"}, "C:\\Temp\\KzSetup1A2B\\setup.exe", ""},
      {"a further argument", {"setup.exe", "/KzStaged", "x"},
       "C:\\Temp\\KzSetup1A2B\\setup.exe", ""},
      {"on the disc", staged, "Q:\\setup.exe", ""},
      {"a KzSetup folder on the disc", staged, "Q:\\KzSetup1A2B\\setup.exe", ""},
      {"a KzSetup folder elsewhere", staged, "C:\\Games\\KzSetup1A2B\\setup.exe", ""},
      {"deeper in the temporary folder", staged, "C:\\Temp\\x\\KzSetup1A2B\\setup.exe", ""},
      {"in the temporary folder itself", staged, "C:\\Temp\\setup.exe", ""},
      {"a folder of another name", staged, "C:\\Temp\\Other1A2B\\setup.exe", ""},
      {"a longer folder name", staged, "C:\\Temp\\KzSetup1A2B3\\setup.exe", ""},
      {"no hex digits after the prefix", staged, "C:\\Temp\\KzSetupWXYZ\\setup.exe", ""},
      {"no own path", staged, "", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(StagedCopyFolderOf(row.args, row.self, temp), row.expected) << row.name;
  }
  EXPECT_EQ(StagedCopyFolderOf(staged, "C:\\Temp\\KzSetup1A2B\\setup.exe", ""), "")
      << "no temporary folder";
}

}  // namespace
}  // namespace kaze
