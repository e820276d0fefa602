#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "system/FileUtils.h"
#include "system/WindowsCompat.h"
#include "tests/support/ScratchFiles.h"

namespace kaze {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  return data;
}

class TextFileTest : public ::testing::Test {
 protected:
  test::ScratchFolder scratch_{"KazeTextFileTest"};
};

TEST_F(TextFileTest, WriteLineEndsLinesWithCrLfOnce) {
  std::string path = scratch_ / "lines.txt";
  TextFile file;
  ASSERT_TRUE(file.Open(path.c_str(), TF_WRITE | TF_CREATE | TF_DELETE_FIRST));
  EXPECT_EQ(file.WriteLine("abc"), 5u);
  EXPECT_EQ(file.WriteLine("abc\n"), 4u);
  EXPECT_EQ(file.WriteLine("表"), 4u);
  ASSERT_TRUE(file.Close(TF_CLOSE));
  EXPECT_EQ(ReadBytes(path), "abc\r\nabc\n表\r\n");
}

TEST_F(TextFileTest, OpenModesDecideWhereTheFileStarts) {
  std::string path = scratch_ / "modes.txt";
  ASSERT_TRUE(WriteBytes(path, "old"));
  TextFile file;
  // Writing to an existing file appends unless the position is kept.
  ASSERT_TRUE(file.Open(path.c_str(), TF_WRITE | TF_OPEN_EXISTING));
  file.Write("+", 1);
  file.Close(TF_CLOSE);
  ASSERT_TRUE(file.Open(path.c_str(), TF_WRITE | TF_OPEN_EXISTING | TF_KEEP_POSITION));
  file.Write("N", 1);
  file.Close(TF_CLOSE);
  EXPECT_EQ(ReadBytes(path), "Nld+");
  // Reading starts at the beginning.
  ASSERT_TRUE(file.Open(path.c_str(), TF_READ | TF_OPEN_EXISTING));
  char line[16];
  EXPECT_EQ(file.ReadLine(line, sizeof line), 4u);
  EXPECT_TRUE(file.AtEnd());
  EXPECT_TRUE(file.Close(TF_CLOSE));
  EXPECT_FALSE(file.AtEnd()) << "Close clears the end-of-file flag";
  // Delete-first empties even a read-only file.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(file.Open(path.c_str(), TF_WRITE | TF_CREATE | TF_DELETE_FIRST));
  file.Close(TF_CLOSE);
  EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(TextFileTest, RefusedOpensAndClosesTouchNothing) {
  std::string missing = scratch_ / "missing.txt";
  const std::string tooLong = scratch_.path() + std::string(260, 'x');
  struct Case {
    const char* name;
    const char* path;
    DWORD mode;
  } cases[] = {
      {"empty path", "", TF_READ | TF_OPEN_EXISTING},
      {"close mode", missing.c_str(), TF_WRITE | TF_CREATE | TF_CLOSE},
      {"no disposition", missing.c_str(), TF_WRITE},
      {"missing file", missing.c_str(), TF_READ | TF_OPEN_EXISTING},
      {"over-long path", tooLong.c_str(), TF_WRITE | TF_CREATE},
  };
  for (const Case& c : cases) {
    TextFile file;
    EXPECT_FALSE(file.Open(c.path, c.mode)) << c.name;
    EXPECT_FALSE(file.IsOpen()) << c.name;
    char buffer[8] = "x";
    EXPECT_EQ(file.Read(buffer, 4), 0u) << c.name;
    EXPECT_EQ(file.Write("abc", 3), 0u) << c.name;
    EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), 0u) << c.name;
    EXPECT_FALSE(file.Close(TF_CLOSE)) << c.name;
  }
  EXPECT_FALSE(Exists(missing));
  TextFile open;
  ASSERT_TRUE(open.Open(missing.c_str(), TF_WRITE | TF_CREATE));
  EXPECT_FALSE(open.Close(0)) << "Close needs TF_CLOSE";
  EXPECT_TRUE(open.Close(TF_CLOSE));
}

TEST_F(TextFileTest, LinesOfARealFile) {
  std::string path = scratch_ / "read.txt";
  ASSERT_TRUE(WriteBytes(path, std::string(600, 'x') + "\r\nsecond\rthird\nlast"));
  TextFile file;
  ASSERT_TRUE(file.Open(path.c_str(), TF_READ | TF_OPEN_EXISTING));
  char line[512];
  EXPECT_EQ(file.ReadLine(line, sizeof line), 511u);
  std::vector<std::string> rest;
  while (!file.AtEnd()) {
    file.ReadLine(line, sizeof line);
    rest.push_back(line);
  }
  EXPECT_EQ(rest, (std::vector<std::string>{"second", "third", "last"}));
}

TEST_F(TextFileTest, EmptyFilesAndTheTargetPath) {
  std::string path = scratch_ / "target.ini";
  TextFile file;
  EXPECT_FALSE(file.SetTargetPath(path.c_str()));
  EXPECT_STREQ(file.targetPath(), "");
  ASSERT_TRUE(file.CreateEmptyFile(path.c_str(), true));
  EXPECT_EQ(file.targetPath(), path);
  EXPECT_FALSE(file.CreateEmptyFile(path.c_str(), true)) << "it exists";

  WriteBytes(path, "content");
  EXPECT_TRUE(file.RecreateEmptyFile(path.c_str(), false));
  EXPECT_EQ(ReadBytes(path), "");
  // A read-only file cannot be deleted by it, and it says so.
  WriteBytes(path, "content");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(file.RecreateEmptyFile(path.c_str(), false));
  EXPECT_EQ(ReadBytes(path), "content");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TextFileTest, BareNamesResolveToTheProgramFolder) {
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder(program);
  folder.erase(folder.find_last_of('\\') + 1);
  struct Case {
    const char* path;
    std::string resolved;
  } cases[] = {{"install.ini", folder + "install.ini"},
               {"C:\\x\\install.ini", "C:\\x\\install.ini"},
               {"D:x.ini", "D:x.ini"},
               {"sub\\x.ini", "sub\\x.ini"},
               {"表示.ini", folder + "表示.ini"}};
  for (const Case& c : cases) {
    char out[kFilePathSize];
    ASSERT_TRUE(TextFile::ResolvePath(out, c.path)) << c.path;
    EXPECT_EQ(out, c.resolved);
  }
}

struct Notice {
  int code;
  DWORD size;
  DWORD copied;
  std::string folder;
  bool operator==(const Notice& o) const {
    return code == o.code && size == o.size && copied == o.copied && folder == o.folder;
  }
};

std::vector<Notice> g_notices;
int g_stopAfterBlocks = -1;

int RecordNotice(int code, CopyRequest* request, DWORD size, DWORD copied) {
  g_notices.push_back({code, size, copied, request->createdFolder});
  if (code == COPY_BLOCK && g_stopAfterBlocks >= 0) {
    return --g_stopAfterBlocks > 0 ? 1 : 0;
  }
  return 1;
}

class CopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_notices.clear();
    g_stopAfterBlocks = -1;
  }
  CopyRequest Request(const std::string& from, const std::string& to, DWORD block) {
    CopyRequest request;
    strcpy(request.source, from.c_str());
    strcpy(request.destination, to.c_str());
    request.blockSize = block;
    return request;
  }
  test::ScratchFolder scratch_{"KazeCopyTest"};
};

TEST_F(CopyTest, CopiesBlockByBlockWithANoticeEach) {
  const std::string data = Pattern(20000);
  ASSERT_TRUE(WriteBytes(scratch_ / "src.dat", data));
  CopyRequest request = Request(scratch_ / "src.dat", scratch_ / "dst.dat", 8192);
  EXPECT_TRUE(CopyWithProgress(request, &RecordNotice));
  EXPECT_EQ(g_notices, (std::vector<Notice>{{0, 20000, 0, ""},
                                            {1, 20000, 8192, ""},
                                            {1, 20000, 16384, ""},
                                            {1, 20000, 20000, ""},
                                            {3, 20000, 20000, ""}}));
  EXPECT_EQ(ReadBytes(scratch_ / "dst.dat"), data);
}

TEST_F(CopyTest, StopAfterTheFirstBlockLeavesAPartialFile) {
  ASSERT_TRUE(WriteBytes(scratch_ / "src.dat", Pattern(20000)));
  g_stopAfterBlocks = 1;
  CopyRequest request = Request(scratch_ / "src.dat", scratch_ / "dst.dat", 8192);
  EXPECT_FALSE(CopyWithProgress(request, &RecordNotice));
  EXPECT_EQ(g_notices, (std::vector<Notice>{
                           {0, 20000, 0, ""}, {1, 20000, 8192, ""}, {2, 20000, 8192, ""}}));
  EXPECT_EQ(ReadBytes(scratch_ / "dst.dat"), Pattern(8192));
}

TEST_F(CopyTest, StopAfterTheLastBlockStillFails) {
  ASSERT_TRUE(WriteBytes(scratch_ / "src.dat", Pattern(100)));
  g_stopAfterBlocks = 1;
  CopyRequest request = Request(scratch_ / "src.dat", scratch_ / "dst.dat", 0);
  EXPECT_FALSE(CopyWithProgress(request, &RecordNotice));
  EXPECT_EQ(request.blockSize, 0x3000u);
  EXPECT_EQ(g_notices.back().code, 3);
}

TEST_F(CopyTest, MissingFoldersAreCreatedOutermostFirst) {
  // 表 and ソ end in 0x5C: they are not separators.
  std::string x = scratch_ / "x\\";
  ASSERT_TRUE(CreateDirectoryA(x.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(scratch_ / "src.dat", "abc"));
  CopyRequest request = Request(scratch_ / "src.dat", x + "表\\ソ\\f.dat", 8192);
  EXPECT_TRUE(CopyWithProgress(request, &RecordNotice));
  EXPECT_EQ(g_notices, (std::vector<Notice>{{4, 0, 0, x + "表\\"},
                                            {4, 0, 0, x + "表\\ソ\\"},
                                            {0, 3, 0, ""},
                                            {1, 3, 3, ""},
                                            {3, 3, 3, ""}}));
  EXPECT_EQ(ReadBytes(x + "表\\ソ\\f.dat"), "abc");
  EXPECT_STREQ(request.createdFolder, "");
}

TEST_F(CopyTest, ReplacesALongerDestinationAndCopiesEmptyFiles) {
  ASSERT_TRUE(WriteBytes(scratch_ / "src.dat", "short"));
  ASSERT_TRUE(WriteBytes(scratch_ / "dst.dat", Pattern(5000)));
  CopyRequest request = Request(scratch_ / "src.dat", scratch_ / "dst.dat", 8192);
  EXPECT_TRUE(CopyWithProgress(request, &RecordNotice));
  EXPECT_EQ(ReadBytes(scratch_ / "dst.dat"), "short");

  g_notices.clear();
  ASSERT_TRUE(WriteBytes(scratch_ / "empty.dat", ""));
  request = Request(scratch_ / "empty.dat", scratch_ / "dst.dat", 8192);
  EXPECT_TRUE(CopyWithProgress(request, &RecordNotice));
  EXPECT_EQ(g_notices, (std::vector<Notice>{{0, 0, 0, ""}, {3, 0, 0, ""}}));
  EXPECT_EQ(ReadBytes(scratch_ / "dst.dat"), "");
}

TEST_F(CopyTest, FilesThatDoNotOpenSendNoNotice) {
  ASSERT_TRUE(WriteBytes(scratch_ / "src.dat", "abc"));
  ASSERT_TRUE(WriteBytes(scratch_ / "held.dat", "old"));
  CopyRequest missing = Request(scratch_ / "none.dat", scratch_ / "dst.dat", 8192);
  EXPECT_FALSE(CopyWithProgress(missing, &RecordNotice));
  // A destination that another program holds open without sharing.
  HANDLE holder = CreateFileA((scratch_ / "held.dat").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  CopyRequest held = Request(scratch_ / "src.dat", scratch_ / "held.dat", 8192);
  EXPECT_FALSE(CopyWithProgress(held, &RecordNotice));
  CloseHandle(holder);
  EXPECT_TRUE(g_notices.empty());
  EXPECT_EQ(ReadBytes(scratch_ / "held.dat"), "old");
}

class ListFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.path();
    CreateDirectoryA((root_ + "sub").c_str(), nullptr);
    CreateDirectoryA((root_ + "sub\\deep").c_str(), nullptr);
    CreateDirectoryA((root_ + ".hiddenfolder").c_str(), nullptr);
    WriteBytes(root_ + "a.txt", "12345");
    WriteBytes(root_ + ".hidden", "x");
    WriteBytes(root_ + "sub\\b.txt", "1");
    WriteBytes(root_ + "sub\\deep\\c.txt", "");
  }
  test::ScratchFolder scratch_{"KazeListTest"};
  std::string root_;
};

TEST_F(ListFolderTest, ListsLevelByLevelToTheDepthAsked) {
  std::string withoutBackslash = root_.substr(0, root_.size() - 1);
  auto one = ListFolder(withoutBackslash.c_str(), 1);
  ASSERT_EQ(one->files.size(), 1u);
  EXPECT_EQ(one->files[0].fullPath, root_ + "a.txt");
  EXPECT_STREQ(one->files[0].relativePath, "a.txt");
  EXPECT_EQ(one->files[0].size, 5u);
  ASSERT_EQ(one->folders.size(), 2u);
  EXPECT_EQ(one->folders[0].fullPath, root_);
  EXPECT_EQ(one->folders[0].fileCount, 1u);
  EXPECT_EQ(one->folders[0].firstSubfolder, 1u);
  EXPECT_STREQ(one->folders[1].relativePath, "sub\\");
  EXPECT_EQ(one->folders[1].fileCount, 0u) << "not entered at depth 1";

  auto all = ListFolder(root_.c_str(), 3);
  std::vector<std::string> files, folders;
  for (const ListedFile& f : all->files) files.push_back(f.relativePath);
  for (const ListedFolder& f : all->folders) folders.push_back(f.relativePath);
  EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "sub\\b.txt", "sub\\deep\\c.txt"}));
  EXPECT_EQ(folders, (std::vector<std::string>{"", "sub\\", "sub\\deep\\"}));
  const ListedFolder& sub = all->folders[1];
  EXPECT_EQ(sub.fileCount, 1u);
  EXPECT_STREQ(all->files[sub.firstFile].relativePath, "sub\\b.txt");
  EXPECT_EQ(sub.firstSubfolder, 2u);
  EXPECT_EQ(all->folders[2].firstSubfolder, FolderListing::kNone);
}

TEST_F(ListFolderTest, EntriesThatDoNotFitAreNamedNotLost) {
  // A name that brings the file's path to 260 bytes: one over what the listing holds.
  std::string name(260 - root_.size(), 'n');
  ASSERT_TRUE(WriteBytes(root_ + name, "x")) << "Wine refused a long path";
  auto listing = ListFolder(root_.c_str(), 1);
  for (const ListedFile& f : listing->files) EXPECT_STRNE(f.relativePath, name.c_str());
  ASSERT_EQ(listing->skipped.size(), 1u);
  EXPECT_EQ(listing->skipped[0], root_ + name);
  EXPECT_EQ(listing->files.size(), 1u) << "the others are still listed";
}

TEST_F(ListFolderTest, MissingFolderGivesAnEmptyNode) {
  auto listing = ListFolder((root_ + "none").c_str(), 2);
  ASSERT_EQ(listing->folders.size(), 1u);
  EXPECT_EQ(listing->folders[0].fullPath, root_ + "none\\");
  EXPECT_EQ(listing->folders[0].fileCount, 0u);
  EXPECT_TRUE(listing->files.empty());
  EXPECT_TRUE(ListFolder(root_.c_str(), 0)->files.empty());
}

}  // namespace
}  // namespace kaze

namespace kaze {
namespace {

// Windows 95 has no GetFileAttributesExA; its stand-in must answer as the real one does
// wherever the real one answers, and refuse wildcards, which would name some other file.
TEST(FileAttributeFallback, AnswersAsGetFileAttributesExDoes) {
  test::ScratchFolder scratch("KazeAttributeFallback");
  ASSERT_TRUE(test::WriteBytes(scratch / "plain.dat", std::string(70000, 'x')));
  // ソ (83 5C) ends the folder's name with a trail byte equal to '\'.
  std::string dbcsFolder = scratch.Folder("\x83\x5C\\");
  ASSERT_TRUE(test::WriteBytes(dbcsFolder + "\x95\x5C.txt", "moon"));
  ASSERT_TRUE(test::WriteBytes(scratch / "a1.txt", "other"));

  const std::string present[] = {
      scratch / "plain.dat", scratch.path(), dbcsFolder, dbcsFolder + "\x95\x5C.txt",
      scratch.path().substr(0, scratch.path().size() - 1), "C:\\",
  };
  for (const std::string& path : present) {
    SCOPED_TRACE(path);
    WIN32_FILE_ATTRIBUTE_DATA expected = {}, fallback = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &expected));
    ASSERT_TRUE(FindFileAttributeData(path.c_str(), &fallback));
    EXPECT_EQ(fallback.dwFileAttributes, expected.dwFileAttributes);
    if (path != "C:\\") {
      EXPECT_EQ(fallback.nFileSizeLow, expected.nFileSizeLow);
      EXPECT_EQ(fallback.nFileSizeHigh, expected.nFileSizeHigh);
      EXPECT_EQ(CompareFileTime(&fallback.ftLastWriteTime, &expected.ftLastWriteTime), 0);
    }
  }
  const std::string refused[] = {scratch / "missing.dat", scratch / "a?.txt", scratch / "*.txt",
                                 dbcsFolder + "*", ""};
  for (const std::string& path : refused) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    EXPECT_FALSE(FindFileAttributeData(path.c_str(), &data)) << path;
  }
}

}  // namespace
}  // namespace kaze
