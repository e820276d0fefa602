#include "engine/KeptFiles.h"

#include <windows.h>

#include <cstdio>

#include "system/FileUtils.h"
#include "system/StopPoint.h"
#include "system/TextHelpers.h"
#include "uninstall/RunJournal.h"

namespace kaze {

namespace {

// Paths compare as Windows does: ASCII letters without regard to case.
std::string Key(std::string path) {
  if (!path.empty()) LowerCaseAscii(&path[0]);
  return path;
}

}  // namespace

KeptFiles::KeptFiles(std::string keepFolderParent, RunJournal* journal)
    : parent_(std::move(keepFolderParent)), journal_(journal) {}

bool KeptFiles::EnsureFolder() {
  if (!folder_.empty()) return true;
  // Recorded before it is made.
  return CreateUniqueFolder(parent_.c_str(), "KzKeep", &folder_, [this](const std::string& folder) {
    return journal_ == nullptr || journal_->FolderToBeMade(folder);
  });
}

bool KeptFiles::KeepBeforeWriting(const std::string& path) {
  if (!touched_.insert(Key(path)).second) return true;  // the run's own file by now
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing of the user's there
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;  // the write fails on its own
  if (!EnsureFolder()) return false;
  char name[16];
  std::snprintf(name, sizeof name, "%05lu", static_cast<unsigned long>(count_ + 1));
  std::string kept = folder_ + name;
  if (kept.size() >= MAX_PATH) return false;
  // The file's name and attributes are on the disk before it moves: nothing else says
  // where it went.
  if (journal_ != nullptr && !journal_->FileToBeKept(path, kept, attributes)) return false;
  if (!MoveFileA(path.c_str(), kept.c_str())) return false;
  ++count_;
  KAZE_STOP_POINT("kept-file");
  return true;
}

}  // namespace kaze
