#include "pages/WizardPage.h"

namespace kaze {

HWND WizardPage::Create(HWND frame, InstallContext* context) {
  if (window() == nullptr) {
    context_ = context;
    Dialog::Create(frame);
  }
  return window();
}

UINT_PTR WizardPage::StartTimer(UINT milliseconds) {
  // Ids are tried upward; the range is bounded so that a refusing system cannot hang us.
  for (UINT_PTR id = 1; id < 0x10000; ++id) {
    UINT_PTR accepted = SetTimer(window(), id, milliseconds, nullptr);
    if (accepted != 0) return accepted;
  }
  return 0;
}

}  // namespace kaze
