#pragma once
// Records what an installation creates, in the uninstall log, and takes it all away
// again when the installation is cancelled or fails.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "uninstall/LogRecords.h"

namespace kaze {

extern const char kUninstallLogName[];    // "UnInst.dat"
extern const char kTemporaryLogName[];    // "KazeTemp_Uninstall.tmp"
extern const char kUninstallErrorCaption[];  // "アンインストールエラー"

// Kinds of removal progress.
enum RemovalKind { REMOVAL_PATH = 0, REMOVAL_KEY = 3, REMOVAL_FINISHED = 4 };

using RemovalCallback = void (*)(int kind, const char* text, int total, int done, void* user);

struct RemovalRequest {
  char folder[MAX_PATH] = {};  // holds the committed log; ends with a backslash
  RemovalCallback callback = nullptr;
  void* user = nullptr;
};

class UninstallLog {
 public:
  UninstallLog() = default;
  UninstallLog(const UninstallLog&) = delete;
  UninstallLog& operator=(const UninstallLog&) = delete;

  // Starts a new temporary log holding only the header. False (and nothing is logged
  // afterwards) when it cannot be written or a path would be too long.
  bool BeginLog(const char* installFolder);

  // Appends one record to the temporary log at once. False when logging has not begun,
  // the temporary log is gone, the type is unknown, or the text is empty or longer than
  // kLogTextMax bytes (it is refused, never cut into another path).
  bool AppendEntry(int type, const char* text);

  // Copies the temporary log to the final log (hidden, read-only). The temporary log is
  // deleted only when the final one was written whole; false otherwise, and the
  // temporary log can still be used for a removal.
  bool CommitLog();

  // Reads the log (the temporary one, or the committed one in request's folder, or in the
  // program's folder without a request) and removes what it lists: files, folder trees,
  // created folders in reverse order, registry keys. The log is deleted. False without
  // an owner window or when the log is missing, unreadable or holds no record.
  bool RemoveLoggedItems(bool useTemporaryLog, const RemovalRequest* request);

  void SetOwnerWindow(HWND owner) { owner_ = owner; }

  // Reads the records of the log at path into the entry lists and deletes the file. A
  // log that cannot be opened is reported in a message box. Reading stops at a record
  // that is cut short or claims an impossible length; the records before it are kept.
  bool ReadEntries(const char* path);

  // Removes the listed entries in the fixed order and reports each step.
  void RemoveEntries(const RemovalRequest* request);

  // Entries read, per LogEntryType, in log order.
  const std::vector<std::string>& entries(int type) const { return entries_[type]; }
  void ClearEntries();

  const char* finalLogPath() const { return finalPath_.c_str(); }
  const char* temporaryLogPath() const { return temporaryPath_.c_str(); }

  // Registry keys of the log lie under HKEY_LOCAL_MACHINE; tests point this elsewhere.
  void SetRegistryRoot(HKEY root) { registryRoot_ = root; }

  static bool DeleteLoggedFile(const char* path);
  static bool RemoveEmptyFolder(const char* path);

 private:
  bool RemoveFolderTree(const std::string& path, const RemovalRequest* request);
  void CountStep(int kind, const char* text, const RemovalRequest* request);

  int state_ = 0;  // 1 once the temporary log holds its header
  std::string finalPath_;
  std::string temporaryPath_;
  HWND owner_ = nullptr;
  HKEY registryRoot_ = HKEY_LOCAL_MACHINE;
  std::array<std::vector<std::string>, kLogEntryTypes> entries_;
  int total_ = 0;
  int done_ = 0;
};

}  // namespace kaze
