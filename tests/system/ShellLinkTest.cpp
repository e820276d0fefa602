// Shortcut files made through the shell's link object, read back through it.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/SystemSession.h"
#include "system/OsServices.h"

namespace kaze {
namespace {

// A shell folder of this NT prefix with its backslash, asked of the shell itself rather
// than of the code under test: on NT the links go to the all-users folders.
std::string AllUsersFolder(int csidl) {
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE)) return std::string();
  return std::string(folder) + "\\";
}


struct LinkContents {
  std::string path, workingFolder, arguments, description;
  int showCmd = 0;
};

bool ReadLink(const std::string& file, LinkContents& out) {
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  IPersistFile* persist = nullptr;
  bool ok = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
      char text[1024];
      link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
      out.path = text;
      link->GetWorkingDirectory(text, sizeof text);
      out.workingFolder = text;
      link->GetArguments(text, sizeof text);
      out.arguments = text;
      link->GetDescription(text, sizeof text);
      out.description = text;
      link->GetShowCmd(&out.showCmd);
      ok = true;
    }
  }
  if (persist) persist->Release();
  if (link) link->Release();
  CoUninitialize();
  return ok;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A scratch folder for the links. The target lies in a folder whose name ends in 表
// (trail byte 0x5C); it need not exist for the link to record it.
class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "kaze_links\\";
    CreateDirectoryA(scratch_.c_str(), nullptr);
    gameFolder_ = "C:\\Games\\月見表\\";
    target_ = gameFolder_ + "game.exe";
  }
  void TearDown() override {
    for (const std::string& file : created_) DeleteFileA(file.c_str());
    RemoveDirectoryA(scratch_.c_str());
  }
  std::string Link(const char* name) {
    created_.push_back(scratch_ + name);
    return created_.back();
  }

  std::string scratch_, gameFolder_, target_;
  std::vector<std::string> created_;
};

TEST_F(ShortcutTest, WritesALinkWithTargetArgumentsAndTheTargetsFolder) {
  SystemSession session;
  ASSERT_TRUE(session.StartShellLink(nullptr));
  ASSERT_TRUE(session.StartShellLink(nullptr));  // started once only

  std::string link = Link("Start.lnk");
  ASSERT_TRUE(session.CreateShortcut(0, link.c_str(), target_.c_str(), "-window 1", nullptr));
  LinkContents contents;
  ASSERT_TRUE(ReadLink(link, contents));
  EXPECT_EQ(contents.path, target_);
  EXPECT_EQ(contents.workingFolder, gameFolder_);  // ends with 表 and its backslash
  EXPECT_EQ(contents.arguments, "-window 1");
  EXPECT_EQ(contents.description, "");
  // A link stores only normal, maximised or minimised; SW_SHOW comes back as normal.
  EXPECT_EQ(contents.showCmd, SW_SHOWNORMAL);

  std::string second = Link("Readme.lnk");
  ASSERT_TRUE(session.CreateShortcut(7, second.c_str(), target_.c_str(), nullptr, scratch_.c_str()));
  ASSERT_TRUE(ReadLink(second, contents));
  EXPECT_EQ(contents.workingFolder, scratch_);
  EXPECT_EQ(contents.arguments, "");
  EXPECT_TRUE(session.StopShellLink());
  EXPECT_EQ(session.shellLink, nullptr);
  EXPECT_EQ(session.persistFile, nullptr);
}

TEST_F(ShortcutTest, DoesNothingUnlessStarted) {
  SystemSession session;
  std::string link = Link("Never.lnk");
  EXPECT_TRUE(session.CreateShortcut(0, link.c_str(), target_.c_str(), nullptr, nullptr));
  EXPECT_FALSE(Exists(link));

  ASSERT_TRUE(session.StartShellLink(nullptr));
  EXPECT_TRUE(session.StopShellLink());
  EXPECT_TRUE(session.CreateShortcut(0, link.c_str(), target_.c_str(), nullptr, nullptr));
  EXPECT_FALSE(Exists(link));
  EXPECT_TRUE(session.StopShellLink());
}

TEST_F(ShortcutTest, RefusesLinkPathsItWouldHaveToCut) {
  SystemSession session;
  ASSERT_TRUE(session.StartShellLink(nullptr));
  // 259 bytes in all once the Programs folder is put in front: too long for the buffer.
  const std::string programs = AllUsersFolder(CSIDL_COMMON_PROGRAMS);
  ASSERT_FALSE(programs.empty());
  std::string name(MAX_PATH - programs.size(), 'x');
  char resolved[MAX_PATH] = "junk";
  session.ResolveLinkLocation(1, name.c_str(), resolved);
  EXPECT_STREQ(resolved, "");
  EXPECT_FALSE(session.CreateShortcut(1, name.c_str(), target_.c_str(), nullptr, nullptr));

  std::string longFolder(300, 'w');
  std::string link = Link("Long.lnk");
  EXPECT_FALSE(session.CreateShortcut(0, link.c_str(), target_.c_str(), nullptr, longFolder.c_str()));
  EXPECT_FALSE(Exists(link));
}

TEST(ResolveLinkLocation, PutsTheLinkUnderTheFolderOfItsMode) {
  const std::string programs = AllUsersFolder(CSIDL_COMMON_PROGRAMS);
  const std::string desktop = AllUsersFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  ASSERT_FALSE(programs.empty());
  ASSERT_FALSE(desktop.empty());
  struct Case { unsigned char mode; std::string expected; } cases[] = {
      {0, "Maker\\Game\\Start.lnk"},
      {1, programs + "Maker\\Game\\Start.lnk"},
      {2, desktop + "Maker\\Game\\Start.lnk"},
      {3, "Maker\\Game\\Start.lnk"},
      {255, "Maker\\Game\\Start.lnk"},
  };
  SystemSession session;
  for (const Case& c : cases) {
    char out[MAX_PATH];
    session.ResolveLinkLocation(c.mode, "Maker\\Game\\Start.lnk", out);
    EXPECT_EQ(std::string(out), c.expected) << int(c.mode);
  }
}

TEST(CreateShortcut, PlacesProgramGroupLinksInTheAllUsersStartMenu) {
  char common[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, common, CSIDL_COMMON_PROGRAMS, FALSE));
  const std::string group = std::string(common) + "\\Maker";
  const std::string game = group + "\\Game";
  // The caller makes the group's folder.
  CreateDirectoryA(group.c_str(), nullptr);
  CreateDirectoryA(game.c_str(), nullptr);

  SystemSession session;
  ASSERT_TRUE(session.StartShellLink(nullptr));
  EXPECT_TRUE(session.CreateShortcut(1, "Maker\\Game\\Start.lnk", "C:\\Games\\Demo\\game.exe",
                                     nullptr, nullptr));
  LinkContents contents;
  EXPECT_TRUE(ReadLink(game + "\\Start.lnk", contents));
  EXPECT_EQ(contents.workingFolder, "C:\\Games\\Demo\\");

  // Without the group's folder the link cannot be saved.
  EXPECT_FALSE(session.CreateShortcut(1, "Maker\\Other\\Start.lnk", "C:\\Games\\Demo\\game.exe",
                                      nullptr, nullptr));
  DeleteFileA((game + "\\Start.lnk").c_str());
  RemoveDirectoryA(game.c_str());
  RemoveDirectoryA(group.c_str());
}

}  // namespace
}  // namespace kaze
