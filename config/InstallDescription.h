#pragma once
// In-memory form of install.ini. Every block starts zero-filled; sizes are those of the
// file format (texts that go to files, the registry or messages stay within them).
#include <cstdint>
#include <memory>

namespace kaze {

constexpr size_t kPathSize = 260;  // 259 bytes and the terminator
constexpr size_t kNameSize = 256;  // 255 bytes and the terminator
constexpr int kMaxShortcuts = 8;

struct PathPair {
  char source[kPathSize];
  char target[kPathSize];
};

struct InstallInfo {
  uint16_t dxVersion[4];
  char instDx[kPathSize];
  char dxSetupDll[kPathSize];
  char corpName[kNameSize];
  char appName[kNameSize];
  char exeName[kNameSize];
  char readme[kNameSize];
  char path[kPathSize];
  char path2[kPathSize];
  char nameDefault[kNameSize];
  char nameFull[kNameSize];
  char myShortcutName[kNameSize];
  uint8_t shortcutCount;  // 0 to kMaxShortcuts
  PathPair shortcuts[kMaxShortcuts];
};

struct FileGroup {
  int id;
  char name[kNameSize];
  char text[kNameSize];
  int sizeMb;
  int memberCount;
  std::unique_ptr<PathPair[]> members;
};

struct DiskEntry {
  char volumeLabel[kNameSize];
  int groupCount;
  std::unique_ptr<FileGroup[]> groups;
};

struct InstallType {
  char name[kNameSize];
  char explanation[kNameSize];
  int groupCount;
  int totalSizeMb;
  std::unique_ptr<FileGroup*[]> groups;  // not owned: they point into the disc table
};

struct RegistryEntry {
  int groupId;
  char valueName[kNameSize];
  char valueData[kNameSize];
};

struct RegistryData {
  char key[kNameSize];
  int entryCount;
  std::unique_ptr<RegistryEntry[]> entries;
};

struct AppearanceInfo {
  char bannerName[kPathSize];
  char backColor[128];
  char textColor[128];
};

}  // namespace kaze
