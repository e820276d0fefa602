#include "system/PathParts.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "system/PathSplit.h"

namespace kaze {

namespace {

// Converts text into a UTF-16 field of `units` units; false when it does not fit.
bool ToWide(const std::string& text, wchar_t* field, int units) {
  field[0] = L'\0';
  if (text.empty()) return true;
  int written = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.c_str(), -1, field, units);
  if (written == 0) {
    field[0] = L'\0';
    return false;
  }
  return true;
}

// Appends a UTF-16 part converted back to ANSI (a buffer of `bytes` bytes per part).
bool AppendAnsi(std::string& joined, const wchar_t* part, int bytes) {
  if (part[0] == L'\0') return true;
  std::string buffer(static_cast<size_t>(bytes), '\0');
  int written = WideCharToMultiByte(CP_ACP, 0, part, -1, &buffer[0], bytes, nullptr, nullptr);
  if (written == 0) return false;
  joined.append(buffer.c_str());
  return true;
}

}  // namespace

BOOL PathParts::SetPath(const char* path, BOOL validate, int mode) {
  drive[0] = folder[0] = name[0] = extension[0] = L'\0';
  if (path == nullptr) return FALSE;
  if (validate && HasForbiddenPathText(path)) return FALSE;

  SplitPathResult parts = SplitPath(path);
  if (mode == kLastIsFolder && parts.extension.empty()) parts.folder += parts.name;
  // Fields hold 255 bytes; a longer part would come back as a different path.
  constexpr size_t kPartLimit = 255;
  if (parts.folder.size() > kPartLimit || parts.name.size() > kPartLimit ||
      parts.extension.size() > kPartLimit) {
    return FALSE;
  }

  // The folder keeps two units spare for the backslashes added below.
  const int kFolderUnits = static_cast<int>(sizeof folder / sizeof folder[0]) - 2;
  if (!ToWide(parts.drive, drive, 3) || !ToWide(parts.folder, folder, kFolderUnits) ||
      !ToWide(parts.name, name, 256) || !ToWide(parts.extension, extension, 256)) {
    drive[0] = folder[0] = name[0] = extension[0] = L'\0';
    return FALSE;
  }

  for (wchar_t* c = folder; *c != L'\0'; ++c) {
    if (*c == L'/') *c = L'\\';
  }
  size_t length = std::wcslen(folder);
  if (folder[0] != L'\\') {
    std::wmemmove(folder + 1, folder, length + 1);
    folder[0] = L'\\';
    ++length;
  }
  if (folder[length - 1] != L'\\') {
    folder[length] = L'\\';
    folder[length + 1] = L'\0';
  }
  return TRUE;
}

const char* PathParts::Join(bool withDrive, bool withFolder, bool withName, bool withExtension,
                            char* out, size_t size) {
  if (out == nullptr) {
    out = result;
    size = sizeof result;
  }
  if (size == 0) return nullptr;
  out[0] = '\0';

  std::string joined;
  if ((withDrive && !AppendAnsi(joined, drive, 3)) ||
      (withFolder && !AppendAnsi(joined, folder, 256)) ||
      (withName && !AppendAnsi(joined, name, 256)) ||
      (withExtension && !AppendAnsi(joined, extension, 256))) {
    return nullptr;
  }
  if (joined.size() >= size || joined.size() >= MAX_PATH) return nullptr;
  std::memcpy(out, joined.c_str(), joined.size() + 1);
  return out;
}

const char* PathParts::GetFullPath(char* out, size_t size) {
  return Join(true, true, true, true, out, size);
}

const char* PathParts::GetFolder(char* out, size_t size) {
  return Join(true, true, false, false, out, size);
}

const char* PathParts::GetFileName(char* out, size_t size) {
  return Join(false, false, true, true, out, size);
}

const char* PathParts::GetExtension(char* out, size_t size) {
  return Join(false, false, false, true, out, size);
}

}  // namespace kaze
