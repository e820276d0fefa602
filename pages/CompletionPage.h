#pragma once
// Step 5: reports the finished installation and announces a restart after DirectX, or
// that DirectX could not be installed.
#include "pages/WizardPage.h"

namespace kaze {

class CompletionPage : public WizardPage {
 public:
  explicit CompletionPage(HINSTANCE instance);

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

extern const char kRestartNotice[];
extern const char kCompletedNotice[];
extern const char kDirectXFailedNotice[];

}  // namespace kaze
