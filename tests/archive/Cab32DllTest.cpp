// Our cab32.dll on its own, called the way programs of the archiver-DLL family call it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Cab32Exports.h"
#include "CabTestSupport.h"
#include "cab32/Cab32Api.h"

namespace kaze::test {
namespace {

using cab32::ExtractingInfo;
using cab32::IndividualInfo;

using Dll = Cab32Exports;

// What the owner-window callback saw, and when it says stop.
struct Seen {
  UINT state;
  DWORD fileSize;
  DWORD writeSize;
  std::string name;
};
std::vector<Seen> g_seen;
int g_stopAtCall = -1;  // index of the call that answers 0

BOOL CALLBACK Record(HWND, UINT, UINT state, LPVOID info) {
  const ExtractingInfo* e = static_cast<const ExtractingInfo*>(info);
  // The adapter's reading: two 32-bit fields, then the name from the ninth byte.
  const char* name = static_cast<const char*>(info) + 8;
  g_seen.push_back({state, e->fileSize, e->writeSize, name});
  return static_cast<int>(g_seen.size()) - 1 == g_stopAtCall ? FALSE : TRUE;
}

class Cab32Dll : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(dll.module, nullptr);
    g_seen.clear();
    g_stopAtCall = -1;
    ASSERT_TRUE(dll.setOwner(owner.get(), &Record));
  }
  void TearDown() override { dll.killOwner(owner.get()); }

  int Run(const std::string& archive, const std::string& folder, const char* options = "-x -o -i") {
    std::string line = std::string(options) + " \"" + archive + "\" \"" + folder + "\" \"*.*\"";
    return dll.cab(owner.get(), line.c_str(), nullptr, 0);
  }

  std::string MakeCab(const std::vector<StoredMember>& members, const char* name = "t.cab") {
    std::string path = scratch / name;
    EXPECT_TRUE(WriteBytes(path, MakeStoredCabinet(members)));
    return path;
  }

  Dll dll;
  OwnerWindow owner;
  ScratchFolder scratch;
};

TEST_F(Cab32Dll, ExportsTheFourteenFunctionsAndAnswersTheirNumbers) {
  const char* names[] = {"CabGetVersion", "CabCheckArchive", "CabQueryFunctionList",
                         "CabGetFileCount", "CabGetRunning", "Cab", "CabOpenArchive",
                         "CabCloseArchive", "CabFindFirst", "CabFindNext", "CabGetFileName",
                         "CabGetOriginalSize", "CabSetOwnerWindowEx", "CabKillOwnerWindowEx"};
  for (const char* name : names) EXPECT_NE(GetProcAddress(dll.module, name), nullptr) << name;
  for (int n : {0, 1, 8, 16, 18, 19, 23, 24, 25, 26, 57, 58, 92, 93}) EXPECT_TRUE(dll.query(n)) << n;
  for (int n : {2, 17, 27, 99, -1}) EXPECT_FALSE(dll.query(n)) << n;
}

TEST_F(Cab32Dll, ChecksAndCountsArchives) {
  std::string good = FixturePath("nested_mszip.cab");
  std::string bytes = ReadBytes(good);
  ASSERT_FALSE(bytes.empty());
  std::string wrongSize = bytes;
  wrongSize[8] = static_cast<char>(wrongSize[8] + 1);
  ASSERT_TRUE(WriteBytes(scratch / "size.cab", wrongSize));
  ASSERT_TRUE(WriteBytes(scratch / "cut.cab", bytes.substr(0, bytes.size() / 2)));
  std::string damaged = bytes;  // compressed data of the first block
  for (size_t i = 120; i < 200; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  ASSERT_TRUE(WriteBytes(scratch / "damaged.cab", damaged));
  ASSERT_TRUE(WriteBytes(scratch / "text.cab", "just some text, not a cabinet"));

  struct Case { std::string path; BOOL rapid, basic, full; int count; } cases[] = {
      {good, TRUE, TRUE, TRUE, 3},
      {FixturePath("many.cab"), TRUE, TRUE, TRUE, 300},
      {scratch / "size.cab", TRUE, FALSE, FALSE, 3},
      {scratch / "cut.cab", TRUE, FALSE, FALSE, 3},
      {scratch / "damaged.cab", TRUE, TRUE, FALSE, 3},
      {scratch / "text.cab", FALSE, FALSE, FALSE, -1},
      {scratch / "missing.cab", FALSE, FALSE, FALSE, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dll.check(c.path.c_str(), 0), c.rapid) << c.path;
    EXPECT_EQ(dll.check(c.path.c_str(), 1), c.basic) << c.path;
    EXPECT_EQ(dll.check(c.path.c_str(), 2), c.full) << c.path;
    EXPECT_EQ(dll.count(c.path.c_str()), c.count) << c.path;
  }
}

TEST_F(Cab32Dll, ListsAnOpenedArchive) {
  HANDLE harc = dll.open(owner.get(), FixturePath("nested_stored.cab").c_str(), 0);
  ASSERT_NE(harc, nullptr);
  IndividualInfo info;
  std::vector<std::string> names;
  char name[600];
  for (int r = dll.findFirst(harc, "*.*", &info); r == 0; r = dll.findNext(harc, &info)) {
    ASSERT_EQ(dll.fileName(harc, name, sizeof name), 0);
    EXPECT_STREQ(name, info.fileName);
    EXPECT_EQ(static_cast<DWORD>(dll.originalSize(harc)), info.originalSize);
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a\\b\\c\\deep.txt", "a\\b\\mid.txt", "top.txt"}));
  EXPECT_EQ(dll.findFirst(harc, "*.txt", &info), 0);
  EXPECT_STREQ(info.fileName, "a\\b\\c\\deep.txt");
  EXPECT_EQ(dll.findFirst(harc, "a\\b\\m*", &info), 0);
  EXPECT_STREQ(info.fileName, "a\\b\\mid.txt");
  EXPECT_EQ(dll.findNext(harc, &info), -1);
  EXPECT_EQ(dll.close(harc), 0);
  EXPECT_EQ(dll.close(harc), cab32::kErrorHarcNotOpened);
  EXPECT_EQ(dll.open(owner.get(), (scratch / "none.cab").c_str(), 0), nullptr);
}

// The owner-window protocol: begin, in-process with the archive-wide count, end with
// the file's own size; the name from the ninth byte.
TEST_F(Cab32Dll, ReportsEveryFileToTheOwnerWindow) {
  std::string dest = scratch / "out";
  ASSERT_EQ(Run(FixturePath("nested_mszip.cab"), dest), 0);
  std::string src = FixturePath("src\\nested\\");
  std::vector<std::string> expected = {"a\\b\\c\\deep.txt", "a\\b\\mid.txt", "top.txt"};
  EXPECT_EQ(ListTree(dest + "\\"), expected);
  DWORD finished = 0;
  size_t file = 0;
  for (const Seen& s : g_seen) {
    ASSERT_LT(file, expected.size());
    DWORD size = static_cast<DWORD>(ReadBytes(src + expected[file]).size());
    EXPECT_EQ(s.name, expected[file]);
    EXPECT_EQ(s.fileSize, size);
    if (s.state == cab32::kStateInProcess) {
      EXPECT_GT(s.writeSize, finished);
      EXPECT_LE(s.writeSize, finished + size);
    } else if (s.state == cab32::kStateEnd) {
      EXPECT_EQ(s.writeSize, size);
      finished += size;
      ++file;
    }
  }
  EXPECT_EQ(file, expected.size());
  for (const std::string& name : expected) {
    EXPECT_EQ(ReadBytes(dest + "\\" + name), ReadBytes(src + name)) << name;
  }
}

// Names that would leave the destination folder are refused before anything is written.
TEST_F(Cab32Dll, RefusesNamesThatLeaveTheDestination) {
  const char* names[] = {"..\\escape.txt", "a\\..\\..\\escape.txt", "C:\\escape.txt",
                         "\\escape.txt",   "a/../../escape.txt",   "...\\escape.txt",
                         "CON",            "a\\nul.txt",           "x:stream"};
  for (const char* name : names) {
    ScratchFolder box;
    std::string cab = box / "evil.cab";
    ASSERT_TRUE(WriteBytes(cab, MakeStoredCabinet({{"first.txt", "fine"}, {name, "evil"}})));
    std::string dest = box / "in\\dest";
    ASSERT_TRUE(CreateDirectoryA((box / "in").c_str(), nullptr));
    EXPECT_EQ(Run(cab, dest), cab32::kErrorNotFileName) << name;
    // The harmless first file was unpacked; nothing else anywhere in the box.
    EXPECT_EQ(ListTree(box.path()), (std::vector<std::string>{"evil.cab", "in\\dest\\first.txt"}))
        << name;
    EXPECT_FALSE(Exists("C:\\escape.txt"));
  }
}

TEST_F(Cab32Dll, UnpacksShiftJisNamesWithBackslashTrailBytes) {
  ASSERT_TRUE(CanCreateShiftJisNames(scratch.path())) << "this Wine holds no Japanese names";
  std::string cab = MakeCab({{"表示\\ソフト.txt", "a"}, {"能\\予定表.txt", "b"}});
  ASSERT_EQ(Run(cab, scratch / "dest\\"), 0);
  EXPECT_EQ(ReadBytes(scratch / "dest\\表示\\ソフト.txt"), "a");
  EXPECT_EQ(ReadBytes(scratch / "dest\\能\\予定表.txt"), "b");
  ASSERT_EQ(g_seen.size(), 6u);
  EXPECT_EQ(g_seen[0].name, "表示\\ソフト.txt");
}

// gcab stores every non-ASCII name as UTF-8 and flags it so: the files come out under
// their Shift-JIS names (表 and ソ end in 0x5C), and are listed so.
TEST_F(Cab32Dll, ConvertsUtf8NamesToTheCodePage) {
  ASSERT_TRUE(CanCreateShiftJisNames(scratch.path())) << "this Wine holds no Japanese names";
  const std::string cab = FixturePath("utf8_names.cab");
  const std::vector<std::string> names = {"ソフト\\データ.bin", "表示.txt"};
  ASSERT_EQ(Run(cab, scratch / "dest"), 0);
  EXPECT_EQ(ListTree(scratch / "dest\\"), names);
  for (const std::string& name : names) {
    EXPECT_EQ(ReadBytes(scratch / ("dest\\" + name)), ReadBytes(FixturePath("src\\utf8\\" + name)))
        << name;
  }
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen[0].name, "表示.txt");
  HANDLE harc = dll.open(owner.get(), cab.c_str(), 0);
  ASSERT_NE(harc, nullptr);
  IndividualInfo info;
  std::vector<std::string> listed;
  for (int r = dll.findFirst(harc, "*", &info); r == 0; r = dll.findNext(harc, &info)) {
    listed.push_back(info.fileName);
  }
  dll.close(harc);
  EXPECT_EQ(listed, (std::vector<std::string>{"表示.txt", "ソフト\\データ.bin"}));
}

// A name flagged as UTF-8 that has no Shift-JIS form is refused before anything of it is
// written, whichever way it fails; never approximated by '?' or a best fit. The file
// before it stays.
TEST_F(Cab32Dll, RefusesUtf8NamesWithoutAShiftJisForm) {
  ASSERT_TRUE(CanCreateShiftJisNames(scratch.path())) << "this Wine holds no Japanese names";
  struct Case {
    const char* what;
    std::string cabinet;
    const char* kept;
  } cases[] = {
      {"an emoji (gcab): each half of its pair becomes the default character",
       FixturePath("no_sjis_name.cab"), "先.txt"},
      {"Hangul: one UTF-16 unit Shift-JIS lacks",
       MakeCab({{"first.txt", "fine"}, {"\xED\x95\x9C.txt", "x", 0x80}}, "hangul.cab"),
       "first.txt"},
      {"the yen sign: best fit to a backslash, no default character, a\\b.txt",
       MakeCab({{"first.txt", "fine"}, {"a\xC2\xA5" "b.txt", "x", 0x80}}, "yen.cab"),
       "first.txt"},
      {"an accented letter: best fit to its plain letter, cafe.txt",
       MakeCab({{"first.txt", "fine"}, {"caf\xC3\xA9.txt", "x", 0x80}}, "accent.cab"),
       "first.txt"},
      {"a name converted to Shift-JIS and flagged as UTF-8 anyway",
       MakeCab({{"first.txt", "fine"}, {"表示.txt", "x", 0x80}}, "sjis.cab"), "first.txt"},
  };
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string dest = scratch / ("out" + std::to_string(round++));
    EXPECT_EQ(Run(c.cabinet, dest), cab32::kErrorNameNotInCodePage);
    EXPECT_EQ(ListTree(dest + "\\"), std::vector<std::string>{c.kept});
  }
}

// Each failure has its result code; a file cut short by the failure is removed.
TEST_F(Cab32Dll, ReturnsResultCodesForFailures) {
  std::string nested = FixturePath("nested_mszip.cab");
  ASSERT_TRUE(WriteBytes(scratch / "text.cab", "not a cabinet at all, only text here"));
  std::string bytes = ReadBytes(nested);
  ASSERT_TRUE(WriteBytes(scratch / "cut.cab", bytes.substr(0, bytes.size() - 300)));
  std::string damaged = bytes;
  for (size_t i = 120; i < 400; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  ASSERT_TRUE(WriteBytes(scratch / "damaged.cab", damaged));

  EXPECT_EQ(Run(scratch / "none.cab", scratch / "d1"), cab32::kErrorNotFindArcFile);
  EXPECT_EQ(Run(scratch / "text.cab", scratch / "d2"), cab32::kErrorNotArcFile);
  EXPECT_NE(Run(scratch / "cut.cab", scratch / "d3"), 0);
  EXPECT_FALSE(Exists(scratch / "d3\\a\\b\\mid.txt"));  // the file cut short
  int damagedResult = Run(scratch / "damaged.cab", scratch / "d4");
  EXPECT_TRUE(damagedResult == cab32::kErrorDataBroken || damagedResult == cab32::kErrorHeaderBroken)
      << std::hex << damagedResult;
  EXPECT_EQ(Run(nested, scratch / "d5", "-x -q"), cab32::kErrorCommand);
  EXPECT_EQ(dll.cab(owner.get(), "-o -i \"a.cab\"", nullptr, 0), cab32::kErrorCommand);
  EXPECT_EQ(dll.cab(owner.get(), "-x \"a.cab", nullptr, 0), cab32::kErrorCommand);

  // Without -o an existing file is not overwritten.
  ASSERT_EQ(Run(nested, scratch / "d6"), 0);
  EXPECT_EQ(Run(nested, scratch / "d6", "-x -i"), cab32::kErrorAlreadyExist);
  // A read-only file stays as it is.
  ASSERT_TRUE(SetFileAttributesA((scratch / "d6\\top.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Run(nested, scratch / "d6"), cab32::kErrorReadOnly);
  // A file where a folder must go.
  ASSERT_TRUE(CreateDirectoryA((scratch / "d7").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(scratch / "d7\\a", "in the way"));
  EXPECT_EQ(Run(nested, scratch / "d7"), cab32::kErrorDirectory);
  // Longer than MAX_PATH.
  std::string deep = scratch / (std::string(200, 'x') + "\\" + std::string(60, 'y'));
  EXPECT_EQ(Run(nested, deep), cab32::kErrorLongFileName);
}

// Files whose entries name a folder the cabinet lacks: Wine's FDI followed them to no
// folder at all and crashed (found by the mutation run). Refused, through every entry.
TEST_F(Cab32Dll, RefusesFilesOfFoldersTheCabinetLacks) {
  const std::string cab = MakeStoredCabinet({{"a.txt", "aaa"}, {"b.txt", "bbb"}});
  const size_t filesAt = static_cast<unsigned char>(cab[16]);
  const size_t secondFolderIndex = filesAt + 16 + 6 + 8;  // past a.txt's entry and name
  struct Case {
    const char* what;
    size_t at;        // a 16-bit field set to value
    uint16_t value;
    const char* refused;  // the first file refused; nothing of it is written
  } cases[] = {{"no folder", 26, 0, "a.txt"},
               {"a.txt of folder 1 of 1", filesAt + 8, 1, "a.txt"},
               {"b.txt of folder 0xFFFC", secondFolderIndex, 0xFFFC, "b.txt"},
               {"going on into a next part with no folder", 26, 0, "a.txt"}};
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = cab;
    bytes[c.at] = static_cast<char>(c.value & 0xFF);
    bytes[c.at + 1] = static_cast<char>(c.value >> 8);
    if (round == 3) bytes[filesAt + 8] = '\xFE', bytes[filesAt + 9] = '\xFF';  // to next
    std::string path = scratch / ("nofolder" + std::to_string(round) + ".cab");
    ASSERT_TRUE(WriteBytes(path, bytes));
    std::string out = scratch / ("nf" + std::to_string(round++));
    EXPECT_EQ(Run(path, out), cab32::kErrorHeaderBroken);
    EXPECT_FALSE(dll.check(path.c_str(), 2));
    EXPECT_FALSE(Exists(out + "\\" + c.refused));
  }
}

// A set of three parts side by side, as a maker splits a game over a disc: given the first
// part, the library unpacks every file of the set, those cut across parts included.
class Cab32Set : public Cab32Dll {
 protected:
  void SetUp() override {
    Cab32Dll::SetUp();
    members_ = {{"first.txt", std::string(20000, 'a')},
                {"across.bin", Pattern(90000)},  // from part 1 through part 2 into part 3
                {"third.txt", std::string(30000, 'c')},
                {"last.txt", "end"}};
    parts_ = MakeStoredCabinetSet(members_, {"game1.cab", "game2.cab", "game3.cab"});
    ASSERT_EQ(parts_.size(), 3u);
  }
  void Put(size_t part) { ASSERT_TRUE(WriteBytes(scratch / kNames[part], parts_[part])); }

  static std::string Pattern(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 13 + i / 977);
    return data;
  }

  const char* kNames[3] = {"game1.cab", "game2.cab", "game3.cab"};
  std::vector<StoredMember> members_;
  std::vector<std::string> parts_;
};

TEST_F(Cab32Set, UnpacksEveryFileOfASetFromItsFirstPart) {
  for (size_t part = 0; part < 3; ++part) Put(part);
  ASSERT_EQ(Run(scratch / "game1.cab", scratch / "out"), 0);
  for (const StoredMember& m : members_) {
    EXPECT_EQ(ReadBytes(scratch / ("out\\" + m.name)), m.data) << m.name;
  }
}

// FDI searches for a missing next part, fails, and frees its state through our callbacks
// with a handle it never got from us. The library answers "archive not found", leaves no
// unfinished file, and stays usable.
TEST_F(Cab32Set, MissingNextPartEndsWithArchiveNotFound) {
  struct Case {
    std::vector<size_t> present;
    const char* unfinished;  // the file that cannot be completed
  };
  const Case cases[] = {{{0}, "across.bin"}, {{0, 1}, "across.bin"}, {{0, 2}, "across.bin"}};
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(round);
    for (size_t part = 0; part < 3; ++part) DeleteFileA((scratch / kNames[part]).c_str());
    for (size_t part : c.present) Put(part);
    std::string out = scratch / ("out" + std::to_string(round++));
    EXPECT_EQ(Run(scratch / "game1.cab", out), cab32::kErrorNotFindArcFile);
    EXPECT_FALSE(Exists(out + "\\" + c.unfinished)) << "an unfinished file was left";
  }
  // A part that names a further part which is not there, with nothing cut across.
  std::string alone = scratch / "alone.cab";
  std::vector<std::string> pair = MakeStoredCabinetSet({{"x.txt", "x"}, {"y.txt", "y"}},
                                                       {"alone.cab", "absent.cab"});
  ASSERT_TRUE(WriteBytes(alone, pair[0]));
  EXPECT_EQ(Run(alone, scratch / "outAlone"), cab32::kErrorNotFindArcFile);
  EXPECT_EQ(Run(MakeCab({{"after.txt", "ok"}}), scratch / "after"), 0);
  EXPECT_EQ(ReadBytes(scratch / "after\\after.txt"), "ok");
}

// A part naming itself as its next part, a next part with a path or a device's name, is
// refused. (The loop is cut on a block and file boundary, so that only the library's own
// walk meets it.)
TEST_F(Cab32Set, RefusesSetsThatLoopOrLeaveTheirFolder) {
  std::vector<std::string> self = MakeStoredCabinetSet(
      {{"x.txt", std::string(32768, 'x')}, {"y.txt", std::string(32768, 'y')}},
      {"loop.cab", "loop.cab"});
  ASSERT_TRUE(WriteBytes(scratch / "loop.cab", self[0]));
  EXPECT_EQ(Run(scratch / "loop.cab", scratch / "outLoop"), cab32::kErrorHeaderBroken);
  std::vector<std::string> away = MakeStoredCabinetSet({{"x.txt", std::string(50000, 'x')}},
                                                       {"away.cab", "..\\away2.cab"});
  ASSERT_TRUE(WriteBytes(scratch / "away.cab", away[0]));
  EXPECT_EQ(Run(scratch / "away.cab", scratch / "outAway"), cab32::kErrorHeaderBroken);
  // A device's name: opening "COM1.cab" opens the serial port and waits on it (found by
  // the mutation run as a hang).
  std::vector<std::string> device = MakeStoredCabinetSet({{"x.txt", std::string(50000, 'x')}},
                                                         {"dev.cab", "COM1.cab"});
  ASSERT_TRUE(WriteBytes(scratch / "dev.cab", device[0]));
  EXPECT_EQ(Run(scratch / "dev.cab", scratch / "outDev"), cab32::kErrorHeaderBroken);
  EXPECT_EQ(dll.count((scratch / "dev.cab").c_str()), -1);
  // Refused while listing too, and the library lets go of the file (Wine's FDI lost the
  // handle of a cabinet refused at its first notification).
  EXPECT_EQ(dll.count((scratch / "away.cab").c_str()), -1);
  EXPECT_TRUE(DeleteFileA((scratch / "away.cab").c_str()));
}

// A set whose folder runs on into the next part with no file continued along with it sent
// the system's FDI (Wine's) round the parts until it hung. The library refuses such a set
// before unpacking anything; listing it needs no decoding and still works.
TEST_F(Cab32Set, FolderRunningOnWithoutAFileIsRefused) {
  std::vector<StoredMember> members = {{"a.txt", std::string(40000, 'a')},
                                       {"b.txt", std::string(40000, 'b')},
                                       {"c.txt", std::string(40000, 'c')}};
  std::vector<std::string> parts =
      MakeStoredCabinetSet(members, {"ill1.cab", "ill2.cab", "ill3.cab"}, true);
  for (size_t i = 0; i < parts.size(); ++i) {
    ASSERT_TRUE(WriteBytes(scratch / ("ill" + std::to_string(i + 1) + ".cab"), parts[i]));
  }
  EXPECT_EQ(dll.count((scratch / "ill1.cab").c_str()), 3);
  EXPECT_EQ(Run(scratch / "ill1.cab", scratch / "outIll"), cab32::kErrorHeaderBroken);
  EXPECT_TRUE(ListTree(scratch / "outIll").empty());
  EXPECT_EQ(Run(scratch / "ill2.cab", scratch / "outIll2"), cab32::kErrorHeaderBroken);
}

// A 0 from the owner window stops the library at once; an unfinished file is removed.
TEST_F(Cab32Dll, StopsWhenTheOwnerWindowSaysSo) {
  struct Case { int stopAt; bool bigKept; } cases[] = {{0, false}, {1, false}, {5, false}};
  for (const Case& c : cases) {
    ScratchFolder box;
    g_seen.clear();
    g_stopAtCall = c.stopAt;
    EXPECT_EQ(Run(FixturePath("big.cab"), box / "dest"), cab32::kErrorUserCancel) << c.stopAt;
    EXPECT_EQ(static_cast<int>(g_seen.size()), c.stopAt + 1);
    EXPECT_EQ(Exists(box / "dest\\big.bin"), c.bigKept) << c.stopAt;
  }
  // Stopped at the end of the first file: that file is complete and stays.
  ScratchFolder box;
  g_seen.clear();
  std::string src = FixturePath("src\\nested\\");
  int end = -1;
  g_stopAtCall = -1;
  ASSERT_EQ(Run(FixturePath("nested_stored.cab"), box / "probe"), 0);
  for (size_t i = 0; i < g_seen.size() && end < 0; ++i) {
    if (g_seen[i].state == cab32::kStateEnd) end = static_cast<int>(i);
  }
  g_seen.clear();
  g_stopAtCall = end;
  EXPECT_EQ(Run(FixturePath("nested_stored.cab"), box / "dest"), cab32::kErrorUserCancel);
  EXPECT_EQ(ReadBytes(box / "dest\\a\\b\\c\\deep.txt"), ReadBytes(src + "a\\b\\c\\deep.txt"));
  EXPECT_FALSE(Exists(box / "dest\\a\\b\\mid.txt"));
}

TEST_F(Cab32Dll, UnpacksManyFilesAndAMultiMegabyteFile) {
  for (const char* name : {"many", "big"}) {
    std::string dest = scratch / name;
    ASSERT_EQ(Run(FixturePath(std::string(name) + ".cab"), dest), 0) << name;
    std::string src = FixturePath("src\\" + std::string(name) + "\\");
    std::vector<std::string> files = ListTree(src);
    EXPECT_EQ(ListTree(dest + "\\"), files);
    for (const std::string& f : files) EXPECT_EQ(ReadBytes(dest + "\\" + f), ReadBytes(src + f)) << f;
  }
}

}  // namespace
}  // namespace kaze::test
