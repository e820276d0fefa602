// The DirectX step: the disc's setup library runs when the system's runtime is older
// than the description wants.
#include "engine/DirectXStep.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "engine/DirectXRules.h"
#include "engine/EngineHost.h"
#include "system/Handles.h"
#include "system/OsServices.h"
#include "system/PathText.h"

namespace kaze {

namespace {

constexpr size_t kMaxPath = 259;
constexpr DWORD kCompleteRuntime = 0x10018;  // runtime with display and sound drivers
const char kDirectXText[] = "DirectX をインストール中...";

using DirectXSetupFn = INT(WINAPI*)(HWND owner, LPSTR rootPath, DWORD flags);
using DirectXSetupCallback = DWORD(WINAPI*)(DWORD, DWORD, LPSTR, LPSTR, LPVOID);
using DirectXSetupSetCallbackFn = INT(WINAPI*)(DirectXSetupCallback callback);

}  // namespace

bool ShouldInstallDirectX(const char* libraryPath, const uint16_t wanted[4], bool isNtMinor1) {
  DWORD version = 0, revision = 0;
  GetDirectXVersion(libraryPath, &version, &revision);
  return DirectXSetupWanted(wanted, isNtMinor1, version, revision);
}

int RunDirectXSetup(const char* libraryPath, bool* ran) {
  if (ran != nullptr) *ran = false;
  std::string folder = FolderPart(libraryPath);
  if (folder.empty() || folder.size() > kMaxPath) return 0;
  ScopedLibrary library(libraryPath);
  auto setup = library.Find<DirectXSetupFn>("DirectXSetupA");
  auto setCallback = library.Find<DirectXSetupSetCallbackFn>("DirectXSetupSetCallback");
  if (setup == nullptr || setCallback == nullptr) return 0;
  setCallback(nullptr);
  if (ran != nullptr) *ran = true;
  return setup(nullptr, &folder[0], kCompleteRuntime);
}

int RunDirectXStep(EngineHost& host) {
  host.SetWorkItem(kDirectXText);
  InstallContext& context = host.context();
  const InstallInfo* info = context.installInfo.get();
  if (info == nullptr || info->dxSetupDll[0] == '\0') return 1;
  std::string path = std::string(context.cdFolder) + info->dxSetupDll;
  if (path.size() > kMaxPath) return 1;  // a cut path would load another library
  if (!ShouldInstallDirectX(path.c_str(), info->dxVersion, context.isNtMinor1 != 0)) return 1;
  bool ran = false;
  int result = RunDirectXSetup(path.c_str(), &ran);
  if (result == 1) {
    context.restartRequired = 1;
  } else if (!ran || result < 0) {
    // The system keeps its older runtime: the installation goes on, and the user is told
    // at its end that the game may not start.
    context.directXFailed = 1;
  }
  return 1;
}

}  // namespace kaze
