// byte-level
#include "system/ProfileSection.h"

#include "system/Dbcs.h"

namespace kaze {

namespace {

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    bool lead = IsLeadByte(x);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
    // A double-byte character's trail byte is compared as it is.
    if (lead && i + 1 < a.size()) {
      ++i;
      if (a[i] != b[i]) return false;
    }
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The section name of a header line (its line end excluded), or false when the line is
// no header. Double-byte characters are stepped over: a trail byte may be 0x5D (']').
bool HeaderName(const char* line, size_t length, std::string* name) {
  size_t i = 0;
  while (i < length && IsBlank(line[i])) ++i;
  if (i == length || line[i] != '[') return false;
  size_t start = ++i;
  while (i < length && line[i] != ']') {
    i += IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < length ? 2 : 1;
  }
  if (i >= length) return false;
  size_t end = i;
  while (start < end && IsBlank(line[start])) ++start;
  while (end > start && IsBlank(line[end - 1])) --end;
  name->assign(line + start, end - start);
  return true;
}

}  // namespace

std::vector<ProfileSectionSize> MeasureProfileSections(const char* data, size_t size) {
  std::vector<ProfileSectionSize> sections;
  size_t bodyStart = 0;
  for (size_t lineStart = 0; lineStart < size;) {
    size_t lineEnd = lineStart;
    while (lineEnd < size && data[lineEnd] != '\n') ++lineEnd;
    size_t next = lineEnd < size ? lineEnd + 1 : size;
    std::string name;
    if (HeaderName(data + lineStart, lineEnd - lineStart, &name)) {
      if (!sections.empty()) sections.back().bytes = lineStart - bodyStart;
      sections.push_back({name, 0});
      bodyStart = next;
    }
    lineStart = next;
  }
  if (!sections.empty()) sections.back().bytes = size - bodyStart;
  return sections;
}

ProfileCut9x FindProfileCut9x(const char* data, size_t size,
                              const std::vector<std::string>& wanted, size_t growth) {
  ProfileCut9x cut;
  cut.file = size > kProfileFileLimit9x || growth > kProfileFileLimit9x - size;
  const std::vector<ProfileSectionSize> sections = MeasureProfileSections(data, size);
  for (const std::string& name : wanted) {
    for (const ProfileSectionSize& section : sections) {
      if (!SameIgnoringAsciiCase(section.name, name)) continue;
      if (section.bytes > kProfileSectionLimit9x ||
          growth > kProfileSectionLimit9x - section.bytes) {
        cut.sections.push_back(name);
        break;
      }
    }
  }
  return cut;
}

std::vector<std::string> SplitProfileSection(const char* data, size_t size) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == '\0') {
      if (i > start) lines.emplace_back(data + start, i - start);
      start = i + 1;
    }
  }
  return lines;
}

std::string JoinProfileSection(const std::vector<std::string>& lines) {
  std::string buffer;
  for (const std::string& line : lines) {
    buffer += line;
    buffer += '\0';
  }
  buffer += '\0';
  return buffer;
}

bool AddProfileLine(std::vector<std::string>* lines, const std::string& line) {
  for (const std::string& existing : *lines) {
    if (SameIgnoringAsciiCase(existing, line)) return false;
  }
  lines->push_back(line);
  return true;
}

}  // namespace kaze
