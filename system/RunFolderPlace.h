#pragma once
// Where a run keeps what the installer loads and trusts (its staged copy, cab32.dll, the
// journal, the temporary log), and who may change it there.
#include <windows.h>

#include <string>

namespace kaze {

// True on Windows Vista and later, where the installer runs elevated beside the same
// user's unelevated programs, which share the user's temporary folder with it.
bool HasSeparateElevation();

// The folder (with its backslash) in which a run makes its own folder. On Vista and later
// the Windows folder's Temp: users may make folders there but may not rename, fill or
// replace a folder the installer made, as they may in their own temporary folder. Elsewhere
// (Windows 9x, NT 4.0 to XP) the user's temporary folder. "" when there is none.
std::string RunFolderParent();

// The security a run's folder gets when it is made: on Vista and later administrators and
// the system only, nothing inherited from the parent; elsewhere the parent's (null).
class RunFolderAccess {
 public:
  RunFolderAccess();
  ~RunFolderAccess();
  RunFolderAccess(const RunFolderAccess&) = delete;
  RunFolderAccess& operator=(const RunFolderAccess&) = delete;

  // False when the security was needed and could not be built: make no folder then.
  bool ready() const { return !needed_ || descriptor_ != nullptr; }
  SECURITY_ATTRIBUTES* get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

 private:
  bool needed_ = false;
  void* descriptor_ = nullptr;  // LocalAlloc'd by the system
  SECURITY_ATTRIBUTES attributes_ = {};
};

}  // namespace kaze
