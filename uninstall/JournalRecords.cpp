// byte-level
#include "uninstall/JournalRecords.h"

#include <cstdio>
#include <cstring>

#include "system/Dbcs.h"

namespace kaze {

const unsigned char kJournalHeader[kJournalHeaderSize] = {
    'K', 'A', 'Z', 'E', '_', 'S', 'E', 'T', 'U', 'P', '_', 'R', 'U', 'N', '_', 0x01};

namespace {

struct KindInfo {
  JournalKind kind;
  char tag[5];
  int texts;       // path, second: how many of them the record holds
  bool number;     // holds number
  bool value;      // holds existed and data
  bool needsPath;  // path must not be empty
};

const KindInfo kKinds[] = {
    {JournalKind::kInstall, "INST", 2, false, false, true},
    {JournalKind::kFolderMade, "MDIR", 1, false, false, true},
    {JournalKind::kFileMade, "MFIL", 1, false, false, true},
    {JournalKind::kFileKept, "KEEP", 2, true, false, true},
    {JournalKind::kKeyMade, "MKEY", 1, false, false, true},
    {JournalKind::kValueSet, "SVAL", 2, true, true, true},
    {JournalKind::kFinished, "DONE", 0, false, false, false},
};

const KindInfo* InfoOf(JournalKind kind) {
  for (const KindInfo& info : kKinds) {
    if (info.kind == kind) return &info;
  }
  return nullptr;
}

const KindInfo* InfoOfTag(const unsigned char* tag) {
  for (const KindInfo& info : kKinds) {
    if (std::memcmp(info.tag, tag, 4) == 0) return &info;
  }
  return nullptr;
}

uint32_t Checksum(const unsigned char* bytes, size_t size) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 16777619u;
  }
  return hash;
}

void PutNumber(uint32_t value, std::vector<unsigned char>* out) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<unsigned char>(value >> shift));
}

uint32_t GetNumber(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutField(const std::string& field, std::vector<unsigned char>* out) {
  PutNumber(static_cast<uint32_t>(field.size()), out);
  out->insert(out->end(), field.begin(), field.end());
}

bool TextFits(const std::string& text, bool needed) {
  if (needed && text.empty()) return false;
  return text.size() <= kJournalTextMax && text.find('\0') == std::string::npos;
}

// Reads the fields of one payload in order; any field past the end fails.
class FieldReader {
 public:
  FieldReader(const unsigned char* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool Field(size_t limit, std::string* out) {
    if (size_ - at_ < 4) return false;
    uint32_t length = GetNumber(bytes_ + at_);
    at_ += 4;
    if (length > limit || length > size_ - at_) return false;
    out->assign(reinterpret_cast<const char*>(bytes_ + at_), length);
    at_ += length;
    return true;
  }
  bool done() const { return at_ == size_; }

 private:
  const unsigned char* bytes_;
  size_t size_;
  size_t at_ = 0;
};

bool DecodePayload(const KindInfo& info, const unsigned char* bytes, size_t size,
                   JournalRecord* record) {
  FieldReader reader(bytes, size);
  record->kind = info.kind;
  if (info.texts >= 1 && (!reader.Field(kJournalTextMax, &record->path) ||
                          !TextFits(record->path, info.needsPath))) {
    return false;
  }
  if (info.texts >= 2 &&
      (!reader.Field(kJournalTextMax, &record->second) || !TextFits(record->second, false))) {
    return false;
  }
  std::string field;
  if (info.number) {
    if (!reader.Field(4, &field) || field.size() != 4) return false;
    record->number = GetNumber(reinterpret_cast<const unsigned char*>(field.data()));
  }
  if (info.value) {
    if (!reader.Field(1, &field) || field.size() != 1 || (field[0] != '0' && field[0] != '1')) {
      return false;
    }
    record->existed = field[0] == '1';
    if (!reader.Field(kJournalDataMax, &record->data)) return false;
  }
  return reader.done();
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void AppendList(std::string* text, const char* title, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  *text += "\n\n";
  *text += title;
  size_t shown = lines.size() < kPutBackListMax ? lines.size() : kPutBackListMax;
  for (size_t i = 0; i < shown; ++i) {
    *text += "\n";
    *text += lines[i];
  }
  if (lines.size() > shown) {
    char more[64];
    std::snprintf(more, sizeof more, "\nほか %lu 件", static_cast<unsigned long>(lines.size() - shown));
    *text += more;
  }
}

}  // namespace

bool EncodeJournalRecord(const JournalRecord& record, std::vector<unsigned char>* out) {
  const KindInfo* info = InfoOf(record.kind);
  if (info == nullptr) return false;
  std::vector<unsigned char> payload;
  if (info->texts >= 1) {
    if (!TextFits(record.path, info->needsPath)) return false;
    PutField(record.path, &payload);
  }
  if (info->texts >= 2) {
    if (!TextFits(record.second, false)) return false;
    PutField(record.second, &payload);
  }
  if (info->number) {
    std::vector<unsigned char> number;
    PutNumber(record.number, &number);
    PutField(std::string(number.begin(), number.end()), &payload);
  }
  if (info->value) {
    if (record.data.size() > kJournalDataMax) return false;
    PutField(record.existed ? "1" : "0", &payload);
    PutField(record.data, &payload);
  }
  std::vector<unsigned char> bytes(info->tag, info->tag + 4);
  PutNumber(static_cast<uint32_t>(payload.size()), &bytes);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  PutNumber(Checksum(bytes.data(), bytes.size()), &bytes);
  out->insert(out->end(), bytes.begin(), bytes.end());
  return true;
}

JournalReadResult ReadJournal(const unsigned char* bytes, size_t size) {
  JournalReadResult result;
  if (size < kJournalHeaderSize || std::memcmp(bytes, kJournalHeader, kJournalHeaderSize) != 0) {
    return result;
  }
  result.header = true;
  size_t at = kJournalHeaderSize;
  // The largest payload a writer makes: every field at its limit.
  const size_t payloadMax = 5 * 4 + 2 * kJournalTextMax + 4 + 1 + kJournalDataMax;
  while (at < size) {
    if (size - at < 12) return result;
    const KindInfo* info = InfoOfTag(bytes + at);
    uint32_t length = GetNumber(bytes + at + 4);
    if (info == nullptr || length > payloadMax || length > size - at - 12) return result;
    if (GetNumber(bytes + at + 8 + length) != Checksum(bytes + at, 8 + length)) return result;
    JournalRecord record;
    if (!DecodePayload(*info, bytes + at + 8, length, &record)) return result;
    result.records.push_back(std::move(record));
    at += 12 + length;
  }
  result.complete = true;
  return result;
}

bool IsRunFolderName(const char* name, size_t length, const char* prefix) {
  size_t prefixLength = std::strlen(prefix);
  if (length != prefixLength + 4 || std::memcmp(name, prefix, prefixLength) != 0) return false;
  for (size_t i = prefixLength; i < length; ++i) {
    if (!IsHexDigit(name[i])) return false;
  }
  return true;
}

bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name) {
  const char* text = path.c_str();
  const char* last = nullptr;
  for (const char* p = text; *p != '\0'; p += CharLength(p, 0)) {
    if (*p == '\\') last = p;
  }
  if (last == nullptr || last[1] == '\0') return false;
  *folder = std::string(text, last + 1);
  *name = std::string(last + 1);
  return true;
}

bool IsKeptFilePath(const std::string& installFolder, const std::string& kept) {
  if (installFolder.empty() || kept.size() <= installFolder.size() ||
      kept.compare(0, installFolder.size(), installFolder) != 0) {
    return false;
  }
  // "KzKeepXXXX\nnnnn": ten bytes, a backslash, five digits.
  std::string rest = kept.substr(installFolder.size());
  if (rest.size() != 16 || rest[10] != '\\' || !IsRunFolderName(rest.c_str(), 10, "KzKeep")) {
    return false;
  }
  for (size_t i = 11; i < 16; ++i) {
    if (rest[i] < '0' || rest[i] > '9') return false;
  }
  return true;
}

std::string FormatPutBackReport(const std::string& heading, const PutBackReport& report,
                                const std::string& closing) {
  std::string text = heading;
  std::vector<std::string> failed;
  for (const PutBackItem& item : report.failed) {
    failed.push_back(item.where.empty() ? item.what
                                        : item.what + "（現在の場所: " + item.where + "）");
  }
  AppendList(&text, "次の項目を元に戻せませんでした（使用中か、書き込みが禁止されています）：", failed);
  AppendList(&text, "次の記録はインストール先の外を指しているため、何もしませんでした：",
             report.refused);
  if (report.damaged) text += "\n\nインストール作業の記録の一部が壊れていて、読み取れませんでした。";
  if (!closing.empty()) {
    text += "\n\n";
    text += closing;
  }
  return text;
}

}  // namespace kaze
