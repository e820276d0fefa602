// The wizard frame and its pages as real windows: created in-process, driven with the
// messages a user's actions send, prompts answered through the recorder. The same program
// runs in prefixes with different discs (see CMakeLists.txt for the filters).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/WizardFrame.h"
#include "pages/DiscRecognitionPage.h"
#include "resources/resource.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/WindowPump.h"
#include "tests/support/WineDrives.h"

namespace kaze::test {
namespace {

const char kNotAdministrator[] =
    "インストール作業は [アドミニストレータ(adoministrator)] 権限をもつユーザより行ってください。\n"
    "[ゲスト(Guest)] および [ユーザ(User)] 権限等からでは行えません。";
const char kAlreadyInstalled[] =
    "既に [月見日和] がインストールされています。一度ゲームのアンインストールを行ってから再度実行"
    "してください。";
const char kAbandonQuestion[] = "インストール作業は完了していません。中止しますか？";

std::string Text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<UINT> g_restarts;
BOOL WINAPI RecordRestart(UINT flags, DWORD) {
  g_restarts.push_back(flags);
  return TRUE;
}

class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\KAZE_CORP\\Tsukimi");
    g_restarts.clear();
  }
  void TearDown() override {
    frame_.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\KAZE_CORP\\Tsukimi");
  }

  // Opens the frame and lets its one-shot check run.
  void Open() {
    frame_ = std::make_unique<WizardFrame>(GetModuleHandleA(nullptr));
    frame_->exitWindows = &RecordRestart;
    ASSERT_NE(frame_->Create(nullptr), nullptr);
    ShowWindow(frame_->window(), SW_SHOW);
    PumpFor(300);
  }
  HWND window() const { return frame_->window(); }
  HWND Button(int id) const { return GetDlgItem(window(), id); }
  bool Closed() const { return frame_->window() == nullptr; }
  // Presses a frame button; a page's work that this starts runs when the test pumps.
  void Press(int id) {
    SendMessageA(window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Button(id)));
  }
  HWND Page(int index) const { return frame_->context()->pageWindows[index]; }
  std::string PageText(int index, int id) const {
    char text[1024] = {};
    GetDlgItemTextA(Page(index), id, text, sizeof text);
    return text;
  }

  std::unique_ptr<WizardFrame> frame_;
};

TEST_F(Frame, StartPageTitleButtonsAndTexts) {
  PromptRecorder prompts;
  Open();
  EXPECT_TRUE(prompts.messages().empty());
  EXPECT_EQ(Text(window()), "「月見日和」インストールプログラム -  1 / 5 「インストールの開始」");
  EXPECT_EQ(Text(Button(IDC_NEXT)), "次へ");
  EXPECT_TRUE(IsWindowEnabled(Button(IDC_NEXT)));
  EXPECT_TRUE(IsWindowVisible(Button(IDC_NEXT)));
  EXPECT_EQ(Text(Button(IDCANCEL)), "キャンセル");
  EXPECT_FALSE(IsWindowVisible(Button(IDC_BACK)));
  EXPECT_FALSE(IsWindowEnabled(Button(IDC_BACK)));
  EXPECT_EQ(frame_->currentPage(), 0);
  EXPECT_TRUE(IsWindowVisible(Page(0)));
  for (int i = 1; i < kPageCount; ++i) EXPECT_FALSE(IsWindowVisible(Page(i))) << i;
  EXPECT_EQ(PageText(0, IDC_START_HEADING), "「月見日和」のインストールを開始します");
  EXPECT_EQ(PageText(0, IDC_START_DISC_NAME), "月見日和 Disk1");
  // The frame carries both single-instance markers.
  EXPECT_NE(GetPropA(window(), "KazeInstaller"), nullptr);
  EXPECT_NE(GetPropA(window(), "KazeInstaller_HWND"), nullptr);
  EXPECT_FALSE(frame_->context()->closeWithoutAsking);
  EXPECT_TRUE(frame_->context()->isAdministrator);
}

TEST_F(Frame, RefusalsHideNextAndCloseWithoutAQuestion) {
  struct Case {
    const char* privilege;
    bool installed;
    std::vector<std::string> messages;
  } cases[] = {
      {"user", false, {kNotAdministrator}},
      {"guest", false, {kNotAdministrator}},
      {"fail", false, {kNotAdministrator}},
      {"admin", true, {kAlreadyInstalled}},
      {"user", true, {kNotAdministrator, kAlreadyInstalled}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.privilege) + (c.installed ? " installed" : ""));
    SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", c.privilege);
    HKEY key = nullptr;
    if (c.installed) {
      ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\KAZE_CORP\\Tsukimi", &key),
                ERROR_SUCCESS);
      RegCloseKey(key);
    }
    PromptRecorder prompts;
    Open();
    ASSERT_EQ(prompts.messages().size(), c.messages.size());
    for (size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_EQ(prompts.messages()[i].text, c.messages[i]);
      EXPECT_EQ(prompts.messages()[i].caption, "簡易インストーラ");
      EXPECT_EQ(prompts.messages()[i].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    }
    EXPECT_FALSE(IsWindowVisible(Button(IDC_NEXT)));
    EXPECT_EQ(Text(Button(IDCANCEL)), "終了");
    EXPECT_TRUE(frame_->context()->closeWithoutAsking);

    Press(IDCANCEL);
    PumpFor(50);
    EXPECT_EQ(prompts.messages().size(), c.messages.size()) << "closing asked a question";
    EXPECT_TRUE(Closed());
    frame_.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\KAZE_CORP\\Tsukimi");
  }
}

TEST_F(Frame, CancelAsksAndOnlyYesCloses) {
  PromptRecorder prompts;
  Open();
  prompts.Answer(IDNO);
  Press(IDCANCEL);
  PumpFor(50);
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, kAbandonQuestion);
  EXPECT_EQ(prompts.messages()[0].caption, "簡易インストーラ");
  EXPECT_EQ(prompts.messages()[0].style, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
  EXPECT_FALSE(Closed());
  EXPECT_FALSE(frame_->context()->closeWithoutAsking);

  prompts.Answer(IDYES);
  Press(IDCANCEL);
  PumpFor(50);
  EXPECT_EQ(prompts.messages().size(), 2u);
  EXPECT_TRUE(Closed());
}

TEST_F(Frame, CloseRequestAsksOnce) {
  PromptRecorder prompts;
  Open();
  prompts.Answer(IDNO);
  SendMessageA(window(), WM_CLOSE, 0, 0);
  PumpFor(50);
  EXPECT_EQ(prompts.messages().size(), 1u);
  EXPECT_FALSE(Closed());

  prompts.Answer(IDYES);
  SendMessageA(window(), WM_CLOSE, 0, 0);
  PumpFor(50);
  EXPECT_EQ(prompts.messages().size(), 2u) << "the close request asked twice";
  EXPECT_TRUE(Closed());
}

TEST_F(Frame, RestartIsRequestedOnlyWhenTheRunAskedForIt) {
  PromptRecorder prompts;
  Open();
  frame_->context()->restartRequired = 0;
  DestroyWindow(window());
  EXPECT_TRUE(g_restarts.empty());

  Open();
  frame_->context()->restartRequired = 1;
  DestroyWindow(window());
  ASSERT_EQ(g_restarts.size(), 1u);
  EXPECT_EQ(g_restarts[0], static_cast<UINT>(EWX_REBOOT));
}

// Disc recognition, with the disc in drive Q: (and another disc in E:).
TEST_F(Frame, DiscFoundInTheFirstPassOfTheSecondDrive) {
  PromptRecorder prompts;
  Open();
  Press(IDC_NEXT);
  EXPECT_EQ(frame_->currentPage(), 1);
  EXPECT_EQ(Text(window()), "「月見日和」インストールプログラム -  2 / 5 「ディスクの確認」");
  ASSERT_TRUE(PumpUntil([&] { return frame_->context()->cdFolder[0] != '\0'; }, 3000));
  EXPECT_EQ(static_cast<DiscRecognitionPage*>(frame_->page(1))->lastSearchPasses(), 1);
  EXPECT_TRUE(IsWindowEnabled(Button(IDC_NEXT)));
  EXPECT_STREQ(frame_->context()->cdFolder, "Q:\\");
  EXPECT_EQ(PageText(1, IDC_DISC_HEADLINE),
            "※ インストールディスクの認識ができました。「次へ」ボタンを押してください ※");
  EXPECT_EQ(PageText(1, IDC_DISC_STATE), "インストールディスクの確認ができました");
  EXPECT_EQ(PageText(1, IDC_DISC_DRIVE), "Q:\\");
  EXPECT_EQ(PageText(1, IDC_DISC_VOLUME), "tsukimi1");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(Page(1), IDC_DISC_RESCAN)));
  EXPECT_TRUE(prompts.messages().empty());
}

// Disc recognition with a wrong disc in Q:, then the right one inserted.
TEST_F(Frame, NoDiscThenASuccessfulRescan) {
  PromptRecorder prompts;
  Open();
  DWORD start = GetTickCount();
  Press(IDC_NEXT);
  HWND rescan = GetDlgItem(Page(1), IDC_DISC_RESCAN);
  // A limit only a hang reaches; the search's length is the page's own count of passes,
  // and a loaded machine can only make it longer than its 5 s.
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(rescan) != FALSE; }, 60000));
  EXPECT_GE(GetTickCount() - start, 4500u);
  EXPECT_EQ(static_cast<DiscRecognitionPage*>(frame_->page(1))->lastSearchPasses(), 50);
  EXPECT_TRUE(IsWindowEnabled(rescan));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(Page(1), IDC_DISC_RESCAN_FRAME)));
  EXPECT_FALSE(IsWindowEnabled(Button(IDC_NEXT)));
  EXPECT_EQ(PageText(1, IDC_DISC_HEADLINE),
            "※ インストールディスクを認識できませんでした。「再認識」ボタンを押して再度処理を行ってください ※");
  EXPECT_EQ(PageText(1, IDC_DISC_STATE),
            "「月見日和 Disk1」とかかれたディスクを CD-ROM ドライブにセットしてください");
  EXPECT_EQ(PageText(1, IDC_DISC_DRIVE), "ディスクのセットされドライブが発見できませんでした");
  EXPECT_EQ(PageText(1, IDC_DISC_VOLUME), "ボリューム名の取得に失敗");
  EXPECT_STREQ(frame_->context()->cdFolder, "");

  // Pressing Next while it is disabled does nothing.
  Press(IDC_NEXT);
  PumpFor(50);
  EXPECT_EQ(frame_->currentPage(), 1);

  DiscFolder right("right", "TSUKIMI1");
  ASSERT_TRUE(InsertDisc('Q', right.unixPath()));
  SendMessageA(Page(1), WM_COMMAND, MAKEWPARAM(IDC_DISC_RESCAN, BN_CLICKED),
               reinterpret_cast<LPARAM>(rescan));
  PumpFor(50);
  EXPECT_TRUE(IsWindowEnabled(Button(IDC_NEXT)));
  EXPECT_TRUE(IsWindowVisible(rescan));
  EXPECT_FALSE(IsWindowEnabled(rescan));
  EXPECT_STREQ(frame_->context()->cdFolder, "Q:\\");
  EXPECT_EQ(PageText(1, IDC_DISC_HEADLINE),
            "※ インストールディスクの認識ができました。「次へ」ボタンを押してください ※");
  EXPECT_EQ(PageText(1, IDC_DISC_VOLUME), "tsukimi1");
}

// The whole walk on the demo disc in Q:: every step's title and buttons, the target check
// refusing a folder, and the last step closing without a question.
TEST_F(Frame, WalkThroughEveryStep) {
  struct Row { const char* title; const char* next; bool nextEnabled; };
  const Row steps[] = {
      {"「月見日和」インストールプログラム -  1 / 5 「インストールの開始」", "次へ", true},
      {"「月見日和」インストールプログラム -  2 / 5 「ディスクの確認」", "次へ", true},
      {"「月見日和」インストールプログラム -  3 / 5 「インストール設定」", "インストール", true},
      {"「月見日和」インストールプログラム -  4 / 5 「インストール作業」", "次へ", false},
      {"「月見日和」インストールプログラム -  5 / 5「インストール作業の完了」", "終了", true},
  };
  PromptRecorder prompts;
  Open();
  for (int page = 0; page < kPageCount; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    ASSERT_EQ(frame_->currentPage(), page);
    EXPECT_EQ(Text(window()), steps[page].title);
    EXPECT_EQ(Text(Button(IDC_NEXT)), steps[page].next);
    EXPECT_FALSE(IsWindowEnabled(Button(IDC_BACK)));
    EXPECT_TRUE(IsWindowEnabled(Button(IDCANCEL)));
    for (int other = 0; other < kPageCount; ++other) {
      EXPECT_EQ(IsWindowVisible(Page(other)) != FALSE, other == page) << other;
    }
    // Each page's own work (disc search, install.ini load) ends with Next enabled.
    if (page == 1) {
      ASSERT_TRUE(PumpUntil([&] { return frame_->context()->cdFolder[0] != '\0'; }, 8000));
      EXPECT_STREQ(frame_->context()->cdFolder, "Q:\\");
    }
    if (page == 2) {
      // Until install.ini is loaded Next does nothing: the second click of a double click
      // on step 2's Next never reaches the target check with an empty folder.
      EXPECT_FALSE(IsWindowEnabled(Button(IDC_NEXT)));
      Press(IDC_NEXT);
      EXPECT_EQ(frame_->currentPage(), 2);
      EXPECT_TRUE(prompts.messages().empty());
      HWND list = GetDlgItem(Page(2), IDC_TYPE_LIST);
      ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, 8000));
    }
    EXPECT_EQ(IsWindowEnabled(Button(IDC_NEXT)) != FALSE, steps[page].nextEnabled);
    if (page == 2) {
      // A relative folder is refused and the wizard stays on this step.
      HWND folder = GetDlgItem(Page(2), IDC_INSTALL_FOLDER);
      char chosen[260] = {};
      GetWindowTextA(folder, chosen, sizeof chosen);
      SetWindowTextA(folder, "games\\tsukimi");
      Press(IDC_NEXT);
      ASSERT_EQ(prompts.messages().size(), 1u);
      EXPECT_EQ(prompts.messages()[0].text,
                "指定されているインストールフォルダのパスが不正です。フォルダの指定は「絶対パス」"
                "でなければなりません");
      EXPECT_EQ(frame_->currentPage(), 2);
      // Enter in the folder box reaches the frame, not the page; once loaded it is Next.
      SetFocus(folder);
      MSG enter = {folder, WM_KEYDOWN, VK_RETURN, 0x001C0001, GetTickCount(), {}};
      EXPECT_TRUE(IsDialogMessageA(window(), &enter));
      ASSERT_EQ(prompts.messages().size(), 2u) << "Enter did not act as Next";
      EXPECT_EQ(prompts.messages()[1].text, prompts.messages()[0].text);
      EXPECT_EQ(frame_->currentPage(), 2);
      SetWindowTextA(folder, chosen);
    }
    if (page == 3) {
      // Next does nothing while the page keeps it disabled; the page enables it when done.
      Press(IDC_NEXT);
      EXPECT_EQ(frame_->currentPage(), 3);
      EnableWindow(Button(IDC_NEXT), TRUE);
    }
    if (page < kPageCount - 1) Press(IDC_NEXT);
  }
  EXPECT_TRUE(frame_->context()->closeWithoutAsking);
  EXPECT_EQ(frame_->context()->installFolder[std::strlen(frame_->context()->installFolder) - 1], '\\');
  Press(IDC_NEXT);  // "終了"
  PumpFor(50);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(prompts.messages().size(), 2u) << "closing asked a question";
}

}  // namespace
}  // namespace kaze::test
