#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "tests/support/ScratchFiles.h"
#include "tests/support/PromptRecorder.h"
#include "uninstall/UninstallLog.h"

namespace kaze {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

const char kScratchKey[] = "Software\\KazeTestUninstall";

struct Step {
  int kind;
  std::string text;
  int total;
  int done;
};

void RecordStep(int kind, const char* text, int total, int done, void* user) {
  static_cast<std::vector<Step>*>(user)->push_back({kind, text, total, done});
}

// An installation folder whose name holds trail bytes of 0x5C (表, ソ), a scratch
// registry key, and a log that removes keys below HKEY_CURRENT_USER.
class UninstallLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = scratch_.path() + "表示ソ\\";
    ASSERT_TRUE(CreateDirectoryA(install_.c_str(), nullptr));
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kScratchKey, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    log_.SetRegistryRoot(HKEY_CURRENT_USER);
    log_.SetOwnerWindow(GetDesktopWindow());
    request_.callback = &RecordStep;
    request_.user = &steps_;
    strcpy(request_.folder, install_.c_str());
  }
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
    SetFileAttributesA(TemporaryLog().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(TemporaryLog().c_str());
  }

  static std::string TemporaryLog() { return test::TempFolder() + "KazeTemp_Uninstall.tmp"; }
  std::string FinalLog() const { return install_ + "UnInst.dat"; }

  std::string MakeFolder(const std::string& relative) {
    std::string path = install_ + relative;
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    return path;
  }
  std::string MakeFile(const std::string& relative) {
    std::string path = install_ + relative;
    EXPECT_TRUE(WriteBytes(path, "data")) << path;
    return path;
  }
  std::string MakeKey(const std::string& name) {
    std::string path = std::string(kScratchKey) + "\\" + name;
    HKEY key;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    return path;
  }
  static bool KeyExists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  test::ScratchFolder scratch_{"KazeUninstallTest"};
  std::string install_;
  UninstallLog log_;
  RemovalRequest request_;
  std::vector<Step> steps_;
};

// One record as the format lays it out (the test below spells it out byte by byte): the
// tag, the room for the text (its length with at least one zero byte, rounded up to four)
// as 32 bits little-endian, then the text and its zero bytes.
std::string RecordBytes(const char* tag, const std::string& text) {
  const size_t room = (text.size() + 4) & ~static_cast<size_t>(3);
  std::string bytes(tag, 4);
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((room >> (8 * i)) & 0xFF);
  return bytes + text + std::string(room - text.size(), '\0');
}

TEST_F(UninstallLogTest, WritesTheRecordBytesOfTheFormat) {
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  EXPECT_EQ(ReadBytes(TemporaryLog()), std::string("KAZE_UNINST_DAT\x01", 16));
  EXPECT_EQ(log_.finalLogPath(), FinalLog());

  const std::string longest = install_ + std::string(255 - install_.size(), 'n');
  ASSERT_TRUE(log_.AppendEntry(LOG_FILE, "C:\\ab.cd"));      // 8 bytes
  ASSERT_TRUE(log_.AppendEntry(LOG_FOLD, "C:\\HD\\ab\\"));   // 9 bytes
  ASSERT_TRUE(log_.AppendEntry(LOG_REGS, "Soft\\K"));        // 6 bytes
  ASSERT_TRUE(log_.AppendEntry(LOG_DIRA, "C:\\表"));          // 5 bytes, ends in 0x5C
  ASSERT_TRUE(log_.AppendEntry(LOG_FILE, longest.c_str()));  // 255 bytes

  std::string expected("KAZE_UNINST_DAT\x01", 16);
  expected += std::string("FILE\x0C\0\0\0" "C:\\ab.cd\0\0\0\0", 20);
  expected += std::string("FOLD\x0C\0\0\0" "C:\\HD\\ab\\\0\0\0", 20);
  expected += std::string("REGS\x08\0\0\0" "Soft\\K\0\0", 16);
  expected += std::string("DIRA\x08\0\0\0" "C:\\\x95\x5C\0\0\0", 16);
  expected += std::string("FILE\x00\x01\0\0", 8) + longest + std::string(1, '\0');
  EXPECT_EQ(ReadBytes(TemporaryLog()), expected);
}

TEST_F(UninstallLogTest, RefusesTextsItCannotStoreWhole) {
  EXPECT_FALSE(log_.AppendEntry(LOG_FILE, "C:\\x")) << "before the log began";
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  const std::string tooLong(256, 'p');
  EXPECT_FALSE(log_.AppendEntry(LOG_FILE, tooLong.c_str()));
  EXPECT_FALSE(log_.AppendEntry(LOG_FILE, ""));
  EXPECT_FALSE(log_.AppendEntry(LOG_FILE, nullptr));
  EXPECT_FALSE(log_.AppendEntry(7, "C:\\x"));
  EXPECT_EQ(ReadBytes(TemporaryLog()).size(), 16u);
  EXPECT_FALSE(log_.BeginLog(std::string(259, 'f').c_str())) << "final path too long";
}

TEST_F(UninstallLogTest, CommitWritesAHiddenReadOnlyCopy) {
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  ASSERT_TRUE(log_.AppendEntry(LOG_FILE, "C:\\ab.cd"));
  const std::string bytes = ReadBytes(TemporaryLog());

  EXPECT_TRUE(log_.CommitLog());
  EXPECT_FALSE(Exists(TemporaryLog()));
  EXPECT_EQ(ReadBytes(FinalLog()), bytes);
  DWORD attributes = GetFileAttributesA(FinalLog().c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(log_.AppendEntry(LOG_FILE, "C:\\late")) << "the temporary log is gone";
  EXPECT_FALSE(log_.CommitLog()) << "nothing left to commit";
  EXPECT_EQ(ReadBytes(FinalLog()), bytes);
}

// A log already in the folder is another installation's: the commit neither replaces nor
// deletes it, and the rollback works from the temporary log.
TEST_F(UninstallLogTest, CommitLeavesAnotherInstallationsLogAlone) {
  WriteBytes(FinalLog(), "an older log");
  SetFileAttributesA(FinalLog().c_str(), FILE_ATTRIBUTE_READONLY);
  std::string file = MakeFile("a.dat");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  ASSERT_TRUE(log_.AppendEntry(LOG_FILE, file.c_str()));

  EXPECT_FALSE(log_.CommitLog());
  EXPECT_EQ(ReadBytes(FinalLog()), "an older log");
  EXPECT_TRUE(log_.RemoveLoggedItems(true, &request_));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(TemporaryLog()));
  EXPECT_EQ(ReadBytes(FinalLog()), "an older log");
  SetFileAttributesA(FinalLog().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(UninstallLogTest, FailedCommitKeepsTheTemporaryLogForTheRollback) {
  // A folder where the final log should go: it can be neither deleted nor replaced.
  ASSERT_TRUE(CreateDirectoryA(FinalLog().c_str(), nullptr));
  std::string file = MakeFile("a.dat");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  ASSERT_TRUE(log_.AppendEntry(LOG_FILE, file.c_str()));

  EXPECT_FALSE(log_.CommitLog());
  EXPECT_EQ(ReadBytes(TemporaryLog()).size(), 16u + 8 + 4 * (file.size() / 4 + 1));
  EXPECT_TRUE(log_.RemoveLoggedItems(true, &request_));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(TemporaryLog()));
}

TEST_F(UninstallLogTest, RollbackRemovesFilesThenFoldersInReverseThenKeys) {
  std::string hd = MakeFolder("HD\\");
  std::string cdFiles = MakeFolder("HD\\CDFiles\\");
  std::string mask = MakeFolder("HD\\Mask\\");
  std::string readOnly = MakeFile("HD\\CDFiles\\read.only");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string image = MakeFile("HD\\Mask\\マスク表.bmp");
  std::string key1 = MakeKey("First");
  std::string key2 = MakeKey("Second");

  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  for (auto [type, text] : std::vector<std::pair<int, std::string>>{
           {LOG_FOLD, hd}, {LOG_REGS, key1}, {LOG_FOLD, cdFiles}, {LOG_FILE, readOnly},
           {LOG_FOLD, mask}, {LOG_FILE, image}, {LOG_REGS, key2}}) {
    ASSERT_TRUE(log_.AppendEntry(type, text.c_str())) << text;
  }
  ASSERT_TRUE(log_.CommitLog());
  ASSERT_TRUE(log_.RemoveLoggedItems(false, &request_));

  const std::vector<Step> expected = {
      {0, readOnly, 7, 1}, {0, image, 7, 2}, {0, mask, 7, 3},  {0, cdFiles, 7, 4},
      {0, hd, 7, 5},       {3, key1, 7, 6},  {3, key2, 7, 7},  {4, "", 7, 7}};
  ASSERT_EQ(steps_.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(steps_[i].kind, expected[i].kind) << i;
    EXPECT_EQ(steps_[i].text, expected[i].text) << i;
    EXPECT_EQ(steps_[i].total, expected[i].total) << i;
    EXPECT_EQ(steps_[i].done, expected[i].done) << i;
  }
  for (const std::string& path : {readOnly, image, mask, cdFiles, hd, FinalLog(), TemporaryLog()}) {
    EXPECT_FALSE(Exists(path)) << path;
  }
  EXPECT_FALSE(KeyExists(key1));
  EXPECT_FALSE(KeyExists(key2));
  EXPECT_TRUE(Exists(install_)) << "the installation folder was not recorded";
  for (int type = 0; type < kLogEntryTypes; ++type) EXPECT_TRUE(log_.entries(type).empty());
}

TEST_F(UninstallLogTest, FolderHoldingAForeignFileSurvivesWithItsParents) {
  std::string hd = MakeFolder("HD\\");
  std::string mask = MakeFolder("HD\\Mask\\");
  std::string logged = MakeFile("HD\\Mask\\logged.bmp");
  std::string foreign = MakeFile("HD\\Mask\\user.sav");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FOLD, hd.c_str());
  log_.AppendEntry(LOG_FOLD, mask.c_str());
  log_.AppendEntry(LOG_FILE, logged.c_str());
  ASSERT_TRUE(log_.CommitLog());

  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(logged));
  EXPECT_TRUE(Exists(foreign));
  EXPECT_TRUE(Exists(mask));
  EXPECT_TRUE(Exists(hd));
  EXPECT_FALSE(Exists(FinalLog()));
}

TEST_F(UninstallLogTest, FolderTreeIsEmptiedWithAStepForEachEntry) {
  std::string tree = MakeFolder("Tree");  // recorded without its backslash
  MakeFolder("Tree\\Sub\\");
  std::string inner = MakeFile("Tree\\Sub\\f.dat");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_DIRA, tree.c_str());
  ASSERT_TRUE(log_.CommitLog());

  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(tree));
  ASSERT_EQ(steps_.size(), 4u);
  EXPECT_EQ(steps_[0].text, tree);
  EXPECT_EQ(steps_[1].text, tree + "\\Sub");
  EXPECT_EQ(steps_[2].text, inner);
  EXPECT_EQ(steps_[3].kind, 4);
  EXPECT_EQ(steps_[3].done, 3);
  EXPECT_EQ(steps_[3].total, 1);
}

// Runs a host program with Unix paths as its arguments (Wine runs Unix programs); waits
// until done(), since the process handle of a Unix program does not wait for it.
template <typename Done>
bool RunHostCommand(const char* program, const std::vector<std::string>& paths, Done done) {
  using UnixNameFn = char*(__cdecl*)(const wchar_t*);
  auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return false;
  std::string command = program;
  for (const std::string& path : paths) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* name = unixName(wide);
    if (name == nullptr) return false;
    command += std::string(" \"") + name + "\"";
    HeapFree(GetProcessHeap(), 0, name);
  }
  std::vector<wchar_t> wide(command.size() + 1);
  MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // A limit that only a hang reaches: a loaded machine may take seconds to start it.
  for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(50)) {
    if (done()) return true;
  }
  return done();
}

// Symbolic links to folders, which Wine shows as folders with FILE_ATTRIBUTE_REPARSE_POINT;
// removed again at the end so that the scratch folders can go.
class FolderLinks {
 public:
  FolderLinks() = default;
  FolderLinks(const FolderLinks&) = delete;
  FolderLinks& operator=(const FolderLinks&) = delete;
  ~FolderLinks() {
    for (const std::string& link : links_) {
      RunHostCommand("Z:\\bin\\rm -f", {link}, [&] { return !Exists(link); });
    }
  }
  // False where no such link can be made.
  bool Make(const std::string& link, const std::string& target) {
    links_.push_back(link);
    return RunHostCommand("Z:\\bin\\ln -s", {target, link}, [&] {
      DWORD attributes = GetFileAttributesA(link.c_str());
      return attributes != INVALID_FILE_ATTRIBUTES &&
             (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    });
  }

 private:
  std::vector<std::string> links_;
};

TEST_F(UninstallLogTest, FolderTreeRemovalNeverFollowsALinkOutOfTheTree) {
  test::ScratchFolder outside("KazeUninstallOutside");
  std::string kept = outside.Write("user.sav", "mine");
  std::string tree = MakeFolder("Tree\\");
  std::string inner = MakeFile("Tree\\f.dat");
  std::string linkedTree = install_ + "Linked";
  FolderLinks links;
  // Every Windows that installs games makes them (and Wine): a machine that cannot is
  // broken, and this guard would go untested.
  ASSERT_TRUE(links.Make(tree + "Elsewhere", outside.path()) &&
              links.Make(linkedTree, outside.path()))
      << "no folder link could be made";
  const std::string throughLink = linkedTree + "\\user.sav";
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_DIRA, tree.c_str());
  log_.AppendEntry(LOG_DIRA, linkedTree.c_str());
  log_.AppendEntry(LOG_FILE, throughLink.c_str());
  ASSERT_TRUE(log_.CommitLog());

  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(inner));
  EXPECT_TRUE(Exists(kept)) << "a file behind a link was deleted";
  EXPECT_EQ(ReadBytes(kept), "mine");
  EXPECT_EQ(log_.report().refused, std::vector<std::string>{throughLink});
}

TEST_F(UninstallLogTest, LogsThatRecordNothingAreDeletedAndNothingElseIsTouched) {
  std::string bystander = MakeFile("keep.me");
  std::string wrongFormat("KAZE_UNINST_DAT\x02", 16);
  wrongFormat += std::string("FILE\x08\0\0\0", 8) + bystander + std::string(1, '\0');
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"header only", std::string("KAZE_UNINST_DAT\x01", 16)},
      {"wrong format byte", wrongFormat},
      {"shorter than a header", "KAZE_UNINST"},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(FinalLog(), c.bytes));
    EXPECT_FALSE(log_.RemoveLoggedItems(false, &request_)) << c.name;
    EXPECT_FALSE(Exists(FinalLog())) << c.name;
    EXPECT_TRUE(Exists(bystander)) << c.name;
  }
  // The uninstaller leaves a log it cannot read as it found it.
  request_.keepIncompleteLog = true;
  for (const Case& c : cases) {
    if (c.bytes.size() == 16) continue;
    ASSERT_TRUE(WriteBytes(FinalLog(), c.bytes));
    EXPECT_FALSE(log_.RemoveLoggedItems(false, &request_)) << c.name;
    EXPECT_EQ(log_.logState(), LogState::kInvalid) << c.name;
    EXPECT_EQ(ReadBytes(FinalLog()), c.bytes) << c.name;
  }
  SetFileAttributesA(FinalLog().c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(FinalLog().c_str());
  // The header-only log of an installation cancelled before it created anything.
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  ASSERT_TRUE(log_.CommitLog());
  EXPECT_FALSE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(FinalLog()));
  EXPECT_TRUE(Exists(bystander));
  EXPECT_TRUE(steps_.empty());
}

TEST_F(UninstallLogTest, FolderWithoutBackslashStillNamesItsOwnLog) {
  std::string file = MakeFile("a.dat");
  // What the log path would be if the name were glued to the folder's.
  std::string glued = install_.substr(0, install_.size() - 1) + "UnInst.dat";
  ASSERT_TRUE(WriteBytes(glued, "not ours"));
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FILE, file.c_str());
  ASSERT_TRUE(log_.CommitLog());
  request_.folder[install_.size() - 1] = '\0';

  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(FinalLog()));
  EXPECT_EQ(ReadBytes(glued), "not ours");
}

TEST_F(UninstallLogTest, NoRemovalWithoutAnOwnerWindow) {
  std::string file = MakeFile("a.dat");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FILE, file.c_str());
  ASSERT_TRUE(log_.CommitLog());
  log_.SetOwnerWindow(nullptr);
  EXPECT_FALSE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_TRUE(Exists(file));
  EXPECT_TRUE(Exists(FinalLog()));
}

TEST_F(UninstallLogTest, LogCutShortRemovesTheRecordsBeforeTheCut) {
  std::string first = MakeFile("first.dat");
  std::string second = MakeFile("second.dat");
  std::string behind = MakeFile("behind.dat");
  auto record = [](const std::string& text) {
    std::string field = text + std::string(4 - text.size() % 4, '\0');
    char length[4] = {static_cast<char>(field.size()), 0, 0, 0};
    return std::string("FILE") + std::string(length, 4) + field;
  };
  struct Case {
    const char* name;
    std::string tail;
  } cases[] = {
      {"length beyond the end", std::string("FILE\xF0\0\0\0", 8) + behind},
      {"length over 256", std::string("FILE\x04\x01\0\0", 8) + std::string(260, 'x')},
      {"text cut short", record(behind).substr(0, 12)},
      {"tag cut short", "FI"},
  };
  for (const Case& c : cases) {
    WriteBytes(first, "data");
    WriteBytes(second, "data");
    std::string bytes = std::string("KAZE_UNINST_DAT\x01", 16) + record(first) + record(second) +
                        c.tail + record(behind);
    ASSERT_TRUE(WriteBytes(FinalLog(), bytes));
    EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_)) << c.name;
    EXPECT_FALSE(Exists(first)) << c.name;
    EXPECT_FALSE(Exists(second)) << c.name;
    EXPECT_TRUE(Exists(behind)) << c.name;
    EXPECT_FALSE(Exists(FinalLog())) << c.name;
  }
}

TEST_F(UninstallLogTest, ReadEntriesReportsALogHeldByAnotherProgram) {
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FILE, "C:\\x.dat");
  ASSERT_TRUE(log_.CommitLog());
  HANDLE holder = CreateFileA(FinalLog().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  test::PromptRecorder prompts;
  EXPECT_FALSE(log_.ReadEntries(FinalLog().c_str()));
  CloseHandle(holder);

  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].caption, "アンインストールエラー");
  EXPECT_EQ(prompts.messages()[0].text,
            "アンインストール情報ファイル [" + FinalLog() +
                "] が展開できません。\n他のアプリケーション中で開かれている可能性があります。");
  EXPECT_EQ(prompts.messages()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(log_.entries(LOG_FILE).empty());
  EXPECT_TRUE(Exists(FinalLog()));
}

TEST_F(UninstallLogTest, ALogThatCannotBeOpenedIsNeverDeleted) {
  std::string file = MakeFile("a.dat");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FILE, file.c_str());
  ASSERT_TRUE(log_.CommitLog());
  std::string bytes = ReadBytes(FinalLog());
  for (bool keep : {false, true}) {
    request_.keepIncompleteLog = keep;
    HANDLE holder = CreateFileA(FinalLog().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    test::PromptRecorder prompts;
    EXPECT_FALSE(log_.RemoveLoggedItems(false, &request_));
    CloseHandle(holder);
    EXPECT_EQ(log_.logState(), LogState::kLocked);
    EXPECT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(ReadBytes(FinalLog()), bytes) << keep;
    EXPECT_TRUE(Exists(file)) << keep;
  }
  // Another program that only reads it does not stand in the way.
  HANDLE reader = CreateFileA(FinalLog().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  CloseHandle(reader);
  EXPECT_FALSE(Exists(file));
}

// Records that point outside the installation, as a log edited by someone else would
// hold them: none is acted on, each is told, and what is the installation's still goes.
TEST_F(UninstallLogTest, RecordsOutsideTheInstallationAreToldAndNeverActedOn) {
  test::ScratchFolder outside("KazeUninstallOutside");
  std::string document = outside.Write("document.txt", "the user's");
  std::string tree = outside.path() + "Tree\\";
  ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
  std::string inTree = tree + "letter.txt";
  ASSERT_TRUE(WriteBytes(inTree, "mine"));
  std::string emptyFolder = outside.path() + "Empty\\";
  ASSERT_TRUE(CreateDirectoryA(emptyFolder.c_str(), nullptr));
  std::string ours = MakeFile("ours.dat");
  std::string other = MakeKey("Other");
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, other.c_str(), &key), ERROR_SUCCESS);
  RegSetValueExA(key, "install", 0, REG_SZ, reinterpret_cast<const BYTE*>("D:\\Other\\"), 10);
  RegCloseKey(key);
  std::string above = scratch_.Write("above.txt", "beside the installation");
  const std::string dots = install_ + "..\\above.txt";
  struct Case {
    int type;
    std::string text;
    std::string shown;  // as the report names it
  } cases[] = {
      {LOG_FILE, document, document},
      {LOG_FILE, dots, dots},
      {LOG_DIRA, tree, tree},
      {LOG_DIRA, install_, install_},
      {LOG_FOLD, emptyFolder, emptyFolder},
      {LOG_REGS, other, "HKEY_LOCAL_MACHINE\\" + other},
      {LOG_REGS, "Software", "HKEY_LOCAL_MACHINE\\Software"},
  };
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FILE, ours.c_str());
  for (const Case& c : cases) ASSERT_TRUE(log_.AppendEntry(c.type, c.text.c_str())) << c.text;
  log_.AppendEntry(LOG_FILE, ours.c_str());  // a record repeated does no harm
  ASSERT_TRUE(log_.CommitLog());

  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(ours));
  EXPECT_EQ(ReadBytes(document), "the user's");
  EXPECT_EQ(ReadBytes(above), "beside the installation");
  EXPECT_EQ(ReadBytes(inTree), "mine");
  EXPECT_TRUE(Exists(emptyFolder));
  EXPECT_TRUE(Exists(install_));
  EXPECT_TRUE(KeyExists(other));
  EXPECT_TRUE(KeyExists(kScratchKey));
  std::vector<std::string> refused = log_.report().refused;
  std::vector<std::string> shown;
  for (const Case& c : cases) {
    if (c.type != LOG_REGS) shown.push_back(c.shown);
  }
  for (const Case& c : cases) {
    if (c.type == LOG_REGS) shown.push_back(c.shown);
  }
  // Files and trees in log order, folders from the last, then keys.
  EXPECT_EQ(refused, shown);
  EXPECT_TRUE(log_.report().failed.empty());
  EXPECT_FALSE(log_.report().complete());
}

// Program Files stays even as an empty parent that a record names. Windows 95, 98 and
// NT 4.0 name it only in ProgramFilesDir (Wine's shell reads the same value): here it is
// the folder that holds the installation.
TEST_F(UninstallLogTest, ProgramFilesStaysEvenAsAnEmptyRecordedParent) {
  const char kVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVersionKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          &key),
            ERROR_SUCCESS);
  char saved[MAX_PATH + 1] = {};
  DWORD savedSize = sizeof saved;
  ASSERT_EQ(RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(saved), &savedSize),
            ERROR_SUCCESS);
  std::string programFiles = scratch_.path();
  std::string value = programFiles.substr(0, programFiles.size() - 1);  // as Windows keeps it
  RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));

  std::string file = MakeFile("game.exe");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FOLD, programFiles.c_str());
  log_.AppendEntry(LOG_FOLD, install_.c_str());
  log_.AppendEntry(LOG_FILE, file.c_str());
  ASSERT_TRUE(log_.CommitLog());
  bool removed = log_.RemoveLoggedItems(false, &request_);
  RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved),
                 savedSize);
  RegCloseKey(key);

  EXPECT_TRUE(removed);
  EXPECT_FALSE(Exists(install_));
  EXPECT_TRUE(Exists(programFiles));
  EXPECT_EQ(log_.report().refused, std::vector<std::string>{programFiles});
}

// A key goes when its "install" value names this installation's folder, or when it holds
// nothing at all (a parent key the installation made); never while it holds keys.
TEST_F(UninstallLogTest, KeysGoOnlyWhenTheyAreThisInstallations) {
  auto setInstall = [](const std::string& path, const std::string& folder) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    RegSetValueExA(key, "install", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
  };
  std::string maker = MakeKey("Maker");
  std::string product = MakeKey("Maker\\Product");
  setInstall(product, install_.substr(0, install_.size() - 1));  // without its backslash
  std::string sharedMaker = MakeKey("Shared");
  std::string ownProduct = MakeKey("Shared\\Own");
  setInstall(ownProduct, install_);
  std::string foreignProduct = MakeKey("Shared\\Foreign");
  setInstall(foreignProduct, "C:\\Foreign\\");
  // The game's settings below its own key go with it; another installation's key below
  // it keeps the key, and the removal says so.
  std::string withSubkey = MakeKey("Grown");
  setInstall(withSubkey, install_);
  std::string grownChild = MakeKey("Grown\\Settings");
  std::string grownDeeper = MakeKey("Grown\\Settings\\Window");
  HKEY settings;
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, grownDeeper.c_str(), &settings), ERROR_SUCCESS);
  RegSetValueExA(settings, "Width", 0, REG_SZ, reinterpret_cast<const BYTE*>("640"), 4);
  RegCloseKey(settings);
  std::string hosting = MakeKey("Hosting");
  setInstall(hosting, install_);
  std::string hostedProduct = MakeKey("Hosting\\Saves\\Other");
  setInstall(hostedProduct, "C:\\Other\\");

  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  for (const std::string& key :
       {product, maker, ownProduct, sharedMaker, withSubkey, hosting}) {
    log_.AppendEntry(LOG_REGS, key.c_str());
  }
  ASSERT_TRUE(log_.CommitLog());
  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));

  EXPECT_FALSE(KeyExists(product));
  EXPECT_FALSE(KeyExists(maker)) << "the maker's key, empty once its product went";
  EXPECT_FALSE(KeyExists(ownProduct));
  EXPECT_TRUE(KeyExists(foreignProduct));
  EXPECT_TRUE(KeyExists(sharedMaker)) << "it still holds another product";
  EXPECT_FALSE(KeyExists(withSubkey)) << "the game's settings kept its key for good";
  EXPECT_TRUE(KeyExists(hostedProduct));
  EXPECT_TRUE(KeyExists(hosting));
  EXPECT_TRUE(log_.report().failed.empty());
  EXPECT_EQ(log_.report().refused,
            std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\KazeTestUninstall\\Hosting"});
}

// A file in use: the removal says so, keeps the log with what remains, and a later run
// after the file was let go finishes the work.
TEST_F(UninstallLogTest, AnIncompleteRemovalKeepsWhatRemainsForALaterRun) {
  std::string data = MakeFolder("Data\\");
  std::string held = MakeFile("Data\\held.dat");
  std::string free = MakeFile("Data\\free.dat");
  std::string top = MakeFile("top.dat");
  ASSERT_TRUE(log_.BeginLog(install_.c_str()));
  log_.AppendEntry(LOG_FOLD, data.c_str());
  log_.AppendEntry(LOG_FILE, held.c_str());
  log_.AppendEntry(LOG_FILE, free.c_str());
  log_.AppendEntry(LOG_FILE, top.c_str());
  ASSERT_TRUE(log_.CommitLog());
  request_.keepIncompleteLog = true;
  // Read-only files go; one that cannot go keeps its attributes.
  SetFileAttributesA(held.c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(free.c_str(), FILE_ATTRIBUTE_READONLY);
  const DWORD heldAttributes = GetFileAttributesA(held.c_str());  // as the file system reads them
  ASSERT_TRUE(heldAttributes & FILE_ATTRIBUTE_READONLY);

  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  CloseHandle(holder);
  EXPECT_EQ(log_.report().failed, std::vector<std::string>{held});
  EXPECT_TRUE(Exists(held));
  EXPECT_EQ(GetFileAttributesA(held.c_str()), heldAttributes);
  EXPECT_FALSE(Exists(free));
  EXPECT_FALSE(Exists(top));
  EXPECT_EQ(ReadBytes(FinalLog()), std::string("KAZE_UNINST_DAT\x01", 16) +
                                      RecordBytes("FOLD", data) + RecordBytes("FILE", held));
  EXPECT_EQ(GetFileAttributesA(FinalLog().c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));

  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_TRUE(log_.report().complete());
  EXPECT_FALSE(Exists(held));
  EXPECT_FALSE(Exists(data));
  EXPECT_FALSE(Exists(FinalLog()));
}

// A broken end is told, and kept as it stands for the uninstaller.
TEST_F(UninstallLogTest, ABrokenEndIsToldAndKept) {
  std::string first = MakeFile("first.dat");
  std::string broken("FILE\xF0\0\0\0abc", 11);
  std::string bytes = std::string("KAZE_UNINST_DAT\x01", 16) + RecordBytes("FILE", first) + broken;
  ASSERT_TRUE(WriteBytes(FinalLog(), bytes));
  request_.keepIncompleteLog = true;
  EXPECT_TRUE(log_.RemoveLoggedItems(false, &request_));
  EXPECT_FALSE(Exists(first));
  EXPECT_TRUE(log_.report().damaged);
  SetFileAttributesA(FinalLog().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(FinalLog()), std::string("KAZE_UNINST_DAT\x01", 16) + broken);
}

}  // namespace
}  // namespace kaze
