#pragma once
// The settings page's folder texts and its one-tick rule, over plain bytes. Folder texts
// are Shift-JIS: a trail byte 0x5C (as in 表) is never taken for a backslash.
#include <cstddef>

namespace kaze {

// The proposed installation folder: the Windows folder's drive root ("C:\"), then path,
// then path2, ending with a backslash. False, with out empty, when the whole folder does
// not fit into capacity bytes with its terminator: a cut folder would be another folder.
bool ComposeDefaultFolder(const char* windowsFolder, const char* path, const char* path2,
                          char* out, size_t capacity);

// A folder the user browsed to, followed by path2 (a backslash between them unless the
// folder ends with one). No trailing backslash is added. False, out empty, when it does
// not fit.
bool ComposeBrowsedFolder(const char* chosen, const char* path2, char* out, size_t capacity);

// The drive and folder of a chosen file, '/' read as '\', with leading and trailing
// backslashes: E:\setup\install.ini gives E:\setup\. False, out empty, when it does not
// fit.
bool FolderOfChosenFile(const char* filePath, char* out, size_t capacity);

// The check boxes of the type list hold exactly one tick. ticked: the rows' current
// ticks; flags: which row holds the tick (in/out). When a second row has been ticked,
// the tick moves to it; otherwise flags stay and the caller restores the ticks from them.
// Returns the row the tick moved to, or -1 when it did not move.
int SettleTicks(const bool* ticked, int* flags, int count);

}  // namespace kaze
