// byte-level
#include "system/PathSpelling.h"

#include <vector>

#include "system/Dbcs.h"
#include "system/PathText.h"

namespace kaze {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

Spelling NormalizePathText(const char* text, bool asFolder, std::string* out) {
  if (text == nullptr || !IsAsciiLetter(text[0]) || text[1] != ':' || !IsSeparator(text[2])) {
    return Spelling::kNotAbsolute;
  }
  std::vector<std::string> parts;
  for (size_t i = 3; text[i] != '\0';) {
    size_t end = i;
    while (text[end] != '\0' && !IsSeparator(text[end])) {
      if (IsLeadByte(static_cast<unsigned char>(text[end]))) {
        // A lead byte without a real trail byte would join with what follows (a '\' we
        // add would become its trail byte and name another folder).
        if (static_cast<unsigned char>(text[end + 1]) < 0x40 || text[end + 1] == 0x7F) {
          return Spelling::kInvalid;
        }
        end += 2;
      } else {
        ++end;
      }
    }
    std::string part(text + i, text + end);
    i = text[end] == '\0' ? end : end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return Spelling::kInvalid;  // above the drive's root
      parts.pop_back();
      continue;
    }
    // Windows drops a name's trailing dots and blanks; neither is ever a trail byte.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (!IsContainedPath(part.c_str(), part.size(), false)) return Spelling::kInvalid;
    parts.push_back(part);
  }
  if (!asFolder && parts.empty()) return Spelling::kInvalid;  // a drive's root is no file
  std::string path(1, static_cast<char>(text[0] & ~0x20));
  path += ":\\";
  for (size_t p = 0; p < parts.size(); ++p) {
    if (parts[p].size() > kSpelledNameMax) return Spelling::kTooLong;
    path += parts[p];
    if (asFolder || p + 1 < parts.size()) path += '\\';
  }
  if (path.size() > kSpelledPathMax) return Spelling::kTooLong;
  *out = path;
  return Spelling::kOk;
}

}  // namespace kaze
