// byte-level
#include "system/PathText.h"

#include <cstring>

#include "system/Dbcs.h"

namespace kaze {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsForbiddenByte(unsigned char c) {
  return c < 0x20 || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' ||
         c == '?' || c == '*';
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// name[begin, end) is one component. Windows opens a device for these names, whatever
// extension follows and whatever folder they are in.
bool IsDeviceName(const char* name, size_t begin, size_t end) {
  size_t stop = begin;
  while (stop < end && name[stop] != '.') ++stop;
  while (stop > begin && name[stop - 1] == ' ') --stop;
  char base[8];
  size_t n = stop - begin;
  if (n < 3 || n > 7) return false;
  for (size_t i = 0; i < n; ++i) base[i] = UpperAscii(name[begin + i]);
  base[n] = '\0';
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (std::strcmp(base, device) == 0) return true;
  }
  return n == 4 && (std::memcmp(base, "COM", 3) == 0 || std::memcmp(base, "LPT", 3) == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

bool IsComponentSafe(const char* name, size_t begin, size_t end) {
  if (begin == end) return false;
  bool onlyDotsAndBlanks = true;
  for (size_t i = begin; i < end; ++i) {
    if (name[i] != '.' && name[i] != ' ') onlyDotsAndBlanks = false;
  }
  return !onlyDotsAndBlanks && !IsDeviceName(name, begin, end);
}

// Character length within a bounded name: a lead byte as the last byte stands alone.
size_t CharLengthIn(const char* name, size_t i, size_t length) {
  return (IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < length) ? 2 : 1;
}

}  // namespace

bool IsContainedPath(const char* name, size_t length, bool folderAllowed) {
  if (name == nullptr) return false;
  if (folderAllowed) {
    if (length == 0) return true;
    // One separator may end a folder's path; the component before it is checked.
    size_t last = 0;
    for (size_t i = 0; i < length; i += CharLengthIn(name, i, length)) last = i;
    if (IsSeparator(name[last])) --length;
    if (length == 0) return false;  // a lone separator is the drive's root
  }
  if (length == 0) return false;
  size_t componentStart = 0;
  for (size_t i = 0; i < length;) {
    size_t n = CharLengthIn(name, i, length);
    if (n == 1) {
      if (name[i] == '\0') return false;
      if (IsSeparator(name[i])) {
        if (!IsComponentSafe(name, componentStart, i)) return false;
        componentStart = i + 1;
      } else if (IsForbiddenByte(static_cast<unsigned char>(name[i]))) {
        return false;
      }
    } else if (name[i + 1] == '\0') {
      return false;
    }
    i += n;
  }
  return IsComponentSafe(name, componentStart, length);
}

bool JoinWithin(const char* first, const char* second, size_t maxLength, std::string* out) {
  size_t a = std::strlen(first);
  size_t b = std::strlen(second);
  if (a + b > maxLength) return false;
  out->assign(first, a);
  out->append(second, b);
  return true;
}


bool ParentFolder(const char* path, std::string* parent) {
  std::string text(path);
  if (EndsWithBackslash(text.c_str())) text.pop_back();
  const char* last = FindLastChar(text.c_str(), '\\');
  if (last == nullptr) return false;
  *parent = text.substr(0, static_cast<size_t>(last - text.c_str()) + 1);
  return true;
}

std::string AsFolder(const char* text) {
  std::string folder(text);
  if (!folder.empty() && !EndsWithBackslash(folder.c_str())) folder += '\\';
  return folder;
}

bool FolderFromValue(const char* data, size_t size, std::string* folder) {
  const void* end = std::memchr(data, '\0', size);
  size_t length = end == nullptr ? size : static_cast<size_t>(static_cast<const char*>(end) - data);
  if (length == 0) return false;
  std::string text = AsFolder(std::string(data, length).c_str());
  if (text.size() > 259) return false;
  *folder = text;
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
