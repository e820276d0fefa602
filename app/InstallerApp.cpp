#include "app/InstallerApp.h"

#include "app/SystemSession.h"
#include "app/WizardFrame.h"
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

// Owns the start-up mutex while the wizard runs.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

 private:
  HANDLE handle_;
};

}  // namespace

bool InstallerApp::InitInstance() {
  if (!AnyCdRomDrive()) {
    ShowMessage(nullptr, kNoCdRomMessage, kInstallerCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  ScopedHandle startupMutex(CreateMutexA(nullptr, TRUE, kStartupMutexName));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another copy runs: bring it forward and end without a word.
    EnumWindows(BringForwardStartupCallback, 0);
    return false;
  }
  WizardFrame frame(instance_);
  frame.RunModal(nullptr);
  return false;
}

}  // namespace kaze
