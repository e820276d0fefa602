// byte-level
#include "system/DriveRules.h"

#include <cstddef>

namespace kaze {

const char kFolderNotAbsoluteMessage[] =
    "指定されているインストールフォルダのパスが不正です。フォルダの指定は「絶対パス」でなければなりません";
const char kFolderTooLongMessage[] =
    "指定されているインストールフォルダのパスが長すぎます。\n"
    "フォルダのパスは、末尾の「\\」を含めて半角 259 文字以内で指定してください。";
const char kFolderHoldsAnotherLogMessage[] =
    "指定されているインストールフォルダには、別のインストールの記録 (UnInst.dat) があります。\n"
    "別のフォルダを指定してください。";
const char kNoInstallTypeMessage[] =
    "インストールの種類が選択されていません。\nインストールの種類を選択してください。";
const char kNotEnoughSpaceMessage[] =
    "選択されたハードディスクドライブには、インストールするために十分な空き容量がありません。\n"
    "このハードディスクドライブにインストールすることは出来ません。";

namespace {

const char kUnknownDriveMessage[] =
    "指定されたディスクの種類が特定できません。\n指定された、インストールすることは出来ません。";
const char kNoRootMessage[] =
    "指定されたドライブが見つかりません。\n"
    "インストールにはマイコンピュータ上に存在するドライブ(Cドライブ等)を指定してください。";
const char kRemovableMessage[] =
    "指定されたドライブはリムーバブルメディアです。\n"
    "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
const char kRemoteMessage[] =
    "指定されたドライブはネットワーク上に存在しています。\n"
    "ネットワーク上のディスクにインストールすることは出来ません。\n"
    "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
const char kCdRomMessage[] =
    "指定されたドライブは CD-ROM もしくは DVD-ROM ドライブです。\n"
    "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";
const char kRamDiskMessage[] =
    "指定されたドライブはRAMディスクです。\n"
    "インストール先には必ず、本体のハードディスクドライブ( Cドライブ等 )を指定してください。";

}  // namespace

bool IsAbsoluteFolderText(const char* folder) {
  // A lead byte first cannot be followed by ':' (0x3A is no trail byte), so no DBCS
  // step is needed here.
  return folder[0] != '\0' && folder[1] == ':' && folder[2] == '\\';
}

const char* RefusalForDriveType(unsigned driveType) {
  switch (driveType) {
    case kDriveUnknown: return kUnknownDriveMessage;
    case kDriveNoRootDir: return kNoRootMessage;
    case kDriveRemovable: return kRemovableMessage;
    case kDriveRemote: return kRemoteMessage;
    case kDriveCdRom: return kCdRomMessage;
    case kDriveRamDisk: return kRamDiskMessage;
    default: return nullptr;  // fixed, or a type newer than these
  }
}

uint64_t ClusterBytes(uint32_t clusters, uint32_t sectorsPerCluster, uint32_t bytesPerSector) {
  const uint64_t perCluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
  if (perCluster != 0 && clusters > UINT64_MAX / perCluster) return UINT64_MAX;
  return perCluster * clusters;
}

uint32_t KilobytesOf(uint64_t bytes) {
  const uint64_t kb = bytes >> 10;
  return kb > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kb);
}

bool HasEnoughSpace(uint32_t freeKb, int requiredMb) {
  return static_cast<int64_t>(freeKb >> 10) > static_cast<int64_t>(requiredMb);
}

}  // namespace kaze
