#pragma once
// Which letters are CD-ROM drives, what label a disc carries, how much space a drive has,
// and whether the chosen installation folder lies on an acceptable drive.
#include <windows.h>

namespace kaze {

struct InstallContext;

// Index 0 = 'A' to 25 = 'Z'; 1 where the drive is a CD-ROM drive.
struct CdRomDriveTable {
  int isCdRom[26] = {};
};

void ScanCdRomDrives(CdRomDriveTable& table);

// The first CD-ROM drive letter from 'A' upward, or '\0' when there is none.
char FindFirstCdRomDrive();

// The volume label of root ("E:\") into a 256-byte buffer; empty when none could be read
// (no disc, drive not ready).
void ReadVolumeLabel(const char* root, char* label);

// Case-insensitive (ASCII only) whole-label comparison. Neither text is changed.
bool VolumeLabelMatches(const char* readLabel, const char* expectedLabel);

// Total and free kilobytes of a drive. Uses GetDiskFreeSpaceExA where the kernel has it,
// else GetDiskFreeSpaceA.
class DriveSpaceQuery {
 public:
  using FreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

  DriveSpaceQuery();
  DriveSpaceQuery(const DriveSpaceQuery&) = delete;
  DriveSpaceQuery& operator=(const DriveSpaceQuery&) = delete;

  // Both outputs are written in every case; 0 and false when the drive cannot be asked.
  bool Query(char letter, DWORD& totalKb, DWORD& freeKb) const;

  FreeSpaceExFn freeSpaceEx;  // null on kernels without GetDiskFreeSpaceExA
};

bool QueryDriveSpace(char letter, DWORD& totalKb, DWORD& freeKb);

// Reads the folder box (1002) of the settings page and accepts it only on a fixed drive,
// in its canonical spelling (CanonicalPath) and no protected folder (InstallFolderRules.h),
// with more free megabytes than the selected type needs; every refusal is told to the
// user. On success context.installFolder holds the canonical folder, ending with a
// backslash, and the box shows it.
bool CheckInstallTargetDrive(InstallContext& context);

}  // namespace kaze
