#pragma once
// Reads install.ini through the system's profile functions. Sections are registered in
// a small slot table and read through the handle that registration returns.
#include <windows.h>

#include "config/InstallDescription.h"

namespace kaze {

// file slot << 16 | section slot; kNoSection when no slot was free.
using SectionHandle = int;
constexpr SectionHandle kNoSection = -1;

class ProfileReader {
 public:
  static constexpr int kFileSlots = 4;
  static constexpr int kSectionSlots = 8;
  static constexpr size_t kSectionNameSize = 64;

  ProfileReader();
  ProfileReader(const ProfileReader&) = delete;
  ProfileReader& operator=(const ProfileReader&) = delete;

  // A file name without drive and folder is taken from the program's own folder. The
  // same file shares its slot; every registration takes a new section slot. A path
  // that does not fit 259 bytes is refused (kNoSection) rather than cut.
  SectionHandle RegisterSection(const char* fileName, const char* sectionName);

  // Refused (FALSE / 0, the buffer left as it is) for a handle out of range, a free
  // slot, or a file that does not exist.
  BOOL ReadString(SectionHandle handle, const char* key, char* buffer, DWORD size);
  int ReadInt(SectionHandle handle, const char* key);

  // Number of lines in the section (0 when refused). Counts read from the file are
  // bounded by it, so that a hostile count cannot make tables larger than the file.
  int CountSectionLines(SectionHandle handle);

  BOOL ReleaseSection(SectionHandle handle);
  BOOL ReleaseFile(SectionHandle handle);
  void Reset();

  const char* programFolder() const { return programFolder_; }
  const char* programName() const { return programName_; }

 private:
  struct FileSlot {
    char path[kPathSize];
    char sections[kSectionSlots][kSectionNameSize];
  };

  // The slot's file and section for a usable handle, or false.
  bool Resolve(SectionHandle handle, const char** path, const char** section) const;
  bool ValidHandle(SectionHandle handle) const;

  char programFolder_[kPathSize];
  char programName_[kPathSize];
  FileSlot files_[kFileSlots];
};

}  // namespace kaze
