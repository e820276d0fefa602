// Stand-in DirectX setup library for the tests. DirectXSetupGetVersion answers the figures
// in KAZE_DXSETUP ("version revision result", numbers in C notation); without it,
// version 0x00040009, revision 0x00000384, result 1.
#include <windows.h>

#include <cstdio>

extern "C" INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision) {
  long v = 0x00040009, r = 0x00000384;
  int result = 1;
  char text[128] = {};
  if (GetEnvironmentVariableA("KAZE_DXSETUP", text, sizeof text) != 0) {
    std::sscanf(text, "%li %li %i", &v, &r, &result);
  }
  if (version != nullptr) *version = static_cast<DWORD>(v);
  if (revision != nullptr) *revision = static_cast<DWORD>(r);
  return result;
}

// DirectXSetupSetCallback and DirectXSetupA append what they were given, one line per call,
// to the file named by KAZE_DXSETUP_LOG; DirectXSetupA answers KAZE_DXSETUP_RESULT (0
// without it).
namespace {
void AppendCallLine(const char* line) {
  char path[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("KAZE_DXSETUP_LOG", path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
}
}  // namespace

extern "C" INT WINAPI DirectXSetupSetCallback(void* callback) {
  char line[64];
  std::snprintf(line, sizeof line, "SetCallback %lx",
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(callback)));
  AppendCallLine(line);
  return 1;
}

extern "C" INT WINAPI DirectXSetupA(HWND owner, LPSTR rootPath, DWORD flags) {
  char line[MAX_PATH + 64];
  std::snprintf(line, sizeof line, "Setup %lx %s 0x%lx",
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(owner)),
                rootPath != nullptr ? rootPath : "(null)", static_cast<unsigned long>(flags));
  AppendCallLine(line);
  char text[32] = {};
  long result = 0;
  if (GetEnvironmentVariableA("KAZE_DXSETUP_RESULT", text, sizeof text) != 0) {
    std::sscanf(text, "%li", &result);
  }
  return static_cast<INT>(result);
}
