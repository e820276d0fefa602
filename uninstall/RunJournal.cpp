#include "uninstall/RunJournal.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "system/Dbcs.h"
#include "system/Handles.h"
#include "system/OsServices.h"
#include "system/PathText.h"
#include "system/RunFolderPlace.h"
#include "system/StopPoint.h"
#include "uninstall/LogRecords.h"
#include "uninstall/RemovalRules.h"
#include "uninstall/UninstallLog.h"

namespace kaze {

const char kRunMarkerKey[] = "Software\\KazeInstaller";
const char kRunMarkerValue[] = "RunJournal";
const char kRunJournalName[] = "KazeRun.dat";

namespace {

const char kUninstallListKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr DWORD kJournalReadMax = 64u << 20;

// The marker is the one thing every later start looks at: it is on the disk before the
// run changes anything.
bool WriteMarker(const std::string& journalPath) {
  ScopedKey key;
  if (!key.Create(HKEY_LOCAL_MACHINE, kRunMarkerKey, KEY_ALL_ACCESS)) return false;
  if (RegSetValueExA(key.get(), kRunMarkerValue, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(journalPath.c_str()),
                     static_cast<DWORD>(journalPath.size() + 1)) != ERROR_SUCCESS) {
    return false;
  }
  return RegFlushKey(key.get()) == ERROR_SUCCESS;
}

bool DeleteMarker() {
  {
    ScopedKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kRunMarkerKey, KEY_ALL_ACCESS)) return true;
    LONG status = RegDeleteValueA(key.get(), kRunMarkerValue);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0) {
      return true;  // someone else's things are in it: only the value was ours
    }
    RegFlushKey(key.get());
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunMarkerKey);
  return true;
}

bool KeyExists(const std::string& key) {
  ScopedKey handle;
  return handle.Open(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ);
}

bool IsUninstallEntryKey(const std::string& key) {
  const size_t prefix = sizeof kUninstallListKey - 1;
  if (key.size() <= prefix || lstrcmpiA(key.substr(0, prefix).c_str(), kUninstallListKey) != 0) {
    return false;
  }
  std::string name = key.substr(prefix);
  return IsContainedPath(name.c_str(), name.size(), false) &&
         FolderPart(name.c_str()).empty();
}

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

// The places one journal may touch, from its own records and where it lies.
class PutBackScope {
 public:
  // The journal must lie, under its own name, in a KzSetupXXXX folder.
  bool SetJournal(const std::string& journalPath) {
    std::string name;
    if (!SplitFolderAndName(journalPath, &folder_, &name) || name != kRunJournalName) return false;
    std::string parent;
    if (!ParentFolder(folder_.c_str(), &parent)) return false;
    std::string own = folder_.substr(parent.size(), folder_.size() - parent.size() - 1);
    if (!IsRunFolderName(own.c_str(), own.size(), "KzSetup")) return false;
    temporaryLog_ = parent + kTemporaryLogName;
    return true;
  }

  void SetPlaces(const std::string& installFolder, const std::string& groupFolder) {
    claimedInstall_ = installFolder;
    claimedGroup_ = groupFolder;
    placesChecked_ = false;
  }

  const std::string& folder() const { return folder_; }
  const std::string& installFolder() const {
    CheckPlaces();
    return scope_.installFolder;
  }

  bool InRunFolder(const std::string& path) const {
    std::string folder;
    std::string name;
    return SplitFolderAndName(path, &folder, &name) && SameFolder(folder.c_str(), folder_.c_str());
  }
  bool IsTemporaryLog(const std::string& path) const {
    return SamePath(path.c_str(), temporaryLog_.c_str());
  }

  bool Allows(const JournalRecord& record) const {
    // The run's own folder first: it needs no look at the system's folders.
    switch (record.kind) {
      case JournalKind::kFileMade:
        if (InRunFolder(record.path) || IsTemporaryLog(record.path)) return true;
        break;
      case JournalKind::kFolderMade:
        if (SameFolder(record.path.c_str(), folder_.c_str())) return true;
        break;
      default:
        break;
    }
    CheckPlaces();
    switch (record.kind) {
      case JournalKind::kFileMade:
        return IsRecordWithinScope(scope_, LOG_FILE, record.path.c_str()) && !BehindLink(record.path);
      case JournalKind::kFolderMade:
        return IsRecordWithinScope(scope_, LOG_FOLD, record.path.c_str()) && !BehindLink(record.path);
      case JournalKind::kFileKept:
        return !scope_.installFolder.empty() &&
               IsRecordWithinScope(scope_, LOG_FILE, record.path.c_str()) &&
               !BehindLink(record.path) && IsKeptFilePath(scope_.installFolder, record.second);
      case JournalKind::kKeyMade:
      case JournalKind::kValueSet:
        return IsRecordWithinScope(scope_, LOG_REGS, record.path.c_str()) ||
               IsUninstallEntryKey(record.path);
      default:
        return true;
    }
  }

 private:
  // The installation folder and group the journal names, each checked once it is needed
  // (a run that succeeded rarely needs it): never a drive's root, a system folder, a
  // parent of one or a folder inside Windows; the group only below a Programs folder of
  // this machine.
  void CheckPlaces() const {
    if (placesChecked_) return;
    placesChecked_ = true;
    const std::string& installFolder = claimedInstall_;
    const std::string& groupFolder = claimedGroup_;
    scope_ = RemovalScope();
    scope_.keptFolders = KeptSystemFolders();
    std::string folder = AsFolder(installFolder.c_str());
    std::string rest;
    bool allowed = folder.size() > 3 && folder.size() <= kLogTextMax &&
                   PathWithin(folder.c_str(), folder.substr(0, 3), true, &rest) && !rest.empty();
    char windows[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (allowed && length > 0 && length < MAX_PATH &&
        PathWithin(folder.c_str(), AsFolder(windows), true)) {
      allowed = false;
    }
    for (const std::string& kept : scope_.keptFolders) {
      if (allowed && PathWithin(kept.c_str(), folder, true)) allowed = false;
    }
    if (allowed) scope_.installFolder = folder;
    if (!groupFolder.empty()) {
      char programs[MAX_PATH] = {};
      for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        if (GetShellFolder(csidl, programs) &&
            PathWithin(groupFolder.c_str(), programs, true, &rest) && !rest.empty()) {
          scope_.groupFolders.push_back(AsFolder(groupFolder.c_str()));
          break;
        }
      }
    }
  }

  // True when a folder between the record's place and the record is a link: what lies
  // behind it is somewhere else.
  bool BehindLink(const std::string& path) const {
    std::vector<std::string> bases{scope_.installFolder};
    bases.insert(bases.end(), scope_.groupFolders.begin(), scope_.groupFolders.end());
    for (const std::string& base : bases) {
      std::string rest;
      if (base.empty() || !PathWithin(path.c_str(), base, true, &rest)) continue;
      for (const char* separator = FindChar(rest.c_str(), '\\'); separator != nullptr;
           separator = FindChar(separator + 1, '\\')) {
        if (separator[1] == '\0') break;  // the record itself: a link goes as a link
        std::string between = base + std::string(rest.c_str(), separator);
        DWORD attributes = GetFileAttributesA(between.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
          return true;
        }
      }
    }
    return false;
  }

  std::string folder_;
  std::string temporaryLog_;
  std::string claimedInstall_;
  std::string claimedGroup_;
  mutable bool placesChecked_ = true;
  mutable RemovalScope scope_;
};

bool IsOwnProgram(const std::string& path) {
  static const std::string self = LongPath(ModulePath().c_str());
  return !self.empty() && SamePath(self.c_str(), LongPath(path.c_str()).c_str());
}


std::string KeyText(const std::string& key) { return RegistryRecordText(key.c_str()); }

std::string ValueText(const std::string& key, const std::string& name) {
  return RegistryRecordText(key.c_str()) + "\\" + (name.empty() ? "(既定)" : name);
}

// Puts back the records, newest first. Each step is done again harmlessly: what is already
// back is left as it is.
class PutBack {
 public:
  PutBack(const PutBackScope& scope, PutBackReport* report) : scope_(scope), report_(*report) {}

  void Undo(const JournalRecord& record) {
    switch (record.kind) {
      case JournalKind::kFileMade:
        // The running program's own copy goes at the next start of Windows.
        if (!PathExists(record.path.c_str()) || IsOwnProgram(record.path)) return;
        if (!UninstallLog::DeleteLoggedFile(record.path.c_str()) && PathExists(record.path.c_str())) {
          report_.failed.push_back({record.path, ""});
        }
        break;
      case JournalKind::kFolderMade:
        RemoveFolder(record.path);
        break;
      case JournalKind::kFileKept:
        PutKeptBack(record);
        break;
      case JournalKind::kKeyMade:
        RemoveKey(record.path);
        break;
      case JournalKind::kValueSet:
        PutValueBack(record);
        break;
      default:
        return;
    }
    KAZE_STOP_POINT("put-back");
  }

  // What a run that succeeded leaves to clear: its run folder's files, the temporary log,
  // the kept copies of the files it replaced and their folder.
  bool Clears(const JournalRecord& record) const {
    switch (record.kind) {
      case JournalKind::kFileMade:
        return scope_.InRunFolder(record.path) || scope_.IsTemporaryLog(record.path);
      case JournalKind::kFileKept:
        return true;
      case JournalKind::kFolderMade: {
        if (SameFolder(record.path.c_str(), scope_.folder().c_str())) return true;
        std::string path = AsFolder(record.path.c_str());
        path.pop_back();
        std::string folder;
        std::string name;
        return SplitFolderAndName(path, &folder, &name) &&
               IsRunFolderName(name.c_str(), name.size(), "KzKeep");
      }
      default:
        return false;
    }
  }

  // The run had succeeded: only what it kept aside and staged goes.
  void Clear(const JournalRecord& record) {
    switch (record.kind) {
      case JournalKind::kFileMade:
        if (!scope_.InRunFolder(record.path) && !scope_.IsTemporaryLog(record.path)) return;
        if (!PathExists(record.path.c_str()) || IsOwnProgram(record.path)) return;
        if (!UninstallLog::DeleteLoggedFile(record.path.c_str()) && PathExists(record.path.c_str())) {
          report_.failed.push_back({record.path, ""});
        }
        break;
      case JournalKind::kFileKept:
        if (!UninstallLog::DeleteLoggedFile(record.second.c_str()) &&
            PathExists(record.second.c_str())) {
          report_.failed.push_back({record.second, ""});
        }
        break;
      case JournalKind::kFolderMade:
        // Only the keep folder comes here (Clears chose it by its name, Allows its place);
        // the run's own folder goes at the very end.
        RemoveFolder(record.path);
        break;
      default:
        break;
    }
  }

 private:
  void RemoveFolder(const std::string& path) {
    // The run's own folder holds the journal until the very end, which removes it.
    if (SameFolder(path.c_str(), scope_.folder().c_str())) return;
    if (!PathExists(path.c_str()) || RemoveDirectoryA(path.c_str())) return;
    // A folder still holding something (the user's files, the running program) stays
    // without a word; an empty one that cannot go is told.
    if (FolderIsEmpty(path)) report_.failed.push_back({path, ""});
  }

  void PutKeptBack(const JournalRecord& record) {
    const char* original = record.path.c_str();
    const char* kept = record.second.c_str();
    if (PathExists(kept)) {
      // What the run wrote at the user's place goes; the user's file comes back.
      if (PathExists(original) && !UninstallLog::DeleteLoggedFile(original) && PathExists(original)) {
        report_.failed.push_back({record.path, record.second});
        return;
      }
      if (!MoveFileA(kept, original)) {
        report_.failed.push_back({record.path, record.second});
        return;
      }
    }
    if (PathExists(original)) SetFileAttributesA(original, record.number);
  }

  void RemoveKey(const std::string& key) {
    DWORD subkeys = 0;
    DWORD values = 0;
    {
      ScopedKey handle;
      if (!handle.Open(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ)) return;
      if (RegQueryInfoKeyA(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                           &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        report_.failed.push_back({KeyText(key), ""});
        return;
      }
    }
    // Values or keys of someone else's that came in meanwhile keep the key.
    if (subkeys != 0 || values != 0) return;
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()) != ERROR_SUCCESS && KeyExists(key)) {
      report_.failed.push_back({KeyText(key), ""});
    }
  }

  // True when the value is already as the record had it (a value that was never set, in a
  // key the run could not write to, needs no write access to be put back).
  static bool ValueAsRecorded(const JournalRecord& record) {
    ScopedKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, record.path.c_str(), KEY_QUERY_VALUE)) return false;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key.get(), record.second.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return !record.existed;
    if (status != ERROR_SUCCESS || !record.existed || type != record.number ||
        size != record.data.size()) {
      return false;
    }
    std::string data(size, '\0');
    return size == 0 ||
           (RegQueryValueExA(key.get(), record.second.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS &&
            data == record.data);
  }

  void PutValueBack(const JournalRecord& record) {
    if (ValueAsRecorded(record)) return;
    ScopedKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, record.path.c_str(), KEY_SET_VALUE)) {
      // A key that is gone held no value to put back; one that cannot be opened is told.
      if (KeyExists(record.path)) report_.failed.push_back({ValueText(record.path, record.second), ""});
      return;
    }
    LONG status;
    if (record.existed) {
      status = RegSetValueExA(key.get(), record.second.c_str(), 0, record.number,
                              reinterpret_cast<const BYTE*>(record.data.data()),
                              static_cast<DWORD>(record.data.size()));
    } else {
      status = RegDeleteValueA(key.get(), record.second.c_str());
      if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) {
      report_.failed.push_back({ValueText(record.path, record.second), ""});
    }
  }

  const PutBackScope& scope_;
  PutBackReport& report_;
};

bool ReadJournalFile(HANDLE file, std::string* bytes) {
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 ||
      size > kJournalReadMax) {
    return false;
  }
  bytes->resize(size);
  DWORD got = 0;
  return size == 0 || (ReadFile(file, &(*bytes)[0], size, &got, nullptr) && got == size);
}

std::string RecordText(const JournalRecord& record) {
  switch (record.kind) {
    case JournalKind::kKeyMade:
      return KeyText(record.path);
    case JournalKind::kValueSet:
      return ValueText(record.path, record.second);
    case JournalKind::kFileKept:
      return record.second + " → " + record.path;
    default:
      return record.path;
  }
}

}  // namespace

bool RunJournal::Begin(const std::string& installFolder, const std::string& groupFolder,
                       const std::string& runFolder) {
  // One marker names one journal: an earlier run that is not yet put back keeps it.
  std::string earlier;
  if (FindUnfinishedRun(&earlier)) {
    unfinishedEarlier_ = true;
    return false;
  }
  if (BeginRecords(installFolder, groupFolder, runFolder)) return true;
  // Nothing half begun stays: the journal, the folder made for it, the marker.
  file_.Close();
  if (!path_.empty()) DeleteFileA(path_.c_str());
  if (!folder_.empty() && runFolder.empty()) RemoveDirectoryA(folder_.c_str());
  DeleteMarker();
  folder_.clear();
  path_.clear();
  return false;
}

bool RunJournal::BeginRecords(const std::string& installFolder, const std::string& groupFolder,
                              const std::string& runFolder) {
  std::string folder = runFolder;
  if (folder.empty()) {
    const std::string parent = RunFolderParent();
    RunFolderAccess access;
    if (parent.empty() || !access.ready()) return false;
    // Named before it is made: a run cut off in between leaves a marker whose folder the
    // next start removes.
    auto record = [](const std::string& candidate) {
      return candidate.size() + sizeof kRunJournalName <= MAX_PATH &&
             WriteMarker(candidate + kRunJournalName);
    };
    if (!CreateUniqueFolder(parent.c_str(), "KzSetup", &folder, record, access.get())) {
      return false;  // Begin takes the marker away
    }
  } else {
    folder = AsFolder(folder.c_str());
    if (folder.size() + sizeof kRunJournalName > MAX_PATH ||
        !WriteMarker(folder + kRunJournalName)) {
      return false;
    }
  }
  folder_ = folder;
  path_ = folder + kRunJournalName;
  file_.Reset(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_.valid()) return false;
  DWORD written = 0;
  if (!WriteFile(file_.get(), kJournalHeader, kJournalHeaderSize, &written, nullptr) ||
      written != kJournalHeaderSize) {
    return false;
  }
  JournalRecord places;
  places.kind = JournalKind::kInstall;
  places.path = installFolder;
  places.second = groupFolder;
  if (!Append(places)) return false;
  if (runFolder.empty()) return FolderToBeMade(folder_);
  // The copy of the program that runs there: a later start removes it with its folder.
  std::string self = ModulePath();
  std::string selfFolder;
  std::string selfName;
  if (SplitFolderAndName(self, &selfFolder, &selfName) &&
      SameFolder(LongPath(selfFolder.c_str()).c_str(), LongPath(folder_.c_str()).c_str())) {
    return FolderToBeMade(folder_) && FileToBeMade(folder_ + selfName);
  }
  return FolderToBeMade(folder_);
}

bool RunJournal::Append(const JournalRecord& record) {
  std::vector<unsigned char> bytes;
  return EncodeJournalRecord(record, &bytes) && Write(bytes);
}

// The records reach the disk before the call returns.
bool RunJournal::Write(const std::vector<unsigned char>& bytes) {
  if (!file_.valid()) return false;
  DWORD written = 0;
  return WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size() && FlushFileBuffers(file_.get());
}

bool RunJournal::AllToBeMade(const std::vector<std::string>& folders,
                             const std::vector<std::string>& files) {
  std::vector<unsigned char> bytes;
  JournalRecord record;
  record.kind = JournalKind::kFolderMade;
  for (const std::string& folder : folders) {
    record.path = folder;
    if (!EncodeJournalRecord(record, &bytes)) return false;
  }
  record.kind = JournalKind::kFileMade;
  for (const std::string& file : files) {
    record.path = file;
    if (!EncodeJournalRecord(record, &bytes)) return false;
  }
  return bytes.empty() || Write(bytes);
}

bool RunJournal::FolderToBeMade(const std::string& folder) {
  JournalRecord record;
  record.kind = JournalKind::kFolderMade;
  record.path = folder;
  return Append(record);
}

bool RunJournal::FileToBeMade(const std::string& file) {
  JournalRecord record;
  record.kind = JournalKind::kFileMade;
  record.path = file;
  return Append(record);
}

bool RunJournal::FileToBeKept(const std::string& original, const std::string& kept,
                              DWORD attributes) {
  JournalRecord record;
  record.kind = JournalKind::kFileKept;
  record.path = original;
  record.second = kept;
  record.number = attributes;
  return Append(record);
}

bool RunJournal::KeyToBeMade(const std::string& key) {
  JournalRecord record;
  record.kind = JournalKind::kKeyMade;
  record.path = key;
  return Append(record);
}

bool RunJournal::ValueToBeSet(const std::string& key, const std::string& name) {
  JournalRecord record;
  record.kind = JournalKind::kValueSet;
  record.path = key;
  record.second = name;
  ScopedKey handle;
  if (handle.Open(HKEY_LOCAL_MACHINE, key.c_str(), KEY_QUERY_VALUE)) {
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(handle.get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
      // An old value too large to record cannot be put back: it is not replaced.
      if (size > kJournalDataMax) return false;
      record.data.resize(size);
      if (RegQueryValueExA(handle.get(), name.c_str(), nullptr, &type,
                           size > 0 ? reinterpret_cast<BYTE*>(&record.data[0]) : nullptr,
                           &size) != ERROR_SUCCESS) {
        return false;
      }
      record.data.resize(size);
      record.existed = true;
      record.number = type;
    } else if (status != ERROR_FILE_NOT_FOUND) {
      return false;
    }
  }
  return Append(record);
}

bool RunJournal::Finished() {
  JournalRecord record;
  record.kind = JournalKind::kFinished;
  return Append(record);
}

PutBackOutcome PutBackRun(const std::string& journalPath) {
  PutBackOutcome outcome;
  PutBackReport& report = outcome.report;
  PutBackScope scope;
  if (!scope.SetJournal(journalPath)) {
    // Not a journal this program writes: nothing it names is touched.
    report.refused.push_back(journalPath);
    DeleteMarker();
    return outcome;
  }
  std::string bytes;
  if (!PathExists(journalPath.c_str())) {
    // Cut off before the journal was written: only the run's folder can be there.
    if (FolderIsEmpty(scope.folder())) RemoveDirectoryA(scope.folder().c_str());
    DeleteMarker();
    return outcome;
  }
  // Held, unshared, for the whole put-back: a run still writing its journal (in another
  // session of the same machine) is not taken for one cut off, and two starts never put
  // back at once.
  ScopedFileHandle held(CreateFileA(journalPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held.valid()) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) {
      outcome.inUse = true;
    } else {
      report.failed.push_back({journalPath, ""});
    }
    return outcome;
  }
  if (!ReadJournalFile(held.get(), &bytes)) {
    report.failed.push_back({journalPath, ""});
    return outcome;
  }
  JournalReadResult read =
      ReadJournal(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  if (!read.header) {
    report.refused.push_back(journalPath);
    DeleteMarker();
    return outcome;
  }
  // A torn last record announced a change that was never made: the records before it are
  // the whole story.
  std::vector<JournalRecord>& records = read.records;
  if (!records.empty() && records.front().kind == JournalKind::kInstall) {
    scope.SetPlaces(records.front().path, records.front().second);
  }
  for (const JournalRecord& record : records) {
    if (record.kind == JournalKind::kFinished) outcome.finishedRun = true;
  }
  PutBack putBack(scope, &report);
  // Newest first; folders last of all, once the files recorded before them (a file is
  // announced before the folders its copy makes) are gone.
  for (bool folders : {false, true}) {
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
      if ((record->kind == JournalKind::kFolderMade) != folders) continue;
      if (outcome.finishedRun && !putBack.Clears(*record)) continue;
      if (!scope.Allows(*record)) {
        report.refused.push_back(RecordText(*record));
        continue;
      }
      if (outcome.finishedRun) {
        putBack.Clear(*record);
      } else {
        putBack.Undo(*record);
      }
    }
  }
  if (!report.failed.empty()) return outcome;  // the journal stays for the next start
  held.Close();
  if (!UninstallLog::DeleteLoggedFile(journalPath.c_str()) && PathExists(journalPath.c_str())) {
    report.failed.push_back({journalPath, ""});
    return outcome;
  }
  RemoveDirectoryA(scope.folder().c_str());
  if (!DeleteMarker()) report.failed.push_back({KeyText(kRunMarkerKey), ""});
  return outcome;
}

bool FindUnfinishedRun(std::string* journalPath) {
  ScopedKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kRunMarkerKey, KEY_QUERY_VALUE)) return false;
  char path[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = MAX_PATH;
  LONG status = RegQueryValueExA(key.get(), kRunMarkerValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(path), &size);
  if (status == ERROR_FILE_NOT_FOUND) return false;
  // A value that is no path this program writes is still a marker: it is refused, named
  // and taken away.
  *journalPath = (status == ERROR_SUCCESS && type == REG_SZ) ? std::string(path) : std::string("?");
  return true;
}

}  // namespace kaze
