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

}  // namespace

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
