// Fuzz target for the uninstall log reader: any bytes after the header.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "uninstall/LogRecords.h"

namespace {

class BytesInput : public kaze::LogInput {
 public:
  BytesInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(unsigned char* buffer, size_t count) override {
    size_t n = count < size_ - position_ ? count : size_ - position_;
    if (n > 0) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

using Records = std::vector<std::pair<int, std::string>>;

Records ReadAll(const uint8_t* data, size_t size, uint64_t remaining,
                kaze::LogReadResult* result) {
  BytesInput input(data, size);
  Records records;
  *result = kaze::ReadLogRecords(input, remaining, [&](int type, const char* text) {
    size_t length = std::strlen(text);
    if (type < 0 || type >= kaze::kLogEntryTypes || length == 0 || length > kaze::kLogFieldMax) {
      std::abort();
    }
    records.emplace_back(type, text);
  });
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte says how much longer than the data the file claims to be, as when a
  // file shrinks while it is read.
  uint64_t extra = data[0] & 0x0F;
  const uint8_t* body = data + 1;
  size_t bodySize = size - 1;

  kaze::LogReadResult result;
  Records records = ReadAll(body, bodySize, bodySize + extra, &result);
  if (static_cast<size_t>(result.tagsRead) > bodySize / 4) std::abort();
  if (extra > 0 && result.complete) std::abort();  // the missing bytes cannot be read

  // What was read and fits the writer writes back into records that read the same.
  std::vector<unsigned char> again;
  Records expected;
  for (const auto& record : records) {
    if (kaze::EncodeLogRecord(record.first, record.second.c_str(), &again)) {
      expected.push_back(record);
    }
  }
  kaze::LogReadResult reread;
  if (ReadAll(again.data(), again.size(), again.size(), &reread) != expected) std::abort();
  if (!reread.complete) std::abort();
  return 0;
}
