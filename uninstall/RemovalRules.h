#pragma once
// Which records of an uninstall log may be acted on. The log lies in a folder the user
// chose (on Windows 9x anyone can write there), so every record is checked against the
// places of its own installation before anything is removed, and what the removal could
// not do is told in words.
#include <cstddef>
#include <string>
#include <vector>

namespace kaze {

// The places of one installation. Folders are absolute ("C:\..."), each with its trailing
// backslash, in their canonical spelling (CanonicalPath).
struct RemovalScope {
  std::string installFolder;              // the folder that holds the log
  std::vector<std::string> groupFolders;  // the product's program group in the Start menu
  // System folders (the protected folders of InstallFolderRules.h): a folder record that
  // is one of them or one of their parents is never removed, even when empty, and a place
  // that is one of them or a parent of one is no place of the installation.
  std::vector<std::string> keptFolders;
  // Nothing inside it is an installation folder (the program group may lie there: 9x keeps
  // the Start menu in it).
  std::string windowsFolder;
};

// True when path is base or lies below it, compared as Windows compares names (ASCII
// letters in either case, double-byte characters byte for byte) and with the part below
// base checked by IsContainedPath: no "." or ".." parts, no empty parts, no drive, no
// device name. base ends with a backslash. rest (when given) receives the part below base.
bool PathWithin(const char* path, const std::string& base, bool folderAllowed,
                std::string* rest = nullptr);

// True when both texts name the same folder, with or without a trailing backslash.
bool SameFolder(const char* a, const char* b);

// True when the texts name the same file (case-insensitive for ASCII letters).
bool SamePath(const char* a, const char* b);

// Whether one record (LogEntryType and its text) may be acted on. The places are the
// installation folder, unless it is a drive's root, a kept folder or a parent of one, or
// lies inside the Windows folder, and the program group, unless it is a kept folder or a
// parent of one (so an edited log of an installation "in" C:\WINDOWS\ removes nothing):
//   FILE  a file below the installation folder or the program group;
//   DIRA  a folder strictly below one of them (never the folder itself);
//   FOLD  one of them, a folder below one of them, or one of their parents (removed only
//         when empty), but never a drive's root, a kept folder or a parent of one;
//   REGS  a key below "Software\" of HKEY_LOCAL_MACHINE, never "Software" itself, with no
//         empty part. (Whether the key itself is this installation's is asked of the
//         registry when it is removed.)
bool IsRecordWithinScope(const RemovalScope& scope, int type, const char* text);

// The program path of a command line: the text between the first pair of double quotes,
// or up to the first blank when the line does not begin with a quote.
std::string CommandProgram(const char* commandLine);

// What a removal left behind, for the words that tell it.
struct RemovalReport {
  std::vector<std::string> failed;   // could not be removed (a file in use, no access)
  std::vector<std::string> refused;  // records outside the installation: never acted on
  bool damaged = false;              // part of the log could not be read
  bool complete() const { return failed.empty() && refused.empty() && !damaged; }
};

// The message that tells what a removal left behind: the heading, then each list (at
// most kReportListMax lines each, then a count of the rest), then the closing text.
constexpr size_t kReportListMax = 10;
std::string FormatRemovalReport(const std::string& heading, const RemovalReport& report,
                                const std::string& closing);

// How a registry record is shown to the user: "HKEY_LOCAL_MACHINE\" and the key.
std::string RegistryRecordText(const char* key);

}  // namespace kaze
