#pragma once
// The installer's one top-level window (dialog 102). It owns the install context, the
// five pages and the window-bound single-instance guard for the life of its window, keeps
// the title and the buttons in step with the page shown, and restarts Windows at the end
// when the installation asked for it.
#include <windows.h>

#include <memory>
#include <string>

#include "app/InstallContext.h"
#include "app/SystemSession.h"
#include "pages/WizardPage.h"
#include "ui/Dialog.h"

namespace kaze {

constexpr int kPageCount = 5;

class WizardFrame : public Dialog {
 public:
  explicit WizardFrame(HINSTANCE instance);
  ~WizardFrame() override;

  InstallContext* context() const { return context_.get(); }
  int currentPage() const { return currentPage_; }
  UINT_PTR checkTimerId() const { return timerId_; }
  WizardPage* page(int index) const { return pages_[index].get(); }

  // The folder the program runs from when it runs as its staged copy (see InstallContext).
  void SetRunFolder(const std::string& folder) { runFolder_ = folder; }

  // The call that restarts Windows when the window goes away; tests record it instead.
  BOOL(WINAPI* exitWindows)(UINT flags, DWORD reason) = ::ExitWindowsEx;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroy() override;

 private:
  void OnCheckTimer();
  void OnNext();
  void OnCancel();
  void OnClose();
  void UpdateTitle();
  // Asks whether to abandon the unfinished installation; true when the user said Yes
  // (or nothing needs asking any more).
  bool ConfirmAbandon();

  HICON icon_;
  std::unique_ptr<InstallContext> context_;
  std::unique_ptr<SystemSession> guard_;
  UINT_PTR timerId_ = 0;
  int currentPage_ = 0;
  std::string runFolder_;
  std::unique_ptr<WizardPage> pages_[kPageCount];
};

}  // namespace kaze
