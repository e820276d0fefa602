#pragma once
// Records what an installation creates, in the uninstall log, and takes it all away
// again when the installation is cancelled or fails.
#include <windows.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "uninstall/LogRecords.h"
#include "uninstall/RemovalRules.h"

namespace kaze {

extern const char kUninstallLogName[];    // "UnInst.dat"
extern const char kTemporaryLogName[];    // "KazeTemp_Uninstall.tmp"
extern const char kUninstallErrorCaption[];  // "アンインストールエラー"

// The temporary log's path: the temporary folder and kTemporaryLogName. False when it
// would not fit a path.
bool TemporaryLogPath(std::string* path);

// Kinds of removal progress.
enum RemovalKind { REMOVAL_PATH = 0, REMOVAL_KEY = 3, REMOVAL_FINISHED = 4 };

using RemovalCallback = void (*)(int kind, const char* text, int total, int done, void* user);

struct RemovalRequest {
  char folder[MAX_PATH] = {};  // holds the committed log; ends with a backslash
  // The product's program group in the Start menu, the one place outside the folder where
  // records may point.
  std::vector<std::string> groupFolders;
  RemovalCallback callback = nullptr;
  void* user = nullptr;
  // The uninstaller keeps a log whose removal was not whole, holding the records that
  // remain, so that a later run can finish; a rollback deletes it in any case.
  bool keepIncompleteLog = false;
  // A file removed only once everything else was: the uninstaller itself, which a run
  // that could not finish leaves in place to be started again.
  std::string lastFile;
};

// What became of the log itself.
enum class LogState {
  kRead,      // read and acted on
  kMissing,   // no log
  kLocked,    // there, but it could not be opened (another program holds it)
  kEmpty,     // a header without records: nothing was recorded
  kInvalid,   // too short or a wrong header
};

class UninstallLog {
 public:
  UninstallLog() = default;
  UninstallLog(const UninstallLog&) = delete;
  UninstallLog& operator=(const UninstallLog&) = delete;

  // The folder (with its backslash) of the temporary log that BeginLog starts: the run's
  // own folder, which nobody else may change. Without it the temporary folder.
  void SetTemporaryFolder(const std::string& folder) { temporaryFolder_ = folder; }

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
  // created folders in reverse order, registry keys. Each record is checked first
  // (RemovalRules): one that points outside the installation is never acted on. Then the
  // log is deleted, or, when the request keeps an incomplete log and something remains,
  // rewritten with the records that remain. False without an owner window or when the
  // log is missing, cannot be opened or holds no record (logState() tells which); a log
  // that cannot be opened is never deleted. report() tells what was left behind.
  bool RemoveLoggedItems(bool useTemporaryLog, const RemovalRequest* request);

  void SetOwnerWindow(HWND owner) { owner_ = owner; }

  // Reads the records of the log at path into the entry lists. A log that cannot be
  // opened is reported in a message box. Reading stops at a record that is cut short or
  // claims an impossible length; the records before it are kept, and the rest is kept
  // aside as it stands.
  bool ReadEntries(const char* path);

  // Entries read, of one LogEntryType, in log order.
  std::vector<std::string> entries(int type) const;
  void ClearEntries();

  const RemovalReport& report() const { return report_; }
  LogState logState() const { return logState_; }

  const char* finalLogPath() const { return finalPath_.c_str(); }
  const char* temporaryLogPath() const { return temporaryPath_.c_str(); }

  // Registry keys of the log lie under HKEY_LOCAL_MACHINE; tests point this elsewhere.
  void SetRegistryRoot(HKEY root) { registryRoot_ = root; }

  static bool DeleteLoggedFile(const char* path);
  static bool RemoveEmptyFolder(const char* path);

 private:
  struct Record {
    int type;
    std::string text;  // as the log holds it
    bool removed = false;
    std::string path;  // in its one spelling (CanonicalRecords); what is compared and acted on
  };

  static std::string CanonicalFolder(const std::string& folder);
  void CanonicalRecords();
  void RemoveEntries(const RemovalRequest* request);
  bool IsLastFile(const Record& record, const RemovalRequest* request) const;
  void FinishRemoval(const std::string& logPath, const RemovalRequest* request);
  bool RemoveFile(const std::string& path);
  bool RemoveFolder(const std::string& path);
  bool RemoveKey(const std::string& key);
  bool RemoveFolderTree(const std::string& path, const RemovalRequest* request);
  bool BehindLink(const char* path) const;
  bool RewriteLog(const std::string& path) const;
  void CountStep(int kind, const char* text, const RemovalRequest* request);

  int state_ = 0;  // 1 once the temporary log holds its header
  std::string finalPath_;
  std::string temporaryPath_;
  std::string temporaryFolder_;
  HWND owner_ = nullptr;
  HKEY registryRoot_ = HKEY_LOCAL_MACHINE;
  std::vector<Record> records_;     // in log order
  std::string unreadTail_;          // the bytes behind a record that could not be read
  bool damaged_ = false;            // a record could not be read
  RemovalScope scope_;
  mutable std::map<std::string, bool> linkFolders_;  // folders looked at: a link or not
  RemovalReport report_;
  LogState logState_ = LogState::kMissing;
  int total_ = 0;
  int done_ = 0;
};

// System folders that no record may remove, even as an empty parent: the protected folders
// of SystemProtectedFolders (Windows, System, the temporary folder, the profiles, the Start
// menu's and desktop's folders, documents, application data, Program Files), each in its
// long names and with its backslash.
std::vector<std::string> KeptSystemFolders();

// The program group folders of a product (CORPNAME, APPNAME) in the Programs folder that
// the installer uses, each ending with a backslash; none when the names are empty.
std::vector<std::string> ProgramGroupFolders(const char* corpName, const char* appName);

}  // namespace kaze
