#include "pages/DiscRecognitionPage.h"

#include <cstdio>
#include <cstring>

#include "config/ValueParsing.h"
#include "resources/resource.h"
#include "system/TextHelpers.h"

namespace kaze {

namespace {

const char kSearchingHeadline[] =
    "※ ディスクの認識には数秒から数十秒かかる場合があります。しばらくお待ちください ※";
const char kFoundHeadline[] =
    "※ インストールディスクの認識ができました。「次へ」ボタンを押してください ※";
const char kNotFoundHeadline[] =
    "※ インストールディスクを認識できませんでした。「再認識」ボタンを押して再度処理を行ってください ※";
const char kSearchingState[] = "現在ディスクの認識中です";
const char kSearchingLine[] = "認識中...";

constexpr int kSearchMilliseconds = 5000;
constexpr int kPassMilliseconds = 100;

}  // namespace

DiscRecognitionPage::DiscRecognitionPage(HINSTANCE instance)
    : WizardPage(instance, IDD_DISC_PAGE) {}

BOOL DiscRecognitionPage::OnInitDialog() {
  nextButton_ = FrameButton(IDC_NEXT);
  ShowWindow(Item(IDC_DISC_RESCAN_FRAME), SW_HIDE);
  ShowWindow(Item(IDC_DISC_RESCAN), SW_HIDE);
  ShowSearching();
  // Drives that appear later are not seen: the table is filled once.
  ScanCdRomDrives(cdRoms_);
  return TRUE;
}

void DiscRecognitionPage::ShowSearching() {
  SetDlgItemTextA(window(), IDC_DISC_HEADLINE, kSearchingHeadline);
  SetDlgItemTextA(window(), IDC_DISC_STATE, kSearchingState);
  SetDlgItemTextA(window(), IDC_DISC_DRIVE, kSearchingLine);
  SetDlgItemTextA(window(), IDC_DISC_VOLUME, kSearchingLine);
}

void DiscRecognitionPage::ShowNotFound() {
  SetDlgItemTextA(window(), IDC_DISC_HEADLINE, kNotFoundHeadline);
  char state[256];
  std::snprintf(state, sizeof state, "「%s」とかかれたディスクを CD-ROM ドライブにセットしてください",
                context()->productIdentity->firstDiscName);
  CutToWholeCharacters(state, sizeof state);
  SetDlgItemTextA(window(), IDC_DISC_STATE, state);
  SetDlgItemTextA(window(), IDC_DISC_DRIVE, "ディスクのセットされドライブが発見できませんでした");
  SetDlgItemTextA(window(), IDC_DISC_VOLUME, "ボリューム名の取得に失敗");
}

bool DiscRecognitionPage::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message == WM_SHOWWINDOW && wParam != 0) {
    // Each showing searches again, 50 ms later, once the page has been painted.
    timerId_ = StartTimer(50);
  }
  return false;
}

bool DiscRecognitionPage::OnTimer(UINT_PTR id) {
  if (id != timerId_ || timerId_ == 0) return false;
  KillTimer(window(), timerId_);
  timerId_ = 0;
  EnableWindow(nextButton_, FALSE);
  if (!Search()) {
    ShowWindow(Item(IDC_DISC_RESCAN_FRAME), SW_SHOW);
    ShowWindow(Item(IDC_DISC_RESCAN), SW_SHOW);
  }
  return false;
}

bool DiscRecognitionPage::Search() {
  if (RecognizeDisc()) {
    MessageBeep(MB_OK);
    SetDlgItemTextA(window(), IDC_DISC_HEADLINE, kFoundHeadline);
    EnableWindow(nextButton_, TRUE);
    return true;
  }
  MessageBeep(MB_ICONASTERISK);
  EnableWindow(Item(IDC_DISC_RESCAN), TRUE);
  ShowNotFound();
  return false;
}

bool DiscRecognitionPage::OnCommand(WORD id, WORD code, HWND) {
  if (id != IDC_DISC_RESCAN || code != BN_CLICKED) return false;
  ShowSearching();
  EnableWindow(Item(IDC_DISC_RESCAN), FALSE);
  Search();
  return true;
}

bool DiscRecognitionPage::RecognizeDisc() {
  char candidates[26][4];
  int count = 0;
  for (int i = 0; i < 26; ++i) {
    if (cdRoms_.isCdRom[i] == 1) {
      std::strcpy(candidates[count], "A:\\");
      candidates[count][0] = static_cast<char>('A' + i);
      ++count;
    }
  }
  const char* expected = context()->productIdentity->firstDiscVolumeLabel;
  // One buffer for the whole search; a drive that yields no label empties it, so a label
  // read from an earlier drive is never taken for this one's.
  char label[256] = {};
  const char* matched = nullptr;
  passes_ = 0;
  for (int remaining = kSearchMilliseconds; remaining > 0; remaining -= kPassMilliseconds) {
    ++passes_;
    for (int c = 0; c < count && matched == nullptr; ++c) {
      ReadVolumeLabel(candidates[c], label);
      LowerCaseAscii(label);
      if (VolumeLabelMatches(label, expected)) matched = candidates[c];
    }
    MSG msg;
    if (PeekMessageA(&msg, context()->frameWindow, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    // The user gave up the installation while we waited: stop at once.
    if (context()->closeWithoutAsking) return false;
    Sleep(kPassMilliseconds);
    if (matched != nullptr) break;
  }
  if (matched == nullptr) return false;

  SetDlgItemTextA(window(), IDC_DISC_STATE, "インストールディスクの確認ができました");
  SetDlgItemTextA(window(), IDC_DISC_DRIVE, matched);
  SetDlgItemTextA(window(), IDC_DISC_VOLUME, label);
  std::snprintf(context()->cdFolder, sizeof context()->cdFolder, "%s", matched);
  return true;
}

}  // namespace kaze
