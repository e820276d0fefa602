#pragma once
// Step 2: finds the CD-ROM drive holding the first disc by its volume label and records
// the drive's root as the source folder.
#include "pages/WizardPage.h"
#include "system/DriveQueries.h"

namespace kaze {

class DiscRecognitionPage : public WizardPage {
 public:
  explicit DiscRecognitionPage(HINSTANCE instance);

  // The search: up to 50 passes over the CD-ROM drives, 100 ms apart, one frame message
  // dispatched per pass. True when the disc was found (cdFolder then holds its root).
  bool RecognizeDisc();
  // Passes over the drives that the last search made (1 when the disc was already in).
  int lastSearchPasses() const { return passes_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void ShowSearching();
  void ShowNotFound();
  // Runs the search and shows its outcome: Next enabled when found; otherwise the
  // re-scan button enabled and the failure texts.
  bool Search();

  HWND nextButton_ = nullptr;
  UINT_PTR timerId_ = 0;
  CdRomDriveTable cdRoms_ = {};
  int passes_ = 0;
};

}  // namespace kaze
