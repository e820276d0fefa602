// The one spelling of a folder and the folders that may never be an installation folder,
// over plain bytes. Runs natively under the sanitizers (code page 932 rule) and under Wine.
#include <gtest/gtest.h>

#include <string>

#include "system/InstallFolderRules.h"
#include "system/PathSpelling.h"

namespace kaze {
namespace {

const char* Name(Spelling spelling) {
  switch (spelling) {
    case Spelling::kOk: return "ok";
    case Spelling::kNotAbsolute: return "not absolute";
    case Spelling::kInvalid: return "invalid";
    case Spelling::kTooLong: return "too long";
  }
  return "?";
}

TEST(NormalizePathText, GivesEveryFolderOneSpelling) {
  const std::string a127(127, 'a');
  const std::string b127(127, 'b');
  struct Case {
    const char* name;
    std::string text;
    Spelling result;
    std::string folder;  // on kOk
  } cases[] = {
      {"slash", "C:\\Games/Tsukimi", Spelling::kOk, "C:\\Games\\Tsukimi\\"},
      {"slashes only", "c:/Games/Tsukimi/", Spelling::kOk, "C:\\Games\\Tsukimi\\"},
      {"dot-dot", "C:\\Program Files\\..\\Games\\Tsukimi", Spelling::kOk, "C:\\Games\\Tsukimi\\"},
      {"doubled", "C:\\\\Games\\\\\\Tsukimi\\\\", Spelling::kOk, "C:\\Games\\Tsukimi\\"},
      {"dots", "C:\\.\\Games\\.\\Tsukimi\\.", Spelling::kOk, "C:\\Games\\Tsukimi\\"},
      {"trailing dots and blanks", "C:\\Games.\\Tsukimi. .", Spelling::kOk,
       "C:\\Games\\Tsukimi\\"},
      {"leading blank kept", "C:\\ Games", Spelling::kOk, "C:\\ Games\\"},
      {"root", "C:\\", Spelling::kOk, "C:\\"},
      {"back to the root", "C:\\Games\\..", Spelling::kOk, "C:\\"},
      {"case kept", "d:\\games\\TSUKIMI", Spelling::kOk, "D:\\games\\TSUKIMI\\"},
      // 表 is 95 5C and ソ 83 5C: their trail byte is no separator, and ".." after them
      // takes the whole name away.
      {"trail byte 5C", "C:\\ゲーム\\表", Spelling::kOk, "C:\\ゲーム\\表\\"},
      {"trail byte 5C, then slash", "C:\\ソ/表\\", Spelling::kOk, "C:\\ソ\\表\\"},
      {"dot-dot after a trail byte 5C", "C:\\表\\..\\ソ", Spelling::kOk, "C:\\ソ\\"},
      {"doubled after a trail byte 5C", "C:\\表\\\\ソ\\\\", Spelling::kOk, "C:\\表\\ソ\\"},
      {"above the root", "C:\\..\\Games", Spelling::kInvalid, ""},
      {"above the root later", "C:\\Games\\..\\..\\Windows", Spelling::kInvalid, ""},
      {"above the root after a trail byte 5C", "C:\\表\\..\\..", Spelling::kInvalid, ""},
      {"colon", "C:\\Games\\a:b", Spelling::kInvalid, ""},
      {"wildcard", "C:\\Games\\*", Spelling::kInvalid, ""},
      {"device", "C:\\Games\\CON\\x", Spelling::kInvalid, ""},
      {"only dots", "C:\\...\\x", Spelling::kInvalid, ""},
      {"lone lead byte at the end", "C:\\Games\\\x95", Spelling::kInvalid, ""},
      {"lead byte before a slash", "C:\\Games\\\x95/x", Spelling::kInvalid, ""},
      {"relative", "Games\\Tsukimi", Spelling::kNotAbsolute, ""},
      {"drive-relative", "C:Games", Spelling::kNotAbsolute, ""},
      {"bare drive", "C:", Spelling::kNotAbsolute, ""},
      {"UNC", "\\\\server\\share\\Games", Spelling::kNotAbsolute, ""},
      {"UNC with slashes", "//server/share/Games", Spelling::kNotAbsolute, ""},
      {"no letter", "1:\\Games", Spelling::kNotAbsolute, ""},
      {"empty", "", Spelling::kNotAbsolute, ""},
      {"259 bytes with the backslash", "C:\\" + a127 + "\\" + std::string(127, 'b'),
       Spelling::kOk, "C:\\" + a127 + "\\" + b127 + "\\"},
      {"260 bytes with the backslash", "C:\\" + a127 + "\\" + b127 + "b", Spelling::kTooLong, ""},
      {"long text, short folder", "C:\\" + std::string(300, 'x') + "\\..\\Games",
       Spelling::kOk, "C:\\Games\\"},
      {"name over 255", "C:\\" + std::string(256, 'n'), Spelling::kTooLong, ""},
  };
  for (const Case& c : cases) {
    std::string folder = "unchanged";
    Spelling result = NormalizePathText(c.text.c_str(), true, &folder);
    EXPECT_STREQ(Name(result), Name(c.result)) << c.name;
    EXPECT_EQ(folder, c.result == Spelling::kOk ? c.folder : "unchanged") << c.name;
  }
}

TEST(NormalizePathText, SpellsAFileWithoutTheBackslash) {
  struct Case { const char* text; Spelling result; const char* path; } cases[] = {
      {"C:/Games//Tsukimi/./game.exe", Spelling::kOk, "C:\\Games\\Tsukimi\\game.exe"},
      {"C:\\Games\\", Spelling::kOk, "C:\\Games"},
      {"C:\\PROGRA~1\\..\\表", Spelling::kOk, "C:\\表"},
      {"C:\\", Spelling::kInvalid, ""},
      {"C:\\Games\\..", Spelling::kInvalid, ""},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_STREQ(Name(NormalizePathText(c.text, false, &path)), Name(c.result)) << c.text;
    EXPECT_EQ(path, c.path) << c.text;
  }
}

TEST(IsFolderOrBelow, ComparesWholeNamesAndDoubleByteCharactersExactly) {
  struct Case { const char* folder; const char* base; bool below; } cases[] = {
      {"C:\\WINDOWS\\", "C:\\WINDOWS\\", true},
      {"c:\\windows\\fonts\\", "C:\\WINDOWS\\", true},
      {"C:\\WINDOWS2\\", "C:\\WINDOWS\\", false},
      {"C:\\", "C:\\WINDOWS\\", false},
      {"D:\\WINDOWS\\", "C:\\WINDOWS\\", false},
      {"C:\\WINDOWS", "C:\\WINDOWS\\", false},  // no folder text
      {"C:\\WINDOWS\\", "", false},
      // ソ is 83 5C: "C:\ソ\" is no parent of "C:\ソフト\" even though the bytes of
      // "C:\ソ" and a backslash start it.
      {"C:\\ソフト\\", "C:\\ソ\\", false},
      {"C:\\ソ\\フト\\", "C:\\ソ\\", true},
      // ア is 83 41: its trail byte is an 'A' that is not compared without case.
      {"C:\\\x83\x61\\", "C:\\ア\\", false},
      {"C:\\ア\\x\\", "C:\\ア\\", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFolderOrBelow(c.folder, c.base), c.below) << c.folder << " in " << c.base;
  }
}

// A machine as Windows XP would name its folders in Japanese.
TEST(ProtectionOf, RefusesRootsSystemFoldersTheirParentsAndTheInsideOfWindows) {
  ProtectedFolders machine;
  machine.windowsFolder = "C:\\WINDOWS\\";
  machine.folders = {
      "C:\\WINDOWS\\",
      "C:\\WINDOWS\\system32\\",
      "C:\\Program Files\\",
      "C:\\Documents and Settings\\太郎\\",
      "C:\\Documents and Settings\\太郎\\デスクトップ\\",
      "C:\\Documents and Settings\\All Users\\スタート メニュー\\プログラム\\",
      "D:\\ソ\\",
  };
  const FolderProtection allowed = FolderProtection::kAllowed;
  const FolderProtection root = FolderProtection::kDriveRoot;
  const FolderProtection system = FolderProtection::kSystemFolder;
  const FolderProtection inside = FolderProtection::kInsideWindows;
  struct Case { const char* folder; FolderProtection protection; } cases[] = {
      {"C:\\", root},
      {"E:\\", root},
      {"C:\\WINDOWS\\", system},
      {"c:\\windows\\", system},
      {"C:\\WINDOWS\\system32\\", system},
      {"C:\\Program Files\\", system},
      {"C:\\Documents and Settings\\", system},  // a parent of the profiles
      {"C:\\Documents and Settings\\All Users\\", system},
      {"C:\\Documents and Settings\\All Users\\スタート メニュー\\", system},
      {"C:\\Documents and Settings\\太郎\\デスクトップ\\", system},
      {"C:\\WINDOWS\\Fonts\\", inside},
      {"C:\\WINDOWS\\Games\\Tsukimi\\", inside},
      {"C:\\Program Files\\KAZE_CORP\\月見日和\\", allowed},
      {"C:\\Documents and Settings\\太郎\\デスクトップ\\月見日和\\", allowed},
      {"C:\\WINDOWS.OLD\\", allowed},
      {"C:\\Games\\Tsukimi\\", allowed},
      {"D:\\ソフト\\", allowed},
      {"D:\\ソ\\", system},
      {"C:\\Games", FolderProtection::kNotAbsolute},
      {"Games\\", FolderProtection::kNotAbsolute},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<int>(ProtectionOf(c.folder, machine)), static_cast<int>(c.protection))
        << c.folder;
  }
  for (const Case& c : cases) {
    const char* refusal = RefusalForProtection(c.protection);
    EXPECT_EQ(refusal == nullptr, c.protection == allowed) << c.folder;
  }
}

}  // namespace
}  // namespace kaze
