// byte-level
#include "config/ValueParsing.h"

#include <climits>
#include <cstring>

#include "system/Dbcs.h"

namespace kaze {
namespace {

// Appends whole characters to a fixed field. Once a character did not fit, the field
// stays as it is (whole characters only) and the writer reports the loss.
class FieldWriter {
 public:
  FieldWriter(char* out, size_t size) : out_(out), size_(size) {
    if (size_ > 0) out_[0] = '\0';
  }
  FieldWriter(const FieldWriter&) = delete;
  FieldWriter& operator=(const FieldWriter&) = delete;

  void Put(const char* c, size_t n) {
    if (lost_) return;
    if (length_ + n + 1 > size_) {
      lost_ = true;
      return;
    }
    std::memcpy(out_ + length_, c, n);
    length_ += n;
    out_[length_] = '\0';
  }
  bool complete() const { return !lost_; }

 private:
  char* out_;
  size_t size_;
  size_t length_ = 0;
  bool lost_ = false;
};

const char* SkipSpaces(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

}  // namespace

std::vector<int> ParseNumberList(const char* text) {
  std::vector<int> numbers;
  if (text == nullptr || *text == '\0') return numbers;
  int current = 0;
  bool separatorPending = true;  // a non-digit here closes a number (0 if none gathered)
  for (const char* p = SkipSpaces(text); *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') {
      int digit = *p - '0';
      current = (current > (INT_MAX - digit) / 10) ? INT_MAX : current * 10 + digit;
      separatorPending = true;
    } else if (separatorPending) {
      numbers.push_back(current);
      current = 0;
      separatorPending = false;
    }
  }
  numbers.push_back(current);
  return numbers;
}

bool SplitPathPair(PathPair& pair, const char* text) {
  FieldWriter source(pair.source, sizeof pair.source);
  FieldWriter target(pair.target, sizeof pair.target);
  if (text == nullptr) return true;
  const char* p = SkipSpaces(text);
  while (*p != '\0' && *p != ' ' && *p != '>') {
    size_t n = CharLength(p, 0);
    source.Put(p, n);
    p += n;
  }
  if (const char* last = FindLastChar(text, '>')) {
    const char* q = last;
    while (*q == '>' || *q == ' ') ++q;
    while (*q != '\0') {
      size_t n = CharLength(q, 0);
      target.Put(q, n);
      q += n;
    }
  }
  return source.complete() && target.complete();
}

bool SplitRegistryValue(char* name, size_t nameSize, char* data, size_t dataSize,
                        const char* text) {
  FieldWriter nameOut(name, nameSize);
  FieldWriter dataOut(data, dataSize);
  if (text == nullptr) return true;
  const char* p = SkipSpaces(text);
  for (; *p != '\0' && *p != '='; p += CharLength(p, 0)) {
    if (*p != '"') nameOut.Put(p, CharLength(p, 0));
  }
  if (*p == '=') {
    for (p = SkipSpaces(p + 1); *p != '\0'; p += CharLength(p, 0)) {
      if (*p != '"') dataOut.Put(p, CharLength(p, 0));
    }
  }
  return nameOut.complete() && dataOut.complete();
}

void CutToWholeCharacters(char* text, size_t capacity) {
  if (capacity == 0) return;
  size_t keep = 0;
  for (size_t i = 0; text[i] != '\0';) {
    size_t n = CharLength(text, i);
    if (i + n > capacity - 1) break;
    i += n;
    keep = i;
  }
  text[keep] = '\0';
}

}  // namespace kaze
