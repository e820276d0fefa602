// byte-level
#include "system/PathText.h"

#include <cstring>

#include "system/Dbcs.h"

namespace kaze {

bool ParentFolder(const char* path, std::string* parent) {
  std::string text(path);
  if (EndsWithBackslash(text.c_str())) text.pop_back();
  const char* last = FindLastChar(text.c_str(), '\\');
  if (last == nullptr) return false;
  *parent = text.substr(0, static_cast<size_t>(last - text.c_str()) + 1);
  return true;
}

std::string FolderPart(const char* path) {
  const char* last = FindLastChar(path, '\\');
  return last == nullptr ? std::string() : std::string(path, last + 1);
}

bool IsBareFileName(const char* path) {
  return FindChar(path, '\\') == nullptr && FindChar(path, '/') == nullptr &&
         FindChar(path, ':') == nullptr;
}

}  // namespace kaze
