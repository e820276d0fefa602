#include "uninstall/UninstallLog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <shlobj.h>

#include "engine/RegistrationText.h"
#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/Handles.h"
#include "system/InstallFolderRules.h"
#include "system/OsServices.h"
#include "system/PathSpelling.h"
#include "system/PathText.h"
#include "system/StopPoint.h"
#include "uninstall/RegistryTree.h"
#include "ui/Prompts.h"

namespace kaze {

const char kUninstallLogName[] = "UnInst.dat";
const char kTemporaryLogName[] = "KazeTemp_Uninstall.tmp";
const char kUninstallErrorCaption[] = "アンインストールエラー";

bool TemporaryLogPath(std::string* path) {
  char folder[MAX_PATH] = {};
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return false;
  *path = std::string(folder) + kTemporaryLogName;
  return path->size() < MAX_PATH;
}

namespace {

// A broken end of a log is kept as it stands, up to this size; a log is a few kilobytes.
constexpr uint64_t kMaxUnreadTail = 1 << 20;

const char kCannotOpenLog[] =
    "アンインストール情報ファイル [%s] が展開できません。\n"
    "他のアプリケーション中で開かれている可能性があります。";

std::string ProgramFolder() {
  char module[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return FolderPart(module);
}

class FileLogInput : public LogInput {
 public:
  explicit FileLogInput(HANDLE file) : file_(file) {}
  size_t Read(unsigned char* buffer, size_t count) override {
    DWORD got = 0;
    if (!ReadFile(file_, buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
    return got;
  }

 private:
  HANDLE file_;
};

// The checks that come before any record is read.
LogState CheckLog(const char* path) {
  if (!PathExists(path)) return LogState::kMissing;
  ScopedFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LogState::kLocked;
  DWORD high = 0;
  DWORD size = GetFileSize(file.get(), &high);
  unsigned char head[kLogHeaderSize] = {};
  DWORD got = 0;
  if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) got = 0;
  uint64_t fileSize = (static_cast<uint64_t>(high) << 32) | size;
  switch (CheckLogHeader(head, got, fileSize)) {
    case LogCheck::kValid:
      return LogState::kRead;
    case LogCheck::kHeaderOnly:
      return LogState::kEmpty;
    default:
      return LogState::kInvalid;
  }
}

void ShowCannotOpen(const char* path) {
  std::vector<char> text(sizeof kCannotOpenLog + std::strlen(path));
  std::snprintf(text.data(), text.size(), kCannotOpenLog, path);
  ShowMessage(nullptr, text.data(), kUninstallErrorCaption, MB_OK);
}

}  // namespace

bool UninstallLog::BeginLog(const char* installFolder) {
  std::string folder(installFolder);
  std::string finalPath = folder + (EndsWithBackslash(folder.c_str()) ? "" : "\\") +
                          kUninstallLogName;
  std::string temporaryPath;
  if (!temporaryFolder_.empty()) {
    temporaryPath = temporaryFolder_ + kTemporaryLogName;
    if (temporaryPath.size() >= MAX_PATH) return false;
  } else if (!TemporaryLogPath(&temporaryPath)) {
    return false;
  }
  if (finalPath.size() >= MAX_PATH) return false;
  finalPath_ = finalPath;
  temporaryPath_ = temporaryPath;
  // A fresh profile may name a temporary folder that does not exist yet.
  CreateDirectoryA(FolderPart(temporaryPath_.c_str()).c_str(), nullptr);

  ScopedFileHandle file(CreateFileA(temporaryPath_.c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  if (!WriteFile(file.get(), kLogHeader, kLogHeaderSize, &written, nullptr) ||
      written != kLogHeaderSize) {
    return false;
  }
  state_ = 1;
  return true;
}

bool UninstallLog::AppendEntry(int type, const char* text) {
  if (state_ != 1 || !PathExists(temporaryPath_.c_str())) return false;
  std::vector<unsigned char> record;
  if (!EncodeLogRecord(type, text, &record)) return false;

  ScopedFileHandle file(CreateFileA(temporaryPath_.c_str(), GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  LONG high = 0;
  DWORD end = SetFilePointer(file.get(), 0, &high, FILE_END);
  if (end == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
  DWORD written = 0;
  if (WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written,
                nullptr) &&
      written == record.size()) {
    return true;
  }
  // A record cut short would end the reading of every record behind it: take it back.
  SetFilePointer(file.get(), static_cast<LONG>(end), &high, FILE_BEGIN);
  SetEndOfFile(file.get());
  return false;
}

bool UninstallLog::CommitLog() {
  // Without a temporary log there is nothing to commit, and a final log that this
  // installation did not write is left alone.
  if (state_ != 1 || !PathExists(temporaryPath_.c_str())) return false;
  // A log already there is another installation's: it is neither replaced nor deleted,
  // and this one stays in its temporary copy.
  if (PathExists(finalPath_.c_str())) return false;
  if (!CopyFileWhole(temporaryPath_.c_str(), finalPath_.c_str())) {
    // A cut copy must not pass for the record of this installation; the temporary
    // log keeps every record.
    DeleteLoggedFile(finalPath_.c_str());
    return false;
  }
  SetFileAttributesA(finalPath_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  DeleteFileA(temporaryPath_.c_str());
  return true;
}

namespace {


}  // namespace

std::vector<std::string> KeptSystemFolders() { return SystemProtectedFolders().folders; }

std::vector<std::string> ProgramGroupFolders(const char* corpName, const char* appName) {
  std::vector<std::string> folders;
  std::string group = ProgramGroupText(corpName, appName);
  // Names that would lead out of the Programs folder, or to the folder itself, name no
  // group of this product.
  if (group.empty() || !IsContainedPath(group.c_str(), group.size(), true)) return folders;
  char programs[MAX_PATH] = {};
  if (GetProgramsFolder(programs)) folders.push_back(programs + group);
  return folders;
}

bool UninstallLog::RemoveLoggedItems(bool useTemporaryLog, const RemovalRequest* request) {
  total_ = 0;
  done_ = 0;
  report_ = RemovalReport();
  logState_ = LogState::kMissing;
  if (owner_ == nullptr) return false;

  std::string folder = request != nullptr && request->folder[0] != '\0'
                           ? std::string(request->folder)
                           : ProgramFolder();
  // Without the backslash the name would run into the folder's and could name a file
  // that the installation never made, which an invalid log would then lose.
  if (!folder.empty() && !EndsWithBackslash(folder.c_str())) folder += '\\';
  std::string logPath;
  if (useTemporaryLog) {
    // The one this object began, wherever its run keeps it.
    if (!temporaryPath_.empty()) {
      logPath = temporaryPath_;
    } else if (!TemporaryLogPath(&logPath)) {
      return false;
    }
  } else {
    logPath = folder + kUninstallLogName;
    if (logPath.size() >= MAX_PATH) return false;
  }
  scope_ = RemovalScope();
  linkFolders_.clear();
  // The places in their one spelling, as the records are compared (CanonicalRecords).
  scope_.installFolder = CanonicalFolder(folder);
  if (request != nullptr) {
    for (const std::string& group : request->groupFolders) {
      scope_.groupFolders.push_back(CanonicalFolder(group));
    }
  }
  ProtectedFolders protectedFolders = SystemProtectedFolders();
  scope_.keptFolders = protectedFolders.folders;
  scope_.windowsFolder = protectedFolders.windowsFolder;
  const bool keepIncomplete = request != nullptr && request->keepIncompleteLog;
  logState_ = CheckLog(logPath.c_str());
  switch (logState_) {
    case LogState::kMissing:
      return false;
    case LogState::kLocked:
      ShowCannotOpen(logPath.c_str());
      return false;
    case LogState::kInvalid:
      // Not a log this program can read: the uninstaller leaves it as it found it.
      if (!keepIncomplete) DeleteLoggedFile(logPath.c_str());
      return false;
    case LogState::kEmpty:
      DeleteLoggedFile(logPath.c_str());
      return false;
    case LogState::kRead:
      break;
  }
  if (!ReadEntries(logPath.c_str())) {
    logState_ = LogState::kLocked;
    return false;
  }
  CanonicalRecords();
  RemoveEntries(request);
  report_.damaged = damaged_;
  FinishRemoval(logPath, request);
  ClearEntries();
  if (request != nullptr && request->callback != nullptr) {
    request->callback(REMOVAL_FINISHED, "", total_, done_, request->user);
  }
  return true;
}

bool UninstallLog::ReadEntries(const char* path) {
  ClearEntries();
  // Others may read the log at the same time; no one may change it meanwhile.
  ScopedFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    ShowCannotOpen(path);
    return false;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file.get(), &high);
  uint64_t fileSize = (static_cast<uint64_t>(high) << 32) | size;
  if (fileSize <= kLogHeaderSize ||
      SetFilePointer(file.get(), kLogHeaderSize, nullptr, FILE_BEGIN) != kLogHeaderSize) {
    return true;
  }
  FileLogInput input(file.get());
  LogReadResult result =
      ReadLogRecords(input, fileSize - kLogHeaderSize, [this](int type, const char* text) {
        records_.push_back({type, text});
      });
  total_ += result.tagsRead;
  damaged_ = !result.complete;
  if (damaged_) {
    // What follows a broken record cannot be told apart; it is kept as it stands.
    uint64_t unread = fileSize - kLogHeaderSize - result.wholeBytes;
    LONG offset = static_cast<LONG>(kLogHeaderSize + result.wholeBytes);
    if (unread > 0 && unread <= kMaxUnreadTail &&
        SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) == static_cast<DWORD>(offset)) {
      unreadTail_.resize(static_cast<size_t>(unread));
      DWORD got = 0;
      if (!ReadFile(file.get(), &unreadTail_[0], static_cast<DWORD>(unread), &got, nullptr)) got = 0;
      unreadTail_.resize(got);
    }
  }
  return true;
}

std::vector<std::string> UninstallLog::entries(int type) const {
  std::vector<std::string> texts;
  for (const Record& record : records_) {
    if (record.type == type) texts.push_back(record.text);
  }
  return texts;
}

// A folder in its one spelling; as it is when it has none (it is then refused as it stands).
std::string UninstallLog::CanonicalFolder(const std::string& folder) {
  std::string canonical;
  return CanonicalPath(folder.c_str(), true, &canonical) == Spelling::kOk ? canonical : folder;
}

// Each path record in its one spelling, for every comparison and action; the log keeps
// the text it was written with (an older installer wrote the folder as the user typed it:
// a short name, '/'). Disk look-ups are spared for the records this installer writes: in
// the one spelling already, inside a place, with no '~' of a short name below it.
void UninstallLog::CanonicalRecords() {
  std::vector<std::string> bases{scope_.installFolder};
  bases.insert(bases.end(), scope_.groupFolders.begin(), scope_.groupFolders.end());
  for (Record& record : records_) {
    record.path = record.text;
    if (record.type == LOG_REGS) continue;
    // Folders too without their backslash: "link\" would name what a link points at.
    const bool folder = false;
    std::string spelled;
    if (NormalizePathText(record.text.c_str(), folder, &spelled) != Spelling::kOk) continue;
    bool settled = false;
    for (const std::string& base : bases) {
      std::string rest;
      if (!base.empty() && PathWithin(spelled.c_str(), base, true, &rest) &&
          FindChar(rest.c_str(), '~') == nullptr) {
        settled = true;
        break;
      }
    }
    std::string canonical;
    if (settled) {
      record.path = spelled;
    } else if (CanonicalPath(spelled.c_str(), folder, &canonical) == Spelling::kOk) {
      record.path = canonical;
    }
  }
}

void UninstallLog::CountStep(int kind, const char* text, const RemovalRequest* request) {
  ++done_;
  if (request != nullptr && request->callback != nullptr) {
    request->callback(kind, text, total_, done_, request->user);
  }
}

void UninstallLog::RemoveEntries(const RemovalRequest* request) {
  // Every record is checked before it is acted on; one that points elsewhere is told.
  auto act = [&](Record& record, int kind, bool (UninstallLog::*remove)(const std::string&)) {
    CountStep(kind, record.text.c_str(), request);
    if (!IsRecordWithinScope(scope_, record.type, record.path.c_str()) ||
        (record.type != LOG_REGS && BehindLink(record.path.c_str()))) {
      report_.refused.push_back(record.type == LOG_REGS ? RegistryRecordText(record.text.c_str())
                                                        : record.text);
      return;
    }
    if (record.type == LOG_DIRA) {
      record.removed = RemoveFolderTree(record.path, request);
    } else {
      record.removed = (this->*remove)(record.path);
    }
    KAZE_STOP_POINT("removal");
  };
  for (Record& record : records_) {
    if (record.type == LOG_FILE && !IsLastFile(record, request)) {
      act(record, REMOVAL_PATH, &UninstallLog::RemoveFile);
    }
  }
  for (Record& record : records_) {
    if (record.type == LOG_DIRA) act(record, REMOVAL_PATH, nullptr);
  }
  // Folders were recorded as they were made, outer before inner: undo from the last.
  for (auto record = records_.rbegin(); record != records_.rend(); ++record) {
    if (record->type == LOG_FOLD) act(*record, REMOVAL_PATH, &UninstallLog::RemoveFolder);
  }
  for (Record& record : records_) {
    if (record.type == LOG_REGS) act(record, REMOVAL_KEY, &UninstallLog::RemoveKey);
  }
}

bool UninstallLog::IsLastFile(const Record& record, const RemovalRequest* request) const {
  return record.type == LOG_FILE && request != nullptr && !request->lastFile.empty() &&
         SamePath(record.path.c_str(), request->lastFile.c_str());
}

// After a whole removal: the uninstaller's own file, the log, and then the folders that
// held them, which the walk had to leave.
void UninstallLog::FinishRemoval(const std::string& logPath, const RemovalRequest* request) {
  const bool keepIncomplete = request != nullptr && request->keepIncompleteLog;
  if (report_.complete()) {
    for (Record& record : records_) {
      if (IsLastFile(record, request) && IsRecordWithinScope(scope_, LOG_FILE, record.path.c_str())) {
        record.removed = RemoveFile(record.path);
      }
    }
  }
  if (!report_.complete() && keepIncomplete) {
    if (!RewriteLog(logPath)) report_.failed.push_back(logPath);
    return;
  }
  if (!DeleteLoggedFile(logPath.c_str()) && PathExists(logPath.c_str())) {
    if (keepIncomplete) report_.failed.push_back(logPath);
    return;
  }
  for (auto record = records_.rbegin(); record != records_.rend(); ++record) {
    if (record->type == LOG_FOLD && !record->removed &&
        IsRecordWithinScope(scope_, LOG_FOLD, record->path.c_str()) &&
        !BehindLink(record->path.c_str())) {
      record->removed = RemoveEmptyFolder(record->path.c_str());
    }
  }
}

bool UninstallLog::RemoveFile(const std::string& path) {
  if (DeleteLoggedFile(path.c_str()) || !PathExists(path.c_str())) return true;
  report_.failed.push_back(path);
  return false;
}

// A folder that still holds something (the user's saves, another product) stays without a
// word, as it should; one that is empty and still cannot go is told.
bool UninstallLog::RemoveFolder(const std::string& path) {
  if (!PathExists(path.c_str())) return true;
  if (RemoveDirectoryA(path.c_str())) return true;
  if (FolderIsEmpty(path)) report_.failed.push_back(path);
  return false;
}

// Only a key that is this installation's goes: one whose "install" value names this
// installation's folder, or one that holds nothing at all (a parent the installation
// made). A key of its own goes with the keys the game made below it (its settings), unless
// another installation's key lies among them: then it stays and is named. Any other key
// holding keys stays without a word, like a folder holding another product's files.
bool UninstallLog::RemoveKey(const std::string& key) {
  DWORD subkeys = 0;
  DWORD values = 0;
  bool ours = false;
  {
    ScopedKey handle;
    if (!handle.Open(registryRoot_, key.c_str(), KEY_READ)) return true;
    if (RegQueryInfoKeyA(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      report_.failed.push_back(RegistryRecordText(key.c_str()));
      return false;
    }
    char folder[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = MAX_PATH;
    ours = RegQueryValueExA(handle.get(), "install", nullptr, &type,
                            reinterpret_cast<BYTE*>(folder), &size) == ERROR_SUCCESS &&
           type == REG_SZ && SameFolder(CanonicalFolder(folder).c_str(), scope_.installFolder.c_str());
  }
  if (!ours && values > 0) {
    report_.refused.push_back(RegistryRecordText(key.c_str()));
    return false;
  }
  if (subkeys > 0) {
    if (!ours) return false;
    if (InspectSubkeys(registryRoot_, key.c_str()) != SubkeyState::kSettingsOnly) {
      report_.refused.push_back(RegistryRecordText(key.c_str()));
      return false;
    }
    if (DeleteKeyTree(registryRoot_, key.c_str())) return true;
    report_.failed.push_back(RegistryRecordText(key.c_str()));
    return false;
  }
  if (RegDeleteKeyA(registryRoot_, key.c_str()) == ERROR_SUCCESS) return true;
  report_.failed.push_back(RegistryRecordText(key.c_str()));
  return false;
}

// True when a folder between the record's place (installation folder or program group)
// and the record is a link: what lies behind it is somewhere else.
bool UninstallLog::BehindLink(const char* path) const {
  std::vector<std::string> bases{scope_.installFolder};
  bases.insert(bases.end(), scope_.groupFolders.begin(), scope_.groupFolders.end());
  for (const std::string& base : bases) {
    std::string rest;
    if (!PathWithin(path, base, true, &rest)) continue;
    for (const char* separator = FindChar(rest.c_str(), '\\'); separator != nullptr;
         separator = FindChar(separator + 1, '\\')) {
      if (separator[1] == '\0') break;  // the record itself: a link goes as a link
      std::string between = base + std::string(rest.c_str(), separator);
      // The files of one folder share their folders: each is looked at once per removal.
      auto known = linkFolders_.find(between);
      if (known == linkFolders_.end()) {
        DWORD attributes = GetFileAttributesA(between.c_str());
        bool link = attributes != INVALID_FILE_ATTRIBUTES &&
                    (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        known = linkFolders_.emplace(between, link).first;
      }
      if (known->second) return true;
    }
  }
  return false;
}

// The log again, holding only the records that remain (and a broken end as it was), so
// that a later run does the rest.
bool UninstallLog::RewriteLog(const std::string& path) const {
  std::vector<unsigned char> bytes(kLogHeader, kLogHeader + kLogHeaderSize);
  for (const Record& record : records_) {
    if (!record.removed) EncodeLogRecord(record.type, record.text.c_str(), &bytes);
  }
  bytes.insert(bytes.end(), unreadTail_.begin(), unreadTail_.end());
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  bool written = false;
  {
    ScopedFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD count = 0;
    written = file.valid() &&
              WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count,
                        nullptr) &&
              count == bytes.size() && SetEndOfFile(file.get());
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  return written;
}

void UninstallLog::ClearEntries() {
  records_.clear();
  unreadTail_.clear();
  damaged_ = false;
}

bool UninstallLog::DeleteLoggedFile(const char* path) {
  // One call for a plain file: a removal of thousands of files costs what the deletions do.
  if (DeleteFileA(path)) return true;
  // A read-only file (the log itself is one) goes once the attribute is cleared; one that
  // still cannot go keeps its attributes.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !(attributes & FILE_ATTRIBUTE_READONLY) ||
      !SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  if (DeleteFileA(path)) return true;
  SetFileAttributesA(path, attributes);
  return false;
}

bool UninstallLog::RemoveEmptyFolder(const char* path) {
  if (!PathExists(path)) return true;
  return RemoveDirectoryA(path) != FALSE;
}

// Empties and removes a folder; whatever inside it cannot be deleted is told.
bool UninstallLog::RemoveFolderTree(const std::string& path, const RemovalRequest* request) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  std::string folder = path;
  if (!EndsWithBackslash(folder.c_str())) folder += '\\';
  // A link (junction, symbolic link) leads out of the tree: only the link itself goes,
  // never what it points at.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    if (RemoveDirectoryA(path.c_str())) return true;
    report_.failed.push_back(path);
    return false;
  }
  size_t failedBefore = report_.failed.size();
  {
    WIN32_FIND_DATAA found;
    ScopedFindHandle search(FindFirstFileA((folder + "*.*").c_str(), &found));
    if (search.valid()) {
      do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = folder + name;
        CountStep(REMOVAL_PATH, full.c_str(), request);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveFolderTree(full, request);
        } else {
          RemoveFile(full);
        }
      } while (FindNextFileA(search.get(), &found));
    }
  }
  if (RemoveDirectoryA(folder.c_str())) return true;
  if (report_.failed.size() == failedBefore) report_.failed.push_back(path);
  return false;
}

}  // namespace kaze
