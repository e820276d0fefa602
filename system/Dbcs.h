#pragma once
// Double-byte character support for Shift-JIS texts and paths.
#include <cstddef>

namespace kaze {

// True when c starts a double-byte character in the system's ANSI code page.
bool IsLeadByte(unsigned char c);

// Number of bytes of the character at s[i] (1 or 2); a lead byte at the very end
// counts as one byte so that callers never read past the terminator.
inline size_t CharLength(const char* s, size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && s[i + 1] != '\0') ? 2 : 1;
}

// True when the text's last character is a single-byte '\'. A trail byte 0x5C
// (as in 表 or ソ) is not a backslash.
bool EndsWithBackslash(const char* text);

// Appends '\' unless the text already ends with one. Returns false, leaving the text
// unchanged, when the result would not fit into capacity bytes with its terminator.
bool AppendBackslash(char* text, size_t capacity);

// Position of the first or last single-byte occurrence of ch (an ASCII character),
// or nullptr. Trail bytes are stepped over.
const char* FindChar(const char* text, char ch);
const char* FindLastChar(const char* text, char ch);

}  // namespace kaze
