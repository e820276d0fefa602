#pragma once
// Scratch folders and INI files for the configuration tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kaze::test {

// A fresh folder below the temporary folder, removed with its files at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int serial = 0;
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%skaze_config_%lu_%d\\", temp, GetCurrentProcessId(),
                  ++serial);
    path_ = name;
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

  // Writes bytes as they are (narrow literals are Shift-JIS already); returns the path.
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string file = path_ + name;
    FILE* f = std::fopen(file.c_str(), "wb");
    EXPECT_NE(f, nullptr) << file;
    if (f != nullptr) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    files_.push_back(file);
    return file;
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// A UTF-8 fixture of tests/fixtures, converted to Shift-JIS (code page 932).
inline std::string ReadFixtureAsShiftJis(const char* relativePath) {
  const char* root = std::getenv("KAZE_FIXTURES");
  EXPECT_NE(root, nullptr) << "KAZE_FIXTURES is not set";
  if (root == nullptr) return "";
  std::string path = root;
  path += "/";
  path += relativePath;
  if (path[0] == '/') path = "Z:" + path;  // a Unix path, seen through Wine's Z: drive
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::string utf8;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) utf8.append(chunk, n);
    std::fclose(f);
  }
  EXPECT_FALSE(utf8.empty()) << path;
  if (utf8.empty()) return "";
  int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       nullptr, 0);
  std::wstring wide(wideLength, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                      wideLength);
  int length = WideCharToMultiByte(932, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string sjis(length, '\0');
  WideCharToMultiByte(932, 0, wide.data(), wideLength, &sjis[0], length, nullptr, nullptr);
  return sjis;
}

}  // namespace kaze::test
