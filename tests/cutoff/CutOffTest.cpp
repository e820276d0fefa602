// Cuts a run off at a named point, as a power loss or a kill would (the test build of
// setup.exe and of the uninstaller stops itself dead where KAZE_STOP_AT says), and checks
// that the next start puts the machine back as it was: every file and folder below
// Program Files, the Start-menu program folders and the temporary folder, and every key
// and value below HKEY_LOCAL_MACHINE\Software, compared item by item with a snapshot taken
// before the run. One row per ctest test, chosen by --gtest_filter.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "system/Dbcs.h"
#include "system/Handles.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/ScratchFiles.h"

namespace kaze::test {
namespace {

const char kStep1[] = "「月見日和」インストールプログラム -  1 / 5 「インストールの開始」";
const char kStep2[] = "「月見日和」インストールプログラム -  2 / 5 「ディスクの確認」";
const char kStep3[] = "「月見日和」インストールプログラム -  3 / 5 「インストール設定」";
const char kStep4[] = "「月見日和」インストールプログラム -  4 / 5 「インストール作業」";
const char kStep5[] = "「月見日和」インストールプログラム -  5 / 5「インストール作業の完了」";
const char kCaption[] = "簡易インストーラ";
const char kCancelQuestion[] = "インストール作業は完了していません。中止しますか？";
const char kUndoneStart[] = "前回のインストール作業は途中で中断されていたため、";
const char kAllUndone[] = "元の状態に戻しました";
const char kPartlyUndone[] = "一部を元に戻せませんでした";
const char kUninstallCaption[] = "アンインストール";
const char kUninstalled[] = "「月見日和」のアンインストールが完了しました。";
const char kProgramFiles[] = "C:\\Program Files\\";
const char kMakerFolder[] = "C:\\Program Files\\KAZE_CORP\\";
const char kFolder[] = "C:\\Program Files\\KAZE_CORP\\月見日和\\";
const char kEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KAZE_CORP 月見日和";
const DWORD kStopped = 0x5709;
const int kNext = 1008;
const int kCancel = 2;

// Shift-JIS text as UTF-8, for the test's own output.
std::string Shown(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  if (n <= 0) return text;
  std::string utf8(static_cast<size_t>(n) * 3 + 1, '\0');
  int m = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], static_cast<int>(utf8.size()),
                              nullptr, nullptr);
  if (m <= 0) return text;
  utf8.resize(static_cast<size_t>(m) - 1);
  return utf8;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Hex(uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_;
};

// ---- The machine's state ----------------------------------------------------------------

// Item ("file C:\...", "folder C:\...\", "key HKLM\...", "value HKLM\...\[name]") to what
// it holds.
using Snapshot = std::map<std::string, std::string>;

std::string FileDigest(const std::string& path, DWORD attributes) {
  std::string digest = "attributes " + Hex(attributes);
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) return digest + ", unreadable (error " + std::to_string(GetLastError()) + ")";
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  uint64_t size = 0;
  char block[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), block, sizeof block, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      hash = (hash ^ static_cast<unsigned char>(block[i])) * 1099511628211ull;
    }
    size += got;
  }
  return digest + ", " + std::to_string(size) + " bytes, hash " + Hex(hash);
}

// folder ends with a backslash.
void AddFiles(const std::string& folder, Snapshot* snapshot) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (*snapshot)["folder " + path + "\\"] = "attributes " + Hex(found.dwFileAttributes);
      AddFiles(path + "\\", snapshot);
    } else {
      (*snapshot)["file " + path] = FileDigest(path, found.dwFileAttributes);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// A place that is looked at: itself (whether it is there at all) and all below it.
void AddRoot(std::string folder, Snapshot* snapshot) {
  if (folder.empty()) return;
  if (!EndsWithBackslash(folder.c_str())) folder += '\\';
  DWORD attributes = GetFileAttributesA(folder.c_str());
  (*snapshot)["folder " + folder] =
      attributes == INVALID_FILE_ATTRIBUTES ? "missing" : "attributes " + Hex(attributes);
  AddFiles(folder, snapshot);
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  std::string text = "type " + std::to_string(type) + ", " + std::to_string(size) + " bytes: ";
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    for (DWORD i = 0; i < size; ++i) {
      char c = static_cast<char>(data[i]);
      text += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
  } else {
    char byte[4];
    for (DWORD i = 0; i < size; ++i) {
      std::snprintf(byte, sizeof byte, "%02x", data[i]);
      text += byte;
    }
  }
  return text;
}

void AddKey(const std::string& path, Snapshot* snapshot) {
  const std::string item = "HKLM\\" + path;
  ScopedKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ)) {
    (*snapshot)["key " + item] = "cannot be opened";
    return;
  }
  (*snapshot)["key " + item] = "";
  DWORD subkeys = 0, longestKey = 0, values = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &longestKey, nullptr,
                       &values, &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    (*snapshot)["key " + item] = "cannot be read";
    return;
  }
  std::vector<char> name(longestName + 2);
  std::vector<BYTE> data(longestData + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueA(key.get(), i, name.data(), &nameSize, nullptr, &type, data.data(),
                      &dataSize) != ERROR_SUCCESS) {
      (*snapshot)["value " + item + "\\[#" + std::to_string(i) + "]"] = "cannot be read";
      continue;
    }
    (*snapshot)["value " + item + "\\[" + std::string(name.data(), nameSize) + "]"] =
        ValueText(type, data, dataSize);
  }
  std::vector<std::string> children;
  std::vector<char> child(longestKey + 2 > 256 ? longestKey + 2 : 256);
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD size = static_cast<DWORD>(child.size());
    if (RegEnumKeyExA(key.get(), i, child.data(), &size, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS) {
      children.emplace_back(child.data(), size);
    }
  }
  for (const std::string& name : children) {
    AddKey(path + "\\" + name, snapshot);
  }
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return "";
  return path;
}

// Nothing below these places is left out: in the test's Wine prefix nothing there changes
// by itself during a row (every row that passes compares them whole).
Snapshot TakeSnapshot() {
  Snapshot snapshot;
  AddRoot(kProgramFiles, &snapshot);
  AddRoot(ShellFolder(CSIDL_PROGRAMS), &snapshot);
  AddRoot(ShellFolder(CSIDL_COMMON_PROGRAMS), &snapshot);
  AddRoot(TempFolder(), &snapshot);
  AddKey("Software", &snapshot);
  return snapshot;
}

// ---- What may stay until Windows restarts -----------------------------------------------

std::string LongForm(std::string path) {
  while (EndsWithBackslash(path.c_str()) && path.size() > 3) path.pop_back();
  char full[MAX_PATH] = {};
  DWORD n = GetLongPathNameA(path.c_str(), full, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

// The files and folders registered for deletion at the next start of Windows: NT's
// PendingFileRenameOperations (pairs of names, an empty target deletes), 9x's [rename]
// section of WININIT.INI ("NUL=path").
std::vector<std::string> DeletedAtRestart() {
  std::vector<std::string> paths;
  if (IsNtFamily()) {
    ScopedKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                  KEY_READ)) {
      return paths;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr, nullptr,
                         &size) != ERROR_SUCCESS) {
      return paths;
    }
    std::vector<char> data(size + 2, '\0');
    if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
      return paths;
    }
    // Read by its size: an empty target is an empty string inside the list, which a
    // plain double-NUL scan would take for its end.
    std::vector<std::string> strings;
    for (DWORD at = 0; at < size;) {
      const std::string text(data.data() + at);
      strings.push_back(text);
      at += static_cast<DWORD>(text.size()) + 1;
    }
    if (strings.size() % 2 != 0) strings.pop_back();  // the list's closing NUL
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
      std::string source = strings[i];
      if (source.compare(0, 4, "\\??\\") == 0) source.erase(0, 4);
      if (strings[i + 1].empty()) paths.push_back(LongForm(source));
    }
  } else {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string ini = windows;
    if (!EndsWithBackslash(ini.c_str())) ini += '\\';
    ini += "WININIT.INI";
    std::vector<char> section(65536, '\0');
    DWORD n = GetPrivateProfileSectionA("rename", section.data(),
                                        static_cast<DWORD>(section.size()), ini.c_str());
    for (const char* line = section.data(); line < section.data() + n && *line != '\0';
         line += std::strlen(line) + 1) {
      std::string text = line;
      if (text.size() > 4 && lstrcmpiA(text.substr(0, 4).c_str(), "NUL=") == 0) {
        paths.push_back(LongForm(text.substr(4)));
      }
    }
  }
  return paths;
}

bool RegisteredForRestart(const std::vector<std::string>& registered, const std::string& path) {
  const std::string wanted = LongForm(path);
  for (const std::string& p : registered) {
    if (lstrcmpiA(p.c_str(), wanted.c_str()) == 0) return true;
  }
  return false;
}

// "KzSetup" or "KzUn" followed by four hex digits, then `rest`.
bool IsRunName(const std::string& name, const std::string& prefix, const std::string& rest) {
  if (name.size() != prefix.size() + 4 + rest.size()) return false;
  if (lstrcmpiA(name.substr(0, prefix.size()).c_str(), prefix.c_str()) != 0) return false;
  for (size_t i = prefix.size(); i < prefix.size() + 4; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return lstrcmpiA(name.substr(prefix.size() + 4).c_str(), rest.c_str()) == 0;
}

// A copy that the programs leave in the temporary folder until Windows restarts: setup.exe
// alone in a KzSetupXXXX folder (the run from the disc went on from it) and the
// uninstaller's KzUnXXXX.exe. Each must be registered for deletion at the restart; on NT
// the folder too (9x deletes files only: the empty folder goes at the next start from the
// disc). False when the item is no such copy; else true, *fault empty when it may stay.
bool IsRestartCopy(const std::string& item, const Snapshot& after,
                   const std::vector<std::string>& registered, std::string* fault) {
  const std::string temp = TempFolder();
  std::string path;
  bool folder = false;
  if (item.compare(0, 5, "file ") == 0) {
    path = item.substr(5);
  } else if (item.compare(0, 7, "folder ") == 0) {
    path = item.substr(7);
    folder = true;
  } else {
    return false;
  }
  if (path.size() <= temp.size() ||
      lstrcmpiA(path.substr(0, temp.size()).c_str(), temp.c_str()) != 0) {
    return false;
  }
  const std::string rest = path.substr(temp.size());  // ASCII names only
  bool copy = false;
  bool mustBeRegistered = true;
  if (folder) {
    copy = IsRunName(rest, "KzSetup", "\\");
    mustBeRegistered = IsNtFamily();
    // Holding anything beside the copy, the folder is the run's own and left behind.
    for (auto it = after.upper_bound("folder " + path); copy && it != after.end(); ++it) {
      if (it->first.compare(0, 7 + path.size(), "folder " + path) != 0) break;
      copy = false;
    }
    for (auto it = after.upper_bound("file " + path); copy && it != after.end(); ++it) {
      if (it->first.compare(0, 5 + path.size(), "file " + path) != 0) break;
      if (lstrcmpiA(it->first.c_str(), ("file " + path + "setup.exe").c_str()) != 0) copy = false;
    }
  } else {
    copy = IsRunName(rest, "KzSetup", "\\setup.exe") || IsRunName(rest, "KzUn", ".exe");
  }
  if (!copy) return false;
  fault->clear();
  if (mustBeRegistered && !RegisteredForRestart(registered, path)) {
    *fault = "left behind and not registered for deletion at restart: " + item;
  }
  return true;
}

// Every difference between the snapshots, one line each; copies that stay until Windows
// restarts are allowed only when they are registered for it.
std::string Differences(const Snapshot& before, const Snapshot& after) {
  const std::vector<std::string> registered = DeletedAtRestart();
  std::string report;
  int count = 0;
  auto add = [&](const std::string& line) {
    report += "  " + Shown(line) + "\n";
    ++count;
  };
  for (const auto& [item, was] : before) {
    auto now = after.find(item);
    if (now == after.end()) {
      add("gone: " + item + " (was " + was + ")");
    } else if (now->second != was) {
      add("changed: " + item + "\n      before: " + was + "\n      now:    " + now->second);
    }
  }
  for (const auto& [item, is] : after) {
    if (before.count(item) != 0) continue;
    std::string fault;
    if (IsRestartCopy(item, after, registered, &fault)) {
      if (!fault.empty()) add(fault);
      if (fault.empty()) std::printf("Stays until Windows restarts: %s\n", Shown(item).c_str());
      continue;
    }
    add("left behind: " + item + " (" + is + ")");
  }
  if (count == 0) return "";
  return std::to_string(count) + " difference(s) from the state before the run:\n" + report;
}

void ExpectMachineAsBefore(const Snapshot& before) {
  Sleep(500);  // let the last process's files close
  const std::string differences = Differences(before, TakeSnapshot());
  EXPECT_TRUE(differences.empty()) << differences;
}

// ---- The user's files in the installation folder ----------------------------------------

struct UserFile {
  const char* path;  // inside the installation folder
  const char* bytes;
  DWORD attributes;
};

// Same names as a plain file of the game, an archive member and the read-me (also staged
// as a support file and copied at the end), and one the game does not have.
const UserFile kUserFiles[] = {
    {"Tsukimi.exe", "the user's own Tsukimi.exe, not the game's\r\n",
     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
    {"Readme.txt", "ユーザーのメモ：表紙とソースの話\r\n", FILE_ATTRIBUTE_READONLY},
    {"Data\\bg\\moon.txt", "the user's moon, in a folder the cabinet also fills\r\n",
     FILE_ATTRIBUTE_READONLY},
    {"save\\user.sav", "save data of the user\r\n", FILE_ATTRIBUTE_ARCHIVE},
};

void PrepareUserFiles() {
  for (const char* folder : {kMakerFolder, kFolder}) CreateDirectoryA(folder, nullptr);
  for (const char* sub : {"Data\\", "Data\\bg\\", "save\\"}) {
    CreateDirectoryA((std::string(kFolder) + sub).c_str(), nullptr);
  }
  for (const UserFile& file : kUserFiles) {
    const std::string path = std::string(kFolder) + file.path;
    ASSERT_TRUE(WriteBytes(path, file.bytes)) << path;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), file.attributes)) << path;
    // The file system must keep what is checked afterwards (Wine keeps "hidden" in an
    // extended attribute).
    ASSERT_EQ(GetFileAttributesA(path.c_str()) & file.attributes, file.attributes) << path;
  }
}

// ---- Driving the programs ---------------------------------------------------------------

std::string HardDiskSetup() { return ProgramFolder() + "setup\\setup.exe"; }

bool IsAnyMessageBox(HWND window) {
  return ClassName(window) == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr;
}

// Starts a program with KAZE_STOP_AT set for it alone (nullptr: unset).
class Started {
 public:
  Started(const std::string& program, const char* stopAt, bool followHandover = true)
      : process_(WithStop(program, stopAt), followHandover) {
    SetEnvironmentVariableA("KAZE_STOP_AT", nullptr);
  }
  const ChildProcess& operator*() const { return process_; }
  const ChildProcess* operator->() const { return &process_; }

 private:
  static const std::string& WithStop(const std::string& program, const char* stopAt) {
    SetEnvironmentVariableA("KAZE_STOP_AT", stopAt);
    return program;
  }

  ChildProcess process_;
};

// From the fresh start at step 1 to the Install button of step 3: the standard type into
// the default folder, as preselected; *frame is the wizard.
void WalkToInstall(const ChildProcess& setup, HWND* frame) {
  *frame = setup.WaitForWindow(IsWizardFrame, 60000);
  ASSERT_NE(*frame, nullptr) << "the wizard did not open";
  HWND wizard = *frame;
  HWND next = GetDlgItem(wizard, kNext);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(wizard) == kStep1; }, 10000))
      << Shown(WindowText(wizard));
  Sleep(300);  // the entry checks run 50 ms after the window appeared
  for (HWND window : setup.Windows()) {
    ASSERT_FALSE(IsAnyMessageBox(window))
        << "a message at start: " << Shown(MessageBoxText(window));
  }
  Click(wizard, kNext);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(wizard) == kStep2; }, 10000));
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 15000))
      << "the disc was not recognised";
  Click(wizard, kNext);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(wizard) == kStep3; }, 10000));
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 15000))
      << "install.ini was not loaded";
  ASSERT_EQ(WindowText(next), "インストール");
  Click(wizard, kNext);
}

// Waits for the program to end at its stop point. A message on the way (a failure it
// told) or the end of the installation means the point was not reached; with
// windowsAllowed false no window may show at all.
void ExpectStopped(const ChildProcess& program, DWORD milliseconds, bool windowsAllowed,
                   const char* where) {
  DWORD start = GetTickCount();
  DWORD code = 0;
  while (!program.WaitForExit(100, &code)) {
    for (HWND window : program.Windows()) {
      const std::string title = WindowText(window);
      ASSERT_TRUE(windowsAllowed) << "a window showed before the stop at " << where << ": "
                                  << Shown(title) << " " << Shown(MessageBoxText(window));
      ASSERT_FALSE(IsAnyMessageBox(window))
          << "a message came instead of the stop at " << where << ": " << Shown(title) << ": "
          << Shown(MessageBoxText(window));
      ASSERT_NE(title, kStep5) << "the installation finished without passing " << where;
    }
    ASSERT_LT(GetTickCount() - start, milliseconds) << "no stop at " << where << " in time";
  }
  ASSERT_EQ(code, kStopped) << "the program ended otherwise than at " << where;
}

// A run of setup.exe from step 1 to its stop at `point` during the installation.
void InstallCutOffAt(const std::string& program, const char* point) {
  Started setup(program, point);
  ASSERT_TRUE(setup->started()) << program;
  HWND frame = nullptr;
  ASSERT_NO_FATAL_FAILURE(WalkToInstall(*setup, &frame));
  ASSERT_NO_FATAL_FAILURE(ExpectStopped(*setup, 300000, true, point));
}

// Starts setup.exe again after a cut-off run. It must put the run back before step 1 shows
// and tell it in one message (*message, "" when none came), then show step 1, where a
// confirmed Cancel ends it.
void StartAgainThenCancel(const std::string& program, std::string* message) {
  message->clear();
  Started setup(program, nullptr);
  ASSERT_TRUE(setup->started()) << program;
  HWND first = setup->WaitForWindow(
      [](HWND w) { return IsMessageBox(kCaption)(w) || IsWizardFrame(w); }, 180000);
  ASSERT_NE(first, nullptr) << "setup.exe showed nothing after the cut-off run";
  if (IsWizardFrame(first)) {
    ADD_FAILURE() << "step 1 showed without the message about the run cut off";
  } else {
    *message = MessageBoxText(first);
    std::printf("setup.exe said: %s\n", Shown(*message).c_str());
    for (HWND window : setup->Windows()) {
      EXPECT_FALSE(IsWizardFrame(window)) << "the wizard showed beside the message";
    }
    PressButton(first, IDOK);
  }
  HWND frame = setup->WaitForWindow(IsWizardFrame, 60000);
  ASSERT_NE(frame, nullptr) << "the wizard did not open after the message";
  ASSERT_TRUE(WaitFor(*setup, [&] { return WindowText(frame) == kStep1; }, 10000))
      << Shown(WindowText(frame));
  Sleep(300);
  for (HWND window : setup->Windows()) {
    EXPECT_FALSE(IsAnyMessageBox(window)) << "a second message: " << Shown(MessageBoxText(window));
  }
  Click(frame, kCancel);
  HWND question = setup->WaitForWindow(IsMessageBox(kCaption), 10000);
  ASSERT_NE(question, nullptr) << "Cancel asked nothing";
  EXPECT_EQ(MessageBoxText(question), kCancelQuestion);
  PressButton(question, IDYES);
  DWORD code = 1;
  ASSERT_TRUE(setup->WaitForExit(30000, &code)) << "setup.exe did not end after the cancel";
  EXPECT_EQ(code, 0u);
}

void ExpectAllUndone(const std::string& message) {
  EXPECT_EQ(message.compare(0, sizeof kUndoneStart - 1, kUndoneStart), 0) << Shown(message);
  EXPECT_TRUE(Contains(message, kAllUndone)) << Shown(message);
  EXPECT_FALSE(Contains(message, kPartlyUndone)) << Shown(message);
}

class CutOffTest : public testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
    // A program group left behind is only seen where the shell names these folders.
    ASSERT_FALSE(ShellFolder(CSIDL_PROGRAMS).empty());
    ASSERT_FALSE(ShellFolder(CSIDL_COMMON_PROGRAMS).empty());
  }
};

// ---- The rows ---------------------------------------------------------------------------

struct Row {
  const char* name;
  const char* point;
  bool fromDisc;  // started as Q:\setup.exe, which goes on from a copy in the temporary folder
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.point; }

class CutOff : public CutOffTest, public testing::WithParamInterface<Row> {};

// The user's files lie where the game's go; the run is cut off at the row's point, and the
// next start puts back everything: the user's files with their bytes and attributes, and
// nothing of the run left in the installation folder, the Start menu, the temporary folder
// or the registry.
TEST_P(CutOff, RunCutOffIsPutBack) {
  const Row& row = GetParam();
  ASSERT_NO_FATAL_FAILURE(PrepareUserFiles());
  const Snapshot before = TakeSnapshot();
  const std::string program = row.fromDisc ? std::string("Q:\\setup.exe") : HardDiskSetup();
  ASSERT_NO_FATAL_FAILURE(InstallCutOffAt(program, row.point));
  std::string message;
  EXPECT_NO_FATAL_FAILURE(StartAgainThenCancel(program, &message));
  ExpectAllUndone(message);
  ExpectMachineAsBefore(before);
}

const Row kRows[] = {
    {"kept_file", "kept-file", true},             // the user's file just moved aside
    {"plain_file", "plain-file", true},           // half a plain file copied
    {"archive_member", "archive-member", false},  // half a cabinet member unpacked
    {"registry", "registry", false},              // the game's values written
    {"shortcuts", "shortcuts", false},            // the program group made
    {"log_commit", "log-commit", false},          // UnInst.dat written, the run not finished
};

INSTANTIATE_TEST_SUITE_P(Points, CutOff, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) {
                           return std::string(info.param.name);
                         });

// The put-back itself is cut off (after its third item): the start after that puts back
// what is left, and the machine is as before.
TEST_F(CutOffTest, PutBackCutOffIsDoneAgain) {
  ASSERT_NO_FATAL_FAILURE(PrepareUserFiles());
  const Snapshot before = TakeSnapshot();
  const std::string program = HardDiskSetup();
  ASSERT_NO_FATAL_FAILURE(InstallCutOffAt(program, "plain-file"));
  {
    Started again(program, "put-back:3");
    ASSERT_TRUE(again->started());
    EXPECT_NO_FATAL_FAILURE(ExpectStopped(*again, 180000, false, "put-back:3"));
  }
  std::string message;
  EXPECT_NO_FATAL_FAILURE(StartAgainThenCancel(program, &message));
  ExpectAllUndone(message);
  ExpectMachineAsBefore(before);
}

// The file kept aside cannot go back while another program holds it open: the message
// names it where it was and where it lies now, and the following start, the file free
// again, puts it back.
TEST_F(CutOffTest, KeptFileInUseIsNamedThenPutBack) {
  ASSERT_NO_FATAL_FAILURE(PrepareUserFiles());
  const Snapshot before = TakeSnapshot();
  const std::string program = HardDiskSetup();
  ASSERT_NO_FATAL_FAILURE(InstallCutOffAt(program, "kept-file"));

  std::vector<std::string> keepFolders;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(kFolder) + "KzKeep????").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        keepFolders.push_back(std::string(kFolder) + found.cFileName + "\\");
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  ASSERT_EQ(keepFolders.size(), 1u) << "no single keep folder in the installation folder";
  std::vector<std::string> kept;
  search = FindFirstFileA((keepFolders[0] + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        kept.push_back(keepFolders[0] + found.cFileName);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  ASSERT_EQ(kept.size(), 1u) << "the run was cut off at its first kept file";
  std::string original;
  const std::string bytes = ReadBytes(kept[0]);
  for (const UserFile& file : kUserFiles) {
    if (bytes == file.bytes) original = std::string(kFolder) + file.path;
  }
  ASSERT_FALSE(original.empty()) << "the kept file holds none of the user's files";

  ScopedHandle holder(CreateFileA(kept[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  ASSERT_TRUE(holder.valid()) << Shown(kept[0]);
  std::string message;
  EXPECT_NO_FATAL_FAILURE(StartAgainThenCancel(program, &message));
  EXPECT_EQ(message.compare(0, sizeof kUndoneStart - 1, kUndoneStart), 0) << Shown(message);
  EXPECT_TRUE(Contains(message, kPartlyUndone)) << Shown(message);
  EXPECT_TRUE(Contains(message, original)) << Shown(original) << " not in: " << Shown(message);
  EXPECT_TRUE(Contains(message, kept[0])) << Shown(kept[0]) << " not in: " << Shown(message);
  holder.Close();

  EXPECT_NO_FATAL_FAILURE(StartAgainThenCancel(program, &message));
  ExpectAllUndone(message);
  ExpectMachineAsBefore(before);
}

// ---- The uninstaller --------------------------------------------------------------------

std::string ReadValue(const char* key, const char* name) {
  ScopedKey handle;
  if (!handle.Open(HKEY_LOCAL_MACHINE, key, KEY_READ)) return "";
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  if (RegQueryValueExA(handle.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                       &size) != ERROR_SUCCESS) {
    return "";
  }
  return value;
}

// A running process whose program file name starts with "KzUn": the uninstaller's working
// copy in the temporary folder.
HANDLE OpenUninstallerCopy() {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return nullptr;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    const char* slash = std::strrchr(entry.szExeFile, '\\');
    const char* name = slash != nullptr ? slash + 1 : entry.szExeFile;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name, 4, "KzUn", 4) != CSTR_EQUAL) {
      continue;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                                 entry.th32ProcessID);
    if (process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return process;
    if (process != nullptr) CloseHandle(process);
  }
  return nullptr;
}

// Runs the uninstaller as Windows would, from the entry's command line, and answers Yes;
// its working copy is watched from its start (*copy); *asked is the question.
void StartUninstaller(const std::string& commandLine, const char* stopAt, HANDLE* copy,
                      std::string* asked) {
  *copy = nullptr;
  Started uninstaller(commandLine, stopAt, false);
  ASSERT_TRUE(uninstaller->started()) << Shown(commandLine);
  HWND question = nullptr;
  DWORD start = GetTickCount();
  while (question == nullptr) {
    if (*copy == nullptr) *copy = OpenUninstallerCopy();
    question = FindAnyMessageBox(kUninstallCaption, 0);
    ASSERT_LT(GetTickCount() - start, 60000u) << "the uninstaller asked nothing";
    Sleep(20);
  }
  *asked = MessageBoxText(question);
  PressButton(question, IDYES);
  while (*copy == nullptr) {
    *copy = OpenUninstallerCopy();
    ASSERT_LT(GetTickCount() - start, 120000u) << "no working copy of the uninstaller ran";
    Sleep(20);
  }
  EXPECT_TRUE(uninstaller->WaitForExit(30000)) << "the uninstaller did not hand over";
}

// A whole installation without user files, then the uninstaller cut off in its removal walk
// (after its third item): the next uninstaller run from the entry removes the rest, and the
// machine is as before the installation, but for the working copies in the temporary
// folder, which must be registered for deletion at the restart.
TEST_F(CutOffTest, RemovalCutOffIsFinishedByTheNextRun) {
  const Snapshot before = TakeSnapshot();
  {
    Started setup(HardDiskSetup(), nullptr);
    ASSERT_TRUE(setup->started());
    HWND frame = nullptr;
    ASSERT_NO_FATAL_FAILURE(WalkToInstall(*setup, &frame));
    HWND next = GetDlgItem(frame, kNext);
    ASSERT_TRUE(WaitFor(*setup, [&] { return WindowText(frame) == kStep4; }, 20000));
    std::string box;
    ASSERT_TRUE(WaitFor(*setup, [&] {
      for (HWND window : setup->Windows()) {
        if (IsAnyMessageBox(window)) {
          box = MessageBoxText(window);
          return true;
        }
      }
      return IsWindowVisible(next) && IsWindowEnabled(next) &&
             Exists(std::string(kFolder) + "UnInst.dat");
    }, 300000)) << "the installation did not finish";
    ASSERT_EQ(box, "") << "a message during the installation: " << Shown(box);
    Click(frame, kNext);
    ASSERT_TRUE(WaitFor(*setup, [&] { return WindowText(frame) == kStep5; }, 10000));
    Click(frame, kNext);  // "終了"
    ASSERT_TRUE(setup->WaitForExit(30000));
  }
  const std::string uninstall = ReadValue(kEntry, "UninstallString");
  ASSERT_FALSE(uninstall.empty()) << "no uninstall entry";

  HANDLE copy = nullptr;
  std::string question;
  ASSERT_NO_FATAL_FAILURE(StartUninstaller(uninstall, "removal:3", &copy, &question));
  {
    ScopedHandle cutCopy(copy);
    ASSERT_EQ(WaitForSingleObject(cutCopy.get(), 180000), WAIT_OBJECT_0)
        << "the uninstaller's copy did not stop in its removal";
    DWORD code = 0;
    GetExitCodeProcess(cutCopy.get(), &code);
    ASSERT_EQ(code, kStopped) << "the uninstaller's copy ended otherwise than at removal:3";
  }
  EXPECT_EQ(ReadValue(kEntry, "UninstallString"), uninstall)
      << "the entry went although the removal was cut off";

  ASSERT_NO_FATAL_FAILURE(StartUninstaller(uninstall, nullptr, &copy, &question));
  ScopedHandle secondCopy(copy);
  HWND done = nullptr;
  DWORD start = GetTickCount();
  while (done == nullptr && GetTickCount() - start < 180000) {
    HWND box = FindAnyMessageBox(kUninstallCaption, 0);
    if (box != nullptr && MessageBoxText(box) != question) done = box;
    Sleep(50);
  }
  ASSERT_NE(done, nullptr) << "the second uninstaller run told nothing";
  EXPECT_EQ(MessageBoxText(done), kUninstalled) << Shown(MessageBoxText(done));
  PressButton(done, IDOK);
  EXPECT_EQ(WaitForSingleObject(secondCopy.get(), 30000), WAIT_OBJECT_0);
  ExpectMachineAsBefore(before);
}

}  // namespace
}  // namespace kaze::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  // Each ctest test runs one row by its filter: a filter that names none must fail.
  if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::printf("No test matches the filter.\n");
    return 1;
  }
  return result;
}
