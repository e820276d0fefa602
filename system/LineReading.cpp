// byte-level
#include "system/LineReading.h"

#include "system/Dbcs.h"

namespace kaze {

size_t LineFile::Read(void* buffer, size_t count) {
  if (count == 0) return 0;
  size_t got = ReadRaw(buffer, count);
  if (got == 0) endOfFile_ = true;
  return got;
}

bool LineFile::Seek(uint32_t position) {
  endOfFile_ = false;
  return SeekRaw(position);
}

bool LineFile::ReadByte(unsigned char* byte) { return Read(byte, 1) == 1; }

void LineFile::ConsumeLineFeed() {
  unsigned char next;
  if (!ReadByte(&next) || next == '\n') return;
  // A lone CR: the byte after it starts the next line and must not be lost.
  uint32_t position;
  if (Tell(&position) && position > 0) SeekRaw(position - 1);
}

size_t LineFile::ReadLine(char* buffer, size_t size) {
  if (size == 0) return 0;
  if (size == 1) {
    SkipLine();
    buffer[0] = '\0';
    return 0;
  }
  size_t length = 0;
  while (length < size - 1) {
    unsigned char c;
    if (!ReadByte(&c)) break;
    if (!IsLeadByte(c) && (c == '\r' || c == '\n')) {
      if (c == '\r') ConsumeLineFeed();
      buffer[length] = '\0';
      return length;
    }
    buffer[length++] = static_cast<char>(c);
  }
  if (length == size - 1) SkipLine();
  buffer[length] = '\0';
  return length;
}

void LineFile::SkipLine() {
  unsigned char c;
  while (ReadByte(&c)) {
    if (c == '\n') return;
    if (c == '\r') {
      ConsumeLineFeed();
      return;
    }
  }
}

}  // namespace kaze
