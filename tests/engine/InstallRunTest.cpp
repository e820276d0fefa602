// The progress page running whole installations in-process, inside a bare frame dialog:
// disc 1 in drive Q: (built by make-discs.sh), a scratch installation folder on C:, prompts
// answered by the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/InstallIniLoader.h"
#include "engine/InstallProgressPage.h"
#include "resources/resource.h"
#include "system/OsServices.h"
#include "tests/archive/CabTestSupport.h"
#include "tests/registration/EngineTestSupport.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/ScratchFiles.h"
#include "tests/support/WindowPump.h"
#include "tests/support/WineDrives.h"
#include "uninstall/UninstallLog.h"

namespace kaze::test {
namespace {

const char kStopQuestion[] = "インストール作業は完了していません。中止しますか？";
const char kInstallFolder[] = "C:\\kaze-engine-test\\月見表\\";
const char kRegistryKey[] = "Software\\KAZE_CORP\\EngineTest";
const char kUninstallEntry[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KAZE_CORP 月見日和";

enum TypeIndex {
  kDefault = 0, kFull = 1, kBrokenArchive = 2, kNoGroup = 3, kSecondOnly = 4,
  kLongName = 5, kLongDestination = 6, kLongListing = 7, kTwoCabinets = 8,
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string("<missing>");
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Unix folder of the discs beside the test program (which runs from Wine's Z: drive).
std::string DiscUnixPath(const char* disc) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::string path = module;
  path = path.substr(2, path.rfind('\\') - 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path + "/discs/" + disc;
}

// Every file below folder, relative, sorted.
void ListTree(const std::string& folder, const std::string& prefix,
              std::vector<std::string>* out) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out->push_back(prefix + name + "\\");
      ListTree(folder + name + "\\", prefix + name + "\\", out);
    } else {
      out->push_back(prefix + name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(out->begin(), out->end());
}

std::vector<std::string> Tree(const std::string& folder) {
  std::vector<std::string> files;
  ListTree(folder, "", &files);
  return files;
}

// The frame the pages live in: template 102, made once (a visible top-level window takes
// Wine seconds to go away).
class BareFrame : public Dialog {
 public:
  BareFrame() : Dialog(GetModuleHandleA(nullptr), IDD_WIZARD_FRAME) {}
};

// Answers the stop question with the queued answers; after each No it presses the
// page's Cancel again, so that the next notice asks once more.
struct StopAnswers {
  std::vector<int> answers;
  std::vector<std::string> asked;
  std::vector<RecordedMessage> others;
  HWND page = nullptr;
  bool pressAgain = true;
};
StopAnswers* g_stop = nullptr;

int AnswerStop(HWND, const char* text, const char* caption, UINT style) {
  if (std::string(text) != kStopQuestion) {
    g_stop->others.push_back({text, caption, style});
    return IDOK;
  }
  g_stop->asked.push_back(caption);
  int answer = g_stop->asked.size() <= g_stop->answers.size()
                   ? g_stop->answers[g_stop->asked.size() - 1]
                   : IDYES;
  if (answer == IDNO && g_stop->pressAgain) {
    HWND cancel = GetDlgItem(g_stop->page, IDC_PROGRESS_CANCEL);
    PostMessageA(g_stop->page, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(cancel));
  }
  return answer;
}

// Answers the disc request dialog from a thread timer while its modal loop runs.
std::function<void(HWND dialog)> g_onDiscRequest;
std::vector<std::string> g_requestTexts;

BOOL CALLBACK FindRequest(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && GetDlgItem(window, IDC_REQUEST_TEXT) != nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK WatchForRequest(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindRequest, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr || !IsWindowEnabled(GetDlgItem(dialog, IDOK))) return;
  char text[256] = {};
  GetDlgItemTextA(dialog, IDC_REQUEST_TEXT, text, sizeof text);
  g_requestTexts.push_back(text);
  if (g_onDiscRequest) g_onDiscRequest(dialog);
}

struct StopAt;

class Install : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    frame_ = new BareFrame;
    frame_->Create(nullptr);
    ShowWindow(frame_->window(), SW_HIDE);
  }
  static void TearDownTestSuite() {
    DestroyWindow(frame_->window());
    delete frame_;
  }

  void SetUp() override {
    RemoveTree("C:\\kaze-engine-test\\");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRegistryKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallEntry);
    g_requestTexts.clear();
    g_onDiscRequest = nullptr;
    ShowWindow(Button(IDCANCEL), SW_SHOW);
    SetWindowTextA(Button(IDCANCEL), "キャンセル");
    ShowWindow(Button(IDC_NEXT), SW_SHOW);
    EnableWindow(Button(IDC_NEXT), FALSE);
  }
  void TearDown() override {
    if (page_) DestroyWindow(page_->window());
    page_.reset();
    context_.reset();
    InsertDisc('Q', DiscUnixPath("disc1"));
    RemoveTree("C:\\kaze-engine-test\\");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRegistryKey);
  }

  // The context as the earlier steps leave it, and the page made (hidden).
  void Prepare(int type, int types = 9) {
    context_ = std::make_unique<InstallContext>();
    context_->instance = GetModuleHandleA(nullptr);
    context_->frameWindow = frame_->window();
    lstrcpyA(context_->cdFolder, "Q:\\");
    ASSERT_TRUE(InstallIniLoader("Q:\\install.ini", *context_));
    ASSERT_EQ(context_->typeCount, types);
    ASSERT_EQ(context_->overlongValue[0], '\0');
    ASSERT_EQ(context_->uncontainedValue[0], '\0');
    context_->selectedType = type;
    lstrcpyA(context_->installFolder, kInstallFolder);
    page_ = std::make_unique<InstallProgressPage>(GetModuleHandleA(nullptr));
    ASSERT_NE(page_->Create(frame_->window(), context_.get()), nullptr);
  }
  // Shows the page and pumps until its run has ended (its Cancel button is hidden then).
  void Run() {
    ShowWindow(page_->window(), SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return !Shown(PageItem(IDC_PROGRESS_CANCEL)); }, 60000));
  }
  // Runs the default type with stop answering the stop questions, pressing Cancel at once
  // when asked to; any other message is a failure. False when the run did not end.
  bool RunAnswering(StopAt& stop, bool cancel);

  static bool Shown(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }
  HWND Button(int id) const { return GetDlgItem(frame_->window(), id); }
  HWND PageItem(int id) const { return GetDlgItem(page_->window(), id); }
  std::string Text(HWND window) const {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
  }
  std::string Installed(const char* relative) const {
    return std::string(kInstallFolder) + relative;
  }

  // The end of a run taken back: a cancel the user chose, or a failure the user was told.
  enum Ending { kCancelled, kFailed };
  // theUsersLog, theUsersKey: a folder of the user's holds the log's name, the game's key
  // was the user's before the run.
  void ExpectRolledBack(Ending ending, bool theUsersLog = false, bool theUsersKey = false) {
    EXPECT_TRUE(context_->closeWithoutAsking);
    if (ending == kCancelled) {
      EXPECT_EQ(Text(PageItem(IDC_PROGRESS_STATUS)), "※　インストールがキャンセルされました　※");
      EXPECT_EQ(Text(PageItem(IDC_PROGRESS_ITEM)), "インストールがキャンセルされました");
    } else {
      EXPECT_EQ(Text(PageItem(IDC_PROGRESS_STATUS)), "※　インストール中にエラーが発生しました　※");
      EXPECT_EQ(Text(PageItem(IDC_PROGRESS_ITEM)), "インストール作業中にエラーが発生しました");
    }
    EXPECT_EQ(page_->progressBar().GetPos(), 0);
    EXPECT_STREQ(page_->progressBar().text(), "0.00 % ");
    EXPECT_TRUE(Shown(Button(IDCANCEL)));
    EXPECT_EQ(Text(Button(IDCANCEL)), "終了");
    EXPECT_FALSE(Shown(Button(IDC_NEXT)));
    if (!theUsersLog) EXPECT_FALSE(Exists(Installed("UnInst.dat")));
    HKEY key = nullptr;
    if (!theUsersKey) EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, kRegistryKey, &key), ERROR_SUCCESS);
  }

  static BareFrame* frame_;
  std::unique_ptr<InstallContext> context_;
  std::unique_ptr<InstallProgressPage> page_;
};
BareFrame* Install::frame_ = nullptr;

TEST_F(Install, PageStartsAtZeroWithItsFont) {
  Prepare(kDefault);
  EXPECT_STREQ(page_->progressBar().text(), "0.00 % ");
  EXPECT_EQ(page_->progressBar().window(), PageItem(IDC_PROGRESS_BAR));
  EXPECT_FALSE(page_->cancelRequested());
  SendMessageA(page_->window(), WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(PageItem(IDC_PROGRESS_CANCEL)));
  EXPECT_TRUE(page_->cancelRequested());
  EXPECT_EQ(page_->timerId(), 0u) << "a hidden page started its work";
}

// The Windows folder's Temp, where a run keeps its own folder on Vista and later.
const char kWindowsTemp[] = "C:\\windows\\Temp";

// Everything in the temporary folders (the user's and the Windows folder's) that was not
// made by a run: a run must leave them so.
std::vector<std::string> TemporaryFolderNow() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  std::vector<std::string> items;
  for (const std::string& folder : {std::string(temp), std::string(kWindowsTemp) + "\\"}) {
    for (const std::string& item : Tree(folder)) items.push_back(folder + " " + item);
  }
  return items;
}

TEST_F(Install, WholeRunInstallsEveryFileAndCommitsTheLog) {
  PromptRecorder prompts;
  // Files of the same names as the support files, lying in the temporary folder before the
  // run: never loaded, never replaced, never deleted.
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  ASSERT_TRUE(WriteBytes(std::string(temp) + "cab32.dll", "planted, not a library"));
  ASSERT_TRUE(WriteBytes(std::string(temp) + "Kaze_Inst.exe", "someone else's"));
  const std::vector<std::string> tempBefore = TemporaryFolderNow();
  Prepare(kDefault);
  Run();
  for (const RecordedMessage& m : prompts.messages()) ADD_FAILURE() << m.caption << ": " << m.text;

  // Plain files, the folder member's own files (not its subfolder's) and the archive.
  struct Pair { const char* disc; const char* installed; } files[] = {
      {"big.bin", "big.bin"},
      {"small.txt", "small.txt"},
      {"empty.txt", "empty.txt"},
      {"Data\\a.txt", "Data\\a.txt"},
      {"Data\\表.txt", "Data\\表.txt"},
  };
  for (const Pair& f : files) {
    EXPECT_EQ(ReadAll(Installed(f.installed)), ReadAll(std::string("Q:\\") + f.disc)) << f.installed;
  }
  EXPECT_FALSE(Exists(Installed("Data\\sub")));
  EXPECT_EQ(ReadAll(Installed("Game\\top.txt")), "top\r\n");
  EXPECT_EQ(ReadAll(Installed("Game\\maps\\deep\\one.map")), "map one\r\n");
  EXPECT_EQ(ReadAll(Installed("Game\\maps\\two.map")).size(), 23893u);

  // End state: Next offered, the bar full.
  EXPECT_FALSE(context_->closeWithoutAsking);
  EXPECT_TRUE(Shown(Button(IDC_NEXT)));
  EXPECT_TRUE(IsWindowEnabled(Button(IDC_NEXT)));
  EXPECT_FALSE(Shown(Button(IDCANCEL)));
  EXPECT_EQ(Text(PageItem(IDC_PROGRESS_STATUS)), "※　インストールが完了しました　※");
  EXPECT_EQ(Text(PageItem(IDC_PROGRESS_ITEM)), "インストールが完了しました");
  EXPECT_EQ(page_->discsNeeded(), 1);
  EXPECT_EQ(page_->progressBar().GetPos(), 2000);  // discs of the description x 1000
  EXPECT_STREQ(page_->progressBar().text(), "100.00% ");
  int lower = -1, upper = -1;
  page_->progressBar().GetRange(lower, upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 1000);

  // The registration steps ran.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kRegistryKey, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(Exists(Installed("install.ini")));
  EXPECT_TRUE(Exists(Installed("Kaze_Inst.exe")));

  // The committed log: hidden, read-only, its records in the order things were made.
  std::string log = Installed("UnInst.dat");
  DWORD attributes = GetFileAttributesA(log.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  std::string copy = "C:\\kaze-engine-test\\log-copy.dat";
  ASSERT_TRUE(CopyFileA(log.c_str(), copy.c_str(), FALSE));
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  UninstallLog reader;
  ASSERT_TRUE(reader.ReadEntries(copy.c_str()));
  const std::vector<std::string>& logged = reader.entries(LOG_FILE);
  ASSERT_GE(logged.size(), 10u);
  std::vector<std::string> expected = {Installed("big.bin"), Installed("small.txt"),
                                       Installed("empty.txt")};
  EXPECT_EQ(std::vector<std::string>(logged.begin(), logged.begin() + 3), expected);
  std::vector<std::string> archive(logged.begin() + 5, logged.begin() + 8);
  EXPECT_EQ(archive, (std::vector<std::string>{Installed("Game\\maps\\deep\\one.map"),
                                               Installed("Game\\maps\\two.map"),
                                               Installed("Game\\top.txt")}));
  const std::vector<std::string>& folders = reader.entries(LOG_FOLD);
  ASSERT_GE(folders.size(), 6u);
  EXPECT_EQ(folders[0], "C:\\kaze-engine-test\\");
  EXPECT_EQ(folders[1], kInstallFolder);
  EXPECT_EQ(folders[2], Installed("Data\\"));
  EXPECT_EQ(folders[3], Installed("Game\\"));
  // The game's own run-time folders, recorded though the run did not make them: the game
  // makes them later, and an uninstall removes them when empty.
  int gameFolders = 0;
  for (const std::string& f : folders) {
    gameFolders += f == Installed("HD\\") || f == Installed("HD\\CDFiles\\") ||
                   f == Installed("HD\\Mask\\");
  }
  EXPECT_EQ(gameFolders, 3);
  EXPECT_FALSE(Exists(Installed("HD\\")));
  // The run's staging folder is gone; what lay in the temporary folder is as it was.
  EXPECT_EQ(TemporaryFolderNow(), tempBefore);
  EXPECT_EQ(ReadAll(std::string(temp) + "cab32.dll"), "planted, not a library");
  EXPECT_EQ(ReadAll(std::string(temp) + "Kaze_Inst.exe"), "someone else's");
  DeleteFileA((std::string(temp) + "cab32.dll").c_str());
  DeleteFileA((std::string(temp) + "Kaze_Inst.exe").c_str());
}

TEST_F(Install, CancelDuringAPlainCopyAsksPerRequestAndRollsBack) {
  CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
  CreateDirectoryA(kInstallFolder, nullptr);
  {
    std::ofstream keep(Installed("keep.txt"), std::ios::binary);
    keep << "mine";
  }
  {
    std::ofstream same(Installed("small.txt"), std::ios::binary);
    same << "my own small.txt";
  }
  StopAnswers stop;
  stop.answers = {IDNO, IDYES};
  g_stop = &stop;
  MessageBoxHandler previous = SetMessageBoxHandler(&AnswerStop);
  Prepare(kDefault);
  stop.page = page_->window();
  ShowWindow(page_->window(), SW_SHOW);
  // The request is there before the run: the first notice of big.bin asks; No presses
  // Cancel again, and a later notice of the same copy asks once more.
  SendMessageA(page_->window(), WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(PageItem(IDC_PROGRESS_CANCEL)));
  bool ended = PumpUntil([&] { return !Shown(PageItem(IDC_PROGRESS_CANCEL)); }, 60000);
  SetMessageBoxHandler(previous);
  g_stop = nullptr;
  ASSERT_TRUE(ended);

  EXPECT_EQ(stop.asked, (std::vector<std::string>{"簡易インストーラ", "簡易インストーラ"}));
  for (const RecordedMessage& m : stop.others) ADD_FAILURE() << m.caption << ": " << m.text;
  ExpectRolledBack(kCancelled);
  // What was there before survives untouched; everything the run made is gone.
  EXPECT_EQ(Tree(kInstallFolder), (std::vector<std::string>{"keep.txt", "small.txt"}));
  EXPECT_EQ(ReadAll(Installed("keep.txt")), "mine");
  EXPECT_EQ(ReadAll(Installed("small.txt")), "my own small.txt");
}

// Answers the stop question No until the ask numbered yesAt, or until the work item names
// yesWhenItemHas; each No presses Cancel again, so that the next notice asks once more.
struct StopAt {
  int yesAt = 1;
  const char* yesWhenItemHas = nullptr;
  int asked = 0;
  bool saidYes = false;
  HWND page = nullptr;
  std::vector<std::string> others;
};
StopAt* g_stopAt = nullptr;

int AnswerStopAt(HWND, const char* text, const char*, UINT) {
  if (std::string(text) != kStopQuestion) {
    g_stopAt->others.push_back(text);
    return IDOK;
  }
  ++g_stopAt->asked;
  char item[512] = {};
  GetDlgItemTextA(g_stopAt->page, IDC_PROGRESS_ITEM, item, sizeof item);
  bool yes = g_stopAt->yesWhenItemHas != nullptr
                 ? std::strstr(item, g_stopAt->yesWhenItemHas) != nullptr
                 : g_stopAt->asked >= g_stopAt->yesAt;
  if (yes) {
    g_stopAt->saidYes = true;
    return IDYES;
  }
  PostMessageA(g_stopAt->page, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(g_stopAt->page, IDC_PROGRESS_CANCEL)));
  return IDNO;
}

bool Install::RunAnswering(StopAt& stop, bool cancel) {
  g_stopAt = &stop;
  MessageBoxHandler previous = SetMessageBoxHandler(&AnswerStopAt);
  Prepare(kDefault);
  stop.page = page_->window();
  ShowWindow(page_->window(), SW_SHOW);
  if (cancel) {
    SendMessageA(page_->window(), WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(PageItem(IDC_PROGRESS_CANCEL)));
  }
  bool ended = PumpUntil([&] { return !Shown(PageItem(IDC_PROGRESS_CANCEL)); }, 60000);
  SetMessageBoxHandler(previous);
  g_stopAt = nullptr;
  for (const std::string& m : stop.others) ADD_FAILURE() << m;
  return ended;
}

// Files of the user's with the disc's names in the target: a cancel at any notice (the
// first, in the middle of a plain copy, at an archive member) leaves each byte for byte
// with its attributes; a whole run replaces them and never records them for removal.
TEST_F(Install, UsersFilesOfTheSameNamesArePutBack) {
  struct UserFile {
    const char* relative;
    const char* bytes;
    DWORD attributes;
  } const userFiles[] = {
      {"big.bin", "the user's big.bin", FILE_ATTRIBUTE_NORMAL},
      {"small.txt", "the user's small.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      // Inside the archive, and read-only: moved aside before the library looks at it.
      {"Game\\top.txt", "the user's top.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
      {"Kaze_Inst.exe", "the user's program", FILE_ATTRIBUTE_NORMAL},
      {"install.ini", "[the user's]\r\n", FILE_ATTRIBUTE_NORMAL},
  };
  struct Case {
    const char* what;
    bool cancel;
    int yesAt;
    const char* yesWhenItemHas;
  } cases[] = {
      {"cancel at the first notice", true, 1, nullptr},
      // Asked at its start, at its first block, then again within four of its 17 blocks.
      {"cancel in the middle of big.bin", true, 3, nullptr},
      {"cancel at an archive member", true, 0, "Game\\maps\\two.map"},
      {"cancel at the archive's last member", true, 0, "Game\\top.txt"},
      {"whole run", false, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
    CreateDirectoryA(kInstallFolder, nullptr);
    CreateDirectoryA(Installed("Game\\").c_str(), nullptr);
    std::vector<DWORD> attributesBefore;  // as the file system reads them back
    for (const UserFile& f : userFiles) {
      ASSERT_TRUE(WriteBytes(Installed(f.relative), f.bytes));
      SetFileAttributesA(Installed(f.relative).c_str(), f.attributes);
      attributesBefore.push_back(GetFileAttributesA(Installed(f.relative).c_str()));
    }
    const std::vector<std::string> before = Tree(kInstallFolder);
    const std::vector<std::string> tempBefore = TemporaryFolderNow();
    char programs[MAX_PATH] = {};
    ASSERT_TRUE(GetProgramsFolder(programs));
    const std::vector<std::string> startMenuBefore = Tree(programs);

    StopAt stop;
    stop.yesAt = c.yesAt;
    stop.yesWhenItemHas = c.yesWhenItemHas;
    ASSERT_TRUE(RunAnswering(stop, c.cancel));

    if (c.cancel) {
      ExpectRolledBack(kCancelled);
      if (c.yesWhenItemHas != nullptr) {
        EXPECT_TRUE(stop.saidYes) << "the archive member was not reached";
      }
      EXPECT_EQ(Tree(kInstallFolder), before);
      EXPECT_EQ(TemporaryFolderNow(), tempBefore);
      EXPECT_EQ(Tree(programs), startMenuBefore);
      for (size_t i = 0; i < sizeof userFiles / sizeof userFiles[0]; ++i) {
        const UserFile& f = userFiles[i];
        EXPECT_EQ(ReadAll(Installed(f.relative)), f.bytes) << f.relative;
        EXPECT_EQ(GetFileAttributesA(Installed(f.relative).c_str()), attributesBefore[i])
            << f.relative;
      }
    } else {
      EXPECT_TRUE(Shown(Button(IDC_NEXT)));
      EXPECT_EQ(ReadAll(Installed("big.bin")), ReadAll("Q:\\big.bin"));
      EXPECT_EQ(ReadAll(Installed("Game\\top.txt")), "top\r\n");
      EXPECT_EQ(ReadAll(Installed("Kaze_Inst.exe")), ReadAll("Q:\\Kaze_Inst.exe"));
      std::string copy = "C:\\kaze-engine-test\\log-copy.dat";
      ASSERT_TRUE(CopyFileA(Installed("UnInst.dat").c_str(), copy.c_str(), FALSE));
      SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
      UninstallLog reader;
      ASSERT_TRUE(reader.ReadEntries(copy.c_str()));
      for (const std::string& logged : reader.entries(LOG_FILE)) {
        for (const UserFile& f : userFiles) {
          EXPECT_NE(logged, Installed(f.relative)) << "recorded for removal";
        }
      }
      DeleteFileA(copy.c_str());
    }
    // The run's folder of kept files is gone either way.
    for (const std::string& path : Tree(kInstallFolder)) {
      EXPECT_NE(path.rfind("KzKeep", 0), 0u) << path;
    }
    for (const UserFile& f : userFiles) {
      SetFileAttributesA(Installed(f.relative).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SetFileAttributesA(Installed("UnInst.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
    TearDown();
  }
}

TEST_F(Install, DeclinedCancelIsForgottenAndTheRunFinishes) {
  StopAnswers stop;
  stop.answers = {IDNO};
  stop.pressAgain = false;
  g_stop = &stop;
  MessageBoxHandler previous = SetMessageBoxHandler(&AnswerStop);
  Prepare(kDefault);
  stop.page = page_->window();
  ShowWindow(page_->window(), SW_SHOW);
  SendMessageA(page_->window(), WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(PageItem(IDC_PROGRESS_CANCEL)));
  bool ended = PumpUntil([&] { return !Shown(PageItem(IDC_PROGRESS_CANCEL)); }, 60000);
  SetMessageBoxHandler(previous);
  g_stop = nullptr;
  ASSERT_TRUE(ended);
  EXPECT_EQ(stop.asked.size(), 1u);
  EXPECT_FALSE(page_->cancelRequested());
  EXPECT_FALSE(context_->closeWithoutAsking);
  EXPECT_TRUE(Shown(Button(IDC_NEXT)));
  EXPECT_EQ(ReadAll(Installed("big.bin")), ReadAll("Q:\\big.bin"));
}

TEST_F(Install, BrokenArchiveRollsBackWhatCameBefore) {
  PromptRecorder prompts;
  Prepare(kBrokenArchive);
  Run();
  ASSERT_FALSE(prompts.messages().empty()) << "the archive's failure was not told";
  ExpectRolledBack(kFailed);
  EXPECT_FALSE(Exists(kInstallFolder));
  EXPECT_FALSE(Exists("C:\\kaze-engine-test\\"));
}

// A one-disc set made for one test: small.txt and the given members in one group of the
// standard type, the support files, and the files the test puts there.
class OwnDisc {
 public:
  explicit OwnDisc(const std::vector<std::string>& members, bool withUninstaller = true,
                   const std::string& regData = "\"InstallDir\"=\"INSTALL_DIR\"")
      : disc_("own", "TSUKIMI1") {
    std::string list;
    for (size_t i = 0; i < members.size(); ++i) {
      list += "MEMBER_0_" + std::to_string(i + 1) + "=" + members[i] + "\r\n";
    }
    std::string ini =
        "[INSTALL_INFO]\r\nCORPNAME=KAZE_CORP\r\nAPPNAME=月見日和\r\nEXENAME=Tsukimi.exe\r\n"
        "MAKEMYSHORTCUT=アンインストール\r\nMAKESHORTCUT=0\r\nDISKNUM=1\r\nDISK_0=TSUKIMI1\r\n"
        "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nGROUP_0=0\r\nMEMBERSIZE_0=1\r\nMEMBERNUM_0=" +
        std::to_string(members.size() + 1) + "\r\nMEMBER_0_0=small.txt\r\n" + list +
        "[INSTALL_GROUP]\r\nNAME_DEFAULT=標準\r\nNAME_FULL=全部\r\nDEFAULTLIST=0\r\n"
        "FULLLIST=0\r\nINSTGROUP=0\r\n"
        "[INSTALL_REGISTRY_0]\r\nREG_KEY=Software\\KAZE_CORP\\EngineTest\r\n"
        "REGDATA_GROUP_0=" + regData + "\r\n";
    Put("install.ini", ini);
    Put("small.txt", "small\r\n");
    if (withUninstaller) Put("Kaze_Inst.exe", "MZ uninstaller stand-in");
    CopyFileA((ExeFolder() + "cab32.dll").c_str(), (folder() + "cab32.dll").c_str(), FALSE);
  }
  ~OwnDisc() {
    InsertDisc('Q', DiscUnixPath("disc1"));
    if (!disc_.windowsPath().empty()) RemoveTree(folder());
  }
  std::string folder() const { return disc_.windowsPath() + "\\"; }
  void Put(const std::string& name, const std::string& bytes) {
    // Without the run's own folder there is no disc: never the current drive's root.
    ASSERT_FALSE(disc_.windowsPath().empty()) << "not started by tests/wine/run.sh";
    EXPECT_TRUE(WriteBytes(folder() + name, bytes)) << name;
  }
  bool Insert() { return InsertDisc('Q', disc_.unixPath()); }

 private:
  DiscFolder disc_;
};

// What the messages said, and what small.txt (copied first) held when they came.
std::vector<std::string> g_told;
std::string g_copiedWhenTold;

int TellWhatWasCopied(HWND, const char* text, const char*, UINT) {
  g_told.push_back(text);
  g_copiedWhenTold = ReadAll(std::string(kInstallFolder) + "small.txt");
  return IDOK;
}

// A cabinet the library cannot unpack whole: the first part of a set whose second part
// was forgotten (the library answers "archive not found" instead of dying), or one holding
// a name Shift-JIS has no form for. The user is told once, with the file to blame, and the
// file copied before is taken back.
TEST_F(Install, CabinetFailuresAreNamedAndRollBack) {
  std::vector<std::string> parts = MakeStoredCabinetSet(
      {{"first.txt", std::string(30000, 'f')}, {"across.bin", std::string(60000, 'x')}},
      {"game1.cab", "game2.cab"});
  struct Case {
    const char* what;
    std::string cabinet;
    const char* told;
  } cases[] = {
      {"a set without its second part", parts[0],
       "続きのCABファイル [Q:\\game2.cab] が見つかりません"},
      {"an emoji in a name", MakeStoredCabinet({{"\xF0\x9F\x98\x80.txt", "smile", 0x80}}),
       "格納ファイルの名前を Shift-JIS のファイル名に変換できません。\n"
       "指定されたCABファイル [Q:\\game1.cab] を展開できませんでした"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    OwnDisc disc({"game1.cab > Game\\"});
    disc.Put("game1.cab", c.cabinet);
    ASSERT_TRUE(disc.Insert());

    g_told.clear();
    g_copiedWhenTold.clear();
    MessageBoxHandler previous = SetMessageBoxHandler(&TellWhatWasCopied);
    Prepare(kDefault, 2);
    Run();
    SetMessageBoxHandler(previous);
    ASSERT_EQ(g_told.size(), 1u);
    EXPECT_NE(g_told[0].find(c.told), std::string::npos) << g_told[0];
    EXPECT_EQ(g_copiedWhenTold, "small\r\n") << "nothing was there to take back";
    ExpectRolledBack(kFailed);
    EXPECT_FALSE(Exists("C:\\kaze-engine-test\\")) << "the file copied first was left";
    TearDown();
  }
}

// A plain copy that fails tells what failed and where, in one message, ends with the
// error texts (not the cancelled ones) and takes back what came before; a file that lay
// in the way is left as it was. (A read-only file would do under Windows; Wine run as
// root writes over one, so a folder of the name is in the way here.)
TEST_F(Install, FailedCopiesAreToldAndRolledBack) {
  struct Case {
    const char* what;
    bool onDisc;            // the member's file is on the disc
    bool folderInTheWay;    // a folder of the user's has the target's name
    const char* message;
  } cases[] = {
      {"missing on the disc", false, false,
       "インストール元のファイルを読み込めません。\nQ:\\data.bin"},
      {"target taken by a folder", true, true,
       "インストール先にファイルを作成できません。\nC:\\kaze-engine-test\\月見表\\Data\\data.bin\n"
       "書き込みが禁止されているか、ほかのプログラムが使用しています。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    {
      OwnDisc disc({"data.bin > Data\\"});
      if (c.onDisc) disc.Put("data.bin", std::string(20000, 'd'));
      ASSERT_TRUE(disc.Insert());
      if (c.folderInTheWay) {
        CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
        CreateDirectoryA(kInstallFolder, nullptr);
        CreateDirectoryA(Installed("Data\\").c_str(), nullptr);
        CreateDirectoryA(Installed("Data\\data.bin").c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(Installed("Data\\data.bin\\mine.txt"), "the user's"));
      }
      g_told.clear();
      g_copiedWhenTold.clear();
      MessageBoxHandler previous = SetMessageBoxHandler(&TellWhatWasCopied);
      Prepare(kDefault, 2);
      Run();
      SetMessageBoxHandler(previous);
      ASSERT_EQ(g_told.size(), 1u);
      EXPECT_EQ(g_told[0], c.message);
      EXPECT_EQ(g_copiedWhenTold, "small\r\n");
      ExpectRolledBack(kFailed);
      EXPECT_FALSE(Exists(Installed("small.txt")));
      if (c.folderInTheWay) {
        EXPECT_EQ(ReadAll(Installed("Data\\data.bin\\mine.txt")), "the user's");
      } else {
        EXPECT_FALSE(Exists("C:\\kaze-engine-test\\"));
      }
    }
    TearDown();
  }
}

// The end of a run fails when what the uninstaller needs cannot be made: its copy, or the
// log itself (a folder of the user's named UnInst.dat). The run says so, ends with the error
// texts and takes everything back, the uninstall entry included; the user's folder stays.
TEST_F(Install, FailedRegistrationOrCommitIsAFailure) {
  struct Case {
    const char* what;
    bool uninstallerOnDisc;
    bool folderNamedLog;
    const char* message;
  } cases[] = {
      {"uninstaller missing", false, false,
       "インストール先にファイルをコピーできませんでした。\nC:\\kaze-engine-test\\月見表\\Kaze_Inst.exe"},
      {"log cannot be committed", true, true,
       "アンインストール情報を書き込めませんでした。\nC:\\kaze-engine-test\\月見表\\UnInst.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    {
      OwnDisc disc({}, c.uninstallerOnDisc);
      ASSERT_TRUE(disc.Insert());
      if (c.folderNamedLog) {
        CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
        CreateDirectoryA(kInstallFolder, nullptr);
        CreateDirectoryA(Installed("UnInst.dat").c_str(), nullptr);
      }
      PromptRecorder prompts;
      Prepare(kDefault, 2);
      Run();
      std::vector<std::string> told;
      for (const RecordedMessage& m : prompts.messages()) told.push_back(m.text);
      EXPECT_EQ(told, std::vector<std::string>{c.message});
      EXPECT_EQ(Text(PageItem(IDC_PROGRESS_STATUS)), "※　インストール中にエラーが発生しました　※");
      EXPECT_FALSE(Shown(Button(IDC_NEXT)));
      EXPECT_FALSE(Exists(Installed("small.txt")));
      EXPECT_FALSE(Exists(Installed("Kaze_Inst.exe")));
      HKEY key = nullptr;
      EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, kRegistryKey, &key), ERROR_SUCCESS);
      EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, kUninstallEntry, &key), ERROR_SUCCESS);
      if (c.folderNamedLog) {
        EXPECT_TRUE(Exists(Installed("UnInst.dat\\"))) << "the user's folder was taken";
      } else {
        EXPECT_FALSE(Exists("C:\\kaze-engine-test\\"));
      }
    }
    RemoveTree("C:\\kaze-engine-test\\");
    TearDown();
  }
}

// A hard disk with room for the game's files but not for the uninstaller's copy: the run
// says what failed, ends with the error texts, and the disk is as it was (the free-space
// check of step 3, which would have refused it, is not part of this page).
TEST_F(Install, SmallDiskWithoutRoomForTheUninstaller) {
  OwnDisc disc({});
  disc.Put("Kaze_Inst.exe", std::string(600 * 1024, 'u'));
  ASSERT_TRUE(disc.Insert());
  const std::vector<std::string> before = Tree("S:\\");
  PromptRecorder prompts;
  Prepare(kDefault, 2);
  lstrcpyA(context_->installFolder, "S:\\月見表\\");
  Run();
  std::vector<std::string> told;
  for (const RecordedMessage& m : prompts.messages()) told.push_back(m.text);
  EXPECT_EQ(told, std::vector<std::string>{
                      "インストール先にファイルをコピーできませんでした。\nS:\\月見表\\Kaze_Inst.exe"});
  EXPECT_EQ(Text(PageItem(IDC_PROGRESS_STATUS)), "※　インストール中にエラーが発生しました　※");
  EXPECT_EQ(Tree("S:\\"), before);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, kRegistryKey, &key), ERROR_SUCCESS);
  EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, kUninstallEntry, &key), ERROR_SUCCESS);
}

// Tells the wrong disc like any message and, when asked to, puts the right disc in while
// the message is up.
std::vector<RecordedMessage> g_messages;
bool g_swapDuringMessage = false;

int SwapDuringMessage(HWND, const char* text, const char* caption, UINT style) {
  g_messages.push_back({text, caption, style});
  if (g_swapDuringMessage) InsertDisc('Q', DiscUnixPath("disc2"));
  return IDOK;
}

// Only the disc that holds the chosen group is asked for. A wrong disc is told after each
// OK, and the right one is taken wherever it comes in: in a later request, or while the
// wrong-disc message is up (then without asking for it once more).
TEST_F(Install, OnlyTheDiscThatHoldsTheGroupIsAskedForAfterAWrongOne) {
  struct Case {
    const char* name;
    bool swapDuringMessage;
    size_t requests;
  } cases[] = {
      {"right disc in the second request", false, 2},
      {"right disc while the wrong one is told", true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    g_messages.clear();
    g_swapDuringMessage = c.swapDuringMessage;
    MessageBoxHandler previous = SetMessageBoxHandler(&SwapDuringMessage);
    Prepare(kSecondOnly);
    int rounds = 0;
    g_onDiscRequest = [&](HWND dialog) {
      // First OK with disc 1 still in the drive (wrong), then disc 2 inserted.
      if (++rounds == 2) {
        ASSERT_TRUE(InsertDisc('Q', DiscUnixPath("disc2")));
      }
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    UINT_PTR watch = SetTimer(nullptr, 0, 100, &WatchForRequest);
    Run();
    KillTimer(nullptr, watch);
    SetMessageBoxHandler(previous);

    EXPECT_EQ(g_requestTexts,
              std::vector<std::string>(c.requests, "Disk 2 をセットしてください"));
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text,
              "現在 CD-ROM ドライブにセットされているディスクは要求されたディスクと異なります。"
              "正しいディスクをセットしてください");
    EXPECT_EQ(g_messages[0].caption, "簡易インストーラ");
    EXPECT_EQ(g_messages[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(context_->closeWithoutAsking);
    EXPECT_EQ(ReadAll(Installed("Second\\second.txt")), "second disc\r\n");
    EXPECT_FALSE(Exists(Installed("big.bin")));
    EXPECT_TRUE(Exists(Installed("UnInst.dat")));
    // The support files came from disc 1, taken at the start: only it has the read-me.
    EXPECT_EQ(ReadAll(Installed("Readme.txt")).rfind("read me", 0), 0u);
    EXPECT_TRUE(Shown(Button(IDC_NEXT)));
    TearDown();
  }
}

TEST_F(Install, GivingUpOnTheSecondDiscRollsBackTheFirst) {
  PromptRecorder prompts;
  Prepare(kFull);
  g_onDiscRequest = [](HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  };
  UINT_PTR watch = SetTimer(nullptr, 0, 100, &WatchForRequest);
  Run();
  KillTimer(nullptr, watch);
  EXPECT_EQ(g_requestTexts, (std::vector<std::string>{"Disk 2 をセットしてください"}));
  EXPECT_TRUE(prompts.messages().empty());
  EXPECT_EQ(page_->discsNeeded(), 2);
  ExpectRolledBack(kCancelled);
  EXPECT_FALSE(Exists("C:\\kaze-engine-test\\"));
}

// A name of 32 Japanese characters is an ordinary name: it installs like any other.
TEST_F(Install, LongJapaneseNamesInstall) {
  PromptRecorder prompts;
  Prepare(kLongName);
  Run();
  for (const RecordedMessage& m : prompts.messages()) ADD_FAILURE() << m.text;
  const char name[] = "月見日和月見日和月見日和月見日和月見日和月見日和月見日和月見日和.txt";
  EXPECT_EQ(ReadAll(Installed(name)), "long name\r\n");
  EXPECT_TRUE(Shown(Button(IDC_NEXT)));
}

// A member whose destination would pass the path limit is refused before anything is
// copied: never cut into another name.
TEST_F(Install, OverlongMembersAreRefusedWhole) {
  struct Case {
    int type;
    const char* message;
  } cases[] = {
      {kLongDestination, "インストールするファイルのパスが長すぎるため、インストールできません。\n"},
      // A folder member whose listing could not hold one of its files.
      {kLongListing, "インストールするファイルのパスが長すぎるため、インストールできません。\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    SetUp();
    PromptRecorder prompts;
    Prepare(c.type);
    Run();
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text.rfind(c.message, 0), 0u) << prompts.messages()[0].text;
    EXPECT_EQ(prompts.messages()[0].caption, "簡易インストーラ");
    ExpectRolledBack(kFailed);
    EXPECT_FALSE(Exists("C:\\kaze-engine-test\\")) << "something was installed";
    TearDown();
  }
}

// Without a log nothing could be taken back, so nothing is done at all.
TEST_F(Install, NoLogNoInstallation) {
  PromptRecorder prompts;
  Prepare(kDefault);
  // The temporary folders name files: the run's folder cannot be made there (the user's
  // on older systems, the Windows folder's on Vista and later).
  char savedTmp[MAX_PATH] = {}, savedTemp[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
  GetEnvironmentVariableA("TEMP", savedTemp, sizeof savedTemp);
  ASSERT_TRUE(WriteBytes("C:\\kaze-not-a-folder", "file"));
  SetEnvironmentVariableA("TMP", "C:\\kaze-not-a-folder\\");
  SetEnvironmentVariableA("TEMP", "C:\\kaze-not-a-folder\\");
  const std::string aside = std::string(kWindowsTemp) + "-aside";
  ASSERT_TRUE(MoveFileA(kWindowsTemp, aside.c_str()));
  ASSERT_TRUE(WriteBytes(kWindowsTemp, "file"));
  Run();
  DeleteFileA(kWindowsTemp);
  EXPECT_TRUE(MoveFileA(aside.c_str(), kWindowsTemp));
  SetEnvironmentVariableA("TMP", savedTmp);
  SetEnvironmentVariableA("TEMP", savedTemp);
  DeleteFileA("C:\\kaze-not-a-folder");
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text.rfind("インストール作業の記録を作成できないため", 0), 0u);
  ExpectRolledBack(kFailed);
  EXPECT_FALSE(Exists("C:\\kaze-engine-test\\")) << "something was installed";
}

TEST_F(Install, TypeWithoutGroupsSucceedsAtOnce) {
  PromptRecorder prompts;
  Prepare(kNoGroup);
  Run();
  EXPECT_EQ(page_->discsNeeded(), 0);
  EXPECT_FALSE(context_->closeWithoutAsking);
  EXPECT_TRUE(Shown(Button(IDC_NEXT)));
  EXPECT_STREQ(page_->progressBar().text(), "100.00% ");
  EXPECT_TRUE(Exists(Installed("UnInst.dat")));
  EXPECT_TRUE(Exists(Installed("Kaze_Inst.exe"))) << "the uninstall entry names a missing program";
  EXPECT_FALSE(Exists(Installed("big.bin")));
}

// The registry places a run may touch, each value with its type and data: the game's key
// and its maker's, the uninstall entry and the run's marker.
std::vector<std::string> RegistryNow() {
  std::vector<std::string> items;
  std::function<void(const std::string&)> list = [&](const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return;
    }
    items.push_back(path);
    char name[512];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
      DWORD nameSize = sizeof name;
      DWORD dataSize = sizeof data;
      DWORD type = 0;
      if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) {
        break;
      }
      items.push_back(path + "|" + name + "|" + std::to_string(type) + "|" +
                      std::string(reinterpret_cast<char*>(data), dataSize));
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
      DWORD nameSize = sizeof name;
      if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        break;
      }
      subkeys.push_back(path + "\\" + name);
    }
    RegCloseKey(key);
    for (const std::string& subkey : subkeys) list(subkey);
  };
  for (const char* root : {"Software\\KAZE_CORP", "Software\\KazeInstaller", kUninstallEntry}) {
    list(root);
  }
  return items;
}

std::string ProgramsFolder() {
  char programs[MAX_PATH] = {};
  EXPECT_TRUE(GetProgramsFolder(programs));
  return programs;
}

// What the user has in the places a run touches, to be found again after a failed run.
struct MachineState {
  std::vector<std::string> installation = Tree("C:\\kaze-engine-test\\");
  std::vector<std::string> group = Tree(ProgramsFolder());
  std::vector<std::string> temporary = TemporaryFolderNow();
  std::vector<std::string> registry = RegistryNow();
};

void ExpectAsBefore(const MachineState& before) {
  MachineState now;
  EXPECT_EQ(now.installation, before.installation);
  EXPECT_EQ(now.group, before.group);
  EXPECT_EQ(now.temporary, before.temporary);
  EXPECT_EQ(now.registry, before.registry);
}

// Every step that cannot be done ends the run with one message naming it, the error
// texts, and the machine as it was: files, folders, the Start menu and the registry.
TEST_F(Install, EveryFailedStepIsToldAndTakenBack) {
  const std::string programs = ProgramsFolder();
  const std::string group = programs + "KAZE_CORP\\月見日和\\";
  struct Case {
    const char* what;
    std::vector<std::string> members;
    std::string regData;
    std::function<void()> plant;  // what is in the way, made before the run
    std::string message;
    bool theUsersKey = false;
  } cases[] = {
      {"a registry value whose path would not fit",
       {},
       "\"Path\"=\"INSTALL_DIR+" + std::string(233, 'p') + "\"",
       [] {},
       "レジストリに書き込むパスが長すぎるため、アプリケーション情報を書き込めませんでした。\n"
       "HKEY_LOCAL_MACHINE\\Software\\KAZE_CORP\\EngineTest\\Path"},
      {"a registry number without a number",
       {},
       "\"Level\"=dword:zz",
       [] {},
       "レジストリにアプリケーション情報を書き込めませんでした。\n"
       "HKEY_LOCAL_MACHINE\\Software\\KAZE_CORP\\EngineTest\\Level"},
      {"the game's key there and locked",
       {},
       "\"InstallDir\"=\"INSTALL_DIR\"",
       [] { ASSERT_TRUE(MakeReadOnlyKey(kRegistryKey)); },
       "レジストリにアプリケーション情報を書き込めませんでした。\n"
       "HKEY_LOCAL_MACHINE\\Software\\KAZE_CORP\\EngineTest",
       true},
      {"a file where the program group goes",
       {},
       "\"InstallDir\"=\"INSTALL_DIR\"",
       [&] {
         ASSERT_TRUE(CreateDirectoryA((programs + "KAZE_CORP\\").c_str(), nullptr));
         ASSERT_TRUE(WriteBytes(programs + "KAZE_CORP\\月見日和", "the user's file"));
       },
       "スタートメニューにプログラムグループを作成できませんでした。\n" + group},
      {"a folder where the uninstaller's shortcut goes",
       {},
       "\"InstallDir\"=\"INSTALL_DIR\"",
       [&] {
         ASSERT_TRUE(CreateDirectoryA((programs + "KAZE_CORP\\").c_str(), nullptr));
         ASSERT_TRUE(CreateDirectoryA(group.c_str(), nullptr));
         ASSERT_TRUE(CreateDirectoryA((group + "アンインストール.lnk").c_str(), nullptr));
         ASSERT_TRUE(WriteBytes(group + "アンインストール.lnk\\mine.txt", "the user's"));
       },
       "スタートメニューにショートカットを作成できませんでした。\n" + group + "アンインストール.lnk"},
      {"a folder where the installed install.ini goes",
       {},
       "\"InstallDir\"=\"INSTALL_DIR\"",
       [] {
         CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
         CreateDirectoryA(kInstallFolder, nullptr);
         ASSERT_TRUE(CreateDirectoryA((std::string(kInstallFolder) + "install.ini").c_str(), nullptr));
         ASSERT_TRUE(WriteBytes(std::string(kInstallFolder) + "install.ini\\mine.txt", "the user's"));
       },
       "インストール先にファイルを書き込めませんでした。\nC:\\kaze-engine-test\\月見表\\install.ini"},
      {"a folder member whose folder is missing on the disc",
       {"Missing\\ > Data\\"},
       "\"InstallDir\"=\"INSTALL_DIR\"",
       [] {},
       "インストール元のフォルダを読み込めません。\nQ:\\Missing\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    RemoveTree(programs + "KAZE_CORP\\");
    {
      OwnDisc disc(c.members, true, c.regData);
      ASSERT_TRUE(disc.Insert());
      c.plant();
      const MachineState before;
      PromptRecorder prompts;
      Prepare(kDefault, 2);
      Run();
      std::vector<std::string> told;
      for (const RecordedMessage& m : prompts.messages()) told.push_back(m.text);
      EXPECT_EQ(told, std::vector<std::string>{c.message});
      ExpectRolledBack(kFailed, false, c.theUsersKey);
      ExpectAsBefore(before);
    }
    TearDown();
    RemoveTree(programs + "KAZE_CORP\\");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRegistryKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\KAZE_CORP");
  }
}

// A run with nothing to copy makes the installation folder itself; a file of that name in
// the way fails the run with one message, and the file stays.
TEST_F(Install, AFileWhereTheInstallationFolderGoesFailsTheRun) {
  CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
  ASSERT_TRUE(WriteBytes("C:\\kaze-engine-test\\月見表", "the user's file"));
  const MachineState before;
  PromptRecorder prompts;
  Prepare(kNoGroup);
  Run();
  std::vector<std::string> told;
  for (const RecordedMessage& m : prompts.messages()) told.push_back(m.text);
  EXPECT_EQ(told, std::vector<std::string>{"インストール先のフォルダを作成できません。\n"
                                           "C:\\kaze-engine-test\\月見表\\"});
  ExpectRolledBack(kFailed);
  ExpectAsBefore(before);
  EXPECT_EQ(ReadAll("C:\\kaze-engine-test\\月見表"), "the user's file");
}

// A record the uninstall log cannot take (here: another program holds the log when the
// second disc comes) fails the run like any step: one message naming the log, and
// everything of the first disc taken back.
HANDLE g_heldLog = INVALID_HANDLE_VALUE;
std::vector<std::string> g_toldWhileHeld;

int ReleaseLogWhenTold(HWND, const char* text, const char*, UINT) {
  g_toldWhileHeld.push_back(text);
  if (g_heldLog != INVALID_HANDLE_VALUE) CloseHandle(g_heldLog);
  g_heldLog = INVALID_HANDLE_VALUE;
  return IDOK;
}

TEST_F(Install, ALogRecordThatCannotBeWrittenFailsTheRun) {
  const MachineState before;
  g_toldWhileHeld.clear();
  MessageBoxHandler previous = SetMessageBoxHandler(&ReleaseLogWhenTold);
  Prepare(kFull);
  std::string log;
  g_onDiscRequest = [&](HWND dialog) {
    if (!log.empty()) return;
    log = page_->temporaryLogPath();
    g_heldLog = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(g_heldLog, INVALID_HANDLE_VALUE) << log;
    ASSERT_TRUE(InsertDisc('Q', DiscUnixPath("disc2")));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
  UINT_PTR watch = SetTimer(nullptr, 0, 100, &WatchForRequest);
  Run();
  KillTimer(nullptr, watch);
  SetMessageBoxHandler(previous);
  if (g_heldLog != INVALID_HANDLE_VALUE) CloseHandle(g_heldLog);
  g_heldLog = INVALID_HANDLE_VALUE;
  ASSERT_FALSE(log.empty()) << "the second disc was never asked for";
  EXPECT_EQ(g_toldWhileHeld,
            std::vector<std::string>{"アンインストール情報を書き込めませんでした。\n" + log});
  ExpectRolledBack(kFailed);
  EXPECT_FALSE(Exists("C:\\kaze-engine-test\\"));
  ExpectAsBefore(before);
}

// The archive library is loaded only as disc 1 has it: a staged copy that was changed
// after it was staged (here while disc 2 is asked for) is never loaded.
TEST_F(Install, AStagedLibraryChangedAfterStagingIsNeverLoaded) {
  const MachineState before;
  PromptRecorder prompts;
  Prepare(kTwoCabinets);
  std::string staged;
  g_onDiscRequest = [&](HWND dialog) {
    if (!staged.empty()) return;
    staged = page_->stagingFolder() + "cab32.dll";
    std::string bytes = ReadAll(staged);
    ASSERT_FALSE(bytes.empty()) << staged;
    bytes[bytes.size() - 1] ^= 0x5A;  // a library of the same size, one byte changed
    ASSERT_TRUE(WriteBytes(staged, bytes));
    ASSERT_TRUE(InsertDisc('Q', DiscUnixPath("disc2")));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
  UINT_PTR watch = SetTimer(nullptr, 0, 100, &WatchForRequest);
  Run();
  KillTimer(nullptr, watch);
  ASSERT_FALSE(staged.empty()) << "the second disc was never asked for";
  std::vector<std::string> told;
  for (const RecordedMessage& m : prompts.messages()) told.push_back(m.text);
  EXPECT_EQ(told, std::vector<std::string>{"キャビネットファイル展開用DLLの取得に失敗しました"});
  ExpectRolledBack(kFailed);
  EXPECT_FALSE(Exists("C:\\kaze-engine-test\\"));
  ExpectAsBefore(before);
}

// What the registration replaces (an uninstall entry of the same name, a shortcut of the
// user's under the uninstaller's name, a file named like the editor's copy of
// install.ini) comes back byte for byte when a later step fails.
TEST_F(Install, WhatTheRegistrationReplacedComesBackAfterALateFailure) {
  const std::string programs = ProgramsFolder();
  const std::string group = programs + "KAZE_CORP\\月見日和\\";
  RemoveTree(programs + "KAZE_CORP\\");
  OwnDisc disc({});
  ASSERT_TRUE(disc.Insert());
  HKEY entry = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallEntry, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &entry, nullptr),
            ERROR_SUCCESS);
  const char oldName[] = "以前の 月見日和";
  const char oldCommand[] = "%SystemRoot%\\old.exe /u";
  const BYTE mine[] = {0, 1, 2, 0x5C, 0xFF};
  const DWORD oldSize = 7;
  RegSetValueExA(entry, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(oldName),
                 sizeof oldName);
  RegSetValueExA(entry, "UninstallString", 0, REG_EXPAND_SZ,
                 reinterpret_cast<const BYTE*>(oldCommand), sizeof oldCommand);
  RegSetValueExA(entry, "EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&oldSize),
                 sizeof oldSize);
  RegSetValueExA(entry, "Mine", 0, REG_BINARY, mine, sizeof mine);
  RegCloseKey(entry);
  ASSERT_TRUE(CreateDirectoryA((programs + "KAZE_CORP\\").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(group.c_str(), nullptr));
  const std::string link = group + "アンインストール.lnk";
  ASSERT_TRUE(WriteBytes(link, "the user's own shortcut"));
  SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
  CreateDirectoryA(kInstallFolder, nullptr);
  ASSERT_TRUE(WriteBytes(Installed("install.ini.tmp"), "the user's notes"));
  // The log's place is taken: the commit, the very last step, fails.
  ASSERT_TRUE(CreateDirectoryA(Installed("UnInst.dat").c_str(), nullptr));
  const DWORD linkAttributes = GetFileAttributesA(link.c_str());
  const MachineState before;

  PromptRecorder prompts;
  Prepare(kDefault, 2);
  Run();
  std::vector<std::string> told;
  for (const RecordedMessage& m : prompts.messages()) told.push_back(m.text);
  EXPECT_EQ(told, std::vector<std::string>{"アンインストール情報を書き込めませんでした。\n"
                                           "C:\\kaze-engine-test\\月見表\\UnInst.dat"});
  ExpectRolledBack(kFailed, true);
  ExpectAsBefore(before);
  EXPECT_EQ(ReadAll(link), "the user's own shortcut");
  EXPECT_EQ(GetFileAttributesA(link.c_str()), linkAttributes);
  EXPECT_EQ(ReadAll(Installed("install.ini.tmp")), "the user's notes");
  EXPECT_FALSE(Exists(Installed("install.ini")));

  SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveTree(programs + "KAZE_CORP\\");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallEntry);
}

// The game's run-time folders that the user already had (empty, of the same names) are
// the user's: a whole run does not record them for the uninstaller, and a run taken back
// leaves them.
TEST_F(Install, TheUsersGameFoldersAreNeitherRecordedNorTakenBack) {
  for (bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancelled" : "whole run");
    SetUp();
    CreateDirectoryA("C:\\kaze-engine-test\\", nullptr);
    CreateDirectoryA(kInstallFolder, nullptr);
    ASSERT_TRUE(CreateDirectoryA(Installed("HD\\").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Installed("HD\\Mask\\").c_str(), nullptr));
    const MachineState before;
    StopAt stop;
    stop.yesAt = 1;
    ASSERT_TRUE(RunAnswering(stop, cancel));
    EXPECT_TRUE(Exists(Installed("HD\\")));
    EXPECT_TRUE(Exists(Installed("HD\\Mask\\")));
    if (cancel) {
      ExpectRolledBack(kCancelled);
      ExpectAsBefore(before);
    } else {
      ASSERT_TRUE(Shown(Button(IDC_NEXT)));
      std::string copy = "C:\\kaze-engine-test\\log-copy.dat";
      ASSERT_TRUE(CopyFileA(Installed("UnInst.dat").c_str(), copy.c_str(), FALSE));
      SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
      UninstallLog reader;
      ASSERT_TRUE(reader.ReadEntries(copy.c_str()));
      std::vector<std::string> gameFolders;
      for (const std::string& f : reader.entries(LOG_FOLD)) {
        if (f.rfind(Installed("HD\\"), 0) == 0) gameFolders.push_back(f);
      }
      EXPECT_EQ(gameFolders, std::vector<std::string>{Installed("HD\\CDFiles\\")});
      SetFileAttributesA(Installed("UnInst.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    TearDown();
  }
}

}  // namespace
}  // namespace kaze::test
