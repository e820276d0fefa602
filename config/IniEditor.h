#pragma once
// Sets single values of an INI text file in place (CR LF lines, ANSI code page), so that
// every other line of the file stays as it was.
#include <functional>
#include <string>

#include "system/FileUtils.h"

namespace kaze {

// Sets key = value in section of file's target path, through a temporary copy beside it
// ("<target>.tmp"). An existing key line is replaced where it stands; a new key goes after
// the last non-empty line of its section; a missing section is added at the end.
// False when the target is not set or missing, the copy cannot be made, a name is not
// acceptable (see FormatKeyLine) or a write fails; the target then keeps its old content
// (it is put back from the copy, and the copy is left beside it if even that fails).
// beforeCopy (when given) is called with the copy's path just before the copy is made, so
// that the caller can keep a file of that name and record the copy first; false from it
// gives up with nothing changed.
bool WriteIniValue(TextFile& file, const char* section, const char* key, const char* value,
                   const std::function<bool(const std::string&)>& beforeCopy = nullptr);

}  // namespace kaze
