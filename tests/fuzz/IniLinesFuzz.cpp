// Fuzz target for the INI editor's line logic: a file and one edit, in memory.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/IniLines.h"
#include "tests/ini/MemoryLineFile.h"

namespace {

// Splits off the text up to the next NUL byte.
std::string Take(std::string* rest) {
  size_t end = rest->find('\0');
  std::string part = rest->substr(0, end);
  rest->erase(0, end == std::string::npos ? rest->size() : end + 1);
  return part;
}

bool Edit(std::string* text, const std::string& section, const std::string& key,
          const std::string& value) {
  kaze::test::MemoryLineFile target(*text);
  kaze::test::MemoryLineFile copy(*text);
  bool ok = kaze::ApplyIniEdit(target, copy, section.c_str(), key.c_str(), value.c_str());
  *text = target.data();
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string rest(reinterpret_cast<const char*>(data), size);
  const std::string section = Take(&rest);
  const std::string key = Take(&rest);
  const std::string value = Take(&rest);
  const std::string before = rest;

  std::string header, line;
  bool acceptable = kaze::FormatSectionHeader(section.c_str(), &header) &&
                    kaze::FormatKeyLine(key.c_str(), value.c_str(), &line);
  std::string text = before;
  bool edited = Edit(&text, section, key, value);
  // In memory nothing fails to write: only the names decide.
  if (edited != acceptable) std::abort();
  if (!edited) {
    if (text != before) std::abort();
    return 0;
  }

  // The key is found again, in its section, on a line of its own.
  kaze::test::MemoryLineFile check(text);
  if (!kaze::FindSection(check, section.c_str()) || !kaze::FindKey(check, key.c_str())) {
    std::abort();
  }
  char read[kaze::kIniLineBufferSize];
  check.ReadLine(read, sizeof read);
  if (line.compare(0, kaze::kIniLineBufferSize - 1, read) != 0) std::abort();

  // The same edit again changes nothing.
  std::string twice = text;
  if (!Edit(&twice, section, key, value) || twice != text) std::abort();
  return 0;
}
