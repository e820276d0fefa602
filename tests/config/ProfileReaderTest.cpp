#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/ProfileReader.h"
#include "tests/config/IniFiles.h"

namespace kaze {
namespace {

class ProfileReaderTest : public ::testing::Test {
 protected:
  test::ScratchFolder folder;
  ProfileReader reader;
  std::string ini = folder.Write("reader.ini",
                                 "[ONE]\r\nNAME=表示ソフト\r\nCOUNT=42\r\n[TWO]\r\nNAME=two\r\n");
};

TEST_F(ProfileReaderTest, ReadsThroughRegisteredSections) {
  SectionHandle one = reader.RegisterSection(ini.c_str(), "ONE");
  SectionHandle two = reader.RegisterSection(ini.c_str(), "two");  // case does not matter
  EXPECT_EQ(one, 0);
  EXPECT_EQ(two, 1);  // same file, next section slot
  char buffer[64];
  ASSERT_TRUE(reader.ReadString(one, "name", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "表示ソフト");
  EXPECT_EQ(reader.ReadInt(one, "COUNT"), 42);
  ASSERT_TRUE(reader.ReadString(two, "NAME", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "two");
  ASSERT_TRUE(reader.ReadString(two, "MISSING", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(reader.ReadInt(two, "MISSING"), 0);
}

TEST_F(ProfileReaderTest, FifthFileAndNinthSectionFindNoSlot) {
  for (int f = 0; f < 4; ++f) {
    std::string name = folder.path() + "file" + std::to_string(f) + ".ini";
    EXPECT_EQ(reader.RegisterSection(name.c_str(), "S"), f << 16) << f;
  }
  std::string fifth = folder.path() + "file4.ini";
  EXPECT_EQ(reader.RegisterSection(fifth.c_str(), "S"), kNoSection);
  // The same path shares its slot; a section registered again takes a new slot.
  std::string first = folder.path() + "file0.ini";
  for (int s = 1; s < 8; ++s) EXPECT_EQ(reader.RegisterSection(first.c_str(), "S"), s);
  EXPECT_EQ(reader.RegisterSection(first.c_str(), "S"), kNoSection);
  // A released section slot is taken again.
  EXPECT_TRUE(reader.ReleaseSection(5));
  EXPECT_EQ(reader.RegisterSection(first.c_str(), "T"), 5);
  // A released file frees its slot for another file.
  EXPECT_TRUE(reader.ReleaseFile(2 << 16));
  EXPECT_EQ(reader.RegisterSection(fifth.c_str(), "S"), 2 << 16);
  reader.Reset();
  EXPECT_EQ(reader.RegisterSection(fifth.c_str(), "S"), 0);
}

TEST_F(ProfileReaderTest, ReadsThroughBadHandlesAreRefusedAndLeaveTheBuffer) {
  SectionHandle good = reader.RegisterSection(ini.c_str(), "ONE");
  ASSERT_EQ(good, 0);
  SectionHandle missing = reader.RegisterSection((folder.path() + "none.ini").c_str(), "ONE");
  ASSERT_NE(missing, kNoSection);
  const SectionHandle refused[] = {kNoSection, 4 << 16, 8, 0x7FFFFFFF, 3 /* free slot */,
                                   missing};
  for (SectionHandle handle : refused) {
    char buffer[16] = "unchanged";
    EXPECT_FALSE(reader.ReadString(handle, "NAME", buffer, sizeof buffer)) << handle;
    EXPECT_STREQ(buffer, "unchanged") << handle;
    EXPECT_EQ(reader.ReadInt(handle, "COUNT"), 0) << handle;
    EXPECT_EQ(reader.CountSectionLines(handle), 0) << handle;
  }
  EXPECT_FALSE(reader.ReleaseSection(kNoSection));
  EXPECT_FALSE(reader.ReleaseFile(4 << 16));
  EXPECT_FALSE(reader.ReleaseSection(8));
  // After its file was released, the old handle reads nothing.
  EXPECT_TRUE(reader.ReleaseFile(good));
  char buffer[16] = "unchanged";
  EXPECT_FALSE(reader.ReadString(good, "NAME", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "unchanged");
}

TEST_F(ProfileReaderTest, BareFileNameIsTakenFromTheProgramFolder) {
  const char* folderPath = reader.programFolder();
  ASSERT_NE(folderPath[0], '\0');
  EXPECT_EQ(folderPath[std::strlen(folderPath) - 1], '\\');
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  EXPECT_EQ(std::string(folderPath) + reader.programName(), module);

  std::string beside = std::string(folderPath) + "kaze_reader_beside.ini";
  {
    FILE* f = std::fopen(beside.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("[S]\r\nWHERE=beside\r\n", f);
    std::fclose(f);
  }
  SectionHandle handle = reader.RegisterSection("kaze_reader_beside.ini", "S");
  char buffer[32] = {};
  EXPECT_TRUE(reader.ReadString(handle, "WHERE", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "beside");
  DeleteFileA(beside.c_str());
}

TEST_F(ProfileReaderTest, OverlongNamesAreRefusedNotCut) {
  std::string longSection(64, 'S');
  EXPECT_EQ(reader.RegisterSection(ini.c_str(), longSection.c_str()), kNoSection);
  EXPECT_NE(reader.RegisterSection(ini.c_str(), longSection.substr(1).c_str()), kNoSection);
  EXPECT_EQ(reader.RegisterSection(ini.c_str(), ""), kNoSection);
  std::string longPath = folder.path() + std::string(260, 'p') + ".ini";
  EXPECT_EQ(reader.RegisterSection(longPath.c_str(), "ONE"), kNoSection);
  // A bare name that only overflows once the program's folder is put before it.
  std::string longName(259 - std::strlen(reader.programFolder()) + 1, 'n');
  EXPECT_EQ(reader.RegisterSection(longName.c_str(), "ONE"), kNoSection);
}

TEST_F(ProfileReaderTest, CountsEveryLineOfALargeSection) {
  std::string text = "[BIG]\r\n";
  for (int i = 0; i < 3000; ++i) text += "KEY_" + std::to_string(i) + "=some value\r\n";
  text += "[AFTER]\r\nX=1\r\n";
  std::string big = folder.Write("big.ini", text);
  EXPECT_EQ(reader.CountSectionLines(reader.RegisterSection(big.c_str(), "BIG")), 3000);
  EXPECT_EQ(reader.CountSectionLines(reader.RegisterSection(big.c_str(), "AFTER")), 1);
  EXPECT_EQ(reader.CountSectionLines(reader.RegisterSection(big.c_str(), "NONE")), 0);
}

}  // namespace
}  // namespace kaze
