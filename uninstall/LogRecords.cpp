// byte-level
#include "uninstall/LogRecords.h"

#include <cstring>

namespace kaze {

const unsigned char kLogHeader[kLogHeaderSize] = {'K', 'A', 'Z', 'E', '_', 'U', 'N', 'I',
                                                  'N', 'S', 'T', '_', 'D', 'A', 'T', 0x01};

namespace {
const char* const kTags[kLogEntryTypes] = {"FILE", "DIRA", "FOLD", "REGS"};
}

const char* LogTag(int type) {
  return type >= 0 && type < kLogEntryTypes ? kTags[type] : nullptr;
}

int LogTypeOfTag(const unsigned char* tag) {
  for (int type = 0; type < kLogEntryTypes; ++type) {
    if (std::memcmp(tag, kTags[type], 4) == 0) return type;
  }
  return -1;
}

uint32_t LogFieldLength(size_t textLength) {
  return static_cast<uint32_t>(textLength + 4 - textLength % 4);
}

bool EncodeLogRecord(int type, const char* text, std::vector<unsigned char>* out) {
  const char* tag = LogTag(type);
  if (tag == nullptr || text == nullptr) return false;
  size_t n = strnlen(text, kLogTextMax + 1);
  if (n == 0 || n > kLogTextMax) return false;
  uint32_t field = LogFieldLength(n);
  out->insert(out->end(), tag, tag + 4);
  for (int shift = 0; shift < 32; shift += 8) {
    out->push_back(static_cast<unsigned char>(field >> shift));
  }
  out->insert(out->end(), text, text + n);
  out->insert(out->end(), field - n, 0);
  return true;
}

LogCheck CheckLogHeader(const unsigned char* head, size_t headSize, uint64_t fileSize) {
  if (fileSize < kLogHeaderSize || headSize < kLogHeaderSize) return LogCheck::kTooSmall;
  if (std::memcmp(head, kLogHeader, kLogHeaderSize) != 0) return LogCheck::kBadHeader;
  if (fileSize == kLogHeaderSize) return LogCheck::kHeaderOnly;
  return LogCheck::kValid;
}

LogReadResult ReadLogRecords(LogInput& input, uint64_t remaining,
                             const std::function<void(int type, const char* text)>& sink) {
  LogReadResult result;
  // One field and its terminator; a field is never longer than kLogFieldMax.
  char text[kLogFieldMax + 1];
  while (remaining > 0) {
    unsigned char tag[4];
    if (remaining < 4 || input.Read(tag, 4) != 4) return result;
    ++result.tagsRead;
    remaining -= 4;
    int type = LogTypeOfTag(tag);
    if (type < 0) {
      result.wholeBytes += 4;
      continue;  // not a tag: the next group is tried
    }

    unsigned char lengthBytes[4];
    if (remaining < 4 || input.Read(lengthBytes, 4) != 4) return result;
    remaining -= 4;
    uint32_t field = static_cast<uint32_t>(lengthBytes[0]) |
                     static_cast<uint32_t>(lengthBytes[1]) << 8 |
                     static_cast<uint32_t>(lengthBytes[2]) << 16 |
                     static_cast<uint32_t>(lengthBytes[3]) << 24;
    if (field > kLogFieldMax || field > remaining) return result;
    if (input.Read(reinterpret_cast<unsigned char*>(text), field) != field) return result;
    remaining -= field;
    result.wholeBytes += 8 + field;
    text[field] = '\0';
    // The text ends at its first NUL; an empty one names nothing and is dropped.
    if (text[0] != '\0') sink(type, text);
  }
  result.complete = true;
  return result;
}

}  // namespace kaze
