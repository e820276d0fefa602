// byte-level
#pragma once
// What a cabinet of a set says about itself in its header and file table, and the rule
// that two neighbouring parts must keep before the system's FDI is let loose on them: a
// data block cut at the end of one part belongs to a file that goes on in the next.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cab32 {

struct CabPartTables {
  std::string nextName;  // empty when the cabinet names no next part
  uint16_t folderCount = 0;
  uint32_t lastFolderData = 0;     // where the last folder's first data block starts
  uint16_t lastFolderBlocks = 0;   // and how many blocks it has in this part
  uint8_t dataReserve = 0;         // reserved bytes in each data block's header
  std::vector<std::string> continuedToNext;    // files flagged as going on in the next part
  std::vector<std::string> continuedFromPrev;  // files flagged as begun in the previous one
};

// Reads the header, folder and file tables from the first length bytes of a cabinet.
// False for anything that is not a whole, well-formed set of tables.
bool ReadCabPartTables(const unsigned char* data, size_t length, CabPartTables* out);

// The data block header at the given bytes: its stored and uncompressed sizes.
struct CabBlockHeader {
  uint16_t storedSize;
  uint16_t uncompressedSize;  // 0: the block is cut and finished in the next part
};
CabBlockHeader ReadCabBlockHeader(const unsigned char* header8);

// True when a part whose last block is cut (endsCut) hands a file on to the next part
// as the next part expects: some file flagged as continuing here is flagged as begun
// before in the next (names compared as the system does, ASCII case folded), and the next
// part has a folder for its data.
bool PartsJoin(const CabPartTables& part, bool endsCut, const CabPartTables& next);

// Whether a file entry's folder index names a folder the cabinet has: one of its
// folderCount folders, or its last one for a file going on into the next part. The
// system's FDI (Wine's) follows a file to a folder that is not there.
bool FileFolderExists(uint16_t folderIndex, uint16_t folderCount);

}  // namespace cab32
