// byte-level
#include "archive/Utf8Decode.h"

#include <cstdint>

namespace kaze {

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// What a lead byte begins: the sequence's length, the range its second byte must lie in
// (narrower than 80-BF where the shorter forms, the surrogates or the end of Unicode lie
// beyond it), and the fault of a second byte below or above that range.
struct Lead {
  size_t length;
  unsigned char low, high;
  Utf8Fault below, above;
};

Utf8Fault ReadLead(unsigned char b, Lead* lead) {
  const Utf8Fault none = Utf8Fault::kNone;
  if (b == 0x00) return Utf8Fault::kNul;
  if (b < 0x80) {
    *lead = {1, 0, 0, none, none};
  } else if (b < 0xC0) {
    return Utf8Fault::kStrayContinuation;
  } else if (b < 0xC2) {
    return Utf8Fault::kBadByte;  // could only begin an overlong two-byte form
  } else if (b < 0xE0) {
    *lead = {2, 0x80, 0xBF, none, none};
  } else if (b == 0xE0) {
    *lead = {3, 0xA0, 0xBF, Utf8Fault::kOverlong, none};
  } else if (b == 0xED) {
    *lead = {3, 0x80, 0x9F, none, Utf8Fault::kSurrogate};
  } else if (b < 0xF0) {
    *lead = {3, 0x80, 0xBF, none, none};
  } else if (b == 0xF0) {
    *lead = {4, 0x90, 0xBF, Utf8Fault::kOverlong, none};
  } else if (b < 0xF4) {
    *lead = {4, 0x80, 0xBF, none, none};
  } else if (b == 0xF4) {
    *lead = {4, 0x80, 0x8F, none, Utf8Fault::kTooLarge};
  } else {
    return Utf8Fault::kBadByte;  // F5-FF would pass U+10FFFF or are no lead at all
  }
  return none;
}

}  // namespace

Utf8Fault DecodeUtf8(const char* bytes, size_t length, std::u16string* out) {
  out->clear();
  const unsigned char* text = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < length;) {
    Lead lead;
    Utf8Fault fault = ReadLead(text[i], &lead);
    if (fault == Utf8Fault::kNone && lead.length > 1) {
      if (i + 1 >= length || !IsContinuation(text[i + 1])) {
        fault = Utf8Fault::kTruncated;
      } else if (text[i + 1] < lead.low) {
        fault = lead.below;
      } else if (text[i + 1] > lead.high) {
        fault = lead.above;
      }
      for (size_t k = 2; fault == Utf8Fault::kNone && k < lead.length; ++k) {
        if (i + k >= length || !IsContinuation(text[i + k])) fault = Utf8Fault::kTruncated;
      }
    }
    if (fault != Utf8Fault::kNone) {
      out->clear();
      return fault;
    }
    // The lead's own bits, then six from each continuation byte.
    static const unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    uint32_t code = text[i] & kLeadBits[lead.length];
    for (size_t k = 1; k < lead.length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
    if (code < 0x10000) {
      out->push_back(static_cast<char16_t>(code));
    } else {
      code -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
    i += lead.length;
  }
  return Utf8Fault::kNone;
}

}  // namespace kaze
