#pragma once
// The application: start-up checks, then one modal run of the wizard.
#include <windows.h>

namespace kaze {

class InstallerApp {
 public:
  explicit InstallerApp(HINSTANCE instance) : instance_(instance) {}
  // Always false: the program ends when it returns.
  bool InitInstance();

 private:
  HINSTANCE instance_;
};

extern const char kNoCdRomMessage[];

}  // namespace kaze
