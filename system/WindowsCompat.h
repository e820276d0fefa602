#pragma once
// Calls that not every Windows the game is sold for has (95, 98, Me, NT 4.0 and later).
// Each looks the function up at run time and falls back to what the older system offers,
// so that the program's import table names nothing those systems lack.
#include <windows.h>

namespace kaze {

// GetFileAttributesExA (98, NT 4.0 and later); FindFirstFileA on Windows 95. A path with
// wildcards is refused: the fallback would report some other file.
bool GetFileAttributeData(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data);

// The Windows 95 way of the same, by FindFirstFileA (a drive's root: attributes only).
bool FindFileAttributeData(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data);

// InitCommonControlsEx for the given classes (common controls 4.70, from Internet
// Explorer 3 on); InitCommonControls, which registers every class, where it is missing.
void InitCommonControlsFor(DWORD classes);

// Deletes a file at the next start of Windows: MoveFileExA on NT; on Windows 9x, where
// that function does nothing, a "NUL=<short path>" line in the [rename] section of
// WININIT.INI in the Windows folder, added beside the lines already there. Refused there,
// the file left as it is, when the system would read or write WININIT.INI or the section
// cut short (over 64 KB, over 32,767 bytes).
bool DeleteFileAtRestart(const char* path);

}  // namespace kaze
