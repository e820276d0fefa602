// Kaze_Inst.exe run as the uninstall entry runs it, on an installation made here: it asks,
// hands over to its copy in the temporary folder, and removes exactly what the log lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

TEST(Uninstaller, RemovesWhatTheLogListsAndNothingElse) {
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
