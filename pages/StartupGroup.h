#pragma once
// Whether install.ini's program group would be a Startup folder of the machine: whatever
// lies there starts with every start of Windows, and the uninstaller would take the whole
// folder for the product's group.
#include <windows.h>

namespace kaze {

// The key ("CORPNAME" or "APPNAME") whose level of the group Programs\CORPNAME\APPNAME\
// (CORPNAME left out when empty, as registration makes it) is the user's or the common
// Startup folder as the shell names them, or lies inside one; nullptr when neither does.
// A level that exists is compared by its long name, so a short alias (STARTU~1) is seen
// too. Names that are not single names are the loader's to refuse: nullptr for them.
const char* StartupGroupKey(const char* corpName, const char* appName);

}  // namespace kaze
