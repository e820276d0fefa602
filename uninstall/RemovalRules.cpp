// byte-level
#include "uninstall/RemovalRules.h"

#include <cstdio>
#include <cstring>

#include "system/Dbcs.h"
#include "system/InstallFolderRules.h"
#include "system/PathText.h"
#include "uninstall/LogRecords.h"

namespace kaze {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// True when text starts with the first prefixLength bytes of prefix, compared character by
// character: ASCII letters in either case, both bytes of a double-byte character exactly.
bool StartsWithName(const char* text, const char* prefix, size_t prefixLength) {
  for (size_t i = 0; i < prefixLength;) {
    size_t n = CharLength(prefix, i);
    if (n == 2) {
      if (text[i] != prefix[i] || text[i + 1] != prefix[i + 1]) return false;
    } else if (text[i] == '\0' || UpperAscii(text[i]) != UpperAscii(prefix[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

// "X:\" followed by at least one well-formed part.
bool IsAbsoluteBelowRoot(const std::string& folder) {
  if (folder.size() < 4) return false;
  char drive = UpperAscii(folder[0]);
  if (drive < 'A' || drive > 'Z' || folder[1] != ':' || folder[2] != '\\') return false;
  return IsContainedPath(folder.c_str() + 3, folder.size() - 3, true);
}

// True when folder is a kept folder or a parent of one.
bool HoldsKeptFolder(const RemovalScope& scope, const std::string& folder) {
  for (const std::string& kept : scope.keptFolders) {
    if (!kept.empty() && PathWithin(kept.c_str(), folder, true)) return true;
  }
  return false;
}

// A folder record: one of the bases, below one, or a parent of one; never a kept folder
// or a parent of one.
bool IsFolderRecordAllowed(const RemovalScope& scope, const std::vector<std::string>& bases,
                           const char* text) {
  std::string folder = AsFolder(text);
  if (!IsAbsoluteBelowRoot(folder) || HoldsKeptFolder(scope, folder)) return false;
  for (const std::string& base : bases) {
    if (PathWithin(folder.c_str(), base, true) || PathWithin(base.c_str(), folder, true)) {
      return true;
    }
  }
  return false;
}

bool IsRegistryRecordAllowed(const char* key) {
  static const char kSoftware[] = "Software\\";
  const size_t prefix = sizeof kSoftware - 1;
  size_t length = std::strlen(key);
  if (length <= prefix || length > kLogTextMax || !StartsWithName(key, kSoftware, prefix)) {
    return false;
  }
  // Every part below Software has a name; a key never ends with a separator.
  bool partEmpty = true;
  for (size_t i = prefix; i < length;) {
    size_t n = CharLength(key, i);
    if (n == 1 && key[i] == '\\') {
      if (partEmpty) return false;
      partEmpty = true;
    } else {
      if (n == 1 && static_cast<unsigned char>(key[i]) < 0x20) return false;
      partEmpty = false;
    }
    i += n;
  }
  return !partEmpty;
}

void AppendList(std::string* out, const char* title, const std::vector<std::string>& items) {
  if (items.empty()) return;
  *out += "\n\n";
  *out += title;
  for (size_t i = 0; i < items.size() && i < kReportListMax; ++i) {
    *out += "\n  ";
    *out += items[i];
  }
  if (items.size() > kReportListMax) {
    char more[64];
    std::snprintf(more, sizeof more, "\n  ほか %u 項目",
                  static_cast<unsigned>(items.size() - kReportListMax));
    *out += more;
  }
}

}  // namespace

bool PathWithin(const char* path, const std::string& base, bool folderAllowed,
                std::string* rest) {
  if (path == nullptr || base.empty() || !EndsWithBackslash(base.c_str())) return false;
  if (!StartsWithName(path, base.c_str(), base.size())) return false;
  const char* below = path + base.size();
  if (!IsContainedPath(below, std::strlen(below), folderAllowed)) return false;
  if (rest != nullptr) *rest = below;
  return true;
}

bool SameFolder(const char* a, const char* b) {
  std::string first = AsFolder(a);
  std::string second = AsFolder(b);
  return !first.empty() && first.size() == second.size() &&
         StartsWithName(first.c_str(), second.c_str(), second.size());
}

bool SamePath(const char* a, const char* b) {
  size_t length = std::strlen(b);
  return length > 0 && std::strlen(a) == length && StartsWithName(a, b, length);
}

bool IsRecordWithinScope(const RemovalScope& scope, int type, const char* text) {
  if (text == nullptr || text[0] == '\0') return false;
  std::vector<std::string> bases;
  if (!scope.installFolder.empty()) {
    std::string folder = AsFolder(scope.installFolder.c_str());
    if (ProtectionOf(folder.c_str(), scope.windowsFolder, scope.keptFolders) ==
        FolderProtection::kAllowed) {
      bases.push_back(folder);
    }
  }
  for (const std::string& group : scope.groupFolders) {
    std::string folder = AsFolder(group.c_str());
    if (IsAbsoluteBelowRoot(folder) && !HoldsKeptFolder(scope, folder)) bases.push_back(folder);
  }
  switch (type) {
    case LOG_FILE:
      for (const std::string& base : bases) {
        if (PathWithin(text, base, false)) return true;
      }
      return false;
    case LOG_DIRA:
      for (const std::string& base : bases) {
        std::string rest;
        if (PathWithin(text, base, true, &rest) && !rest.empty()) return true;
      }
      return false;
    case LOG_FOLD:
      return IsFolderRecordAllowed(scope, bases, text);
    case LOG_REGS:
      return IsRegistryRecordAllowed(text);
    default:
      return false;
  }
}

std::string CommandProgram(const char* commandLine) {
  const char* p = commandLine;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    const char* end = std::strchr(p + 1, '"');  // '"' is never a trail byte
    return end == nullptr ? std::string() : std::string(p + 1, end);
  }
  const char* end = p;
  while (*end != '\0' && *end != ' ' && *end != '\t') end += CharLength(end, 0);
  return std::string(p, end);
}

std::string FormatRemovalReport(const std::string& heading, const RemovalReport& report,
                                const std::string& closing) {
  std::string text = heading;
  AppendList(&text, "次の項目を削除できませんでした（使用中か、書き込みが禁止されています）：",
             report.failed);
  AppendList(&text, "次の記録はインストール先の外を指しているため、削除しませんでした：",
             report.refused);
  if (report.damaged) {
    text += "\n\nアンインストール情報ファイルの一部が壊れていて、読み取れませんでした。";
  }
  if (!closing.empty()) {
    text += "\n\n";
    text += closing;
  }
  return text;
}

std::string RegistryRecordText(const char* key) {
  return std::string("HKEY_LOCAL_MACHINE\\") + key;
}

}  // namespace kaze
