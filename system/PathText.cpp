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

// The keys below Software that belong to Windows or to programs of every vendor: a value
// written into one of them (or any key below) acts for the whole machine, and the key is
// not the product's to remove.
struct SharedKey {
  const char* name;
  const char* why;
};
const SharedKey kSharedSoftwareKeys[] = {
    {"Microsoft", "Windows itself: Run, Winlogon, the uninstall entries, every setting"},
    {"Classes", "file types and COM classes, opened by every program"},
    {"Policies", "policies that bind every user and program"},
    {"Wow6432Node", "the 32-bit view of 64-bit Windows: other programs' keys"},
    {"Clients", "the machine's default mail, browser and media programs"},
    {"RegisteredApplications", "the machine's default-programs list"},
    {"ODBC", "database drivers and data sources shared by all programs"},
    {"Khronos", "OpenGL and Vulkan drivers and layers loaded into other programs"},
    {"KazeInstaller", "this installer's own run marker"},
};

bool EqualsAsciiNoCase(const char* text, size_t length, const char* ascii) {
  size_t n = std::strlen(ascii);
  if (length != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (UpperAscii(text[i]) != UpperAscii(ascii[i])) return false;
  }
  return true;
}

}  // namespace

bool IsSingleName(const char* text, size_t length, size_t maxBytes) {
  if (text == nullptr || length == 0 || length > maxBytes) return false;
  size_t last = 0;
  for (size_t i = 0; i < length;) {
    size_t n = CharLengthIn(text, i, length);
    if (n == 1) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      // A lead byte with nothing after it is half a character.
      if (IsLeadByte(c) || IsSeparator(text[i]) || IsForbiddenByte(c)) return false;
    } else if (text[i + 1] == '\0') {
      return false;
    }
    last = i;
    i += n;
  }
  if (CharLengthIn(text, last, length) == 1 && (text[last] == '.' || text[last] == ' '))
    return false;
  return IsComponentSafe(text, 0, length);
}

bool IsContainedFolderPath(const char* text, size_t length) {
  if (text == nullptr) return false;
  size_t begin = 0;
  for (size_t i = 0; i < length;) {
    size_t n = CharLengthIn(text, i, length);
    if (n == 1 && IsSeparator(text[i])) {
      if (!IsSingleName(text + begin, i - begin)) return false;
      begin = i + 1;
    }
    i += n;
  }
  // The rest after the last separator: nothing (a final separator, or an empty text) or
  // one more name.
  return begin == length || IsSingleName(text + begin, length - begin);
}

void UseBackslashes(char* text) {
  for (size_t i = 0; text[i] != '\0'; i += CharLength(text, i)) {
    if (text[i] == '/') text[i] = '\\';
  }
}

bool IsOwnSoftwareKey(const char* key, size_t length) {
  static const char kSoftware[] = "Software\\";
  const size_t prefix = sizeof kSoftware - 1;
  if (key == nullptr || length <= prefix || !EqualsAsciiNoCase(key, prefix, kSoftware))
    return false;
  size_t begin = prefix;
  bool first = true;
  for (size_t i = prefix; i <= length;) {
    size_t n = i < length ? CharLengthIn(key, i, length) : 1;
    if (i == length || (n == 1 && key[i] == '\\')) {
      size_t size = i - begin;
      if (size == 0 || size > kNameMaxBytes) return false;
      bool onlyDotsAndBlanks = true;
      for (size_t k = begin; k < i; ++k) {
        if (key[k] != '.' && key[k] != ' ') onlyDotsAndBlanks = false;
      }
      if (onlyDotsAndBlanks) return false;
      if (first) {
        for (const SharedKey& shared : kSharedSoftwareKeys) {
          if (EqualsAsciiNoCase(key + begin, size, shared.name)) return false;
        }
        first = false;
      }
      begin = i + 1;
    } else if (n == 1) {
      unsigned char c = static_cast<unsigned char>(key[i]);
      if (c < 0x20 || c == '/' || IsLeadByte(c)) return false;
    } else if (key[i + 1] == '\0') {
      return false;
    }
    i += n;
  }
  return true;
}

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
