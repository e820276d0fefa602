// byte-level
#include "engine/RegistrationText.h"

#include <cstring>

namespace kaze {

namespace {

constexpr size_t kMaxPath = 259;
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kUninstaller[] = "Kaze_Inst.exe";

struct PathMacro {
  const char* name;
  bool keepsRest;
};
// Longer forms first: INSTALL_DIR would otherwise take INSTALL_DIR+ as well.
const PathMacro kMacros[] = {
    {"INSTALL_DIR+", true}, {"INSTALL_DIR", false}, {"CD_DIR+", true}, {"CD_DIR", false}};

// The quote, '=' and ':' scanned for below are below 0x40 and so never a Shift-JIS trail
// byte: a plain byte scan cannot split a double-byte character.
std::string WithoutChar(const char* begin, const char* end, char drop) {
  std::string out;
  for (const char* p = begin; p != end; ++p) {
    if (*p != drop) out += *p;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ":%x" without its undefined cases: blanks, an optional 0x, then at least one digit,
// the value within 32 bits.
bool ReadHexAfterColon(const std::string& data, uint32_t* number) {
  size_t colon = data.find(':');
  if (colon == std::string::npos) return false;
  size_t i = colon + 1;
  while (i < data.size() && (data[i] == ' ' || data[i] == '\t')) ++i;
  if (i + 1 < data.size() && data[i] == '0' && (data[i + 1] == 'x' || data[i + 1] == 'X') &&
      i + 2 < data.size() && HexDigit(data[i + 2]) >= 0) {
    i += 2;
  }
  uint64_t value = 0;
  size_t digits = 0;
  for (; i < data.size() && HexDigit(data[i]) >= 0; ++i, ++digits) {
    value = value * 16 + static_cast<uint64_t>(HexDigit(data[i]));
    if (value > 0xFFFFFFFFu) return false;
  }
  if (digits == 0) return false;
  *number = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

const char* PathMacroRest(const char* data) {
  for (const PathMacro& macro : kMacros) {
    size_t length = std::strlen(macro.name);
    if (std::strncmp(data, macro.name, length) == 0) {
      return macro.keepsRest ? data + length : nullptr;
    }
  }
  return nullptr;
}

bool ExpandPathMacros(const char* data, bool groupChosen, const char* installFolder,
                      std::string* result) {
  result->clear();
  for (const PathMacro& macro : kMacros) {
    size_t length = std::strlen(macro.name);
    if (std::strncmp(data, macro.name, length) != 0) continue;
    std::string path = groupChosen ? installFolder : "?:\\";
    if (macro.keepsRest) path += data + length;
    if (path.size() > kMaxPath) return false;
    *result = "\"" + path + "\"";
    return true;
  }
  *result = data;
  return true;
}

bool ParseRegistryLine(const char* line, RegistryValue* value) {
  const char* quote = std::strchr(line, '"');
  if (quote == nullptr) return false;
  const char* equals = std::strchr(quote, '=');
  if (equals == nullptr) return false;
  RegistryValue parsed;
  parsed.name = WithoutChar(quote, equals, '"');
  std::string data = WithoutChar(equals, equals + std::strlen(equals), '=');
  if (!data.empty() && data[0] == '"') {
    parsed.isString = true;
    parsed.text = WithoutChar(data.data(), data.data() + data.size(), '"');
  } else if (!ReadHexAfterColon(data, &parsed.number)) {
    return false;
  }
  *value = std::move(parsed);
  return true;
}

UninstallEntryText MakeUninstallEntryText(const char* corpName, const char* appName,
                                          const char* installFolder) {
  UninstallEntryText entry;
  std::string uninstaller = std::string(installFolder) + kUninstaller;
  entry.command = "\"" + uninstaller + "\" \"" + uninstaller + "\" \"/D\"";
  if (corpName[0] != '\0') {
    entry.displayName = std::string(corpName) + " " + appName + "  (Remove Only)";
    entry.keyPath = std::string(kUninstallKey) + corpName + " " + appName;
  } else {
    entry.displayName = std::string(appName) + "  (Remove Only)";
    entry.keyPath = std::string(kUninstallKey) + " " + appName;
  }
  return entry;
}

std::string ProgramGroupText(const char* corpName, const char* appName) {
  std::string group;
  for (const char* level : {corpName, appName}) {
    if (level[0] == '\0') continue;
    group += level;
    group += '\\';
  }
  return group;
}

std::string ShortcutLinkText(const char* corpName, const char* appName, const char* name) {
  return ProgramGroupText(corpName, appName) + name + ".lnk";
}

std::vector<IniEntry> InstalledIniEntries(const InstalledIniFields& f) {
  return {
      {"INSTALL", "WINDOWNAME", f.appName},      {"INSTALL", "CORPNAME", f.corpName},
      {"INSTALL", "APPNAME", f.appName},         {"INSTALL", "INSTALL", f.installFolder},
      {"INSTALL", "EXE", f.exeName},             {"INSTALL", "README", f.readme},
      {"ABOUT_BOX", "BANNERNAME", f.bannerName}, {"ABOUT_BOX", "BKCOLOR", f.backColor},
      {"ABOUT_BOX", "TEXTCOLOR", f.textColor},
  };
}

bool IsDwordData(const char* data) {
  static const char kDword[] = "dword:";
  for (size_t i = 0; kDword[i] != '\0'; ++i) {
    char c = data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kDword[i]) return false;
  }
  return true;
}

}  // namespace kaze
