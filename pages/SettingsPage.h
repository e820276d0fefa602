#pragma once
// Step 3 of the wizard (dialog 103): loads install.ini when first shown, offers the
// installation types as a list of which exactly one is ticked, and proposes the folder.
#include <windows.h>

#include <memory>
#include <vector>

#include "pages/WizardPage.h"
#include "system/DriveQueries.h"

namespace kaze {

class InstallSettingsPage : public WizardPage {
 public:
  explicit InstallSettingsPage(HINSTANCE instance);

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
  // The type index that a row stands for (0 when the row does not exist).
  int RowType(int row) const;
  void SetRowTick(int row, bool ticked);
  bool IsValidType(int type) const;

  HWND nextButton_ = nullptr;
  UINT_PTR timerId_ = 0;
  std::vector<int> tickFlags_;  // per row; empty until the list has been filled
  std::unique_ptr<DriveSpaceQuery> spaceQuery_;
  bool ready_ = false;
};

using SettingsPage = InstallSettingsPage;

}  // namespace kaze
