#pragma once
// Small path computations over Shift-JIS text (separators found DBCS-safely).
#include <cstddef>
#include <string>

namespace kaze {

// The folder that holds path, with its trailing backslash: C:\a\b\ for C:\a\b\f.txt and
// for C:\a\b\c\. False when there is none (C:\, a bare name, an empty text).
bool ParentFolder(const char* path, std::string* parent);

// The text up to and including the last backslash ("" when there is none).
std::string FolderPart(const char* path);

// The text with a trailing backslash (a trail byte 0x5C is not one); "" stays "".
std::string AsFolder(const char* text);

// The folder a REG_SZ value names, as RegQueryValueExA gave it (size bytes, the
// terminator counted when there is one; the text ends at the first zero), with its trailing
// backslash. False, folder untouched, for an empty text or a folder over 259 bytes: a cut
// one would name another folder.
bool FolderFromValue(const char* data, size_t size, std::string* folder);

// True when the path has neither a drive nor a folder part.
bool IsBareFileName(const char* path);

// True when text (length bytes, no terminator needed) names a place below the folder it
// is joined to, whatever the disc or the archive says: relative (no drive, no colon, no
// leading separator), no component made only of dots and blanks (".."), no empty
// component, no character Windows forbids in names, no device name (CON, NUL, COM1 ...).
// '\' and '/' both separate; double-byte characters are stepped over, so 表 or ソ never
// end a component. With folderAllowed, an empty text (the folder itself) and one final
// separator (a folder below) are accepted too.
bool IsContainedPath(const char* text, size_t length, bool folderAllowed);

// The rules for what install.ini names. Each value becomes one thing of the machine's
// (a folder, a shortcut, a key) that must mean only what it says wherever it is joined.

// The longest name of a file, a folder or a registry key, in bytes.
constexpr size_t kNameMaxBytes = 255;

// True when text (length bytes) is one name of a file or folder: 1 to maxBytes bytes, no
// separator ('\' or '/'), no drive or ':', no character Windows forbids in names, not
// made only of dots and blanks, no device name, not ending with a dot or a blank (Windows
// drops them, so the name would be a second spelling of another), not ending with half a
// double-byte character.
bool IsSingleName(const char* text, size_t length, size_t maxBytes = kNameMaxBytes);

// True when text is a relative folder below the one it is joined to, each of its
// components a single name as above: no drive, no leading separator, no "..", no doubled
// separator. Empty (the folder itself) and one final separator are accepted.
bool IsContainedFolderPath(const char* text, size_t length);

// Every single-byte '/' of text becomes '\'; trail bytes are left as they are.
void UseBackslashes(char* text);

// True when key (below HKEY_LOCAL_MACHINE) lies below Software\ and names a key of its
// own there: "Software\" (any case) and at least one more name, no empty name (no
// doubled or final '\'), no '/', no control character, no name made only of dots and
// blanks or over 255 bytes, and not one of the keys Windows or other programs keep
// below Software (Microsoft, Classes, Policies ...), nor any key below them.
bool IsOwnSoftwareKey(const char* key, size_t length);

// first + second into out when the result has at most maxLength bytes; false otherwise,
// with out untouched: a cut path would name another file.
bool JoinWithin(const char* first, const char* second, size_t maxLength, std::string* out);

}  // namespace kaze
