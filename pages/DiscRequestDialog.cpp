#include "pages/DiscRequestDialog.h"

#include <cstdio>

#include "resources/resource.h"
#include "system/DriveQueries.h"
#include "ui/Prompts.h"

namespace kaze {

namespace {

const char kRequestLine[] = "Disk %d をセットしてください";
const char kWaitingLine[] = "挿入されたディスクを認識しています．．．";
const char kTimeOutMessage[] =
    "Windows のディスク認識に時間がかかっています。\n"
    "ディスクの回転が止まるのを待ち、[OK] ボタンを押してください";
const char kTimeOutCaption[] = "情報";

}  // namespace

DiscRequestDialog::DiscRequestDialog(HINSTANCE instance)
    : Dialog(instance, IDD_DISC_REQUEST) {}

INT_PTR DiscRequestDialog::Run() {
  waiting_ = false;
  labelReads_ = 0;
  return RunModal(nullptr);
}

BOOL DiscRequestDialog::OnInitDialog() {
  if (owner != nullptr) {
    RECT o;
    RECT d;
    GetWindowRect(owner, &o);
    GetWindowRect(window(), &d);
    int x = o.left + ((o.right - o.left) - (d.right - d.left)) / 2;
    int y = o.top + ((o.bottom - o.top) - (d.bottom - d.top)) / 2;
    SetWindowPos(window(), HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  }
  char line[256];
  std::snprintf(line, sizeof line, kRequestLine, discIndex + 1);
  SetDlgItemTextA(window(), IDC_REQUEST_TEXT, line);
  MessageBeep(MB_ICONASTERISK);
  return TRUE;
}

bool DiscRequestDialog::OnCommand(WORD id, WORD, HWND) {
  if (id != IDOK && id != IDCANCEL) return false;
  // Once OK was pressed the dialog ends only with a disc: a Cancel, Escape or close that
  // reaches it through the wait's own pumping is swallowed, as is a second OK.
  if (waiting_) return true;
  if (id == IDOK) WaitForVolume();
  End(id);
  return true;
}

void DiscRequestDialog::SetButtonsEnabled(bool enabled) {
  EnableWindow(Item(IDOK), enabled ? TRUE : FALSE);
  EnableWindow(Item(IDCANCEL), enabled ? TRUE : FALSE);
}

void DiscRequestDialog::WaitForVolume() {
  waiting_ = true;
  char root[256];
  if (sourceFolder[0] != '\0' && sourceFolder[1] == ':') {
    // The drive root, also when the folder was given as a bare "E:".
    std::snprintf(root, sizeof root, "%c:\\", sourceFolder[0]);
  } else {
    std::snprintf(root, sizeof root, "%.3s", sourceFolder);
  }
  for (;;) {
    SetDlgItemTextA(window(), IDC_REQUEST_TEXT, kWaitingLine);
    SetButtonsEnabled(false);
    char label[256] = {};
    for (int remaining = kWaitMilliseconds; label[0] == '\0' && remaining >= 0;
         remaining -= kPollMilliseconds) {
      ReadVolumeLabel(root, label);
      ++labelReads_;
      // One message of the dialog per pass keeps it painted without running a loop.
      MSG msg;
      if (PeekMessageA(&msg, window(), 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));  // not ours to consume
        } else {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
      }
      Sleep(kPollMilliseconds);
    }
    if (label[0] != '\0') return;
    ShowMessage(window(), kTimeOutMessage, kTimeOutCaption, MB_OK | MB_ICONINFORMATION);
  }
}

}  // namespace kaze
