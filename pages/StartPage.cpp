#include "pages/StartPage.h"

#include <cstdio>

#include "config/ValueParsing.h"
#include "resources/resource.h"

namespace kaze {

void FormatControlText(HWND dialog, int id, const char* argument) {
  char format[260] = "";
  GetDlgItemTextA(dialog, id, format, sizeof format);
  char text[260];
  std::snprintf(text, sizeof text, format, argument);
  CutToWholeCharacters(text, sizeof text);
  SetDlgItemTextA(dialog, id, text);
}

StartPage::StartPage(HINSTANCE instance) : WizardPage(instance, IDD_START_PAGE) {}

BOOL StartPage::OnInitDialog() {
  // Formatted once: the formats are gone after this.
  FormatControlText(window(), IDC_START_HEADING, context()->productIdentity->title);
  FormatControlText(window(), IDC_START_DISC_NAME, context()->productIdentity->firstDiscName);
  return TRUE;
}

}  // namespace kaze
