#include "engine/KeptFiles.h"

#include <windows.h>

#include <cstdio>

#include "system/FileUtils.h"
#include "system/TextHelpers.h"

namespace kaze {

namespace {

// Paths compare as Windows does: ASCII letters without regard to case.
std::string Key(std::string path) {
  if (!path.empty()) LowerCaseAscii(&path[0]);
  return path;
}

}  // namespace

KeptFiles::KeptFiles(std::string keepFolderParent) : parent_(std::move(keepFolderParent)) {}

bool KeptFiles::EnsureFolder() {
  if (!folder_.empty()) return true;
  return CreateUniqueFolder(parent_.c_str(), "KzKeep", &folder_);
}

bool KeptFiles::KeepBeforeWriting(const std::string& path) {
  if (!touched_.insert(Key(path)).second) return true;  // the run's own file by now
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing of the user's there
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;  // the write fails on its own
  if (!EnsureFolder()) return false;
  char name[16];
  std::snprintf(name, sizeof name, "%05lu", static_cast<unsigned long>(entries_.size() + 1));
  std::string kept = folder_ + name;
  if (kept.size() >= MAX_PATH || !MoveFileA(path.c_str(), kept.c_str())) return false;
  entries_.push_back({path, kept});
  return true;
}

bool KeptFiles::RestoreAll() {
  bool all = true;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (PathExists(it->original.c_str())) {
      SetFileAttributesA(it->original.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(it->original.c_str());
    }
    if (!MoveFileA(it->kept.c_str(), it->original.c_str())) all = false;
  }
  entries_.clear();
  if (all && !folder_.empty()) RemoveDirectoryA(folder_.c_str());
  if (all) folder_.clear();
  return all;
}

void KeptFiles::DiscardAll() {
  for (const Entry& entry : entries_) {
    SetFileAttributesA(entry.kept.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(entry.kept.c_str());
  }
  entries_.clear();
  if (!folder_.empty()) RemoveDirectoryA(folder_.c_str());
  folder_.clear();
}

}  // namespace kaze
