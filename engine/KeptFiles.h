#pragma once
// Files of the user's that a run is about to write over: each is moved aside, before the
// first write to its path, into a folder of the run's own beside the installation (same
// drive, so a rename). The run's journal records each move (with the file's name and
// attributes) before it is made, and puts the files back if the run is taken back, or
// deletes the kept copies once the run succeeded.
#include <set>
#include <string>

namespace kaze {

class RunJournal;

class KeptFiles {
 public:
  // keepFolderParent: the installation folder (with its backslash); the run's folder is
  // made there when the first file must be kept. journal: where each change is recorded
  // first (not owned; may be null, then nothing is recorded).
  KeptFiles(std::string keepFolderParent, RunJournal* journal);
  KeptFiles(const KeptFiles&) = delete;
  KeptFiles& operator=(const KeptFiles&) = delete;

  // Called before every write to path. The first call for a path that holds a file moves
  // that file aside; later calls, and paths with nothing there, do nothing. False when a
  // file that was there could not be kept (or its move recorded): it must not be written
  // then.
  bool KeepBeforeWriting(const std::string& path);

  size_t keptCount() const { return count_; }
  const std::string& folder() const { return folder_; }

 private:
  bool EnsureFolder();

  std::string parent_;
  RunJournal* journal_;
  std::string folder_;             // the run's folder, with its backslash, once made
  std::set<std::string> touched_;  // paths already written (or kept) by this run
  size_t count_ = 0;
};

}  // namespace kaze
