// byte-level
#include "pages/SettingsRules.h"

#include <cstring>
#include <string>

#include "system/Dbcs.h"
#include "system/PathSplit.h"

namespace kaze {

namespace {

bool Deliver(const std::string& text, char* out, size_t capacity) {
  if (capacity == 0) return false;
  if (text.size() + 1 > capacity) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
}

// "%s%s" when folder ends with a backslash, "%s\%s" otherwise.
std::string JoinFolder(const std::string& folder, const char* name) {
  std::string joined = folder;
  if (!EndsWithBackslash(joined.c_str())) joined += '\\';
  joined += name;
  return joined;
}

}  // namespace

bool ComposeDefaultFolder(const char* windowsFolder, const char* path, const char* path2,
                          char* out, size_t capacity) {
  // The drive root is the first three bytes; whole characters only.
  size_t rootLength = 0;
  while (windowsFolder[rootLength] != '\0') {
    size_t length = CharLength(windowsFolder, rootLength);
    if (rootLength + length > 3) break;
    rootLength += length;
  }
  std::string folder(windowsFolder, rootLength);
  folder += path;
  folder = JoinFolder(folder, path2);
  if (!EndsWithBackslash(folder.c_str())) folder += '\\';
  return Deliver(folder, out, capacity);
}

bool ComposeBrowsedFolder(const char* chosen, const char* path2, char* out, size_t capacity) {
  return Deliver(JoinFolder(chosen, path2), out, capacity);
}

bool FolderOfChosenFile(const char* filePath, char* out, size_t capacity) {
  SplitPathResult parts = SplitPath(filePath);
  std::string folder;
  for (size_t i = 0; i < parts.folder.size();) {
    size_t length = CharLength(parts.folder.c_str(), i);
    if (length == 1 && parts.folder[i] == '/') {
      folder += '\\';
    } else {
      folder.append(parts.folder, i, length);
    }
    i += length;
  }
  if (folder.empty() || folder[0] != '\\') folder.insert(folder.begin(), '\\');
  if (!EndsWithBackslash(folder.c_str())) folder += '\\';
  return Deliver(parts.drive + folder, out, capacity);
}

int SettleTicks(const bool* ticked, int* flags, int count) {
  int tickedCount = 0;
  int newcomer = -1;
  for (int row = 0; row < count; ++row) {
    if (!ticked[row]) continue;
    ++tickedCount;
    if (flags[row] == 0 && newcomer < 0) newcomer = row;
  }
  if (tickedCount < 2 || newcomer < 0) return -1;
  // Only the newly ticked row keeps a flag, however many rows were ticked at once.
  for (int row = 0; row < count; ++row) flags[row] = (row == newcomer) ? 1 : 0;
  return newcomer;
}

}  // namespace kaze
