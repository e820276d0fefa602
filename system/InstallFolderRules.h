#pragma once
// Which folders may never be an installation folder: a drive's root, the system's own
// folders (Windows, System, Program Files, the profiles, the desktop, documents,
// application data, the Start menu and its Programs and Startup folders, the temporary
// folder) and every parent of one of them, and anything inside the Windows folder. The
// same list keeps the removal and the put-back of a run away from those folders.
#include <string>
#include <vector>

#include "system/PathSpelling.h"

namespace kaze {

struct ProtectedFolders {
  std::string windowsFolder;         // "X:\...\"; nothing inside it is an installation's
  std::vector<std::string> folders;  // "X:\...\"; neither these nor their parents
};

enum class FolderProtection {
  kAllowed,
  kNotAbsolute,    // no "X:\name\" text
  kDriveRoot,      // "X:\"
  kSystemFolder,   // one of the folders, or a parent of one
  kInsideWindows,  // below the Windows folder
};

// True when folder is base or lies below it. Both end with a backslash; ASCII letters
// compare in either case, double-byte characters byte for byte (表 is never a separator).
bool IsFolderOrBelow(const char* folder, const char* base);

// What keeps folder (canonical, as NormalizePathText gives it, ending with a backslash)
// from being an installation folder, given the machine's protected folders (canonical
// too: long names).
FolderProtection ProtectionOf(const char* folder, const ProtectedFolders& protectedFolders);
FolderProtection ProtectionOf(const char* folder, const std::string& windowsFolder,
                              const std::vector<std::string>& folders);

// The refusal to show on the settings step for a protection other than kAllowed, and for a
// spelling other than kOk (nullptr for those two).
const char* RefusalForProtection(FolderProtection protection);
const char* RefusalForSpelling(Spelling spelling);

// The machine's protected folders, asked of Windows, each in its long names and with its
// backslash; folders the system does not know are left out. (Windows code.)
ProtectedFolders SystemProtectedFolders();

// ProtectionOf(folder, SystemProtectedFolders()). (Windows code.)
FolderProtection InstallFolderProtection(const char* folder);

}  // namespace kaze
