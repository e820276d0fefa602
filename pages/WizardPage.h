#pragma once
// What every page of the wizard shares: it is a modeless child dialog of the frame,
// created hidden at start-up, and reaches the frame's buttons through the install context.
#include <windows.h>

#include "app/InstallContext.h"
#include "ui/Dialog.h"

namespace kaze {

class WizardPage : public Dialog {
 public:
  WizardPage(HINSTANCE instance, int templateId) : Dialog(instance, templateId) {}

  // Keeps the context only while the page has no window yet, then creates the page from
  // its template as a hidden child of the frame. Returns the page's window.
  HWND Create(HWND frame, InstallContext* context);

 protected:
  InstallContext* context() const { return context_; }
  // The frame's Next (1008), Back (1009) or Cancel (2) button.
  HWND FrameButton(int id) const { return GetDlgItem(context_->frameWindow, id); }
  // A one-shot timer of `milliseconds` on the page: ids 1, 2, 3 ... are tried until
  // SetTimer accepts one; the accepted id is returned (0 if none was).
  UINT_PTR StartTimer(UINT milliseconds);

 private:
  InstallContext* context_ = nullptr;
};

}  // namespace kaze
