#pragma once
// Drives another Windows program as a user would: starts it, finds its windows by class,
// caption or control id, reads their texts and presses their buttons.
#include <windows.h>
#include <tlhelp32.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kaze::test {

// The folder of the running test program, with a trailing backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

inline std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

inline std::string ClassName(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A started program. With followHandover, a program that hands over to a copy of itself
// (setup.exe started from a disc runs on from a copy) is followed: from the moment the
// process has started a child of its own file name, the child is the one whose windows,
// exit and exit code count. Other children (Wine's helpers, say) are not followed.
class ChildProcess {
 public:
  explicit ChildProcess(const std::string& commandLine, bool followHandover = false)
      : follow_(followHandover) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != 0;
  }
  ~ChildProcess() {
    if (!started_) return;
    Follow();
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    if (info_.hThread != nullptr) CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return started_; }
  DWORD id() const {
    Follow();
    return info_.dwProcessId;
  }
  // How many times a handover was followed.
  int handovers() const { return handovers_; }

  // True when the process ended within the time; its exit code goes to *code.
  bool WaitForExit(DWORD milliseconds, DWORD* code = nullptr) const {
    DWORD start = GetTickCount();
    for (;;) {
      Follow();
      DWORD spent = GetTickCount() - start;
      DWORD left = spent >= milliseconds ? 0 : milliseconds - spent;
      DWORD slice = follow_ && left > 100 ? 100 : left;
      if (WaitForSingleObject(info_.hProcess, slice) == WAIT_OBJECT_0) {
        if (Follow()) continue;  // it handed over as it ended
        if (code != nullptr) GetExitCodeProcess(info_.hProcess, code);
        return true;
      }
      if (slice == left) return false;
    }
  }

  // Visible top-level windows of the process.
  std::vector<HWND> Windows() const {
    Follow();
    Search search{info_.dwProcessId, {}};
    EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Polls until a visible top-level window of the process satisfies the test.
  HWND WaitForWindow(const std::function<bool(HWND)>& test, DWORD milliseconds) const {
    DWORD start = GetTickCount();
    for (;;) {
      for (HWND window : Windows()) {
        if (test(window)) return window;
      }
      if (GetTickCount() - start > milliseconds) return nullptr;
      if (WaitForSingleObject(info_.hProcess, 50) == WAIT_OBJECT_0 && !Follow()) return nullptr;
    }
  }

 private:
  // Moves to the process's child, if it has one now; true when it moved.
  bool Follow() const {
    if (!follow_ || !started_) return false;
    bool moved = false;
    for (;;) {
      DWORD child = ChildOf(info_.dwProcessId, &name_);
      if (child == 0) return moved;
      HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE,
                                  FALSE, child);
      if (handle == nullptr) return moved;
      CloseHandle(info_.hProcess);
      if (info_.hThread != nullptr) CloseHandle(info_.hThread);
      info_.hProcess = handle;
      info_.hThread = nullptr;
      info_.dwProcessId = child;
      ++handovers_;
      moved = true;
    }
  }

  // A child of parent with the file name *name (learnt from the snapshot when empty).
  static DWORD ChildOf(DWORD parent, std::string* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    std::vector<PROCESSENTRY32> entries;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
      entries.push_back(entry);
    }
    CloseHandle(snapshot);
    auto base = [](const char* path) {
      const char* slash = std::strrchr(path, '\\');
      return std::string(slash != nullptr ? slash + 1 : path);
    };
    if (name->empty()) {
      for (const PROCESSENTRY32& e : entries) {
        if (e.th32ProcessID == parent) *name = base(e.szExeFile);
      }
    }
    for (const PROCESSENTRY32& e : entries) {
      if (e.th32ParentProcessID == parent && e.th32ProcessID != parent && !name->empty() &&
          lstrcmpiA(base(e.szExeFile).c_str(), name->c_str()) == 0) {
        return e.th32ProcessID;
      }
    }
    return 0;
  }

  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  };
  static BOOL CALLBACK Collect(HWND window, LPARAM arg) {
    auto* s = reinterpret_cast<Search*>(arg);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid && IsWindowVisible(window)) s->found.push_back(window);
    return TRUE;
  }

  mutable PROCESS_INFORMATION info_ = {};
  mutable int handovers_ = 0;
  mutable std::string name_;  // the program's file name, followed from copy to copy
  bool started_ = false;
  bool follow_ = false;
};

// A message box: a dialog window of class #32770 with the given caption.
inline std::function<bool(HWND)> IsMessageBox(const std::string& caption) {
  return [caption](HWND window) {
    return ClassName(window) == "#32770" && WindowText(window) == caption &&
           GetDlgItem(window, 0xFFFF) != nullptr;
  };
}

// The text of a message box (its static control 0xFFFF).
inline std::string MessageBoxText(HWND box) {
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

// Polls for a visible message box of any process (a program may hand over to a second
// process of its own) with this caption.
inline HWND FindAnyMessageBox(const std::string& caption, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND found = nullptr;
    while ((found = FindWindowExA(nullptr, found, "#32770", caption.c_str())) != nullptr) {
      if (IsWindowVisible(found) && GetDlgItem(found, 0xFFFF) != nullptr) return found;
    }
    if (GetTickCount() - start > milliseconds) return nullptr;
    Sleep(50);
  }
}

// The installer's wizard frame: a dialog window carrying the Next button (1008).
inline bool IsWizardFrame(HWND window) {
  return ClassName(window) == "#32770" && GetDlgItem(window, 1008) != nullptr;
}

// True when Windows reports the NT family (as the Wine prefix's version says).
inline bool IsNtFamily() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

inline void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Clicks a button of another process's window without waiting for it.
inline void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Waits until done() holds; false after the time-out or when the process ended first.
inline bool WaitFor(const ChildProcess& process, const std::function<bool()>& done,
                    DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return false;
    if (process.WaitForExit(50)) return false;
  }
  return true;
}

}  // namespace kaze::test
