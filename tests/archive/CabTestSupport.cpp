#include "CabTestSupport.h"

#include <algorithm>
#include <cstdio>

namespace kaze::test {

namespace {

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<uint16_t>(v >> 16));
}

void Set32(std::string& s, size_t at, uint32_t v) {
  std::string b;
  Put32(b, v);
  s.replace(at, 4, b);
}

void ListInto(const std::string& root, const std::string& relative,
              std::vector<std::string>* out) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListInto(root, relative + name + "\\", out);
    } else {
      out->push_back(relative + name);
    }
  } while (FindNextFileA(h, &found));
  FindClose(h);
}

}  // namespace

std::string ExeFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

std::string FixturePath(const std::string& name) { return ExeFolder() + "fixtures\\" + name; }

bool CanCreateShiftJisNames(const std::string& folder) {
  std::string probe = folder + "表ソ.tmp";
  if (!WriteBytes(probe, "x")) return false;
  DeleteFileA(probe.c_str());
  return true;
}

std::vector<std::string> ListTree(const std::string& folder) {
  std::vector<std::string> out;
  ListInto(folder, "", &out);
  std::sort(out.begin(), out.end());
  return out;
}

OwnerWindow::OwnerWindow()
    : window_(CreateWindowExA(0, "STATIC", "cab test owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr)) {}

OwnerWindow::~OwnerWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::string MakeStoredCabinet(const std::vector<StoredMember>& members) {
  const uint32_t kHeaderSize = 36, kFolderSize = 8;
  std::string files;
  std::string payload;
  for (const StoredMember& m : members) {
    Put32(files, static_cast<uint32_t>(m.data.size()));
    Put32(files, static_cast<uint32_t>(payload.size()));
    Put16(files, 0);       // folder 0
    Put16(files, 0x5A21);  // 2025-01-01
    Put16(files, 0x6000);  // 12:00
    Put16(files, m.attributes);
    files += m.name;
    files.push_back('\0');
    payload += m.data;
  }
  std::string blocks;
  uint16_t blockCount = 0;
  for (size_t at = 0; at < payload.size(); at += 32768) {
    size_t n = std::min<size_t>(32768, payload.size() - at);
    Put32(blocks, 0);  // no checksum
    Put16(blocks, static_cast<uint16_t>(n));
    Put16(blocks, static_cast<uint16_t>(n));
    blocks.append(payload, at, n);
    ++blockCount;
  }
  uint16_t folders = members.empty() ? 0 : 1;
  uint32_t filesOffset = kHeaderSize + folders * kFolderSize;
  uint32_t dataOffset = filesOffset + static_cast<uint32_t>(files.size());
  std::string cab = "MSCF";
  Put32(cab, 0);
  Put32(cab, 0);  // size, set below
  Put32(cab, 0);
  Put32(cab, filesOffset);
  Put32(cab, 0);
  cab.push_back(3);
  cab.push_back(1);
  Put16(cab, folders);
  Put16(cab, static_cast<uint16_t>(members.size()));
  Put16(cab, 0);  // flags
  Put16(cab, 0x1234);
  Put16(cab, 0);
  if (folders != 0) {
    Put32(cab, dataOffset);
    Put16(cab, blockCount);
    Put16(cab, 0);  // stored
  }
  cab += files;
  cab += blocks;
  Set32(cab, 8, static_cast<uint32_t>(cab.size()));
  return cab;
}

}  // namespace kaze::test
