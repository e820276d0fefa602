// byte-level
#include "system/InstallFolderRules.h"

#include <cstring>

#include "system/Dbcs.h"
#include "system/DriveRules.h"

namespace kaze {

namespace {

const char kFolderInvalidMessage[] =
    "指定されているインストールフォルダのパスが不正です。\n"
    "フォルダ名に使えない文字 ( : * ? \" < > | ) やデバイス名、ドライブのルートより上を指す"
    "「..」を含まないパスを指定してください。";
const char kDriveRootMessage[] =
    "指定されたフォルダはドライブのルートです。\n"
    "ドライブのルートにはインストールできません。インストール先にはフォルダを指定してください。";
const char kSystemFolderMessage[] =
    "指定されたフォルダは、Windows が使うフォルダ (Windows、Program Files、ユーザーのフォルダ、"
    "スタートメニュー等) か、それを含むフォルダです。\n"
    "このフォルダにはインストールできません。別のフォルダを指定してください。";
const char kInsideWindowsMessage[] =
    "指定されたフォルダは Windows フォルダの中にあります。\n"
    "Windows フォルダの中にはインストールできません。別のフォルダを指定してください。";

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool IsFolderShape(const char* folder) {
  char drive = UpperAscii(folder[0]);
  return drive >= 'A' && drive <= 'Z' && folder[1] == ':' && folder[2] == '\\' &&
         EndsWithBackslash(folder);
}

}  // namespace

bool IsFolderOrBelow(const char* folder, const char* base) {
  if (folder == nullptr || base == nullptr || !EndsWithBackslash(base) ||
      !EndsWithBackslash(folder)) {
    return false;
  }
  // Letters are never lead bytes, so both texts split into characters alike up to the end
  // of base; base's last character is a single-byte '\'.
  for (size_t i = 0; base[i] != '\0';) {
    if (CharLength(base, i) == 2) {
      if (folder[i] != base[i] || folder[i + 1] != base[i + 1]) return false;
      i += 2;
    } else {
      if (folder[i] == '\0' || UpperAscii(folder[i]) != UpperAscii(base[i])) return false;
      ++i;
    }
  }
  return true;
}

FolderProtection ProtectionOf(const char* folder, const std::string& windowsFolder,
                              const std::vector<std::string>& folders) {
  if (folder == nullptr || !IsFolderShape(folder)) return FolderProtection::kNotAbsolute;
  if (folder[3] == '\0') return FolderProtection::kDriveRoot;
  for (const std::string& kept : folders) {
    if (IsFolderOrBelow(kept.c_str(), folder)) return FolderProtection::kSystemFolder;
  }
  if (IsFolderOrBelow(folder, windowsFolder.c_str())) return FolderProtection::kInsideWindows;
  return FolderProtection::kAllowed;
}

FolderProtection ProtectionOf(const char* folder, const ProtectedFolders& protectedFolders) {
  return ProtectionOf(folder, protectedFolders.windowsFolder, protectedFolders.folders);
}

const char* RefusalForProtection(FolderProtection protection) {
  switch (protection) {
    case FolderProtection::kNotAbsolute: return kFolderNotAbsoluteMessage;
    case FolderProtection::kDriveRoot: return kDriveRootMessage;
    case FolderProtection::kSystemFolder: return kSystemFolderMessage;
    case FolderProtection::kInsideWindows: return kInsideWindowsMessage;
    case FolderProtection::kAllowed: break;
  }
  return nullptr;
}

const char* RefusalForSpelling(Spelling spelling) {
  switch (spelling) {
    case Spelling::kNotAbsolute: return kFolderNotAbsoluteMessage;
    case Spelling::kInvalid: return kFolderInvalidMessage;
    case Spelling::kTooLong: return kFolderTooLongMessage;
    case Spelling::kOk: break;
  }
  return nullptr;
}

}  // namespace kaze
