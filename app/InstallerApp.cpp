#include "app/InstallerApp.h"

#include <string>

#include "app/DiscHandover.h"
#include "app/SystemSession.h"
#include "app/WizardFrame.h"
#include "system/Handles.h"
#include "ui/Prompts.h"

namespace kaze {

const char kNoCdRomMessage[] =
    "Windows 上の CD-ROM ドライブの存在が確認できませんでした。"
    "インストールには CD-ROM ドライブが必要です";

namespace {

bool AnyCdRomDrive() {
  char root[256] = "A:\\";
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    root[0] = letter;
    if (GetDriveTypeA(root) == DRIVE_CDROM) return true;
  }
  return false;
}

}  // namespace

bool InstallerApp::InitInstance() {
  if (!AnyCdRomDrive()) {
    ShowMessage(nullptr, kNoCdRomMessage, kInstallerCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  const std::string runFolder = StagedCopyFolder();
  if (runFolder.empty() && StartedFromRemovableMedia()) {
    // Another copy runs: it comes forward, and no second copy is made off the disc.
    ScopedHandle running(OpenMutexA(SYNCHRONIZE, FALSE, kStartupMutexName));
    if (running.get() != nullptr) {
      EnumWindows(BringForwardStartupCallback, 0);
      return false;
    }
    if (HandOverToStagedCopy()) return false;
  }
  // Owned while the wizard runs.
  ScopedHandle startupMutex(CreateMutexA(nullptr, TRUE, kStartupMutexName));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another copy runs: bring it forward and end without a word.
    EnumWindows(BringForwardStartupCallback, 0);
    return false;
  }
  WizardFrame frame(instance_);
  frame.SetRunFolder(runFolder);
  frame.RunModal(nullptr);
  return false;
}

}  // namespace kaze
