// The completion page as a real window: what its information area says after a run.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/InstallContext.h"
#include "pages/CompletionPage.h"
#include "resources/resource.h"

namespace kaze::test {
namespace {

std::string ItemText(HWND page, int id) {
  char text[512] = {};
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

// A DirectX setup that failed does not stop the installation, but the game may not start
// without the runtime: the page says so instead of "completed normally".
TEST(CompletionPage, TellsTheRestartOrThatDirectXIsMissing) {
  const struct {
    const char* what;
    BOOL restartRequired;
    BOOL directXFailed;
    const char* info;
  } cases[] = {
      {"nothing of DirectX", 0, 0, "・インストールは正常に完了しました。"},
      {"DirectX installed", 1, 0,
       "・DirectX のバージョンアップを行いました。\r\n"
       "　設定を有効にするために 「再起動」 をする必要があります。\r\n"
       "\r\n"
       "　「終了」ボタンをクリックすると自動的に再起動します。"},
      {"DirectX setup failed", 0, 1,
       "・インストールは完了しましたが、DirectX をインストールできませんでした。\r\n"
       "　このゲームを動かすには DirectX が必要な場合があります。"},
  };
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND frame = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance,
                             nullptr);
  ASSERT_NE(frame, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InstallContext context;
    context.installInfo = std::make_unique<InstallInfo>();
    std::strcpy(context.installInfo->appName, "月見日和");
    context.restartRequired = c.restartRequired;
    context.directXFailed = c.directXFailed;
    CompletionPage page(instance);
    ASSERT_NE(page.Create(frame, &context), nullptr);
    SendMessageA(page.window(), WM_SHOWWINDOW, TRUE, 0);
    EXPECT_EQ(ItemText(page.window(), IDC_DONE_HEADLINE), "「月見日和」のインストールを完了しました");
    EXPECT_EQ(ItemText(page.window(), IDC_DONE_INFO), c.info);
    DestroyWindow(page.window());
  }
  DestroyWindow(frame);
}

}  // namespace
}  // namespace kaze::test
