#include "engine/InstallProgressPage.h"

#include "resources/resource.h"

namespace kaze {

InstallProgressPage::InstallProgressPage(HINSTANCE instance)
    : WizardPage(instance, IDD_PROGRESS_PAGE) {}

}  // namespace kaze
