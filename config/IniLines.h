#pragma once
// The line logic of the INI editor: finding a section and a key in a file read line by
// line, and rewriting one key line in place. Works on any LineFile.
#include <cstddef>
#include <string>

#include "system/LineReading.h"

namespace kaze {

constexpr size_t kIniLineBufferSize = 512;   // at most 511 bytes of a line are matched
constexpr size_t kIniNameMax = 255;          // a section header or key name
constexpr size_t kIniKeyLineMax = 1023;      // a written "key = value" line
constexpr size_t kIniCopyBlock = 8192;

// "[section]", or false when the section is empty, holds a line end or the header
// would be longer than kIniNameMax bytes.
bool FormatSectionHeader(const char* section, std::string* header);

// "key = value", or false when the key is empty, longer than kIniNameMax, starts with '[',
// holds a space, tab, '=' or line end, or ends in a lone lead byte (the editor could not
// find such a key again), when the value holds a line end, or when the line would exceed
// kIniKeyLineMax bytes.
bool FormatKeyLine(const char* key, const char* value, std::string* line);

// True when the line is exactly the header of the section, ignoring ASCII letter case.
bool IsSectionHeaderLine(const char* line, const char* section);

// The key name of a line: leading spaces and tabs skipped, then everything up to the
// first space, '=' or the end.
std::string KeyNameOf(const char* line);

// True when the line's key name equals key, ignoring ASCII letter case.
bool LineHasKey(const char* line, const char* key);

// Reads from the current position up to the section's header line. Found: the position
// is the start of the line after the header. Not found: the file was read to its end.
bool FindSection(LineFile& file, const char* section);

// Reads the lines of the section that starts at the current position. Found: the
// position is the start of the key's line. Not found: the position is where a new key
// line belongs (after the section's last non-empty line, or the end of the file).
bool FindKey(LineFile& file, const char* key);

// Sets key = value in section of target. copy must hold the same bytes as target (the
// rest of the file behind the edit is taken from it). False when a name is refused or
// any read, write or positioning failed; target may then be partly rewritten.
bool ApplyIniEdit(LineFile& target, LineFile& copy, const char* section, const char* key,
                  const char* value);

}  // namespace kaze
