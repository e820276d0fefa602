#pragma once
// Small helpers shared by the system tests under Wine.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace kaze::test {

// The folder of the running test program, with its backslash (where the stand-in
// libraries are copied).
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

inline std::string Env(const char* name) {
  char text[256] = {};
  GetEnvironmentVariableA(name, text, sizeof text);
  return text;
}

inline long EnvNumber(const char* name) { return std::strtol(Env(name).c_str(), nullptr, 10); }

}  // namespace kaze::test
