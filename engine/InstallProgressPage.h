#pragma once
// Step 4: the page that runs the installation. Its first timer tick after being shown
// does all the work: DirectX, one extraction pass per needed disc, registration, and the
// uninstall log committed (or, after a failure or a confirmed cancel, played back to take
// everything away again).
#include <windows.h>

#include <memory>
#include <string>

#include "engine/ExtractionPass.h"
#include "engine/KeptFiles.h"
#include "pages/WizardPage.h"
#include "ui/TextProgressBar.h"
#include "uninstall/RunJournal.h"
#include "uninstall/UninstallLog.h"

namespace kaze {

// Owns a GDI font; deleted when the owner goes.
class ScopedFont {
 public:
  ScopedFont() = default;
  ~ScopedFont() { Reset(); }
  ScopedFont(const ScopedFont&) = delete;
  ScopedFont& operator=(const ScopedFont&) = delete;

  HFONT get() const { return font_; }
  void Reset(HFONT font = nullptr) {
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
  }

 private:
  HFONT font_ = nullptr;
};

class InstallProgressPage : public WizardPage, public ExtractionHost {
 public:
  explicit InstallProgressPage(HINSTANCE instance);
  ~InstallProgressPage() override;

  // EngineHost
  InstallContext& context() override { return *WizardPage::context(); }
  HWND pageWindow() const override { return window(); }
  void SetWorkItem(const char* text) override;
  void PumpOneFrameMessage() override;
  bool RecordLogEntry(int kind, const char* path) override;
  bool FailureTold() const override { return journalFailed_ || logFailed_; }
  std::string stagingFolder() const override;
  bool KeepBeforeWriting(const char* path) override;
  bool BeforeCreating(int kind, const char* path) override;
  bool BeforeCreatingAll(const std::vector<std::string>& folders,
                         const std::vector<std::string>& files) override;
  bool BeforeCreatingKey(const char* key) override;
  bool BeforeSettingValue(const char* key, const char* name) override;
  // ExtractionHost
  TextProgressBar& progressBar() override { return bar_; }
  bool StopRequested() override;

  // The whole installation, as the first tick of the start timer runs it.
  void RunInstallation();

  bool cancelRequested() const { return cancelRequested_ != 0; }
  int discsNeeded() const { return discsNeeded_; }
  int discIndex() const { return discIndex_; }
  UINT_PTR timerId() const { return timerId_; }
  // The run's temporary uninstall log, "" outside a run.
  std::string temporaryLogPath() const { return log_ ? log_->temporaryLogPath() : ""; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroy() override;

 private:
  bool Succeed();
  void RollBack(bool cancelled);
  // Tells, once a run, that a change could not be recorded; false is handed on.
  bool Recorded(bool recorded);
  // The cancelled texts and buttons: the frame's Cancel becomes "終了".
  void ShowFailed(bool cancelled);
  void SetStatus(const char* text);

  ScopedFont font_;
  TextProgressBar bar_;
  UINT_PTR timerId_ = 0;
  int discsNeeded_ = 0;
  int discIndex_ = 0;  // needed discs processed so far
  LONG cancelRequested_ = 0;
  std::unique_ptr<RunJournal> journal_;  // every change, recorded before it is made
  bool journalFailed_ = false;           // a record could not be written (told once)
  bool logFailed_ = false;               // a record of the uninstall log could not be appended
  std::unique_ptr<UninstallLog> log_;
  std::unique_ptr<ExtractionPass> pass_;
  std::unique_ptr<KeptFiles> kept_;  // the user's files the run wrote over, while it runs
};

}  // namespace kaze
