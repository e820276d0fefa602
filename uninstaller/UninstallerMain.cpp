// Kaze_Inst.exe: the uninstaller the installer copies into the installation folder and
// names in the uninstall entry ("<path>" "<path>" "/D"). It removes what the uninstall log
// of that folder lists, then the uninstall entry itself.
//
// A program cannot delete its own file while it runs, so the copy in the installation
// folder hands over to a copy of itself in the temporary folder ("/R <pid>"), which waits
// for the first one to end and does the work.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "system/Dbcs.h"
#include "system/PathText.h"
#include "system/WindowsCompat.h"
#include "uninstall/UninstallLog.h"

namespace {

const char kCaption[] = "アンインストール";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Splits the command line into arguments, quotes removed (no escapes: paths only).
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  const char* p = GetCommandLineA();
  while (*p != '\0') {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') break;
    std::string arg;
    bool quoted = false;
    for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') {
        quoted = !quoted;
      } else {
        arg += *p;
      }
    }
    args.push_back(arg);
  }
  return args;
}

std::string ModulePath() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string ReadInstalled(const std::string& folder, const char* key) {
  char value[256] = {};
  GetPrivateProfileStringA("INSTALL", key, "", value, sizeof value,
                           (folder + "install.ini").c_str());
  return value;
}

// The key that the installer wrote for this product under the Uninstall key.
std::string UninstallEntryKey(const std::string& corp, const std::string& app) {
  return corp.empty() ? std::string(kUninstallKey) + " " + app
                      : std::string(kUninstallKey) + corp + " " + app;
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

int Uninstall(const std::string& folder) {
  std::string corp = ReadInstalled(folder, "CORPNAME");
  std::string app = ReadInstalled(folder, "APPNAME");

  OwnerWindow owner;
  kaze::UninstallLog log;
  log.SetOwnerWindow(owner.get());
  kaze::RemovalRequest request;
  if (folder.size() >= sizeof request.folder) return 1;
  std::strcpy(request.folder, folder.c_str());
  bool removed = log.RemoveLoggedItems(false, &request);

  // The entry is not in the log: it goes with a successful removal.
  if (removed && !app.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallEntryKey(corp, app).c_str());
  // The folder itself, when the removal left it empty.
  RemoveDirectoryA(folder.c_str());

  if (!removed) {
    MessageBoxA(nullptr, "アンインストール情報が見つからないため、アンインストールできませんでした。",
                kCaption, MB_OK | MB_ICONERROR);
    return 1;
  }
  char done[512];
  std::snprintf(done, sizeof done, "「%s」のアンインストールが完了しました。", app.c_str());
  MessageBoxA(nullptr, done, kCaption, MB_OK | MB_ICONINFORMATION);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> args = Arguments();
  // args: program, installed uninstaller path, "/D" [, "/R", pid]
  if (args.size() < 3 || args[2] != "/D") {
    MessageBoxA(nullptr, "このプログラムはアンインストール用です。「プログラムの追加と削除」から実行してください。",
                kCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
  }
  std::string installed = args[1];
  std::string folder = kaze::FolderPart(installed.c_str());
  if (folder.empty()) return 1;

  if (args.size() >= 5 && args[3] == "/R") {
    WaitForProcess(static_cast<DWORD>(std::strtoul(args[4].c_str(), nullptr, 10)));
    int result = Uninstall(folder);
    // This copy lies in the temporary folder; it goes at the next start of Windows.
    kaze::DeleteFileAtRestart(ModulePath().c_str());
    return result;
  }

  std::string app = ReadInstalled(folder, "APPNAME");
  char question[512];
  std::snprintf(question, sizeof question, "「%s」をアンインストールします。よろしいですか？",
                app.c_str());
  if (MessageBoxA(nullptr, question, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;

  // Hand over to a copy in the temporary folder.
  char temp[MAX_PATH] = {};
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return 1;
  std::string copy = TemporaryCopy(temp);
  if (copy.empty()) return Uninstall(folder);
  std::string line = "\"" + copy + "\" \"" + installed + "\" /D /R " +
                     std::to_string(GetCurrentProcessId());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return Uninstall(folder);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}
