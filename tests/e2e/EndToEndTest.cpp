// Runs setup.exe from the demo disc in drive Q: as a user would: reads the frame's title,
// waits for each page's work, presses Next and Cancel, answers the message boxes, and saves
// a screenshot of each step beside this program.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ProcessDriver.h"
#include "tests/support/Screenshot.h"

namespace kaze::test {
namespace {

const char kStep1[] = "「月見日和」インストールプログラム -  1 / 5 「インストールの開始」";
const char kStep2[] = "「月見日和」インストールプログラム -  2 / 5 「ディスクの確認」";
const char kStep3[] = "「月見日和」インストールプログラム -  3 / 5 「インストール設定」";

bool IsWizardFrame(HWND window) {
  return ClassName(window) == "#32770" && GetDlgItem(window, 1008) != nullptr;
}

// Clicks a button of another process's window without waiting for it.
void Click(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool WaitFor(const ChildProcess& process, const std::function<bool()>& done, DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return false;
    if (process.WaitForExit(50)) return false;
  }
  return true;
}

void Shot(const std::string& name) {
  Sleep(700);  // let the page finish painting
  EXPECT_TRUE(SaveScreenshot(ProgramFolder() + name + ".bmp")) << name;
}

TEST(EndToEnd, FromStartToSettingsThenCancel) {
  // The stand-in account library beside setup.exe answers "administrator".
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  ChildProcess setup("Q:\\setup.exe");
  ASSERT_TRUE(setup.started());
  HWND frame = setup.WaitForWindow(IsWizardFrame, 30000);
  ASSERT_NE(frame, nullptr) << "the wizard did not open";
  HWND next = GetDlgItem(frame, 1008);

  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep1; }, 5000))
      << WindowText(frame);
  Sleep(300);  // the entry checks run 50 ms after the window appeared
  EXPECT_EQ(setup.Windows().size(), 1u) << "a message box appeared at start";
  EXPECT_EQ(WindowText(next), "次へ");
  Shot("step1");

  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep2; }, 5000));
  // The disc is in Q: already: found in the first pass, and Next comes back.
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 8000));
  Shot("step2");

  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep3; }, 5000));
  EXPECT_EQ(WindowText(next), "インストール");
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 8000))
      << "install.ini was not loaded";
  Shot("step3");

  // Cancel asks; No keeps the wizard, Yes ends it.
  Click(frame, 2);
  HWND question = setup.WaitForWindow(IsMessageBox("簡易インストーラ"), 5000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(MessageBoxText(question), "インストール作業は完了していません。中止しますか？");
  PressButton(question, IDNO);
  ASSERT_TRUE(WaitFor(setup, [&] { return !IsWindow(question); }, 5000));
  EXPECT_FALSE(setup.WaitForExit(500));
  EXPECT_EQ(WindowText(frame), kStep3);

  Click(frame, 2);
  question = setup.WaitForWindow(IsMessageBox("簡易インストーラ"), 5000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDYES);
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace kaze::test
