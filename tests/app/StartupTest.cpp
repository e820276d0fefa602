// Runs setup.exe as a user would and watches what it shows. The same program runs in a
// prefix without a CD-ROM drive (--gtest_filter=NoCdRom.*), in one with a disc in
// drive Q: (--gtest_filter=WithCdRom.*) and in one where setup.exe itself lies on the disc
// in Q: (--gtest_filter=FromDisc.*).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/InstallerApp.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/ScratchFiles.h"
#include "ui/Prompts.h"

namespace kaze::test {
namespace {

std::string SetupCommand() { return "\"" + ProgramFolder() + "setup.exe\""; }

TEST(NoCdRom, RefusesWithItsMessageAndEnds) {
  ChildProcess setup(SetupCommand());
  ASSERT_TRUE(setup.started());
  HWND box = setup.WaitForWindow(IsMessageBox(kInstallerCaption), 20000);
  ASSERT_NE(box, nullptr) << "no message box appeared";
  EXPECT_EQ(MessageBoxText(box), kNoCdRomMessage);
  EXPECT_EQ(setup.Windows().size(), 1u) << "nothing but the message box is shown";
  PressButton(box, IDOK);
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

TEST(WithCdRom, OpensTheWizardAndASecondCopyEndsSilently) {
  // The stand-in account library beside setup.exe answers "administrator".
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  ChildProcess first(SetupCommand());
  ASSERT_TRUE(first.started());
  HWND frame = first.WaitForWindow(IsWizardFrame, 20000);
  ASSERT_NE(frame, nullptr) << "the wizard did not open";
  ASSERT_NE(GetPropA(frame, "KazeInstaller_HWND"), nullptr);
  ASSERT_NE(GetPropA(frame, "KazeInstaller"), nullptr);

  // Minimising another program's window completes asynchronously.
  ShowWindow(frame, SW_MINIMIZE);
  for (int i = 0; i < 100 && !IsIconic(frame); ++i) Sleep(50);
  ASSERT_TRUE(IsIconic(frame));

  ChildProcess second(SetupCommand());
  ASSERT_TRUE(second.started());
  DWORD code = 1;
  EXPECT_TRUE(second.WaitForExit(20000, &code)) << "the second copy kept running";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(second.Windows().empty());

  // The first copy came forward, restored.
  for (int i = 0; i < 100 && IsIconic(frame); ++i) Sleep(50);
  EXPECT_FALSE(IsIconic(frame));
  EXPECT_TRUE(IsWindow(frame));

  // Cancel asks before it closes.
  PressButton(frame, IDCANCEL);
  HWND question = first.WaitForWindow(IsMessageBox(kInstallerCaption), 10000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDYES);
  EXPECT_TRUE(first.WaitForExit(10000, &code));
}

// The names of the "KzSetup" folders in the temporary folder.
std::vector<std::string> StagingFolders() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((TempFolder() + "KzSetup*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// What Windows is to delete at its next start: the session manager's list on NT, the
// [rename] section of WININIT.INI on 9x; one text, entries separated by newlines.
std::string DeletionsAtRestart() {
  std::string text;
  if (IsNtFamily()) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                      0, KEY_READ, &key) != ERROR_SUCCESS) {
      return text;
    }
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
      text.assign(data.data(), size);
    }
    RegCloseKey(key);
  } else {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::vector<char> data(65536);
    DWORD got = GetPrivateProfileSectionA("rename", data.data(), static_cast<DWORD>(data.size()),
                                          (std::string(windows) + "\\WININIT.INI").c_str());
    text.assign(data.data(), got);
  }
  for (char& c : text) {
    if (c == '\0') c = '\n';
  }
  return text;
}

// Started from the disc, setup.exe makes a copy of itself in a folder of the run's own in
// the temporary folder, has Windows take it away at its next start, and the wizard runs
// from there; a second start from the disc makes no second copy. An empty folder an
// earlier run left (9x deletes only the copy) goes; one holding anything stays.
TEST(FromDisc, RunsOnFromACopyThatGoesAtTheNextStartOfWindows) {
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  ASSERT_TRUE(StagingFolders().empty());
  const std::string left = TempFolder() + "KzSetupFFFF";
  const std::string held = TempFolder() + "KzSetupFFFE";
  ASSERT_TRUE(CreateDirectoryA(left.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(held.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(held + "\\kept.txt", "kept"));
  ChildProcess setup("Q:\\setup.exe", true);
  ASSERT_TRUE(setup.started());
  HWND frame = setup.WaitForWindow(IsWizardFrame, 30000);
  ASSERT_NE(frame, nullptr) << "the wizard did not open";
  EXPECT_EQ(setup.handovers(), 1) << "the wizard runs from the disc";

  EXPECT_FALSE(Exists(left)) << "an empty folder of an earlier run is left";
  EXPECT_EQ(ReadBytes(held + "\\kept.txt"), "kept");
  ASSERT_TRUE(DeleteFileA((held + "\\kept.txt").c_str()));
  ASSERT_TRUE(RemoveDirectoryA(held.c_str()));
  std::vector<std::string> folders = StagingFolders();
  ASSERT_EQ(folders.size(), 1u);
  const std::string copy = TempFolder() + folders[0] + "\\setup.exe";
  EXPECT_EQ(ReadBytes(copy), ReadBytes("Q:\\setup.exe"));
  const std::string deletions = DeletionsAtRestart();
  if (IsNtFamily()) {
    EXPECT_NE(deletions.find(folders[0] + "\\setup.exe\n"), std::string::npos) << deletions;
    EXPECT_NE(deletions.find(folders[0] + "\n"), std::string::npos)
        << "the folder is not to go: " << deletions;
  } else {
    char shortCopy[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(copy.c_str(), shortCopy, MAX_PATH), 0u);
    EXPECT_NE(deletions.find(std::string("NUL=") + shortCopy + "\n"), std::string::npos)
        << deletions;
  }

  ChildProcess second("Q:\\setup.exe");
  ASSERT_TRUE(second.started());
  DWORD code = 1;
  EXPECT_TRUE(second.WaitForExit(20000, &code)) << "the second start kept running";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(StagingFolders().size(), 1u) << "the second start made a copy";

  PressButton(frame, IDCANCEL);
  HWND question = setup.WaitForWindow(IsMessageBox(kInstallerCaption), 10000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDYES);
  EXPECT_TRUE(setup.WaitForExit(10000, &code));
}

}  // namespace
}  // namespace kaze::test
