#pragma once
// The keys below a product's own key: the game keeps its settings there, and they go
// with the product unless another installation's key lies among them.
#include <windows.h>

namespace kaze {

enum class SubkeyState {
  kNone,               // no keys below
  kSettingsOnly,       // keys below, none of them marked as an installation
  kHoldsInstallation,  // a key below carries an "install" value: another product's
  kTooDeep,            // deeper or larger than any settings a game keeps
  kUnreadable,         // a key below could not be opened or listed
};

// Looks at every key below key (relative to root) without changing anything.
SubkeyState InspectSubkeys(HKEY root, const char* key);

// Deletes the keys below key, deepest first (RegDeleteKey on NT deletes only a key with
// no keys below it), then key itself. False when a key could not be deleted; what was
// deleted stays deleted.
bool DeleteKeyTree(HKEY root, const char* key);

}  // namespace kaze
