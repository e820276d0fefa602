#include "app/WizardFrame.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "engine/InstallProgressPage.h"
#include "pages/CompletionPage.h"
#include "pages/DiscRecognitionPage.h"
#include "pages/SettingsPage.h"
#include "pages/StartPage.h"
#include "resources/resource.h"
#include "system/DriveQueries.h"
#include "system/OsServices.h"
#include "system/WindowsCompat.h"
#include "ui/Prompts.h"

namespace kaze {

namespace {

struct Step {
  const char* text;
  const char* nextText;  // nullptr: the template's text stays
  bool nextEnabled;
};

// One row per page: the step text of the title, the Next button's text and state.
const Step kSteps[kPageCount] = {
    {" 1 / 5 「インストールの開始」", nullptr, true},
    {" 2 / 5 「ディスクの確認」", "次へ", true},
    {" 3 / 5 「インストール設定」", "インストール", false},  // enabled once install.ini is loaded
    {" 4 / 5 「インストール作業」", "次へ", false},
    {" 5 / 5「インストール作業の完了」", "終了", true},
};

const char kNotAdministrator[] =
    "インストール作業は [アドミニストレータ(adoministrator)] 権限をもつユーザより行ってください。\n"
    "[ゲスト(Guest)] および [ユーザ(User)] 権限等からでは行えません。";
const char kAlreadyInstalled[] =
    "既に [月見日和] がインストールされています。一度ゲームのアンインストールを行ってから再度実行"
    "してください。";
const char kAbandonQuestion[] = "インストール作業は完了していません。中止しますか？";

}  // namespace

WizardFrame::WizardFrame(HINSTANCE instance)
    : Dialog(instance, IDD_WIZARD_FRAME),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP))) {}

WizardFrame::~WizardFrame() = default;

BOOL WizardFrame::OnInitDialog() {
  SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  // The settings page's list view and the progress page's bar.
  InitCommonControlsFor(ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS);

  context_ = std::make_unique<InstallContext>();
  context_->productIdentity = std::make_unique<ProductIdentity>();
  guard_ = std::make_unique<SystemSession>();
  pages_[0] = std::make_unique<StartPage>(instance());
  pages_[1] = std::make_unique<DiscRecognitionPage>(instance());
  pages_[2] = std::make_unique<SettingsPage>(instance());
  pages_[3] = std::make_unique<InstallProgressPage>(instance());
  pages_[4] = std::make_unique<CompletionPage>(instance());

  context_->closeWithoutAsking = 0;
  context_->frameWindow = window();
  context_->instance = instance();
  if (runFolder_.size() < sizeof context_->runFolder) {
    std::memcpy(context_->runFolder, runFolder_.c_str(), runFolder_.size() + 1);
  }

  if (!guard_->AcquireSingleInstance(window(), kStartupMutexName, kFrameMutexName)) {
    PostQuitMessage(0);
  }
  FillProductIdentity(*context_->productIdentity);

  for (int i = 0; i < kPageCount; ++i) {
    context_->pageWindows[i] = pages_[i]->Create(window(), context_.get());
  }
  currentPage_ = 0;
  ShowWindow(context_->pageWindows[0], SW_SHOW);
  UpdateTitle();

  SetPropA(window(), kFrameMutexName, reinterpret_cast<HANDLE>(1));

  for (UINT_PTR id = 1; id < 0x10000 && timerId_ == 0; ++id) {
    timerId_ = SetTimer(window(), id, 50, nullptr);
  }
  return TRUE;
}

bool WizardFrame::OnTimer(UINT_PTR id) {
  if (id != timerId_ || timerId_ == 0) return false;
  OnCheckTimer();
  return false;
}

void WizardFrame::OnCheckTimer() {
  KillTimer(window(), timerId_);

  context_->isNtPlatform = IsNtPlatform(&context_->isNtMinor1);
  context_->isAdministrator = context_->isNtPlatform ? IsAdministrator() : 1;
  if (!context_->isAdministrator) {
    ShowMessage(window(), kNotAdministrator, kInstallerCaption, MB_OK | MB_ICONERROR);
    context_->closeWithoutAsking = 1;
    ShowWindow(Item(IDC_NEXT), SW_HIDE);
    SetWindowTextA(Item(IDCANCEL), "終了");
  }

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductRegistryKey, 0, KEY_ALL_ACCESS, &key) ==
      ERROR_SUCCESS) {
    RegCloseKey(key);
    ShowMessage(window(), kAlreadyInstalled, kInstallerCaption, MB_OK | MB_ICONERROR);
    context_->closeWithoutAsking = 1;
    ShowWindow(Item(IDC_NEXT), SW_HIDE);
    SetWindowTextA(Item(IDCANCEL), "終了");
  }
}

bool WizardFrame::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDC_NEXT:
      OnNext();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    case IDOK:
      // The dialog manager sends Enter to the frame even when the focus is inside a page;
      // the page shown decides what it means (the settings page takes it as Next). The
      // frame itself never ends on it.
      if (context_ && context_->pageWindows[currentPage_] != nullptr) {
        SendMessageA(context_->pageWindows[currentPage_], WM_COMMAND, MAKEWPARAM(IDOK, code), 0);
      }
      return true;
  }
  return false;
}

void WizardFrame::OnNext() {
  if (currentPage_ == 4) {
    OnCancel();
    return;
  }
  if (!IsWindowEnabled(Item(IDC_NEXT))) return;
  if (currentPage_ == 2 && !CheckInstallTargetDrive(*context_)) return;

  ShowWindow(context_->pageWindows[currentPage_], SW_HIDE);
  ++currentPage_;
  ShowWindow(context_->pageWindows[currentPage_], SW_SHOW);
  UpdateTitle();
}

bool WizardFrame::ConfirmAbandon() {
  if (context_->closeWithoutAsking) return true;
  if (ShowMessage(window(), kAbandonQuestion, kInstallerCaption, MB_YESNO | MB_ICONINFORMATION) !=
      IDYES) {
    return false;
  }
  context_->closeWithoutAsking = 1;
  return true;
}

void WizardFrame::OnCancel() {
  if (!ConfirmAbandon()) return;
  End(IDCANCEL);
}

void WizardFrame::OnClose() {
  // On Yes the close request goes its default way, the Cancel command, which no longer asks.
  if (!ConfirmAbandon()) return;
  SendMessageA(window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void WizardFrame::UpdateTitle() {
  char title[256] = "";
  if (currentPage_ >= 0 && currentPage_ < kPageCount) {
    const Step& step = kSteps[currentPage_];
    if (step.nextText != nullptr) SetWindowTextA(Item(IDC_NEXT), step.nextText);
    if (currentPage_ == 4) context_->closeWithoutAsking = 1;
    std::snprintf(title, sizeof title, "「%s」インストールプログラム - %s",
                  context_->productIdentity->title, step.text);
  }
  SetWindowTextA(window(), title);
  EnableWindow(Item(IDC_BACK), FALSE);
  bool nextEnabled = currentPage_ >= 0 && currentPage_ < kPageCount && kSteps[currentPage_].nextEnabled;
  EnableWindow(Item(IDC_NEXT), nextEnabled);
  EnableWindow(Item(IDCANCEL), TRUE);
}

bool WizardFrame::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  switch (message) {
    case WM_CLOSE:
      OnClose();
      result = 0;
      return true;
    case WM_PAINT: {
      if (!IsIconic(window())) return false;
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window(), &paint);
      SendMessageA(window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      RECT client;
      GetClientRect(window(), &client);
      int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
      int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
      DrawIcon(dc, x, y, icon_);
      EndPaint(window(), &paint);
      result = 0;
      return true;
    }
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(icon_);
      return true;
  }
  return false;
}

void WizardFrame::OnDestroy() {
  BOOL restart = context_ ? context_->restartRequired : 0;
  if (guard_) guard_->ReleaseSingleInstance(window());
  RemovePropA(window(), kFrameMutexName);

  // The pages go first: their windows' last messages may still read the context.
  for (auto& page : pages_) {
    if (page && page->window() != nullptr && IsWindow(page->window())) {
      DestroyWindow(page->window());
    }
    page.reset();
  }
  if (context_) context_->Release();
  context_.reset();
  if (guard_) guard_->held = 0;
  guard_.reset();

  if (restart) {
    SystemSession session;
    session.exitWindows = exitWindows;
    session.EnableShutdownPrivilege(window());
    session.RestartWindows();
  }
}

}  // namespace kaze
