#pragma once
// The byte layout of the uninstall log: a 16-byte header, then records of a 4-letter
// tag, a little-endian 32-bit field length L and L bytes of NUL-padded text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kaze {

enum LogEntryType { LOG_FILE = 0, LOG_DIRA = 1, LOG_FOLD = 2, LOG_REGS = 3 };
constexpr int kLogEntryTypes = 4;

constexpr size_t kLogHeaderSize = 16;
constexpr size_t kLogTextMax = 255;     // longest entry text
constexpr uint32_t kLogFieldMax = 256;  // longest text field a reader accepts
extern const unsigned char kLogHeader[kLogHeaderSize];  // "KAZE_UNINST_DAT" and 0x01

// "FILE", "DIRA", "FOLD", "REGS" for the types above; nullptr for any other value.
const char* LogTag(int type);

// The type of a 4-byte tag, or -1 when it is none of the four (case-sensitive).
int LogTypeOfTag(const unsigned char* tag);

// L for a text of n bytes: n plus 1 to 4 NUL bytes, a multiple of 4.
uint32_t LogFieldLength(size_t textLength);

// Appends one record to out. False, with out untouched, for an unknown type or a text
// that is missing, empty or longer than kLogTextMax bytes.
bool EncodeLogRecord(int type, const char* text, std::vector<unsigned char>* out);

enum class LogCheck { kValid, kTooSmall, kHeaderOnly, kBadHeader };

// Checks a log of fileSize bytes whose first bytes are in head (headSize of them).
LogCheck CheckLogHeader(const unsigned char* head, size_t headSize, uint64_t fileSize);

// Where the records come from.
class LogInput {
 public:
  virtual ~LogInput() = default;
  // Reads up to count bytes; fewer only at the end of the data or on an error.
  virtual size_t Read(unsigned char* buffer, size_t count) = 0;
};

struct LogReadResult {
  int tagsRead = 0;       // 4-byte groups read as tags, unknown ones included
  bool complete = false;  // false when a record was cut short or its length impossible
  uint64_t wholeBytes = 0;  // bytes of the whole groups read, where a cut one begins
};

// Reads the records that follow the header; remaining is the file size less the header.
// Each record with a non-empty text goes to sink, in file order. Reading ends at the
// first group that is cut short or whose length exceeds kLogFieldMax or the bytes left;
// the records before it have been delivered.
LogReadResult ReadLogRecords(LogInput& input, uint64_t remaining,
                             const std::function<void(int type, const char* text)>& sink);

}  // namespace kaze
