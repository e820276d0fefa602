#include <gtest/gtest.h>

#include <string>

#include "archive/Utf8Decode.h"

namespace kaze {
namespace {

// Each row: what a decoder gets wrong when the row fails, the bytes (sizeof keeps an
// embedded NUL), and the code units or the fault expected.
struct Row {
  const char* catches;
  std::string bytes;
  std::u16string units;
  Utf8Fault fault;
};

TEST(Utf8Decode, DecodesWellFormedTextAndNamesTheFirstFault) {
  using F = Utf8Fault;
  const Row rows[] = {
      // Well-formed: each length, the edges of each range, names with 0x5C trail bytes.
      {"loses plain ASCII", "data\\a.txt", u"data\\a.txt", F::kNone},
      {"refuses the empty name it is given", "", u"", F::kNone},
      {"misreads the smallest two-byte form", "\xC2\x80", u"\u0080", F::kNone},
      {"misreads the largest two-byte form", "\xDF\xBF", u"\u07FF", F::kNone},
      {"takes E0's lowest second byte as overlong", "\xE0\xA0\x80", u"\u0800", F::kNone},
      {"takes the last code point before the surrogates for one", "\xED\x9F\xBF", u"\uD7FF",
       F::kNone},
      {"takes the first code point after the surrogates for one", "\xEE\x80\x80", u"\uE000",
       F::kNone},
      {"misreads U+FFFF", "\xEF\xBF\xBF", u"\uFFFF", F::kNone},
      {"Japanese with trail bytes 0x5C in Shift-JIS (表示, ソフト) goes wrong",
       "\xE8\xA1\xA8\xE7\xA4\xBA\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.txt",
       u"\u8868\u793A\\\u30BD\u30D5\u30C8.txt", F::kNone},
      {"splits U+10000 wrongly into a pair", "\xF0\x90\x80\x80", u"\xD800\xDC00", F::kNone},
      {"splits an emoji wrongly into a pair", "a\xF0\x9F\x98\x80.txt", u"a\xD83D\xDE00.txt",
       F::kNone},
      {"takes U+10FFFF as too large", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", F::kNone},
      // Bytes no well-formed text holds.
      {"lets a lone continuation byte begin a character", "\x80.txt", u"", F::kStrayContinuation},
      {"lets a continuation byte follow a whole character", "\xC3\xA9\xA9", u"",
       F::kStrayContinuation},
      {"lets C0 80 through as a hidden NUL", "a\xC0\x80", u"", F::kBadByte},
      {"lets C1 begin an overlong form", "\xC1\xBF", u"", F::kBadByte},
      {"lets F5 begin a code point past U+10FFFF", "\xF5\x80\x80\x80", u"", F::kBadByte},
      {"takes FF for a lead byte", "\xFF", u"", F::kBadByte},
      // Sequences cut short.
      {"reads past the end after a two-byte lead", "a\xC3", u"", F::kTruncated},
      {"reads past the end inside a three-byte form", "\xE8\xA1", u"", F::kTruncated},
      {"reads past the end inside a four-byte form", "\xF0\x9F\x98", u"", F::kTruncated},
      {"swallows ASCII as a continuation", "\xE8\xA1.txt", u"", F::kTruncated},
      {"swallows a backslash as a continuation", "\xE8\\a", u"", F::kTruncated},
      // Longer forms than needed: '/' and '.' would pass the name checks in disguise.
      {"lets an overlong '/' through", "a\xE0\x80\xAF", u"", F::kOverlong},
      {"lets an overlong U+07FF through", "\xE0\x9F\xBF", u"", F::kOverlong},
      {"lets a four-byte '.' through", "\xF0\x80\x80\xAE", u"", F::kOverlong},
      {"lets a four-byte U+FFFF through", "\xF0\x8F\xBF\xBF", u"", F::kOverlong},
      // Surrogates and the end of Unicode.
      {"lets an encoded high surrogate through", "\xED\xA0\x80", u"", F::kSurrogate},
      {"lets an encoded low surrogate through", "\xED\xBF\xBF", u"", F::kSurrogate},
      {"lets a pair encoded half by half (CESU-8) through", "\xED\xA0\xBD\xED\xB8\x80", u"",
       F::kSurrogate},
      {"lets U+110000 through", "\xF4\x90\x80\x80", u"", F::kTooLarge},
      {"lets F4 BF BF BF through", "\xF4\xBF\xBF\xBF", u"", F::kTooLarge},
      // A NUL inside would cut the name into another one.
      {"lets an embedded NUL cut the name", std::string("a\0b.txt", 7), u"", F::kNul},
      {"lets a lone NUL through", std::string(1, '\0'), u"", F::kNul},
  };
  for (const Row& row : rows) {
    std::u16string out = u"left over";
    EXPECT_EQ(DecodeUtf8(row.bytes.data(), row.bytes.size(), &out), row.fault) << row.catches;
    EXPECT_EQ(out, row.units) << row.catches;
  }
}

}  // namespace
}  // namespace kaze
