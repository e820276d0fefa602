#pragma once
// The small modal box that asks for a further disc and, once OK is pressed, waits until
// Windows reports a volume label for whatever disc was inserted. It does not judge the
// disc: the caller compares the label and asks again on a mismatch.
#include <windows.h>

#include "ui/Dialog.h"

namespace kaze {

class DiscRequestDialog : public Dialog {  // dialog 129
 public:
  explicit DiscRequestDialog(HINSTANCE instance);

  HWND owner = nullptr;         // window to centre over, may be null
  int discIndex = 0;            // shown as discIndex + 1
  char sourceFolder[260] = {};  // only its drive root is used

  // Modal; IDOK once a label was read, IDCANCEL when given up before OK.
  INT_PTR Run();

  // The volume labels read by the last Run, all rounds together: the dialog's own count of
  // its waiting, kPollMilliseconds apart.
  int labelReads() const { return labelReads_; }

  // Time allowed for one wait and the pause between two reads, in milliseconds.
  static const int kWaitMilliseconds = 5000;
  static const int kPollMilliseconds = 100;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;

 private:
  // Returns once a label was read; shows the time-out message and waits again meanwhile.
  void WaitForVolume();
  void SetButtonsEnabled(bool enabled);

  bool waiting_ = false;
  int labelReads_ = 0;
};

}  // namespace kaze
