#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "archive/CabFormat.h"
#include "archive/MemberName.h"

namespace kaze {
namespace {

// Runs natively under the sanitizers and under Wine with the system's lead-byte test.

TEST(CabinetHeader, NeedsSignatureZeroReservedWordAndTheFileSize) {
  const unsigned char good[12] = {'M', 'S', 'C', 'F', 0, 0, 0, 0, 0x10, 0x27, 0, 0};  // 10000
  struct Case { const char* what; int patchAt; unsigned char value; uint64_t size; size_t length; bool ok; } cases[] = {
      {"good", -1, 0, 10000, 12, true},
      {"size field wrong", -1, 0, 10001, 12, false},
      {"file beyond 4 GB", -1, 0, 10000 + (1ull << 32), 12, false},
      {"signature", 0, 'm', 10000, 12, false},
      {"reserved word", 6, 1, 10000, 12, false},
      {"file shorter than the header", -1, 0, 10000, 11, false},
  };
  for (const Case& c : cases) {
    unsigned char head[12];
    std::memcpy(head, good, sizeof head);
    if (c.patchAt >= 0) head[c.patchAt] = c.value;
    EXPECT_EQ(CabinetHeaderMatches(head, c.length, c.size), c.ok) << c.what;
  }
}

// The next part's name in a cabinet header of a set: after the reserve area and the
// previous part's two names, when the flags say so; nothing from a damaged header.
// A next part is looked for beside the cabinet: only a plain file name may be followed.
TEST(CabinetNextPart, OnlyPlainFileNamesAreFollowed) {
  struct Case {
    const char* name;
    bool plain;
  } cases[] = {
      {"game2.cab", true},   {"表2.cab", true},     {"ソ", true},
      {"", false},           {".", false},          {"..", false},
      {"..\\x.cab", false}, {"a/b.cab", false},    {"C:x.cab", false},
      {"\\x.cab", false},   {"COM1.txt", false},   {"com1", false},
      {"LPT9.cab", false},   {"NUL", false},        {"con.cab", false},
      {"aux .cab", false},   {"x?.cab", false},     {"COM10.cab", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPlainCabinetPartName(c.name), c.plain) << c.name;
}

TEST(CabinetNextPart, ReadsTheNameOnlyWhereTheFlagsPutIt) {
  auto header = [](unsigned flags, const std::string& after) {
    std::string h = "MSCF";
    h.append(26, '\0');
    h.push_back(static_cast<char>(flags & 0xFF));
    h.push_back(static_cast<char>(flags >> 8));
    h.append(4, '\0');  // set id, index
    return h + after;
  };
  const std::string reserve = std::string("\x03\x00\x00\x00", 4) + "RRR";
  struct Case {
    std::string head;
    bool found;
    std::string name;
  } cases[] = {
      {header(0, std::string("a.cab\0D\0", 8)), false, ""},
      {header(2, std::string("data2.cab\0DISK2\0", 16)), true, "data2.cab"},
      {header(3, std::string("data1.cab\0DISK1\0data3.cab\0DISK3\0", 32)), true, "data3.cab"},
      {header(6, reserve + std::string("next.cab\0D\0", 11)), true, "next.cab"},
      // ソ (83 5C): the trail byte is no separator and the name is kept whole.
      {header(2, std::string("\x83\x5C.cab\0D\0", 9)), true, "\x83\x5C.cab"},
      {header(2, std::string("cut-without-end")), false, ""},
      {header(2, std::string(300, 'n') + std::string("\0D\0", 3)), false, ""},  // over 255
      {header(2, std::string("\0D\0", 3)), false, ""},  // empty name
      {std::string("MSCF", 4), false, ""},
      {header(2, std::string("x.cab\0D\0", 8)).replace(0, 4, "MSCE"), false, ""},
  };
  for (const Case& c : cases) {
    char out[256] = "left over";
    EXPECT_EQ(CabinetNextPartName(reinterpret_cast<const unsigned char*>(c.head.data()),
                                  c.head.size(), out, sizeof out),
              c.found)
        << c.name;
    EXPECT_EQ(std::string(out), c.name);
  }
  // A name that the caller's buffer cannot hold is not cut into another name.
  std::string h = header(2, std::string("longname.cab\0D\0", 15));
  char small[8];
  EXPECT_FALSE(CabinetNextPartName(reinterpret_cast<const unsigned char*>(h.data()), h.size(),
                                   small, sizeof small));
  EXPECT_STREQ(small, "");
}

TEST(CabErrorText, KnownCodesUnknownCodesAndMinusOne) {
  struct Case { int code; const char* text; } cases[] = {
      {267, "ERROR CODE : ERROR_DIRECTORY \n 解凍先ディレクトリが作成できません。"},
      {0x8020, "ERROR CODE : ERROR_USER_CANCEL \n ユーザキャンセル。"},
      {0x802C, "ERROR CODE : ERROR_TMP_COPY \n テンポラリデータコピーエラー"},
      {0x8012, "ERROR CODE : UNKNOW( 0x00008012 ) \n エラーコードが見つかりません。"},
      {0x801D, "ERROR CODE : UNKNOW( 0x0000801D ) \n エラーコードが見つかりません。"},
      {-2, "ERROR CODE : UNKNOW( 0xFFFFFFFE ) \n エラーコードが見つかりません。"},
  };
  for (const Case& c : cases) {
    char text[260];
    EXPECT_TRUE(FormatCabErrorText(c.code, text, sizeof text)) << c.code;
    EXPECT_STREQ(text, c.text) << c.code;
  }
  char text[260] = "left over";
  EXPECT_FALSE(FormatCabErrorText(-1, text, sizeof text));
  EXPECT_STREQ(text, "");
}

TEST(CopyTextCut, NeverSplitsADoubleByteCharacter) {
  char out[6];
  CopyTextCut("ab表示", out, sizeof out);  // 'a' 'b' 95 5C 8E A6: only 表 fits
  EXPECT_STREQ(out, "ab表");
  CopyTextCut("abc表", out, 5);
  EXPECT_STREQ(out, "abc");
}

TEST(CabCommand, QuotesArchiveFolderAndPatternAndRefusesWhatDoesNotFit) {
  char line[520];
  ASSERT_TRUE(FormatCabCommand("Q:\\data1.cab", "C:\\Game", line, sizeof line));
  EXPECT_STREQ(line, "-x -o -i \"Q:\\data1.cab\" \"C:\\Game\" \"*.*\"");
  std::string longPath(259, 'p');
  EXPECT_FALSE(FormatCabCommand(longPath.c_str(), longPath.c_str(), line, sizeof line));
  EXPECT_STREQ(line, "");
}

TEST(ParentFolder, StepsOverTrailBytesAndStopsAtTheTop) {
  struct Case { const char* path; const char* parent; } cases[] = {
      {"C:\\A\\B\\f.txt", "C:\\A\\B\\"},
      {"C:\\A\\B\\", "C:\\A\\"},
      {"C:\\A\\", "C:\\"},
      {"C:\\ゲーム\\表", "C:\\ゲーム\\"},     // 表 ends in 0x5C
      {"C:\\表\\ソ\\", "C:\\表\\"},
      {"C:\\", nullptr},
      {"file.txt", nullptr},
      {"表", nullptr},
  };
  for (const Case& c : cases) {
    char out[260];
    bool ok = ParentFolderOf(c.path, out, sizeof out);
    EXPECT_EQ(ok, c.parent != nullptr) << c.path;
    if (c.parent != nullptr) {
      EXPECT_STREQ(out, c.parent) << c.path;
    }
  }
  char small[4];
  EXPECT_FALSE(ParentFolderOf("C:\\A\\B\\f", small, sizeof small));
}

TEST(JoinCabPath, RefusesToCutAPath) {
  char out[12];
  EXPECT_TRUE(JoinCabPath("C:\\D\\", "a.txt", 5, out, sizeof out));
  EXPECT_STREQ(out, "C:\\D\\a.txt");
  EXPECT_FALSE(JoinCabPath("C:\\D\\", "abcdef.txt", 10, out, sizeof out));
  EXPECT_STREQ(out, "");
}

TEST(ArchiveWeight, IsTheCountTimesAThousandWithinRange) {
  struct Case { int count; int weight; } cases[] = {
      {3, 3000}, {0, 0}, {-1, -1000}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}};
  for (const Case& c : cases) EXPECT_EQ(ArchiveWeightFromCount(c.count), c.weight) << c.count;
}

// The library counts bytes over the whole archive while a file is written and reports
// the file's own size at its end.
TEST(CabProgress, FiguresFollowTheLibrarysCounting) {
  CabExtractRecord r;
  std::memset(&r, 0, sizeof r);
  CabProgressFileBegin(r, 100);
  CabProgressBytesWritten(r, 60);
  EXPECT_EQ(r.currentBytesWritten, 60u);
  CabProgressBytesWritten(r, 100);
  CabProgressFileEnd(r, 100);
  EXPECT_EQ(r.filesDone, 1u);
  EXPECT_EQ(r.finishedBytes, 100u);
  CabProgressFileBegin(r, 50);
  EXPECT_EQ(r.progressValue, 1000u);
  EXPECT_EQ(r.currentBytesWritten, 0u);
  CabProgressBytesWritten(r, 130);
  EXPECT_EQ(r.currentBytesWritten, 30u);
  CabProgressFileEnd(r, 50);
  EXPECT_EQ(r.filesDone, 2u);
  EXPECT_EQ(r.finishedBytes, 150u);
  EXPECT_EQ(r.currentBytesWritten, 50u);
  // A library reporting less than finished wraps, it does not trap.
  CabProgressBytesWritten(r, 10);
  EXPECT_EQ(r.currentBytesWritten, 10u - 150u);
}

TEST(CabFileInfo, ReadsSizeWrittenAndTheNameFromTheNinthByte) {
  unsigned char info[8 + 600];
  std::memset(info, 'n', sizeof info);
  const unsigned char head[8] = {0x10, 0, 0, 0, 0x02, 0x01, 0, 0};
  std::memcpy(info, head, 8);
  std::strcpy(reinterpret_cast<char*>(info + 8), "a\\b.txt");
  CabFileInfoView v = ReadCabFileInfo(info);
  EXPECT_EQ(v.fileSize, 16u);
  EXPECT_EQ(v.bytesWritten, 258u);
  EXPECT_EQ(std::string(v.name, v.nameLength), "a\\b.txt");
  std::memset(info + 8, 'n', 600);  // no terminator within the record's name field
  EXPECT_EQ(ReadCabFileInfo(info).nameLength, kCabInfoNameLimit);
}

TEST(ArchiveMemberName, OnlyNamesBelowTheDestinationPass) {
  struct Case { const char* name; bool safe; } cases[] = {
      {"top.txt", true},
      {"a\\b\\c\\deep.txt", true},
      {"a/b/c.txt", true},
      {"..a\\b..\\c..txt", true},
      {"表\\ソ\\能.txt", true},       // trail bytes 0x5C are not separators
      {"ｱ|ソ", false},                // '|' single-byte
      {"ソ|", false},
      {"..\\escape.txt", false},
      {"a\\..\\..\\escape.txt", false},
      {"a/../escape.txt", false},
      {"..", false},
      {"...\\x", false},
      {". .\\x", false},
      {"C:\\escape.txt", false},
      {"C:escape.txt", false},
      {"\\escape.txt", false},
      {"/escape.txt", false},
      {"\\\\server\\share\\x", false},
      {"a\\\\b", false},
      {"a\\", false},
      {"", false},
      {"file:stream", false},
      {"CON", false},
      {"a\\nul.txt", false},
      {"com1.log", false},
      {"Lpt9", false},
      {"console.txt", true},
      {"com0", true},
      {"a?b", false},
      {"a*b", false},
      {"a\tb", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSafeArchiveMemberName(c.name, std::strlen(c.name)), c.safe) << c.name;
  }
  // An embedded terminator inside the given length is not a name.
  EXPECT_FALSE(IsSafeArchiveMemberName("a\0b", 3));
  // A lone lead byte at the very end stays one character.
  EXPECT_TRUE(IsSafeArchiveMemberName("ab\x83", 3));
}

TEST(ArchiveMemberName, NormalizesSlashesButKeepsTrailBytes) {
  char out[32];
  ASSERT_TRUE(NormalizeArchiveMemberName("a/ソ/b.txt", out, sizeof out));
  EXPECT_STREQ(out, "a\\ソ\\b.txt");
  EXPECT_FALSE(NormalizeArchiveMemberName("../x", out, sizeof out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(NormalizeArchiveMemberName("abcdef", out, 6));
}

}  // namespace
}  // namespace kaze
