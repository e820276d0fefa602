#include "engine/ExtractionPass.h"

#include <cstdio>
#include <cstring>

#include "engine/ProgressMath.h"
#include "pages/DiscRequestDialog.h"
#include "system/Dbcs.h"
#include "system/DriveQueries.h"
#include "system/PathSplit.h"
#include "system/PathText.h"
#include "system/StopPoint.h"
#include "system/TextHelpers.h"
#include "ui/Prompts.h"
#include "ui/TextProgressBar.h"
#include "uninstall/LogRecords.h"

namespace kaze {

const char kCabLibraryName[] = "cab32.dll";
// Far beyond the archive library; a larger file is not taken for it.
constexpr size_t kLibraryMax = 16u << 20;
const char kUninstallerName[] = "Kaze_Inst.exe";

namespace {

const char kWrongDisc[] =
    "現在 CD-ROM ドライブにセットされているディスクは要求されたディスクと異なります。"
    "正しいディスクをセットしてください";
const char kPathTooLong[] =
    "インストールするファイルのパスが長すぎるため、インストールできません。\n%s";
const char kSourceUnreadable[] = "インストール元のファイルを読み込めません。\n";
const char kTargetNotCreated[] = "インストール先にファイルを作成できません。\n";
const char kTargetNotWritten[] = "インストール先のファイルに書き込めません。\n";
const char kReasonDiskFull[] = "\nディスクの空き容量が足りません。";
const char kReasonProtected[] = "\n書き込みが禁止されているか、ほかのプログラムが使用しています。";
const char kNotKept[] =
    "インストール先にある同じ名前のファイルを退避できないため、インストールできません。\n%s";
const char kNameTooLong[] =
    "インストールするファイルの名前が長すぎるため、インストールできません。\n%s";
const char kFolderUnreadable[] = "インストール元のフォルダを読み込めません。\n%s";

// Large enough that the copy, not the notices, takes the time; small enough that a Cancel
// click is answered within a few milliseconds.
constexpr DWORD kCopyBlock = 0x10000;
constexpr uint32_t kUncountedArchiveWeight = 80000;
// A look at the message queue is a round trip to the window server: notices look at it
// once per 256 KB (four copy blocks, eight of the archive library's 32 KB notices), at a
// file's start and end, and at least every 25 ms on a slow drive.
constexpr uint32_t kCopyNoticesPerLook = 4;
constexpr uint32_t kCabNoticesPerLook = 8;
constexpr uint32_t kLookIntervalMs = 25;

// Folders the game makes for itself at run time: recorded for the uninstaller unless the
// user had them before the run.
const char* const kGameFolders[] = {"%sHD\\", "%sHD\\CDFiles\\", "%sHD\\Mask\\"};

bool IsArchiveExtension(const std::string& extension) { return extension == ".cab"; }

// True when folder (with its backslash) is a folder whose entries can be read; an empty
// one can.
bool FolderReadable(const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  WIN32_FIND_DATAA found;
  ScopedFindHandle search(FindFirstFileA((folder + "*").c_str(), &found));
  if (search.valid()) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

std::string LowerAscii(std::string text) {
  LowerCaseAscii(&text[0]);
  return text;
}

}  // namespace

ExtractionPass::ExtractionPass(ExtractionHost& host)
    : host_(host),
      copyLooks_(kCopyNoticesPerLook, kLookIntervalMs),
      cabLooks_(kCabNoticesPerLook, kLookIntervalMs) {
  // Looked at before the run changes anything: a folder of these names that is there now
  // is the user's, and the uninstaller must never take it.
  for (const char* format : kGameFolders) {
    char folder[kPathSize] = {};
    int length = std::snprintf(folder, sizeof folder, format, host_.context().installFolder);
    if (length > 0 && static_cast<size_t>(length) < sizeof folder && !PathExists(folder)) {
      gameFolders_.push_back(folder);
    }
  }
}

std::vector<int> ExtractionPass::DiscsNeeded() const {
  std::vector<int> discs;
  InstallContext& context = host_.context();
  if (!context.disks || !context.installTypes || context.selectedType < 0 ||
      context.selectedType >= context.typeCount) {
    return discs;
  }
  const InstallType& type = context.installTypes[context.selectedType];
  for (int d = 0; d < context.diskCount; ++d) {
    const DiskEntry& disk = context.disks[d];
    bool holds = false;
    for (int g = 0; g < disk.groupCount && !holds; ++g) {
      for (int t = 0; t < type.groupCount && !holds; ++t) {
        holds = type.groups[t] != nullptr && type.groups[t]->id == disk.groups[g].id;
      }
    }
    if (holds) discs.push_back(d);
  }
  return discs;
}

bool ExtractionPass::CheckDisc(int disc) {
  InstallContext& context = host_.context();
  char expected[kNameSize] = {};
  std::snprintf(expected, sizeof expected, "%s", context.disks[disc].volumeLabel);
  LowerCaseAscii(expected);
  char root[kNameSize] = {};
  std::snprintf(root, sizeof root, "%.3s", context.cdFolder);

  char label[kNameSize] = {};
  for (;;) {
    // Read again after each wrong disc: the right one may have come in meanwhile.
    ReadVolumeLabel(root, label);
    LowerCaseAscii(label);
    if (std::strcmp(label, expected) == 0) return true;
    DiscRequestDialog request(context.instance);
    request.owner = host_.pageWindow();
    request.discIndex = disc;
    std::snprintf(request.sourceFolder, sizeof request.sourceFolder, "%s", context.cdFolder);
    if (request.Run() != IDOK) return false;
    ReadVolumeLabel(root, label);
    LowerCaseAscii(label);
    if (std::strcmp(label, expected) == 0) return true;
    ShowMessage(host_.pageWindow(), kWrongDisc, kInstallerCaption, MB_OK | MB_ICONINFORMATION);
  }
}

bool ExtractionPass::PrepareDisc(int ordinal, int disc) {
  FreeWorkList();
  pacer_.Force();
  ordinal_ = ordinal;
  InstallContext& context = host_.context();
  if (disc < 0 || disc >= context.diskCount || !CheckDisc(disc)) {
    context.closeWithoutAsking = 1;
    return false;
  }
  const DiskEntry& disk = context.disks[disc];
  const InstallType& type = context.installTypes[context.selectedType];
  for (int t = 0; t < type.groupCount && !refused_; ++t) {
    if (type.groups[t] == nullptr) continue;
    int id = type.groups[t]->id;
    for (int g = 0; g < disk.groupCount; ++g) {
      if (disk.groups[g].id != id) continue;
      const FileGroup& group = disk.groups[g];
      for (int m = 0; m < group.memberCount && !refused_; ++m) {
        AddMember(group.members[m].source, group.members[m].target);
      }
      break;  // the first group with the id only
    }
  }
  return true;
}

void ExtractionPass::Refuse(const char* message, const char* path) {
  refused_ = true;
  if (host_.FailureTold()) return;  // one message a failure
  ShowProgressNow();  // the page as it stands under the message
  std::vector<char> text(std::strlen(message) + std::strlen(path) + 1);
  std::snprintf(text.data(), text.size(), message, path);
  ShowMessage(host_.pageWindow(), text.data(), kInstallerCaption, MB_OK | MB_ICONERROR);
}

void ExtractionPass::AddMember(const char* memberSource, const char* memberTarget) {
  if (memberSource[0] == '\0') return;
  InstallContext& context = host_.context();
  std::string source;
  std::string destination;
  if (!JoinWithin(context.cdFolder, memberSource, kPathMax, &source) ||
      !JoinWithin(context.installFolder, memberTarget, kPathMax, &destination)) {
    Refuse(kPathTooLong, memberSource);
    return;
  }
  // A target written without its backslash still names a folder, never a name prefix.
  if (!destination.empty() && !EndsWithBackslash(destination.c_str())) destination += '\\';

  if (EndsWithBackslash(memberSource)) {
    // A folder that is missing or cannot be read would install nothing without a word.
    std::unique_ptr<FolderListing> listing;
    if (FolderReadable(source)) listing = ListFolder(source.c_str(), 1);
    if (!listing || listing->folders.empty()) {
      Refuse(kFolderUnreadable, source.c_str());
      return;
    }
    // A file the listing could not hold would silently be missing from the installation.
    if (!listing->skipped.empty()) {
      Refuse(kPathTooLong, listing->skipped.front().c_str());
      return;
    }
    const ListedFolder& top = listing->folders[0];
    for (size_t i = 0; i < top.fileCount && !refused_; ++i) {
      const ListedFile& file = listing->files[top.firstFile + i];
      if (file.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      Append(file.fullPath, destination, file.size);
    }
    return;
  }

  uint32_t weight = 0;
  if (IsArchiveExtension(SplitPath(memberSource).extension)) {
    weight = WeighArchive(source.c_str());
  } else {
    ScopedFileHandle file(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) {
      DWORD size = GetFileSize(file.get(), nullptr);
      if (size != INVALID_FILE_SIZE) weight = size;
    }
  }
  Append(source.c_str(), destination, weight);
}

uint32_t ExtractionPass::WeighArchive(const char* path) {
  // Loaded once for the disc: weighing and unpacking use the same library.
  if (!library_.IsLoaded()) LoadStagedLibrary(library_);
  int weight = library_.GetArchiveWeight(path);
  return weight < 0 ? kUncountedArchiveWeight : static_cast<uint32_t>(weight);
}

bool ExtractionPass::LoadStagedLibrary(CabLibrary& library) {
  // Only the run's own copy: a search would take whatever lies in the program's or the
  // current folder. It is held open against writers from the check against disc 1's bytes
  // until the system has loaded it, so that what is loaded is what was checked.
  if (libraryRefused_) return false;  // told once
  libraryRefused_ = true;
  const std::string path = stagingFolder_ + kCabLibraryName;
  ScopedFileHandle held;
  std::string bytes;
  if (!stagingFolder_.empty() && !libraryBytes_.empty()) {
    held.Reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!held.valid() || !ReadOpenFile(held.get(), libraryBytes_.size(), &bytes) ||
      bytes != libraryBytes_) {
    CabLibrary::ShowLibraryMissing();
    return false;
  }
  libraryRefused_ = !library.Load(host_.pageWindow(), stagingFolder_.c_str());
  return !libraryRefused_;
}

void ExtractionPass::Append(const char* path, const std::string& destinationFolder,
                            uint32_t weight) {
  std::string folder = FolderPart(path);
  const char* name = path + folder.size();
  if (std::strlen(name) > kItemNameMax) {
    Refuse(kNameTooLong, path);
    return;
  }
  // The log holds paths up to kLogTextMax bytes; a file it could not name could not be
  // taken away again.
  std::string destination;
  if (!JoinWithin(destinationFolder.c_str(), name, kLogTextMax, &destination)) {
    Refuse(kPathTooLong, (destinationFolder + name).c_str());
    return;
  }
  if (!workList_) workList_ = std::make_unique<WorkList>();
  InstallItem item;
  item.sequence = listLength_++;
  item.sourceFolder = folder;
  item.destinationFolder = destinationFolder;
  item.fileName = name;
  item.weight = weight;
  workList_->weight += weight;
  workList_->items.push_back(std::move(item));
}

int ExtractionPass::ExtractDisc() {
  if (refused_) return 0;
  if (!workList_) return 1;

  listPosition_ = 0;
  int result = RecordPlainFiles() ? 1 : 0;
  for (const InstallItem& item : workList_->items) {
    if (result <= 0 || listPosition_ >= listLength_) break;
    std::string destination = item.destinationFolder + item.fileName;
    host_.SetWorkItem(destination.c_str());
    unpackShown_ = true;  // the file's own name is the line now
    std::string source = item.sourceFolder + item.fileName;
    if (source.size() > kPathMax) {
      Refuse(kPathTooLong, source.c_str());
      result = 0;
    } else if (IsArchiveExtension(LowerAscii(SplitPath(source.c_str()).extension))) {
      // Loaded at the first archive (if no weighing did): plain files need none.
      if (!library_.IsLoaded()) LoadStagedLibrary(library_);
      result = UnpackItem(library_, source, item.destinationFolder);
    } else {
      result = CopyItem(source, destination);
    }
    ++listPosition_;
  }

  ShowProgressNow();  // the disc's last figures, whatever the pace held back

  // The game's own run-time folders that the user did not have, recorded once whether or
  // not they exist now: the game makes them later, and the removal takes a folder only
  // when it is empty. (A failed run's log is thrown away.)
  if (result > 0) {
    for (const std::string& folder : gameFolders_) {
      if (!host_.RecordLogEntry(LOG_FOLD, folder.c_str())) {
        result = 0;
        break;
      }
    }
    if (result > 0) gameFolders_.clear();
  }
  library_.Unload();  // the next disc weighs its own archives
  return result;
}

// The plain files of the disc that are not there yet, and the folders their copies will
// make, go into the journal in one write before the first copy: one wait for the disk
// instead of one per file. (Archives announce each member as the library reaches it.)
bool ExtractionPass::RecordPlainFiles() {
  recordedAhead_.clear();
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::set<std::string> looked;  // folders already looked at
  for (const InstallItem& item : workList_->items) {
    if (IsArchiveExtension(LowerAscii(SplitPath(item.fileName.c_str()).extension))) continue;
    std::vector<std::string> missing;
    for (std::string folder = item.destinationFolder;
         looked.insert(LowerAscii(folder)).second && !PathExists(folder.c_str());) {
      missing.insert(missing.begin(), folder);
      std::string parent;
      if (!ParentFolder(folder.c_str(), &parent)) break;
      folder = parent;
    }
    for (const std::string& folder : missing) {
      folders.push_back(folder);
      recordedAhead_.insert(LowerAscii(folder));
    }
    std::string destination = item.destinationFolder + item.fileName;
    if (!PathExists(destination.c_str()) && recordedAhead_.insert(LowerAscii(destination)).second) {
      files.push_back(destination);
    }
  }
  if (files.empty() && folders.empty()) return true;
  return host_.BeforeCreatingAll(folders, files);
}

int ExtractionPass::CopyItem(const std::string& source, const std::string& destination) {
  CopyRequest request;
  std::snprintf(request.source, sizeof request.source, "%s", source.c_str());
  std::snprintf(request.destination, sizeof request.destination, "%s", destination.c_str());
  request.blockSize = kCopyBlock;
  request.context = this;
  destinationExisted_ = PathExists(destination.c_str());
  if (!host_.KeepBeforeWriting(destination.c_str())) {
    Refuse(kNotKept, destination.c_str());
    return 0;
  }
  // Recorded before it is made (with the disc's other files, as a rule): a run cut off in
  // the middle of the copy takes the half file away again.
  if (!destinationExisted_ && !recordedAhead_.count(LowerAscii(destination)) &&
      !host_.BeforeCreating(LOG_FILE, destination.c_str())) {
    return 0;
  }
  recordRefused_ = false;
  if (CopyWithProgress(request, &ExtractionPass::CopyNotice)) return 1;
  // A folder that could not be recorded was not made; the journal's failure was told.
  if (request.failure != 0 && !recordRefused_) ShowCopyFailure(request);
  return 0;
}

void ExtractionPass::ShowCopyFailure(const CopyRequest& request) {
  ShowProgressNow();
  const DWORD error = request.systemError;
  const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
  const bool protectedTarget = error == ERROR_WRITE_PROTECT || error == ERROR_ACCESS_DENIED ||
                               error == ERROR_SHARING_VIOLATION;
  std::string text;
  switch (request.failure) {
    case COPY_FAILED_SOURCE:
    case COPY_FAILED_READ:
      text = std::string(kSourceUnreadable) + request.source;
      break;
    case COPY_FAILED_TARGET:
      text = std::string(kTargetNotCreated) + request.destination;
      break;
    default:
      text = std::string(kTargetNotWritten) + request.destination;
      break;
  }
  if (request.failure != COPY_FAILED_SOURCE && request.failure != COPY_FAILED_READ) {
    if (full) text += kReasonDiskFull;
    else if (protectedTarget) text += kReasonProtected;
  }
  ShowMessage(host_.pageWindow(), text.c_str(), kInstallerCaption, MB_OK | MB_ICONERROR);
}

int ExtractionPass::UnpackItem(CabLibrary& library, const std::string& source,
                               const std::string& destinationFolder) {
  CabExtractRecord request = {};
  std::snprintf(request.archivePath, sizeof request.archivePath, "%s", source.c_str());
  std::snprintf(request.destinationPath, sizeof request.destinationPath, "%s",
                destinationFolder.c_str());
  request.callerContext = this;
  archiveValue_ = 0;
  return library.Extract(request, this) > 0 ? 1 : 0;
}

int ExtractionPass::CopyNotice(int code, CopyRequest* request, DWORD, DWORD copied) {
  return static_cast<ExtractionPass*>(request->context)->OnCopyNotice(code, request, copied);
}

int ExtractionPass::OnCopyNotice(int code, CopyRequest* request, DWORD copied) {
  switch (code) {
    case COPY_BEGIN:
      copyValue_ = 0;
      copyLooks_.Force();  // the file's first block looks
      // A file that was there before the installation is not its to take away.
      if (!destinationExisted_ && !host_.RecordLogEntry(LOG_FILE, request->destination)) {
        recordRefused_ = true;  // told by the host
        return 0;
      }
      break;
    case COPY_BLOCK:
      AdvanceProgress(copied - copyValue_);
      copyValue_ = copied;
      KAZE_STOP_POINT("plain-file");
      if (copyLooks_.Due(GetTickCount())) host_.PumpOneFrameMessage();
      break;
    case COPY_FOLDER_MADE:
      // Announced before it is made: recorded first, or not made at all.
      if ((!recordedAhead_.count(LowerAscii(request->createdFolder)) &&
           !host_.BeforeCreating(LOG_FOLD, request->createdFolder)) ||
          !host_.RecordLogEntry(LOG_FOLD, request->createdFolder)) {
        recordRefused_ = true;
        return 0;
      }
      break;
    default:
      break;
  }
  return host_.StopRequested() ? 0 : 1;
}

int ExtractionPass::OnCabNotice(int code, int noticeValue, uint32_t fileCount,
                                CabExtractRecord* record) {
  switch (code) {
    case CAB_FILE_BEGIN: {
      // Before the library opens the file: a file of the user's there is kept aside.
      bool existed = PathExists(record->destinationPath);
      if (!host_.KeepBeforeWriting(record->destinationPath)) {
        Refuse(kNotKept, record->destinationPath);
        return 0;
      }
      // A record that could not be written was told by the host; the library stops
      // without a message of its own.
      if (!existed && (!host_.BeforeCreating(LOG_FILE, record->destinationPath) ||
                       !host_.RecordLogEntry(LOG_FILE, record->destinationPath))) {
        return 0;
      }
      lastFileCount_ = fileCount;
      lastNoticeValue_ = noticeValue;
      break;
    }
    case CAB_FILE_PROGRESS:
      KAZE_STOP_POINT("archive-member");
      [[fallthrough]];
    case CAB_FILE_END:
      ShowCabFileProgress(record->progressValue - archiveValue_, *record);
      archiveValue_ = record->progressValue;
      break;
    case CAB_FOLDER_CREATED:
      // Announced before it is made: recorded first, or not made at all.
      if (record->createdFolder != nullptr &&
          (!host_.BeforeCreating(LOG_FOLD, record->createdFolder) ||
           !host_.RecordLogEntry(LOG_FOLD, record->createdFolder))) {
        return 0;
      }
      break;
    default:
      break;
  }
  // The page and its Cancel button are the frame's children: a click found here is
  // taken at this very notice.
  if (code != CAB_FILE_PROGRESS) cabLooks_.Force();
  if (cabLooks_.Due(GetTickCount())) host_.PumpOneFrameMessage();
  return host_.StopRequested() ? 0 : 1;
}

void ExtractionPass::ShowCabFileProgress(uint32_t increase, const CabExtractRecord& record) {
  if (workList_) workList_->done += increase;  // wraps like the 32-bit figures it adds up
  unpackPath_ = record.destinationPath;
  unpackWritten_ = record.currentBytesWritten;
  unpackSize_ = record.currentFileSize;
  unpackShown_ = false;
  if (pacer_.Due(GetTickCount())) ShowProgressNow();
}

void ExtractionPass::AdvanceProgress(uint32_t delta) {
  if (!workList_) return;
  workList_->done += delta;  // wraps like the 32-bit figures it adds up
  if (pacer_.Due(GetTickCount())) ShowProgressNow();
}

void ExtractionPass::ShowProgressNow() {
  if (!unpackShown_) {
    char line[kPathSize + 64];
    FormatUnpackLine(unpackPath_.c_str(), unpackWritten_, unpackSize_, line, sizeof line);
    host_.SetWorkItem(line);
    unpackShown_ = true;
  }
  if (!workList_) return;
  int position = DiscProgressPosition(ordinal_, workList_->done, workList_->weight);
  TextProgressBar& bar = host_.progressBar();
  bar.SetPos(position);
  int lower = 0;
  int upper = 0;
  bar.GetRange(lower, upper);
  char text[64];
  FormatProgressPercent(position, lower, upper, text, sizeof text);
  bar.SetText(text);
}

std::vector<std::string> ExtractionPass::SupportFileNames() const {
  InstallContext& context = host_.context();
  std::vector<std::string> names = {kCabLibraryName, kUninstallerName};
  if (context.installInfo && context.installInfo->readme[0] != '\0') {
    names.push_back(context.installInfo->readme);
  }
  if (context.appearance && context.appearance->bannerName[0] != '\0') {
    names.push_back(context.appearance->bannerName);
  }
  return names;
}

bool ExtractionPass::IsRunningProgramName(const std::string& name) const {
  char module[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::string self(module, length);
  return lstrcmpiA(self.substr(FolderPart(self.c_str()).size()).c_str(), name.c_str()) == 0;
}

void ExtractionPass::StageSupportFiles(const std::string& folder) {
  if (stageTried_) return;
  stageTried_ = true;
  const char* runFolder = host_.context().runFolder;
  if (folder.empty()) return;
  stagingFolder_ = folder;
  for (const std::string& name : SupportFileNames()) {
    if (runFolder[0] != '\0' && IsRunningProgramName(name)) continue;  // not over itself
    std::string from;
    std::string to;
    if (!JoinWithin(host_.context().cdFolder, name.c_str(), kPathMax, &from) ||
        !JoinWithin(stagingFolder_.c_str(), name.c_str(), kPathMax, &to)) {
      continue;
    }
    // A copy cut short is no copy: a missing support file is told where it is needed.
    if (!host_.BeforeCreating(LOG_FILE, to.c_str())) continue;
    // The library's bytes as disc 1 has them: each load checks the staged copy against
    // them.
    if (name == kCabLibraryName && !ReadWholeFile(from.c_str(), kLibraryMax, &libraryBytes_)) {
      libraryBytes_.clear();
      continue;
    }
    if (CopyFileWhole(from.c_str(), to.c_str())) {
      staged_.push_back(name);
    } else {
      SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(to.c_str());
    }
  }
}

void ExtractionPass::RemoveSupportFiles() {
  library_.Unload();  // the staged copy cannot go while it is loaded
  if (stagingFolder_.empty()) return;
  for (const std::string& name : staged_) {
    std::string path = stagingFolder_ + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  staged_.clear();
  // The program's own folder goes with the program, at the next start of Windows.
  if (stagingFolder_ != host_.context().runFolder) RemoveDirectoryA(stagingFolder_.c_str());
  stagingFolder_.clear();
}

void ExtractionPass::FreeWorkList() {
  workList_.reset();
  listLength_ = 0;
  listPosition_ = 0;
  refused_ = false;
}

}  // namespace kaze
