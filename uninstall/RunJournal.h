#pragma once
// The journal of an installation run: every change the run is about to make is recorded
// and on the disk before it is made, and a per-machine marker names the journal while the
// run has not ended. A cancel or a failure puts everything back from the journal; so does
// the next start of the installer after a run that was cut off (power loss, a kill, a
// crash). The put-back can itself be cut off and done again: what is already back is left.
#include <windows.h>

#include <string>
#include <vector>

#include "system/FileUtils.h"
#include "uninstall/JournalRecords.h"

namespace kaze {

extern const char kRunMarkerKey[];    // "Software\KazeInstaller" below HKEY_LOCAL_MACHINE
extern const char kRunMarkerValue[];  // "RunJournal": the journal's path
extern const char kRunJournalName[];  // "KazeRun.dat"

class RunJournal {
 public:
  RunJournal() = default;
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Starts the journal: the marker first, then the run's folder (runFolder when the
  // program runs from a copy of its own there, else a new KzSetupXXXX folder where
  // RunFolderParent says, that only administrators may change on Vista and later), then
  // the journal in it with the installation's places. False when
  // any of it cannot be written: the run must then change nothing.
  bool Begin(const std::string& installFolder, const std::string& groupFolder,
             const std::string& runFolder);
  // Begin refused because the marker still names an earlier run that is not put back.
  bool unfinishedEarlier() const { return unfinishedEarlier_; }

  // The run's folder (with its backslash) and the journal's path; "" before Begin.
  const std::string& folder() const { return folder_; }
  const std::string& path() const { return path_; }

  // Each records a change about to be made and returns once the record is on the disk;
  // false when it could not be recorded (then the change must not be made).
  bool FolderToBeMade(const std::string& folder);
  bool FileToBeMade(const std::string& file);
  // Many at once, with one wait for the disk: the files of a disc before its copies begin.
  // A record of a file that is never made (the run stops first) is harmless.
  bool AllToBeMade(const std::vector<std::string>& folders, const std::vector<std::string>& files);
  bool FileToBeKept(const std::string& original, const std::string& kept, DWORD attributes);
  bool KeyToBeMade(const std::string& key);
  // Reads the value's present data (or that it is missing) into the record.
  bool ValueToBeSet(const std::string& key, const std::string& name);
  // The run succeeded and its log is committed: from here on only the run's leftovers
  // (kept copies, staged files) are cleared, never the installation.
  bool Finished();

  // Closes the journal file; the records stay for the put-back or the finish.
  void Close() { file_.Close(); }

 private:
  bool BeginRecords(const std::string& installFolder, const std::string& groupFolder,
                    const std::string& runFolder);
  bool Append(const JournalRecord& record);
  bool Write(const std::vector<unsigned char>& bytes);

  std::string folder_;
  std::string path_;
  ScopedFileHandle file_;
  bool unfinishedEarlier_ = false;
};

// What became of a journal read back.
struct PutBackOutcome {
  bool finishedRun = false;  // the run had succeeded: only its leftovers were cleared
  bool inUse = false;        // the journal is held by a run that is still going: left alone
  PutBackReport report;
};

// Reads the journal at journalPath (named by the marker or by the run itself) and puts
// back every recorded change that was made, newest first: created files, folders and
// keys go, the user's kept files return with their names and attributes, replaced values
// get their old data. Each record is first checked against the installation's places;
// one outside them is refused and named. When nothing failed, the journal, the run's
// folder and the marker go; otherwise they stay for the next start.
PutBackOutcome PutBackRun(const std::string& journalPath);

// The journal named by the marker of a run that did not end; false when there is none.
bool FindUnfinishedRun(std::string* journalPath);

}  // namespace kaze
