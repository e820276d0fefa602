// byte-level
#include "cab32/CabCommand.h"

#include <cstring>

#include "system/Dbcs.h"

namespace cab32 {

using kaze::CharLength;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Next token of the line; quotes group blanks and are dropped. False at the end of the
// line; *bad set for an unclosed quote.
bool NextToken(const char* line, size_t* pos, std::string* token, bool* quoted, bool* bad) {
  size_t i = *pos;
  while (line[i] != '\0' && IsBlank(line[i])) ++i;
  if (line[i] == '\0') {
    *pos = i;
    return false;
  }
  token->clear();
  *quoted = false;
  bool inQuote = false;
  while (line[i] != '\0' && (inQuote || !IsBlank(line[i]))) {
    size_t n = CharLength(line, i);
    if (n == 1 && line[i] == '"') {
      inQuote = !inQuote;
      *quoted = true;
    } else {
      token->append(line + i, n);
    }
    i += n;
  }
  if (inQuote) *bad = true;
  *pos = i;
  return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool MatchFrom(const char* p, const char* s) {
  while (*p != '\0') {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (*p == '\0') return true;
      for (size_t i = 0;; i += CharLength(s, i)) {
        if (MatchFrom(p, s + i)) return true;
        if (s[i] == '\0') return false;
      }
    }
    if (*s == '\0') return false;
    size_t pn = CharLength(p, 0);
    size_t sn = CharLength(s, 0);
    if (*p == '?' && pn == 1) {
      p += 1;
      s += sn;
      continue;
    }
    if (pn != sn) return false;
    if (pn == 1 ? LowerAscii(*p) != LowerAscii(*s) : std::memcmp(p, s, 2) != 0) return false;
    p += pn;
    s += sn;
  }
  return *s == '\0';
}

}  // namespace

bool ParseCabCommand(const char* line, CabCommand* command) {
  *command = CabCommand();
  if (line == nullptr) return false;
  size_t pos = 0;
  std::string token;
  bool quoted = false;
  bool bad = false;
  int positional = 0;
  while (NextToken(line, &pos, &token, &quoted, &bad)) {
    if (!quoted && token.size() > 1 && token[0] == '-') {
      for (size_t k = 1; k < token.size(); ++k) {
        switch (token[k]) {
          case 'x': command->extract = true; break;
          case 'o': command->overwrite = true; break;
          case 'i': command->quiet = true; break;
          default: return false;
        }
      }
      continue;
    }
    if (positional == 0) {
      command->archive = token;
    } else if (positional == 1) {
      command->folder = token;
    } else {
      command->patterns.push_back(token);
    }
    ++positional;
  }
  return !bad && command->extract && !command->archive.empty();
}

bool MatchesPattern(const char* pattern, const char* name) {
  if (std::strcmp(pattern, "*.*") == 0 || std::strcmp(pattern, "*") == 0) return true;
  if (kaze::FindChar(pattern, '\\') == nullptr) {
    const char* last = kaze::FindLastChar(name, '\\');
    if (last != nullptr) name = last + 1;
  }
  return MatchFrom(pattern, name);
}

}  // namespace cab32
