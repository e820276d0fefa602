#pragma once
// Step 4: the page that runs the installation. For now it shows its template; the frame
// keeps Next disabled on this step.
#include "pages/WizardPage.h"

namespace kaze {

class InstallProgressPage : public WizardPage {
 public:
  explicit InstallProgressPage(HINSTANCE instance);
};

}  // namespace kaze
