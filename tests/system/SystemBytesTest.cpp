#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "system/DriveRules.h"
#include "system/PathSplit.h"
#include "system/PathText.h"
#include "system/ProfileSection.h"

namespace kaze {
namespace {

// Runs natively under the sanitizers (code page 932 rule) and under Wine.

TEST(JoinWithin, RefusesInsteadOfCutting) {
  std::string out = "unchanged";
  std::string folder(250, 'a');
  EXPECT_TRUE(JoinWithin(folder.c_str(), "123456789", 259, &out));
  EXPECT_EQ(out.size(), 259u);
  out = "unchanged";
  EXPECT_FALSE(JoinWithin(folder.c_str(), "1234567890", 259, &out));
  EXPECT_EQ(out, "unchanged");
  EXPECT_TRUE(JoinWithin("C:\\Game\\", "", 259, &out));
  EXPECT_EQ(out, "C:\\Game\\");
}

// A folder from the registry (ProgramFilesDir): the bytes as they came, whole or refused.
TEST(FolderFromValue, TakesTheTextUpToItsZeroAndRefusesAFolderOver259Bytes) {
  const std::string long258 = "C:\\" + std::string(255, 'p');  // 258 bytes
  struct Case {
    const char* name;
    std::string data;
    bool accepted;
    std::string folder;
  } cases[] = {
      {"with its terminator", std::string("C:\\Program Files\0", 17), true,
       "C:\\Program Files\\"},
      {"without a terminator", "C:\\Program Files", true, "C:\\Program Files\\"},
      {"backslash not doubled", "C:\\Program Files\\", true, "C:\\Program Files\\"},
      {"trail byte 0x5C is no backslash", "C:\\表", true, "C:\\表\\"},
      {"text ends at the first zero", std::string("C:\\Prog\0junk", 12), true, "C:\\Prog\\"},
      {"empty", std::string("\0", 1), false, ""},
      {"no bytes", "", false, ""},
      {"259 bytes with the backslash", long258, true, long258 + "\\"},
      {"260 bytes with the backslash", long258 + "q", false, ""},
      {"259 bytes ending with one", long258 + "\\", true, long258 + "\\"},
      {"260 bytes ending with one", long258 + "q\\", false, ""},
  };
  for (const Case& c : cases) {
    std::string folder = "unchanged";
    EXPECT_EQ(FolderFromValue(c.data.data(), c.data.size(), &folder), c.accepted) << c.name;
    EXPECT_EQ(folder, c.accepted ? c.folder : "unchanged") << c.name;
  }
}

// What a disc or an archive names must stay below the folder it is joined to.
TEST(IsContainedPath, RefusesEveryWayOutOfTheFolder) {
  struct Case {
    const char* path;
    bool file;    // as a file name below the folder
    bool folder;  // as a folder below it (an empty path and a final separator allowed)
  } cases[] = {
      {"readme.txt", true, true},        {"Data\\a.txt", true, true},
      {"Data\\", false, true},          {"Data/sub/", false, true},
      {"", false, true},                 {"表\\ソ.txt", true, true},
      {"ソ", true, true},                 {"a..b.txt", true, true},
      {"..", false, false},              {"..\\x.txt", false, false},
      {"a\\..\\..\\x", false, false}, {"a/../x", false, false},
      {"...\\x", false, false},         {". \\x", false, false},
      {"\\x.txt", false, false},        {"/x.txt", false, false},
      {"\\", false, false},             {"\\\\server\\share\\x", false, false},
      {"C:\\x.txt", false, false},      {"C:x.txt", false, false},
      {"x:stream", false, false},        {"a\\\\b", false, false},
      {"CON", false, false},             {"Data\\nul.txt", false, false},
      {"com1\\", false, false},         {"x*.txt", false, false},
      {"表\\..\\x", false, false},     {"ab\x83", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsContainedPath(c.path, std::strlen(c.path), false), c.file) << c.path;
    EXPECT_EQ(IsContainedPath(c.path, std::strlen(c.path), true), c.folder) << c.path;
  }
}

// install.ini's names (the program group's levels, shortcut names, PATH2) and its PATH.
TEST(IsSingleName, TakesOneNameThatMeansOnlyItself) {
  struct Case {
    std::string text;
    bool name;        // as one name
    bool folderPath;  // as a relative folder (PATH)
  } cases[] = {
      {"月見日和", true, true},
      {"Read me", true, true},
      {"表", true, true},  // trail byte 0x5C
      {"ソフト表", true, true},
      {"v1.0", true, true},
      {std::string(255, 'n'), true, true},
      {std::string(256, 'n'), false, false},
      {"", false, true},
      {" ", false, false},
      {".", false, false},
      {"..", false, false},
      {"スタートアップ.", false, false},  // Windows drops the dot: another name's spelling
      {"Game ", false, false},
      {"a\\b", false, true},
      {"a/b", false, true},
      {"Program Files\\", false, true},
      {"\\Windows", false, false},
      {"/Windows", false, false},
      {"C:", false, false},
      {"C:\\x", false, false},
      {"a:b", false, false},
      {"..\\..\\デスクトップ", false, false},
      {"a\\..\\b", false, false},
      {"a\\\\b", false, false},
      {"a\\b\\\\", false, false},
      {"a.\\b", false, false},
      {"CON", false, false},
      {"nul.txt", false, false},
      {"Com1", false, false},
      {"a*b", false, false},
      {"a?", false, false},
      {"a|b", false, false},
      {"a\tb", false, false},
      {std::string("a\0b", 3), false, false},
      {"ab\x83", false, false},  // half a character at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSingleName(c.text.data(), c.text.size()), c.name) << c.text;
    EXPECT_EQ(IsContainedFolderPath(c.text.data(), c.text.size()), c.folderPath) << c.text;
  }
  // A shortcut's name leaves room for ".lnk".
  EXPECT_TRUE(IsSingleName(std::string(251, 's').c_str(), 251, 251));
  EXPECT_FALSE(IsSingleName(std::string(252, 's').c_str(), 252, 251));
}

TEST(UseBackslashes, TurnsSlashesAndLeavesTrailBytes) {
  char text[] = "Docs/表/ソ\\x/";
  UseBackslashes(text);
  EXPECT_STREQ(text, "Docs\\表\\ソ\\x\\");
  char plain[] = "\x83/";  // a lead byte takes the slash as its trail byte
  UseBackslashes(plain);
  EXPECT_STREQ(plain, "\x83/");
}

// REG_KEY: below HKEY_LOCAL_MACHINE, a key of the product's own below Software.
TEST(IsOwnSoftwareKey, RefusesEveryKeyThatIsNotTheProductsOwn) {
  struct Case {
    std::string key;
    bool own;
  } cases[] = {
      {"Software\\KAZE_CORP\\Tsukimi", true},
      {"SOFTWARE\\Maker", true},
      {"software\\風見ソフト\\表", true},
      {"Software\\MicrosoftGames\\X", true},  // only the whole name is Microsoft's
      {"Software\\" + std::string(255, 'k'), true},
      {"Software\\" + std::string(256, 'k'), false},
      {"", false},
      {"Software", false},
      {"Software\\", false},
      {"Software\\\\Maker", false},
      {"Software\\Maker\\", false},
      {"Software\\Maker\\\\Game", false},
      {"\\Software\\Maker", false},
      {"Software/Maker", false},
      {"Software\\Maker/Game", false},
      {"Software\\..\\SYSTEM", false},
      {"Software\\Maker\\.", false},
      {"Software\\Ma\tker", false},
      {"SYSTEM\\CurrentControlSet\\Services\\x", false},
      {"SoftwareX\\Maker", false},
      {"Software\\Microsoft", false},
      {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {"software\\MICROSOFT\\Windows NT\\CurrentVersion\\Winlogon", false},
      {"Software\\Classes\\exefile\\shell\\open\\command", false},
      {"Software\\Policies\\Maker", false},
      {"Software\\Wow6432Node\\Maker", false},
      {"Software\\Clients\\StartMenuInternet", false},
      {"Software\\RegisteredApplications", false},
      {"Software\\ODBC\\ODBC.INI", false},
      {"Software\\Khronos\\Vulkan\\ImplicitLayers", false},
      {"Software\\KazeInstaller", false},
      {"Software\\Maker\x83", false},  // half a character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsOwnSoftwareKey(c.key.data(), c.key.size()), c.own) << c.key;
  }
}

TEST(SplitPath, SplitsLikeSplitpathButStepsOverDoubleByteCharacters) {
  struct Case { const char* path; const char* drive; const char* folder; const char* name; const char* ext; } cases[] = {
      {"C:\\Games\\Demo\\setup.exe", "C:", "\\Games\\Demo\\", "setup", ".exe"},
      {"C:/Games/Demo/setup.exe", "C:", "/Games/Demo/", "setup", ".exe"},
      {"C:\\Games\\Demo", "C:", "\\Games\\", "Demo", ""},
      {"Games", "", "", "Games", ""},
      {"a.b.c", "", "", "a.b", ".c"},
      {"C:\\dir.x\\file", "C:", "\\dir.x\\", "file", ""},
      {"C:", "C:", "", "", ""},
      {"", "", "", "", ""},
      {"\\\\server\\share\\x.txt", "", "\\\\server\\share\\", "x", ".txt"},
      // 表 and ソ end in 0x5C: neither is a separator.
      {"C:\\表\\ソ.txt", "C:", "\\表\\", "ソ", ".txt"},
      {"C:\\Games\\表", "C:", "\\Games\\", "表", ""},
      {"表示.dat", "", "", "表示", ".dat"},
      // A lead byte first: its trail is no drive colon, and the lone lead byte at the end
      // does not swallow the terminator.
      {"\x95", "", "", "\x95", ""},
  };
  for (const Case& c : cases) {
    SplitPathResult parts = SplitPath(c.path);
    EXPECT_EQ(parts.drive, c.drive) << c.path;
    EXPECT_EQ(parts.folder, c.folder) << c.path;
    EXPECT_EQ(parts.name, c.name) << c.path;
    EXPECT_EQ(parts.extension, c.ext) << c.path;
  }
}

TEST(HasForbiddenPathText, RefusesDoubledSeparatorsAndReservedCharactersAfterTheDrive) {
  struct Case { const char* path; bool forbidden; } cases[] = {
      {"C:\\Games\\Demo", false},
      {"C:\\Games\\\\Demo", true},
      {"C:/Games//Demo", true},
      {"C:\\Games/\\Demo", true},
      {"C:\\a?b", true}, {"C:\\a\"b", true}, {"C:\\a;b", true}, {"C:\\a:b", true},
      {"C:\\a,b", true}, {"C:\\a<b", true}, {"C:\\a>b", true}, {"C:\\a!b", true},
      {"C:\\a*b", true}, {"C:\\a|b", true},
      {"C:", false},  // the drive's own colon is not looked at
      {"", false},
      // Trail bytes 0x5C (表) and 0x7C (ポ) are parts of characters, not separators or bars.
      {"C:\\表\\Demo", false},
      {"C:\\ポ\\Demo", false},
      {"C:\\表\\\\Demo", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HasForbiddenPathText(c.path), c.forbidden) << c.path;
  }
}

TEST(IsAbsoluteFolderText, AcceptsOnlyTheDriveRootForm) {
  struct Case { const char* folder; bool absolute; } cases[] = {
      {"C:\\Games", true}, {"d:\\games\\", true}, {"1:\\x", true},  // any first character
      {"C:\\", true},
      {"games\\x", false}, {"\\\\server\\share", false}, {"", false}, {"C:", false},
      {"C:games", false}, {"表:\\", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAbsoluteFolderText(c.folder), c.absolute) << c.folder;
}

TEST(RefusalForDriveType, GivesTheExactTextForEachUnsuitableDriveType) {
  struct Case { unsigned type; const char* message; } cases[] = {
      {0, "指定されたディスクの種類が特定できません。\n指定された、インストールすることは出来ません。"},
      {1, "指定されたドライブが見つかりません。\nインストールにはマイコンピュータ上に存在するドライブ(Cドライブ等)を指定してください。"},
      {2, "指定されたドライブはリムーバブルメディアです。\nインストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。"},
      {3, nullptr},
      {4, "指定されたドライブはネットワーク上に存在しています。\nネットワーク上のディスクにインストールすることは出来ません。\nインストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。"},
      {5, "指定されたドライブは CD-ROM もしくは DVD-ROM ドライブです。\nインストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。"},
      {6, "指定されたドライブはRAMディスクです。\nインストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。"},
      {7, nullptr},
      {0xFFFFFFFFu, nullptr},
  };
  for (const Case& c : cases) {
    const char* message = RefusalForDriveType(c.type);
    if (c.message == nullptr) {
      EXPECT_EQ(message, nullptr) << c.type;
    } else {
      ASSERT_NE(message, nullptr) << c.type;
      EXPECT_STREQ(message, c.message) << c.type;
    }
  }
}

TEST(TargetCheckMessages, FitTheMessageBufferWhole) {
  // Messages are copied into a 256-byte buffer before they are shown.
  const char* messages[] = {kFolderNotAbsoluteMessage, kFolderTooLongMessage,
                            kNoInstallTypeMessage, kNotEnoughSpaceMessage};
  for (const char* m : messages) EXPECT_LT(std::strlen(m), 256u) << m;
  for (unsigned type = 0; type <= 6; ++type) {
    if (const char* m = RefusalForDriveType(type)) {
      EXPECT_LT(std::strlen(m), 256u) << type;
    }
  }
  EXPECT_STREQ(kNotEnoughSpaceMessage,
               "選択されたハードディスクドライブには、インストールするために十分な空き容量がありません。\n"
               "このハードディスクドライブにインストールすることは出来ません。");
  EXPECT_STREQ(kFolderNotAbsoluteMessage,
               "指定されているインストールフォルダのパスが不正です。フォルダの指定は「絶対パス」でなければなりません");
}

TEST(SpaceArithmetic, FormsClusterProductsIn64BitsAndKeepsKilobytesFromWrapping) {
  // 8 GB of 4 KB clusters: the product overflows 32 bits before the shift.
  EXPECT_EQ(ClusterBytes(2097152u, 8u, 512u), 8589934592ull);
  EXPECT_EQ(KilobytesOf(ClusterBytes(2097152u, 8u, 512u)), 8388608u);
  EXPECT_EQ(ClusterBytes(0u, 8u, 512u), 0u);
  EXPECT_EQ(ClusterBytes(100u, 0u, 512u), 0u);
  EXPECT_EQ(ClusterBytes(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), UINT64_MAX);
  EXPECT_EQ(KilobytesOf(1023u), 0u);
  EXPECT_EQ(KilobytesOf(1024u), 1u);
  // Exactly 4 TB - 1 KB is the largest figure; beyond it stays there instead of wrapping.
  EXPECT_EQ(KilobytesOf(0xFFFFFFFFull << 10), 0xFFFFFFFFu);
  EXPECT_EQ(KilobytesOf(0x100000000ull << 10), 0xFFFFFFFFu);
  EXPECT_EQ(KilobytesOf(UINT64_MAX), 0xFFFFFFFFu);
}

TEST(SpaceArithmetic, NeedsStrictlyMoreFreeMegabytesThanRequired) {
  struct Case { uint32_t freeKb; int requiredMb; bool enough; } cases[] = {
      {300u * 1024, 300, false},
      {301u * 1024, 300, true},
      {301u * 1024 - 1, 300, false},  // 300.99 MB reads as 300
      {0, 0, false},
      {1024, 0, true},
      {0xFFFFFFFFu, 0x7FFFFFFF, false},
      {0, -1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HasEnoughSpace(c.freeKb, c.requiredMb), c.enough) << c.freeKb << " " << c.requiredMb;
  }
}

// WININIT.INI's [rename] section: read whole, one line added, written back whole. Every
// line of another program must survive the round trip, and a line is never doubled.
TEST(ProfileSection, AddsOneLineAndKeepsEveryOtherLine) {
  struct Case {
    std::string existing;  // as GetPrivateProfileSectionA answers (count without last NUL)
    std::string line;
    bool added;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {std::string(""), "NUL=C:\\TEMP\\KZUN1.EXE", true, {"NUL=C:\\TEMP\\KZUN1.EXE"}},
      {std::string("NUL=C:\\A.TMP\0NUL=C:\\B.TMP\0", 26), "NUL=C:\\TEMP\\KZUN1.EXE", true,
       {"NUL=C:\\A.TMP", "NUL=C:\\B.TMP", "NUL=C:\\TEMP\\KZUN1.EXE"}},
      // Already there, in other letter case: not added again.
      {std::string("nul=c:\\temp\\kzun1.exe\0", 22), "NUL=C:\\TEMP\\KZUN1.EXE", false,
       {"nul=c:\\temp\\kzun1.exe"}},
      // 表 is 95 5C: its trail byte is no backslash, and a different trail byte is a
      // different character, whatever the case rule says about ASCII.
      {std::string("NUL=C:\\\x95\x5C\\A.EXE\0", 16), "NUL=C:\\\x95\x7C\\A.EXE", true,
       {"NUL=C:\\\x95\x5C\\A.EXE", "NUL=C:\\\x95\x7C\\A.EXE"}},
      // Trail bytes in the letter range are not folded: ア (83 41) is not 83 61.
      {std::string("NUL=C:\\\x83\x41.EXE\0", 13), "NUL=C:\\\x83\x61.EXE", true,
       {"NUL=C:\\\x83\x41.EXE", "NUL=C:\\\x83\x61.EXE"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = SplitProfileSection(c.existing.data(), c.existing.size());
    EXPECT_EQ(AddProfileLine(&lines, c.line), c.added) << c.line;
    EXPECT_EQ(lines, c.after) << c.line;
    std::string joined = JoinProfileSection(lines);
    ASSERT_GE(joined.size(), 1u);
    EXPECT_EQ(joined.back(), '\0');
    EXPECT_EQ(SplitProfileSection(joined.data(), joined.size() - 1), c.after);
  }
}

// Profile text of exactly bytes bytes in whole lines, none of them a header.
std::string Lines(size_t bytes) {
  std::string text = bytes % 100 == 1 ? "\n" : bytes % 100 > 1 ? std::string(bytes % 100 - 2, 'v') + "\r\n" : "";
  for (size_t i = 0; i < bytes / 100; ++i) text += "k=" + std::string(96, 'v') + "\r\n";
  return text;
}

TEST(MeasureProfileSections, FindsHeadersAsTheProfileFunctionsDo) {
  using Sizes = std::vector<std::pair<std::string, size_t>>;
  struct Case {
    const char* name;
    std::string text;
    Sizes sections;
  } cases[] = {
      {"empty file", "", {}},
      {"lines before the first header belong to none", "k=v\r\n[A]\r\nx=1\r\n[B]\r\n", {{"A", 5}, {"B", 0}}},
      {"blanks around the header and a comment after it", "  [ Name ] ;c\r\nx\r\n", {{"Name", 3}}},
      {"a bracket inside a key line or without its pair is no header",
       "[A]\r\nkey=[B]\r\n[C\r\n", {{"A", 13}}},
      {"last line without a line end", "[A]\r\nx=1", {{"A", 3}}},
      {"LF line ends", "[A]\nx\n[B]\n", {{"A", 2}, {"B", 0}}},
      // 81 5D is one character: its trail byte is no closing bracket.
      {"trail byte 0x5D", "[\x81\x5D]\r\nx\r\n", {{"\x81\x5D", 3}}},
      {"double-byte name", "[\x95\x5C]\r\n", {{"\x95\x5C", 0}}},
  };
  for (const Case& c : cases) {
    Sizes got;
    for (const ProfileSectionSize& s : MeasureProfileSections(c.text.data(), c.text.size())) {
      got.emplace_back(s.name, s.bytes);
    }
    EXPECT_EQ(got, c.sections) << c.name;
  }
}

// Windows 9x reads 64 KB of a file and 32,767 bytes of a section; one byte more is cut.
TEST(FindProfileCut9x, NamesTheFileAndEachWantedSectionOverTheLimits) {
  const std::string small = "[A]\r\nx=1\r\n";
  struct Case {
    const char* name;
    std::string text;
    size_t growth;
    bool file;
    std::vector<std::string> sections;
  } cases[] = {
      {"small file", small, 0, false, {}},
      {"file at the limit", small + "[C]\r\n" + Lines(65536 - 15), 0, false, {}},
      {"file one byte over", small + "[C]\r\n" + Lines(65536 - 14), 0, true, {}},
      {"section at the limit", "[A]\r\n" + Lines(32767) + "[B]\r\n", 0, false, {}},
      {"section one byte over", "[A]\r\n" + Lines(32768) + "[B]\r\n", 0, false, {"A"}},
      {"name in other letter case", "[a]\r\n" + Lines(32768), 0, false, {"A"}},
      {"section not wanted", "[C]\r\n" + Lines(40000), 0, false, {}},
      {"second header of a section", small + "[B]\r\n[a]\r\n" + Lines(32768), 0, false, {"A"}},
      {"both wanted sections, named once each",
       "[B]\r\n" + Lines(32768) + "[A]\r\n" + Lines(32768) + "[b]\r\n" + Lines(32768), 0, true,
       {"A", "B"}},
      {"growth that still fits", "[A]\r\n" + Lines(32767 - 10), 10, false, {}},
      {"growth that takes the section over", "[A]\r\n" + Lines(32767 - 10), 11, false, {"A"}},
      {"growth that takes the file over", small + "[C]\r\n" + Lines(65536 - 25), 11, true, {}},
  };
  for (const Case& c : cases) {
    ProfileCut9x cut = FindProfileCut9x(c.text.data(), c.text.size(), {"A", "B"}, c.growth);
    EXPECT_EQ(cut.file, c.file) << c.name;
    EXPECT_EQ(cut.sections, c.sections) << c.name;
    EXPECT_EQ(cut.any(), c.file || !c.sections.empty()) << c.name;
  }
}

}  // namespace
}  // namespace kaze
