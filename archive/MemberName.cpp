// byte-level
#include "archive/MemberName.h"

#include <cstring>

#include "system/Dbcs.h"
#include "system/PathText.h"

namespace kaze {

namespace {

// Character length within a bounded name: a lead byte as the last byte stands alone.
size_t CharLengthIn(const char* name, size_t i, size_t length) {
  return (IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < length) ? 2 : 1;
}

}  // namespace

bool IsSafeArchiveMemberName(const char* name, size_t length) {
  return name != nullptr && length != 0 && IsContainedPath(name, length, false);
}

bool NormalizeArchiveMemberName(const char* name, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  size_t length = std::strlen(name);
  if (!IsSafeArchiveMemberName(name, length) || length + 1 > size) return false;
  for (size_t i = 0; i < length;) {
    size_t n = CharLengthIn(name, i, length);
    out[i] = (n == 1 && name[i] == '/') ? '\\' : name[i];
    if (n == 2) out[i + 1] = name[i + 1];
    i += n;
  }
  out[length] = '\0';
  return true;
}

}  // namespace kaze
