// PathParts under the system's code page 932 conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "system/PathParts.h"

namespace kaze {
namespace {

std::string Text(const char* p) { return p ? p : "<null>"; }

TEST(PathParts, SplitsNormalisesAndJoins) {
  struct Case {
    const char* path; int mode;
    const char* full; const char* folder; const char* fileName; const char* extension;
  } cases[] = {
      {"C:/Games/Demo/setup.exe", 0, "C:\\Games\\Demo\\setup.exe", "C:\\Games\\Demo\\", "setup.exe", ".exe"},
      {"C:\\Games\\Demo", 2, "C:\\Games\\Demo\\Demo", "C:\\Games\\Demo\\", "Demo", ""},
      {"C:\\Games\\Demo", 0, "C:\\Games\\Demo", "C:\\Games\\", "Demo", ""},
      {"Games", 2, "\\Games\\Games", "\\Games\\", "Games", ""},
      {"Games\\a.txt", 2, "\\Games\\a.txt", "\\Games\\", "a.txt", ".txt"},
      {"setup.exe", 0, "\\setup.exe", "\\", "setup.exe", ".exe"},
      {"", 0, "\\", "\\", "", ""},
      // Trail bytes 0x5C stay inside their characters; the folder still gets its backslash.
      {"C:\\月見\\表", 2, "C:\\月見\\表\\表", "C:\\月見\\表\\", "表", ""},
      {"C:\\表\\ソフト.txt", 0, "C:\\表\\ソフト.txt", "C:\\表\\", "ソフト.txt", ".txt"},
  };
  for (const Case& c : cases) {
    PathParts parts;
    ASSERT_TRUE(parts.SetPath(c.path, FALSE, c.mode)) << c.path;
    EXPECT_EQ(Text(parts.GetFullPath()), c.full) << c.path;
    EXPECT_EQ(Text(parts.GetFolder()), c.folder) << c.path;
    EXPECT_EQ(Text(parts.GetFileName()), c.fileName) << c.path;
    EXPECT_EQ(Text(parts.GetExtension()), c.extension) << c.path;
  }
}

TEST(PathParts, HoldsThePartsInUtf16) {
  PathParts parts;
  ASSERT_TRUE(parts.SetPath("C:\\月見\\表.exe", FALSE, 0));
  EXPECT_STREQ(parts.drive, L"C:");
  EXPECT_STREQ(parts.folder, L"\\\u6708\u898b\\");
  EXPECT_STREQ(parts.name, L"\u8868");
  EXPECT_STREQ(parts.extension, L".exe");
}

TEST(PathParts, ValidationRefusesReservedCharactersOnly) {
  struct Case { const char* path; BOOL accepted; } cases[] = {
      {"C:\\Games\\Demo", TRUE},
      {"C:\\Games\\\\Demo", FALSE},
      {"C:\\Ga*mes", FALSE},
      {"C:\\Game|s", FALSE},
      {"C:\\表\\ポ", TRUE},  // trail bytes 0x5C and 0x7C
  };
  for (const Case& c : cases) {
    PathParts parts;
    EXPECT_EQ(parts.SetPath(c.path, TRUE, 0), c.accepted) << c.path;
    EXPECT_TRUE(parts.SetPath(c.path, FALSE, 0)) << c.path;  // unvalidated: always split
  }
}

TEST(PathParts, CopiesIntoTheCallersBufferWithinItsSize) {
  PathParts parts;
  ASSERT_TRUE(parts.SetPath("C:\\Games\\Demo\\setup.exe", FALSE, 0));
  char out[32];
  EXPECT_EQ(parts.GetFolder(out, sizeof out), out);
  EXPECT_STREQ(out, "C:\\Games\\Demo\\");

  // Too small for the whole text: nothing but an empty buffer, never a shorter path.
  char small[10] = "junk";
  EXPECT_EQ(parts.GetFullPath(small, sizeof small), nullptr);
  EXPECT_STREQ(small, "");
  // Exactly fitting (23 bytes and the terminator).
  char exact[24];
  EXPECT_EQ(parts.GetFullPath(exact, sizeof exact), exact);
  EXPECT_STREQ(exact, "C:\\Games\\Demo\\setup.exe");
}

TEST(PathParts, RefusesRatherThanCutsOverlongPaths) {
  // Folder of 250 bytes plus a name of 20: each part fits, the whole does not.
  std::string folder = "C:\\" + std::string(246, 'f') + "\\";
  std::string path = folder + std::string(16, 'n') + ".txt";
  PathParts parts;
  ASSERT_TRUE(parts.SetPath(path.c_str(), FALSE, 0));
  EXPECT_EQ(parts.GetFullPath(), nullptr);
  EXPECT_STREQ(parts.result, "");
  EXPECT_EQ(Text(parts.GetFolder()), folder);
  EXPECT_EQ(Text(parts.GetFileName()), std::string(16, 'n') + ".txt");

  // A part beyond its 255-byte field is refused by SetPath.
  std::string longName = "C:\\" + std::string(300, 'n') + ".txt";
  EXPECT_FALSE(parts.SetPath(longName.c_str(), FALSE, 0));
  std::string longFolder = "C:\\" + std::string(300, 'f') + "\\x.txt";
  EXPECT_FALSE(parts.SetPath(longFolder.c_str(), FALSE, 0));
}

}  // namespace
}  // namespace kaze
