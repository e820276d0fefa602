// Runs setup.exe as a user would and watches what it shows. The same program runs in a
// prefix without a CD-ROM drive (--gtest_filter=NoCdRom.*) and in one with a disc in
// drive Q: (--gtest_filter=WithCdRom.*).
#include <gtest/gtest.h>

#include "app/InstallerApp.h"
#include "tests/support/ProcessDriver.h"
#include "ui/Prompts.h"

namespace kaze::test {
namespace {

std::string SetupCommand() { return "\"" + ProgramFolder() + "setup.exe\""; }

// The wizard frame: a dialog window carrying the Next button.
bool IsWizardFrame(HWND window) {
  return ClassName(window) == "#32770" && GetDlgItem(window, 1008) != nullptr;
}

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

}  // namespace
}  // namespace kaze::test
