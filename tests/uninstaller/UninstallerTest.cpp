// Kaze_Inst.exe run as the uninstall entry runs it, on an installation made here: it asks,
// hands over to its copy in the temporary folder, and removes exactly what the log lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include <string>
#include <vector>

#include "tests/support/ScratchFiles.h"
#include "tests/support/ProcessDriver.h"
#include "uninstall/UninstallLog.h"

namespace kaze::test {
namespace {

const char kEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KAZE_CORP 月見日和";
const char kProductKey[] = "Software\\KAZE_CORP\\Tsukimi";

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

TEST(Uninstaller, RemovesWhatTheLogListsAndNothingElse) {
  // Another program's pending deletion, which must stay.
  const char kForeign[] = "C:\\WINDOWS\\TEMP\\OTHER~1.TMP";
  if (!IsNt()) {
    ASSERT_TRUE(WritePrivateProfileStringA("rename", "NUL", kForeign, WininitPath().c_str()));
  }
  const std::string programs = "C:\\Program Files\\";
  const std::string corp = programs + "KAZE_CORP\\";
  const std::string folder = corp + "月見日和\\";
  // Something the installation did not make, beside what it made.
  ASSERT_TRUE(WriteBytes(programs + "foreign.txt", "not ours"));

  UninstallLog log;
  ASSERT_TRUE(log.BeginLog(folder.c_str()));
  ASSERT_TRUE(CreateDirectoryA(corp.c_str(), nullptr));
  log.AppendEntry(LOG_FOLD, corp.c_str());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  log.AppendEntry(LOG_FOLD, folder.c_str());
  ASSERT_TRUE(CreateDirectoryA((folder + "Data\\").c_str(), nullptr));
  log.AppendEntry(LOG_FOLD, (folder + "Data\\").c_str());
  for (const char* name : {"Tsukimi.exe", "Data\\scenario.txt", "install.ini"}) {
    std::string path = folder + name;
    log.AppendEntry(LOG_FILE, path.c_str());
  }
  ASSERT_TRUE(WriteBytes(folder + "Tsukimi.exe", "game"));
  ASSERT_TRUE(WriteBytes(folder + "Data\\scenario.txt", "story"));
  ASSERT_TRUE(WritePrivateProfileStringA("INSTALL", "CORPNAME", "KAZE_CORP", (folder + "install.ini").c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("INSTALL", "APPNAME", "月見日和", (folder + "install.ini").c_str()));
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "Kaze_Inst.exe").c_str(), (folder + "Kaze_Inst.exe").c_str(), FALSE));
  log.AppendEntry(LOG_FILE, (folder + "Kaze_Inst.exe").c_str());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kProductKey, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "install", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>(folder.size() + 1));
  RegCloseKey(key);
  log.AppendEntry(LOG_REGS, kProductKey);
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kEntryKey, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(log.CommitLog());

  std::string uninstaller = folder + "Kaze_Inst.exe";
  ChildProcess first("\"" + uninstaller + "\" \"" + uninstaller + "\" /D");
  ASSERT_TRUE(first.started());
  HWND question = FindAnyMessageBox("アンインストール", 20000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(MessageBoxText(question), "「月見日和」をアンインストールします。よろしいですか？");
  PressButton(question, IDYES);
  EXPECT_TRUE(first.WaitForExit(10000));

  HWND done = FindAnyMessageBox("アンインストール", 30000);
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(MessageBoxText(done), "「月見日和」のアンインストールが完了しました。");
  PressButton(done, IDOK);
  Sleep(500);

  EXPECT_FALSE(Exists(folder)) << "the installation folder is left";
  EXPECT_FALSE(Exists(corp));
  EXPECT_FALSE(KeyExists(kProductKey));
  EXPECT_FALSE(KeyExists(kEntryKey));
  EXPECT_TRUE(Exists(programs)) << "a folder the installation did not make was removed";
  EXPECT_EQ(ReadBytes(programs + "foreign.txt"), "not ours");

  // The copy that did the work lies in the temporary folder, and goes at the next start
  // (marked once it has closed its last message, so allow it a moment).
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::vector<std::string> pending;
  std::vector<std::string> copies;
  for (DWORD start = GetTickCount(); copies.empty() && GetTickCount() - start < 15000; Sleep(200)) {
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
