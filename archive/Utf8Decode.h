#pragma once
// UTF-8 to UTF-16 of our own, for cabinet names flagged as UTF-8: Windows 95 has no UTF-8
// conversion, and NT 4.0 and 2000 before SP4 refuse the flag that makes theirs strict.
// No Windows headers.
#include <cstddef>
#include <string>

namespace kaze {

// Why a text is not well-formed UTF-8. A decoder that let any of these through would let
// one name pass as another (an overlong '/' or '.', a NUL that cuts the name short).
enum class Utf8Fault {
  kNone,
  kBadByte,            // C0, C1, F5-FF: no well-formed text holds them
  kStrayContinuation,  // 80-BF where a character must begin
  kTruncated,          // a sequence cut short, by the end or by a byte that goes on no sequence
  kOverlong,           // a longer form than the code point needs
  kSurrogate,          // U+D800-U+DFFF, which UTF-8 must not encode
  kTooLarge,           // above U+10FFFF
  kNul,                // U+0000: the name goes on as a C string, which it would cut short
};

// Decodes length bytes into UTF-16 code units (a surrogate pair for a code point above
// U+FFFF). Returns kNone, or the first fault met; out is then empty.
Utf8Fault DecodeUtf8(const char* bytes, size_t length, std::u16string* out);

}  // namespace kaze
