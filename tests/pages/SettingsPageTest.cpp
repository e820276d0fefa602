// The settings page as a real window inside a bare frame (template 102), driven with the
// messages the user's actions send; prompts are answered through the recorder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/InstallContext.h"
#include "pages/SettingsPage.h"
#include "resources/resource.h"
#include "system/ControlsVersion.h"
#include "system/DriveQueries.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/ScratchFiles.h"
#include "tests/support/WindowPump.h"

namespace kaze::test {
namespace {

const char kCancelled[] =
    "インストール情報ファイルの取得をキャンセルされたためインストール作業を続行できません。";

// Three types with groups and one without: rows 標準 (120 MB), フル (155), 最小 (5).
const std::string kNames = "CORPNAME=風見ソフト\r\nAPPNAME=月見日和\r\n";

std::string IniText(const std::string& info, const std::string& defaultList = "1",
                    const std::string& fullList = "1,2,3", const std::string& names = kNames) {
  return "[INSTALL_INFO]\r\n" + names + info +
         "DISKNUM=1\r\n"
         "DISK_0=TSUKIMI1\r\n"
         "[INSTALL_GROUP_DISK_0]\r\n"
         "IDNUM=3\r\n"
         "GROUP_0=1\r\nMEMBERSIZE_0=120\r\nMEMBERNUM_0=0\r\n"
         "GROUP_1=2\r\nMEMBERSIZE_1=30\r\nMEMBERNUM_1=0\r\n"
         "GROUP_2=3\r\nMEMBERSIZE_2=5\r\nMEMBERNUM_2=0\r\n"
         "[INSTALL_GROUP]\r\n"
         "NAME_DEFAULT=標準インストール\r\n"
         "NAME_FULL=フルインストール\r\n"
         "TEXT_DEFAULT=よく使うファイルだけを入れます。\\nディスクは後で要ります。\r\n"
         "TEXT_FULL=すべてを入れます。\r\n"
         "DEFAULTLIST=" + defaultList + "\r\n"
         "FULLLIST=" + fullList + "\r\n"
         "INSTGROUP=2\r\n"
         "GROUPNAME_0=最小\r\nEXPLANATION_0=最小構成\r\nGROUPLIST_0=3\r\n"
         "GROUPNAME_1=空\r\nEXPLANATION_1=なし\r\nGROUPLIST_1=\r\n";
}

const std::string kStandardInfo = "PATH=Program Files\r\nPATH2=Tsukimi\r\n";

std::vector<WPARAM>& FrameCommands() {
  static std::vector<WPARAM> commands;
  return commands;
}

INT_PTR CALLBACK BareFrameProcedure(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) {
    FrameCommands().push_back(wParam);
    return TRUE;
  }
  return FALSE;
}

// The frame's template without WS_VISIBLE: hiding or destroying a mapped top-level window
// costs Wine about two seconds each time.
HWND CreateHiddenFrame(HINSTANCE instance) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDD_WIZARD_FRAME), MAKEINTRESOURCEA(5));
  if (found == nullptr) return nullptr;
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  std::vector<BYTE> copy(bytes, bytes + SizeofResource(instance, found));
  // DLGTEMPLATEEX: version, signature, help id, extended style, then the style.
  DWORD style;
  std::memcpy(&style, &copy[12], sizeof style);
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  std::memcpy(&copy[12], &style, sizeof style);
  return CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()),
                                    nullptr, &BareFrameProcedure, 0);
}

bool PumpUntil(const InstallSettingsPage& page, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (page.ready()) return true;
    if (GetTickCount() - start > milliseconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

class SettingsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "C:\\kaze_settings_%lu\\", GetCurrentProcessId());
    scratch_ = name;
    CreateDirectoryA(scratch_.c_str(), nullptr);
    disc_ = scratch_ + "disc\\";
    setup_ = scratch_ + "setup\\";
    CreateDirectoryA(disc_.c_str(), nullptr);
    CreateDirectoryA(setup_.c_str(), nullptr);
    FrameCommands().clear();

    HINSTANCE instance = GetModuleHandleA(nullptr);
    frame_ = CreateHiddenFrame(instance);
    ASSERT_NE(frame_, nullptr);
    context_.instance = instance;
    context_.frameWindow = frame_;
    std::snprintf(context_.cdFolder, sizeof context_.cdFolder, "%s", disc_.c_str());
    page_ = controlsVersion_ == 0
                ? std::make_unique<InstallSettingsPage>(instance)
                : std::make_unique<InstallSettingsPage>(instance, controlsVersion_);
    ASSERT_NE(page_->Create(frame_, &context_), nullptr);
    // On the screen, where a click's place can be given by the cursor.
    SetWindowPos(frame_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    context_.pageWindows[2] = page_->window();
  }
  void TearDown() override {
    page_.reset();
    if (frame_ != nullptr) DestroyWindow(frame_);
    RemoveTree(scratch_);
  }

  void WriteDiscIni(const std::string& bytes) { WriteFile(disc_ + "install.ini", bytes); }

  // Shows the page and lets its start work run.
  void ShowAndWait() {
    ShowWindow(page(), SW_SHOW);
    ASSERT_TRUE(PumpUntil(*page_, 5000)) << "the start work never finished";
  }

  HWND page() const { return page_->window(); }
  HWND list() const { return GetDlgItem(page(), IDC_TYPE_LIST); }
  std::string Text(int id) const {
    char text[1024] = {};
    GetDlgItemTextA(page(), id, text, sizeof text);
    return text;
  }
  std::string FrameText(int id) const {
    char text[256] = {};
    GetDlgItemTextA(frame_, id, text, sizeof text);
    return text;
  }
  bool NextEnabled() const { return IsWindowEnabled(GetDlgItem(frame_, IDC_NEXT)) != FALSE; }

  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    int count = static_cast<int>(SendMessageA(list(), LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
      char text[256] = {};
      LVITEMA item = {};
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(list(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
      rows.push_back(text);
    }
    return rows;
  }
  std::vector<int> Ticks() const {
    std::vector<int> ticks;
    int count = static_cast<int>(SendMessageA(list(), LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
      UINT state = static_cast<UINT>(SendMessageA(list(), LVM_GETITEMSTATE, row,
                                                  LVIS_STATEIMAGEMASK));
      ticks.push_back(static_cast<int>(state >> 12) - 1);
    }
    return ticks;
  }
  // What a click on a row's check box does to the list.
  void SetCheckBox(int row, bool ticked) {
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    SendMessageA(list(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  // The mouse button pressed once or twice at a point of the list. The cursor goes there
  // first: the page finds the place of a click in the position of its message.
  void Click(POINT point, bool twice = false) {
    POINT screen = point;
    ClientToScreen(list(), &screen);
    SetCursorPos(screen.x, screen.y);
    LPARAM at = MAKELPARAM(point.x, point.y);
    PostMessageA(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list(), WM_LBUTTONUP, 0, at);
    if (twice) {
      PostMessageA(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
      PostMessageA(list(), WM_LBUTTONUP, 0, at);
    }
    PumpFor(100);
  }
  void DoubleClick(POINT point) { Click(point, true); }
  void PressSpaceOn(int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(list(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    PostMessageA(list(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageA(list(), WM_KEYUP, VK_SPACE, 0xC0390001);
    PumpFor(100);
  }
  RECT RowRect(int row, int part) const {
    RECT rect = {part, 0, 0, 0};
    SendMessageA(list(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return rect;
  }
  // On the row's text, at its start.
  POINT OnText(int row) const {
    RECT label = RowRect(row, LVIR_LABEL);
    return POINT{label.left + 4, (label.top + label.bottom) / 2};
  }
  // Far right of the row's text, where only full-row selection finds the row.
  POINT BesideText(int row) const {
    RECT bounds = RowRect(row, LVIR_BOUNDS);
    return POINT{bounds.right - 4, (bounds.top + bounds.bottom) / 2};
  }
  POINT BelowTheRows() const {
    RECT last = RowRect(static_cast<int>(Rows().size()) - 1, LVIR_BOUNDS);
    return POINT{last.left + 4, last.bottom + 8};
  }
  // On the row's check box, as the list's own hit test finds it.
  POINT OnBox(int row) const {
    RECT bounds = RowRect(row, LVIR_BOUNDS);
    for (LONG x = bounds.left; x < bounds.left + 40; ++x) {
      LVHITTESTINFO hit = {};
      hit.pt = POINT{x, (bounds.top + bounds.bottom) / 2};
      if (SendMessageA(list(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == row &&
          (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
        return hit.pt;
      }
    }
    ADD_FAILURE() << "row " << row << " shows no check box";
    return POINT{};
  }

  std::string WindowsRoot() const {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows, 3);
  }

  void ExpectFailedState() {
    EXPECT_EQ(context_.closeWithoutAsking, 1);
    EXPECT_EQ(FrameText(IDCANCEL), "終了");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page(), IDC_BROWSE)));
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(Text(IDC_FREE_SPACE), "---");
    EXPECT_EQ(Text(IDC_NEEDED_SPACE), "---");
    EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), " ");
  }

  int controlsVersion_ = 0;  // 0: the loaded library's own version
  std::string scratch_, disc_, setup_;
  HWND frame_ = nullptr;
  InstallContext context_;
  std::unique_ptr<InstallSettingsPage> page_;
};

TEST_F(SettingsPageTest, PresentIniFillsThePageWithoutAsking) {
  WriteDiscIni(IniText(kStandardInfo));
  PromptRecorder prompts;
  // Created hidden: the initial texts, nothing loaded yet.
  EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), " ");
  EXPECT_EQ(Text(IDC_FREE_SPACE), "---");
  EXPECT_EQ(Text(IDC_NEEDED_SPACE), "---");
  DWORD styles = static_cast<DWORD>(SendMessageA(list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(styles & 0x425u, 0x425u);

  ShowAndWait();
  EXPECT_FALSE(KillTimer(page(), 1)) << "the start timer must be one-shot";
  EXPECT_TRUE(prompts.messages().empty());
  EXPECT_TRUE(prompts.openFiles().empty());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"標準インストール", "フルインストール", "最小"}));
  EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(context_.selectedType, 0);
  EXPECT_EQ(Text(IDC_TYPE_EXPLANATION),
            "よく使うファイルだけを入れます。\r\nディスクは後で要ります。");
  EXPECT_EQ(Text(IDC_NEEDED_SPACE), "120");
  EXPECT_TRUE(NextEnabled());
  EXPECT_EQ(context_.closeWithoutAsking, 0);
  EXPECT_EQ(std::string(context_.cdFolder), disc_);

  const std::string folder = WindowsRoot() + "Program Files\\Tsukimi\\";
  EXPECT_EQ(Text(IDC_INSTALL_FOLDER), folder);
  char caption[64];
  std::snprintf(caption, sizeof caption, "空きドライブ容量 (%c：)", folder[0]);
  EXPECT_EQ(Text(IDC_FREE_CAPTION), caption);
  DWORD totalKb = 0, freeKb = 0;
  QueryDriveSpace(folder[0], totalKb, freeKb);
  // Megabytes of a live drive; other writers may move it a little meanwhile.
  EXPECT_NEAR(std::atol(Text(IDC_FREE_SPACE).c_str()), static_cast<long>(freeKb >> 10), 64);
}

TEST_F(SettingsPageTest, MissingIniChosenByTheUserMovesTheSourceFolder) {
  WriteFile(setup_ + "install.ini", IniText(kStandardInfo));
  PromptRecorder prompts;
  prompts.AnswerOpenFile(setup_ + "install.ini");
  ShowAndWait();

  const std::string expected = disc_ + "install.ini";
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text,
            "インストーラ用情報ファイル 「" + expected +
                "」 が見つかりませんでした。位置を直接指定してください。");
  EXPECT_EQ(prompts.messages()[0].caption, kInstallerCaption);
  EXPECT_EQ(prompts.messages()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  ASSERT_EQ(prompts.openFiles().size(), 1u);
  EXPECT_EQ(prompts.openFiles()[0].initialName, expected);
  EXPECT_EQ(prompts.openFiles()[0].filter,
            "Kaze インストーラ用情報ファイル(install.ini)|install.ini|");
  EXPECT_EQ(prompts.openFiles()[0].defaultExtension, ".ini");
  // Also OFN_NOCHANGEDIR: the current folder never stays on the disc.
  EXPECT_EQ(prompts.openFiles()[0].flags, 0x100Eu);

  EXPECT_EQ(std::string(context_.cdFolder), setup_);
  EXPECT_EQ(Rows().size(), 3u);
  EXPECT_TRUE(NextEnabled());
  EXPECT_EQ(context_.closeWithoutAsking, 0);
}

// Every way of not getting a usable install.ini ends in the same state: the user is told
// why and can only leave.
struct RefusalCase {
  const char* name;
  std::string discIniLine;           // install.ini on the disc with this line ("": none)
  bool answerLongPath;               // the open-file dialog returns a 300-byte path
  std::vector<std::string> messages;
  std::string names = kNames;        // CORPNAME and APPNAME lines
  bool japaneseStartup = false;      // the common Startup folder is named スタートアップ
};

// The common Startup folder as Japanese Windows names it, below the Programs folder, for
// as long as the object lives.
class JapaneseStartupFolder {
 public:
  JapaneseStartupFolder() {
    char programs[MAX_PATH] = {};
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE));
    folder_ = std::string(programs) + "\\スタートアップ";
    CreateDirectoryA(folder_.c_str(), nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFolders, 0, KEY_ALL_ACCESS, &key_),
              ERROR_SUCCESS);
    DWORD size = sizeof saved_;
    hadValue_ = RegQueryValueExA(key_, "Common Startup", nullptr, &savedType_,
                                 reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
    savedSize_ = size;
    EXPECT_EQ(RegSetValueExA(key_, "Common Startup", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(folder_.c_str()),
                             static_cast<DWORD>(folder_.size() + 1)),
              ERROR_SUCCESS);
  }
  ~JapaneseStartupFolder() {
    if (hadValue_) {
      RegSetValueExA(key_, "Common Startup", 0, savedType_, reinterpret_cast<const BYTE*>(saved_),
                     savedSize_);
    } else {
      RegDeleteValueA(key_, "Common Startup");
    }
    RegCloseKey(key_);
    RemoveDirectoryA(folder_.c_str());
  }
  JapaneseStartupFolder(const JapaneseStartupFolder&) = delete;
  JapaneseStartupFolder& operator=(const JapaneseStartupFolder&) = delete;

 private:
  static constexpr const char* kShellFolders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  std::string folder_;
  HKEY key_ = nullptr;
  bool hadValue_ = false;
  DWORD savedType_ = REG_SZ;
  char saved_[MAX_PATH * 2] = {};
  DWORD savedSize_ = 0;
};

TEST_F(SettingsPageTest, RefusedIniLeavesOnlyTheWayOut) {
  const RefusalCase cases[] = {
      {"open-file dialog cancelled", "", false, {"見つかりませんでした", kCancelled}},
      {"chosen path over 259 bytes", "", true,
       {"見つかりませんでした", "パスが長すぎるため使用できません", kCancelled}},
      {"value too long for its field", "PATH=" + std::string(300, 'p'), false,
       {"インストール情報ファイルの値が長すぎるため、インストール作業を続行できません。\n"
        "(INSTALL_INFO/PATH)"}},
      {"path leading out of the disc", "README=..\\..\\victim\\x.txt", false,
       {"インストール情報ファイルの値がディスクやインストール先の外を指しているか、"
        "名前やキーとして使えないため、インストール作業を続行できません。\n(INSTALL_INFO/README)"}},
      {"no product name", "PATH2=Tsukimi", false,
       {"インストール情報ファイルの値がディスクやインストール先の外を指しているか、"
        "名前やキーとして使えないため、インストール作業を続行できません。\n(INSTALL_INFO/APPNAME)"},
       "CORPNAME=風見ソフト\r\n"},
      {"program group is the common Startup folder", "PATH2=Tsukimi", false,
       {"インストール情報ファイルの値ではプログラムグループがスタートアップ フォルダになるため、"
        "インストール作業を続行できません。\n(INSTALL_INFO/APPNAME)"},
       "CORPNAME=\r\nAPPNAME=スタートアップ\r\n", true},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    if (!c.discIniLine.empty()) WriteDiscIni(IniText(c.discIniLine + "\r\n", "1", "1,2,3", c.names));
    std::unique_ptr<JapaneseStartupFolder> startup;
    if (c.japaneseStartup) startup = std::make_unique<JapaneseStartupFolder>();
    PromptRecorder prompts;
    if (c.answerLongPath) prompts.AnswerOpenFile("C:\\" + std::string(290, 'l') + "\\install.ini");
    ShowAndWait();

    ASSERT_EQ(prompts.messages().size(), c.messages.size());
    for (size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_NE(prompts.messages()[i].text.find(c.messages[i]), std::string::npos)
          << prompts.messages()[i].text;
      EXPECT_EQ(prompts.messages()[i].caption, kInstallerCaption);
    }
    EXPECT_EQ(prompts.messages().back().text.find(c.messages.back()), 0u);
    EXPECT_EQ(prompts.messages().back().style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(std::string(context_.cdFolder), disc_);
    ExpectFailedState();

    // Enter is still forwarded; the frame ignores it because its Next is disabled.
    SendMessageA(page(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(FrameCommands(), std::vector<WPARAM>{IDC_NEXT});
  }
}

struct RowsCase {
  const char* name;
  const char* defaultList;
  const char* fullList;
  std::vector<std::string> rows;
  int selectedType;
  const char* explanation;
  const char* size;
};

TEST_F(SettingsPageTest, TypesWithoutGroupsGetNoRow) {
  const RowsCase cases[] = {
      {"default type empty", "", "1,2,3", {"フルインストール", "最小"}, 1,
       "すべてを入れます。", "155"},
      // No row at all: entry 0 (blank) is still shown and stays selected.
      {"only the custom type has groups", "", "", {"最小"}, 2, "最小構成", "5"},
  };
  for (const RowsCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    WriteDiscIni(IniText(kStandardInfo, c.defaultList, c.fullList));
    PromptRecorder prompts;
    ShowAndWait();
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(Ticks()[0], 1);
    EXPECT_EQ(context_.selectedType, c.selectedType);
    EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), c.explanation);
    EXPECT_EQ(Text(IDC_NEEDED_SPACE), c.size);
    EXPECT_TRUE(NextEnabled());
  }
}

TEST_F(SettingsPageTest, NoTypeWithGroupsShowsEntryZero) {
  // Default, full and the first custom type emptied; the second custom type has none anyway.
  std::string bytes = IniText(kStandardInfo, "", "");
  bytes.replace(bytes.find("GROUPLIST_0=3"), 13, "GROUPLIST_0=");
  WriteDiscIni(bytes);
  PromptRecorder prompts;
  ShowAndWait();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(context_.selectedType, 0);
  EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), "");
  EXPECT_EQ(Text(IDC_NEEDED_SPACE), "0");
  EXPECT_TRUE(NextEnabled());
}

TEST_F(SettingsPageTest, ExactlyOneRowStaysTicked) {
  WriteDiscIni(IniText(kStandardInfo));
  PromptRecorder prompts;
  ShowAndWait();

  SetCheckBox(1, true);  // a second tick moves the tick
  EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(context_.selectedType, 1);
  EXPECT_EQ(Text(IDC_NEEDED_SPACE), "155");
  EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), "すべてを入れます。");

  SetCheckBox(1, false);  // the only tick cannot be taken away
  EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(context_.selectedType, 1);

  SetCheckBox(0, true);
  EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(context_.selectedType, 0);
  EXPECT_EQ(Text(IDC_NEEDED_SPACE), "120");
}

// The user's clicks and keys do the same whatever common-control library is loaded: 4.00
// has no check-box style (the page draws and ticks the boxes itself), 4.70 no selection
// mark, and a message a library lacks would answer 0 (row 0) without a word.
struct LibraryCase {
  const char* name;
  int version;
  DWORD extendedStyles;
};

TEST_F(SettingsPageTest, TypeListWorksAlikeOnEveryLibrary) {
  const LibraryCase cases[] = {
      {"4.00", kControls400, 0},
      {"4.70", kControls470, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT},
      {"4.71 and later", kControls471,
       LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP},
  };
  for (const LibraryCase& c : cases) {
    SCOPED_TRACE(c.name);
    controlsVersion_ = c.version;
    TearDown();
    SetUp();
    WriteDiscIni(IniText(kStandardInfo));
    PromptRecorder prompts;
    ShowAndWait();
    EXPECT_EQ(static_cast<DWORD>(SendMessageA(list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)),
              c.extendedStyles);
    EXPECT_NE(SendMessageA(list(), LVM_GETIMAGELIST, LVSIL_STATE, 0), 0) << "no check boxes";
    ASSERT_EQ(Ticks(), (std::vector<int>{1, 0, 0}));

    // A click on a row shows its explanation and ticks nothing.
    Click(OnText(2));
    EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), "最小構成");
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Text(IDC_NEEDED_SPACE), "120");
    EXPECT_EQ(context_.selectedType, 0);

    DoubleClick(OnText(2));
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(Text(IDC_NEEDED_SPACE), "5");
    EXPECT_EQ(context_.selectedType, 2);

    Click(OnBox(1));
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(context_.selectedType, 1);
    EXPECT_EQ(Text(IDC_TYPE_EXPLANATION), "すべてを入れます。");
    EXPECT_EQ(Text(IDC_NEEDED_SPACE), "155");
    Click(OnBox(1));  // the only tick stays
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0}));

    PressSpaceOn(0);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(context_.selectedType, 0);

    DoubleClick(BesideText(2));
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 1}));
    DoubleClick(BelowTheRows());  // no row: nothing changes
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(context_.selectedType, 2);
  }
}

TEST_F(SettingsPageTest, EnterActsAsNextOnlyOnceLoaded) {
  WriteDiscIni(IniText(kStandardInfo));
  PromptRecorder prompts;
  SendMessageA(page(), WM_COMMAND, IDOK, 0);  // before the page was ever shown
  ShowWindow(page(), SW_SHOW);
  SendMessageA(page(), WM_COMMAND, IDOK, 0);  // shown, start work not yet run
  EXPECT_FALSE(page_->ready());
  EXPECT_TRUE(FrameCommands().empty());

  ASSERT_TRUE(PumpUntil(*page_, 5000));
  SendMessageA(page(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(FrameCommands(), std::vector<WPARAM>{IDC_NEXT});
}

TEST_F(SettingsPageTest, BrowseAppendsPath2AndFollowsTheDrive) {
  CreateDirectoryA("D:\\Games", nullptr);
  const std::string deep = "D:\\Games\\" + std::string(20, 'd');
  CreateDirectoryA(deep.c_str(), nullptr);
  WriteDiscIni(IniText("PATH=Program Files\r\nPATH2=" + std::string(240, 'x') + "\r\n"));
  PromptRecorder prompts;
  ShowAndWait();
  const std::string defaultFolder = Text(IDC_INSTALL_FOLDER);
  ASSERT_EQ(defaultFolder, WindowsRoot() + "Program Files\\" + std::string(240, 'x') + "\\");

  prompts.AnswerBrowse(std::nullopt);  // cancelled: nothing changes
  SendMessageA(page(), WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
  EXPECT_EQ(Text(IDC_INSTALL_FOLDER), defaultFolder);

  prompts.AnswerBrowse(deep);  // with PATH2 over 259 bytes: refused, the text stays
  SendMessageA(page(), WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
  EXPECT_EQ(Text(IDC_INSTALL_FOLDER), defaultFolder);
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_NE(prompts.messages()[0].text.find("長すぎます"), std::string::npos);

  prompts.AnswerBrowse("D:\\Games");
  SendMessageA(page(), WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
  EXPECT_EQ(Text(IDC_INSTALL_FOLDER), "D:\\Games\\" + std::string(240, 'x'));
  EXPECT_EQ(Text(IDC_FREE_CAPTION), "空きドライブ容量 (D：)");
  DWORD totalKb = 0, freeKb = 0;
  ASSERT_TRUE(QueryDriveSpace('D', totalKb, freeKb));
  EXPECT_NEAR(std::atol(Text(IDC_FREE_SPACE).c_str()), static_cast<long>(freeKb >> 10), 64);
  EXPECT_EQ(prompts.browseTitles(),
            (std::vector<std::string>(3, "インストール位置を選択してください")));
  EXPECT_EQ(prompts.messages().size(), 1u);
}

struct DefaultFolderCase {
  const char* name;
  std::string info;
  std::string folderAfterRoot;  // empty: refused as too long
};

TEST_F(SettingsPageTest, DefaultFolderFromWindowsDriveAndPaths) {
  const DefaultFolderCase cases[] = {
      {"plain", "PATH=Program Files\r\nPATH2=Tsukimi\r\n", "Program Files\\Tsukimi\\"},
      {"PATH2 ending in a trail byte 0x5C", "PATH=Program Files\r\nPATH2=月見表\r\n",
       "Program Files\\月見表\\"},
      {"PATH ending in a trail byte 0x5C", "PATH=KAZE\\ソ\r\nPATH2=Tsukimi\r\n",
       "KAZE\\ソ\\Tsukimi\\"},
      {"too long together", "PATH=" + std::string(200, 'p') + "\r\nPATH2=" +
                                std::string(100, 'q') + "\r\n", ""},
  };
  for (const DefaultFolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    WriteDiscIni(IniText(c.info));
    PromptRecorder prompts;
    ShowAndWait();
    if (c.folderAfterRoot.empty()) {
      EXPECT_EQ(Text(IDC_INSTALL_FOLDER), "");
      ASSERT_EQ(prompts.messages().size(), 1u);
      EXPECT_NE(prompts.messages()[0].text.find("長すぎます"), std::string::npos);
      EXPECT_EQ(Text(IDC_FREE_SPACE), "---");
    } else {
      EXPECT_EQ(Text(IDC_INSTALL_FOLDER), WindowsRoot() + c.folderAfterRoot);
      EXPECT_TRUE(prompts.messages().empty());
    }
    EXPECT_EQ(Rows().size(), 3u);  // the page is filled either way
  }
}

// Windows 9x reads 64 KB of install.ini and 32,767 bytes of a section and cuts the rest: a
// file beyond either is refused there, with the part named, like the other refusals.
class SettingsPageOn9x : public SettingsPageTest {};

TEST_F(SettingsPageOn9x, AFileReadCutShortLeavesOnlyTheWayOut) {
  auto padding = [](size_t bytes) {
    std::string lines;
    for (int i = 0; lines.size() < bytes; ++i) {
      lines += "PAD_" + std::to_string(i) + "=" + std::string(80, 'p') + "\r\n";
    }
    return lines;
  };
  const struct {
    const char* name;
    std::string ini;
    std::string part;
  } cases[] = {
      {"file over 64 KB", IniText(kStandardInfo) + "[PADDING]\r\n" + padding(70000), "install.ini"},
      // [INSTALL_GROUP] is the text's last section.
      {"section over 32,767 bytes", IniText(kStandardInfo) + padding(33000), "[INSTALL_GROUP]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    WriteDiscIni(c.ini);
    PromptRecorder prompts;
    ShowAndWait();
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text,
              "インストール情報ファイルが Windows 95/98/Me で読み込める大きさ (ファイル全体 64 KB、"
              "セクション 32 KB) を超えているため、インストール作業を続行できません。\n(" +
                  c.part + ")");
    EXPECT_EQ(prompts.messages()[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    ExpectFailedState();
  }
}

}  // namespace
}  // namespace kaze::test
