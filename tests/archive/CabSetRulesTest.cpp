#include <gtest/gtest.h>

#include <string>

#include "CabBytes.h"
#include "cab32/CabSetRules.h"

namespace cab32 {
namespace {

using kaze::test::Put16;
using kaze::test::Put32;

// The tables of a middle part: previous and next names, one folder, a file begun in the
// previous part and going on in the next, and one of its own.
std::string MiddlePart() {
  std::string names = std::string("p1.cab\0D1\0p3.cab\0D3\0", 20);
  std::string files;
  Put32(files, 100);
  Put32(files, 0);
  Put16(files, 0xFFFF);
  Put32(files, 0);
  Put16(files, 0);
  files += std::string("Long.BIN\0", 9);
  Put32(files, 5);
  Put32(files, 100);
  Put16(files, 0);
  Put32(files, 0);
  Put16(files, 0);
  files += std::string("own.txt\0", 8);
  std::string cab = "MSCF";
  Put32(cab, 0);
  Put32(cab, 0);
  Put32(cab, 0);
  Put32(cab, 36 + 20 + 8);  // the file table
  Put32(cab, 0);
  cab += "\x03\x01";
  Put16(cab, 1);
  Put16(cab, 2);
  Put16(cab, 0x0003);
  Put16(cab, 7);
  Put16(cab, 1);
  cab += names;
  Put32(cab, 500);
  Put16(cab, 4);
  Put16(cab, 0);
  return cab + files;
}

TEST(CabSetRules, ReadsThePartsTablesAndRefusesEveryCutShortCopy) {
  std::string cab = MiddlePart();
  CabPartTables tables;
  ASSERT_TRUE(ReadCabPartTables(reinterpret_cast<const unsigned char*>(cab.data()), cab.size(),
                                &tables));
  EXPECT_EQ(tables.nextName, "p3.cab");
  EXPECT_EQ(tables.folderCount, 1u);
  EXPECT_EQ(tables.lastFolderData, 500u);
  EXPECT_EQ(tables.lastFolderBlocks, 4u);
  EXPECT_EQ(tables.continuedToNext, std::vector<std::string>{"Long.BIN"});
  EXPECT_EQ(tables.continuedFromPrev, std::vector<std::string>{"Long.BIN"});
  // Every shorter copy is refused, never read past its end (the sanitizers watch).
  for (size_t length = 0; length < cab.size(); ++length) {
    std::string cut = cab.substr(0, length);
    EXPECT_FALSE(ReadCabPartTables(reinterpret_cast<const unsigned char*>(cut.data()),
                                   cut.size(), &tables))
        << length;
  }
}

TEST(CabSetRules, ACutPartMustHandItsFileToTheNextPart) {
  CabPartTables part, next;
  part.continuedToNext = {"Long.BIN"};
  next.folderCount = 1;
  struct Case {
    bool endsCut;
    std::vector<std::string> comingFromPrev;
    bool joins;
  } cases[] = {
      {false, {}, true},               // nothing cut: nothing to hand on
      {true, {"long.bin"}, true},      // the same file, letters in another case
      {true, {"other.bin"}, false},    // another file
      {true, {}, false},               // no file begun before
  };
  for (const Case& c : cases) {
    next.continuedFromPrev = c.comingFromPrev;
    EXPECT_EQ(PartsJoin(part, c.endsCut, next), c.joins);
  }
  CabPartTables nothingGoesOn;
  next.continuedFromPrev = {"long.bin"};
  EXPECT_FALSE(PartsJoin(nothingGoesOn, true, next));
  next.folderCount = 0;  // the file is named, but no folder holds its data
  EXPECT_FALSE(PartsJoin(part, true, next));
}

TEST(CabSetRules, AFileMustNameAFolderTheCabinetHas) {
  struct Case {
    uint16_t folderIndex, folderCount;
    bool exists;
  } cases[] = {
      {0, 1, true},       {1, 2, true},       {0, 0, false},       {2, 2, false},
      {0xFFFC, 3, false}, {0xFFFE, 1, true},  {0xFFFF, 1, true},   {0xFFFE, 0, false},
      {0xFFFF, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileFolderExists(c.folderIndex, c.folderCount), c.exists)
        << c.folderIndex << " of " << c.folderCount;
  }
}

}  // namespace
}  // namespace cab32
