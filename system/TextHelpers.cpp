// byte-level
#include "system/TextHelpers.h"

#include <cstring>
#include <vector>

#include "system/Dbcs.h"

namespace kaze {

void LowerCaseAscii(char* text) {
  if (text == nullptr) return;
  for (size_t i = 0; text[i] != '\0';) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && text[i + 1] != '\0') {
      i += 2;
      continue;
    }
    if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c - 'A' + 'a');
    ++i;
  }
}

void ExpandEscapes(char* text, size_t capacity) {
  if (text == nullptr || capacity == 0) return;
  // Work from a copy so that the output never reads what it has just written.
  size_t len = strnlen(text, capacity - 1);
  std::vector<char> copy(text, text + len);
  copy.push_back('\0');
  size_t out = 0;
  for (size_t i = 0; copy[i] != '\0';) {
    unsigned char c = static_cast<unsigned char>(copy[i]);
    if (IsLeadByte(c) && copy[i + 1] != '\0') {
      text[out++] = copy[i];
      text[out++] = copy[i + 1];
      i += 2;
      continue;
    }
    if (c != '\\') {
      text[out++] = copy[i++];
      continue;
    }
    char next = copy[i + 1];
    if (next == 'n') {
      text[out++] = '\r';
      text[out++] = '\n';
      i += 2;
    } else if (next == '\\') {
      text[out++] = '\\';
      i += 2;
    } else if (next == '0') {
      break;
    } else {
      ++i;  // a lone backslash is dropped; the next character is handled normally
    }
  }
  text[out] = '\0';
}

}  // namespace kaze
