#pragma once
// The texts of the registration steps: registry value lines, the uninstall entry, the
// Start-menu group and the installed install.ini. Shift-JIS bytes; no Windows headers.
#include <cstdint>
#include <string>
#include <vector>

namespace kaze {

// Expands a leading folder macro (INSTALL_DIR+, INSTALL_DIR, CD_DIR+, CD_DIR) into a
// quoted path: the base is installFolder when the value's group was chosen, "?:\"
// otherwise; the "+" forms append the rest of data. Data without a macro is returned
// as it is. False (result empty) when the quoted path would exceed 259 bytes.
bool ExpandPathMacros(const char* data, bool groupChosen, const char* installFolder,
                      std::string* result);

// The text a "+" folder macro (INSTALL_DIR+, CD_DIR+) appends to its folder, or null when
// data does not begin with one.
const char* PathMacroRest(const char* data);

// One value of a registry line "name"=data.
struct RegistryValue {
  std::string name;
  bool isString = false;
  std::string text;     // REG_SZ
  uint32_t number = 0;  // REG_DWORD
};

// Splits a line: the name runs from the first double quote to the first '=' (quotes
// dropped); the data is the rest with every '=' dropped. Data that begins with a double
// quote is a string (quotes dropped); other data is a number read as hexadecimal from its
// first ':' (dword:0000001f is 31). False for a line without a quote or '=', and for
// number data without a ':' and hexadecimal digits that fit 32 bits: such a value has
// no defined number.
bool ParseRegistryLine(const char* line, RegistryValue* value);

// The uninstall entry of Windows for a maker and product (an empty maker gives the
// product alone, and a key name that starts with a blank).
struct UninstallEntryText {
  std::string keyPath;      // below HKEY_LOCAL_MACHINE
  std::string displayName;  // "DisplayName"
  std::string command;      // "UninstallString"
};
UninstallEntryText MakeUninstallEntryText(const char* corpName, const char* appName,
                                          const char* installFolder);

// The program group below the Programs folder: "CORP\APP\", empty levels left out so
// that no doubled backslash appears ("" when both are empty).
std::string ProgramGroupText(const char* corpName, const char* appName);

// "CORP\APP\name.lnk" below the Programs folder, over ProgramGroupText.
std::string ShortcutLinkText(const char* corpName, const char* appName, const char* name);

// The entries of the installed install.ini, in the order they are written.
struct IniEntry {
  const char* section;
  const char* key;
  std::string value;
};
struct InstalledIniFields {
  const char* appName;
  const char* corpName;
  const char* installFolder;
  const char* exeName;
  const char* readme;
  const char* bannerName;  // the appearance texts, "" without an ABOUT_BOX
  const char* backColor;
  const char* textColor;
};
std::vector<IniEntry> InstalledIniEntries(const InstalledIniFields& fields);

// True when registry data asks for a number: it begins with "dword:" (any case).
bool IsDwordData(const char* data);

}  // namespace kaze
