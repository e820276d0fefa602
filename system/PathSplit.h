#pragma once
// Splitting of Shift-JIS paths into drive, folder, name and extension. Unlike a byte-wise
// _splitpath, a trail byte 0x5C or 0x2F (as in 表 or ソ) is never taken for a separator.
#include <string>

namespace kaze {

struct SplitPathResult {
  std::string drive;      // "C:" or empty
  std::string folder;     // up to and including the last separator, or empty
  std::string name;       // the last element without its extension
  std::string extension;  // from the last dot of the last element, or empty
};

// _splitpath semantics over Shift-JIS text.
SplitPathResult SplitPath(const char* path);

// The characters a validated path may not hold after its drive: a separator ('\' or '/')
// directly followed by another one, or any of ? " ; : , < > ! * |. Double-byte characters
// are stepped over, so 表 or ポ (trail bytes 0x5C, 0x7C) are allowed.
bool HasForbiddenPathText(const char* path);

}  // namespace kaze
