// byte-level
#include "cab32/CabSetRules.h"

#include <cstring>

#include "archive/CabFormat.h"
#include "system/TextHelpers.h"

namespace cab32 {

namespace {

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(Le16(p)) | (static_cast<uint32_t>(Le16(p + 2)) << 16);
}

// A NUL-terminated name of at most 255 bytes at *at; moves past it.
bool ReadName(const unsigned char* data, size_t length, size_t* at, std::string* name) {
  size_t start = *at;
  while (*at < length && data[*at] != 0) {
    if (*at - start >= 255) return false;
    ++*at;
  }
  if (*at >= length) return false;
  name->assign(reinterpret_cast<const char*>(data) + start, *at - start);
  ++*at;
  return true;
}

std::string Folded(std::string name) {
  if (!name.empty()) kaze::LowerCaseAscii(&name[0]);
  return name;
}

const uint16_t kFromPrev = 0xFFFD, kToNext = 0xFFFE, kPrevAndNext = 0xFFFF;

}  // namespace

bool ReadCabPartTables(const unsigned char* data, size_t length, CabPartTables* out) {
  *out = CabPartTables();
  kaze::CabinetHeaderLayout layout;
  if (!kaze::ReadCabinetHeaderLayout(data, length, &layout)) return false;
  out->nextName = layout.nextName;
  out->dataReserve = layout.dataReserve;
  out->folderCount = layout.folderCount;
  size_t at = layout.foldersAt;
  for (uint16_t i = 0; i < layout.folderCount; ++i) {
    if (at + 8 > length) return false;
    out->lastFolderData = Le32(data + at);
    out->lastFolderBlocks = Le16(data + at + 4);
    at += 8 + layout.folderReserve;
  }
  at = layout.filesAt;
  for (uint16_t i = 0; i < layout.fileCount; ++i) {
    if (at + 16 > length) return false;
    uint16_t folder = Le16(data + at + 8);
    at += 16;
    std::string name;
    if (!ReadName(data, length, &at, &name)) return false;
    if (folder == kToNext || folder == kPrevAndNext) out->continuedToNext.push_back(name);
    if (folder == kFromPrev || folder == kPrevAndNext) out->continuedFromPrev.push_back(name);
  }
  return true;
}

CabBlockHeader ReadCabBlockHeader(const unsigned char* header8) {
  return {Le16(header8 + 4), Le16(header8 + 6)};
}

bool PartsJoin(const CabPartTables& part, bool endsCut, const CabPartTables& next) {
  if (!endsCut) return true;
  if (next.folderCount == 0) return false;
  for (const std::string& going : part.continuedToNext) {
    for (const std::string& coming : next.continuedFromPrev) {
      if (Folded(going) == Folded(coming)) return true;
    }
  }
  return false;
}

bool FileFolderExists(uint16_t folderIndex, uint16_t folderCount) {
  if (folderIndex == kToNext || folderIndex == kPrevAndNext) return folderCount > 0;
  return folderIndex < folderCount;
}

}  // namespace cab32
