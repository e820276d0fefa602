#pragma once
// Text routines for Shift-JIS texts.
#include <cstddef>

namespace kaze {

// Lower-cases ASCII 'A'-'Z' in place; both bytes of a double-byte character stay as
// they are (a trail byte may lie in 0x41-0x5A).
void LowerCaseAscii(char* text);

// Expands the escapes of explanation texts in place: \n -> CR LF, \\ -> \, \0 ends the
// text, a backslash before anything else (or last) is dropped. Double-byte characters are
// copied whole. The result is never longer than the text; at most capacity - 1 bytes
// of the text are read.
void ExpandEscapes(char* text, size_t capacity);

}  // namespace kaze
