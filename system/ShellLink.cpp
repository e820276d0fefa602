// Shell links, the shutdown privilege and the restart: the SystemSession operations
// that the registration step and the frame's clean-up use.
#include <cstring>
#include <string>

#include "app/SystemSession.h"
#include "system/Handles.h"
#include "system/OsServices.h"
#include "system/PathSplit.h"

namespace kaze {

namespace {

// Link location modes.
constexpr unsigned char kLinkInPrograms = 1;
constexpr unsigned char kLinkOnDesktop = 2;

}  // namespace

BOOL SystemSession::EnableShutdownPrivilege(HWND) {
  isNtPlatform = IsNtPlatform();
  if (isNtPlatform && !shutdownEnabled) {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.out())) {
      return FALSE;
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
      return FALSE;
    }
    // AdjustTokenPrivileges succeeds even when the account lacks the privilege; only
    // the error code tells.
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) ||
        GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
      return FALSE;
    }
  }
  shutdownEnabled = 1;
  return TRUE;
}

BOOL SystemSession::RestartWindows() {
  if (!shutdownEnabled || exitWindows == nullptr) return 0;
  return exitWindows(EWX_REBOOT, 0);
}

BOOL SystemSession::StartShellLink(HWND) {
  if (shellStarted) return TRUE;
  HRESULT hr = CoInitialize(nullptr);
  if (hr == E_OUTOFMEMORY || hr == E_INVALIDARG || hr == E_UNEXPECTED) return FALSE;
  // From here CoInitialize succeeded (S_OK or S_FALSE) and must be balanced.
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink)))) {
    shellLink = nullptr;
    CoUninitialize();
    return FALSE;
  }
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile,
                                       reinterpret_cast<void**>(&persistFile)))) {
    persistFile = nullptr;
    shellLink->Release();
    shellLink = nullptr;
    CoUninitialize();
    return FALSE;
  }
  shellStarted = 1;
  return TRUE;
}

BOOL SystemSession::StopShellLink() {
  if (shellStarted) {
    if (persistFile != nullptr) persistFile->Release();
    persistFile = nullptr;
    if (shellLink != nullptr) shellLink->Release();
    shellLink = nullptr;
    CoUninitialize();
    shellStarted = 0;
  }
  return TRUE;
}

void SystemSession::ResolveLinkLocation(unsigned char mode, const char* linkPath, char* out) {
  out[0] = '\0';
  std::string full;
  if (mode == kLinkInPrograms || mode == kLinkOnDesktop) {
    char folder[MAX_PATH] = {};
    BOOL found = mode == kLinkInPrograms ? GetProgramsFolder(folder) : GetDesktopFolder(folder);
    if (!found) return;  // no folder: no place for the link
    full = folder;
  }
  full += linkPath;
  // A link path cut to the buffer would name another file: leave it empty instead.
  if (full.size() >= MAX_PATH) return;
  std::memcpy(out, full.c_str(), full.size() + 1);
}

BOOL SystemSession::CreateShortcut(unsigned char mode, const char* linkPath, const char* target,
                                   const char* arguments, const char* workingFolder) {
  if (!shellStarted) return TRUE;

  char linkFile[MAX_PATH];
  ResolveLinkLocation(mode, linkPath, linkFile);
  if (linkFile[0] == '\0') return FALSE;
  if (std::strlen(target) >= MAX_PATH) return FALSE;

  std::string folder;
  if (workingFolder != nullptr) {
    folder = workingFolder;
  } else {
    SplitPathResult parts = SplitPath(target);
    folder = parts.drive + parts.folder;
  }
  if (folder.size() >= MAX_PATH) return FALSE;

  shellLink->SetPath(target);
  shellLink->SetShowCmd(SW_SHOW);
  shellLink->SetWorkingDirectory(folder.c_str());
  shellLink->SetIconLocation("", 0);
  shellLink->SetHotkey(0);
  shellLink->SetDescription("");
  shellLink->SetArguments(arguments != nullptr ? arguments : "");

  wchar_t wideLink[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, linkFile, -1, wideLink, MAX_PATH) == 0) {
    return FALSE;
  }
  return SUCCEEDED(persistFile->Save(wideLink, TRUE)) ? TRUE : FALSE;
}

}  // namespace kaze
