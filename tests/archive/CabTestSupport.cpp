#include "CabTestSupport.h"

#include <algorithm>
#include <cstdio>

#include "CabBytes.h"

namespace kaze::test {

namespace {

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

std::vector<std::string> MakeStoredCabinetSet(const std::vector<StoredMember>& members,
                                              const std::vector<std::string>& names,
                                              bool folderRunsOnAtFileCuts) {
  const size_t parts = names.size();
  std::string payload;
  std::vector<size_t> starts, ends;
  for (const StoredMember& m : members) {
    starts.push_back(payload.size());
    payload += m.data;
    ends.push_back(payload.size());
  }
  // Part i holds the bytes [cut[i], cut[i+1]); an inner cut never falls on a block start.
  std::vector<size_t> cut;
  for (size_t i = 0; i <= parts; ++i) cut.push_back(payload.size() * i / parts);
  // As the system's compressor does, a folder cut by a part ends with the file that
  // spans the cut, and the files after it start a new folder.
  // A cut between two files simply ends the folder there.
  std::vector<size_t> folderStarts = {0};
  for (size_t c = 1; c < parts; ++c) {
    size_t end = cut[c];
    for (size_t i = 0; i < members.size(); ++i) {
      if (starts[i] < cut[c] && ends[i] > cut[c]) end = ends[i];
    }
    if (folderRunsOnAtFileCuts && end == cut[c]) continue;
    if (end < payload.size() && folderStarts.back() < end) folderStarts.push_back(end);
  }
  auto folderOf = [&](size_t at) {
    size_t f = 0;
    while (f + 1 < folderStarts.size() && folderStarts[f + 1] <= at) ++f;
    return f;
  };
  auto folderEnd = [&](size_t f) {
    return f + 1 < folderStarts.size() ? folderStarts[f + 1] : payload.size();
  };

  std::vector<std::string> cabinets;
  for (size_t part = 0; part < parts; ++part) {
    const size_t begin = cut[part], end = cut[part + 1];
    const bool hasPrev = part > 0, hasNext = part + 1 < parts;
    std::string setNames;
    if (hasPrev) setNames += names[part - 1] + '\0' + "DISK" + '\0';
    if (hasNext) setNames += names[part + 1] + '\0' + "DISK" + '\0';

    // The pieces of folders in this part, each with its blocks (32 KB from the folder's
    // start; a block cut by the part's end ends with cbUncomp 0 and is finished in the
    // next part, whose first piece gives the whole block's size).
    struct Piece {
      size_t folder;
      std::string blocks;
      uint16_t count = 0;
    };
    std::vector<Piece> pieces;
    for (size_t at = begin; at < end;) {
      size_t f = folderOf(at);
      size_t fs = folderStarts[f], fe = std::min(folderEnd(f), end);
      Piece piece{f, "", 0};
      while (at < fe) {
        size_t blockStart = fs + (at - fs) / 32768 * 32768;
        size_t blockEnd = std::min(blockStart + 32768, folderEnd(f));
        size_t pieceEnd = std::min(blockEnd, end);
        Put32(piece.blocks, 0);
        Put16(piece.blocks, static_cast<uint16_t>(pieceEnd - at));
        Put16(piece.blocks, static_cast<uint16_t>(pieceEnd < blockEnd ? 0 : blockEnd - blockStart));
        piece.blocks.append(payload, at, pieceEnd - at);
        ++piece.count;
        at = pieceEnd;
      }
      pieces.push_back(piece);
    }

    std::string files;
    uint16_t fileCount = 0;
    for (size_t i = 0; i < members.size(); ++i) {
      bool startsHere = starts[i] >= begin && (starts[i] < end || (!hasNext && starts[i] == end));
      bool fromPrev = starts[i] < begin && ends[i] > begin;
      if (!startsHere && !fromPrev) continue;
      bool toNext = hasNext && ends[i] > end;
      uint16_t index = 0;
      if (fromPrev && toNext) {
        index = 0xFFFF;
      } else if (fromPrev) {
        index = 0xFFFD;
      } else if (toNext) {
        index = 0xFFFE;
      } else {
        for (size_t k = 0; k < pieces.size(); ++k) {
          if (pieces[k].folder == folderOf(starts[i])) index = static_cast<uint16_t>(k);
        }
      }
      Put32(files, static_cast<uint32_t>(members[i].data.size()));
      Put32(files, static_cast<uint32_t>(starts[i] - folderStarts[folderOf(starts[i])]));
      Put16(files, index);
      Put16(files, 0x5A21);
      Put16(files, 0x6000);
      Put16(files, members[i].attributes);
      files += members[i].name;
      files.push_back('\0');
      ++fileCount;
    }

    const uint32_t header = 36 + static_cast<uint32_t>(setNames.size());
    const uint32_t filesOffset = header + 8 * static_cast<uint32_t>(pieces.size());
    uint32_t dataOffset = filesOffset + static_cast<uint32_t>(files.size());
    std::string cab = "MSCF";
    Put32(cab, 0);
    Put32(cab, 0);
    Put32(cab, 0);
    Put32(cab, filesOffset);
    Put32(cab, 0);
    cab.push_back(3);
    cab.push_back(1);
    Put16(cab, static_cast<uint16_t>(pieces.size()));
    Put16(cab, fileCount);
    Put16(cab, static_cast<uint16_t>((hasPrev ? 0x0001 : 0) | (hasNext ? 0x0002 : 0)));
    Put16(cab, 0x4321);  // the set's id
    Put16(cab, static_cast<uint16_t>(part));
    cab += setNames;
    for (const Piece& piece : pieces) {
      Put32(cab, dataOffset);
      Put16(cab, piece.count);
      Put16(cab, 0);  // stored
      dataOffset += static_cast<uint32_t>(piece.blocks.size());
    }
    cab += files;
    for (const Piece& piece : pieces) cab += piece.blocks;
    Set32(cab, 8, static_cast<uint32_t>(cab.size()));
    cabinets.push_back(cab);
  }
  return cabinets;
}

}  // namespace kaze::test
