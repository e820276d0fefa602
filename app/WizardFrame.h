#pragma once
// The installer's one top-level window (dialog 102). It owns the install context and the
// window-bound single-instance guard for the life of its window.
#include <windows.h>

#include <memory>

#include "app/InstallContext.h"
#include "app/SystemSession.h"
#include "ui/Dialog.h"

namespace kaze {

class WizardFrame : public Dialog {
 public:
  explicit WizardFrame(HINSTANCE instance);
  ~WizardFrame() override;

  InstallContext* context() const { return context_.get(); }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroy() override;

 private:
  HICON icon_;
  std::unique_ptr<InstallContext> context_;
  std::unique_ptr<SystemSession> guard_;
};

}  // namespace kaze
