#pragma once
// Step 3 of the wizard (dialog 103): loads install.ini when first shown, offers the
// installation types as a list of which exactly one is ticked, and proposes the folder.
// The list works alike on every common-control library from 4.00 on: it sends no message
// the loaded library lacks and draws its own check boxes where the library has none.
#include <windows.h>

#include <memory>
#include <vector>

#include "pages/WizardPage.h"
#include "system/DriveQueries.h"

namespace kaze {

class InstallSettingsPage : public WizardPage {
 public:
  // For the common-control library that is loaded.
  explicit InstallSettingsPage(HINSTANCE instance);
  // For a library of the given version (system/ControlsVersion.h).
  InstallSettingsPage(HINSTANCE instance, int controlsVersion);

  // False from each showing until the start work (load and fill, or failure) is over.
  bool ready() const { return ready_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void StartWork();
  // Finds install.ini (asking the user where it is when it is missing) and loads it.
  bool LocateInstallIni();
  // Install.ini could not be used: say why; the user can only leave.
  void EnterFailedState(const char* message);
  void FillSettingsPage();
  void SelectTypeRow(int row);
  // Makes the ticked row the list's hot item, where the library has one.
  void ShowAsHot(int row);
  void ShowExplanation(int type);
  void ShowRequiredSize(int type);
  void UpdateFreeSpace();
  void BuildDefaultFolder();
  void Browse();
  // The folder the user picks, ending with a backslash, into a 260-byte path.
  static bool BrowseForFolder(HWND owner, char* path);
  void OnTypeListChanged();

  HWND TypeList() const;
  int RowCount() const;
  // The row under the cursor of the message being handled (a click's), or -1; *flags gets
  // where on the row it lies (LVHT_ONITEMSTATEICON: the check box).
  int RowAtClick(UINT* flags) const;
  // The type index that a row stands for (0 when the row does not exist).
  int RowType(int row) const;
  void SetRowTick(int row, bool ticked);
  // A click on a check box, or the space bar, where the list draws no check boxes of its own.
  void ToggleRowTick(int row);
  bool IsValidType(int type) const;

  const int controlsVersion_;
  bool ownTicks_ = false;  // the library lacks the check-box style: the page keeps the ticks
  HWND nextButton_ = nullptr;
  UINT_PTR timerId_ = 0;
  std::vector<int> tickFlags_;  // per row; empty until the list has been filled
  std::unique_ptr<DriveSpaceQuery> spaceQuery_;
  bool ready_ = false;
};

using SettingsPage = InstallSettingsPage;

}  // namespace kaze
