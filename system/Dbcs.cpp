// byte-level
#include "system/Dbcs.h"

#include <cstring>

#ifdef _WIN32
// The system's own lead-byte test (active code page), declared here so that this file
// needs no Windows headers.
extern "C" __declspec(dllimport) int __stdcall IsDBCSLeadByte(unsigned char c);
#endif

namespace kaze {

bool IsLeadByte(unsigned char c) {
#ifdef _WIN32
  return IsDBCSLeadByte(c) != 0;
#else
  // Code page 932 lead bytes.
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
#endif
}

const char* FindChar(const char* text, char ch) {
  for (size_t i = 0; text[i] != '\0'; i += CharLength(text, i)) {
    if (text[i] == ch) return text + i;
  }
  return nullptr;
}

const char* FindLastChar(const char* text, char ch) {
  const char* last = nullptr;
  for (size_t i = 0; text[i] != '\0'; i += CharLength(text, i)) {
    if (text[i] == ch) last = text + i;
  }
  return last;
}

bool EndsWithBackslash(const char* text) {
  size_t lastStart = 0;
  bool any = false;
  for (size_t i = 0; text[i] != '\0'; i += CharLength(text, i)) {
    lastStart = i;
    any = true;
  }
  return any && text[lastStart] == '\\' && text[lastStart + 1] == '\0';
}

bool AppendBackslash(char* text, size_t capacity) {
  if (EndsWithBackslash(text)) return true;
  size_t len = std::strlen(text);
  if (len + 2 > capacity) return false;
  text[len] = '\\';
  text[len + 1] = '\0';
  return true;
}

}  // namespace kaze
