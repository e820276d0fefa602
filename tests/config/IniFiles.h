#pragma once
// INI fixtures for the configuration tests (scratch folders: tests/support/ScratchFiles.h).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/ScratchFiles.h"

namespace kaze::test {

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
