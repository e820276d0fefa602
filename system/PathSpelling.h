#pragma once
// One spelling for a path typed by the user or named by a disc: a drive letter in upper
// case, backslashes only, no doubled separators, no "." or ".." parts, no trailing dots or
// blanks in a name (Windows drops them). Byte level; the long names of the parts that
// exist come on top of it (CanonicalPath in FileUtils.h).
#include <string>

namespace kaze {

enum class Spelling {
  kOk,
  kNotAbsolute,  // no "X:\" at the start: relative, "C:name", a UNC path
  kInvalid,      // ".." above the root, a character or a device name Windows refuses
  kTooLong,      // over 259 bytes (a folder with its backslash), or a name over 255
};

constexpr size_t kSpelledPathMax = 259;
constexpr size_t kSpelledNameMax = 255;

// The text as "X:\a\b" or, asFolder, as "X:\a\b\" (the root as "X:\"). '\' and '/' both
// separate; a trail byte 0x5C (表, ソ) never does. out is written only on kOk.
Spelling NormalizePathText(const char* text, bool asFolder, std::string* out);

}  // namespace kaze
