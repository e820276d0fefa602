#pragma once
// The rules of the install-target check and the space arithmetic of the drive queries,
// kept free of Windows headers.
#include <cstdint>

namespace kaze {

// Drive types as GetDriveTypeA answers them.
enum DriveType : unsigned {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// Messages of the install-target check (caption "簡易インストーラ").
extern const char kFolderNotAbsoluteMessage[];
extern const char kFolderTooLongMessage[];
extern const char kFolderHoldsAnotherLogMessage[];
extern const char kNoInstallTypeMessage[];
extern const char kNotEnoughSpaceMessage[];

// True when the folder text starts with a drive letter's "X:\" form (any first character).
bool IsAbsoluteFolderText(const char* folder);

// The refusal for a target drive of this type, or nullptr when it is acceptable (fixed,
// and the types beyond ramdisk).
const char* RefusalForDriveType(unsigned driveType);

// Bytes per cluster times clusters, formed in 64 bits; saturates instead of wrapping.
uint64_t ClusterBytes(uint32_t clusters, uint32_t sectorsPerCluster, uint32_t bytesPerSector);

// Kilobytes of a byte count as a 32-bit figure. Beyond 4 TB it stays at the largest
// figure rather than wrapping into a small one.
uint32_t KilobytesOf(uint64_t bytes);

// The target has room only when its free megabytes strictly exceed the requirement.
bool HasEnoughSpace(uint32_t freeKb, int requiredMb);

}  // namespace kaze
