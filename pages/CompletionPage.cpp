#include "pages/CompletionPage.h"

#include <cstdio>

#include "config/ValueParsing.h"
#include "resources/resource.h"

namespace kaze {

const char kRestartNotice[] =
    "・DirectX のバージョンアップを行いました。\r\n"
    "　設定を有効にするために 「再起動」 をする必要があります。\r\n"
    "\r\n"
    "　「終了」ボタンをクリックすると自動的に再起動します。";
const char kCompletedNotice[] = "・インストールは正常に完了しました。";
const char kDirectXFailedNotice[] =
    "・インストールは完了しましたが、DirectX をインストールできませんでした。\r\n"
    "　このゲームを動かすには DirectX が必要な場合があります。";

CompletionPage::CompletionPage(HINSTANCE instance) : WizardPage(instance, IDD_COMPLETION_PAGE) {}

bool CompletionPage::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message != WM_SHOWWINDOW || wParam == 0) return false;
  const InstallInfo* info = context()->installInfo.get();
  char headline[256];
  std::snprintf(headline, sizeof headline, "「%s」のインストールを完了しました",
                info != nullptr ? info->appName : "");
  CutToWholeCharacters(headline, sizeof headline);
  SetDlgItemTextA(window(), IDC_DONE_HEADLINE, headline);
  const char* notice = kCompletedNotice;
  if (context()->restartRequired) {
    notice = kRestartNotice;
  } else if (context()->directXFailed) {
    notice = kDirectXFailedNotice;
  }
  SetDlgItemTextA(window(), IDC_DONE_INFO, notice);
  return false;  // default processing goes on
}

}  // namespace kaze
