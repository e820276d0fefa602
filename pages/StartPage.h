#pragma once
// Step 1: names the game and the disc to insert.
#include "pages/WizardPage.h"

namespace kaze {

class StartPage : public WizardPage {
 public:
  explicit StartPage(HINSTANCE instance);

 protected:
  BOOL OnInitDialog() override;
};

// Formats a control's own text with one argument: the template texts are the formats.
// The result is cut to whole characters within 259 bytes.
void FormatControlText(HWND dialog, int id, const char* argument);

}  // namespace kaze
