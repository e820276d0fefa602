// The run journal under Wine: a run cut off at any point is put back from its records
// alone, twice without harm; records a hostile program planted are refused and named; a
// kept file that cannot go back is named with its place and goes back the next time.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "engine/KeptFiles.h"
#include "tests/support/ScratchFiles.h"
#include "uninstall/JournalRecords.h"
#include "uninstall/RunJournal.h"

namespace kaze {
namespace {

using test::Exists;
using test::ReadBytes;
using test::RemoveTree;
using test::WriteBytes;

const char kRoot[] = "C:\\kaze-journal\\";
const char kInstall[] = "C:\\kaze-journal\\表示ソ\\";  // 表 and ソ end in 0x5C
const char kOutside[] = "C:\\kaze-outside\\";
const char kKey[] = "Software\\KazeJournalTest";

std::string Install(const std::string& relative) { return std::string(kInstall) + relative; }

bool KeyExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

// "type:data" of a value, "" when it is missing.
std::string Value(const std::string& key, const char* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return "";
  }
  char data[256] = {};
  DWORD type = 0;
  DWORD size = sizeof data;
  LONG status = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS) return "";
  return std::to_string(type) + ":" + std::string(data, size);
}

void SetValue(const std::string& key, const char* name, DWORD type, const std::string& data) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                 static_cast<DWORD>(data.size()));
  RegCloseKey(handle);
}

// Every file and folder below a folder with its bytes and attributes, one text per entry.
std::vector<std::string> Snapshot(const std::string& folder) {
  std::vector<std::string> entries;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entries.push_back(path + "\\");
      for (const std::string& inner : Snapshot(path + "\\")) entries.push_back(inner);
    } else {
      entries.push_back(path + " " + std::to_string(found.dwFileAttributes) + " " + ReadBytes(path));
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return entries;
}

class RunJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(kRoot, nullptr);
    ASSERT_TRUE(CreateDirectoryA(kInstall, nullptr));
    ASSERT_TRUE(WriteBytes(Install("save.dat"), "the user's save"));
    SetFileAttributesA(Install("save.dat").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetValue(kKey, "v", REG_SZ, std::string("old", 4));
    CreateDirectoryA(kOutside, nullptr);
    ASSERT_TRUE(WriteBytes(std::string(kOutside) + "victim.txt", "not the installer's"));
    CreateDirectoryA((std::string(kOutside) + "empty\\").c_str(), nullptr);
    temp_ = test::TempFolder();
  }
  void TearDown() override {
    RemoveTree(kRoot);
    RemoveTree(kOutside);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kRunMarkerKey);
  }

  // The machine as the tests look at it.
  std::vector<std::string> Machine() const {
    std::vector<std::string> state = Snapshot(kRoot);
    for (const std::string& entry : Snapshot(kOutside)) state.push_back(entry);
    for (const std::string& entry : Snapshot(temp_)) state.push_back(entry);
    state.push_back("v=" + Value(kKey, "v"));
    state.push_back("n=" + Value(kKey, "n"));
    state.push_back(std::string("made=") + (KeyExists(std::string(kKey) + "\\Made") ? "yes" : "no"));
    state.push_back(std::string("marker=") + (KeyExists(kRunMarkerKey) ? "yes" : "no"));
    return state;
  }

  // A run as the engine makes one, every change recorded first, then cut off.
  void RunUntilCutOff(RunJournal& journal, bool finish = false) {
    ASSERT_TRUE(journal.Begin(kInstall, "", ""));
    KeptFiles kept(kInstall, &journal);
    ASSERT_TRUE(kept.KeepBeforeWriting(Install("save.dat")));
    ASSERT_TRUE(WriteBytes(Install("save.dat"), "the run's save"));
    ASSERT_TRUE(journal.FolderToBeMade(Install("Sub\\")));
    ASSERT_TRUE(CreateDirectoryA(Install("Sub\\").c_str(), nullptr));
    ASSERT_TRUE(journal.FileToBeMade(Install("Sub\\新規ソ.txt")));
    ASSERT_TRUE(WriteBytes(Install("Sub\\新規ソ.txt"), "half a fi"));
    // A copy announces its file before the folders it makes for it.
    ASSERT_TRUE(journal.FileToBeMade(Install("Late\\f.txt")));
    ASSERT_TRUE(journal.FolderToBeMade(Install("Late\\")));
    ASSERT_TRUE(CreateDirectoryA(Install("Late\\").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(Install("Late\\f.txt"), "copied"));
    ASSERT_TRUE(journal.FileToBeMade(journal.folder() + "cab32.dll"));
    ASSERT_TRUE(WriteBytes(journal.folder() + "cab32.dll", "staged"));
    std::string made = std::string(kKey) + "\\Made";
    ASSERT_TRUE(journal.KeyToBeMade(made));
    ASSERT_TRUE(journal.ValueToBeSet(made, "x"));
    SetValue(made, "x", REG_SZ, "y");
    ASSERT_TRUE(journal.ValueToBeSet(kKey, "v"));
    SetValue(kKey, "v", REG_SZ, std::string("new", 4));
    ASSERT_TRUE(journal.ValueToBeSet(kKey, "n"));
    SetValue(kKey, "n", REG_DWORD, std::string("\x01\0\0\0", 4));
    // A record of a change that was never made: nothing to put back for it.
    ASSERT_TRUE(journal.FileToBeMade(Install("never.txt")));
    if (finish) {
      ASSERT_TRUE(journal.Finished());
    }
    journal.Close();
  }

  std::string temp_;
};

TEST_F(RunJournalTest, ACutOffRunIsPutBackFromItsJournalAloneAndTwiceChangesNothing) {
  const std::vector<std::string> before = Machine();
  RunJournal journal;
  RunUntilCutOff(journal);
  ASSERT_NE(Machine(), before);
  std::string found;
  ASSERT_TRUE(FindUnfinishedRun(&found));
  EXPECT_EQ(found, journal.path());
  const std::string journalBytes = ReadBytes(found);

  PutBackOutcome outcome = PutBackRun(found);
  EXPECT_FALSE(outcome.finishedRun);
  EXPECT_TRUE(outcome.report.complete()) << FormatPutBackReport("", outcome.report, "");
  EXPECT_EQ(Machine(), before);
  EXPECT_FALSE(FindUnfinishedRun(&found));

  // The same put-back cut off after its last step and done again: nothing changes.
  ASSERT_TRUE(CreateDirectoryA(journal.folder().c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(journal.path(), journalBytes));
  SetValue(kRunMarkerKey, kRunMarkerValue, REG_SZ, journal.path() + '\0');
  outcome = PutBackRun(journal.path());
  EXPECT_TRUE(outcome.report.complete()) << FormatPutBackReport("", outcome.report, "");
  EXPECT_EQ(Machine(), before);
}

// Cut off between the marker and the journal: only the run's folder can be there.
TEST_F(RunJournalTest, AMarkerWithoutItsJournalTakesOnlyTheRunFolder) {
  const std::vector<std::string> before = Machine();
  std::string folder = temp_ + "KzSetup0C0F\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  SetValue(kRunMarkerKey, kRunMarkerValue, REG_SZ, folder + kRunJournalName + '\0');
  std::string found;
  ASSERT_TRUE(FindUnfinishedRun(&found));
  PutBackOutcome outcome = PutBackRun(found);
  EXPECT_TRUE(outcome.report.complete());
  EXPECT_EQ(Machine(), before);
}

TEST_F(RunJournalTest, AFinishedRunLosesOnlyItsLeftovers) {
  RunJournal journal;
  RunUntilCutOff(journal, true);
  std::string keepFolder;
  for (const std::string& entry : Snapshot(kInstall)) {
    if (entry.find("KzKeep") != std::string::npos && entry.back() == '\\') keepFolder = entry;
  }
  ASSERT_FALSE(keepFolder.empty());
  PutBackOutcome outcome = PutBackRun(journal.path());
  EXPECT_TRUE(outcome.finishedRun);
  EXPECT_TRUE(outcome.report.complete());
  EXPECT_EQ(ReadBytes(Install("save.dat")), "the run's save");
  EXPECT_TRUE(Exists(Install("Sub\\新規ソ.txt")));
  EXPECT_EQ(Value(kKey, "v"), "1:" + std::string("new", 4));
  EXPECT_FALSE(Exists(keepFolder)) << "the user's replaced file was kept";
  EXPECT_FALSE(Exists(journal.folder()));
  EXPECT_FALSE(KeyExists(kRunMarkerKey));
}

TEST_F(RunJournalTest, AJournalStillBeingWrittenIsLeftAlone) {
  RunJournal journal;
  ASSERT_TRUE(journal.Begin(kInstall, "", ""));
  ASSERT_TRUE(journal.FolderToBeMade(Install("Sub\\")));
  ASSERT_TRUE(CreateDirectoryA(Install("Sub\\").c_str(), nullptr));
  const std::vector<std::string> during = Machine();
  PutBackOutcome outcome = PutBackRun(journal.path());
  EXPECT_TRUE(outcome.inUse);
  EXPECT_EQ(Machine(), during);
  journal.Close();
  EXPECT_TRUE(PutBackRun(journal.path()).report.complete());
  EXPECT_FALSE(Exists(Install("Sub\\")));
}

TEST_F(RunJournalTest, AKeptFileThatCannotGoBackIsNamedWithItsPlaceAndGoesBackNextTime) {
  const std::vector<std::string> before = Machine();
  RunJournal journal;
  RunUntilCutOff(journal);
  std::string kept;
  for (const std::string& entry : Snapshot(kInstall)) {
    if (entry.find("\\00001 ") != std::string::npos) kept = entry.substr(0, entry.find(' '));
  }
  ASSERT_FALSE(kept.empty());
  HANDLE held = CreateFileA(kept.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  PutBackOutcome outcome = PutBackRun(journal.path());
  ASSERT_EQ(outcome.report.failed.size(), 1u);
  EXPECT_EQ(outcome.report.failed[0].what, Install("save.dat"));
  EXPECT_EQ(outcome.report.failed[0].where, kept);
  std::string text = FormatPutBackReport("", outcome.report, "");
  EXPECT_NE(text.find(Install("save.dat") + "（現在の場所: " + kept + "）"), std::string::npos);
  std::string found;
  EXPECT_TRUE(FindUnfinishedRun(&found)) << "the records went with a failed put-back";
  EXPECT_TRUE(Exists(kept));
  // No new run starts over the marker of one that is not put back yet.
  RunJournal next;
  EXPECT_FALSE(next.Begin(kInstall, "", ""));
  EXPECT_TRUE(next.unfinishedEarlier());
  std::string still;
  EXPECT_TRUE(FindUnfinishedRun(&still));
  EXPECT_EQ(still, found);
  CloseHandle(held);

  outcome = PutBackRun(found);
  EXPECT_TRUE(outcome.report.complete()) << FormatPutBackReport("", outcome.report, "");
  EXPECT_EQ(Machine(), before);
}

// A journal is a file anyone could write on Windows 9x: each record is checked against the
// installation's places first, and what lies outside is named and left as it is.
TEST_F(RunJournalTest, PlantedRecordsOutsideTheInstallationAreRefusedAndNamed) {
  const std::string outside = std::string(kOutside) + "victim.txt";
  const std::string outsideFolder = std::string(kOutside) + "empty\\";
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string keptInside = Install("KzKeep0001\\00001");
  ASSERT_TRUE(CreateDirectoryA(Install("KzKeep0001\\").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(keptInside, "planted"));
  auto record = [](JournalKind kind, std::string path, std::string second = "") {
    JournalRecord r;
    r.kind = kind;
    r.path = std::move(path);
    r.second = std::move(second);
    return r;
  };
  struct Case {
    const char* what;
    std::string installFolder;
    JournalRecord planted;
    std::string named;
  } cases[] = {
      {"a file outside", kInstall, record(JournalKind::kFileMade, outside), outside},
      {"a file led out by dots", kInstall,
       record(JournalKind::kFileMade, Install("..\\..\\kaze-outside\\victim.txt")),
       Install("..\\..\\kaze-outside\\victim.txt")},
      {"a folder outside", kInstall, record(JournalKind::kFolderMade, outsideFolder), outsideFolder},
      {"a kept file sent outside", kInstall, record(JournalKind::kFileKept, outside, keptInside),
       keptInside + " → " + outside},
      {"a kept place outside the keep folder", kInstall,
       record(JournalKind::kFileKept, Install("save.dat"), outside), outside + " → " + Install("save.dat")},
      {"a key outside Software", kInstall, record(JournalKind::kKeyMade, "System\\CurrentControlSet"),
       "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet"},
      {"the Windows folder as the installation", std::string(windows) + "\\",
       record(JournalKind::kFileMade, std::string(windows) + "\\win.ini"),
       std::string(windows) + "\\win.ini"},
      {"a drive's root as the installation", "C:\\", record(JournalKind::kFileMade, outside), outside},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::string> before = Machine();
    const std::string windowsIni = ReadBytes(std::string(windows) + "\\win.ini");
    std::string folder = temp_ + "KzSetupBAD0\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::vector<unsigned char> bytes(kJournalHeader, kJournalHeader + kJournalHeaderSize);
    ASSERT_TRUE(EncodeJournalRecord(record(JournalKind::kInstall, c.installFolder), &bytes));
    ASSERT_TRUE(EncodeJournalRecord(c.planted, &bytes));
    ASSERT_TRUE(WriteBytes(folder + kRunJournalName, std::string(bytes.begin(), bytes.end())));
    SetValue(kRunMarkerKey, kRunMarkerValue, REG_SZ, folder + kRunJournalName + '\0');

    PutBackOutcome outcome = PutBackRun(folder + kRunJournalName);
    EXPECT_EQ(outcome.report.refused, std::vector<std::string>{c.named});
    EXPECT_TRUE(outcome.report.failed.empty());
    EXPECT_EQ(Machine(), before);
    EXPECT_EQ(ReadBytes(std::string(windows) + "\\win.ini"), windowsIni);
    EXPECT_TRUE(Exists(keptInside));
  }
  // A marker naming no journal of this program: named, and the file it names left alone.
  SetValue(kRunMarkerKey, kRunMarkerValue, REG_SZ, outside + '\0');
  std::string found;
  ASSERT_TRUE(FindUnfinishedRun(&found));
  PutBackOutcome outcome = PutBackRun(found);
  EXPECT_EQ(outcome.report.refused, std::vector<std::string>{outside});
  EXPECT_EQ(ReadBytes(outside), "not the installer's");
  EXPECT_FALSE(FindUnfinishedRun(&found));
}

}  // namespace
}  // namespace kaze
