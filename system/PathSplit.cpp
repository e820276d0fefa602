// byte-level
#include "system/PathSplit.h"

#include <cstring>

#include "system/Dbcs.h"

namespace kaze {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

SplitPathResult SplitPath(const char* path) {
  SplitPathResult parts;
  size_t start = 0;
  if (path[0] != '\0' && !IsLeadByte(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    parts.drive.assign(path, 2);
    start = 2;
  }
  const char* rest = path + start;

  // The folder runs up to the last single-byte separator.
  size_t nameStart = 0;
  for (size_t i = 0; rest[i] != '\0'; i += CharLength(rest, i)) {
    if (IsSeparator(rest[i])) nameStart = i + 1;
  }
  parts.folder.assign(rest, nameStart);

  const char* last = rest + nameStart;
  const char* dot = FindLastChar(last, '.');
  if (dot == nullptr) {
    parts.name = last;
  } else {
    parts.name.assign(last, static_cast<size_t>(dot - last));
    parts.extension = dot;
  }
  return parts;
}

bool HasForbiddenPathText(const char* path) {
  static const char kForbidden[] = "?\";:,<>!*|";
  bool previousWasSeparator = false;
  for (size_t i = 0; path[i] != '\0';) {
    size_t length = CharLength(path, i);
    // The drive ("C:") is not looked at.
    if (i >= 2) {
      if (length == 1) {
        char c = path[i];
        if (IsSeparator(c) && previousWasSeparator) return true;
        if (std::strchr(kForbidden, c) != nullptr) return true;
        previousWasSeparator = IsSeparator(c);
      } else {
        previousWasSeparator = false;
      }
    }
    i += length;
  }
  return false;
}

}  // namespace kaze
