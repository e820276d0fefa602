#include "uninstall/UninstallLog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/PathText.h"
#include "ui/Prompts.h"

namespace kaze {

const char kUninstallLogName[] = "UnInst.dat";
const char kTemporaryLogName[] = "KazeTemp_Uninstall.tmp";
const char kUninstallErrorCaption[] = "アンインストールエラー";

namespace {

const char kCannotOpenLog[] =
    "アンインストール情報ファイル [%s] が展開できません。\n"
    "他のアプリケーション中で開かれている可能性があります。";

bool TemporaryLogPath(std::string* path) {
  char folder[MAX_PATH] = {};
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return false;
  *path = std::string(folder) + kTemporaryLogName;
  return path->size() < MAX_PATH;
}

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
bool IsReadableLog(const char* path) {
  ScopedFileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file.get(), &high);
  unsigned char head[kLogHeaderSize] = {};
  DWORD got = 0;
  if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) got = 0;
  uint64_t fileSize = (static_cast<uint64_t>(high) << 32) | size;
  return CheckLogHeader(head, got, fileSize) == LogCheck::kValid;
}

}  // namespace

bool UninstallLog::BeginLog(const char* installFolder) {
  std::string folder(installFolder);
  std::string finalPath = folder + (EndsWithBackslash(folder.c_str()) ? "" : "\\") +
                          kUninstallLogName;
  std::string temporaryPath;
  if (finalPath.size() >= MAX_PATH || !TemporaryLogPath(&temporaryPath)) return false;
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

bool UninstallLog::RemoveLoggedItems(bool useTemporaryLog, const RemovalRequest* request) {
  total_ = 0;
  done_ = 0;
  if (owner_ == nullptr) return false;

  std::string logPath;
  if (useTemporaryLog) {
    if (!TemporaryLogPath(&logPath)) return false;
  } else {
    std::string folder = request != nullptr && request->folder[0] != '\0'
                             ? std::string(request->folder)
                             : ProgramFolder();
    // Without the backslash the name would run into the folder's and could name a file
    // that the installation never made, which an invalid log would then lose.
    if (!folder.empty() && !EndsWithBackslash(folder.c_str())) folder += '\\';
    logPath = folder + kUninstallLogName;
    if (logPath.size() >= MAX_PATH) return false;
  }

  if (!IsReadableLog(logPath.c_str())) {
    if (PathExists(logPath.c_str())) DeleteLoggedFile(logPath.c_str());
    return false;
  }
  ReadEntries(logPath.c_str());
  RemoveEntries(request);
  ClearEntries();
  if (request != nullptr && request->callback != nullptr) {
    request->callback(REMOVAL_FINISHED, "", total_, done_, request->user);
  }
  return true;
}

bool UninstallLog::ReadEntries(const char* path) {
  {
    ScopedFileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      std::vector<char> text(sizeof kCannotOpenLog + std::strlen(path));
      std::snprintf(text.data(), text.size(), kCannotOpenLog, path);
      ShowMessage(nullptr, text.data(), kUninstallErrorCaption, MB_OK);
      return false;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file.get(), &high);
    uint64_t fileSize = (static_cast<uint64_t>(high) << 32) | size;
    if (fileSize > kLogHeaderSize &&
        SetFilePointer(file.get(), kLogHeaderSize, nullptr, FILE_BEGIN) == kLogHeaderSize) {
      FileLogInput input(file.get());
      LogReadResult result =
          ReadLogRecords(input, fileSize - kLogHeaderSize, [this](int type, const char* text) {
            entries_[type].push_back(text);
          });
      total_ += result.tagsRead;
    }
  }
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
  return true;
}

void UninstallLog::CountStep(int kind, const char* text, const RemovalRequest* request) {
  ++done_;
  if (request != nullptr && request->callback != nullptr) {
    request->callback(kind, text, total_, done_, request->user);
  }
}

void UninstallLog::RemoveEntries(const RemovalRequest* request) {
  for (const std::string& file : entries_[LOG_FILE]) {
    CountStep(REMOVAL_PATH, file.c_str(), request);
    DeleteLoggedFile(file.c_str());
  }
  for (const std::string& tree : entries_[LOG_DIRA]) {
    CountStep(REMOVAL_PATH, tree.c_str(), request);
    RemoveFolderTree(tree, request);
  }
  // Folders were recorded as they were made, outer before inner: undo from the last.
  const std::vector<std::string>& folders = entries_[LOG_FOLD];
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    CountStep(REMOVAL_PATH, folder->c_str(), request);
    RemoveEmptyFolder(folder->c_str());
  }
  for (const std::string& key : entries_[LOG_REGS]) {
    CountStep(REMOVAL_KEY, key.c_str(), request);
    RegDeleteKeyA(registryRoot_, key.c_str());
  }
}

void UninstallLog::ClearEntries() {
  for (auto& list : entries_) list.clear();
}

bool UninstallLog::DeleteLoggedFile(const char* path) {
  if (!PathExists(path)) return false;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path) != FALSE;
}

bool UninstallLog::RemoveEmptyFolder(const char* path) {
  if (!PathExists(path)) return true;
  return RemoveDirectoryA(path) != FALSE;
}

bool UninstallLog::RemoveFolderTree(const std::string& path, const RemovalRequest* request) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  std::string folder = path;
  if (!EndsWithBackslash(folder.c_str())) folder += '\\';
  // A link (junction, symbolic link) leads out of the tree: only the link itself goes,
  // never what it points at.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryA(path.c_str()) != FALSE;
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
          DeleteLoggedFile(full.c_str());
        }
      } while (FindNextFileA(search.get(), &found));
    }
  }
  return RemoveDirectoryA(folder.c_str()) != FALSE;
}

}  // namespace kaze
