#include "app/InstallerApp.h"

#include <string>

#include "app/DiscHandover.h"
#include "app/SystemSession.h"
#include "app/WizardFrame.h"
#include "system/Handles.h"
#include "ui/Prompts.h"
#include "uninstall/RunJournal.h"

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

const char kRunUndone[] =
    "前回のインストール作業は途中で中断されていたため、その作業を取り消して元の状態に戻しました。";
const char kRunPartlyUndone[] =
    "前回のインストール作業は途中で中断されていたため、その作業を取り消しましたが、"
    "一部を元に戻せませんでした。";
const char kRunTriedAgain[] =
    "次回このインストールプログラムを起動したときに、もう一度元に戻します。";

void PutBackUnfinishedRun() {
  std::string journal;
  if (!FindUnfinishedRun(&journal)) return;
  PutBackOutcome outcome = PutBackRun(journal);
  if (outcome.inUse) return;  // a run of another session is still going
  const PutBackReport& report = outcome.report;
  // A run that had succeeded only left its leftovers to clear: nothing to tell then.
  if (outcome.finishedRun && report.complete()) return;
  if (report.complete()) {
    ShowMessage(nullptr, kRunUndone, kInstallerCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::string text = FormatPutBackReport(outcome.finishedRun ? "" : kRunPartlyUndone, report,
                                         report.failed.empty() ? "" : kRunTriedAgain);
  if (outcome.finishedRun) text.erase(0, text.find_first_not_of('\n'));
  ShowMessage(nullptr, text.c_str(), kInstallerCaption, MB_OK | MB_ICONWARNING);
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
  // A run that did not end (a power loss, a kill, a crash) is put back before anything
  // is asked.
  PutBackUnfinishedRun();
  WizardFrame frame(instance_);
  frame.SetRunFolder(runFolder);
  frame.RunModal(nullptr);
  return false;
}

}  // namespace kaze
