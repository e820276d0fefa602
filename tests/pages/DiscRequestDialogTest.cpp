// The disc request dialog run modally for real. The test thread is inside its modal loop,
// so the user's part is played from timer callbacks: a thread timer while the dialog asks,
// a timer of the dialog's own while it waits (its wait pumps only the dialog's messages).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "pages/DiscRequestDialog.h"
#include "resources/resource.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/WineDrives.h"

namespace kaze::test {
namespace {

const char kWaitingLine[] = "挿入されたディスクを認識しています．．．";
const char kTimeOut[] =
    "Windows のディスク認識に時間がかかっています。\n"
    "ディスクの回転が止まるのを待ち、[OK] ボタンを押してください";

BOOL CALLBACK FindRequestDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") == 0 && GetDlgItem(window, IDC_REQUEST_TEXT) != nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// Once the dialog is up, `act` is called with it from a thread timer, once.
std::function<void(HWND)>& Act() {
  static std::function<void(HWND)> act;
  return act;
}
void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindRequestDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, timer);
  Act()(dialog);
}

INT_PTR RunActing(DiscRequestDialog& dialog, std::function<void(HWND)> act) {
  Act() = std::move(act);
  SetTimer(nullptr, 0, 50, ActOnDialog);
  return dialog.Run();
}

std::string Text(HWND dialog) {
  char text[256] = {};
  GetDlgItemTextA(dialog, IDC_REQUEST_TEXT, text, sizeof text);
  return text;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST(DiscRequestDialog, AsksForTheDiscByNumberAndCancelEndsIt) {
  struct Case {
    int index;
    const char* line;
  } cases[] = {{1, "Disk 2 をセットしてください"}, {9, "Disk 10 をセットしてください"}};
  for (const Case& c : cases) {
    DiscRequestDialog dialog(GetModuleHandleA(nullptr));
    dialog.discIndex = c.index;
    std::strcpy(dialog.sourceFolder, "Q:\\setup\\");
    std::string shown;
    bool enabled = false;
    INT_PTR result = RunActing(dialog, [&](HWND window) {
      shown = Text(window);
      enabled = IsWindowEnabled(GetDlgItem(window, IDOK)) &&
                IsWindowEnabled(GetDlgItem(window, IDCANCEL));
      Press(window, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(shown, c.line);
    EXPECT_TRUE(enabled);
  }
}

TEST(DiscRequestDialog, CentredOverItsOwnerAndClosedBeforeOk) {
  HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 101, 80, 601, 403, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  DiscRequestDialog dialog(GetModuleHandleA(nullptr));
  dialog.owner = owner;
  RECT placed = {};
  INT_PTR result = RunActing(dialog, [&](HWND window) {
    GetWindowRect(window, &placed);
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(result, IDCANCEL);
  int width = placed.right - placed.left;
  int height = placed.bottom - placed.top;
  EXPECT_EQ(placed.left, 101 + (601 - width) / 2);
  EXPECT_EQ(placed.top, 80 + (403 - height) / 2);
  DestroyWindow(owner);
}

TEST(DiscRequestDialog, DiscAlreadyInTheDriveEndsTheWaitAtOnce) {
  // Drive Q: holds a disc labelled TSUKIMI1; only the folder's drive root is asked.
  for (const char* folder : {"Q:\\setup\\", "Q:"}) {
    PromptRecorder prompts;
    DiscRequestDialog dialog(GetModuleHandleA(nullptr));
    dialog.discIndex = 1;
    std::strcpy(dialog.sourceFolder, folder);
    INT_PTR result = RunActing(dialog, [&](HWND window) { Press(window, IDOK); });
    EXPECT_EQ(result, IDOK) << folder;
    EXPECT_TRUE(prompts.messages().empty()) << folder;
    // The first read finds the label: by the dialog's own count, not a loaded machine's
    // clock.
    EXPECT_EQ(dialog.labelReads(), 1) << folder;
  }
}

struct WaitObservation {
  PromptRecorder* prompts = nullptr;
  const DiscFolder* disc = nullptr;
  bool sawWaitingLine = false;
  bool buttonsStayedDisabled = true;
  bool triedToEnd = false;
  bool stayedVisible = true;
  bool inserted = false;
};
WaitObservation& Observed() {
  static WaitObservation observed;
  return observed;
}

// Runs while the dialog waits: tries to close and cancel it, and inserts the disc only
// after the second time-out message.
void CALLBACK WhileWaiting(HWND dialog, UINT, UINT_PTR timer, DWORD) {
  WaitObservation& o = Observed();
  if (Text(dialog) == kWaitingLine) o.sawWaitingLine = true;
  if (IsWindowEnabled(GetDlgItem(dialog, IDOK)) || IsWindowEnabled(GetDlgItem(dialog, IDCANCEL))) {
    o.buttonsStayedDisabled = false;
  }
  if (!IsWindowVisible(dialog)) o.stayedVisible = false;
  if (!o.triedToEnd) {
    o.triedToEnd = true;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    Press(dialog, IDCANCEL);
    Press(dialog, IDOK);
  }
  if (o.prompts->messages().size() >= 2 && !o.inserted) {
    o.inserted = InsertDisc('R', o.disc->unixPath());
    KillTimer(dialog, timer);
  }
}

TEST(DiscRequestDialog, EmptyDriveShowsTheTimeOutAndWaitsAgainUntilADiscArrives) {
  // Drive R: is an empty CD-ROM drive.
  PromptRecorder prompts;
  DiscFolder disc("second", "TSUKIMI2");
  Observed() = WaitObservation();
  Observed().prompts = &prompts;
  Observed().disc = &disc;
  DiscRequestDialog dialog(GetModuleHandleA(nullptr));
  dialog.discIndex = 1;
  std::strcpy(dialog.sourceFolder, "R:\\setup\\");
  DWORD pressed = 0;
  INT_PTR result = RunActing(dialog, [&](HWND window) {
    SetTimer(window, 77, 200, WhileWaiting);
    pressed = GetTickCount();
    Press(window, IDOK);
  });
  DWORD waited = GetTickCount() - pressed;

  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(Observed().inserted);
  EXPECT_TRUE(Observed().sawWaitingLine);
  EXPECT_TRUE(Observed().buttonsStayedDisabled);
  EXPECT_TRUE(Observed().stayedVisible) << "close and Cancel are refused while waiting";
  ASSERT_EQ(prompts.messages().size(), 2u);
  for (const RecordedMessage& m : prompts.messages()) {
    EXPECT_EQ(m.text, kTimeOut);
    EXPECT_EQ(m.caption, "情報");
    EXPECT_EQ(m.style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  }
  // Two whole rounds of 51 reads, then the reads of the third round up to the one that
  // finds the disc; 100 ms apart, which no load can make shorter.
  EXPECT_GT(dialog.labelReads(), 2 * 51);
  EXPECT_LE(dialog.labelReads(), 3 * 51);
  EXPECT_GE(waited, 10000u);
}

}  // namespace
}  // namespace kaze::test
