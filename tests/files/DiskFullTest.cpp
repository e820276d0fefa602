// Runs with drive S: on a 64 KB file system (run.sh --small-drive), so that writes
// really fail for want of space.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "config/IniEditor.h"
#include "system/FileUtils.h"
#include "tests/support/ScratchFiles.h"
#include "uninstall/UninstallLog.h"

namespace kaze {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

const char kDrive[] = "S:\\";
const char kFiller[] = "S:\\filler.bin";

// Fills the drive, then frees `spare` bytes at the end of the filler again.
void FillDrive(DWORD spare) {
  HANDLE file = CreateFileA(kFiller, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::vector<char> block(4096, 'f');
  DWORD written = 0;
  DWORD total = 0;
  while (WriteFile(file, block.data(), block.size(), &written, nullptr) && written > 0) {
    total += written;
    ASSERT_LT(total, 1u << 20) << "drive S: is not the small drive";
  }
  DWORD size = total > spare ? total - spare : 0;
  SetFilePointer(file, static_cast<LONG>(size), nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}

class DiskFullTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ULARGE_INTEGER free, total;
    ASSERT_TRUE(GetDiskFreeSpaceExA(kDrive, &free, &total, nullptr))
        << "drive S: is missing: run this program with run.sh --small-drive S=64k";
    ASSERT_LT(total.QuadPart, 1u << 20) << "drive S: is not a small drive";
  }
  void TearDown() override {
    DeleteFileA(kFiller);
    test::RemoveTree(kDrive);
  }
  test::ScratchFolder scratch_{"KazeDiskFullTest"};
};

std::vector<int> g_codes;
int RecordCode(int code, CopyRequest*, DWORD, DWORD) {
  g_codes.push_back(code);
  return 1;
}

TEST_F(DiskFullTest, CopyStopsAndFailsWhenTheDiskIsFull) {
  std::string source = scratch_ / "big.dat";
  ASSERT_TRUE(WriteBytes(source, std::string(200000, 'b')));
  CopyRequest request;
  strcpy(request.source, source.c_str());
  strcpy(request.destination, "S:\\game\\big.dat");
  request.blockSize = 8192;
  g_codes.clear();

  EXPECT_FALSE(CopyWithProgress(request, &RecordCode));
  ASSERT_GE(g_codes.size(), 3u);
  EXPECT_EQ(g_codes.front(), COPY_FOLDER_MADE);
  EXPECT_EQ(g_codes.back(), COPY_INCOMPLETE);
  EXPECT_LT(std::count(g_codes.begin(), g_codes.end(), COPY_BLOCK), 200000 / 8192);
  EXPECT_EQ(std::count(g_codes.begin(), g_codes.end(), COPY_DONE), 0);
  // Why, for the message: the write, on a full disk.
  EXPECT_EQ(request.failure, COPY_FAILED_WRITE);
  EXPECT_TRUE(request.systemError == ERROR_DISK_FULL || request.systemError == ERROR_HANDLE_DISK_FULL)
      << request.systemError;
}

TEST_F(DiskFullTest, IniEditThatCannotBeWrittenLeavesTheFileAsItWas) {
  // Close to one 4 KB block, so that the new line needs a block the drive lacks.
  std::string before = "[S]\r\n";
  while (before.size() < 4000) before += "KEY" + std::to_string(before.size()) + " = value\r\n";
  const std::string target = "S:\\setup.ini";
  ASSERT_TRUE(WriteBytes(target, before));
  TextFile file;
  ASSERT_TRUE(file.SetTargetPath(target.c_str()));
  const std::string value(200, 'v');

  for (DWORD spare : {0u, 4096u}) {  // no room even for the copy; room for the copy only
    FillDrive(spare);
    EXPECT_FALSE(WriteIniValue(file, "S", "NEWKEY", value.c_str())) << spare;
    EXPECT_EQ(ReadBytes(target), before) << spare;
    EXPECT_FALSE(Exists(target + ".tmp")) << spare;
    DeleteFileA(kFiller);
  }
  // With room again the same edit goes through.
  EXPECT_TRUE(WriteIniValue(file, "S", "NEWKEY", value.c_str()));
  EXPECT_EQ(ReadBytes(target), before + "NEWKEY = " + value + "\r\n");
}

TEST_F(DiskFullTest, CommitThatCannotWriteTheFinalLogKeepsTheTemporaryLog) {
  const std::string install = "S:\\game\\";
  ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
  UninstallLog log;
  ASSERT_TRUE(log.BeginLog(install.c_str()));  // the temporary log lies on C:
  std::vector<std::string> files;
  for (int i = 0; i < 40; ++i) {
    // Empty files, which take no room of the small disk.
    files.push_back(install + "file" + std::to_string(i) + std::string(150, 'n') + ".dat");
    ASSERT_TRUE(WriteBytes(files.back(), ""));
    ASSERT_TRUE(log.AppendEntry(LOG_FILE, files.back().c_str()));
  }
  const std::string recorded = ReadBytes(log.temporaryLogPath());
  ASSERT_GT(recorded.size(), 4096u);
  FillDrive(4096);

  EXPECT_FALSE(log.CommitLog());
  EXPECT_EQ(ReadBytes(log.temporaryLogPath()), recorded);
  EXPECT_FALSE(Exists(install + "UnInst.dat")) << "no cut log passes for the record";

  DeleteFileA(kFiller);
  log.SetOwnerWindow(GetDesktopWindow());
  RemovalRequest request;
  std::strcpy(request.folder, install.c_str());
  EXPECT_TRUE(log.RemoveLoggedItems(true, &request));
  for (const std::string& f : files) EXPECT_FALSE(Exists(f)) << f;
}

}  // namespace
}  // namespace kaze
