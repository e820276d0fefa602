#pragma once
// The per-disc work of an installation: which discs the chosen type needs, the right disc
// in the drive, the support files in the run's own staging folder, the disc's work list
// and the copying and unpacking of it into the installation folder, with every file and
// folder made recorded in the uninstall log and the progress bar moved as the bytes go.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/CabLibrary.h"
#include "engine/EngineHost.h"
#include "engine/ProgressMath.h"
#include "system/FileUtils.h"

namespace kaze {

class TextProgressBar;

// What the pass needs beyond the steps' common host: the bar and the cancel check.
class ExtractionHost : public EngineHost {
 public:
  virtual TextProgressBar& progressBar() = 0;
  // Asked after every notice: true when the work must stop (the user confirmed a cancel).
  virtual bool StopRequested() = 0;

 protected:
  ~ExtractionHost() = default;
};

// One file of a disc's work list.
struct InstallItem {
  int sequence = 0;
  std::string sourceFolder;       // with its trailing backslash
  std::string destinationFolder;  // with its trailing backslash
  std::string fileName;           // at most kItemNameMax bytes (a name's limit)
  uint32_t weight = 0;
};

struct WorkList {
  uint32_t weight = 0;  // sum of the items' weights
  uint32_t done = 0;    // weight completed on this disc
  std::vector<InstallItem> items;
};

// Support files staged into the run's folder in the temporary folder: the archive library
// first.
extern const char kCabLibraryName[];  // "cab32.dll"
extern const char kUninstallerName[];  // "Kaze_Inst.exe"

class ExtractionPass : public CabProgressCallback {
 public:
  explicit ExtractionPass(ExtractionHost& host);
  ~ExtractionPass() = default;
  ExtractionPass(const ExtractionPass&) = delete;
  ExtractionPass& operator=(const ExtractionPass&) = delete;

  // Indexes of the discs that hold at least one group of the chosen type, in disc order.
  std::vector<int> DiscsNeeded() const;
  int CountDiscsNeeded() const { return static_cast<int>(DiscsNeeded().size()); }

  // Makes sure disc `disc` is in the drive (asking for it) and builds its work list.
  // ordinal is the disc's place among the needed ones, for the bar.
  // False (aborted flag set) when the user gave up on the disc.
  bool PrepareDisc(int ordinal, int disc);
  // Copies and unpacks the work list: 1 when every item succeeded, else 0.
  int ExtractDisc();

  // True when the volume label of the source drive is disc's, asking for the disc with
  // the request dialog (and telling a wrong one) until it is or the user gives up.
  bool CheckDisc(int disc);

  // Copies the support files from the disc in the drive into the run's own folder (with
  // its backslash; "" stages nothing), once a run; nothing else is ever loaded from or
  // staged there.
  void StageSupportFiles(const std::string& folder);
  // Deletes what the staging copied, and its folder.
  void RemoveSupportFiles();
  void FreeWorkList();

  const WorkList* workList() const { return workList_.get(); }
  int listPosition() const { return listPosition_; }
  int listLength() const { return listLength_; }
  uint32_t lastFileCount() const { return lastFileCount_; }
  int lastNoticeValue() const { return lastNoticeValue_; }
  // The run's staging folder with its backslash; empty before staging or when it could
  // not be made.
  const std::string& stagingFolder() const { return stagingFolder_; }

  int OnCabNotice(int code, int noticeValue, uint32_t fileCount,
                  CabExtractRecord* record) override;

 private:
  static int CopyNotice(int code, CopyRequest* request, DWORD fileSize, DWORD copied);
  int OnCopyNotice(int code, CopyRequest* request, DWORD copied);

  void AddMember(const char* source, const char* target);
  void Append(const char* path, const std::string& destinationFolder, uint32_t weight);
  uint32_t WeighArchive(const char* path);
  bool LoadStagedLibrary(CabLibrary& library);
  // Tells the user that a member cannot be installed; the disc's pass then fails.
  void Refuse(const char* message, const char* path);
  bool RecordPlainFiles();
  int CopyItem(const std::string& source, const std::string& destination);
  // Tells what failed in a copy and where.
  void ShowCopyFailure(const CopyRequest& request);
  int UnpackItem(CabLibrary& library, const std::string& source,
                 const std::string& destinationFolder);
  void ShowCabFileProgress(uint32_t increase, const CabExtractRecord& record);
  void AdvanceProgress(uint32_t delta);
 public:
  // Shows the figures held back by the pace of repaints: before a question or a message,
  // and at the end of a disc.
  void ShowProgressNow();

 private:
  void RecordFile(const char* path);
  std::vector<std::string> SupportFileNames() const;
  // True when name is the file name of this program (which may lie in the staging folder).
  bool IsRunningProgramName(const std::string& name) const;

  ExtractionHost& host_;
  std::string stagingFolder_;
  std::vector<std::string> staged_;  // names copied into the staging folder
  std::string libraryBytes_;         // cab32.dll as disc 1 has it
  bool libraryRefused_ = false;      // a load failed and was told: not tried again
  bool stageTried_ = false;
  std::unique_ptr<WorkList> workList_;
  CabLibrary library_;  // the staged copy, loaded at a disc's first archive
  bool refused_ = false;  // a member of this disc could not be listed
  int ordinal_ = 0;
  int listPosition_ = 0;
  int listLength_ = 0;
  uint32_t copyValue_ = 0;
  RepaintPacer pacer_;
  std::string unpackPath_;  // the unpack line held back by the pace
  uint32_t unpackWritten_ = 0;
  uint32_t unpackSize_ = 0;
  bool unpackShown_ = true;
  uint32_t archiveValue_ = 0;
  QueueLookPacer copyLooks_;  // when a notice looks at the message queue
  QueueLookPacer cabLooks_;
  bool destinationExisted_ = false;  // the file being copied was there before
  bool recordRefused_ = false;  // a change of the copy could not be recorded in the journal
  std::set<std::string> recordedAhead_;  // files and folders of the disc already in the journal
  std::vector<std::string> gameFolders_;  // the game's folders not there when the run began
  uint32_t lastFileCount_ = 0;
  int lastNoticeValue_ = 0;
};

}  // namespace kaze
