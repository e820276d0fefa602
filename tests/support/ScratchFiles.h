#pragma once
// Scratch folders and whole-file reads and writes for the tests under Wine.
#include <windows.h>

#include <cstdio>
#include <string>

#include "system/Dbcs.h"

namespace kaze::test {

// The temporary folder; a new Wine prefix names it without creating it.
inline std::string TempFolder() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  CreateDirectoryA(folder, nullptr);
  return folder;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadBytes(const std::string& path) {
  std::string data;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return data;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) data.append(block, got);
  CloseHandle(file);
  return data;
}

inline bool WriteBytes(const std::string& path, const std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = data.empty() ||
            (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
             written == data.size());
  CloseHandle(file);
  return ok;
}

// Removes a scratch tree (the test's own files only), read-only ones included.
inline void RemoveTree(std::string folder) {
  if (!folder.empty() && !EndsWithBackslash(folder.c_str())) folder += '\\';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + "\\");
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

// A fresh folder below the temporary folder (its path ends with a backslash), removed with
// everything in it at the end of the test. Without a name it gets a unique one.
class ScratchFolder {
 public:
  ScratchFolder() : ScratchFolder(UniqueName()) {}
  explicit ScratchFolder(const std::string& name) : path_(TempFolder() + name + "\\") {
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

  // Makes a folder below this one; returns its path as given (with its backslash).
  std::string Folder(const std::string& relative) const {
    std::string folder = path_ + relative;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
  }
  // Writes a file of these bytes (narrow literals are Shift-JIS already); returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string file = path_ + name;
    WriteBytes(file, bytes);
    return file;
  }

 private:
  static std::string UniqueName() {
    static int serial = 0;
    char name[64];
    std::snprintf(name, sizeof name, "kaze_scratch_%lu_%d", GetCurrentProcessId(), ++serial);
    return name;
  }

  std::string path_;
};

}  // namespace kaze::test
