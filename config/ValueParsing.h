#pragma once
// Parsers for the composite values of install.ini: number lists, path pairs and
// registry pairs. Plain bytes only, safe for any input.
//
// The separators looked for here (' ', '>', '=', '"') all lie below 0x40, where no
// Shift-JIS trail byte lies, so a byte scan cannot mistake half a character for one.
// Only the cut of an over-long half has to respect double-byte characters.
#include <cstddef>
#include <vector>

#include "config/InstallDescription.h"

namespace kaze {

// Numbers of a list such as "1,2,3", "1 2 3" or "1/2/3": every run of characters other
// than '0'-'9' separates two numbers (after leading spaces are skipped). A separator at
// the start or at the end adds a 0 there. An empty text gives no numbers. A number too
// large for an int saturates at INT_MAX instead of wrapping.
std::vector<int> ParseNumberList(const char* text);

// "source > target": the source token runs to the first space or '>', the target is the
// text after the last '>' (with '>' and spaces before it skipped), inner and trailing
// spaces kept. Returns false when a half did not fit its field; that half then holds
// as many whole characters as fit.
bool SplitPathPair(PathPair& pair, const char* text);

// "name=data" with every double quote dropped; spaces after the '=' are skipped, those
// before it stay in the name. Without '=' the whole text is the name and the data is
// empty. Returns false when the name or the data did not fit (cut to whole characters).
bool SplitRegistryValue(char* name, size_t nameSize, char* data, size_t dataSize,
                        const char* text);

// Cuts text to at most capacity - 1 bytes without splitting a double-byte character.
void CutToWholeCharacters(char* text, size_t capacity);

}  // namespace kaze
