#pragma once
// The command line of Cab(): parsing and file-name patterns. No Windows headers.
#include <string>
#include <vector>

namespace cab32 {

// -x  extract, keeping the folders stored in the archive
// -o  overwrite existing files without asking
// -i  never show a dialog (this library shows none anyway)
// Then, in order: "archive", "destination folder" (with or without the final
// backslash; empty or missing means the current folder) and any number of patterns
// (none means every file).
struct CabCommand {
  bool extract = false;
  bool overwrite = false;
  bool quiet = false;
  std::string archive;
  std::string folder;
  std::vector<std::string> patterns;
};

// True when the line was understood; false for an unknown option, a missing archive, an
// unclosed quote or a command other than -x.
bool ParseCabCommand(const char* line, CabCommand* command);

// Shell-style match: '*' any run of characters, '?' one character (a double-byte
// character counts as one), ASCII letters without regard to case. "*.*" and "*" match
// every name. A pattern without a backslash is matched against the name's last component.
bool MatchesPattern(const char* pattern, const char* name);

}  // namespace cab32
