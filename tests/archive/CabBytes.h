#pragma once
// Little-endian fields for the tests' own cabinets. Plain bytes, no Windows headers.
#include <string>

namespace kaze::test {

inline void Put16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void Put32(std::string& s, unsigned v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

}  // namespace kaze::test
