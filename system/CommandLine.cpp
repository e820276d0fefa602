// byte-level
#include "system/CommandLine.h"

namespace kaze {

std::vector<std::string> SplitCommandLine(const char* line) {
  std::vector<std::string> args;
  if (line == nullptr) return args;
  const char* p = line;
  while (*p != '\0') {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') break;
    std::string arg;
    bool quoted = false;
    for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') {
        quoted = !quoted;
      } else {
        arg += *p;
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace kaze
