#pragma once
// The arithmetic of the text progress bar, kept apart from the window so that it can be
// checked on its own.
#include <cstddef>

namespace kaze {

// Capacity of the bar's text, terminator included.
const size_t kBarTextSize = 260;

// Width in pixels of the filled part of a bar `width` pixels wide:
// (position - minimum) / (maximum - minimum) x width, in floating point, truncated toward
// zero. An empty range (maximum <= minimum) fills nothing; positions outside the range
// fill nothing or everything, never more than the bar.
int FilledWidth(int position, int minimum, int maximum, int width);

// A 16-bit range end as the bar keeps it: sign-extended (40000 arrives as -25536).
inline int RangeEnd(short value) { return value; }

// Copies text into the bar's text buffer: at most kBarTextSize - 1 bytes, cut before a
// double-byte character that would not fit whole. A null text is empty.
void CopyBarText(char (&buffer)[kBarTextSize], const char* text);

}  // namespace kaze
