#pragma once
// The record that the wizard frame, its pages and the installation engine share.
#include <windows.h>

#include <memory>

#include "config/InstallDescription.h"

namespace kaze {

struct ProductIdentity {
  char title[kNameSize];
  char firstDiscName[kNameSize];
  char firstDiscVolumeLabel[kNameSize];
};

// Fixed in the program: the game this installer installs.
void FillProductIdentity(ProductIdentity& identity);

// The product's own registry key (HKEY_LOCAL_MACHINE); present once the game is installed.
extern const char kProductRegistryKey[];

struct InstallContext {
  HINSTANCE instance = nullptr;
  HWND frameWindow = nullptr;
  char cdFolder[kPathSize] = {};
  BOOL closeWithoutAsking = 0;
  HWND pageWindows[5] = {};
  BOOL isNtPlatform = 0;
  BOOL isNtMinor1 = 0;
  BOOL isAdministrator = 0;
  std::unique_ptr<ProductIdentity> productIdentity;
  int selectedType = 0;
  char installFolder[kPathSize] = {};
  // The folder in the temporary folder that this program runs from, with its backslash,
  // when it was started from a disc and handed over to a copy there; "" otherwise. The run
  // stages its support files there.
  char runFolder[kPathSize] = {};

  // The loaded description; every pointer stays null until install.ini was loaded.
  int diskCount = 0;
  int typeCount = 0;
  std::unique_ptr<InstallInfo> installInfo;
  std::unique_ptr<InstallType[]> installTypes;
  std::unique_ptr<DiskEntry[]> disks;
  std::unique_ptr<RegistryData> registryData;
  std::unique_ptr<char[]> reserved;  // never set; released if it ever is
  std::unique_ptr<AppearanceInfo> appearance;
  BOOL restartRequired = 0;
  // The DirectX step wanted the disc's runtime and its setup reported an error (or could
  // not be run): the installation goes on, and the completion page says so.
  BOOL directXFailed = 0;

  // The first install.ini value that did not fit its field ("SECTION/KEY"), or empty.
  // A cut value would name a different path, so the settings page refuses the file.
  char overlongValue[kNameSize] = {};
  // The first install.ini value naming a path that leads out of the folder it is joined
  // to ("SECTION/KEY"), or empty: the settings page refuses the file.
  char uncontainedValue[kNameSize] = {};
  // On Windows 9x, the part of install.ini that its profile functions read cut short (the
  // file's name when it is over 64 KB, "[SECTION]" for a section the loader reads over
  // 32,767 bytes), or empty: the settings page refuses the file.
  char overlargePart[kNameSize] = {};

  InstallContext() = default;
  InstallContext(const InstallContext&) = delete;
  InstallContext& operator=(const InstallContext&) = delete;
  ~InstallContext() { Release(); }

  // Frees the description and then the product identity, in the order the types point
  // into the disc table: info, types, discs, registry data, reserved, appearance,
  // identity. Safe when nothing was ever loaded, and safe to call twice.
  void ReleaseDescription();
  void Release();
};

}  // namespace kaze
