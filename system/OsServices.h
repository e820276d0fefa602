#pragma once
// Questions to Windows about the system and the user: platform, administrator rights,
// user name, Windows folder, Start-menu folders and the installed DirectX version.
// All stateless.
#include <windows.h>

namespace kaze {

// Administrator levels, the same numbers as the account privilege levels.
enum AdminLevel { kLevelGuest = 0, kLevelUser = 1, kLevelAdministrator = 2 };

// True on the NT platform; minorIsOne (if given) then tells whether the minor version
// is 1 (XP, 7). On other platforms minorIsOne is left as it is.
BOOL IsNtPlatform(BOOL* minorIsOne = nullptr);

// True for an administrator. Non-NT systems, and NT systems without the network API
// library, count as administrator (level 2). On NT the local account lookup decides; an
// account it does not know (one of a domain) is decided by the process token's
// Administrators group (level 2, or 1 when the group is missing, disabled or deny-only).
// Any other failed lookup counts as not administrator (level 2 kept). See AdminDecision.h.
BOOL IsAdministrator(int* level = nullptr);

// GetUserNameA. (windows.h maps the name to GetUserNameA; so does every caller.)
BOOL GetUserName(char* buffer, DWORD* size);

// GetWindowsDirectoryA into a 260-byte buffer; the length it reports.
UINT GetWindowsFolder(char* buffer);

// The Programs folder of the Start menu and the desktop folder (all users on NT, the
// user's own otherwise) into a 260-byte buffer, ending with a backslash. False (buffer
// empty) when the buffer is null, the shell knows no such folder, or the path with its
// backslash would not fit.
BOOL GetProgramsFolder(char* buffer);
// Any folder of the shell by its CSIDL number, on the same terms.
BOOL GetShellFolder(int folderId, char* buffer);
BOOL GetDesktopFolder(char* buffer);

// The Program Files folder, ending with a backslash, into a 260-byte buffer: the shell's
// CSIDL_PROGRAM_FILES (shell32 5.0 and later), else ProgramFilesDir, where 95, 98 and
// NT 4.0 keep it. shellFolder asks the shell (tests give one that refuses). False (buffer
// empty) when neither names a folder that fits.
BOOL GetProgramFilesFolder(char* buffer, BOOL (*shellFolder)(int, char*) = &GetShellFolder);
// The registry half alone: the REG_SZ value ProgramFilesDir of
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion, refused (not cut) when
// the folder with its backslash would exceed 259 bytes.
BOOL ReadProgramFilesDir(char* buffer);

// DirectXSetupGetVersion of the given library; 0 when the library or the function is
// missing (version and revision untouched then).
int GetDirectXVersion(const char* libraryPath, DWORD* version, DWORD* revision);

}  // namespace kaze
