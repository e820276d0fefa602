// The mutation run's own tools, under the sanitizers: a fault of theirs would pass for a
// fault of the library.
#include <gtest/gtest.h>

#include <string>

#include "CabBytes.h"
#include "CabMutator.h"

namespace kaze::test {
namespace {

// One folder of one stored block, two files, and a next part's name.
std::string SmallCabinet() {
  std::string cab = "MSCF";
  Put32(cab, 0);
  Put32(cab, 0);
  Put32(cab, 0);
  Put32(cab, 36 + 11 + 8);  // files after the set names and the folder
  Put32(cab, 0);
  cab += "\x03\x01";
  Put16(cab, 1);
  Put16(cab, 2);
  Put16(cab, 0x0002);
  Put16(cab, 1);
  Put16(cab, 0);
  cab += std::string("b.cab\0DISK\0", 11);
  Put32(cab, 36 + 11 + 8 + 2 * 16 + 6 + 10);  // the data block
  Put16(cab, 1);
  Put16(cab, 0);
  for (const char* name : {"a.txt", "sub\\b.txt"}) {
    Put32(cab, 2);
    Put32(cab, name[0] == 'a' ? 0 : 2);
    Put16(cab, 0);
    Put32(cab, 0);
    Put16(cab, 0);
    cab += name;
    cab += '\0';
  }
  Put32(cab, 0);
  Put16(cab, 4);
  Put16(cab, 4);
  cab += "aabb";
  return cab;
}

TEST(CabMutator, MapsEveryTableOfACabinet) {
  const std::string cab = SmallCabinet();
  CabMap map = MapCabinet(cab);
  std::string seen;
  for (const CabField& f : map.fields) seen += std::string(f.what) + "@" + std::to_string(f.offset) + " ";
  for (const char* expected : {"coffFiles@16 ", "cFolders@26 ", "coffCabStart@47 ",
                               "cbFile@55 ", "iFolder@63 ", "cbFile@77 ", "csum@103 ",
                               "cbUncomp@109 "}) {
    EXPECT_NE(seen.find(expected), std::string::npos) << expected << " in " << seen;
  }
  ASSERT_EQ(map.texts.size(), 4u);
  EXPECT_EQ(cab.substr(map.texts[0].offset, map.texts[0].length), "b.cab");
  EXPECT_EQ(cab.substr(map.texts[3].offset, map.texts[3].length), "sub\\b.txt");
  EXPECT_EQ(map.tablesEnd, 103u);
  // Every cut copy maps without reading past its end.
  for (size_t n = 0; n < cab.size(); ++n) MapCabinet(cab.substr(0, n));
}

// Thousands of cases, every kind of damage, none reading or writing outside its bytes; a
// case is the same whenever it is made, so that a fault can be made again.
TEST(CabMutator, CasesAreReproducibleAndStayInTheirBytes) {
  std::vector<CabSeed> seeds = {{"one", {{"one.cab", SmallCabinet()}}},
                                {"pair", {{"p1.cab", SmallCabinet()}, {"b.cab", SmallCabinet()}}}};
  size_t changed = 0;
  for (uint64_t i = 0; i < 20000; ++i) {
    MutatedCase c = MakeMutatedCase(seeds, 7, i);
    ASSERT_FALSE(c.parts.empty());
    if (i < seeds.size()) {
      EXPECT_EQ(c.parts[0].bytes, seeds[i].parts[0].bytes);
      continue;
    }
    MapCabinet(c.parts[0].bytes);
    if (c.parts.size() != seeds[c.seed].parts.size() ||
        c.parts[0].bytes != seeds[c.seed].parts[0].bytes ||
        c.parts.back().bytes != seeds[c.seed].parts.back().bytes) {
      ++changed;
    }
    if (i % 1000 == 0) {
      MutatedCase again = MakeMutatedCase(seeds, 7, i);
      EXPECT_EQ(again.description, c.description);
      EXPECT_EQ(again.parts[0].bytes, c.parts[0].bytes);
    }
  }
  // A damage can undo itself (a bit flipped twice); nearly every case must differ.
  EXPECT_GT(changed, 19000u);
}

}  // namespace
}  // namespace kaze::test
