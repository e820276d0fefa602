#pragma once
// Files of the user's that a run is about to write over: each is moved aside, before the
// first write to its path, into a folder of the run's own beside the installation (same
// drive, so a rename), and put back byte for byte with its attributes when the run is
// taken back. A run that succeeds deletes the kept copies.
#include <set>
#include <string>
#include <vector>

namespace kaze {

class KeptFiles {
 public:
  // keepFolderParent: the installation folder (with its backslash); the run's folder is
  // made there when the first file must be kept.
  explicit KeptFiles(std::string keepFolderParent);
  KeptFiles(const KeptFiles&) = delete;
  KeptFiles& operator=(const KeptFiles&) = delete;

  // Called before every write to path. The first call for a path that holds a file moves
  // that file aside; later calls, and paths with nothing there, do nothing. False when a
  // file that was there could not be kept: it must not be written then.
  bool KeepBeforeWriting(const std::string& path);

  // Puts every kept file back, replacing what the run wrote at its place; a file that
  // cannot go back stays in the run's folder (which then stays too). False then.
  bool RestoreAll();
  // The run succeeded: the kept copies and their folder go.
  void DiscardAll();

  size_t keptCount() const { return entries_.size(); }

 private:
  struct Entry {
    std::string original;
    std::string kept;
  };
  bool EnsureFolder();

  std::string parent_;
  std::string folder_;             // the run's folder, with its backslash, once made
  std::set<std::string> touched_;  // paths already written (or kept) by this run
  std::vector<Entry> entries_;
};

}  // namespace kaze
