// Drive and disc queries on a prefix with CD-ROM drives E: (label Tsukimi1), G: (アDISK,
// whose ア has the trail byte 'A') and Q: (no disc), a floppy F:, a network drive N: and a
// RAM disk R:. C: and Z: are the prefix's fixed drives; every other letter is unused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/InstallContext.h"
#include "system/DriveQueries.h"
#include "system/DriveRules.h"
#include "WineSupport.h"
#include "../support/PromptRecorder.h"
#include "../support/ScratchFiles.h"

namespace kaze {
namespace {

TEST(CdRomDrives, AreFoundInLetterOrder) {
  CdRomDriveTable table;
  for (int& flag : table.isCdRom) flag = 7;
  ScanCdRomDrives(table);
  for (int i = 0; i < 26; ++i) {
    const char letter = static_cast<char>('A' + i);
    const bool cd = letter == 'E' || letter == 'G' || letter == 'Q';
    EXPECT_EQ(table.isCdRom[i], cd ? 1 : 0) << letter;
  }
  EXPECT_EQ(FindFirstCdRomDrive(), 'E');
}

TEST(VolumeLabels, AreReadAndMatchedWithoutRegardToAsciiCase) {
  char label[256] = "junk";
  ReadVolumeLabel("E:\\", label);
  EXPECT_STREQ(label, "Tsukimi1");
  EXPECT_TRUE(VolumeLabelMatches(label, "TSUKIMI1"));
  EXPECT_TRUE(VolumeLabelMatches(label, "tsukimi1"));
  EXPECT_FALSE(VolumeLabelMatches(label, "TSUKIMI2"));
  EXPECT_FALSE(VolumeLabelMatches(label, "TSUKIMI"));
  EXPECT_STREQ(label, "Tsukimi1");  // the caller's texts stay as they were
  char expected[] = "TSUKIMI1";
  EXPECT_TRUE(VolumeLabelMatches(label, expected));
  EXPECT_STREQ(expected, "TSUKIMI1");

  // ア is 83 41: its trail byte is an 'A' that must not be lowered.
  ReadVolumeLabel("G:\\", label);
  EXPECT_STREQ(label, "アDISK");
  EXPECT_TRUE(VolumeLabelMatches(label, "アdisk"));
  EXPECT_FALSE(VolumeLabelMatches(label, "\x83\x61" "disk"));  // ア with its trail lowered

  const char* empty[] = {"Q:\\", "M:\\"};  // no disc; no drive at all
  for (const char* root : empty) {
    std::strcpy(label, "junk");
    ReadVolumeLabel(root, label);
    EXPECT_STREQ(label, "") << root;
  }
}

TEST(DriveSpace, AgreesBetweenTheNewerAndTheOlderCall) {
  DriveSpaceQuery query;
  ASSERT_NE(query.freeSpaceEx, nullptr);
  DWORD total = 0, free = 0;
  ASSERT_TRUE(query.Query('C', total, free));
  EXPECT_GT(total, 0u);
  EXPECT_GT(free, 0u);
  EXPECT_LE(free, total);

  DriveSpaceQuery older;
  older.freeSpaceEx = nullptr;
  DWORD olderTotal = 0, olderFree = 0;
  ASSERT_TRUE(older.Query('C', olderTotal, olderFree));
  // The cluster products are formed in 64 bits: the same figures, give or take what others
  // wrote to the disk in between.
  EXPECT_NEAR(static_cast<double>(olderTotal), static_cast<double>(total), 64.0 * 1024);
  EXPECT_NEAR(static_cast<double>(olderFree), static_cast<double>(free), 64.0 * 1024);

  for (DriveSpaceQuery* q : {&query, &older}) {
    DWORD t = 5, f = 5;
    EXPECT_FALSE(q->Query('M', t, f));
    EXPECT_EQ(t, 0u);
    EXPECT_EQ(f, 0u);
  }
}

// The settings page as the check sees it: a window holding the folder box 1002, and a
// description with one installation type.
class TargetCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_NE(page_, nullptr);
    edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 90, 20, page_,
                            reinterpret_cast<HMENU>(1002), nullptr, nullptr);
    ASSERT_NE(edit_, nullptr);
    context_.pageWindows[2] = page_;
    context_.typeCount = 1;
    context_.installTypes.reset(new InstallType[1]());
    context_.installTypes[0].totalSizeMb = 1;
  }
  void TearDown() override { DestroyWindow(page_); }

  // Runs the check on a folder text; returns the message shown, or "" when accepted.
  std::string Check(const std::string& folder, bool* accepted = nullptr) {
    SetWindowTextA(edit_, folder.c_str());
    test::PromptRecorder recorder;
    bool ok = CheckInstallTargetDrive(context_);
    if (accepted) *accepted = ok;
    if (recorder.messages().empty()) {
      EXPECT_TRUE(ok) << folder;
      return "";
    }
    EXPECT_FALSE(ok) << folder;
    EXPECT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].caption, "簡易インストーラ");
    EXPECT_EQ(recorder.messages()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    return recorder.messages()[0].text;
  }

  std::string BoxText() const {
    char text[1024] = {};
    GetWindowTextA(edit_, text, sizeof text);
    return text;
  }

  HWND page_ = nullptr;
  HWND edit_ = nullptr;
  InstallContext context_;
};

TEST_F(TargetCheck, RefusesFoldersNotOnAFixedDrive) {
  const std::string notAbsolute =
      "指定されているインストールフォルダのパスが不正です。フォルダの指定は「絶対パス」でなければなりません";
  const std::string noRoot =
      "指定されたドライブが見つかりません。\n"
      "インストールにはマイコンピュータ上に存在するドライブ(Cドライブ等)を指定してください。";
  const std::string removable =
      "指定されたドライブはリムーバブルメディアです。\n"
      "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
  const std::string remote =
      "指定されたドライブはネットワーク上に存在しています。\n"
      "ネットワーク上のディスクにインストールすることは出来ません。\n"
      "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
  const std::string cdRom =
      "指定されたドライブは CD-ROM もしくは DVD-ROM ドライブです。\n"
      "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
  const std::string ramDisk =
      "指定されたドライブはRAMディスクです。\n"
      "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
  struct Case { const char* folder; const std::string* refusal; } cases[] = {
      {"games\\x", &notAbsolute}, {"\\\\server\\share\\x", &notAbsolute}, {"", &notAbsolute},
      {"C:", &notAbsolute}, {"C:games", &notAbsolute},
      {"M:\\Game", &noRoot},  // unused letter
      {"1:\\Game", &noRoot},  // no letter at all
      {"//server/share/x", &notAbsolute}, {"C:Games/x", &notAbsolute}, {"M:/Game", &noRoot},
      {"E:/Game", &cdRom}, {"F:\\Game", &removable}, {"N:\\Game", &remote},
      {"E:\\Game", &cdRom}, {"q:\\Game", &cdRom}, {"R:\\Game", &ramDisk},
  };
  for (const Case& c : cases) EXPECT_EQ(Check(c.folder), *c.refusal) << c.folder;
}

// What the check accepts is the folder's one spelling: backslashes, no "." or "..", no
// doubled separators, the long name of every part that exists; the box shows it too.
TEST_F(TargetCheck, AcceptsAFixedDriveInTheFoldersOneSpelling) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Kaze Spelling Test", nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  char shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA("C:\\Program Files\\Kaze Spelling Test", shortName, MAX_PATH), 0u);
  ASSERT_EQ(std::string(shortName).find(' '), std::string::npos) << shortName;
  struct Case { std::string folder; const char* installFolder; } cases[] = {
      {"C:\\Games\\Tsukimi", "C:\\Games\\Tsukimi\\"},
      {"c:\\games\\tsukimi\\", "C:\\games\\tsukimi\\"},
      {"Z:\\Game", "Z:\\Game\\"},
      {"C:\\ゲーム\\表", "C:\\ゲーム\\表\\"},  // 表 ends in 0x5C: still no backslash
      {"C:\\ゲーム\\ソ\\", "C:\\ゲーム\\ソ\\"},
      {"C:\\Games/Tsukimi", "C:\\Games\\Tsukimi\\"},
      {"C:/Games//Tsukimi/", "C:\\Games\\Tsukimi\\"},
      {"C:\\Program Files\\..\\Games\\.\\Tsukimi", "C:\\Games\\Tsukimi\\"},
      // Existing parts take their long names and Windows' own case; the rest stays typed.
      {std::string(shortName) + "\\Tsukimi", "C:\\Program Files\\Kaze Spelling Test\\Tsukimi\\"},
      {"c:\\program files\\kaze spelling test", "C:\\Program Files\\Kaze Spelling Test\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Check(c.folder), "") << c.folder;
    EXPECT_STREQ(context_.installFolder, c.installFolder) << c.folder;
    EXPECT_EQ(BoxText(), c.installFolder) << c.folder;
  }
  RemoveDirectoryA("C:\\Program Files\\Kaze Spelling Test");
}

// The folders of Windows itself, of its users and of every program are no installation
// folder, nor is any of their parents, a drive's root or a folder inside Windows; typed
// in any spelling. C:\WINDOWS\ is also what PATH=WINDOWS with an empty PATH2 proposes.
TEST_F(TargetCheck, RefusesProtectedFolders) {
  const std::string root =
      "指定されたフォルダはドライブのルートです。\n"
      "ドライブのルートにはインストールできません。インストール先にはフォルダを指定してください。";
  const std::string system =
      "指定されたフォルダは、Windows が使うフォルダ (Windows、Program Files、ユーザーのフォルダ、"
      "スタートメニュー等) か、それを含むフォルダです。\n"
      "このフォルダにはインストールできません。別のフォルダを指定してください。";
  const std::string inside =
      "指定されたフォルダは Windows フォルダの中にあります。\n"
      "Windows フォルダの中にはインストールできません。別のフォルダを指定してください。";
  const std::string invalid =
      "指定されているインストールフォルダのパスが不正です。\n"
      "フォルダ名に使えない文字 ( : * ? \" < > | ) やデバイス名、ドライブのルートより上を指す"
      "「..」を含まないパスを指定してください。";
  // Wine's folders, as its Windows 7 names them.
  const std::string user = "C:\\users\\" + test::Env("USERNAME") + "\\";
  ASSERT_NE(user, "C:\\users\\\\");
  // Wine's short names are not Windows' PROGRA~1: ask for the one it has.
  char programFilesShort[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA("C:\\Program Files", programFilesShort, MAX_PATH), 0u);
  ASSERT_EQ(std::string(programFilesShort).find(' '), std::string::npos) << programFilesShort;
  struct Case { std::string folder; const std::string& refusal; } cases[] = {
      {"C:\\", root},
      {"C:/", root},
      {"C:\\Games\\..", root},
      {"Z:\\", root},
      {"C:\\WINDOWS\\", system},
      {"C:\\windows", system},
      {"C:\\windows\\system32", system},
      {"C:\\Program Files", system},
      {programFilesShort, system},
      {"C:\\Program Files\\KAZE\\..", system},
      {user, system},                                       // the user's profile
      {user + "Desktop", system},
      {user + "Documents", system},
      {user + "AppData\\Roaming", system},                 // Application Data
      {user + "AppData\\Roaming\\Microsoft\\Windows\\Start Menu", system},
      {user + "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs", system},
      {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", system},
      {"C:\\users\\Public", system},                        // the common profile
      {"C:\\users", system},                                  // a parent of the profiles
      {"C:\\ProgramData\\Microsoft", system},               // a parent of the common Start menu
      {"C:\\Program Files 64", system},  // 64-bit Windows' own Program Files (below)
      {"C:\\windows\\Fonts", inside},
      {"C:\\WINDOWS\\Games\\Tsukimi", inside},
      {"C:\\..\\Games", invalid},
      {"C:\\Games\\CON", invalid},
      {"C:\\Games\\a*b", invalid},
  };
  // A 32-bit program on 64-bit Windows is told "Program Files (x86)" by the shell and the
  // registry; the environment names the other one.
  SetEnvironmentVariableA("ProgramW6432", "C:\\Program Files 64");
  for (const Case& c : cases) {
    EXPECT_EQ(Check(c.folder), c.refusal) << c.folder;
    EXPECT_STREQ(context_.installFolder, "") << c.folder;
  }
  SetEnvironmentVariableA("ProgramW6432", nullptr);
  // Inside the profile and below Program Files an installation is welcome.
  for (const std::string& folder : {user + "Games\\Tsukimi", std::string("C:\\Program Files\\KAZE_CORP\\月見日和")}) {
    EXPECT_EQ(Check(folder), "") << folder;
  }
}

TEST_F(TargetCheck, RefusesFoldersTooLongToKeepWhole) {
  const std::string base = "C:\\";
  // 258 bytes: 259 with the backslash, the most a path may have.
  std::string folder = base + std::string(255, 'a');
  EXPECT_EQ(Check(folder), "");
  EXPECT_EQ(std::string(context_.installFolder), folder + "\\");
  // 259 bytes ending in a backslash: kept as it is.
  folder = base + std::string(255, 'a') + "\\";
  EXPECT_EQ(Check(folder), "");
  EXPECT_EQ(std::string(context_.installFolder), folder);
  // 259 bytes without one, and longer texts: refused, never cut.
  for (size_t extra : {256u, 300u, 1000u}) {
    folder = base + std::string(extra, 'a');
    EXPECT_EQ(Check(folder), kFolderTooLongMessage) << extra;
  }
  // Short enough as typed, too long once its parts have their long names.
  const std::string longName = "C:\\K" + std::string(199, 'a');
  ASSERT_TRUE(CreateDirectoryA(longName.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  char shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(longName.c_str(), shortName, MAX_PATH), 0u);
  ASSERT_LT(std::strlen(shortName), 20u) << shortName;
  EXPECT_EQ(Check(std::string(shortName) + "\\" + std::string(54, 'b')), "");
  EXPECT_EQ(std::string(context_.installFolder), longName + "\\" + std::string(54, 'b') + "\\");
  EXPECT_EQ(Check(std::string(shortName) + "\\" + std::string(55, 'b')), kFolderTooLongMessage);
  RemoveDirectoryA(longName.c_str());
}

// On S:, the prefix's own small hard disk: C: lies on the machine's disk, whose free space
// the other tests running beside this one keep moving.
TEST_F(TargetCheck, NeedsMoreFreeMegabytesThanTheSelectedTypeTakes) {
  DWORD total = 0, free = 0;
  ASSERT_TRUE(QueryDriveSpace('S', total, free));
  const int freeMb = static_cast<int>(free >> 10);
  ASSERT_GE(freeMb, 8);
  context_.installTypes[0].totalSizeMb = freeMb;
  EXPECT_EQ(Check("S:\\Games\\Tsukimi"), kNotEnoughSpaceMessage);
  context_.installTypes[0].totalSizeMb = freeMb - 1;
  EXPECT_EQ(Check("S:\\Games\\Tsukimi"), "");
}

// A folder that holds another installation's log is not taken over.
TEST_F(TargetCheck, RefusesAFolderHoldingAnotherInstallationsLog) {
  test::ScratchFolder folder;
  EXPECT_EQ(Check(folder.path()), "");
  ASSERT_TRUE(test::WriteBytes(folder / "UnInst.dat", "another product's log"));
  EXPECT_EQ(Check(folder.path()), kFolderHoldsAnotherLogMessage);
  EXPECT_EQ(test::ReadBytes(folder / "UnInst.dat"), "another product's log");
}

// The uninstaller, the read-me and the banner go into the folder too: their size on the
// disc counts, in whole megabytes.
TEST_F(TargetCheck, CountsTheSupportFilesOnTheDisc) {
  test::ScratchFolder disc;
  ASSERT_TRUE(test::WriteBytes(disc / "Kaze_Inst.exe", std::string(1536 * 1024, 'u')));
  DWORD total = 0, free = 0;
  ASSERT_TRUE(QueryDriveSpace('S', total, free));
  const int freeMb = static_cast<int>(free >> 10);
  ASSERT_GE(freeMb, 8);
  context_.installTypes[0].totalSizeMb = freeMb - 2;
  context_.cdFolder[0] = '\0';
  EXPECT_EQ(Check("S:\\Games\\Tsukimi"), "");
  std::strcpy(context_.cdFolder, disc.path().c_str());
  EXPECT_EQ(Check("S:\\Games\\Tsukimi"), kNotEnoughSpaceMessage);  // 1.5 MB counts as 2
}

TEST_F(TargetCheck, RefusesWhenNoInstallationTypeIsSelected) {
  for (int selected : {-1, 1, 5}) {
    context_.selectedType = selected;
    EXPECT_EQ(Check("C:\\Games\\Tsukimi"), kNoInstallTypeMessage) << selected;
  }
  context_.selectedType = 0;
  context_.installTypes.reset();
  EXPECT_EQ(Check("C:\\Games\\Tsukimi"), kNoInstallTypeMessage);
}

}  // namespace
}  // namespace kaze
