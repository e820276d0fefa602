#pragma once
// A host that records what the engine's steps report, and scratch folders that go away
// with their contents.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineHost.h"

namespace kaze::test {

struct LoggedEntry {
  int kind;
  std::string path;
  bool operator==(const LoggedEntry& other) const {
    return kind == other.kind && path == other.path;
  }
};

inline std::ostream& operator<<(std::ostream& out, const LoggedEntry& entry) {
  return out << "{" << entry.kind << ", " << entry.path << "}";
}

class RecordingHost : public EngineHost {
 public:
  InstallContext& context() override { return context_; }
  HWND pageWindow() const override { return nullptr; }
  void SetWorkItem(const char* text) override { workItems.push_back(text); }
  void PumpOneFrameMessage() override { ++pumps; }
  void RecordLogEntry(int kind, const char* path) override {
    if (path != nullptr && path[0] != '\0') log.push_back({kind, path});
  }

  std::vector<std::string> workItems;
  std::vector<LoggedEntry> log;
  int pumps = 0;

 private:
  InstallContext context_;
};

inline void RemoveTree(const std::string& folder) {
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = base + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(base.c_str());
}

// A fresh folder (with its backslash) below the temporary folder, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int serial = 0;
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%skaze_engine_%lu_%d\\", temp, GetCurrentProcessId(),
                  ++serial);
    path_ = name;
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

  // Makes a folder below this one; returns its path with the backslash.
  std::string Folder(const std::string& relative) const {
    std::string folder = path_ + relative;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
  }

 private:
  std::string path_;
};

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return true;
}

inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder of the running test program, with its backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace kaze::test
