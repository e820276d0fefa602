#include "system/RunFolderPlace.h"

#include "system/FileUtils.h"
#include "system/PathText.h"

namespace kaze {
namespace {

// Full access for the system (SY) and the administrators (BA), on the folder and on what
// it holds (OICI); P: nothing inherited from the parent.
const char kAdministratorsOnly[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

using ConvertFn = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);

}  // namespace

bool HasSeparateElevation() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
         info.dwMajorVersion >= 6;
}

std::string RunFolderParent() {
  char folder[MAX_PATH] = {};
  if (HasSeparateElevation()) {
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return std::string();
    std::string temp = AsFolder(folder) + "Temp\\";
    // Every Vista and later has it; without it a run cannot be kept from other programs.
    if (temp.size() >= MAX_PATH || !PathExists(temp.c_str())) return std::string();
    return temp;
  }
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return std::string();
  // A fresh profile may name a temporary folder that does not exist yet.
  CreateDirectoryA(folder, nullptr);
  return AsFolder(folder);
}

RunFolderAccess::RunFolderAccess() : needed_(HasSeparateElevation()) {
  if (!needed_) return;
  // Windows 2000 and later: looked up so that older systems still load the program.
  HMODULE advapi = GetModuleHandleA("advapi32.dll");
  ConvertFn convert =
      advapi == nullptr
          ? nullptr
          : reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(
                advapi, "ConvertStringSecurityDescriptorToSecurityDescriptorA")));
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (convert == nullptr || !convert(kAdministratorsOnly, 1 /* SDDL_REVISION_1 */, &descriptor,
                                     nullptr)) {
    return;
  }
  descriptor_ = descriptor;
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor;
  attributes_.bInheritHandle = FALSE;
}

RunFolderAccess::~RunFolderAccess() {
  if (descriptor_ != nullptr) LocalFree(descriptor_);
}

}  // namespace kaze
