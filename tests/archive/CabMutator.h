#pragma once
// Damaged cabinets for the mutation run of cab32.dll: a map of a cabinet's fields and a
// maker of numbered cases. Plain bytes, no Windows headers; the same run seed and case
// number give the same case, so that a fault can be made again on its own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kaze::test {

struct CabField {
  size_t offset;
  int width;            // 1, 2 or 4 bytes, little-endian
  bool countOrOffset;   // a count of entries or a position in the file
  const char* what;
};

struct CabText {
  size_t offset;  // first byte of the text
  size_t length;  // bytes before its terminator
  const char* what;
};

// What could be found of a cabinet's header, folder entries, file entries and data block
// headers. Damaged input gives a shorter map, never a read outside the bytes.
struct CabMap {
  std::vector<CabField> fields;
  std::vector<CabText> texts;
  size_t tablesEnd = 0;  // end of the header, folder and file tables
};
CabMap MapCabinet(const std::string& bytes);

struct CabPart {
  std::string name;  // file name beside the first part
  std::string bytes;
};

struct CabSeed {
  std::string title;
  std::vector<CabPart> parts;  // parts[0] is the one opened
};

struct MutatedCase {
  size_t seed = 0;
  std::vector<CabPart> parts;  // written beside one another; parts[0] is opened
  std::string description;
};

// Case `index` of run `runSeed`. The first seeds.size() cases are the seeds unchanged;
// every later one applies one to three damages to one seed.
MutatedCase MakeMutatedCase(const std::vector<CabSeed>& seeds, uint64_t runSeed,
                            uint64_t index);

}  // namespace kaze::test
