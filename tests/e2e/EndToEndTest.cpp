// Runs setup.exe from the demo disc in drive Q: as a user would: reads the frame's title,
// waits for each page's work, presses Next and Cancel, answers the message boxes, and saves
// a screenshot of each step beside this program.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "system/OsServices.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/ScratchFiles.h"
#include "tests/support/Screenshot.h"
#include "tests/support/WineDrives.h"

namespace kaze::test {
namespace {

const char kStep1[] = "「月見日和」インストールプログラム -  1 / 5 「インストールの開始」";
const char kStep2[] = "「月見日和」インストールプログラム -  2 / 5 「ディスクの確認」";
const char kStep3[] = "「月見日和」インストールプログラム -  3 / 5 「インストール設定」";

void Shot(const std::string& name) {
  Sleep(700);  // let the page finish painting
  EXPECT_TRUE(SaveScreenshot(ProgramFolder() + name + ".bmp")) << name;
}

// Starts at step 1 and goes to step 3 as a user would, with a screenshot of each step;
BOOL CALLBACK FindFolderBox(HWND child, LPARAM out) {
  if (GetDlgCtrlID(child) != 1002 || ClassName(child) != "Edit") return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

// The folder box of step 3 (control 1002 of the settings page inside the frame).
HWND FolderBox(HWND frame) {
  HWND found = nullptr;
  EnumChildWindows(frame, &FindFolderBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

// What a box of the other process shows (GetWindowText reads no other process's edit box).
std::string BoxText(HWND box) {
  char text[512] = {};
  if (box != nullptr) SendMessageA(box, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}


// *frame is the wizard's window.
void WalkToSettings(const ChildProcess& setup, HWND* frame) {
  *frame = setup.WaitForWindow(IsWizardFrame, 30000);
  ASSERT_NE(*frame, nullptr) << "the wizard did not open";
  HWND wizard = *frame;
  HWND next = GetDlgItem(wizard, 1008);

  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(wizard) == kStep1; }, 30000))
      << WindowText(wizard);
  EXPECT_EQ(WindowText(next), "次へ");
  Shot("step1");

  Click(wizard, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(wizard) == kStep2; }, 30000));
  // The disc is in Q: already: found in the first pass, and Next comes back.
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 30000));
  // By now the entry checks (run 50 ms after the window appeared) are long past: a message
  // box of theirs would still be open.
  EXPECT_EQ(setup.Windows().size(), 1u) << "a message box appeared at start";
  Shot("step2");

  Click(wizard, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(wizard) == kStep3; }, 30000));
  EXPECT_EQ(WindowText(next), "インストール");
  // The folder box (of the settings page inside the frame) is filled once install.ini has
  // been loaded, and Next comes back.
  ASSERT_TRUE(WaitFor(setup, [&] {
    return !BoxText(FolderBox(wizard)).empty() && IsWindowEnabled(next) != FALSE;
  }, 30000)) << "install.ini was not loaded";
  Shot("step3");
}

TEST(EndToEnd, FromStartToSettingsThenCancel) {
  // The stand-in account library beside setup.exe answers "administrator".
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  ChildProcess setup("Q:\\setup.exe", true);
  ASSERT_TRUE(setup.started());
  HWND frame = nullptr;
  ASSERT_NO_FATAL_FAILURE(WalkToSettings(setup, &frame));

  // Cancel asks; No keeps the wizard, Yes ends it.
  Click(frame, 2);
  HWND question = setup.WaitForWindow(IsMessageBox("簡易インストーラ"), 5000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(MessageBoxText(question), "インストール作業は完了していません。中止しますか？");
  PressButton(question, IDNO);
  ASSERT_TRUE(WaitFor(setup, [&] { return !IsWindow(question); }, 5000));
  EXPECT_FALSE(setup.WaitForExit(500));
  EXPECT_EQ(WindowText(frame), kStep3);

  Click(frame, 2);
  question = setup.WaitForWindow(IsMessageBox("簡易インストーラ"), 5000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDYES);
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

const char kStep4[] = "「月見日和」インストールプログラム -  4 / 5 「インストール作業」";
const char kStep5[] = "「月見日和」インストールプログラム -  5 / 5「インストール作業の完了」";

bool KeyExists(const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::string ReadValue(const char* key, const char* name) {
  char value[512] = {};
  DWORD size = sizeof value;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return "";
  RegQueryValueExA(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(handle);
  return value;
}

// A Start-menu Programs folder as the shell names it, with a trailing backslash.
std::string ShellProgramsFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return "";
  std::string folder = path;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// The account check belongs to the NT family: there an ordinary user is refused at step 1
// and can only close the wizard; on Windows 9x nobody's account is asked about.
void CheckAccountRuleOfTheFamily() {
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "user");
  ChildProcess setup("Q:\\setup.exe", true);
  ASSERT_TRUE(setup.started());
  HWND frame = setup.WaitForWindow(IsWizardFrame, 30000);
  ASSERT_NE(frame, nullptr) << "the wizard did not open";
  HWND refusal = setup.WaitForWindow(IsMessageBox("簡易インストーラ"), IsNtFamily() ? 10000 : 4000);
  if (IsNtFamily()) {
    ASSERT_NE(refusal, nullptr) << "an ordinary NT user was not refused";
    PressButton(refusal, IDOK);
    ASSERT_TRUE(WaitFor(setup, [&] { return !IsWindowVisible(GetDlgItem(frame, 1008)); }, 5000));
    Click(frame, 2);  // "終了": no question
  } else {
    ASSERT_EQ(refusal, nullptr) << "Windows 9x asked about the account: " << MessageBoxText(refusal);
    Click(frame, 2);
    HWND question = setup.WaitForWindow(IsMessageBox("簡易インストーラ"), 5000);
    ASSERT_NE(question, nullptr);
    PressButton(question, IDYES);
  }
  EXPECT_TRUE(setup.WaitForExit(10000));
}

// The whole run on the demo disc: the standard type into the default folder, then the
// uninstaller from the uninstall entry, which leaves nothing of the installation behind.
// Run under each Windows version the game is sold for, from 95 to a current one.
TEST(EndToEnd, InstallsThenUninstalls) {
  ASSERT_NO_FATAL_FAILURE(CheckAccountRuleOfTheFamily());
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  const std::string folder = "C:\\Program Files\\KAZE_CORP\\月見日和\\";
  const char kEntry[] =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KAZE_CORP 月見日和";
  ChildProcess setup("Q:\\setup.exe", true);
  ASSERT_TRUE(setup.started());
  HWND frame = nullptr;
  ASSERT_NO_FATAL_FAILURE(WalkToSettings(setup, &frame));
  HWND next = GetDlgItem(frame, 1008);

  Click(frame, 1008);  // "インストール"
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep4; }, 10000));
  // The run ends with Next shown and enabled and, last of all, the log committed. (Next is
  // also still enabled in the moment before the page's timer starts the run.)
  ASSERT_TRUE(WaitFor(setup, [&] {
    return IsWindowVisible(next) && IsWindowEnabled(next) && Exists(folder + "UnInst.dat");
  }, 60000)) << "the installation did not finish";
  Shot("step4");
  EXPECT_EQ(ReadBytes(folder + "Tsukimi.exe").empty(), false);
  EXPECT_TRUE(Exists(folder + "Data\\scenario\\chapter1.txt"));
  EXPECT_TRUE(Exists(folder + "Data\\bg\\moon.txt"));
  // gcab stores this name in UTF-8; it lands in Shift-JIS (表 ends in the byte 0x5C).
  EXPECT_TRUE(Exists(folder + "Data\\bg\\表紙.txt"));
  EXPECT_TRUE(Exists(folder + "Readme.txt"));
  EXPECT_FALSE(Exists(folder + "Docs\\manual.txt")) << "a group of another type was installed";
  EXPECT_TRUE(Exists(folder + "UnInst.dat"));
  EXPECT_TRUE(Exists(folder + "Kaze_Inst.exe"));
  EXPECT_TRUE(Exists(folder + "install.ini"));
  EXPECT_EQ(ReadValue("Software\\KAZE_CORP\\Tsukimi", "install"), folder);
  std::string uninstall = ReadValue(kEntry, "UninstallString");
  EXPECT_EQ(uninstall, "\"" + folder + "Kaze_Inst.exe\" \"" + folder + "Kaze_Inst.exe\" \"/D\"");
  // The program group: all users' on NT, the user's own on Windows 9x, never the other.
  const std::string common = ShellProgramsFolder(CSIDL_COMMON_PROGRAMS);
  const std::string own = ShellProgramsFolder(CSIDL_PROGRAMS);
  const std::string programs = IsNtFamily() ? common : own;
  const std::string other = IsNtFamily() ? own : common;
  ASSERT_FALSE(programs.empty());
  EXPECT_TRUE(Exists(programs + "KAZE_CORP\\月見日和\\アンインストール.lnk")) << programs;
  EXPECT_TRUE(Exists(programs + "KAZE_CORP\\月見日和\\月見日和.lnk"));
  if (!other.empty() && other != programs) {
    EXPECT_FALSE(Exists(other + "KAZE_CORP")) << "the group went to the other family's folder";
  }

  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep5; }, 5000));
  EXPECT_EQ(WindowText(next), "終了");
  Shot("step5");
  Click(frame, 1008);  // "終了": no question
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitForExit(10000, &code));

  // Uninstall as Windows would, from the entry's command line.
  ASSERT_FALSE(uninstall.empty());
  ChildProcess uninstaller(uninstall);
  ASSERT_TRUE(uninstaller.started());
  HWND question = FindAnyMessageBox("アンインストール", 20000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDYES);
  EXPECT_TRUE(uninstaller.WaitForExit(10000)) << "the uninstaller did not hand over";
  HWND done = FindAnyMessageBox("アンインストール", 30000);
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(MessageBoxText(done), "「月見日和」のアンインストールが完了しました。");
  PressButton(done, IDOK);
  Sleep(500);
  EXPECT_FALSE(Exists(folder)) << "the installation folder is left";
  EXPECT_FALSE(Exists("C:\\Program Files\\KAZE_CORP\\"));
  EXPECT_TRUE(Exists("C:\\Program Files\\"));
  EXPECT_FALSE(KeyExists("Software\\KAZE_CORP\\Tsukimi"));
  EXPECT_FALSE(KeyExists("Software\\KAZE_CORP")) << "the maker's key the installation made is left";
  EXPECT_FALSE(KeyExists(kEntry));
  EXPECT_FALSE(Exists(programs + "KAZE_CORP")) << "the Start menu group is left";
}

std::string InstalledIniValue(const std::string& folder, const char* key) {
  char value[512] = {};
  GetPrivateProfileStringA("INSTALL", key, "", value, sizeof value, (folder + "install.ini").c_str());
  return value;
}

// The folder typed on step 3 in three spellings of the same places: the short name of an
// existing folder, '/' for a separator, a ".." part. Each installs into its one spelling,
// which the log, the product key, the uninstall entry and the installed install.ini all
// hold, and the uninstaller started from the entry then removes all of it.
TEST(EndToEnd, InstallsAndUninstallsEverySpellingOfTheFolder) {
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  char programFilesShort[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA("C:\\Program Files", programFilesShort, MAX_PATH), 0u);
  ASSERT_STRNE(programFilesShort, "C:\\Program Files");
  const char kEntry[] =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KAZE_CORP 月見日和";
  const std::string programs =
      ShellProgramsFolder(IsNtFamily() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  ASSERT_FALSE(programs.empty());
  struct Case {
    std::string typed;
    std::string folder;  // as it must be used
    std::string made;    // the outermost folder the installation made
  } cases[] = {
      {std::string(programFilesShort) + "\\KAZE_CORP\\月見日和",
       "C:\\Program Files\\KAZE_CORP\\月見日和\\", "C:\\Program Files\\KAZE_CORP\\"},
      {"C:\\Games/Tsukimi", "C:\\Games\\Tsukimi\\", "C:\\Games\\"},
      {"C:\\Program Files\\..\\Games\\Tsukimi", "C:\\Games\\Tsukimi\\", "C:\\Games\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_FALSE(Exists(c.made));
    ChildProcess setup("Q:\\setup.exe", true);
    ASSERT_TRUE(setup.started());
    HWND frame = setup.WaitForWindow(IsWizardFrame, 30000);
    ASSERT_NE(frame, nullptr) << "the wizard did not open";
    HWND next = GetDlgItem(frame, 1008);
    for (const char* title : {kStep1, kStep2, kStep3}) {
      ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == title; }, 8000)) << title;
      Sleep(300);
      ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 8000)) << title;
      if (WindowText(frame) != kStep3) Click(frame, 1008);
    }
    HWND box = FolderBox(frame);
    ASSERT_NE(box, nullptr);
    // GetWindowText and SetWindowText reach no control of another process: the messages do.
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed.c_str()));
    Click(frame, 1008);  // "インストール"
    ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep4; }, 10000))
        << "step 3 refused the folder";
    char shown[MAX_PATH] = {};
    SendMessageA(box, WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::string(shown), c.folder) << "the box does not show the folder used";
    ASSERT_TRUE(WaitFor(setup, [&] {
      return IsWindowVisible(next) && IsWindowEnabled(next) && Exists(c.folder + "UnInst.dat");
    }, 60000)) << "the installation did not finish";
    EXPECT_TRUE(Exists(c.folder + "Tsukimi.exe"));
    EXPECT_EQ(ReadValue("Software\\KAZE_CORP\\Tsukimi", "install"), c.folder);
    const std::string uninstall = ReadValue(kEntry, "UninstallString");
    EXPECT_EQ(uninstall, "\"" + c.folder + "Kaze_Inst.exe\" \"" + c.folder + "Kaze_Inst.exe\" \"/D\"");
    EXPECT_EQ(InstalledIniValue(c.folder, "INSTALL"), c.folder);
    Click(frame, 1008);
    ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep5; }, 5000));
    Click(frame, 1008);  // "終了"
    EXPECT_TRUE(setup.WaitForExit(10000));

    ASSERT_FALSE(uninstall.empty());
    ChildProcess uninstaller(uninstall);
    ASSERT_TRUE(uninstaller.started());
    HWND question = FindAnyMessageBox("アンインストール", 20000);
    ASSERT_NE(question, nullptr);
    PressButton(question, IDYES);
    EXPECT_TRUE(uninstaller.WaitForExit(10000));
    HWND done = FindAnyMessageBox("アンインストール", 30000);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(MessageBoxText(done), "「月見日和」のアンインストールが完了しました。");
    PressButton(done, IDOK);
    Sleep(500);
    EXPECT_FALSE(Exists(c.folder)) << "the installation folder is left";
    EXPECT_FALSE(Exists(c.made)) << "a folder the installation made is left";
    EXPECT_TRUE(Exists("C:\\Program Files\\"));
    EXPECT_FALSE(KeyExists("Software\\KAZE_CORP"));
    EXPECT_FALSE(KeyExists(kEntry));
    EXPECT_FALSE(Exists(programs + "KAZE_CORP")) << "the Start menu group is left";
  }
}

// The Unix folder behind a Windows path, as Wine names it.
std::string UnixPath(const char* windowsPath) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return "";
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, MAX_PATH);
  char* name = unixName(wide);
  if (name == nullptr) return "";
  std::string path = name;
  HeapFree(GetProcessHeap(), 0, name);
  return path;
}

// Asks the watcher beside the test (disc-watch.sh) which processes hold a file of the
// folder open or mapped: "none", or one line for each.
std::string HoldersOf(const std::string& unixFolder) {
  const std::string answer = ProgramFolder() + "disc-check.out";
  DeleteFileA(answer.c_str());
  if (!WriteBytes(ProgramFolder() + "disc-check.req", unixFolder + "\n")) return "no request";
  DWORD start = GetTickCount();
  while (!Exists(answer)) {
    if (GetTickCount() - start > 60000) return "the watcher did not answer";
    Sleep(100);
  }
  std::string found = ReadBytes(answer);
  DeleteFileA(answer.c_str());
  while (!found.empty() && found.back() == '\n') found.pop_back();
  return found;
}

bool IsDiscRequest(HWND window) {
  return ClassName(window) == "#32770" && GetDlgItem(window, 1029) != nullptr &&
         GetDlgItem(window, IDOK) != nullptr;
}

// Two discs: setup.exe started from disc 1 asks for disc 2 halfway. While it asks, no
// process may hold a file of disc 1 open or mapped (Windows 9x would ask for disc 1 back
// to read a page of the program, and the user could not take it out); then disc 2 goes
// into the same drive and the installation ends with its file.
TEST(EndToEnd, AsksForDiscTwoWithNothingOfDiscOneInUse) {
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  const std::string disc1 = UnixPath("Q:\\");
  const std::string disc2 = UnixPath("R:\\");
  ASSERT_FALSE(disc1.empty());
  ASSERT_FALSE(disc2.empty());

  // The watcher sees what it must: an open file, a loaded library and the current folder
  // on the disc.
  ASSERT_EQ(HoldersOf(disc1), "none") << "something holds disc 1 before the test";
  {
    HANDLE file = CreateFileA("Q:\\install.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(HoldersOf(disc1).find("install.ini"), std::string::npos);
    CloseHandle(file);
    HMODULE library = LoadLibraryA("Q:\\cab32.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(HoldersOf(disc1).find("cab32.dll"), std::string::npos);
    FreeLibrary(library);
    char current[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA("Q:\\Docs"));
    EXPECT_NE(HoldersOf(disc1).find("Docs"), std::string::npos) << "the current folder is not seen";
    ASSERT_TRUE(SetCurrentDirectoryA(current));
    ASSERT_EQ(HoldersOf(disc1), "none");
  }

  const std::string folder = "C:\\Program Files\\KAZE_CORP\\月見日和\\";
  ChildProcess setup("Q:\\setup.exe", true);
  ASSERT_TRUE(setup.started());
  HWND frame = nullptr;
  ASSERT_NO_FATAL_FAILURE(WalkToSettings(setup, &frame));
  EXPECT_EQ(setup.handovers(), 1) << "setup.exe did not go on from a copy off the disc";
  Click(frame, 1008);  // "インストール"
  HWND request = setup.WaitForWindow(IsDiscRequest, 120000);
  ASSERT_NE(request, nullptr) << "disc 2 was not asked for";
  char line[256] = {};
  GetDlgItemTextA(request, 1029, line, sizeof line);
  EXPECT_STREQ(line, "Disk 2 をセットしてください");
  EXPECT_EQ(HoldersOf(disc1), "none") << "disc 1 is in use while disc 2 is asked for";
  Shot("disc2-request");

  ASSERT_TRUE(InsertDisc('Q', disc2));
  PressButton(request, IDOK);
  HWND next = GetDlgItem(frame, 1008);
  std::string box;
  const bool finished = WaitFor(setup, [&] {
    for (HWND window : setup.Windows()) {
      if (window != frame && GetDlgItem(window, 0xFFFF) != nullptr) {
        box = WindowText(window) + ": " + MessageBoxText(window);
        return true;
      }
    }
    return IsWindowVisible(next) && IsWindowEnabled(next) && Exists(folder + "UnInst.dat");
  }, 120000);
  Shot("disc2-inserted");
  ASSERT_TRUE(finished) << "the installation did not finish";
  ASSERT_EQ(box, "") << "a message came up after disc 2 went in";
  EXPECT_EQ(ReadBytes(folder + "Second\\second.txt"), "second disc\r\n");
  EXPECT_TRUE(Exists(folder + "Tsukimi.exe"));
  EXPECT_TRUE(Exists(folder + "Kaze_Inst.exe"));
  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep5; }, 5000));
  Click(frame, 1008);  // "終了"
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitForExit(10000, &code));
}

}  // namespace
}  // namespace kaze::test
