// The disc-set checker on the demo disc (clean) and on copies of it with one fault each:
// the report names each fault with its section and key, and nothing else.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "disccheck/DiscChecker.h"
#include "tests/archive/CabTestSupport.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/ScratchFiles.h"

namespace kaze::test {
namespace {

void CopyTree(const std::string& from, const std::string& to) {
  CreateDirectoryA(to.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((from + "*.*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE) << from;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(from + name + "\\", to + name + "\\");
    } else {
      ASSERT_TRUE(CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE)) << name;
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// A copy of the demo disc set, one disc, labelled as install.ini wants.
class DiscSet {
  ScratchFolder scratch_{"KazeDiscCheck"};  // first: the folders below are made of it

 public:
  DiscSet() {
    CopyTree(ProgramFolder() + "disc1\\", disc1());
  }
  std::string disc1() const { return scratch_.path() + "disc1\\"; }
  std::string disc2() const { return scratch_.path() + "disc2\\"; }
  std::string ini() const { return disc1() + "install.ini"; }
  void Set(const char* section, const char* key, const std::string& value) const {
    ASSERT_TRUE(WritePrivateProfileStringA(section, key, value.c_str(), ini().c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini().c_str());
  }

  // Key lines of about bytes bytes in all, right after the section's header (a new
  // section at the end when there is none).
  void Pad(const char* section, size_t bytes) const {
    std::string lines;
    for (int i = 0; lines.size() < bytes; ++i) {
      lines += "PAD_" + std::to_string(i) + "=" + std::string(80, 'p') + "\r\n";
    }
    std::string text = ReadBytes(ini());
    const std::string header = std::string("[") + section + "]\r\n";
    size_t at = text.find(header);
    if (at == std::string::npos) {
      text += header + lines;
    } else {
      text.insert(at + header.size(), lines);
    }
    ASSERT_TRUE(WriteBytes(ini(), text));
  }

  std::vector<DiscFolder> folders = {{disc1(), "TSUKIMI1"}};
};

std::vector<std::string> Lines(const DiscChecker& checker, bool errors) {
  std::vector<std::string> lines;
  for (const Finding& finding : checker.findings()) {
    if (finding.error == errors) lines.push_back(FormatFinding(finding));
  }
  return lines;
}

TEST(DiscCheck, TheDemoSetIsClean) {
  DiscSet set;
  DiscChecker checker(set.folders);
  ASSERT_TRUE(checker.Run());
  EXPECT_EQ(Lines(checker, true), std::vector<std::string>{});
  EXPECT_EQ(Lines(checker, false), std::vector<std::string>{});
  std::vector<std::string> summaries;
  for (const TypeSummary& s : checker.summaries()) summaries.push_back(FormatTypeSummary(s));
  EXPECT_EQ(summaries, (std::vector<std::string>{
                           "種類「標準インストール」: ディスク 1 / 実サイズ 1 MB (MEMBERSIZE の合計 2 MB)",
                           "種類「フルインストール」: ディスク 1 / 実サイズ 1 MB (MEMBERSIZE の合計 3 MB)",
                           "種類「最小インストール」: ディスク 1 / 実サイズ 1 MB (MEMBERSIZE の合計 1 MB)"}));
}

const std::string kOneName =
    "1 つの名前にしてください (\\ / : * ? \" < > |、.. などドットと空白だけの名前、"
    "CON や NUL などの装置名、末尾のドットや空白は使えません)。";
const std::string kRegKeyRefused =
    "エラー: [INSTALL_REGISTRY_0] REG_KEY: Software\\ の下の製品自身のキーにしてください "
    "(Software\\ そのもの、SYSTEM の下、Software\\Microsoft や Software\\Classes など "
    "Windows や他社のキーとその下、空のキー名、/ は使えません)。";

TEST(DiscCheck, EachFaultIsNamedWithItsSectionAndKey) {
  const std::string longName(220, 'n');
  struct Case {
    const char* name;
    std::function<void(DiscSet&)> breakIt;
    std::vector<std::string> errors;
  } cases[] = {
      {"member missing", [](DiscSet& s) { DeleteFileA((s.disc1() + "Tsukimi.exe").c_str()); },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_0_0: ディスク 1 に「Tsukimi.exe」がありません。",
        "エラー: [INSTALL_INFO] MAKESHORTCUT_PATH_0: 「Tsukimi.exe」はどの種類でもインストールされません。"}},
      {"folder member missing", [](DiscSet& s) { s.Set("INSTALL_GROUP_DISK_0", "MEMBER_2_0", "Manual\\ > Docs\\"); },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_2_0: ディスク 1 に「Manual\\」というフォルダがありません。"}},
      {"archive cut short",
       [](DiscSet& s) {
         std::string cab = ReadBytes(s.disc1() + "data1.cab");
         WriteBytes(s.disc1() + "data1.cab", cab.substr(0, cab.size() / 2));
       },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_1_0: アーカイブ「data1.cab」を開けません (壊れているか、キャビネットではありません)。"}},
      {"archive member leading out",
       [](DiscSet& s) {
         WriteBytes(s.disc1() + "data1.cab", MakeStoredCabinet({{"..\\evil.txt", "x"}, {"ok.txt", "y"}}));
       },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_1_0: アーカイブ「data1.cab」の「..\\evil.txt」はインストール先の外を指しています。"}},
      {"size too small", [](DiscSet& s) { s.Set("INSTALL_GROUP_DISK_0", "MEMBERSIZE_1", "0"); },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBERSIZE_1: 0 MB ですが、ファイルの実サイズは 1 MB です。空き容量の確認が足りなくなります。"}},
      {"id naming no group", [](DiscSet& s) { s.Set("INSTALL_GROUP", "DEFAULTLIST", "0,1,9"); },
       {"エラー: [INSTALL_GROUP] DEFAULTLIST: グループ 9 はどのディスクにもありません。"}},
      {"empty type", [](DiscSet& s) { s.Set("INSTALL_GROUP", "GROUPLIST_0", ""); },
       {"エラー: [INSTALL_GROUP] GROUPLIST_0: 種類「最小インストール」にはインストールするグループがありません。"}},
      {"group on two discs",
       [](DiscSet& s) {
         s.Set("INSTALL_INFO", "DISKNUM", "2");
         s.Set("INSTALL_INFO", "DISK_1", "TSUKIMI2");
         s.Set("INSTALL_GROUP_DISK_1", "IDNUM", "1");
         s.Set("INSTALL_GROUP_DISK_1", "GROUP_0", "1");
         s.Set("INSTALL_GROUP_DISK_1", "MEMBERNUM_0", "0");
         CreateDirectoryA(s.disc2().c_str(), nullptr);
         s.folders.push_back({s.disc2(), "TSUKIMI2"});
       },
       {"エラー: [INSTALL_GROUP_DISK_1] GROUP_0: グループ 1 はディスク 1 にもあります。インストールされるのは最初のものだけです。"}},
      {"disc folder missing", [](DiscSet& s) {
         s.Set("INSTALL_INFO", "DISKNUM", "2");
         s.Set("INSTALL_INFO", "DISK_1", "TSUKIMI2");
       },
       {"エラー: [INSTALL_INFO] DISK_1: ディスク 2 のフォルダが指定されていないため、確認できません。"}},
      {"wrong label", [](DiscSet& s) { s.folders[0].label = "TSUKIMI2"; },
       {"エラー: [INSTALL_INFO] DISK_0: ディスク 1 のボリュームラベルは「TSUKIMI2」です。「TSUKIMI1」でなければ、インストーラはディスクを認識しません。"}},
      {"archive library missing", [](DiscSet& s) { DeleteFileA((s.disc1() + "cab32.dll").c_str()); },
       {"エラー: アーカイブを使っていますが、ディスク 1 に cab32.dll がありません。"}},
      {"uninstaller missing", [](DiscSet& s) { DeleteFileA((s.disc1() + "Kaze_Inst.exe").c_str()); },
       {"エラー: ディスク 1 に Kaze_Inst.exe (アンインストーラ) がありません。インストールは最後に失敗します。"}},
      {"banner missing", [](DiscSet& s) { DeleteFileA((s.disc1() + "banner.bmp").c_str()); },
       {"エラー: [ABOUT_BOX] BANNERNAME: ディスク 1 に「banner.bmp」がありません。"}},
      {"DirectX library missing", [](DiscSet& s) { s.Set("INSTALL_INFO", "DXSETUPDLL", "DX\\dsetup.dll"); },
       {"エラー: [INSTALL_INFO] DXSETUPDLL: ディスク 1 に「DX\\dsetup.dll」がありません。"}},
      {"registry number", [](DiscSet& s) { s.Set("INSTALL_REGISTRY_0", "REGDATA_GROUP_0", "\"Count\"=dword:zz"); },
       {"エラー: [INSTALL_REGISTRY_0] REGDATA_GROUP_0: dword: の後が 16 進数ではありません。"}},
      {"registry name", [](DiscSet& s) { s.Set("INSTALL_REGISTRY_0", "REGDATA_GROUP_1", "=\"INSTALL_DIR\""); },
       {"エラー: [INSTALL_REGISTRY_0] REGDATA_GROUP_1: 値の名前がありません (\"名前\"=\"データ\" の形で書いてください)。"}},
      {"registry key outside Software", [](DiscSet& s) { s.Set("INSTALL_REGISTRY_0", "REG_KEY", "System\\KAZE"); },
       {kRegKeyRefused}},
      {"registry key of Windows",
       [](DiscSet& s) { s.Set("INSTALL_REGISTRY_0", "REG_KEY", "Software\\Microsoft\\Windows\\CurrentVersion\\Run"); },
       {kRegKeyRefused}},
      {"registry key Software itself", [](DiscSet& s) { s.Set("INSTALL_REGISTRY_0", "REG_KEY", "Software"); },
       {kRegKeyRefused}},
      {"maker's name leading out", [](DiscSet& s) { s.Set("INSTALL_INFO", "CORPNAME", "..\\..\\..\\デスクトップ"); },
       {"エラー: [INSTALL_INFO] CORPNAME: スタートメニューのフォルダ名です。" + kOneName}},
      {"product name with a folder", [](DiscSet& s) { s.Set("INSTALL_INFO", "APPNAME", "月見\\日和"); },
       {"エラー: [INSTALL_INFO] APPNAME: スタートメニューのフォルダ名です。" + kOneName}},
      {"no product name", [](DiscSet& s) { s.Set("INSTALL_INFO", "APPNAME", ""); },
       {"エラー: [INSTALL_INFO] APPNAME: 製品名がありません。プログラムグループがメーカーのフォルダかプログラム フォルダそのものになるため、インストーラはこのファイルを受け付けません。"}},
      {"uninstaller shortcut name leading out", [](DiscSet& s) { s.Set("INSTALL_INFO", "MAKEMYSHORTCUT", "..\\削除"); },
       {"エラー: [INSTALL_INFO] MAKEMYSHORTCUT: ショートカット名「..\\削除」にはフォルダや使えない文字を含められません。"}},
      {"default folder with a drive", [](DiscSet& s) { s.Set("INSTALL_INFO", "PATH", "D:\\Games"); },
       {"エラー: [INSTALL_INFO] PATH: システムドライブのルートの下のフォルダを相対パスで書いてください (ドライブ名、先頭の \\、..、空のフォルダ名、末尾がドットや空白のフォルダ名は使えません)。"}},
      {"default folder is the Windows folder",
       [](DiscSet& s) {
         s.Set("INSTALL_INFO", "PATH", "WINDOWS");
         s.Set("INSTALL_INFO", "PATH2", "");
       },
       {"エラー: [INSTALL_INFO] PATH: 既定のインストール先 (PATH と PATH2)「C:\\WINDOWS\\」は"
        "Windows が使うフォルダか、それを含むフォルダです。インストーラはこのフォルダを受け付けません。"}},
      {"default folder inside Windows", [](DiscSet& s) { s.Set("INSTALL_INFO", "PATH", "WINDOWS\\SYSTEM"); },
       {"エラー: [INSTALL_INFO] PATH: 既定のインストール先 (PATH と PATH2)「C:\\WINDOWS\\SYSTEM\\月見日和\\」は"
        "Windows フォルダの中です。インストーラはこのフォルダを受け付けません。"}},
      {"default folder is the drive's root",
       [](DiscSet& s) {
         s.Set("INSTALL_INFO", "PATH", "");
         s.Set("INSTALL_INFO", "PATH2", "");
       },
       {"エラー: [INSTALL_INFO] PATH: 既定のインストール先 (PATH と PATH2)「C:\\」はドライブのルートです。"
        "インストーラはこのフォルダを受け付けません。"}},
      {"product folder of two levels", [](DiscSet& s) { s.Set("INSTALL_INFO", "PATH2", "..\\Windows"); },
       {"エラー: [INSTALL_INFO] PATH2: インストール先のフォルダ名です。" + kOneName}},
      {"each refused value at once",
       [](DiscSet& s) {
         s.Set("INSTALL_INFO", "PATH2", "AUX");
         s.Set("INSTALL_REGISTRY_0", "REG_KEY", "Software\\Classes\\exefile");
       },
       {"エラー: [INSTALL_INFO] PATH2: インストール先のフォルダ名です。" + kOneName, kRegKeyRefused}},
      // Wine names the common Startup folder StartUp; names compare without case.
      {"program group in the Startup folder",
       [](DiscSet& s) {
         s.Set("INSTALL_INFO", "CORPNAME", "");
         s.Set("INSTALL_INFO", "APPNAME", "startup");
       },
       {"エラー: [INSTALL_INFO] APPNAME: プログラムグループがこのコンピュータのスタートアップ フォルダになります。インストーラはこのファイルを受け付けません。"}},
      {"maker's folder is the Startup folder", [](DiscSet& s) { s.Set("INSTALL_INFO", "CORPNAME", "StartUp"); },
       {"エラー: [INSTALL_INFO] CORPNAME: プログラムグループがこのコンピュータのスタートアップ フォルダになります。インストーラはこのファイルを受け付けません。"}},
      {"first disc label setup.exe does not look for",
       [](DiscSet& s) {
         s.Set("INSTALL_INFO", "DISK_0", "GAME1");
         s.folders[0].label = "GAME1";
       },
       {"エラー: [INSTALL_INFO] DISK_0: setup.exe は最初のディスクをボリュームラベル「TSUKIMI1」で探します。DISK_0 も同じでなければ、ディスク 1 を認識できません。"}},
      {"member with a blank", [](DiscSet& s) { s.Set("INSTALL_GROUP_DISK_0", "MEMBER_2_0", "Docs\\my manual.txt > Docs\\"); },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_2_0: ファイル名に空白は使えません (「Docs\\my manual.txt」は「Docs\\my」と読まれます)。"}},
      {"read-me in a folder", [](DiscSet& s) { s.Set("INSTALL_INFO", "README", "Docs\\manual.txt"); },
       {"エラー: [INSTALL_INFO] README: 「Docs\\manual.txt」: ディスク 1 のルートにあるファイル名だけを書いてください。"}},
      {"shortcut name with a folder", [](DiscSet& s) { s.Set("INSTALL_INFO", "MAKESHORTCUT_PATH_0", "Tsukimi.exe > ゲーム\\起動"); },
       {"エラー: [INSTALL_INFO] MAKESHORTCUT_PATH_0: ショートカット名「ゲーム\\起動」にはフォルダや使えない文字を含められません。"}},
      {"shortcut name that is a device", [](DiscSet& s) { s.Set("INSTALL_INFO", "MAKESHORTCUT_PATH_1", "Readme.txt > PRN"); },
       {"エラー: [INSTALL_INFO] MAKESHORTCUT_PATH_1: ショートカット名「PRN」にはフォルダや使えない文字を含められません。"}},
      {"shortcut to nothing", [](DiscSet& s) { s.Set("INSTALL_INFO", "MAKESHORTCUT_PATH_1", "Missing.txt > はじめに"); },
       {"エラー: [INSTALL_INFO] MAKESHORTCUT_PATH_1: 「Missing.txt」はどの種類でもインストールされません。"}},
      {"member leading out", [](DiscSet& s) { s.Set("INSTALL_GROUP_DISK_0", "MEMBER_2_0", "..\\secret.txt > Docs\\"); },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_2_0: 値がディスクやインストール先の外を指しています (ドライブ名、先頭の \\、.. は使えません)。"}},
      {"install.ini over 64 KB", [](DiscSet& s) { s.Pad("PADDING", 70000); },
       {"エラー: install.ini が 65536 バイト (64 KB) を超えています。Windows 95/98/Me はそれより先を読まないため、インストーラはこのファイルを受け付けません。"}},
      {"section over 32,767 bytes", [](DiscSet& s) { s.Pad("INSTALL_GROUP", 33000); },
       {"エラー: [INSTALL_GROUP] セクションが 32767 バイトを超えています。Windows 95/98/Me はそれより先を読まないため、インストーラはこのファイルを受け付けません。"}},
      {"disc section over 32,767 bytes in a file over 64 KB",
       [](DiscSet& s) { s.Pad("INSTALL_GROUP_DISK_0", 70000); },
       {"エラー: install.ini が 65536 バイト (64 KB) を超えています。Windows 95/98/Me はそれより先を読まないため、インストーラはこのファイルを受け付けません。",
        "エラー: [INSTALL_GROUP_DISK_0] セクションが 32767 バイトを超えています。Windows 95/98/Me はそれより先を読まないため、インストーラはこのファイルを受け付けません。"}},
      {"value too long", [](DiscSet& s) { s.Set("INSTALL_GROUP", "TEXT_DEFAULT", std::string(300, 'a')); },
       {"エラー: [INSTALL_GROUP] TEXT_DEFAULT: 値が長すぎます。インストーラはこのファイルを受け付けません。"}},
      {"path too long at the default folder",
       [&](DiscSet& s) { s.Set("INSTALL_INFO", "PATH2", longName); },
       {"エラー: [INSTALL_GROUP_DISK_0] MEMBER_0_0: 既定のインストール先では「C:\\Program Files\\KAZE_CORP\\" +
            longName + "\\Tsukimi.exe」が 255 バイトを超えます。",
        "エラー: [INSTALL_GROUP_DISK_0] MEMBER_0_1: 既定のインストール先では「C:\\Program Files\\KAZE_CORP\\" +
            longName + "\\Readme.txt」が 255 バイトを超えます。",
        "エラー: [INSTALL_GROUP_DISK_0] MEMBER_1_0: 既定のインストール先では「C:\\Program Files\\KAZE_CORP\\" +
            longName + "\\Data\\bg\\moon.txt」が 255 バイトを超えます。",
        "エラー: [INSTALL_GROUP_DISK_0] MEMBER_2_0: 既定のインストール先では「C:\\Program Files\\KAZE_CORP\\" +
            longName + "\\Docs\\manual.txt」が 255 バイトを超えます。"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    DiscSet set;
    c.breakIt(set);
    DiscChecker checker(set.folders);
    ASSERT_TRUE(checker.Run());
    EXPECT_EQ(Lines(checker, true), c.errors);
    EXPECT_TRUE(checker.HasErrors());
  }
}

TEST(DiscCheck, AShortcutSomeTypesLackIsAWarning) {
  DiscSet set;
  set.Set("INSTALL_INFO", "MAKESHORTCUT_PATH_1", "Docs\\manual.txt > 説明書");
  DiscChecker checker(set.folders);
  ASSERT_TRUE(checker.Run());
  EXPECT_FALSE(checker.HasErrors());
  EXPECT_EQ(Lines(checker, false),
            (std::vector<std::string>{
                "警告: [INSTALL_INFO] MAKESHORTCUT_PATH_1: 種類「標準インストール」では「Docs\\manual.txt」がインストールされません。",
                "警告: [INSTALL_INFO] MAKESHORTCUT_PATH_1: 種類「最小インストール」では「Docs\\manual.txt」がインストールされません。"}));
}

// The shipped program: its report on standard output and its exit code.
TEST(DiscCheck, TheProgramReportsAndAnswersWithItsExitCode) {
  DiscSet set;
  const std::string program = ProgramFolder() + "disccheck.exe";
  // Without its backslash: one before the closing quote would quote it.
  const std::string disc = set.disc1().substr(0, set.disc1().size() - 1);
  const std::string output = set.disc1() + "..\\report.txt";
  auto run = [&](const std::string& arguments, DWORD* code) {
    std::string line = "cmd /c \"\"" + program + "\" " + arguments + " > \"" + output + "\"\"";
    ChildProcess child(line);
    EXPECT_TRUE(child.WaitForExit(60000, code));
    return ReadBytes(output);
  };
  DWORD code = 99;
  std::string report = run("--label 1=TSUKIMI1 \"" + disc + "\"", &code);
  EXPECT_EQ(code, 0u) << report;
  EXPECT_NE(report.find("エラー 0 件、警告 0 件"), std::string::npos) << report;

  DeleteFileA((set.disc1() + "banner.bmp").c_str());
  report = run("--label=1=TSUKIMI1 \"" + disc + "\"", &code);
  EXPECT_EQ(code, 1u);
  EXPECT_NE(report.find("エラー: [ABOUT_BOX] BANNERNAME: ディスク 1 に「banner.bmp」がありません。\r\n"),
            std::string::npos) << report;

  report = run("\"" + disc + "\\nowhere\"", &code);
  EXPECT_EQ(code, 2u) << report;
  run("--label", &code);
  EXPECT_EQ(code, 2u);
}

}  // namespace
}  // namespace kaze::test
