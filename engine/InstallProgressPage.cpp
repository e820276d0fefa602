#include "engine/InstallProgressPage.h"

#include <climits>
#include <cstdio>
#include <string>

#include "engine/DirectXStep.h"
#include "engine/ProgressMath.h"
#include "engine/Registration.h"
#include "resources/resource.h"
#include "system/StopPoint.h"
#include "ui/Prompts.h"
#include "uninstall/UninstallLog.h"

namespace kaze {

namespace {

const char kWorkingStatus[] =
    "※　現在、インストール作業を行っています。作業終了までしばらくお待ちください　※";
const char kDoneStatus[] = "※　インストールが完了しました　※";
const char kDoneItem[] = "インストールが完了しました";
const char kCancelledStatus[] = "※　インストールがキャンセルされました　※";
const char kCancelledItem[] = "インストールがキャンセルされました";
const char kLogNotCommitted[] = "アンインストール情報を書き込めませんでした。\n";
const char kFolderNotMade[] = "インストール先のフォルダを作成できません。\n";
const char kRollbackLeftovers[] = "インストールを取り消しましたが、一部を元に戻せませんでした。";
const char kTriedAgainAtStart[] =
    "次回このインストールプログラムを起動したときに、もう一度元に戻します。";
const char kNotRecorded[] =
    "インストール作業の記録を書き込めないため、インストール作業を続けられません。\n"
    "一時フォルダのあるドライブの空き容量を確認してください。";
const char kFailedStatus[] = "※　インストール中にエラーが発生しました　※";
const char kFailedItem[] = "インストール作業中にエラーが発生しました";
const char kStopQuestion[] = "インストール作業は完了していません。中止しますか？";
const char kFinishButton[] = "終了";
const char kNoLogMessage[] =
    "インストール作業の記録を作成できないため、インストール作業を行えません。\n"
    "一時フォルダに書き込みできるか確認してください。";
const char kEarlierRunPending[] =
    "前回のインストール作業を元に戻し終えていないため、インストール作業を始められません。\n"
    "このインストールプログラムをいったん終了し、もう一度起動してください。";
const char kZeroPercent[] = "0.00 % ";
const char kFullPercent[] = "100.00% ";

}  // namespace

InstallProgressPage::InstallProgressPage(HINSTANCE instance)
    : WizardPage(instance, IDD_PROGRESS_PAGE) {}

InstallProgressPage::~InstallProgressPage() = default;

BOOL InstallProgressPage::OnInitDialog() {
  pass_.reset();
  discsNeeded_ = 0;
  discIndex_ = 0;
  cancelRequested_ = 0;
  font_.Reset(CreateFontA(10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "ＭＳ ゴシック"));
  bar_.Attach(Item(IDC_PROGRESS_BAR));
  bar_.SetTextFont(font_.get(), false);
  bar_.SetText(kZeroPercent);
  return TRUE;
}

void InstallProgressPage::OnDestroy() {
  // The bar lets go of the control before the font it draws with is deleted.
  bar_.Detach();
}

bool InstallProgressPage::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message == WM_SHOWWINDOW && wParam != 0) timerId_ = StartTimer(50);
  return false;
}

bool InstallProgressPage::OnCommand(WORD id, WORD code, HWND) {
  if (id == IDC_PROGRESS_CANCEL && code == BN_CLICKED) {
    cancelRequested_ = 1;
    return true;
  }
  return false;
}

bool InstallProgressPage::OnTimer(UINT_PTR id) {
  if (id != timerId_ || timerId_ == 0) return false;
  RunInstallation();
  return false;
}

void InstallProgressPage::SetStatus(const char* text) {
  SetDlgItemTextA(window(), IDC_PROGRESS_STATUS, text);
}

void InstallProgressPage::SetWorkItem(const char* text) {
  SetDlgItemTextA(window(), IDC_PROGRESS_ITEM, text);
}

void InstallProgressPage::PumpOneFrameMessage() {
  MSG message;
  if (PeekMessageA(&message, context().frameWindow, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool InstallProgressPage::RecordLogEntry(int kind, const char* path) {
  if (!log_ || path == nullptr || path[0] == '\0') return true;
  if (log_->AppendEntry(kind, path)) return true;
  if (!FailureTold()) {
    logFailed_ = true;
    if (pass_) pass_->ShowProgressNow();
    std::string text = std::string(kLogNotCommitted) + log_->temporaryLogPath();
    ShowMessage(window(), text.c_str(), kInstallerCaption, MB_OK | MB_ICONERROR);
  }
  return false;
}

bool InstallProgressPage::StopRequested() {
  InstallContext& shared = context();
  // A stop the user confirmed holds for every notice after it, without a second question.
  if (shared.closeWithoutAsking) return true;
  if (!cancelRequested_) return false;
  if (pass_) pass_->ShowProgressNow();  // the question stands over what has been done
  if (ShowMessage(window(), kStopQuestion, kInstallerCaption, MB_YESNO | MB_ICONINFORMATION) ==
      IDYES) {
    shared.closeWithoutAsking = 1;
    return true;
  }
  cancelRequested_ = 0;
  return false;
}

void InstallProgressPage::RunInstallation() {
  KillTimer(window(), timerId_);
  timerId_ = 0;
  InstallContext& shared = context();
  journalFailed_ = false;
  logFailed_ = false;
  SetStatus(kWorkingStatus);
  ShowWindow(FrameButton(IDCANCEL), SW_HIDE);
  ShowWindow(FrameButton(IDC_NEXT), SW_HIDE);

  // The journal first: every change after it is recorded before it is made, and a run cut
  // off from here on is put back at the next start.
  journal_ = std::make_unique<RunJournal>();
  std::string group;
  if (const InstallInfo* info = shared.installInfo.get()) {
    std::vector<std::string> groups = ProgramGroupFolders(info->corpName, info->appName);
    if (!groups.empty()) group = groups.front();
  }
  log_ = std::make_unique<UninstallLog>();
  bool begun = journal_->Begin(shared.installFolder, group, shared.runFolder);
  // The temporary log lies in the run's own folder, where nothing else may add records.
  const std::string temporaryLog = journal_->folder() + kTemporaryLogName;
  log_->SetTemporaryFolder(journal_->folder());
  if (!begun || temporaryLog.size() >= MAX_PATH || !journal_->FileToBeMade(temporaryLog) ||
      !log_->BeginLog(shared.installFolder)) {
    // Without the records nothing done could be taken back again: do nothing at all.
    ShowMessage(window(), journal_->unfinishedEarlier() ? kEarlierRunPending : kNoLogMessage,
                kInstallerCaption, MB_OK | MB_ICONERROR);
    ShowFailed(false);
    journal_->Close();
    if (begun) PutBackRun(journal_->path());
    log_.reset();
    journal_.reset();
    return;
  }
  kept_ = std::make_unique<KeptFiles>(shared.installFolder, journal_.get());
  pass_ = std::make_unique<ExtractionPass>(*this);
  // From disc 1, still in the drive: whatever discs the type needs, the archive library
  // and the uninstaller come from the first.
  pass_->StageSupportFiles(journal_->folder());

  std::vector<int> discs = pass_->DiscsNeeded();
  discsNeeded_ = static_cast<int>(discs.size());
  // The control keeps 16-bit bounds: beyond 32 discs the bar's last share is cut short.
  int upper = discsNeeded_ > SHRT_MAX / kDiscUnits ? SHRT_MAX : discsNeeded_ * kDiscUnits;
  bar_.SetRange(0, static_cast<short>(upper));
  bar_.SetPos(0);

  RunDirectXStep(*this);

  // Only the discs that hold chosen groups are visited, each asked for by its own index.
  int result = 1;
  for (discIndex_ = 0; discIndex_ < discsNeeded_; ++discIndex_) {
    if (!pass_->PrepareDisc(discIndex_, discs[discIndex_])) break;
    result = pass_->ExtractDisc();
    if (result < 1) break;
  }
  bool done = discIndex_ == discsNeeded_ && result >= 1 && Succeed();
  pass_->FreeWorkList();
  // The archive library lets go of its staged file before the journal clears it.
  pass_->RemoveSupportFiles();
  journal_->Close();
  if (done) {
    // Only the run's leftovers go (kept copies, staged files, the journal); a part that
    // cannot is cleared at the next start.
    PutBackRun(journal_->path());
  } else {
    // A stop the user chose (confirmed, or a disc given up) is a cancel; anything else
    // failed, and the user was told what.
    RollBack(shared.closeWithoutAsking != 0);
  }
  pass_.reset();
  kept_.reset();
  log_.reset();
  journal_.reset();
}

bool InstallProgressPage::Recorded(bool recorded) {
  if (!recorded && !FailureTold()) {
    journalFailed_ = true;
    if (pass_) pass_->ShowProgressNow();
    ShowMessage(window(), kNotRecorded, kInstallerCaption, MB_OK | MB_ICONERROR);
  }
  return recorded;
}

bool InstallProgressPage::BeforeCreating(int kind, const char* path) {
  if (!journal_ || path == nullptr || path[0] == '\0') return true;
  return Recorded(kind == LOG_FOLD ? journal_->FolderToBeMade(path) : journal_->FileToBeMade(path));
}

bool InstallProgressPage::BeforeCreatingAll(const std::vector<std::string>& folders,
                                            const std::vector<std::string>& files) {
  return !journal_ || Recorded(journal_->AllToBeMade(folders, files));
}

bool InstallProgressPage::BeforeCreatingKey(const char* key) {
  return !journal_ || Recorded(journal_->KeyToBeMade(key));
}

bool InstallProgressPage::BeforeSettingValue(const char* key, const char* name) {
  return !journal_ || Recorded(journal_->ValueToBeSet(key, name));
}

bool InstallProgressPage::KeepBeforeWriting(const char* path) {
  return kept_ == nullptr || path == nullptr || kept_->KeepBeforeWriting(path);
}

std::string InstallProgressPage::stagingFolder() const {
  return pass_ ? pass_->stagingFolder() : std::string();
}

// True when the registration and the log's commit succeeded; the done texts are shown
// only then.
bool InstallProgressPage::Succeed() {
  InstallContext& shared = context();
  // (Made already unless no disc was needed.)
  if (!CreateFolderLogged(*this, shared.installFolder)) {
    if (!FailureTold()) {
      std::string text = std::string(kFolderNotMade) + shared.installFolder;
      ShowMessage(window(), text.c_str(), kInstallerCaption, MB_OK | MB_ICONERROR);
    }
    return false;
  }
  // The uninstall entry is not in the log (the uninstaller removes it after a whole
  // removal); the journal takes a new one back if the run fails from here on. Each step
  // tells its own failure.
  if (!WriteRegistryData(*this) || !RegisterUninstall(*this) || !WriteInstalledIni(*this)) {
    return false;
  }
  // Whatever is already at the log's place is not the run's: the commit leaves it alone.
  if (!PathExists(log_->finalLogPath()) && !BeforeCreating(LOG_FILE, log_->finalLogPath())) {
    return false;
  }
  if (!log_->CommitLog()) {
    // Without its log the installation could be neither uninstalled nor installed again.
    std::string text = std::string(kLogNotCommitted) + shared.installFolder + kUninstallLogName;
    ShowMessage(window(), text.c_str(), kInstallerCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  KAZE_STOP_POINT("log-commit");
  // From here on the run is done: the next start clears its leftovers, never the
  // installation.
  if (!Recorded(journal_->Finished())) return false;
  SetStatus(kDoneStatus);
  bar_.SetPos(shared.diskCount * kDiscUnits);
  bar_.SetText(kFullPercent);
  MessageBeep(0);
  SetWorkItem(kDoneItem);
  ShowWindow(FrameButton(IDC_NEXT), SW_SHOW);
  EnableWindow(FrameButton(IDC_NEXT), TRUE);
  ShowWindow(Item(IDC_PROGRESS_CANCEL), SW_HIDE);
  return true;
}

// Everything the journal records is put back, newest first, exactly as the next start
// would after a run cut off: the log itself, created files, folders and keys go, the
// user's files and replaced values come back.
void InstallProgressPage::RollBack(bool cancelled) {
  ShowFailed(cancelled);
  PutBackOutcome outcome = PutBackRun(journal_->path());
  if (!outcome.report.complete()) {
    std::string text = FormatPutBackReport(
        kRollbackLeftovers, outcome.report, outcome.report.failed.empty() ? "" : kTriedAgainAtStart);
    ShowMessage(window(), text.c_str(), kInstallerCaption, MB_OK | MB_ICONWARNING);
  }
}

void InstallProgressPage::ShowFailed(bool cancelled) {
  context().closeWithoutAsking = 1;
  SetStatus(cancelled ? kCancelledStatus : kFailedStatus);
  SetWorkItem(cancelled ? kCancelledItem : kFailedItem);
  bar_.SetPos(0);
  bar_.SetText(kZeroPercent);
  HWND finish = FrameButton(IDCANCEL);
  ShowWindow(finish, SW_SHOW);
  SetWindowTextA(finish, kFinishButton);
  ShowWindow(Item(IDC_PROGRESS_CANCEL), SW_HIDE);
}

}  // namespace kaze
