#include "config/ProfileReader.h"

#include <cstring>
#include <vector>

#include "system/Dbcs.h"

namespace kaze {
namespace {

int FileSlotOf(SectionHandle handle) { return (handle >> 16) & 0xFFFF; }
int SectionSlotOf(SectionHandle handle) { return handle & 0xFFFF; }

bool HasDriveOrFolder(const char* name) {
  if (name[0] != '\0' && !IsLeadByte(static_cast<unsigned char>(name[0])) && name[1] == ':')
    return true;
  return FindChar(name, '\\') != nullptr || FindChar(name, '/') != nullptr;
}

bool FileExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Largest section buffer tried; far beyond any real install.ini.
constexpr DWORD kMaxSectionBuffer = 16u << 20;

}  // namespace

ProfileReader::ProfileReader() {
  std::memset(programFolder_, 0, sizeof programFolder_);
  std::memset(programName_, 0, sizeof programName_);
  Reset();
  char module[kPathSize] = {};
  DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  if (length == 0 || length >= sizeof module) return;  // no folder: names stay as given
  const char* slash = FindLastChar(module, '\\');
  if (slash == nullptr) {
    std::memcpy(programName_, module, length + 1);
    return;
  }
  size_t folderLength = static_cast<size_t>(slash - module) + 1;
  std::memcpy(programFolder_, module, folderLength);
  std::strcpy(programName_, slash + 1);
}

void ProfileReader::Reset() { std::memset(files_, 0, sizeof files_); }

SectionHandle ProfileReader::RegisterSection(const char* fileName, const char* sectionName) {
  // A section name is never cut: a shorter one would name another section.
  if (fileName == nullptr || sectionName == nullptr || sectionName[0] == '\0' ||
      std::strlen(sectionName) >= kSectionNameSize)
    return kNoSection;
  char path[kPathSize];
  size_t prefix = HasDriveOrFolder(fileName) ? 0 : std::strlen(programFolder_);
  size_t nameLength = std::strlen(fileName);
  if (prefix + nameLength >= sizeof path) return kNoSection;
  std::memcpy(path, programFolder_, prefix);
  std::memcpy(path + prefix, fileName, nameLength + 1);

  int fileSlot = -1;
  for (int f = 0; f < kFileSlots; ++f) {
    if (files_[f].path[0] == '\0' || std::strcmp(files_[f].path, path) == 0) {
      fileSlot = f;
      break;
    }
  }
  if (fileSlot < 0) return kNoSection;
  FileSlot& slot = files_[fileSlot];
  for (int s = 0; s < kSectionSlots; ++s) {
    if (slot.sections[s][0] != '\0') continue;
    std::strcpy(slot.path, path);
    std::strcpy(slot.sections[s], sectionName);
    return (fileSlot << 16) | s;
  }
  return kNoSection;
}

bool ProfileReader::ValidHandle(SectionHandle handle) const {
  return handle >= 0 && FileSlotOf(handle) < kFileSlots &&
         SectionSlotOf(handle) < kSectionSlots;
}

bool ProfileReader::Resolve(SectionHandle handle, const char** path,
                            const char** section) const {
  if (!ValidHandle(handle)) return false;
  const FileSlot& slot = files_[FileSlotOf(handle)];
  const char* name = slot.sections[SectionSlotOf(handle)];
  if (slot.path[0] == '\0' || name[0] == '\0') return false;
  if (!FileExists(slot.path)) return false;
  *path = slot.path;
  *section = name;
  return true;
}

BOOL ProfileReader::ReadString(SectionHandle handle, const char* key, char* buffer,
                               DWORD size) {
  const char* path;
  const char* section;
  if (key == nullptr || buffer == nullptr || size == 0) return FALSE;
  if (!Resolve(handle, &path, &section)) return FALSE;
  GetPrivateProfileStringA(section, key, "", buffer, size, path);
  return TRUE;
}

int ProfileReader::ReadInt(SectionHandle handle, const char* key) {
  const char* path;
  const char* section;
  if (key == nullptr || !Resolve(handle, &path, &section)) return 0;
  return static_cast<int>(GetPrivateProfileIntA(section, key, 0, path));
}

int ProfileReader::CountSectionLines(SectionHandle handle) {
  const char* path;
  const char* section;
  if (!Resolve(handle, &path, &section)) return 0;
  DWORD size = 4096;
  std::vector<char> buffer;
  DWORD length;
  for (;;) {
    buffer.assign(size + 1, '\0');  // the extra byte keeps the list terminated
    length = GetPrivateProfileSectionA(section, buffer.data(), size, path);
    // size - 2 means the buffer was too small.
    if (length + 2 < size || size >= kMaxSectionBuffer) break;
    size *= 2;
  }
  int lines = 0;
  for (DWORD i = 0; i < length && buffer[i] != '\0'; i += std::strlen(&buffer[i]) + 1) {
    ++lines;
  }
  return lines;
}

BOOL ProfileReader::ReleaseSection(SectionHandle handle) {
  if (!ValidHandle(handle)) return FALSE;
  files_[FileSlotOf(handle)].sections[SectionSlotOf(handle)][0] = '\0';
  return TRUE;
}

BOOL ProfileReader::ReleaseFile(SectionHandle handle) {
  if (!ValidHandle(handle)) return FALSE;
  std::memset(&files_[FileSlotOf(handle)], 0, sizeof(FileSlot));
  return TRUE;
}

}  // namespace kaze
