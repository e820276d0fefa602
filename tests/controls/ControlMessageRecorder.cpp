// Linked into the test build of setup.exe (setup_recorded.exe) only, never into the
// shipped one. It records every message that the program's own code sends to a common
// control, and the styles those controls get, into the file that KAZE_CONTROL_LOG names,
// for check-control-messages.sh.
//
// The program's code calls user32 through import pointers (__imp__SendMessageA@16 and so
// on). This file defines those pointers itself, so the linker takes them from here rather
// than from the import library: every call of the program goes through the recorder,
// while the messages that comctl32 and user32 send among themselves do not.
//
// KAZE_CONTROLS_VERSION plays an older library: 400 hides comctl32's DllGetVersion and
// InitCommonControlsEx (which 4.00 lacks), 470 makes DllGetVersion report 4.70.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "system/ControlsVersion.h"

namespace {

// An export of a loaded module, found without GetProcAddress (which this file replaces).
FARPROC ExportOf(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.Size == 0) return nullptr;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), name) != 0) continue;
    DWORD address = functions[ordinals[i]];
    if (address < directory.VirtualAddress || address >= directory.VirtualAddress + directory.Size) {
      return reinterpret_cast<FARPROC>(const_cast<BYTE*>(base + address));
    }
    // Forwarded: "MODULE.Function".
    std::string target = reinterpret_cast<const char*>(base + address);
    size_t dot = target.find('.');
    if (dot == std::string::npos) return nullptr;
    return ExportOf(GetModuleHandleA((target.substr(0, dot) + ".dll").c_str()),
                    target.substr(dot + 1).c_str());
  }
  return nullptr;
}

template <typename Function>
Function Real(const char* module, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(ExportOf(GetModuleHandleA(module), name)));
}

const char* const kControlClasses[] = {
    WC_LISTVIEWA,   WC_HEADERA,      PROGRESS_CLASSA,  WC_TREEVIEWA,   WC_TABCONTROLA,
    TOOLTIPS_CLASSA, TRACKBAR_CLASSA, UPDOWN_CLASSA,   STATUSCLASSNAMEA, TOOLBARCLASSNAMEA,
    REBARCLASSNAMEA, ANIMATE_CLASSA,  HOTKEY_CLASSA,    DATETIMEPICK_CLASSA, MONTHCAL_CLASSA,
    WC_COMBOBOXEXA, WC_IPADDRESSA,   WC_PAGESCROLLERA, WC_NATIVEFONTCTLA};

// The common-control class of a window, or "" for any other window.
std::string ControlClass(HWND window) {
  char name[64] = {};
  if (window == nullptr || GetClassNameA(window, name, sizeof name) == 0) return "";
  for (const char* known : kControlClasses) {
    if (lstrcmpiA(name, known) == 0) return known;
  }
  return "";
}

class Log {
 public:
  void Write(const std::string& line) {
    if (!written_.insert(line).second) return;
    char path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("KAZE_CONTROL_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    if (!versionWritten_) {
      versionWritten_ = true;  // before the call, which records nothing itself
      Write("version " + std::to_string(kaze::CommonControlsVersion()));
    }
    if (FILE* file = std::fopen(path, "ab")) {
      std::fprintf(file, "%s\n", line.c_str());
      std::fclose(file);
    }
  }

  // Each style bit of a control's own (the low word of its window style).
  void Styles(const std::string& control, DWORD style) {
    for (DWORD bit = 1; bit <= 0x8000; bit <<= 1) {
      if ((style & bit) != 0) Write(Entry("style", control, bit));
    }
  }

  static std::string Entry(const char* kind, const std::string& control, DWORD value) {
    char text[128];
    std::snprintf(text, sizeof text, "%s %s 0x%04lX", kind, control.c_str(),
                  static_cast<unsigned long>(value));
    return text;
  }

 private:
  std::set<std::string> written_;
  bool versionWritten_ = false;
};

Log& TheLog() {
  static Log log;
  return log;
}

void Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message < WM_USER) return;  // the messages every window has
  std::string control = ControlClass(window);
  if (control.empty()) return;
  TheLog().Write(Log::Entry("message", control, message));
  TheLog().Styles(control, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & 0xFFFF);
  if (control == WC_LISTVIEWA && message == LVM_SETEXTENDEDLISTVIEWSTYLE) {
    DWORD styles = static_cast<DWORD>(lParam);
    if (wParam != 0) styles &= static_cast<DWORD>(wParam);
    for (DWORD bit = 1; bit != 0; bit <<= 1) {
      if ((styles & bit) != 0) TheLog().Write(Log::Entry("exstyle", control, bit));
    }
  }
}

// Controls that the program creates (from its dialog templates): those whose parent is
// not itself a common control, which makes its own parts (a list view's header).
LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CBT_CREATEWNDA* creation = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
    HWND parent = creation->lpcs->hwndParent;
    std::string control = ControlClass(reinterpret_cast<HWND>(wParam));
    if (!control.empty() && parent != nullptr && ControlClass(parent).empty()) {
      TheLog().Styles(control, static_cast<DWORD>(creation->lpcs->style) & 0xFFFF);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct CreationWatch {
  CreationWatch() { SetWindowsHookExA(WH_CBT, &WatchCreation, nullptr, GetCurrentThreadId()); }
} creationWatch;

int PlayedVersion() {
  char text[16] = {};
  GetEnvironmentVariableA("KAZE_CONTROLS_VERSION", text, sizeof text);
  return std::atoi(text);
}

HRESULT CALLBACK Reports470(void* information) {
  struct VersionInfo {
    DWORD size, major, minor, build, platform;
  };
  auto* info = static_cast<VersionInfo*>(information);
  info->major = 4;
  info->minor = 70;
  info->build = 0;
  info->platform = 1;
  return S_OK;
}

using SendA = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using SendItemA = LRESULT(WINAPI*)(HWND, int, UINT, WPARAM, LPARAM);
using PostA = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using SendTimeoutA = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR);
using SetLongA = LONG(WINAPI*)(HWND, int, LONG);
using CallProcA = LRESULT(WINAPI*)(WNDPROC, HWND, UINT, WPARAM, LPARAM);
using FindExport = FARPROC(WINAPI*)(HMODULE, LPCSTR);

}  // namespace

// The real functions are looked up on first use into plain statics, without the guard of a
// dynamic initialisation: the C run time calls GetProcAddress before main.
extern "C" {

LRESULT WINAPI RecordSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static SendA real = nullptr;
  if (real == nullptr) real = Real<SendA>("user32.dll", "SendMessageA");
  Record(window, message, wParam, lParam);
  return real(window, message, wParam, lParam);
}

LRESULT WINAPI RecordSendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static SendA real = nullptr;
  if (real == nullptr) real = Real<SendA>("user32.dll", "SendMessageW");
  Record(window, message, wParam, lParam);
  return real(window, message, wParam, lParam);
}

LRESULT WINAPI RecordSendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  static SendItemA real = nullptr;
  if (real == nullptr) real = Real<SendItemA>("user32.dll", "SendDlgItemMessageA");
  Record(GetDlgItem(dialog, id), message, wParam, lParam);
  return real(dialog, id, message, wParam, lParam);
}

BOOL WINAPI RecordPostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static PostA real = nullptr;
  if (real == nullptr) real = Real<PostA>("user32.dll", "PostMessageA");
  Record(window, message, wParam, lParam);
  return real(window, message, wParam, lParam);
}

BOOL WINAPI RecordSendNotifyMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static PostA real = nullptr;
  if (real == nullptr) real = Real<PostA>("user32.dll", "SendNotifyMessageA");
  Record(window, message, wParam, lParam);
  return real(window, message, wParam, lParam);
}

LRESULT WINAPI RecordSendMessageTimeoutA(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam, UINT flags, UINT timeout,
                                         PDWORD_PTR result) {
  static SendTimeoutA real = nullptr;
  if (real == nullptr) real = Real<SendTimeoutA>("user32.dll", "SendMessageTimeoutA");
  Record(window, message, wParam, lParam);
  return real(window, message, wParam, lParam, flags, timeout, result);
}

LONG WINAPI RecordSetWindowLongA(HWND window, int index, LONG value) {
  static SetLongA real = nullptr;
  if (real == nullptr) real = Real<SetLongA>("user32.dll", "SetWindowLongA");
  std::string control = ControlClass(window);
  if (index == GWL_STYLE && !control.empty()) {
    TheLog().Styles(control, static_cast<DWORD>(value) & 0xFFFF);
  }
  return real(window, index, value);
}

// A subclass passing a message on to the control's own procedure.
LRESULT WINAPI RecordCallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) {
  static CallProcA real = nullptr;
  if (real == nullptr) real = Real<CallProcA>("user32.dll", "CallWindowProcA");
  Record(window, message, wParam, lParam);
  return real(procedure, window, message, wParam, lParam);
}

FARPROC WINAPI PlayGetProcAddress(HMODULE module, LPCSTR name) {
  static FindExport real = nullptr;
  if (real == nullptr) real = Real<FindExport>("kernel32.dll", "GetProcAddress");
  static int played = -1;
  if (played < 0) played = PlayedVersion();
  bool byName = (reinterpret_cast<ULONG_PTR>(name) >> 16) != 0;
  if (played != 0 && byName && module != nullptr && module == GetModuleHandleA("comctl32.dll")) {
    const bool getVersion = std::strcmp(name, "DllGetVersion") == 0;
    if (played < kaze::kControls470 &&
        (getVersion || std::strcmp(name, "InitCommonControlsEx") == 0)) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    if (played == kaze::kControls470 && getVersion) {
      return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Reports470));
    }
  }
  return real(module, name);
}

// The import pointers the program's objects call through, set before any code runs.
LRESULT(WINAPI* importSendMessageA)(HWND, UINT, WPARAM, LPARAM) __asm__("__imp__SendMessageA@16") =
    &RecordSendMessageA;
LRESULT(WINAPI* importSendMessageW)(HWND, UINT, WPARAM, LPARAM) __asm__("__imp__SendMessageW@16") =
    &RecordSendMessageW;
LRESULT(WINAPI* importSendDlgItemMessageA)(HWND, int, UINT, WPARAM, LPARAM) __asm__(
    "__imp__SendDlgItemMessageA@20") = &RecordSendDlgItemMessageA;
BOOL(WINAPI* importPostMessageA)(HWND, UINT, WPARAM, LPARAM) __asm__("__imp__PostMessageA@16") =
    &RecordPostMessageA;
BOOL(WINAPI* importSendNotifyMessageA)(HWND, UINT, WPARAM, LPARAM) __asm__(
    "__imp__SendNotifyMessageA@16") = &RecordSendNotifyMessageA;
LRESULT(WINAPI* importSendMessageTimeoutA)(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR)
    __asm__("__imp__SendMessageTimeoutA@28") = &RecordSendMessageTimeoutA;
LONG(WINAPI* importSetWindowLongA)(HWND, int, LONG) __asm__("__imp__SetWindowLongA@12") =
    &RecordSetWindowLongA;
LRESULT(WINAPI* importCallWindowProcA)(WNDPROC, HWND, UINT, WPARAM, LPARAM) __asm__(
    "__imp__CallWindowProcA@20") = &RecordCallWindowProcA;
FARPROC(WINAPI* importGetProcAddress)(HMODULE, LPCSTR) __asm__("__imp__GetProcAddress@8") =
    &PlayGetProcAddress;

}  // extern "C"
