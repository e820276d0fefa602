#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "app/InstallContext.h"
#include "config/InstallIniLoader.h"
#include "tests/config/IniFiles.h"

namespace kaze {
namespace {

std::vector<int> GroupIds(const InstallType& type) {
  std::vector<int> ids;
  for (int i = 0; i < type.groupCount; ++i) ids.push_back(type.groups[i]->id);
  return ids;
}

class InstallIniLoaderTest : public ::testing::Test {
 protected:
  // Writes an install.ini with these bytes under a fresh name and loads it.
  void Load(const std::string& bytes) {
    std::string path = folder.Write("install" + std::to_string(++serial) + ".ini", bytes);
    ASSERT_TRUE(InstallIniLoader(path.c_str(), context));
  }

  test::ScratchFolder folder;
  InstallContext context;
  int serial = 0;
};

TEST_F(InstallIniLoaderTest, FullDescriptionComesThroughFieldByField) {
  std::string bytes = test::ReadFixtureAsShiftJis("config/install_full.ini");
  ASSERT_FALSE(bytes.empty());
  Load(bytes);
  EXPECT_STREQ(context.overlongValue, "");
  EXPECT_STREQ(context.uncontainedValue, "");

  ASSERT_TRUE(context.installInfo);
  const InstallInfo& info = *context.installInfo;
  EXPECT_STREQ(info.corpName, "風見ソフト");
  EXPECT_STREQ(info.appName, "月見日和");
  EXPECT_STREQ(info.exeName, "Tsukimi.exe");
  EXPECT_STREQ(info.readme, "Readme.txt");
  EXPECT_STREQ(info.path, "KAZE\\表示ソフト");
  EXPECT_STREQ(info.path2, "Tsukimi");
  EXPECT_STREQ(info.dxSetupDll, "DirectX\\dsetup.dll");
  EXPECT_STREQ(info.instDx, "DirectX");
  EXPECT_EQ(std::vector<int>(info.dxVersion, info.dxVersion + 4), (std::vector<int>{4, 9, 0, 3}));
  EXPECT_STREQ(info.myShortcutName, "アンインストール");
  EXPECT_STREQ(info.nameDefault, "標準インストール");
  EXPECT_STREQ(info.nameFull, "フルインストール");
  // All eight shortcut keys are read, whatever MAKESHORTCUT says.
  EXPECT_EQ(info.shortcutCount, 2);
  const char* shortcuts[8][2] = {{"Tsukimi.exe", "月見日和"}, {"Readme.txt", "Read me"},
                                 {"Extra.exe", "余分"},        {"", ""},
                                 {"", ""},                    {"", ""},
                                 {"", ""},                    {"Last.exe", "最後"}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_STREQ(info.shortcuts[i].source, shortcuts[i][0]) << i;
    EXPECT_STREQ(info.shortcuts[i].target, shortcuts[i][1]) << i;
  }

  // Discs, groups and members.
  ASSERT_EQ(context.diskCount, 2);
  EXPECT_STREQ(context.disks[0].volumeLabel, "TSUKIMI1");
  EXPECT_STREQ(context.disks[1].volumeLabel, "TSUKIMI2");
  ASSERT_EQ(context.disks[0].groupCount, 2);
  ASSERT_EQ(context.disks[1].groupCount, 1);
  struct GroupCase {
    int disk, index, id, sizeMb;
    const char* name;
    const char* text;
    std::vector<std::pair<std::string, std::string>> members;
  } groups[] = {
      // Names come from FILEGROUPNAME_<id>, not from the group's position.
      {0, 0, 7, 120, "本体", "ゲーム本体",
       {{"setup.cab", "Data\\Save"}, {"Tsukimi.exe", ""}}},
      {0, 1, 3, 30, "音声ソ", "声のデータ表", {{"voice.cab", "Voice\\表"}}},
      {1, 0, 5, 400, "ムービー", "動画",
       {{"movie1.cab", "Movie\\"}, {"movie2.cab", "Movie\\"},
        {"ソフト.dat", "ソフト\\表 示.dat"}}},
  };
  for (const GroupCase& c : groups) {
    const FileGroup& group = context.disks[c.disk].groups[c.index];
    SCOPED_TRACE(c.id);
    EXPECT_EQ(group.id, c.id);
    EXPECT_EQ(group.sizeMb, c.sizeMb);
    EXPECT_STREQ(group.name, c.name);
    EXPECT_STREQ(group.text, c.text);
    ASSERT_EQ(group.memberCount, static_cast<int>(c.members.size()));
    for (int m = 0; m < group.memberCount; ++m) {
      EXPECT_EQ(group.members[m].source, c.members[m].first) << m;
      EXPECT_EQ(group.members[m].target, c.members[m].second) << m;
    }
  }
  FileGroup* group7 = &context.disks[0].groups[0];
  FileGroup* group3 = &context.disks[0].groups[1];
  FileGroup* group5 = &context.disks[1].groups[0];
  EXPECT_EQ(FindFileGroup(7, context), group7);
  EXPECT_EQ(FindFileGroup(5, context), group5);
  EXPECT_EQ(FindFileGroup(99, context), nullptr);

  // Types: default, full, then the custom ones; groups are shared, not copied.
  ASSERT_EQ(context.typeCount, 4);
  struct TypeCase {
    const char* name;
    const char* explanation;
    std::vector<int> ids;
    int totalSizeMb;
  } types[] = {
      {"標準インストール", "必要なファイルだけ", {7, 3}, 150},
      {"フルインストール", "すべて\\nコピーします", {7, 3, 5}, 550},
      // 99 names no group and is skipped; 3 listed twice counts twice.
      {"表示ソフト", "ソフトの説明", {3, 7, 3}, 180},
      {"空の型", "何もない", {}, 0},
  };
  for (int t = 0; t < 4; ++t) {
    const InstallType& type = context.installTypes[t];
    SCOPED_TRACE(t);
    EXPECT_STREQ(type.name, types[t].name);
    EXPECT_STREQ(type.explanation, types[t].explanation);
    EXPECT_EQ(GroupIds(type), types[t].ids);
    EXPECT_EQ(type.totalSizeMb, types[t].totalSizeMb);
  }
  EXPECT_EQ(context.installTypes[0].groups[0], group7);
  EXPECT_EQ(context.installTypes[2].groups[1], group7);
  EXPECT_EQ(context.installTypes[2].groups[0], group3);

  // Registry entries in disc order, then group order; only INSTALL_REGISTRY_0 is read.
  ASSERT_TRUE(context.registryData);
  EXPECT_STREQ(context.registryData->key, "Software\\KAZE_CORP\\Tsukimi");
  ASSERT_EQ(context.registryData->entryCount, 3);
  struct EntryCase {
    int groupId;
    const char* name;
    const char* data;
  } entries[] = {{7, "Dir", "INSTALL_DIR+"}, {3, "Path", "C:\\Game"}, {5, "Movie ", "CD_DIR+Movie"}};
  for (int e = 0; e < 3; ++e) {
    const RegistryEntry& entry = context.registryData->entries[e];
    EXPECT_EQ(entry.groupId, entries[e].groupId) << e;
    EXPECT_STREQ(entry.valueName, entries[e].name) << e;
    EXPECT_STREQ(entry.valueData, entries[e].data) << e;
  }

  ASSERT_TRUE(context.appearance);
  EXPECT_STREQ(context.appearance->bannerName, "banner.bmp");
  EXPECT_STREQ(context.appearance->backColor, "255,255,255");
  EXPECT_STREQ(context.appearance->textColor, "0,0,64");
}

TEST_F(InstallIniLoaderTest, MissingFileLeavesEverythingEmpty) {
  std::strcpy(context.overlongValue, "stale");
  std::string path = folder.path() + "absent.ini";
  ASSERT_TRUE(InstallIniLoader(path.c_str(), context));
  ASSERT_TRUE(context.installInfo);
  InstallInfo empty{};
  EXPECT_EQ(std::memcmp(context.installInfo.get(), &empty, sizeof empty), 0);
  EXPECT_EQ(context.diskCount, 0);
  ASSERT_EQ(context.typeCount, 2);
  for (int t = 0; t < 2; ++t) {
    EXPECT_STREQ(context.installTypes[t].name, "");
    EXPECT_EQ(context.installTypes[t].groupCount, 0);
  }
  ASSERT_TRUE(context.registryData);
  EXPECT_STREQ(context.registryData->key, "");
  EXPECT_EQ(context.registryData->entryCount, 0);
  ASSERT_TRUE(context.appearance);
  EXPECT_STREQ(context.appearance->bannerName, "");
  EXPECT_STREQ(context.overlongValue, "");
}

TEST_F(InstallIniLoaderTest, ListsWithoutTypesAndNamesWithoutLists) {
  Load(
      "[INSTALL_INFO]\r\nDISKNUM=1\r\n"
      "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nGROUP_0=1\r\nMEMBERSIZE_0=10\r\n"
      "[INSTALL_GROUP]\r\nNAME_DEFAULT=標準\r\nTEXT_DEFAULT=説明\r\nNAME_FULL=全部\r\n"
      "FULLLIST=1\r\nINSTGROUP=0\r\nGROUPNAME_0=読まれない\r\n");
  // INSTGROUP=0: exactly the default and the full type.
  ASSERT_EQ(context.typeCount, 2);
  // An empty DEFAULTLIST leaves the default type blank, even though it has a name.
  EXPECT_STREQ(context.installTypes[0].name, "");
  EXPECT_STREQ(context.installTypes[0].explanation, "");
  EXPECT_EQ(context.installTypes[0].groupCount, 0);
  EXPECT_STREQ(context.installInfo->nameDefault, "標準");
  EXPECT_STREQ(context.installTypes[1].name, "全部");
  EXPECT_EQ(GroupIds(context.installTypes[1]), (std::vector<int>{1}));
  EXPECT_EQ(context.installTypes[1].totalSizeMb, 10);
}

TEST_F(InstallIniLoaderTest, OverlongValuesAreFlaggedAndStayInsideTheirFields) {
  const std::string s255(255, 'a'), s256(256, 'a'), s259(259, 'p'), s260(260, 'p');
  std::string kanji;  // 128 characters of 表: 256 bytes
  for (int i = 0; i < 128; ++i) kanji += "表";
  struct Case {
    const char* section;
    std::string line;
    const char* flagged;  // expected overlongValue
  } cases[] = {
      {"INSTALL_INFO", "CORPNAME=" + s255, ""},
      {"INSTALL_INFO", "CORPNAME=" + s256, "INSTALL_INFO/CORPNAME"},
      {"INSTALL_INFO", "APPNAME=" + kanji, "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "PATH=" + s259, ""},
      {"INSTALL_INFO", "PATH=" + s260, "INSTALL_INFO/PATH"},
      {"INSTALL_INFO", "DIRECTXVER=" + std::string(300, '1'), "INSTALL_INFO/DIRECTXVER"},
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_5=a.exe > " + s256, "INSTALL_INFO/MAKESHORTCUT_PATH_5"},
      {"INSTALL_INFO", "DISK_0=" + s256, "INSTALL_INFO/DISK_0"},
      {"INSTALL_GROUP_DISK_0", "MEMBER_0_0=a.cab > " + s255, "INSTALL_GROUP_DISK_0/MEMBER_0_0"},
      {"INSTALL_GROUP", "NAME_FULL=" + s256, "INSTALL_GROUP/NAME_FULL"},
      {"INSTALL_GROUP", "FILEGROUPTEXT_4=" + s256, "INSTALL_GROUP/FILEGROUPTEXT_4"},
      {"INSTALL_GROUP", "EXPLANATION_0=" + s256, "INSTALL_GROUP/EXPLANATION_0"},
      {"INSTALL_REGISTRY_0", "REGDATA_GROUP_4=n=" + s256, "INSTALL_REGISTRY_0/REGDATA_GROUP_4"},
      {"ABOUT_BOX", "BKCOLOR=" + std::string(127, 'c'), ""},
      {"ABOUT_BOX", "BKCOLOR=" + std::string(128, 'c'), "ABOUT_BOX/BKCOLOR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 30));
    std::string ini =
        "[INSTALL_INFO]\r\nDISKNUM=1\r\n"
        "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nGROUP_0=4\r\nMEMBERNUM_0=1\r\n"
        "[INSTALL_GROUP]\r\nINSTGROUP=1\r\n[INSTALL_REGISTRY_0]\r\n[ABOUT_BOX]\r\n";
    std::string header = std::string("[") + c.section + "]\r\n";
    ini.insert(ini.find(header) + header.size(), c.line + "\r\n");
    Load(ini);
    EXPECT_STREQ(context.overlongValue, c.flagged);
  }
}

TEST_F(InstallIniLoaderTest, CutValuesKeepWholeCharactersAndTheFirstKeyIsNamed) {
  std::string kanji;
  for (int i = 0; i < 200; ++i) kanji += "ソ";
  Load("[INSTALL_INFO]\r\nAPPNAME=" + kanji + "\r\nPATH=" + kanji + "\r\n");
  EXPECT_STREQ(context.overlongValue, "INSTALL_INFO/APPNAME");
  EXPECT_EQ(std::string(context.installInfo->appName), kanji.substr(0, 254));
  EXPECT_EQ(std::string(context.installInfo->path), kanji.substr(0, 258));
}

// A disc's paths stay below the folder each is joined to: one leading out of it is named
// (the first one) so that the settings page can refuse the file.
TEST_F(InstallIniLoaderTest, PathsLeadingOutAreNamed) {
  struct Case {
    std::string section, line;
    const char* named;
  } cases[] = {
      {"INSTALL_INFO", "README=..\\..\\victim\\x.txt", "INSTALL_INFO/README"},
      {"INSTALL_INFO", "PATH2=\\Windows", "INSTALL_INFO/PATH2"},
      {"INSTALL_INFO", "DXSETUPDLL=C:\\evil.dll", "INSTALL_INFO/DXSETUPDLL"},
      {"INSTALL_INFO", "INSTDX=表\\..\\..", "INSTALL_INFO/INSTDX"},
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_0=a.exe > ..\\スタートアップ\\x", "INSTALL_INFO/MAKESHORTCUT_PATH_0"},
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_1=..\\..\\x.exe > ok", "INSTALL_INFO/MAKESHORTCUT_PATH_1"},
      {"INSTALL_GROUP_DISK_0", "MEMBER_0_0=a.txt > ..\\..\\victim\\", "INSTALL_GROUP_DISK_0/MEMBER_0_0"},
      {"INSTALL_GROUP_DISK_0", "MEMBER_0_0=\\\\server\\x.txt > Data\\", "INSTALL_GROUP_DISK_0/MEMBER_0_0"},
      {"INSTALL_REGISTRY_0", "REGDATA_GROUP_1=\"Dir\"=\"INSTALL_DIR+..\\..\\x\"", "INSTALL_REGISTRY_0/REGDATA_GROUP_1"},
      {"ABOUT_BOX", "BANNERNAME=C:x.bmp", "ABOUT_BOX/BANNERNAME"},
      // Fine: a path below, a folder member, a literal registry path (no macro).
      {"INSTALL_GROUP_DISK_0", "MEMBER_0_0=Data\\ > Game\\表\\", ""},
      {"INSTALL_REGISTRY_0", "REGDATA_GROUP_1=\"Dir\"=\"C:\\Game\"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string ini;
    for (const char* section : {"INSTALL_INFO", "INSTALL_GROUP_DISK_0", "INSTALL_REGISTRY_0",
                                "ABOUT_BOX"}) {
      ini += std::string("[") + section + "]\r\n";
      if (std::string(section) == "INSTALL_INFO") ini += "APPNAME=月見日和\r\nDISKNUM=1\r\n";
      if (std::string(section) == "INSTALL_GROUP_DISK_0") {
        ini += "IDNUM=1\r\nGROUP_0=1\r\nMEMBERNUM_0=1\r\n";
      }
      if (std::string(section) == "INSTALL_REGISTRY_0") ini += "REG_KEY=Software\\K\r\n";
      if (c.section == section) ini += c.line + "\r\n";
    }
    Load(ini);
    EXPECT_STREQ(context.uncontainedValue, c.named);
    EXPECT_STREQ(context.overlongValue, "");
  }
}

// What becomes a folder of the Start menu, a shortcut, the default folder or a registry
// key must be one name, a contained folder or a key of the product's own. Each line goes
// first into its section, ahead of the clean value it stands for.
TEST_F(InstallIniLoaderTest, NamesFoldersAndKeysThatAreNotTheirOwnAreNamed) {
  const std::string clean =
      "[INSTALL_INFO]\r\nCORPNAME=KAZE_CORP\r\nAPPNAME=月見日和\r\nPATH=Program Files\\KAZE\r\n"
      "PATH2=月見日和\r\nMAKEMYSHORTCUT=アンインストール\r\nMAKESHORTCUT=2\r\n"
      "MAKESHORTCUT_PATH_0=Tsukimi.exe > 月見日和\r\nMAKESHORTCUT_PATH_1=Readme.txt > お読みください\r\n"
      "MAKESHORTCUT_PATH_2=x.exe > 使われない\\名前\r\nDISKNUM=1\r\n"
      "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nGROUP_0=1\r\nMEMBERNUM_0=1\r\nMEMBER_0_0=a.txt > Data\\\r\n"
      "[INSTALL_REGISTRY_0]\r\nREG_KEY=Software\\KAZE_CORP\\Tsukimi\r\n";
  struct Case {
    std::string section, line;
    const char* named;
  } cases[] = {
      {"INSTALL_INFO", "CORPNAME=..\\..\\..\\デスクトップ", "INSTALL_INFO/CORPNAME"},
      {"INSTALL_INFO", "CORPNAME=Maker\\Sub", "INSTALL_INFO/CORPNAME"},
      {"INSTALL_INFO", "CORPNAME=\" \"", "INSTALL_INFO/CORPNAME"},
      {"INSTALL_INFO", "CORPNAME=", ""},
      {"INSTALL_INFO", "APPNAME=", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "APPNAME=\"  \"", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "APPNAME=..\\..\\..\\デスクトップ", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "APPNAME=C:\\Game", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "APPNAME=AUX", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "APPNAME=スタートアップ.", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "APPNAME=月見/日和", "INSTALL_INFO/APPNAME"},
      {"INSTALL_INFO", "MAKEMYSHORTCUT=..\\削除", "INSTALL_INFO/MAKEMYSHORTCUT"},
      {"INSTALL_INFO", "MAKEMYSHORTCUT=a<b", "INSTALL_INFO/MAKEMYSHORTCUT"},
      {"INSTALL_INFO", "MAKEMYSHORTCUT=" + std::string(252, 'u'), "INSTALL_INFO/MAKEMYSHORTCUT"},
      {"INSTALL_INFO", "MAKEMYSHORTCUT=" + std::string(251, 'u'), ""},
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_1=Readme.txt > ..\\スタートアップ\\x", "INSTALL_INFO/MAKESHORTCUT_PATH_1"},
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_0=Tsukimi.exe > ゲーム\\起動", "INSTALL_INFO/MAKESHORTCUT_PATH_0"},
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_0=Tsukimi.exe > NUL", "INSTALL_INFO/MAKESHORTCUT_PATH_0"},
      {"INSTALL_INFO", "PATH=C:\\Games", "INSTALL_INFO/PATH"},
      {"INSTALL_INFO", "PATH=\\Games", "INSTALL_INFO/PATH"},
      {"INSTALL_INFO", "PATH=Games\\..\\..\\x", "INSTALL_INFO/PATH"},
      {"INSTALL_INFO", "PATH=Games\\\\x", "INSTALL_INFO/PATH"},
      {"INSTALL_INFO", "PATH=", ""},
      {"INSTALL_INFO", "PATH2=Sub\\Game", "INSTALL_INFO/PATH2"},
      {"INSTALL_INFO", "PATH2=..", "INSTALL_INFO/PATH2"},
      {"INSTALL_INFO", "PATH2=", ""},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software\\Microsoft\\Windows\\CurrentVersion\\Run", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=SYSTEM\\CurrentControlSet\\Services\\Kaze", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software\\Classes\\.txt", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software/KAZE_CORP", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software\\\\KAZE_CORP", "INSTALL_REGISTRY_0/REG_KEY"},
      {"INSTALL_REGISTRY_0", "REG_KEY=", ""},
      // Shortcuts past MAKESHORTCUT are read but never made.
      {"INSTALL_INFO", "MAKESHORTCUT_PATH_3=x.exe > a\\b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 60));
    std::string ini = clean;
    const std::string header = "[" + c.section + "]\r\n";
    ini.insert(ini.find(header) + header.size(), c.line + "\r\n");
    Load(ini);
    EXPECT_STREQ(context.uncontainedValue, c.named);
    EXPECT_STREQ(context.overlongValue, "");
  }
}

// Every later step and record sees one spelling of a place below the installation folder.
TEST_F(InstallIniLoaderTest, SlashesBecomeBackslashesAndDoubledOnesAreRefused) {
  std::vector<std::string> refused;
  std::string path = folder.Write(
      "slashes.ini",
      "[INSTALL_INFO]\r\nAPPNAME=月見日和\r\nPATH=Games/表/Kaze\r\nMAKESHORTCUT=2\r\n"
      "MAKESHORTCUT_PATH_0=Bin/ソ.exe > 起動\r\nMAKESHORTCUT_PATH_1=a.exe > x/y\r\nDISKNUM=1\r\n"
      "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nGROUP_0=1\r\nMEMBERNUM_0=3\r\n"
      "MEMBER_0_0=Docs/m.txt > Docs/表/\r\nMEMBER_0_1=a.txt > Data//x\\\r\n"
      "MEMBER_0_2=b.txt > Data\\/x\r\n"
      "[INSTALL_REGISTRY_0]\r\nREG_KEY=Software\\Microsoft\r\n");
  ASSERT_TRUE(InstallIniLoader(path.c_str(), context, &refused));
  EXPECT_STREQ(context.installInfo->path, "Games\\表\\Kaze");
  EXPECT_STREQ(context.installInfo->shortcuts[0].source, "Bin\\ソ.exe");
  const PathPair* members = context.disks[0].groups[0].members.get();
  EXPECT_STREQ(members[0].source, "Docs/m.txt");  // read from the disc as written
  EXPECT_STREQ(members[0].target, "Docs\\表\\");
  // Every refused key once, in the order read; the first also in the context.
  EXPECT_EQ(refused, (std::vector<std::string>{"INSTALL_INFO/MAKESHORTCUT_PATH_1",
                                               "INSTALL_GROUP_DISK_0/MEMBER_0_1",
                                               "INSTALL_GROUP_DISK_0/MEMBER_0_2",
                                               "INSTALL_REGISTRY_0/REG_KEY"}));
  EXPECT_STREQ(context.uncontainedValue, "INSTALL_INFO/MAKESHORTCUT_PATH_1");
}

TEST_F(InstallIniLoaderTest, HostileCountsStayWithinTheFile) {
  Load(
      "[INSTALL_INFO]\r\nDISKNUM=2147483647\r\nDISK_0=ONE\r\nDISK_1=TWO\r\n"
      "MAKESHORTCUT=300\r\nDIRECTXVER=70000,2\r\n"
      "[INSTALL_GROUP_DISK_0]\r\nIDNUM=2147483647\r\nGROUP_0=1\r\nMEMBERSIZE_0=2147483647\r\n"
      "MEMBERNUM_0=2147483647\r\nMEMBER_0_0=a.cab > A\r\n"
      "GROUP_1=2\r\nMEMBERSIZE_1=2147483647\r\nMEMBERNUM_1=99999999999\r\n"
      "[INSTALL_GROUP]\r\nINSTGROUP=2147483647\r\nDEFAULTLIST=1,2\r\nFULLLIST=1,1,1\r\n");
  // Each count is bounded by the lines of its section.
  EXPECT_GE(context.diskCount, 2);
  EXPECT_LE(context.diskCount, 5);
  EXPECT_STREQ(context.disks[0].volumeLabel, "ONE");
  EXPECT_STREQ(context.disks[1].volumeLabel, "TWO");
  const DiskEntry& disk = context.disks[0];
  EXPECT_LE(disk.groupCount, 9);
  int members = 0;
  for (int g = 0; g < disk.groupCount; ++g) members += disk.groups[g].memberCount;
  EXPECT_LE(members, 9);
  EXPECT_STREQ(disk.groups[0].members[0].source, "a.cab");
  EXPECT_LE(context.typeCount, 2 + 4);
  int entries = 0;
  for (int d = 0; d < context.diskCount; ++d) entries += context.disks[d].groupCount;
  EXPECT_EQ(context.registryData->entryCount, entries);
  // Sizes saturate instead of wrapping into a small or negative figure.
  EXPECT_EQ(context.installTypes[0].totalSizeMb, INT_MAX);
  EXPECT_EQ(context.installTypes[1].totalSizeMb, INT_MAX);
  EXPECT_EQ(context.installInfo->shortcutCount, 8);
  EXPECT_EQ(context.installInfo->dxVersion[0], 0xFFFF);
  EXPECT_EQ(context.installInfo->dxVersion[1], 2);
  EXPECT_EQ(context.installInfo->dxVersion[2], 0);
}

TEST_F(InstallIniLoaderTest, NegativeAndGarbageCountsGiveEmptyTables) {
  struct Case {
    const char* ini;
    int diskCount, groupCount, memberCount, typeCount, shortcutCount;
  } cases[] = {
      {"[INSTALL_INFO]\r\nDISKNUM=-3\r\nMAKESHORTCUT=-1\r\n[INSTALL_GROUP]\r\nINSTGROUP=-5\r\n",
       0, -1, -1, 2, 0},
      {"[INSTALL_INFO]\r\nDISKNUM=abc\r\nMAKESHORTCUT=x\r\n[INSTALL_GROUP]\r\nINSTGROUP=?\r\n",
       0, -1, -1, 2, 0},
      {"[INSTALL_INFO]\r\nDISKNUM=1\r\nMAKESHORTCUT=9\r\n"
       "[INSTALL_GROUP_DISK_0]\r\nIDNUM=-1\r\n",
       1, 0, -1, 2, 8},
      {"[INSTALL_INFO]\r\nDISKNUM=1x\r\n"
       "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nMEMBERNUM_0=-7\r\n",
       1, 1, 0, 2, 0},
      {"[INSTALL_INFO]\r\nDISKNUM=1\r\n"
       "[INSTALL_GROUP_DISK_0]\r\nIDNUM=1\r\nMEMBERNUM_0=zz\r\n",
       1, 1, 0, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    Load(c.ini);
    EXPECT_EQ(context.diskCount, c.diskCount);
    if (c.groupCount >= 0) {
      EXPECT_EQ(context.disks[0].groupCount, c.groupCount);
    }
    if (c.memberCount >= 0) {
      EXPECT_EQ(context.disks[0].groups[0].memberCount, c.memberCount);
    }
    EXPECT_EQ(context.typeCount, c.typeCount);
    EXPECT_EQ(context.installInfo->shortcutCount, c.shortcutCount);
  }
}

// Windows 9x reads 64 KB of a file and 32,767 bytes of a section; NT and Wine read all.
// One section of each file is padded with key lines; the keys after the padding tell
// whether the file was read whole.
struct OverlargeCase {
  const char* name;
  const char* padded;  // the section given the padding
  size_t padding;
  const char* named9x;  // overlargePart on Windows 9x
};
const OverlargeCase kOverlargeCases[] = {
    {"nothing over the limits", "PADDING", 30000, ""},
    {"file over 64 KB", "PADDING", 70000, "install.ini"},
    {"[INSTALL_INFO] over 32,767 bytes", "INSTALL_INFO", 33000, "[INSTALL_INFO]"},
    {"[INSTALL_GROUP_DISK_0] over 32,767 bytes", "INSTALL_GROUP_DISK_0", 33000, "[INSTALL_GROUP_DISK_0]"},
    {"[INSTALL_GROUP] over 32,767 bytes", "INSTALL_GROUP", 33000, "[INSTALL_GROUP]"},
    {"[INSTALL_REGISTRY_0] over 32,767 bytes", "INSTALL_REGISTRY_0", 33000, "[INSTALL_REGISTRY_0]"},
    {"[ABOUT_BOX] over 32,767 bytes", "ABOUT_BOX", 33000, "[ABOUT_BOX]"},
    {"a disc section beyond DISKNUM is not read", "INSTALL_GROUP_DISK_1", 40000, ""},
};

std::string OverlargeIni(const OverlargeCase& c) {
  const std::pair<const char*, const char*> sections[] = {
      {"INSTALL_INFO", "DISKNUM=1\r\nAPPNAME=月見日和\r\n"},
      {"INSTALL_GROUP_DISK_0", "IDNUM=1\r\nGROUP_0=7\r\n"},
      {"INSTALL_GROUP", "NAME_FULL=全部\r\n"},
      {"INSTALL_REGISTRY_0", "REG_KEY=Software\\KAZE\r\n"},
      {"INSTALL_GROUP_DISK_1", "IDNUM=1\r\n"},
      {"PADDING", ""},
      {"ABOUT_BOX", "BANNERNAME=last.bmp\r\n"},
  };
  std::string ini;
  for (const auto& [name, keys] : sections) {
    ini += std::string("[") + name + "]\r\n";
    if (c.padded == std::string(name)) {
      for (size_t start = ini.size(), i = 0; ini.size() - start < c.padding; ++i) {
        ini += "PAD_" + std::to_string(i) + "=" + std::string(80, 'p') + "\r\n";
      }
    }
    ini += keys;
  }
  return ini;
}

class LoaderOn9x : public InstallIniLoaderTest {};
class LoaderOnNt : public InstallIniLoaderTest {};

TEST_F(LoaderOn9x, NamesTheFileOrTheSectionItReadsCutShort) {
  for (const OverlargeCase& c : kOverlargeCases) {
    SCOPED_TRACE(c.name);
    std::string path = folder.Write("install.ini", OverlargeIni(c));
    ASSERT_TRUE(InstallIniLoader(path.c_str(), context));
    EXPECT_STREQ(context.overlargePart, c.named9x);
  }
}

TEST_F(LoaderOnNt, ReadsTheSameFilesWhole) {
  for (const OverlargeCase& c : kOverlargeCases) {
    SCOPED_TRACE(c.name);
    std::string path = folder.Write("install.ini", OverlargeIni(c));
    ASSERT_TRUE(InstallIniLoader(path.c_str(), context));
    EXPECT_STREQ(context.overlargePart, "");
    EXPECT_STREQ(context.installInfo->appName, "月見日和");
    ASSERT_EQ(context.diskCount, 1);
    ASSERT_EQ(context.disks[0].groupCount, 1);
    EXPECT_EQ(context.disks[0].groups[0].id, 7);
    EXPECT_STREQ(context.installInfo->nameFull, "全部");
    EXPECT_STREQ(context.registryData->key, "Software\\KAZE");
    EXPECT_STREQ(context.appearance->bannerName, "last.bmp");
  }
}

}  // namespace
}  // namespace kaze
