#pragma once
// Turns install.ini into the description that hangs from the install context.
#include "app/InstallContext.h"
#include "config/InstallDescription.h"

namespace kaze {

// Loads the file at path into the context (an earlier description is released first).
// Always returns true: a missing file leaves every text empty and every number 0. A
// value too long for its field is stored cut, and the first such key is named in
// context.overlongValue ("SECTION/KEY") so that the caller can refuse the file. Counts
// read from the file are never negative and never exceed the number of lines of the
// section that holds the counted keys.
bool InstallIniLoader(const char* path, InstallContext& context);

// The first group with this id over all discs in order, or nullptr.
FileGroup* FindFileGroup(int id, InstallContext& context);

}  // namespace kaze
