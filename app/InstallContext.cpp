#include "app/InstallContext.h"

#include <cstring>

namespace kaze {

const char kProductRegistryKey[] = "Software\\KAZE_CORP\\Tsukimi";

void FillProductIdentity(ProductIdentity& identity) {
  std::memset(&identity, 0, sizeof identity);
  std::strcpy(identity.title, "月見日和");
  std::strcpy(identity.firstDiscName, "月見日和 Disk1");
  std::strcpy(identity.firstDiscVolumeLabel, "TSUKIMI1");
}

void InstallContext::ReleaseDescription() {
  installInfo.reset();
  // Types first: their group pointers point into the disc table.
  if (installTypes) {
    for (int i = 0; i < typeCount; ++i) installTypes[i].groups.reset();
    installTypes.reset();
  }
  typeCount = 0;
  if (disks) {
    for (int d = 0; d < diskCount; ++d) {
      DiskEntry& disk = disks[d];
      if (disk.groups) {
        for (int g = 0; g < disk.groupCount; ++g) disk.groups[g].members.reset();
        disk.groups.reset();
      }
    }
    disks.reset();
  }
  diskCount = 0;
  if (registryData) registryData->entries.reset();
  registryData.reset();
  reserved.reset();
  appearance.reset();
}

void InstallContext::Release() {
  ReleaseDescription();
  productIdentity.reset();
}

}  // namespace kaze
