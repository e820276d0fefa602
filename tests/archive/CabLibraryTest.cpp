// CabLibrary driving our cab32.dll, an incomplete build of it, and a scripted stand-in
// for the answers ours never gives.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "CabTestSupport.h"
#include "tests/support/PromptRecorder.h"
#include "archive/CabLibrary.h"

namespace kaze::test {
namespace {

const UINT kErrorStyle = MB_OK | MB_ICONERROR;

struct Notice {
  int code;
  int noticeValue;
  uint32_t fileCount;
  std::string destination;
  std::string created;
  CabExtractRecord figures;
};

class RecordingCallback : public CabProgressCallback {
 public:
  int OnCabNotice(int code, int noticeValue, uint32_t fileCount, CabExtractRecord* r) override {
    notices.push_back({code, noticeValue, fileCount, r->destinationPath,
                       r->createdFolder ? r->createdFolder : "", *r});
    if (cancelCode == code && --cancelCountdown == 0) return 0;
    return 1;
  }
  // The notices as letters, a run of progress notices as one P:
  // D folder created, B begin, P progress, E end, F failed, X finished.
  std::string Shape() const {
    std::string s;
    for (const Notice& n : notices) {
      char c = "BPFEXD"[n.code];
      if (c == 'P' && !s.empty() && s.back() == 'P') continue;
      s.push_back(c);
    }
    return s;
  }
  std::vector<Notice> notices;
  int cancelCode = -1;
  int cancelCountdown = 0;
};

CabExtractRecord Request(const std::string& archive, const std::string& folder) {
  CabExtractRecord r;
  std::memset(&r, 0, sizeof r);
  std::strcpy(r.archivePath, archive.c_str());
  std::strcpy(r.destinationPath, folder.c_str());
  return r;
}

class CabLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
  }
  void TearDown() override {
    for (const char* name : {"SCRIPTED_QUERY_ZERO", "SCRIPTED_COUNT", "SCRIPTED_RESULT",
                             "SCRIPTED_NAME"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
  }

  void LoadOurs() { ASSERT_TRUE(library.Load(owner.get(), ExeFolder().c_str())); }
  void LoadScripted() {
    ASSERT_TRUE(library.Load(owner.get(), (ExeFolder() + "scripted\\").c_str()));
  }
  std::string ScriptedLog() {
    HMODULE m = GetModuleHandleA(library.libraryPath());
    auto log = reinterpret_cast<const char* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(m, "ScriptedLog")));
    return log ? log() : "";
  }

  OwnerWindow owner;
  ScratchFolder scratch;
  std::string dest = scratch / "dest";
  CabLibrary library;
  RecordingCallback callback;
};

// Nested folders: three folder notices outermost first, then begin, progress and end
// per file, with the figures of the archive's real content; the files byte-identical.
TEST_F(CabLibraryTest, UnpacksNestedFoldersWithTheirNotices) {
  LoadOurs();
  std::string src = FixturePath("src\\nested\\");
  const char* files[] = {"a\\b\\c\\deep.txt", "a\\b\\mid.txt", "top.txt"};
  for (const char* archive : {"nested_stored.cab", "nested_mszip.cab"}) {
    ScratchFolder box;
    std::string out = box.path();  // with its backslash
    callback.notices.clear();
    PromptRecorder prompts;
    ASSERT_EQ(library.Extract(Request(FixturePath(archive), out), &callback), 1) << archive;
    EXPECT_TRUE(prompts.messages().empty());
    EXPECT_EQ(callback.Shape(), "DDDBPEBPEBPEX") << archive;
    EXPECT_EQ(callback.notices[0].created, out + "a\\");
    EXPECT_EQ(callback.notices[1].created, out + "a\\b\\");
    EXPECT_EQ(callback.notices[2].created, out + "a\\b\\c\\");

    uint32_t finished = 0, done = 0;
    for (const Notice& n : callback.notices) {
      EXPECT_EQ(n.fileCount, 3u);
      EXPECT_EQ(n.noticeValue, 0);
      if (n.code == CAB_FOLDER_CREATED || n.code == CAB_FINISHED) continue;
      const CabExtractRecord& f = n.figures;
      uint32_t size = static_cast<uint32_t>(ReadBytes(src + files[done]).size());
      EXPECT_EQ(n.destination, out + files[done]);
      EXPECT_EQ(f.currentFileSize, size);
      if (n.code != CAB_FILE_END) {
        EXPECT_EQ(f.finishedBytes, finished);
      }
      if (n.code == CAB_FILE_PROGRESS) {
        EXPECT_EQ(f.progressValue, done * 1000);
        EXPECT_LE(f.currentBytesWritten, size);
      }
      if (n.code == CAB_FILE_END) {
        EXPECT_EQ(f.currentBytesWritten, size);
        finished += size;
        ++done;
        EXPECT_EQ(f.filesDone, done);
        EXPECT_EQ(f.finishedBytes, finished);
      }
    }
    const CabExtractRecord& last = callback.notices.back().figures;
    EXPECT_EQ(last.filesDone, 3u);
    EXPECT_EQ(last.finishedBytes, finished);
    EXPECT_EQ(library.progress().filesDone, 3u);
    for (const char* f : files) EXPECT_EQ(ReadBytes(out + f), ReadBytes(src + f)) << f;
    EXPECT_EQ(GetPropA(owner.get(), "MMUNCAB_PROP"), nullptr);
  }
}

TEST_F(CabLibraryTest, UnpacksManySmallFilesAndOneLargeFile) {
  LoadOurs();
  for (const char* name : {"many", "big"}) {
    ScratchFolder box;
    callback.notices.clear();
    ASSERT_EQ(library.Extract(Request(FixturePath(std::string(name) + ".cab"), box.path()),
                              &callback), 1);
    std::string src = FixturePath("src\\" + std::string(name) + "\\");
    std::vector<std::string> files = ListTree(src);
    uint32_t total = 0;
    for (const std::string& f : files) {
      std::string data = ReadBytes(src + f);
      total += static_cast<uint32_t>(data.size());
      EXPECT_EQ(ReadBytes(box.path() + f), data) << f;
    }
    EXPECT_EQ(ListTree(box.path()), files);
    EXPECT_EQ(library.progress().filesDone, files.size());
    EXPECT_EQ(library.progress().finishedBytes, total);
    EXPECT_EQ(library.GetArchiveWeight(FixturePath(std::string(name) + ".cab").c_str()),
              static_cast<int>(files.size()) * 1000);
  }
  // The large file comes in many steps, each counted for that file alone.
  uint32_t previous = 0;
  int steps = 0;
  for (const Notice& n : callback.notices) {
    if (n.code != CAB_FILE_PROGRESS) continue;
    EXPECT_GT(n.figures.currentBytesWritten, previous);
    previous = n.figures.currentBytesWritten;
    ++steps;
  }
  EXPECT_GT(steps, 10);
  EXPECT_EQ(previous, library.progress().currentFileSize);
}

TEST_F(CabLibraryTest, DestinationWithoutItsBackslashGetsExactlyOne) {
  LoadOurs();
  ASSERT_EQ(library.Extract(Request(FixturePath("nested_stored.cab"), dest), &callback), 1);
  EXPECT_EQ(callback.notices[0].created, dest + "\\a\\");
  EXPECT_EQ(callback.notices[3].destination, dest + "\\a\\b\\c\\deep.txt");
  EXPECT_TRUE(Exists(dest + "\\top.txt"));
}

// A 0 from the callback stops the library and CAB_FAILED ends the notices. The stop was
// the caller's (a cancel the user confirmed): no error box follows it.
TEST_F(CabLibraryTest, CancelFromANotice) {
  LoadOurs();
  struct Case { int code; int nth; const char* shape; } cases[] = {
      {CAB_FILE_BEGIN, 1, "DDDBF"},
      {CAB_FILE_PROGRESS, 1, "DDDBPF"},
      {CAB_FILE_END, 2, "DDDBPEBPEF"},
  };
  for (const Case& c : cases) {
    ScratchFolder box;
    RecordingCallback cb;
    cb.cancelCode = c.code;
    cb.cancelCountdown = c.nth;
    PromptRecorder prompts;
    EXPECT_EQ(library.Extract(Request(FixturePath("nested_mszip.cab"), box.path()), &cb), 0);
    EXPECT_EQ(cb.Shape(), c.shape) << c.code;
    EXPECT_TRUE(prompts.messages().empty()) << prompts.messages()[0].text;
    EXPECT_EQ(GetPropA(owner.get(), "MMUNCAB_PROP"), nullptr);
  }
}

// A header with a wrong size field, which the library also rejects: the question, and No
// ends without running the command; Yes goes on.
TEST_F(CabLibraryTest, UnrecognisedArchiveAsksWhetherToGoOn) {
  LoadOurs();
  std::string bytes = ReadBytes(FixturePath("nested_mszip.cab"));
  bytes[8] = static_cast<char>(bytes[8] + 1);
  std::string archive = scratch / "odd.cab";
  ASSERT_TRUE(WriteBytes(archive, bytes));
  EXPECT_FALSE(CabLibrary::IsCabinetHeader(archive.c_str()));
  EXPECT_TRUE(CabLibrary::IsCabinetHeader(FixturePath("nested_mszip.cab").c_str()));

  std::string question = "指定されたCABファイル [" + archive +
                         "] が正しく認識できませんでした\n"
                         "ただし、このエラーを無視して実行した場合うまくいく場合があります。続行しますか？";
  {
    PromptRecorder prompts;
    prompts.Answer(IDNO);
    EXPECT_EQ(library.Extract(Request(archive, dest), &callback), 0);
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text, question.substr(0, 259));
    EXPECT_EQ(prompts.messages()[0].caption, "エラー");
    EXPECT_EQ(prompts.messages()[0].style, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(callback.notices.empty());
    EXPECT_TRUE(ListTree(dest + "\\").empty());
  }
  PromptRecorder prompts;
  prompts.Answer(IDYES);
  EXPECT_EQ(library.Extract(Request(archive, dest), &callback), 1);
  EXPECT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(ReadBytes(dest + "\\top.txt"), ReadBytes(FixturePath("src\\nested\\top.txt")));
}

TEST_F(CabLibraryTest, MissingEmptyAndCutArchives) {
  LoadOurs();
  std::string empty = scratch / "empty.cab";
  ASSERT_TRUE(WriteBytes(empty, MakeStoredCabinet({})));
  std::string bytes = ReadBytes(FixturePath("nested_mszip.cab"));
  std::string cut = scratch / "cut.cab";
  ASSERT_TRUE(WriteBytes(cut, bytes.substr(0, bytes.size() - 300)));
  std::string missing = scratch / "none.cab";

  struct Case { std::string archive; int answer; std::string text; const char* caption; bool notified; } cases[] = {
      {missing, IDOK, "指定されたCABファイル [" + missing + "] が見つかりません", "エラー", false},
      {empty, IDOK, "圧縮ファイル内に圧縮されたファイルが見つかりません。", "エラー", false},
      // A cut archive fails the header test; going on, the library gives its result code.
      {cut, IDYES, "ERROR CODE : ERROR_HEADER_BROKEN \n 解凍中のアーカイブファイルのヘッダが壊れています。",
       "UnCab Error", true},
  };
  for (const Case& c : cases) {
    RecordingCallback cb;
    PromptRecorder prompts;
    prompts.Answer(c.answer);
    EXPECT_EQ(library.Extract(Request(c.archive, dest), &cb), 0) << c.archive;
    ASSERT_FALSE(prompts.messages().empty()) << c.archive;
    EXPECT_EQ(prompts.messages().back().text, c.text);
    EXPECT_EQ(prompts.messages().back().caption, c.caption);
    EXPECT_EQ(prompts.messages().back().style, kErrorStyle);
    EXPECT_EQ(!cb.notices.empty(), c.notified) << c.archive;
    if (c.notified) {
      EXPECT_EQ(cb.notices.back().code, CAB_FAILED);
    }
  }
  EXPECT_FALSE(Exists(dest + "\\a\\b\\mid.txt"));  // the file cut short is gone
}

// A disc that lacks a later part of a cabinet set: the archive is refused before anything
// is unpacked, and the message names the part that is missing. The whole set unpacks.
TEST_F(CabLibraryTest, SetsUnpackWholeAndAMissingPartIsNamed) {
  LoadOurs();
  std::vector<StoredMember> members = {{"a.txt", std::string(40000, 'a')},
                                       {"b.txt", std::string(40000, 'b')},
                                       {"c.txt", std::string(40000, 'c')}};
  std::vector<std::string> parts =
      MakeStoredCabinetSet(members, {"data1.cab", "data2.cab", "data3.cab"});
  ASSERT_TRUE(WriteBytes(scratch / "data1.cab", parts[0]));
  ASSERT_TRUE(WriteBytes(scratch / "data2.cab", parts[1]));
  {
    RecordingCallback cb;
    PromptRecorder prompts;
    EXPECT_EQ(library.Extract(Request(scratch / "data1.cab", dest), &cb), 0);
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].caption, "エラー");
    EXPECT_EQ(prompts.messages()[0].text,
              "指定されたCABファイル [" + scratch / "data1.cab" + "] を開けませんでした\n"
              "続きのCABファイル [" + scratch / "data3.cab" + "] が見つかりません");
    EXPECT_TRUE(ListTree(dest).empty());
  }
  // A header naming its next part with a path: refused, and no path of its making is shown.
  {
    std::vector<std::string> away = MakeStoredCabinetSet(members, {"away1.cab", "..\\away2.cab"});
    ASSERT_TRUE(WriteBytes(scratch / "away1.cab", away[0]));
    PromptRecorder prompts;
    RecordingCallback cb;
    EXPECT_EQ(library.Extract(Request(scratch / "away1.cab", dest), &cb), 0);
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text,
              "指定されたCABファイル [" + scratch / "away1.cab" + "] を開けませんでした");
  }
  ASSERT_TRUE(WriteBytes(scratch / "data3.cab", parts[2]));
  RecordingCallback cb;
  PromptRecorder prompts;
  EXPECT_EQ(library.Extract(Request(scratch / "data1.cab", dest), &cb), 1);
  for (const auto& m : prompts.messages()) ADD_FAILURE() << m.caption << ": " << m.text;
  for (const StoredMember& m : members) EXPECT_EQ(ReadBytes(dest + "\\" + m.name), m.data);
  EXPECT_EQ(cb.notices.back().fileCount, 3u);
  EXPECT_EQ(cb.notices.back().code, CAB_FINISHED);
}

// A stored name the library refuses: nothing of it is written, nothing outside the
// destination, and the one message names the cabinet (the library names no file), with
// why for a name Shift-JIS has no form for.
TEST_F(CabLibraryTest, RefusedMemberNamesWriteNothingAndNameTheirCabinet) {
  LoadOurs();
  struct Case {
    const char* what;
    std::string cabinet;  // its bytes
    const char* name;
    const char* kept;
    const char* reason;
  } cases[] = {
      {"names climbing out",
       MakeStoredCabinet({{"first.txt", "fine"}, {"..\\escape.txt", "evil"},
                          {"..\\up\\escape.txt", "evil"}}),
       "evil.cab", "first.txt", "ERROR CODE : ERROR_NOT_FILENAME \n 指定された名前はファイル名ではありません。"},
      {"an emoji, which Shift-JIS lacks (gcab)", ReadBytes(FixturePath("no_sjis_name.cab")),
       "顔文字.cab", "先.txt",
       "ERROR CODE : ERROR_NAME_CONVERT \n 格納ファイルの名前を Shift-JIS のファイル名に変換できません。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder box;
    std::string archive = box / c.name;
    ASSERT_TRUE(WriteBytes(archive, c.cabinet));
    RecordingCallback cb;
    PromptRecorder prompts;
    EXPECT_EQ(library.Extract(Request(archive, box / "dest\\inner"), &cb), 0);
    EXPECT_EQ(ListTree(box.path()),
              (std::vector<std::string>{std::string("dest\\inner\\") + c.kept, c.name}));
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text,
              std::string(c.reason) + "\n指定されたCABファイル [" + archive + "] を展開できませんでした");
    EXPECT_EQ(prompts.messages()[0].caption, "UnCab Error");
    EXPECT_EQ(prompts.messages()[0].style, kErrorStyle);
    EXPECT_EQ(cb.notices.back().code, CAB_FAILED);
  }
}

// Japanese folders are made and announced, whether the cabinet stores its names in
// Shift-JIS or (as gcab does) in UTF-8; the files land under their Shift-JIS names.
TEST_F(CabLibraryTest, ShiftJisFoldersAreCreatedAndAnnounced) {
  ASSERT_TRUE(CanCreateShiftJisNames(scratch.path())) << "this Wine holds no Japanese names";
  LoadOurs();
  const std::string utf8Source = FixturePath("src\\utf8\\");
  struct Case {
    std::string archive;
    const char* shape;
    const char* folder;  // the one created
    std::vector<std::pair<std::string, std::string>> files;  // name and bytes
  } cases[] = {
      {scratch.Write("jp.cab", MakeStoredCabinet({{"表示\\ソフト.txt", "a"}})), "DBPEX", "表示\\",
       {{"表示\\ソフト.txt", "a"}}},
      {FixturePath("utf8_names.cab"), "BPEDBPEX", "ソフト\\",
       {{"ソフト\\データ.bin", ReadBytes(utf8Source + "ソフト\\データ.bin")},
        {"表示.txt", ReadBytes(utf8Source + "表示.txt")}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    ScratchFolder box;
    RecordingCallback cb;
    ASSERT_EQ(library.Extract(Request(c.archive, box.path()), &cb), 1);
    EXPECT_EQ(cb.Shape(), c.shape);
    for (const Notice& n : cb.notices) {
      if (n.code == CAB_FOLDER_CREATED) {
        EXPECT_EQ(n.created, box / c.folder);
      }
    }
    std::vector<std::string> names;
    for (const auto& file : c.files) {
      names.push_back(file.first);
      EXPECT_EQ(ReadBytes(box / file.first), file.second) << file.first;
    }
    EXPECT_EQ(ListTree(box.path()), names);
  }
}

TEST_F(CabLibraryTest, LoadFailuresLeaveTheLibraryUnloaded) {
  std::string incomplete = ExeFolder() + "incomplete\\";
  struct Case { std::string folder; const char* text; } cases[] = {
      {scratch.path(), "キャビネットファイル展開用DLLの取得に失敗しました"},
      {incomplete, "アーカイブ次ファイル取得関数の取得に失敗しました"},
      {std::string(255, 'x') + "\\", "キャビネットファイル展開用DLLの取得に失敗しました"},
  };
  for (const Case& c : cases) {
    PromptRecorder prompts;
    EXPECT_FALSE(library.Load(owner.get(), c.folder.c_str()));
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text, c.text);
    EXPECT_EQ(prompts.messages()[0].caption, "エラー");
    EXPECT_EQ(prompts.messages()[0].style, kErrorStyle);
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(GetModuleHandleA((incomplete + "cab32.dll").c_str()), nullptr);
    // Nothing unresolved is called afterwards.
    EXPECT_EQ(library.Extract(Request(FixturePath("nested_stored.cab"), dest), &callback), 0);
    EXPECT_LT(library.GetArchiveWeight(FixturePath("nested_stored.cab").c_str()), 0);
    EXPECT_EQ(prompts.messages().size(), 1u);
  }
  EXPECT_TRUE(callback.notices.empty());
  EXPECT_TRUE(ListTree(dest + "\\").empty());
}

TEST_F(CabLibraryTest, NullOrEmptyFolderLoadsPlainCab32Dll) {
  for (const char* folder : {static_cast<const char*>(nullptr), ""}) {
    ASSERT_TRUE(library.Load(owner.get(), folder));
    EXPECT_STREQ(library.libraryPath(), "cab32.dll");
    EXPECT_EQ(library.GetArchiveWeight(FixturePath("nested_stored.cab").c_str()), 3000);
    EXPECT_EQ(library.GetArchiveWeight((scratch / "none.cab").c_str()), -1000);
    library.Unload();
    EXPECT_FALSE(library.IsLoaded());
  }
}

TEST_F(CabLibraryTest, AsksTheFunctionNumbersAndFormsTheCommandLine) {
  LoadScripted();
  std::string archive = FixturePath("nested_stored.cab");
  ASSERT_EQ(library.Extract(Request(archive, dest), &callback), 1);
  std::string expected =
      "Query 0\nQuery 1\nQuery 16\nQuery 19\nQuery 18\nQuery 23\nQuery 24\nQuery 25\n"
      "Query 26\nQuery 57\nQuery 58\nQuery 18\n"
      "SetOwnerWindowEx\nGetFileCount " + archive + "\nOpenArchive " + archive + " 0\n"
      "CloseArchive\nCab -x -o -i \"" + archive + "\" \"" + dest + "\" \"*.*\"\n"
      "KillOwnerWindowEx\n";
  EXPECT_EQ(ScriptedLog(), expected);
  EXPECT_EQ(callback.Shape(), "X");
}

TEST_F(CabLibraryTest, FunctionNumberDeniedRefusesTheLibrary) {
  SetEnvironmentVariableA("SCRIPTED_QUERY_ZERO", "57");
  PromptRecorder prompts;
  EXPECT_FALSE(library.Load(owner.get(), (ExeFolder() + "scripted\\").c_str()));
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text,
            "ロードされたDLLに使用する関数が実装されていません\nDLLを最新のものに交換してください");
  EXPECT_FALSE(library.IsLoaded());
}

TEST_F(CabLibraryTest, ResultCodesOfTheLibrary) {
  struct Case { const char* result; std::vector<std::string> texts; } cases[] = {
      {"-1", {}},
      {"0x8012", {"ERROR CODE : UNKNOW( 0x00008012 ) \n エラーコードが見つかりません。"}},
      {"267", {"ERROR CODE : ERROR_DIRECTORY \n 解凍先ディレクトリが作成できません。"}},
  };
  LoadScripted();
  for (const Case& c : cases) {
    SetEnvironmentVariableA("SCRIPTED_RESULT", c.result);
    RecordingCallback cb;
    PromptRecorder prompts;
    EXPECT_EQ(library.Extract(Request(FixturePath("nested_stored.cab"), dest), &cb), 0);
    std::vector<std::string> texts;
    for (const RecordedMessage& m : prompts.messages()) {
      texts.push_back(m.text);
      EXPECT_EQ(m.caption, "UnCab Error");
    }
    EXPECT_EQ(texts, c.texts) << c.result;
    EXPECT_EQ(cb.Shape(), "F") << c.result;
  }
}

// Only exactly 0 is an empty archive: -1 becomes the file count.
TEST_F(CabLibraryTest, CountOfMinusOnePassesAsTheFileCount) {
  SetEnvironmentVariableA("SCRIPTED_COUNT", "-1");
  LoadScripted();
  EXPECT_EQ(library.GetArchiveWeight("any.cab"), -1000);
  ASSERT_EQ(library.Extract(Request(FixturePath("nested_stored.cab"), dest), &callback), 1);
  EXPECT_EQ(callback.notices.back().fileCount, 0xFFFFFFFFu);
}

// Another library may pass on a name that leads out: the adapter stops it before any
// folder is made for it, and says why once.
TEST_F(CabLibraryTest, RefusesAClimbingNameFromAnyLibrary) {
  SetEnvironmentVariableA("SCRIPTED_NAME", "..\\..\\out\\escape.txt");
  LoadScripted();
  std::string inner = scratch / "dest\\in";
  PromptRecorder prompts;
  EXPECT_EQ(library.Extract(Request(FixturePath("nested_stored.cab"), inner), &callback), 0);
  EXPECT_NE(ScriptedLog().find("stopped at 0"), std::string::npos);
  EXPECT_FALSE(Exists(scratch / "out"));
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text,
            "圧縮ファイル内のファイル名が正しくありません\n..\\..\\out\\escape.txt");
  EXPECT_EQ(callback.Shape(), "F");
}

}  // namespace
}  // namespace kaze::test
