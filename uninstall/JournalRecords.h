#pragma once
// The byte layout of the run journal: what an installation is about to change, written
// and flushed before each change, so that a run cut off anywhere can be put back from it
// alone. A 16-byte header, then records of a 4-letter tag, a little-endian 32-bit payload
// length, the payload (length-prefixed fields) and a 32-bit checksum of all of it; a record
// torn by a power loss fails its checksum and ends the reading there.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kaze {

enum class JournalKind {
  kInstall,     // path: installation folder; second: program group folder ("" when none)
  kFolderMade,  // path: a folder about to be created
  kFileMade,    // path: a file about to be created
  kFileKept,    // path: the user's file; second: its place in the keep folder; number: attributes
  kKeyMade,     // path: a registry key (below HKEY_LOCAL_MACHINE) about to be created
  kValueSet,    // path: key; second: value name; existed, number (type) and data: the old value
  kFinished,    // the run succeeded and its log was committed: nothing is to be put back
};

struct JournalRecord {
  JournalKind kind = JournalKind::kFileMade;
  std::string path;
  std::string second;
  uint32_t number = 0;
  bool existed = false;
  std::string data;
};

constexpr size_t kJournalHeaderSize = 16;
extern const unsigned char kJournalHeader[kJournalHeaderSize];  // "KAZE_SETUP_RUN_" and 0x01
constexpr size_t kJournalTextMax = 259;     // paths, key paths, value names
constexpr size_t kJournalDataMax = 1 << 20;  // a replaced value's old data

// Appends one record to out. False, with out untouched, for a text that is empty (where a
// text is needed), longer than kJournalTextMax or holds a NUL, or data over kJournalDataMax.
bool EncodeJournalRecord(const JournalRecord& record, std::vector<unsigned char>* out);

struct JournalReadResult {
  bool header = false;    // the file begins with kJournalHeader
  bool complete = false;  // every byte after the header belonged to a whole, intact record
  std::vector<JournalRecord> records;
};

// Reads a whole journal. Reading ends at the first record that is cut short, fails its
// checksum or holds fields its kind does not have: the change it announced was never made.
JournalReadResult ReadJournal(const unsigned char* bytes, size_t size);

// True for prefix followed by exactly four hexadecimal digits ("KzKeep01AF").
bool IsRunFolderName(const char* name, size_t length, const char* prefix);

// True when kept is a file of the run's keep folder inside installFolder (which ends with a
// backslash): installFolder, "KzKeep" and four hex digits, a backslash, five digits.
bool IsKeptFilePath(const std::string& installFolder, const std::string& kept);

// The parts of a path as folder (with its backslash) and name, the separator found
// DBCS-safely; false when the path holds no backslash or ends with one.
bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name);

// What a put-back could not do, for the words that tell it.
struct PutBackItem {
  std::string what;   // the path or "HKEY_LOCAL_MACHINE\..." text
  std::string where;  // a kept file's place now ("" when it is not a kept file)
};
struct PutBackReport {
  std::vector<PutBackItem> failed;  // could not be put back (in use, no access): tried again later
  std::vector<std::string> refused;  // records outside the installation's places: never acted on
  bool damaged = false;              // the journal itself could not be read
  bool complete() const { return failed.empty() && refused.empty() && !damaged; }
};

// heading, then the failed items (a kept file with its place now) and the refused
// records, each list at most kPutBackListMax lines and a count of the rest, then closing.
constexpr size_t kPutBackListMax = 10;
std::string FormatPutBackReport(const std::string& heading, const PutBackReport& report,
                                const std::string& closing);

}  // namespace kaze
