#pragma once
// Drives another Windows program as a user would: starts it, finds its windows by class,
// caption or control id, reads their texts and presses their buttons.
#include <windows.h>

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

class ChildProcess {
 public:
  explicit ChildProcess(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != 0;
  }
  ~ChildProcess() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }

  // True when the process ended within the time; its exit code goes to *code.
  bool WaitForExit(DWORD milliseconds, DWORD* code = nullptr) const {
    if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) return false;
    if (code != nullptr) GetExitCodeProcess(info_.hProcess, code);
    return true;
  }

  // Visible top-level windows of the process.
  std::vector<HWND> Windows() const {
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
      if (WaitForSingleObject(info_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
    }
  }

 private:
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

  PROCESS_INFORMATION info_ = {};
  bool started_ = false;
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

inline void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace kaze::test
