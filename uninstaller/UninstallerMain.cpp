// Kaze_Inst.exe: the uninstaller the installer copies into the installation folder and
// names in the uninstall entry ("<path>" "<path>" "/D"); the Start-menu shortcut starts it
// without arguments. It removes what the uninstall log of its own folder lists (each
// record checked against the installation's places first), then the uninstall entry
// that names it. What it could not remove is told, and the log and the entry stay for a
// later run.
//
// A program cannot delete its own file while it runs, so the copy in the installation
// folder hands over to a copy of itself in the temporary folder ("/R <pid>"), which waits
// for the first one to end and does the work.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/RegistrationText.h"
#include "system/CommandLine.h"
#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/Handles.h"
#include "system/PathText.h"
#include "system/RunFolderPlace.h"
#include "system/WindowsCompat.h"
#include "uninstall/UninstallLog.h"

namespace {

const char kCaption[] = "アンインストール";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kLogMissing[] = "アンインストール情報ファイル [%s] が見つかりません。";
const char kLogUnreadable[] =
    "アンインストール情報ファイル [%s] は情報が記録されていません。\nアンインストールを実行できません。";
const char kDropEntryQuestion[] =
    "\n\n「プログラムの追加と削除」の一覧から「%s」を削除しますか？";
const char kIncompleteHeading[] = "「%s」のアンインストールは完了していません。";
const char kIncompleteClosing[] =
    "アンインストール情報は残してあります。使用中のプログラムを終了してから、"
    "もう一度アンインストールを実行してください。";

std::vector<std::string> Arguments() { return kaze::SplitCommandLine(GetCommandLineA()); }

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n < MAX_PATH ? std::string(path, n) : std::string();
}

// A file in its one spelling (long names, backslashes, no "." or ".."), as the records and
// the entry are compared; an older installer wrote the folder as the user typed it.
std::string Canonical(const std::string& path) {
  std::string canonical;
  return kaze::CanonicalPath(path.c_str(), false, &canonical) == kaze::Spelling::kOk ? canonical
                                                                                    : path;
}

// The program's own file (a program started by its short name would not find itself in
// the records otherwise).
std::string OwnPath() { return Canonical(ModulePath()); }

std::string ReadInstalled(const std::string& folder, const char* key) {
  char value[256] = {};
  GetPrivateProfileStringA("INSTALL", key, "", value, sizeof value,
                           (folder + "install.ini").c_str());
  return value;
}

bool SameFile(const std::string& a, const std::string& b) {
  return kaze::SamePath(Canonical(a).c_str(), Canonical(b).c_str());
}

std::string ReadString(HKEY key, const char* name) {
  char value[1024] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::string();
  }
  return value;
}

struct UninstallEntry {
  std::string key;          // below HKEY_LOCAL_MACHINE
  std::string displayName;  // without " (Remove Only)"
};

// The uninstall entries whose command starts this uninstaller: only those are this
// installation's to remove.
std::vector<UninstallEntry> EntriesNaming(const std::string& uninstaller) {
  std::vector<UninstallEntry> found;
  kaze::ScopedKey list;
  std::string listKey(kUninstallKey, sizeof kUninstallKey - 2);  // without its backslash
  if (!list.Open(HKEY_LOCAL_MACHINE, listKey.c_str(), KEY_READ)) return found;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    LONG status = RegEnumKeyExA(list.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    kaze::ScopedKey entry;
    if (!entry.Open(list.get(), name, KEY_READ)) continue;
    std::string program = kaze::CommandProgram(ReadString(entry.get(), "UninstallString").c_str());
    if (program.empty() || !SameFile(program, uninstaller)) continue;
    std::string display = ReadString(entry.get(), "DisplayName");
    static const char kSuffix[] = "  (Remove Only)";
    const size_t suffix = sizeof kSuffix - 1;
    if (display.size() > suffix && display.compare(display.size() - suffix, suffix, kSuffix) == 0) {
      display.erase(display.size() - suffix);
    }
    found.push_back({std::string(kUninstallKey) + name, display});
  }
  return found;
}

// The installation being removed: its names come from its own folder and are trusted
// only as far as the uninstall entry that names this uninstaller agrees with them.
struct Product {
  std::string name;      // for the question and the messages
  std::string entryKey;  // the uninstall entry to remove at the end ("" when none)
  std::vector<std::string> groupFolders;
};

Product IdentifyProduct(const std::string& folder, const std::string& uninstaller) {
  Product product;
  std::string corp = ReadInstalled(folder, "CORPNAME");
  std::string app = ReadInstalled(folder, "APPNAME");
  std::vector<UninstallEntry> entries = EntriesNaming(uninstaller);
  bool namesAgree = false;
  if (!app.empty()) {
    std::string expected =
        kaze::MakeUninstallEntryText(corp.c_str(), app.c_str(), folder.c_str()).keyPath;
    for (const UninstallEntry& entry : entries) {
      if (kaze::SamePath(entry.key.c_str(), expected.c_str())) {
        product.entryKey = entry.key;
        namesAgree = true;
      }
    }
    // Without any entry the folder's own names are all there is.
    namesAgree = namesAgree || entries.empty();
  }
  if (namesAgree) {
    product.name = app;
    product.groupFolders = kaze::ProgramGroupFolders(corp.c_str(), app.c_str());
  } else if (entries.size() == 1) {
    product.name = entries[0].displayName;
    product.entryKey = entries[0].key;
  }
  if (product.name.empty()) product.name = folder;
  return product;
}

// A hidden window to own the log's messages.
class OwnerWindow {
 public:
  OwnerWindow()
      : window_(CreateWindowExA(0, "STATIC", kCaption, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr)) {}
  ~OwnerWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// Waits for the handing-over copy to end, so that its file can be deleted.
void WaitForProcess(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return;
  WaitForSingleObject(process, 30000);
  CloseHandle(process);
}

// A copy of this program under a name of its own in the temporary folder (another
// uninstallation, or a file of someone else, may hold any fixed name); empty on failure.
std::string TemporaryCopy(const std::string& temp) {
  std::string self = ModulePath();
  if (self.empty()) return std::string();
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (DWORD attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "KzUn%04lX.exe",
                  static_cast<unsigned long>((seed + attempt) & 0xFFFF));
    std::string copy = temp + name;
    // CopyFile with "fail if exists" never replaces a file that is there.
    if (CopyFileA(self.c_str(), copy.c_str(), TRUE)) return copy;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

int Uninstall(const std::string& installed, const Product& product) {
  const std::string folder = kaze::FolderPart(installed.c_str());
  OwnerWindow owner;
  kaze::UninstallLog log;
  log.SetOwnerWindow(owner.get());
  kaze::RemovalRequest request;
  if (folder.size() >= sizeof request.folder) return 1;
  std::strcpy(request.folder, folder.c_str());
  request.groupFolders = product.groupFolders;
  request.keepIncompleteLog = true;
  request.lastFile = installed;
  log.RemoveLoggedItems(false, &request);

  char text[1024];
  switch (log.logState()) {
    case kaze::LogState::kLocked:
      return 1;  // told by the log; nothing was touched and everything stays
    case kaze::LogState::kMissing:
    case kaze::LogState::kInvalid: {
      std::snprintf(text, sizeof text,
                    log.logState() == kaze::LogState::kMissing ? kLogMissing : kLogUnreadable,
                    kaze::kUninstallLogName);
      std::string message = text;
      if (product.entryKey.empty()) {
        MessageBoxA(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR);
        return 1;
      }
      // Nothing can be removed; the entry would otherwise stay in the list for good.
      std::snprintf(text, sizeof text, kDropEntryQuestion, product.name.c_str());
      message += text;
      if (MessageBoxA(nullptr, message.c_str(), kCaption, MB_YESNO | MB_ICONERROR) == IDYES) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, product.entryKey.c_str());
      }
      return 1;
    }
    case kaze::LogState::kEmpty:
    case kaze::LogState::kRead:
      break;
  }
  if (!log.report().complete()) {
    std::snprintf(text, sizeof text, kIncompleteHeading, product.name.c_str());
    std::string message = kaze::FormatRemovalReport(text, log.report(), kIncompleteClosing);
    MessageBoxA(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONWARNING);
    return 2;
  }
  // The entry goes only with a whole removal, so that a failed one can be run again.
  if (!product.entryKey.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, product.entryKey.c_str());
  // The folder itself, when the removal left it empty.
  RemoveDirectoryA(folder.c_str());
  std::snprintf(text, sizeof text, "「%s」のアンインストールが完了しました。", product.name.c_str());
  MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONINFORMATION);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // No system box for a drive without a disc: a record naming such a drive is only
  // refused.
  SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS);
  std::vector<std::string> args = Arguments();
  // args: program [, installed uninstaller path, "/D" [, "/R", pid]]. The entry gives the
  // path; the Start-menu shortcut gives nothing. Either way the installation is the one
  // this program lies in; only the working copy is told where that is.
  if (args.size() >= 5 && args[2] == "/D" && args[3] == "/R") {
    std::string installed = Canonical(args[1]);
    std::string folder = kaze::FolderPart(installed.c_str());
    if (folder.empty()) return 1;
    // This copy lies in the temporary folder; it goes at the next start of Windows, even
    // when it is cut off in the middle of its work.
    kaze::DeleteFileAtRestart(ModulePath().c_str());
    WaitForProcess(static_cast<DWORD>(std::strtoul(args[4].c_str(), nullptr, 10)));
    return Uninstall(installed, IdentifyProduct(folder, installed));
  }

  std::string installed = OwnPath();
  std::string folder = kaze::FolderPart(installed.c_str());
  if (folder.empty()) return 1;
  Product product = IdentifyProduct(folder, installed);
  char question[512];
  std::snprintf(question, sizeof question, "「%s」をアンインストールします。よろしいですか？",
                product.name.c_str());
  if (MessageBoxA(nullptr, question, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;

  // Hand over to a copy in the temporary folder; on Vista and later in the Windows folder's
  // Temp, where the user's unelevated programs cannot replace it before it starts elevated.
  const std::string temp = kaze::RunFolderParent();
  if (temp.empty()) return 1;
  std::string copy = TemporaryCopy(temp);
  if (copy.empty()) return Uninstall(installed, product);
  std::string line = "\"" + copy + "\" \"" + installed + "\" /D /R " +
                     std::to_string(GetCurrentProcessId());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return Uninstall(installed, product);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}
