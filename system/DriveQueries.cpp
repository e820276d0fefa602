#include "system/DriveQueries.h"


#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/InstallContext.h"
#include "system/Dbcs.h"
#include "system/DriveRules.h"
#include "system/FileUtils.h"
#include "system/InstallFolderRules.h"
#include "system/TextHelpers.h"
#include "ui/Prompts.h"
#include "uninstall/UninstallLog.h"

namespace kaze {

namespace {

constexpr int kFolderEditId = 1002;
constexpr int kSettingsPage = 2;

void RootOf(char letter, char (&root)[4]) {
  std::memcpy(root, "A:\\", 4);
  root[0] = letter;
}

bool Refuse(const InstallContext& context, const char* text) {
  char message[256];
  std::snprintf(message, sizeof message, "%s", text);
  ShowMessage(context.frameWindow, message, kInstallerCaption, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

// What the run puts into the installation folder beside the groups (the uninstaller,
// the read-me, the banner), in whole megabytes, as their files on the disc are.
long long SupportFileMegabytes(const InstallContext& context) {
  if (context.cdFolder[0] == '\0') return 0;
  std::vector<std::string> names = {"Kaze_Inst.exe"};
  if (context.installInfo) names.push_back(context.installInfo->readme);
  if (context.appearance) names.push_back(context.appearance->bannerName);
  ULONGLONG bytes = 0;
  for (const std::string& name : names) {
    ULONGLONG size = 0;
    if (!name.empty() && FileSize((std::string(context.cdFolder) + name).c_str(), &size)) {
      bytes += size;
    }
  }
  const ULONGLONG kMegabyte = 1024 * 1024;
  return static_cast<long long>((bytes + kMegabyte - 1) / kMegabyte);
}

}  // namespace

void ScanCdRomDrives(CdRomDriveTable& table) {
  for (int i = 0; i < 26; ++i) {
    char root[4];
    RootOf(static_cast<char>('A' + i), root);
    table.isCdRom[i] = GetDriveTypeA(root) == DRIVE_CDROM ? 1 : 0;
  }
}

char FindFirstCdRomDrive() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    char root[4];
    RootOf(letter, root);
    if (GetDriveTypeA(root) == DRIVE_CDROM) return letter;
  }
  return '\0';
}

void ReadVolumeLabel(const char* root, char* label) {
  label[0] = '\0';
  DWORD maximumComponentLength = 0;
  DWORD fileSystemFlags = 0;
  if (!GetVolumeInformationA(root, label, 256, nullptr, &maximumComponentLength,
                             &fileSystemFlags, nullptr, 0)) {
    label[0] = '\0';
  }
}

bool VolumeLabelMatches(const char* readLabel, const char* expectedLabel) {
  // Copies: the expected label is the caller's (the product's own, a disc entry's).
  std::string read(readLabel);
  std::string expected(expectedLabel);
  LowerCaseAscii(&read[0]);
  LowerCaseAscii(&expected[0]);
  return read == expected;
}

DriveSpaceQuery::DriveSpaceQuery()
    : freeSpaceEx(reinterpret_cast<FreeSpaceExFn>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")))) {}

bool DriveSpaceQuery::Query(char letter, DWORD& totalKb, DWORD& freeKb) const {
  totalKb = 0;
  freeKb = 0;
  char root[4];
  RootOf(letter, root);
  if (freeSpaceEx != nullptr) {
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    if (!freeSpaceEx(root, &available, &total, nullptr)) return false;
    totalKb = KilobytesOf(total.QuadPart);
    freeKb = KilobytesOf(available.QuadPart);
    return true;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return false;
  }
  freeKb = KilobytesOf(ClusterBytes(freeClusters, sectorsPerCluster, bytesPerSector));
  totalKb = KilobytesOf(ClusterBytes(totalClusters, sectorsPerCluster, bytesPerSector));
  return true;
}

bool QueryDriveSpace(char letter, DWORD& totalKb, DWORD& freeKb) {
  DriveSpaceQuery query;
  return query.Query(letter, totalKb, freeKb);
}

bool CheckInstallTargetDrive(InstallContext& context) {
  context.installFolder[0] = '\0';
  HWND edit = GetDlgItem(context.pageWindows[kSettingsPage], kFolderEditId);
  std::vector<char> text(static_cast<size_t>(edit ? GetWindowTextLengthA(edit) : 0) + 1, '\0');
  if (edit != nullptr) GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
  const char* typed = text.data();

  // A drive letter's absolute form; '/' separates as '\' does.
  if (typed[0] == '\0' || typed[1] != ':' || (typed[2] != '\\' && typed[2] != '/')) {
    return Refuse(context, kFolderNotAbsoluteMessage);
  }
  char root[4];
  RootOf(typed[0], root);
  if (const char* refusal = RefusalForDriveType(GetDriveTypeA(root))) {
    return Refuse(context, refusal);
  }

  // From here on the folder has one spelling: the log, the registry and the uninstaller
  // compare what they hold with it.
  std::string folder;
  Spelling spelling = CanonicalPath(typed, true, &folder);
  if (spelling != Spelling::kOk) return Refuse(context, RefusalForSpelling(spelling));
  if (const char* refusal = RefusalForProtection(InstallFolderProtection(folder.c_str()))) {
    return Refuse(context, refusal);
  }
  std::memcpy(context.installFolder, folder.c_str(), folder.size() + 1);
  if (edit != nullptr && folder != typed) SetWindowTextA(edit, folder.c_str());

  // Another installation's log: a run here would take it over, and its rollback delete it.
  if (PathExists((std::string(context.installFolder) + kUninstallLogName).c_str())) {
    return Refuse(context, kFolderHoldsAnotherLogMessage);
  }

  if (context.installTypes == nullptr || context.selectedType < 0 ||
      context.selectedType >= context.typeCount) {
    return Refuse(context, kNoInstallTypeMessage);
  }
  DWORD totalKb = 0, freeKb = 0;
  QueryDriveSpace(folder[0], totalKb, freeKb);
  const long long needed = static_cast<long long>(context.installTypes[context.selectedType].totalSizeMb) +
                           SupportFileMegabytes(context);
  if (!HasEnoughSpace(freeKb, static_cast<int>(std::min<long long>(needed, INT_MAX)))) {
    return Refuse(context, kNotEnoughSpaceMessage);
  }
  return true;
}

}  // namespace kaze
