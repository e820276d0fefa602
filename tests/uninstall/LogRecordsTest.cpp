#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "uninstall/LogRecords.h"

namespace kaze {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Record(const char* tag, uint32_t field, const std::string& text) {
  Bytes out = B(std::string(tag, 4));
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(field >> shift));
  Bytes body = B(text);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(EncodeLogRecord, PadsTheTextWithOneToFourNuls) {
  struct Case {
    int type;
    std::string text;
    Bytes record;
  } cases[] = {
      {LOG_FILE, "C:\\a\\b.x", Record("FILE", 12, std::string("C:\\a\\b.x\0\0\0\0", 12))},
      {LOG_FOLD, "C:\\HD\\ab\\", Record("FOLD", 12, std::string("C:\\HD\\ab\\\0\0\0", 12))},
      {LOG_DIRA, "D", Record("DIRA", 4, std::string("D\0\0\0", 4))},
      {LOG_REGS, "Software\\X", Record("REGS", 12, std::string("Software\\X\0\0", 12))},
      // 表 ends in 0x5C; the bytes are stored as they are.
      {LOG_FILE, "C:\\表", Record("FILE", 8, std::string("C:\\\x95\x5C\0\0\0", 8))},
      {LOG_FILE, std::string(255, 'p'), Record("FILE", 256, std::string(255, 'p') + '\0')},
  };
  for (const auto& c : cases) {
    Bytes out = {0xAA};  // appended behind what is there
    ASSERT_TRUE(EncodeLogRecord(c.type, c.text.c_str(), &out)) << c.text;
    EXPECT_EQ(Bytes(out.begin() + 1, out.end()), c.record) << c.text;
  }
}

TEST(EncodeLogRecord, RefusesWhatItCannotStoreWhole) {
  const std::string tooLong(256, 'p');
  struct Case {
    int type;
    const char* text;
  } cases[] = {{LOG_FILE, ""}, {LOG_FILE, nullptr}, {LOG_FILE, tooLong.c_str()},
               {4, "C:\\x"}, {-1, "C:\\x"}};
  for (const auto& c : cases) {
    Bytes out;
    EXPECT_FALSE(EncodeLogRecord(c.type, c.text, &out));
    EXPECT_TRUE(out.empty());
  }
}

TEST(CheckLogHeader, AcceptsOnlyTheHeaderFollowedByRecords) {
  const Bytes header(kLogHeader, kLogHeader + kLogHeaderSize);
  Bytes wrongFormat = header;
  wrongFormat[15] = 0x02;
  Bytes wrongLetter = header;
  wrongLetter[0] = 'k';
  struct Case {
    Bytes head;
    uint64_t size;
    LogCheck check;
  } cases[] = {
      {header, 16 + 12, LogCheck::kValid},
      {header, 16, LogCheck::kHeaderOnly},
      {Bytes(header.begin(), header.begin() + 15), 15, LogCheck::kTooSmall},
      {{}, 0, LogCheck::kTooSmall},
      {wrongFormat, 40, LogCheck::kBadHeader},
      {wrongLetter, 40, LogCheck::kBadHeader},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckLogHeader(c.head.data(), c.head.size(), c.size), c.check);
  }
}

class BytesInput : public LogInput {
 public:
  explicit BytesInput(Bytes data) : data_(std::move(data)) {}
  size_t Read(unsigned char* buffer, size_t count) override {
    size_t n = std::min(count, data_.size() - position_);
    if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
  }

 private:
  Bytes data_;
  size_t position_ = 0;
};

struct Read {
  std::vector<std::pair<int, std::string>> records;
  LogReadResult result;
};

Read ReadBytes(const Bytes& body, uint64_t remaining) {
  BytesInput input(body);
  Read read;
  read.result = ReadLogRecords(input, remaining, [&](int type, const char* text) {
    read.records.emplace_back(type, text);
  });
  return read;
}

TEST(ReadLogRecords, ReadsRecordsInOrderAndStopsAtTheFirstBrokenOne) {
  const Bytes file = Record("FILE", 8, std::string("C:\\a.x\0\0", 8));
  const Bytes fold = Record("FOLD", 8, std::string("C:\\HD\\\0", 8));
  const Bytes regs = Record("REGS", 4, std::string("K\0\0\0", 4));
  using R = std::vector<std::pair<int, std::string>>;
  struct Case {
    const char* name;
    Bytes body;
    R records;
    int tags;
    bool complete;
  } cases[] = {
      {"interleaved tags", Cat({fold, file, regs, file}),
       {{LOG_FOLD, "C:\\HD\\"}, {LOG_FILE, "C:\\a.x"}, {LOG_REGS, "K"}, {LOG_FILE, "C:\\a.x"}},
       4, true},
      {"unknown group skipped and counted", Cat({B("JUNK"), B("file"), file}),
       {{LOG_FILE, "C:\\a.x"}}, 3, true},
      {"text without terminator", Record("DIRA", 4, "ABCD"), {{LOG_DIRA, "ABCD"}}, 1, true},
      {"empty text dropped", Cat({Record("REGS", 4, std::string(4, '\0')), file}),
       {{LOG_FILE, "C:\\a.x"}}, 2, true},
      {"zero length dropped", Cat({Record("REGS", 0, ""), file}), {{LOG_FILE, "C:\\a.x"}}, 2,
       true},
      {"tag cut short", Cat({file, B("FI")}), {{LOG_FILE, "C:\\a.x"}}, 1, false},
      {"length cut short", Cat({file, B("FOLD"), B("\x08\x00")}), {{LOG_FILE, "C:\\a.x"}}, 2,
       false},
      {"text cut short", Cat({file, Bytes(fold.begin(), fold.end() - 3)}),
       {{LOG_FILE, "C:\\a.x"}}, 2, false},
      {"length over 256", Cat({file, Record("FILE", 260, std::string(260, 'x'))}),
       {{LOG_FILE, "C:\\a.x"}}, 2, false},
      {"length beyond the end", Cat({file, Record("FILE", 0xFFFFFFF0u, "abcd")}),
       {{LOG_FILE, "C:\\a.x"}}, 2, false},
      {"no records", {}, {}, 0, true},
  };
  for (const auto& c : cases) {
    Read read = ReadBytes(c.body, c.body.size());
    EXPECT_EQ(read.records, c.records) << c.name;
    EXPECT_EQ(read.result.tagsRead, c.tags) << c.name;
    EXPECT_EQ(read.result.complete, c.complete) << c.name;
  }
}

TEST(ReadLogRecords, StopsWhenTheFileGivesLessThanItsSizePromised) {
  const Bytes file = Record("FILE", 8, std::string("C:\\a.x\0\0", 8));
  Read read = ReadBytes(file, file.size() + 16);
  EXPECT_EQ(read.records.size(), 1u);
  EXPECT_FALSE(read.result.complete);
}

TEST(LogFormat, RoundTripOfEveryTextLength) {
  for (size_t n = 1; n <= kLogTextMax; ++n) {
    std::string text(n, static_cast<char>('a' + n % 26));
    Bytes body;
    ASSERT_TRUE(EncodeLogRecord(static_cast<int>(n % 4), text.c_str(), &body));
    ASSERT_EQ(body.size(), 8 + LogFieldLength(n));
    ASSERT_EQ(LogFieldLength(n) % 4, 0u);
    Read read = ReadBytes(body, body.size());
    ASSERT_EQ(read.records.size(), 1u) << n;
    EXPECT_EQ(read.records[0].first, static_cast<int>(n % 4));
    EXPECT_EQ(read.records[0].second, text);
  }
}

}  // namespace
}  // namespace kaze
