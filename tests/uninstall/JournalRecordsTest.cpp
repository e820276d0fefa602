#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uninstall/JournalRecords.h"

namespace kaze {
namespace {

using Bytes = std::vector<unsigned char>;

// 表 and ソ end in the byte 0x5C.
const std::string kFolder = "C:\\Games\\\x95\x5C\\";
const std::string kUser = kFolder + "\x83\x5C\x83\x74\x83\x67.txt";

JournalRecord Make(JournalKind kind, std::string path, std::string second = "",
                   uint32_t number = 0, bool existed = false, std::string data = "") {
  JournalRecord record;
  record.kind = kind;
  record.path = std::move(path);
  record.second = std::move(second);
  record.number = number;
  record.existed = existed;
  record.data = std::move(data);
  return record;
}

std::vector<JournalRecord> Sample() {
  return {
      Make(JournalKind::kInstall, kFolder, "C:\\Start\\Programs\\KAZE\\"),
      Make(JournalKind::kInstall, kFolder, ""),  // no program group
      Make(JournalKind::kFolderMade, kFolder),
      Make(JournalKind::kFileMade, kUser),
      Make(JournalKind::kFileKept, kUser, kFolder + "KzKeep01AF\\00001", 0x27),
      Make(JournalKind::kKeyMade, "Software\\KAZE_CORP\\Tsukimi"),
      Make(JournalKind::kValueSet, "Software\\KAZE_CORP\\Tsukimi", "install", 1, true,
           std::string("C:\\old\0\0", 8)),
      Make(JournalKind::kValueSet, "Software\\X", "", 0, false, ""),  // the default value, new
      Make(JournalKind::kValueSet, "Software\\X", "big", 3, true, std::string(kJournalDataMax, 'b')),
      Make(JournalKind::kFinished, ""),
  };
}

Bytes Encode(const std::vector<JournalRecord>& records, std::vector<size_t>* ends = nullptr) {
  Bytes bytes(kJournalHeader, kJournalHeader + kJournalHeaderSize);
  for (const JournalRecord& record : records) {
    EXPECT_TRUE(EncodeJournalRecord(record, &bytes));
    if (ends != nullptr) ends->push_back(bytes.size());
  }
  return bytes;
}

void ExpectSame(const JournalRecord& a, const JournalRecord& b) {
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.path, b.path);
  EXPECT_EQ(a.second, b.second);
  EXPECT_EQ(a.number, b.number);
  EXPECT_EQ(a.existed, b.existed);
  EXPECT_EQ(a.data, b.data);
}

TEST(JournalRecords, EveryKindReadsBackAsWritten) {
  std::vector<JournalRecord> records = Sample();
  Bytes bytes = Encode(records);
  JournalReadResult read = ReadJournal(bytes.data(), bytes.size());
  EXPECT_TRUE(read.header);
  EXPECT_TRUE(read.complete);
  ASSERT_EQ(read.records.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectSame(read.records[i], records[i]);
  }
}

// A power loss can cut the file anywhere: the reading keeps exactly the whole records
// before the cut, and says whether the file ended on a record's end.
TEST(JournalRecords, ACutFileKeepsTheWholeRecordsBeforeTheCut) {
  std::vector<JournalRecord> records = Sample();
  records.pop_back();
  records.pop_back();  // the large one: the cuts would take long
  std::vector<size_t> ends;
  Bytes bytes = Encode(records, &ends);
  for (size_t size = kJournalHeaderSize; size <= bytes.size(); ++size) {
    size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= size) ++whole;
    bool boundary = size == kJournalHeaderSize || (whole > 0 && ends[whole - 1] == size);
    JournalReadResult read = ReadJournal(bytes.data(), size);
    ASSERT_TRUE(read.header) << size;
    ASSERT_EQ(read.records.size(), whole) << size;
    ASSERT_EQ(read.complete, boundary) << size;
  }
}

// A record whose bytes did not all reach the disk (zeros, or any byte changed) fails its
// checksum: the reading ends before it, whatever follows.
TEST(JournalRecords, ADamagedRecordEndsTheReading) {
  std::vector<JournalRecord> records = Sample();
  records.resize(6);
  std::vector<size_t> ends;
  Bytes bytes = Encode(records, &ends);
  for (size_t at = ends[1]; at < ends[2]; ++at) {
    for (unsigned char change : {0x01, 0x80}) {
      Bytes damaged = bytes;
      damaged[at] ^= change;
      JournalReadResult read = ReadJournal(damaged.data(), damaged.size());
      EXPECT_FALSE(read.complete) << at;
      EXPECT_EQ(read.records.size(), 2u) << at;
    }
  }
  Bytes zeroed = bytes;
  std::fill(zeroed.begin() + ends[3], zeroed.end(), 0);
  EXPECT_EQ(ReadJournal(zeroed.data(), zeroed.size()).records.size(), 4u);
}

TEST(JournalRecords, RefusesWhatItCouldNotReadBack) {
  struct Case {
    const char* why;
    JournalRecord record;
  } cases[] = {
      {"no path", Make(JournalKind::kFileMade, "")},
      {"no key", Make(JournalKind::kKeyMade, "")},
      {"a path over 259 bytes", Make(JournalKind::kFileMade, "C:\\" + std::string(257, 'a'))},
      {"a NUL in a path", Make(JournalKind::kFolderMade, std::string("C:\\a\0b", 6))},
      {"a kept place over 259 bytes",
       Make(JournalKind::kFileKept, kUser, kFolder + std::string(256, 'k'))},
      {"old data over its limit",
       Make(JournalKind::kValueSet, "Software\\X", "v", 3, true, std::string(kJournalDataMax + 1, 'b'))},
  };
  for (const Case& c : cases) {
    Bytes out = {1, 2};
    EXPECT_FALSE(EncodeJournalRecord(c.record, &out)) << c.why;
    EXPECT_EQ(out, (Bytes{1, 2})) << c.why;
  }
  JournalRecord longest = Make(JournalKind::kFileMade, "C:\\" + std::string(256, 'a'));
  Bytes out;
  EXPECT_TRUE(EncodeJournalRecord(longest, &out));
}

TEST(JournalRecords, AnotherFileIsNoJournal) {
  Bytes bytes = Encode(Sample());
  bytes[15] = 0x02;
  JournalReadResult read = ReadJournal(bytes.data(), bytes.size());
  EXPECT_FALSE(read.header);
  EXPECT_TRUE(read.records.empty());
  EXPECT_FALSE(ReadJournal(bytes.data(), 10).header);
}

// A record with a right checksum but fields its kind does not have (a planted or
// foreign file) is not taken for one.
TEST(JournalRecords, AKindWithTheWrongFieldsEndsTheReading) {
  Bytes good;
  ASSERT_TRUE(EncodeJournalRecord(Make(JournalKind::kKeyMade, "Software\\X"), &good));
  Bytes swapped = good;
  std::copy_n("MFIL", 4, swapped.begin());  // same fields: still whole
  Bytes wrong = good;
  std::copy_n("KEEP", 4, wrong.begin());  // KEEP has three fields
  auto withChecksum = [](Bytes record) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i + 4 < record.size(); ++i) {
      hash ^= record[i];
      hash *= 16777619u;
    }
    for (int i = 0; i < 4; ++i) record[record.size() - 4 + i] = static_cast<unsigned char>(hash >> (8 * i));
    return record;
  };
  for (const auto& [record, count] : {std::pair{withChecksum(swapped), 1u}, std::pair{withChecksum(wrong), 0u}}) {
    Bytes bytes(kJournalHeader, kJournalHeader + kJournalHeaderSize);
    bytes.insert(bytes.end(), record.begin(), record.end());
    EXPECT_EQ(ReadJournal(bytes.data(), bytes.size()).records.size(), count);
  }
}

TEST(JournalRecords, KeptFilesAndRunFoldersAreKnownByTheirNamesOnly) {
  struct Case {
    std::string kept;
    bool expected;
  } cases[] = {
      {kFolder + "KzKeep01AF\\00001", true},
      {kFolder + "KzKeepffff\\99999", true},
      {kFolder + "KzKeep01AF\\0001", false},
      {kFolder + "KzKeep01AG\\00001", false},
      {kFolder + "KzKeep01AF\\00001\\x", false},
      {kFolder + "Data\\KzKeep01AF\\00001", false},
      {"C:\\Windows\\KzKeep01AF\\00001", false},
      {kFolder + "KzKeep01AF\\..\\..\\x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsKeptFilePath(kFolder, c.kept), c.expected) << c.kept;
  EXPECT_TRUE(IsRunFolderName("KzSetup0A9f", 11, "KzSetup"));
  EXPECT_FALSE(IsRunFolderName("KzSetup0A9", 10, "KzSetup"));
  EXPECT_FALSE(IsRunFolderName("KzSetup0A9fx", 12, "KzSetup"));
  EXPECT_FALSE(IsRunFolderName("kzsetup0A9f", 11, "KzSetup"));

  std::string folder;
  std::string name;
  ASSERT_TRUE(SplitFolderAndName(kUser, &folder, &name));
  EXPECT_EQ(folder, kFolder);  // 表's trail byte is no separator
  EXPECT_EQ(name, "\x83\x5C\x83\x74\x83\x67.txt");
  EXPECT_FALSE(SplitFolderAndName(kFolder, &folder, &name));
  EXPECT_FALSE(SplitFolderAndName("name", &folder, &name));
}

TEST(JournalRecords, TheReportNamesAKeptFileWithItsPlaceNow) {
  PutBackReport report;
  report.failed.push_back({kUser, kFolder + "KzKeep01AF\\00001"});
  report.failed.push_back({"HKEY_LOCAL_MACHINE\\Software\\X", ""});
  for (int i = 0; i < 12; ++i) report.refused.push_back("C:\\Windows\\f" + std::to_string(i));
  std::string text = FormatPutBackReport("見出し", report, "結び");
  EXPECT_EQ(text.find("見出し"), 0u);
  EXPECT_NE(text.find(kUser + "（現在の場所: " + kFolder + "KzKeep01AF\\00001）"), std::string::npos);
  EXPECT_NE(text.find("\nHKEY_LOCAL_MACHINE\\Software\\X\n"), std::string::npos);
  EXPECT_NE(text.find("C:\\Windows\\f9\n"), std::string::npos);
  EXPECT_EQ(text.find("C:\\Windows\\f10"), std::string::npos);
  EXPECT_NE(text.find("ほか 2 件"), std::string::npos);
  EXPECT_EQ(text.rfind("結び"), text.size() - std::string("結び").size());
  EXPECT_FALSE(report.complete());
  EXPECT_TRUE(PutBackReport().complete());
}

}  // namespace
}  // namespace kaze
