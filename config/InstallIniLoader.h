#pragma once
// Turns install.ini into the description that hangs from the install context.
#include <string>
#include <vector>

#include "app/InstallContext.h"
#include "config/InstallDescription.h"
#include "system/ProfileSection.h"

namespace kaze {

// Loads the file at path into the context (an earlier description is released first).
// Always returns true: a missing file leaves every text empty and every number 0. A
// value too long for its field is stored cut, and the first such key is named in
// context.overlongValue ("SECTION/KEY") so that the caller can refuse the file; so is
// the first value that would lead out of its folder or is not a proper name or key of
// the product's own (context.uncontainedValue). Counts
// read from the file are never negative and never exceed the number of lines of the
// section that holds the counted keys. On Windows 9x, whose profile functions read a file
// or a section beyond their limits cut short, such a part is named in
// context.overlargePart.
bool InstallIniLoader(const char* path, InstallContext& context);

// The same, and every value refused as context.uncontainedValue's would be (a path that
// leads out, a name that is not one name, a registry key not the product's own), as
// "SECTION/KEY" in the order read, each once.
bool InstallIniLoader(const char* path, InstallContext& context,
                      std::vector<std::string>* refused);

// What Windows 9x's profile functions would read cut short of the install.ini at path:
// the file, and the sections the loader reads of a description with diskCount discs. A
// missing file has nothing cut; false when an existing one cannot be read.
bool FindInstallIniCut9x(const char* path, int diskCount, ProfileCut9x* cut);

// The first group with this id over all discs in order, or nullptr.
FileGroup* FindFileGroup(int id, InstallContext& context);

}  // namespace kaze
