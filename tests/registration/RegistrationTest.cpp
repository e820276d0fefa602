// The registration steps under Wine: registry values, the uninstaller with its Start-menu
// group and uninstall entry, and the installed install.ini, each with what it records.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/InstallIniLoader.h"
#include "engine/Registration.h"
#include "system/OsServices.h"
#include "tests/registration/EngineTestSupport.h"
#include "tests/support/PromptRecorder.h"
#include "uninstall/LogRecords.h"

namespace kaze {
namespace {

using test::Exists;
using test::LoggedEntry;
using test::ReadBytes;
using test::WriteBytes;

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct RegistryRead {
  bool found = false;
  DWORD type = 0;
  std::string text;
  DWORD number = 0;
};

RegistryRead ReadValue(const std::string& key, const char* name) {
  RegistryRead read;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return read;
  }
  BYTE data[1024] = {};
  DWORD size = sizeof data - 1;
  if (RegQueryValueExA(handle, name, nullptr, &read.type, data, &size) == ERROR_SUCCESS) {
    read.found = true;
    if (read.type == REG_DWORD) {
      std::memcpy(&read.number, data, sizeof read.number);
    } else {
      read.text = reinterpret_cast<const char*>(data);
    }
  }
  RegCloseKey(handle);
  return read;
}

std::string LinkTarget(const std::string& linkFile) {
  std::string target;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH);
      char path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
        target = path;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return target;
}

// What varies between the descriptions of the tests.
struct Description {
  std::string corp = "TestMaker";
  std::string app = "ゲーム表";  // 表 ends in a 0x5C trail byte
  std::string regKey = "Software\\TestMaker\\Values";
  int shortcutCount = 3;
};

std::string InstallIniText(const Description& d) {
  std::string text =
      "[INSTALL_INFO]\r\n"
      "CORPNAME=" + d.corp + "\r\n"
      "APPNAME=" + d.app + "\r\n"
      "EXENAME=Game.exe\r\n"
      "README=README.txt\r\n"
      "PATH=\\Games\r\n"
      "PATH2=Game\r\n"
      "MAKEMYSHORTCUT=アンインストール\r\n"
      "MAKESHORTCUT=" + std::to_string(d.shortcutCount) + "\r\n"
      "MAKESHORTCUT_PATH_0=Game.exe > ゲーム開始\r\n"
      "MAKESHORTCUT_PATH_1=Manual\\ソ表.html > 説明書\r\n"
      "MAKESHORTCUT_PATH_2= > 空\r\n"
      "MAKESHORTCUT_PATH_3=Never.exe > 使わない\r\n"
      "DISKNUM=1\r\n"
      "DISK_0=DISC1\r\n"
      "[INSTALL_GROUP_DISK_0]\r\n"
      "IDNUM=7\r\n";
  for (int g = 0; g < 7; ++g) {
    text += "GROUP_" + std::to_string(g) + "=" + std::to_string(g + 1) + "\r\n";
    text += "MEMBERNUM_" + std::to_string(g) + "=0\r\n";
    text += "MEMBERSIZE_" + std::to_string(g) + "=" + std::to_string(10 * (g + 1)) + "\r\n";
  }
  text +=
      "[INSTALL_GROUP]\r\n"
      "NAME_DEFAULT=標準\r\n"
      "NAME_FULL=フル\r\n"
      "DEFAULTLIST=1,2,5,6\r\n"
      "FULLLIST=1,2,3,4,5,6\r\n"
      "INSTGROUP=0\r\n"
      "[INSTALL_REGISTRY_0]\r\n"
      "REG_KEY=" + d.regKey + "\r\n"
      "REGDATA_GROUP_1=\"Path\"=\"INSTALL_DIR+Game.exe\"\r\n"
      "REGDATA_GROUP_2=Level=dword:0000001f\r\n"
      "REGDATA_GROUP_3=Extra=INSTALL_DIR+bin\\\r\n"
      "REGDATA_GROUP_4=Source=CD_DIR\r\n"
      "REGDATA_GROUP_6=Eq=INSTALL_DIR+a=b.exe\r\n"
      "REGDATA_GROUP_7=\"Title\"=\"月見日和 1.00\"\r\n"
      "[ABOUT_BOX]\r\n"
      "BANNERNAME=banner.bmp\r\n"
      "BKCOLOR=0,0,128\r\n"
      "TEXTCOLOR=255,255,255\r\n";
  return text;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = scratch_.Folder("ゲーム表\\");
    temp_ = scratch_.Folder("temp\\");
    ASSERT_TRUE(WriteBytes(temp_ + "Kaze_Inst.exe", "uninstaller"));
    ASSERT_TRUE(WriteBytes(temp_ + "README.txt", "read me"));
    ASSERT_TRUE(WriteBytes(temp_ + "banner.bmp", "banner"));
    ASSERT_TRUE(WriteBytes(install_ + "Game.exe", "game"));
    scratch_.Folder("ゲーム表\\Manual\\");
    ASSERT_TRUE(WriteBytes(install_ + "Manual\\ソ表.html", "manual"));
    // The run's staged support files.
    host_.staging = temp_;
    char programs[MAX_PATH] = {};
    ASSERT_TRUE(GetProgramsFolder(programs));
    programs_ = programs;
  }
  void TearDown() override {
    for (const std::string& folder : groupsToRemove_) test::RemoveTree(folder);
  }

  void Load(const Description& d) {
    std::string ini = scratch_.path() + "install.ini";
    ASSERT_TRUE(WriteBytes(ini, InstallIniText(d)));
    InstallContext& context = host_.context();
    ASSERT_TRUE(InstallIniLoader(ini.c_str(), context));
    ASSERT_EQ(context.overlongValue[0], '\0') << context.overlongValue;
    std::strcpy(context.installFolder, install_.c_str());
    context.selectedType = 0;
    groupsToRemove_.push_back(programs_ + (d.corp.empty() ? d.app : d.corp));
  }

  test::ScratchFolder scratch_;
  test::RecordingHost host_;
  std::string install_, temp_, programs_;
  std::vector<std::string> groupsToRemove_;
};

TEST_F(RegistrationTest, RegistryValuesAreWrittenAndTheKeyRecordedLast) {
  Description d;
  d.regKey = "Software\\TestMaker\\Values";
  Load(d);
  WriteRegistryData(host_);

  const struct {
    const char* name;
    DWORD type;
    std::string text;
    DWORD number;
  } expected[] = {
      {"Path", REG_SZ, install_ + "Game.exe", 0},   // INSTALL_DIR+, group chosen
      {"Level", REG_DWORD, "", 31},                  // dword:0000001f
      {"Extra", REG_SZ, "?:\\bin\\", 0},             // group 3 is not in the default type
      {"Source", REG_SZ, "?:\\", 0},                 // CD_DIR, not chosen
      {"Eq", REG_SZ, install_ + "ab.exe", 0},        // every '=' of the data is dropped
      {"Title", REG_SZ, "月見日和 1.00", 0},         // plain text: the loader dropped its quotes
      {"install", REG_SZ, install_, 0},
  };
  for (const auto& e : expected) {
    RegistryRead read = ReadValue(d.regKey, e.name);
    ASSERT_TRUE(read.found) << e.name;
    EXPECT_EQ(read.type, e.type) << e.name;
    if (e.type == REG_SZ) {
      EXPECT_EQ(read.text, e.text) << e.name;
    } else {
      EXPECT_EQ(read.number, e.number) << e.name;
    }
  }
  // Group 5 has no REGDATA_GROUP entry: nothing is written for it.
  EXPECT_FALSE(ReadValue(d.regKey, "").found);

  // The key, then the maker's key it brought (removed in this order, the maker's is empty
  // by its turn).
  EXPECT_EQ(host_.log, (std::vector<LoggedEntry>{{LOG_REGS, d.regKey}, {LOG_REGS, "Software\\TestMaker"}}));
  EXPECT_EQ(host_.workItems, std::vector<std::string>{"アプリケーション情報を Windows に登録中..."});
  EXPECT_EQ(host_.pumps, 1);
}

TEST_F(RegistrationTest, AKeyThatExistedBeforeIsWrittenButNotRecorded) {
  Description d;
  d.regKey = "Software\\TestMaker\\Existing";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, d.regKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  Load(d);
  WriteRegistryData(host_);
  EXPECT_EQ(ReadValue(d.regKey, "install").text, install_);
  EXPECT_TRUE(host_.log.empty());
}

TEST_F(RegistrationTest, NewKeysAreRecordedWithTheParentsTheyBrought) {
  const char kThere[] = "Software\\KazeMakerThere";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kThere, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  const struct {
    const char* key;
    std::vector<LoggedEntry> log;
  } cases[] = {
      {"Software\\KazeMakerThere\\Game", {{LOG_REGS, "Software\\KazeMakerThere\\Game"}}},
      {"Software\\KazeMakerNew\\Series\\Game",
       {{LOG_REGS, "Software\\KazeMakerNew\\Series\\Game"},
        {LOG_REGS, "Software\\KazeMakerNew\\Series"},
        {LOG_REGS, "Software\\KazeMakerNew"}}},
      // Software itself is never the installation's, even where it was missing.
      {"Software\\KazeDirect", {{LOG_REGS, "Software\\KazeDirect"}}},
  };
  for (const auto& c : cases) {
    host_.log.clear();
    Description d;
    d.regKey = c.key;
    Load(d);
    WriteRegistryData(host_);
    EXPECT_EQ(host_.log, c.log) << c.key;
    for (const LoggedEntry& entry : c.log) RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry.path.c_str());
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kThere);
}

TEST(WriteRegistryLine, WritesStringsAndNumbersOnly) {
  const std::string key = "Software\\TestMaker\\Lines";
  const struct {
    const char* line;
    bool written;
    const char* name;
    DWORD type;
  } cases[] = {
      {"\"Text\"=\"表ソ\"", true, "Text", REG_SZ},
      {"\"Number\"=dword:00000001", true, "Number", REG_DWORD},
      {"\"NoNumber\"=C:\\Game", false, "NoNumber", 0},
      {"\"\"=", false, "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WriteRegistryLine(key.c_str(), c.line), c.written) << c.line;
    RegistryRead read = ReadValue(key, c.name);
    EXPECT_EQ(read.found, c.written) << c.line;
    if (c.written) {
      EXPECT_EQ(read.type, c.type) << c.line;
    }
  }
  EXPECT_EQ(ReadValue(key, "Text").text, "表ソ");
  EXPECT_EQ(ReadValue(key, "Number").number, 1u);
  EXPECT_FALSE(WriteRegistryLine("", "\"A\"=dword:1"));
  EXPECT_FALSE(WriteRegistryLine(key.c_str(), ""));
}

TEST_F(RegistrationTest, UninstallerShortcutsAndEntryAreMadeAndRecordedInOrder) {
  Description d;
  d.corp = "TestMaker";
  Load(d);
  EXPECT_TRUE(RegisterUninstall(host_));

  const std::string group = programs_ + "TestMaker\\ゲーム表\\";
  const std::string key = std::string(kUninstallRoot) + "TestMaker ゲーム表";
  EXPECT_EQ(host_.log, (std::vector<LoggedEntry>{
                           {LOG_FOLD, programs_ + "TestMaker\\"},
                           {LOG_FOLD, group},
                           {LOG_FILE, install_ + "Kaze_Inst.exe"},
                           {LOG_FILE, group + "アンインストール.lnk"},
                           {LOG_FILE, install_ + "README.txt"},
                           {LOG_FILE, install_ + "banner.bmp"},
                           {LOG_FILE, group + "ゲーム開始.lnk"},
                           {LOG_FILE, group + "説明書.lnk"},
                       }));
  EXPECT_EQ(ReadBytes(install_ + "Kaze_Inst.exe"), "uninstaller");
  EXPECT_EQ(ReadBytes(install_ + "README.txt"), "read me");
  EXPECT_EQ(ReadBytes(install_ + "banner.bmp"), "banner");
  EXPECT_EQ(LinkTarget(group + "アンインストール.lnk"), install_ + "Kaze_Inst.exe");
  EXPECT_EQ(LinkTarget(group + "ゲーム開始.lnk"), install_ + "Game.exe");
  EXPECT_EQ(LinkTarget(group + "説明書.lnk"), install_ + "Manual\\ソ表.html");
  EXPECT_FALSE(Exists(group + "空.lnk"));        // an entry without a file
  EXPECT_FALSE(Exists(group + "使わない.lnk"));  // beyond MAKESHORTCUT

  EXPECT_EQ(ReadValue(key, "DisplayName").text, "TestMaker ゲーム表  (Remove Only)");
  const std::string uninstaller = install_ + "Kaze_Inst.exe";
  EXPECT_EQ(ReadValue(key, "UninstallString").text,
            "\"" + uninstaller + "\" \"" + uninstaller + "\" \"/D\"");
  EXPECT_EQ(ReadValue(key, "DisplayIcon").text, install_ + "Game.exe");
  EXPECT_EQ(ReadValue(key, "Publisher").text, "TestMaker");
  EXPECT_EQ(ReadValue(key, "InstallLocation").text, install_);
  RegistryRead size = ReadValue(key, "EstimatedSize");
  EXPECT_EQ(size.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size.number, (10u + 20 + 50 + 60) * 1024);  // groups 1, 2, 5, 6 of the standard type
}

TEST_F(RegistrationTest, GroupFoldersThatExistedAreNotRecorded) {
  Description d;
  d.corp = "ExistingMaker";
  d.shortcutCount = 0;
  ASSERT_TRUE(CreateDirectoryA((programs_ + "ExistingMaker\\").c_str(), nullptr));
  Load(d);
  RegisterUninstall(host_);

  const std::string group = programs_ + "ExistingMaker\\ゲーム表\\";
  std::vector<LoggedEntry> folders;
  for (const LoggedEntry& entry : host_.log) {
    if (entry.kind == LOG_FOLD) folders.push_back(entry);
  }
  EXPECT_EQ(folders, (std::vector<LoggedEntry>{{LOG_FOLD, group}}));

  // MAKESHORTCUT 0: the uninstaller's shortcut is the group's only one.
  std::vector<std::string> links;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((group + "*.lnk").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do links.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
  }
  EXPECT_EQ(links, std::vector<std::string>{"アンインストール.lnk"});
}

TEST_F(RegistrationTest, WithoutMakerTheEntryAndGroupUseTheProductAlone) {
  Description d;
  d.corp = "";
  d.app = "NoMakerGame";
  Load(d);
  RegisterUninstall(host_);

  const std::string key = std::string(kUninstallRoot) + " NoMakerGame";
  EXPECT_EQ(ReadValue(key, "DisplayName").text, "NoMakerGame  (Remove Only)");
  EXPECT_TRUE(ReadValue(key, "UninstallString").found);
  EXPECT_FALSE(ReadValue(key, "Publisher").found);
  ASSERT_FALSE(host_.log.empty());
  EXPECT_EQ(host_.log[0], (LoggedEntry{LOG_FOLD, programs_ + "NoMakerGame\\"}));
  EXPECT_TRUE(Exists(programs_ + "NoMakerGame\\アンインストール.lnk"));
}

TEST_F(RegistrationTest, AnEntryThatCannotBeCreatedIsReportedOnce) {
  Description d;
  d.corp = "M";
  d.app = "Locked";
  // An entry of that name that no one may write to (a name over the registry's 255
  // characters would fail the group first).
  const std::string key = std::string(kUninstallRoot) + "M Locked";
  ASSERT_TRUE(test::MakeReadOnlyKey(key));
  Load(d);
  test::PromptRecorder prompts;
  EXPECT_FALSE(RegisterUninstall(host_));
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());

  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "アンインストール用レジストリの作成に失敗しました");
  EXPECT_EQ(prompts.messages()[0].caption, "CUnInstReg");
  EXPECT_EQ(prompts.messages()[0].style & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  // The steps before it ran: the uninstaller was copied.
  EXPECT_EQ(ReadBytes(install_ + "Kaze_Inst.exe"), "uninstaller");
}

// A record the log could not take (a full temporary drive) ends the step at once; the
// host told the user, so the step adds no message of its own.
TEST_F(RegistrationTest, ALogRecordThatCannotBeWrittenEndsTheStepWithoutASecondMessage) {
  const struct {
    const char* what;
    bool (*step)(EngineHost&);
    int logFailsAt;  // records written before the failing one
  } cases[] = {
      {"the product key", &WriteRegistryData, 0},
      {"the group's first folder", [](EngineHost& h) { return RegisterUninstall(h); }, 0},
      {"the uninstaller's copy", [](EngineHost& h) { return RegisterUninstall(h); }, 2},
      {"the uninstaller's shortcut", [](EngineHost& h) { return RegisterUninstall(h); }, 3},
      {"a shortcut of the game", [](EngineHost& h) { return RegisterUninstall(h); }, 6},
      {"the installed install.ini", &WriteInstalledIni, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Description d;
    d.corp = "LogMaker";
    d.regKey = "Software\\LogMaker\\Values";
    Load(d);
    host_.log.clear();
    host_.told = false;
    host_.logFailsAt = c.logFailsAt;
    test::PromptRecorder prompts;
    EXPECT_FALSE(c.step(host_));
    EXPECT_TRUE(host_.told) << "the step went on without its record";
    EXPECT_EQ(host_.log.size(), static_cast<size_t>(c.logFailsAt)) << "went on after the failure";
    for (const test::RecordedMessage& m : prompts.messages()) ADD_FAILURE() << m.text;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallRoot) + "LogMaker ゲーム表").c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, d.regKey.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\LogMaker");
    test::RemoveTree(programs_ + "LogMaker\\");
    // What a case made would be the user's to the next one, and never recorded.
    for (const char* made : {"Kaze_Inst.exe", "README.txt", "banner.bmp", "install.ini"}) {
      DeleteFileA((install_ + made).c_str());
    }
  }
  host_.logFailsAt = -1;
}

TEST_F(RegistrationTest, CreateFolderLoggedRecordsOnlyWhatItMade) {
  // Outermost first; the folder that was there already is left out.
  const std::string made = install_ + "ソ\\表\\";
  EXPECT_TRUE(CreateFolderLogged(host_, made.c_str()));
  EXPECT_EQ(host_.log, (std::vector<LoggedEntry>{{LOG_FOLD, install_ + "ソ\\"},
                                                 {LOG_FOLD, made}}));
  EXPECT_TRUE(Exists(made));

  // A folder whose path the log could not hold is not made at all, nor its parents.
  host_.log.clear();
  std::string longer = install_ + "new\\" + std::string(256 - install_.size() - 4, 'x');
  ASSERT_EQ(longer.size(), 256u);
  EXPECT_FALSE(CreateFolderLogged(host_, longer.c_str()));
  EXPECT_FALSE(Exists(install_ + "new\\"));
  longer.pop_back();
  EXPECT_TRUE(CreateFolderLogged(host_, longer.c_str()));
  EXPECT_EQ(host_.log, (std::vector<LoggedEntry>{{LOG_FOLD, install_ + "new\\"},
                                                 {LOG_FOLD, longer}}));
}

TEST_F(RegistrationTest, InstalledIniReplacesAnEarlierOne) {
  Description d;
  Load(d);
  const std::string path = install_ + "install.ini";
  ASSERT_TRUE(WriteBytes(path, "[INSTALL]\r\nOLD = 1\r\n[OTHER]\r\nKEEP = 2\r\n"));
  WriteInstalledIni(host_);

  EXPECT_EQ(ReadBytes(path),
            "[INSTALL]\r\n"
            "WINDOWNAME = ゲーム表\r\n"
            "CORPNAME = TestMaker\r\n"
            "APPNAME = ゲーム表\r\n"
            "INSTALL = " + install_ + "\r\n"
            "EXE = Game.exe\r\n"
            "README = README.txt\r\n"
            "[ABOUT_BOX]\r\n"
            "BANNERNAME = banner.bmp\r\n"
            "BKCOLOR = 0,0,128\r\n"
            "TEXTCOLOR = 255,255,255\r\n");
  // The earlier file was announced for keeping before the write, and, being the user's,
  // is not recorded for removal. So is the editor's copy beside it, whose place is
  // recorded before the first copy is made: a file of the user's there comes back at a
  // rollback, and a copy left by a run cut off goes.
  EXPECT_EQ(host_.kept, (std::vector<std::string>{path, path + ".tmp"}));
  EXPECT_EQ(host_.announced, (std::vector<LoggedEntry>{{LOG_FILE, path + ".tmp"}}));
  EXPECT_TRUE(host_.log.empty());
  EXPECT_FALSE(Exists(path + ".tmp"));
}

}  // namespace
}  // namespace kaze
