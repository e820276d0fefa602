#include "uninstall/RegistryTree.h"

#include <string>
#include <vector>

#include "system/Handles.h"

namespace kaze {
namespace {

// Far beyond the settings of a game; a larger tree is not taken as one.
constexpr int kMaxDepth = 16;
constexpr int kMaxKeys = 4096;

// The names of the keys directly below key; false when it cannot be listed.
bool ListSubkeys(HKEY root, const std::string& key, std::vector<std::string>* names) {
  ScopedKey handle;
  if (!handle.Open(root, key.c_str(), KEY_READ)) return false;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD size = sizeof name;
    LONG result = RegEnumKeyExA(handle.get(), index, name, &size, nullptr, nullptr, nullptr,
                                nullptr);
    if (result == ERROR_NO_MORE_ITEMS) return true;
    if (result != ERROR_SUCCESS) return false;
    names->push_back(std::string(name, size));
  }
}

bool HasInstallValue(HKEY root, const std::string& key) {
  ScopedKey handle;
  if (!handle.Open(root, key.c_str(), KEY_READ)) return false;
  return RegQueryValueExA(handle.get(), "install", nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

SubkeyState Inspect(HKEY root, const std::string& key, int depth, int* seen) {
  std::vector<std::string> names;
  if (!ListSubkeys(root, key, &names)) return SubkeyState::kUnreadable;
  for (const std::string& name : names) {
    if (depth >= kMaxDepth || ++*seen > kMaxKeys) return SubkeyState::kTooDeep;
    std::string child = key + "\\" + name;
    if (HasInstallValue(root, child)) return SubkeyState::kHoldsInstallation;
    SubkeyState below = Inspect(root, child, depth + 1, seen);
    if (below != SubkeyState::kNone && below != SubkeyState::kSettingsOnly) return below;
  }
  return names.empty() ? SubkeyState::kNone : SubkeyState::kSettingsOnly;
}

bool DeleteTree(HKEY root, const std::string& key, int depth) {
  std::vector<std::string> names;
  if (depth > kMaxDepth || !ListSubkeys(root, key, &names)) return false;
  bool all = true;
  for (const std::string& name : names) all = DeleteTree(root, key + "\\" + name, depth + 1) && all;
  return all && RegDeleteKeyA(root, key.c_str()) == ERROR_SUCCESS;
}

}  // namespace

SubkeyState InspectSubkeys(HKEY root, const char* key) {
  int seen = 0;
  return Inspect(root, key, 0, &seen);
}

bool DeleteKeyTree(HKEY root, const char* key) { return DeleteTree(root, key, 0); }

}  // namespace kaze
