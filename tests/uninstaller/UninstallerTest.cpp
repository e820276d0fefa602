// Kaze_Inst.exe run as the uninstall entry runs it, on an installation made here: it asks,
// hands over to its copy in the temporary folder, and removes exactly what the log lists.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include <string>
#include <vector>

#include "tests/support/ScratchFiles.h"
#include "tests/support/ProcessDriver.h"
#include "engine/RegistrationText.h"
#include "system/PathText.h"
#include "uninstall/UninstallLog.h"

namespace kaze::test {
namespace {

const char kEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KAZE_CORP 月見日和";
const char kProductKey[] = "Software\\KAZE_CORP\\Tsukimi";
const char kMakerKey[] = "Software\\KAZE_CORP";

bool KeyExists(const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

bool IsNt() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string WininitPath() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\WININIT.INI";
}

// The files the system is asked to delete at its next start: on NT the pairs of
// PendingFileRenameOperations with an empty target, on 9x the NUL= lines of WININIT.INI.
std::vector<std::string> RestartDeletions() {
  std::vector<std::string> paths;
  if (IsNt()) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
      return paths;
    }
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return paths;
    // Pairs of source and target, each ending with a NUL; an empty target deletes.
    std::vector<std::string> strings;
    std::string current;
    for (DWORD i = 0; i < size; ++i) {
      if (data[i] == '\0') {
        strings.push_back(current);
        current.clear();
      } else {
        current += data[i];
      }
    }
    for (size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
      if (!strings[i + 1].empty()) continue;
      std::string source = strings[i];
      if (source.rfind("\\??\\", 0) == 0) source.erase(0, 4);
      paths.push_back(source);
    }
  } else {
    char section[8192] = {};
    DWORD got = GetPrivateProfileSectionA("rename", section, sizeof section, WininitPath().c_str());
    for (DWORD i = 0; i < got; i += static_cast<DWORD>(std::strlen(section + i)) + 1) {
      std::string line = section + i;
      if (line.rfind("NUL=", 0) == 0) paths.push_back(line.substr(4));
    }
  }
  return paths;
}

std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  DWORD n = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? path : std::string(shortPath, n);
}

// An installation as the installer leaves it: its folder below a maker's folder, the
// uninstaller, install.ini, a program group with a shortcut, the product key and the
// maker's key it brought, and the uninstall entry naming the uninstaller.
class Installation {
 public:
  const std::string programs = "C:\\Program Files\\";
  const std::string corp = programs + "KAZE_CORP\\";
  const std::string folder = corp + "月見日和\\";
  const std::string uninstaller = folder + "Kaze_Inst.exe";
  std::string group;
  std::string groupCorp;
  std::string shortcut;

  Installation() {
    std::vector<std::string> groups = ProgramGroupFolders("KAZE_CORP", "月見日和");
    if (!groups.empty()) {
      group = groups[0];
      ParentFolder(group.c_str(), &groupCorp);
      shortcut = group + "遊ぶ.lnk";
    }
  }
  ~Installation() { Clean(); }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  // Makes it; extra records (and then raw bytes) go into the log behind its own. spell
  // (when given) writes the paths of the records and the install value as an older
  // installer wrote the folder the user typed.
  void Make(const std::vector<std::pair<int, std::string>>& extra = {},
            const std::string& rawTail = "",
            std::string (*spell)(const std::string&) = nullptr) {
    ASSERT_FALSE(group.empty());
    auto text = [spell](const std::string& path) { return spell ? spell(path) : path; };
    ASSERT_TRUE(log_.BeginLog(folder.c_str()));
    for (const std::string& made : {corp, folder, folder + "Data\\", groupCorp, group}) {
      ASSERT_TRUE(CreateDirectoryA(made.c_str(), nullptr)) << made;
      log_.AppendEntry(LOG_FOLD, text(made).c_str());
    }
    for (const char* name : {"Tsukimi.exe", "Data\\scenario.txt"}) {
      ASSERT_TRUE(WriteBytes(folder + name, "game"));
      log_.AppendEntry(LOG_FILE, text(folder + name).c_str());
    }
    std::string ini = folder + "install.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("INSTALL", "CORPNAME", "KAZE_CORP", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("INSTALL", "APPNAME", "月見日和", ini.c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    log_.AppendEntry(LOG_FILE, text(ini).c_str());
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "Kaze_Inst.exe").c_str(), uninstaller.c_str(), FALSE));
    log_.AppendEntry(LOG_FILE, text(uninstaller).c_str());
    ASSERT_TRUE(WriteBytes(shortcut, "link"));
    log_.AppendEntry(LOG_FILE, shortcut.c_str());
    ASSERT_FALSE(KeyExists(kMakerKey));
    SetValue(kProductKey, "install", text(folder));
    log_.AppendEntry(LOG_REGS, kProductKey);
    log_.AppendEntry(LOG_REGS, kMakerKey);
    UninstallEntryText entry = MakeUninstallEntryText("KAZE_CORP", "月見日和", folder.c_str());
    ASSERT_EQ(entry.keyPath, kEntryKey);
    SetValue(kEntryKey, "DisplayName", entry.displayName);
    SetValue(kEntryKey, "UninstallString", entry.command);
    for (const auto& [type, text] : extra) ASSERT_TRUE(log_.AppendEntry(type, text.c_str())) << text;
    ASSERT_TRUE(log_.CommitLog());
    if (!rawTail.empty()) {
      std::string log = folder + "UnInst.dat";
      SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
      ASSERT_TRUE(WriteBytes(log, ReadBytes(log) + rawTail));
    }
  }

  // What a run leaves is taken away, whatever the run did.
  void Clean() {
    std::string log = folder + "UnInst.dat";
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const std::string& path : {log, folder + "Tsukimi.exe", folder + "Data\\scenario.txt",
                                    folder + "install.ini", uninstaller, shortcut}) {
      DeleteFileA(path.c_str());
    }
    for (const std::string& made : {folder + "Data\\", folder, corp, group, groupCorp}) {
      RemoveDirectoryA(made.c_str());
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntryKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMakerKey);
  }

  static void SetValue(const char* path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS) << path;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }

 private:
  UninstallLog log_;
};

bool CopiesHaveEnded(DWORD timeout);

// Starts the uninstaller as commandLine does, answers its question with Yes and returns
// the text of the message that ends its work (pressed away), once its working copy has
// ended: a later run's boxes are then never taken for this one's.
std::string RunUninstaller(const std::string& commandLine, std::string* question = nullptr) {
  ChildProcess first(commandLine);
  EXPECT_TRUE(first.started());
  HWND box = FindAnyMessageBox("アンインストール", 20000);
  if (box == nullptr) return "(no question)";
  if (question != nullptr) *question = MessageBoxText(box);
  PressButton(box, IDYES);
  EXPECT_TRUE(first.WaitForExit(10000));
  HWND done = FindAnyMessageBox("アンインストール", 30000);
  if (done == nullptr) return "(no message)";
  std::string text = MessageBoxText(done);
  PressButton(done, IDOK);
  EXPECT_TRUE(CopiesHaveEnded(60000)) << "the uninstaller's working copy did not end";
  return text;
}

std::string EntryCommand(const Installation& installation) {
  return "\"" + installation.uninstaller + "\" \"" + installation.uninstaller + "\" /D";
}

TEST(Uninstaller, RemovesWhatTheLogListsAndNothingElse) {
  // Another program's pending deletion, which must stay.
  const char kForeign[] = "C:\\WINDOWS\\TEMP\\OTHER~1.TMP";
  if (!IsNt()) {
    ASSERT_TRUE(WritePrivateProfileStringA("rename", "NUL", kForeign, WininitPath().c_str()));
  }
  Installation installation;
  // Something the installation did not make, beside what it made.
  ASSERT_TRUE(WriteBytes(installation.programs + "foreign.txt", "not ours"));
  installation.Make();

  std::string question;
  EXPECT_EQ(RunUninstaller(EntryCommand(installation), &question),
            "「月見日和」のアンインストールが完了しました。");
  EXPECT_EQ(question, "「月見日和」をアンインストールします。よろしいですか？");

  EXPECT_FALSE(Exists(installation.folder)) << "the installation folder is left";
  EXPECT_FALSE(Exists(installation.corp));
  EXPECT_FALSE(Exists(installation.group));
  EXPECT_FALSE(Exists(installation.groupCorp));
  EXPECT_FALSE(KeyExists(kProductKey));
  EXPECT_FALSE(KeyExists(kMakerKey));
  EXPECT_FALSE(KeyExists(kEntryKey));
  EXPECT_TRUE(Exists(installation.programs)) << "a folder the installation did not make was removed";
  EXPECT_EQ(ReadBytes(installation.programs + "foreign.txt"), "not ours");
  DeleteFileA((installation.programs + "foreign.txt").c_str());
  // The copy that did the work lies in the temporary folder (on Vista and later in the
  // Windows folder's, out of reach of the user's unelevated programs), and goes at the next
  // start (marked once it has closed its last message, so allow it a moment).
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  if (IsNt() && version.dwMajorVersion >= 6) std::strcpy(temp, "C:\\windows\\Temp\\");
  std::vector<std::string> pending;
  std::vector<std::string> copies;
  for (DWORD start = GetTickCount(); copies.empty() && GetTickCount() - start < 60000; Sleep(200)) {
    pending = RestartDeletions();
    for (const std::string& path : pending) {
      std::string folder = path.substr(0, path.find_last_of('\\') + 1);
      std::string name = path.substr(folder.size());
      if (_stricmp(ShortPath(folder).c_str(), ShortPath(temp).c_str()) == 0 &&
          _strnicmp(name.c_str(), "KZUN", 4) == 0) {
        copies.push_back(path);
      }
    }
  }
  ASSERT_EQ(copies.size(), 1u) << "the temporary copy is not marked for deletion at restart";
  EXPECT_TRUE(Exists(copies[0])) << copies[0];
  if (!IsNt()) {
    bool kept = false;
    for (const std::string& path : pending) kept = kept || path == kForeign;
    EXPECT_TRUE(kept) << "another program's line in WININIT.INI is gone";
  }
}

// Waits until no temporary copy of the uninstaller (KzUnXXXX.exe) runs any more: its last
// step, the deletion at restart, is done.
bool CopiesHaveEnded(DWORD timeout) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout; Sleep(200)) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
      const char* slash = std::strrchr(entry.szExeFile, '\\');  // 9x gives the whole path
      running = running || _strnicmp(slash != nullptr ? slash + 1 : entry.szExeFile, "KzUn", 4) == 0;
    }
    CloseHandle(snapshot);
    if (!running) return true;
  }
  return false;
}

// C:\Program Files\KAZE_CORP\... with Program Files in its short name, '/' for every other
// separator and a "." part: how an installer that kept the typed folder recorded it.
std::string TypedSpelling(const std::string& path) {
  const std::string programs = "C:\\Program Files\\";
  if (path.compare(0, programs.size(), programs) != 0) return path;  // the group
  std::string text = ShortPath("C:\\Program Files") + "/./";
  for (size_t i = programs.size(); i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      text += path.substr(i++, 2);  // 表 and ソ keep their trail byte 0x5C
    } else {
      text += path[i] == '\\' ? '/' : path[i];
    }
  }
  return text;
}

// The uninstaller compares its own long path with records in the one spelling of each:
// a log whose records name the same places in another spelling is removed whole.
TEST(Uninstaller, RecordsInAnotherSpellingOfTheFolderAreRemovedWhole) {
  Installation installation;
  ASSERT_NE(ShortPath("C:\\Program Files"), "C:\\Program Files");
  installation.Make({}, "", &TypedSpelling);
  EXPECT_EQ(RunUninstaller(EntryCommand(installation)),
            "「月見日和」のアンインストールが完了しました。");
  EXPECT_FALSE(Exists(installation.folder));
  EXPECT_FALSE(Exists(installation.corp));
  EXPECT_FALSE(Exists(installation.group));
  EXPECT_FALSE(Exists(installation.groupCorp));
  EXPECT_FALSE(KeyExists(kProductKey));
  EXPECT_FALSE(KeyExists(kMakerKey));
  EXPECT_FALSE(KeyExists(kEntryKey));
}

// A log that makes the Windows folder its installation folder (edited, or written when
// PATH=WINDOWS was still taken) removes nothing there, not even what lies below it.
TEST(Uninstaller, ALogWhoseFolderIsWindowsRemovesNothingThere) {
  char windowsText[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(windowsText, MAX_PATH), 0u);
  const std::string windows = std::string(windowsText) + "\\";
  const std::string uninstaller = windows + "Kaze_Inst.exe";
  const std::string tree = windows + "KazeTree\\";
  const std::string inTree = tree + "system.dat";
  const std::string file = windows + "KazeProtected.ini";
  ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(inTree, "system"));
  ASSERT_TRUE(WriteBytes(file, "[boot]"));
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "Kaze_Inst.exe").c_str(), uninstaller.c_str(), FALSE));
  {
    UninstallLog log;
    ASSERT_TRUE(log.BeginLog(windows.c_str()));
    ASSERT_TRUE(log.AppendEntry(LOG_DIRA, windows.c_str()));
    ASSERT_TRUE(log.AppendEntry(LOG_DIRA, tree.c_str()));
    ASSERT_TRUE(log.AppendEntry(LOG_FILE, file.c_str()));
    ASSERT_TRUE(log.AppendEntry(LOG_FILE, uninstaller.c_str()));
    ASSERT_TRUE(log.CommitLog());
  }

  EXPECT_EQ(RunUninstaller("\"" + uninstaller + "\" \"" + uninstaller + "\" /D"),
            "「" + windows + "」のアンインストールは完了していません。\n\n"
            "次の記録はインストール先の外を指しているため、削除しませんでした：\n  " +
                file + "\n  " + windows + "\n  " + tree +
                "\n\nアンインストール情報は残してあります。使用中のプログラムを終了してから、"
                "もう一度アンインストールを実行してください。");
  EXPECT_EQ(ReadBytes(inTree), "system");
  EXPECT_EQ(ReadBytes(file), "[boot]");
  EXPECT_TRUE(Exists(uninstaller));
  EXPECT_TRUE(Exists(windows + "system.ini")) << "Wine's own file";

  ASSERT_TRUE(CopiesHaveEnded(15000));
  SetFileAttributesA((windows + "UnInst.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const std::string& path : {windows + "UnInst.dat", uninstaller, inTree, file}) {
    DeleteFileA(path.c_str());
  }
  RemoveDirectoryA(tree.c_str());
}

// A [rename] section of other programs' lines longer than the 32,767 bytes Windows 9x reads:
// written back from what was read, the rest would be lost. The uninstallation still
// completes and the file stays byte for byte; the temporary copy is left where it is.
TEST(Uninstaller, AWininitThatWindows9xReadsCutShortIsLeftByteForByte) {
  std::string wininit = "[rename]\r\n";
  for (int i = 0; wininit.size() < 33000; ++i) {
    wininit += "NUL=C:\\WINDOWS\\TEMP\\OTHER" + std::to_string(i) + ".TMP\r\n";
  }
  ASSERT_TRUE(WriteBytes(WininitPath(), wininit));
  Installation installation;
  installation.Make();

  EXPECT_EQ(RunUninstaller(EntryCommand(installation)),
            "「月見日和」のアンインストールが完了しました。");
  EXPECT_FALSE(Exists(installation.folder));
  ASSERT_TRUE(CopiesHaveEnded(15000));
  EXPECT_TRUE(ReadBytes(WininitPath()) == wininit) << "WININIT.INI was rewritten";
  DeleteFileA(WininitPath().c_str());
}

// A log edited by someone who can write to the installation folder: every record that
// points elsewhere is refused and named, and the machine still holds all it held.
TEST(Uninstaller, ATamperedLogRemovesNothingOutsideTheInstallation) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string systemFile = std::string(windows) + "\\KazeProtected.ini";
  const std::string documents = "C:\\KazeDocuments\\";
  const std::string letter = documents + "letter.txt";
  const std::string beside = "C:\\Program Files\\KazeBeside.txt";
  const std::string emptyFolder = "C:\\KazeEmpty\\";
  const std::string otherProduct = "Software\\OTHER_CORP\\Game";
  const std::string otherMaker = "Software\\OTHER_CORP";
  const std::string otherSettings = otherProduct + "\\Settings";
  const std::string otherEntry =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OTHER_CORP Game";
  ASSERT_TRUE(WriteBytes(systemFile, "[boot]"));
  ASSERT_TRUE(CreateDirectoryA(documents.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(letter, "dear"));
  ASSERT_TRUE(WriteBytes(beside, "beside"));
  ASSERT_TRUE(CreateDirectoryA(emptyFolder.c_str(), nullptr));
  Installation::SetValue(otherProduct.c_str(), "install", "C:\\Other\\");
  Installation::SetValue(otherSettings.c_str(), "Volume", "7");
  Installation::SetValue(otherEntry.c_str(), "DisplayName", "OTHER_CORP Game");

  Installation installation;
  const std::string dots = installation.folder + "..\\..\\KazeBeside.txt";
  const std::string otherShortcut = installation.groupCorp + "..\\OTHER_CORP\\Game.lnk";
  struct Case {
    int type;
    std::string text;
    std::string named;  // how the report names it; empty: kept without a word
  } cases[] = {
      {LOG_FILE, systemFile, systemFile},
      {LOG_FILE, letter, letter},
      {LOG_FILE, dots, dots},
      {LOG_FILE, otherShortcut, otherShortcut},
      {LOG_DIRA, documents, documents},
      {LOG_FOLD, emptyFolder, emptyFolder},
      {LOG_REGS, otherProduct, "HKEY_LOCAL_MACHINE\\" + otherProduct},
      {LOG_REGS, otherMaker, ""},  // holds another product: on 9x the whole tree would go
      {LOG_REGS, "Software", "HKEY_LOCAL_MACHINE\\Software"},
      {LOG_REGS, otherEntry, "HKEY_LOCAL_MACHINE\\" + otherEntry},
      {LOG_FILE, installation.folder + "Tsukimi.exe", ""},  // a record repeated
  };
  std::vector<std::pair<int, std::string>> extra;
  for (const Case& c : cases) extra.push_back({c.type, c.text});
  // And a record whose length runs beyond the end of the file.
  installation.Make(extra, std::string("FILE\xF0\0\0\0C:\\x", 12));

  std::string report = RunUninstaller(EntryCommand(installation));
  EXPECT_EQ(report.rfind("「月見日和」のアンインストールは完了していません。", 0), 0u) << report;
  for (const Case& c : cases) {
    if (c.named.empty()) continue;
    EXPECT_NE(report.find("\n  " + c.named + "\n"), std::string::npos) << c.named;
  }
  EXPECT_NE(report.find("アンインストール情報ファイルの一部が壊れていて"), std::string::npos);

  EXPECT_EQ(ReadBytes(systemFile), "[boot]");
  EXPECT_EQ(ReadBytes(letter), "dear");
  EXPECT_EQ(ReadBytes(beside), "beside");
  EXPECT_TRUE(Exists(emptyFolder));
  EXPECT_TRUE(KeyExists(otherProduct.c_str()));
  EXPECT_TRUE(KeyExists(otherSettings.c_str()));
  EXPECT_TRUE(KeyExists(otherEntry.c_str()));
  // What was the installation's went; the uninstaller, its log and its entry stay for
  // another run.
  EXPECT_FALSE(Exists(installation.folder + "Tsukimi.exe"));
  EXPECT_FALSE(Exists(installation.shortcut));
  EXPECT_FALSE(KeyExists(kProductKey));
  EXPECT_TRUE(Exists(installation.uninstaller));
  EXPECT_TRUE(Exists(installation.folder + "UnInst.dat"));
  EXPECT_TRUE(KeyExists(kEntryKey));

  DeleteFileA(systemFile.c_str());
  DeleteFileA(letter.c_str());
  DeleteFileA(beside.c_str());
  RemoveDirectoryA(documents.c_str());
  RemoveDirectoryA(emptyFolder.c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherSettings.c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherProduct.c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherMaker.c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherEntry.c_str());
}

// A game still running holds a file: the uninstaller says so and keeps what a second run
// needs; the Start-menu shortcut (no arguments) then finishes the work.
TEST(Uninstaller, AFileInUseIsToldAndTheShortcutFinishesTheWorkLater) {
  Installation installation;
  installation.Make();
  const std::string held = installation.folder + "Tsukimi.exe";
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::string report = RunUninstaller(EntryCommand(installation));
  CloseHandle(holder);
  EXPECT_EQ(report,
            "「月見日和」のアンインストールは完了していません。\n\n"
            "次の項目を削除できませんでした（使用中か、書き込みが禁止されています）：\n  " +
                held +
                "\n\nアンインストール情報は残してあります。使用中のプログラムを終了してから、"
                "もう一度アンインストールを実行してください。");
  EXPECT_TRUE(Exists(held));
  EXPECT_TRUE(Exists(installation.uninstaller));
  EXPECT_TRUE(Exists(installation.folder + "UnInst.dat"));
  EXPECT_TRUE(KeyExists(kEntryKey));
  EXPECT_FALSE(Exists(installation.folder + "install.ini"));

  // Without install.ini the entry that names this uninstaller gives the product's name.
  std::string question;
  EXPECT_EQ(RunUninstaller("\"" + installation.uninstaller + "\"", &question),
            "「KAZE_CORP 月見日和」のアンインストールが完了しました。");
  EXPECT_EQ(question, "「KAZE_CORP 月見日和」をアンインストールします。よろしいですか？");
  EXPECT_FALSE(Exists(installation.folder));
  EXPECT_FALSE(Exists(installation.corp));
  EXPECT_FALSE(KeyExists(kEntryKey));
  EXPECT_FALSE(KeyExists(kMakerKey));
}

// Without its log nothing can be removed; the uninstaller says so and offers to take the
// entry out of the list, which would otherwise stay there for good.
TEST(Uninstaller, WithoutItsLogItOffersToDropTheEntryAndRemovesNothing) {
  Installation installation;
  installation.Make();
  const std::string log = installation.folder + "UnInst.dat";
  SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(DeleteFileA(log.c_str()));

  ChildProcess first(EntryCommand(installation));
  HWND box = FindAnyMessageBox("アンインストール", 20000);
  ASSERT_NE(box, nullptr);
  PressButton(box, IDYES);
  EXPECT_TRUE(first.WaitForExit(10000));
  box = FindAnyMessageBox("アンインストール", 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box),
            "アンインストール情報ファイル [UnInst.dat] が見つかりません。\n\n"
            "「プログラムの追加と削除」の一覧から「月見日和」を削除しますか？");
  PressButton(box, IDYES);
  for (DWORD start = GetTickCount(); KeyExists(kEntryKey) && GetTickCount() - start < 60000;) {
    Sleep(200);
  }
  EXPECT_FALSE(KeyExists(kEntryKey));
  EXPECT_TRUE(Exists(installation.folder + "Tsukimi.exe"));
  EXPECT_TRUE(KeyExists(kProductKey));
}

TEST(Uninstaller, NoAnswerYesNoRemoval) {
  const std::string folder = "C:\\KazeKeep\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "Kaze_Inst.exe").c_str(), (folder + "Kaze_Inst.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteBytes(folder + "save.dat", "keep me"));
  std::string uninstaller = folder + "Kaze_Inst.exe";
  ChildProcess run("\"" + uninstaller + "\" \"" + uninstaller + "\" /D");
  HWND question = FindAnyMessageBox("アンインストール", 20000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDNO);
  DWORD code = 0;
  EXPECT_TRUE(run.WaitForExit(10000, &code));
  EXPECT_EQ(code, 1u);
  EXPECT_EQ(ReadBytes(folder + "save.dat"), "keep me");
}

}  // namespace
}  // namespace kaze::test
