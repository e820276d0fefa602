// byte-level
#include "config/IniLines.h"

#include <cstring>
#include <vector>

#include "system/Dbcs.h"
#include "system/TextHelpers.h"

namespace kaze {

namespace {

bool HasLineEnd(const char* text) {
  return std::strchr(text, '\r') != nullptr || std::strchr(text, '\n') != nullptr;
}

std::string Lowered(const std::string& text) {
  std::string copy = text;
  LowerCaseAscii(&copy[0]);  // std::string keeps its terminator
  return copy;
}

bool EndsInLeadByte(const char* text) {
  size_t i = 0;
  while (text[i] != '\0') {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] == '\0') return true;
    i += CharLength(text, i);
  }
  return false;
}

bool WriteAll(LineFile& file, const void* data, size_t count) {
  return file.Write(data, count) == count;
}

// A line written at the position must start a line of its own: when the byte before it
// is not a line end (a last line without CR LF), one is put in first.
bool StartNewLine(LineFile& file) {
  uint32_t position;
  if (!file.Tell(&position)) return false;
  if (position == 0) return true;
  unsigned char before = 0;
  if (!file.Seek(position - 1) || file.Read(&before, 1) != 1) return false;
  if (before == '\n' || before == '\r') return true;
  return WriteAll(file, "\r\n", 2);
}

bool WriteLineOf(LineFile& file, const std::string& text) {
  std::string line = text + "\r\n";
  return WriteAll(file, line.data(), line.size());
}

}  // namespace

bool FormatSectionHeader(const char* section, std::string* header) {
  if (section == nullptr || section[0] == '\0' || HasLineEnd(section)) return false;
  std::string formatted = std::string("[") + section + "]";
  if (formatted.size() > kIniNameMax) return false;
  *header = formatted;
  return true;
}

bool FormatKeyLine(const char* key, const char* value, std::string* line) {
  if (key == nullptr || value == nullptr || key[0] == '\0') return false;
  if (std::strlen(key) > kIniNameMax || HasLineEnd(key) || HasLineEnd(value)) return false;
  // A key the reader would take apart differently: one that opens with '[' (read as a
  // section header), holds a separator, or ends in half a double-byte character.
  if (key[0] == '[' || std::strpbrk(key, " \t=") != nullptr || EndsInLeadByte(key)) return false;
  std::string formatted = std::string(key) + " = " + value;
  if (formatted.size() > kIniKeyLineMax) return false;
  *line = formatted;
  return true;
}

bool IsSectionHeaderLine(const char* line, const char* section) {
  std::string wanted;
  if (!FormatSectionHeader(section, &wanted)) return false;
  return Lowered(line) == Lowered(wanted);
}

std::string KeyNameOf(const char* line) {
  size_t start = 0;
  while (line[start] == ' ' || line[start] == '\t') ++start;
  size_t end = start;
  while (line[end] != '\0' && line[end] != ' ' && line[end] != '=') {
    end += CharLength(line, end);
  }
  return std::string(line + start, end - start);
}

bool LineHasKey(const char* line, const char* key) {
  return Lowered(KeyNameOf(line)) == Lowered(key);
}

bool FindSection(LineFile& file, const char* section) {
  std::string wanted;
  if (!FormatSectionHeader(section, &wanted)) return false;
  wanted = Lowered(wanted);
  char line[kIniLineBufferSize];
  while (!file.AtEnd()) {
    file.ReadLine(line, sizeof line);
    LowerCaseAscii(line);
    if (wanted == line) return true;
  }
  return false;
}

bool FindKey(LineFile& file, const char* key) {
  const std::string wanted = Lowered(key);
  uint32_t insertAt;
  if (!file.Tell(&insertAt)) return false;
  char line[kIniLineBufferSize];
  while (!file.AtEnd()) {
    uint32_t lineStart;
    if (!file.Tell(&lineStart)) return false;
    size_t length = file.ReadLine(line, sizeof line);
    if (line[0] == '[') {
      file.Seek(insertAt);
      return false;
    }
    if (length == 0) continue;
    // Positions are taken from the file rather than from the line's length, so that
    // lines longer than the buffer or ending in a bare LF are handled alike.
    if (!file.Tell(&insertAt)) return false;
    if (Lowered(KeyNameOf(line)) == wanted) {
      file.Seek(lineStart);
      return true;
    }
  }
  return false;
}

bool ApplyIniEdit(LineFile& target, LineFile& copy, const char* section, const char* key,
                  const char* value) {
  std::string header, keyLine;
  if (!FormatSectionHeader(section, &header) || !FormatKeyLine(key, value, &keyLine)) {
    return false;
  }
  if (!FindSection(target, section)) {
    return StartNewLine(target) && WriteLineOf(target, header) && WriteLineOf(target, keyLine);
  }
  bool found = FindKey(target, key);
  uint32_t editAt, copySize;
  if (!target.Tell(&editAt) || !copy.Size(&copySize) || editAt > copySize) return false;
  if (!copy.Seek(editAt)) return false;
  if (found) copy.SkipLine();
  uint32_t restAt;
  if (!copy.Tell(&restAt)) return false;
  if (!StartNewLine(target) || !WriteLineOf(target, keyLine)) return false;

  std::vector<unsigned char> block(kIniCopyBlock);
  for (uint32_t left = copySize - restAt; left > 0;) {
    size_t want = left < kIniCopyBlock ? left : kIniCopyBlock;
    size_t got = copy.Read(block.data(), want);
    if (got == 0 || !WriteAll(target, block.data(), got)) return false;
    left -= static_cast<uint32_t>(got);
  }
  return target.Truncate();
}

}  // namespace kaze
