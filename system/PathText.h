#pragma once
// Small path computations over Shift-JIS text (separators found DBCS-safely).
#include <string>

namespace kaze {

// The folder that holds path, with its trailing backslash: C:\a\b\ for C:\a\b\f.txt and
// for C:\a\b\c\. False when there is none (C:\, a bare name, an empty text).
bool ParentFolder(const char* path, std::string* parent);

// The text up to and including the last backslash ("" when there is none).
std::string FolderPart(const char* path);

// True when the path has neither a drive nor a folder part.
bool IsBareFileName(const char* path);

}  // namespace kaze
