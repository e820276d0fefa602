// byte-level
#include "ui/ProgressGeometry.h"

#include <cstring>

#include "config/ValueParsing.h"

namespace kaze {

int FilledWidth(int position, int minimum, int maximum, int width) {
  if (maximum <= minimum || width <= 0) return 0;
  double span = static_cast<double>(maximum) - minimum;
  double filled = (static_cast<double>(position) - minimum) / span * width;
  // Clamped before the conversion: a position far outside the range would not fit an int.
  if (filled <= 0) return 0;
  if (filled >= width) return width;
  return static_cast<int>(filled);
}

void CopyBarText(char (&buffer)[kBarTextSize], const char* text) {
  if (text == nullptr) {
    buffer[0] = '\0';
    return;
  }
  // One byte more than fits, so that the cut sees whether the last character is whole.
  char staged[kBarTextSize + 1];
  size_t length = strnlen(text, kBarTextSize);
  std::memcpy(staged, text, length);
  staged[length] = '\0';
  CutToWholeCharacters(staged, kBarTextSize);
  std::memcpy(buffer, staged, std::strlen(staged) + 1);
}

}  // namespace kaze
