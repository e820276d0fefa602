#include "system/FileUtils.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "system/Dbcs.h"
#include "system/PathSpelling.h"
#include "system/PathText.h"
#include "system/WindowsCompat.h"

namespace kaze {

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool FolderIsEmpty(const std::string& path) {
  std::string folder = path;
  if (!EndsWithBackslash(folder.c_str())) folder += '\\';
  WIN32_FIND_DATAA found;
  ScopedFindHandle search(FindFirstFileA((folder + "*.*").c_str(), &found));
  if (!search.valid()) return true;
  do {
    if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
      return false;
    }
  } while (FindNextFileA(search.get(), &found));
  return true;
}

std::string LongPath(const char* path) {
  if (path[0] == '\0' || path[1] != ':' || path[2] != '\\' ||
      std::strpbrk(path, "*?") != nullptr) {
    return path;
  }
  std::string result(path, 3);
  for (const char* part = path + 3; *part != '\0';) {
    const char* separator = FindChar(part, '\\');
    std::string name = separator != nullptr ? std::string(part, separator) : std::string(part);
    if (name.empty() || name == "." || name == "..") return path;
    WIN32_FIND_DATAA found;
    {
      ScopedFindHandle search(FindFirstFileA((result + name).c_str(), &found));
      if (!search.valid()) return result + part;
    }
    result += found.cFileName;
    if (separator == nullptr) break;
    result += '\\';
    part = separator + 1;
  }
  return result;
}

Spelling CanonicalPath(const char* text, bool asFolder, std::string* out) {
  std::string spelled;
  Spelling spelling = NormalizePathText(text, asFolder, &spelled);
  if (spelling != Spelling::kOk) return spelling;
  std::string path = LongPath(spelled.c_str());
  // A long name can make the path longer than the short one it stood for.
  if (path.size() > kSpelledPathMax) return Spelling::kTooLong;
  *out = path;
  return Spelling::kOk;
}

bool FileSize(const char* path, ULONGLONG* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributeData(path, &data)) return false;
  *size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool ReadWholeFile(const char* path, size_t limit, std::string* bytes) {
  bytes->clear();
  ScopedFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && ReadOpenFile(file.get(), limit, bytes);
}

bool ReadOpenFile(HANDLE file, size_t limit, std::string* bytes) {
  bytes->clear();
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  if (high != 0 || low > limit) return false;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
  std::string data(low, '\0');
  DWORD got = 0;
  if (low > 0 && (!ReadFile(file, &data[0], low, &got, nullptr) || got != low)) return false;
  *bytes = std::move(data);
  return true;
}

namespace {

bool CopyIfFits(char* out, const std::string& text) {
  if (text.size() >= kFilePathSize) return false;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
}

std::string ProgramFolder() {
  char module[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return FolderPart(module);
}

bool WriteWhole(HANDLE file, const void* data, DWORD count) {
  DWORD written = 0;
  return WriteFile(file, data, count, &written, nullptr) && written == count;
}

}  // namespace

bool CreateUniqueFolder(const char* parent, const char* prefix, std::string* out,
                        const std::function<bool(const std::string&)>& beforeMaking,
                        SECURITY_ATTRIBUTES* access) {
  out->clear();
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 8);
  for (DWORD attempt = 0; attempt < 0x10000; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "%.20s%04lX", prefix,
                  static_cast<unsigned long>((seed + attempt) & 0xFFFF));
    std::string folder = std::string(parent) + name;
    if (folder.size() + 1 > MAX_PATH - 1) return false;  // with its backslash
    if (PathExists(folder.c_str())) continue;
    if (beforeMaking && !beforeMaking(folder + "\\")) return false;
    // CreateDirectory fails on anything already there: the folder is ours alone.
    if (CreateDirectoryA(folder.c_str(), access)) {
      *out = folder + "\\";
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool CopyFileWhole(const char* from, const char* to) {
  if (!CopyFileA(from, to, FALSE)) return false;
  ULONGLONG fromSize, toSize;
  return FileSize(from, &fromSize) && FileSize(to, &toSize) && fromSize == toSize;
}

// ---- TextFile ----

bool TextFile::ResolvePath(char* out, const char* path) {
  std::string resolved = IsBareFileName(path) ? ProgramFolder() + path : std::string(path);
  return CopyIfFits(out, resolved);
}

bool TextFile::Open(const char* path, DWORD mode) {
  if (path == nullptr || path[0] == '\0' || (mode & TF_CLOSE) != 0) return false;
  if ((mode & (TF_OPEN_EXISTING | TF_CREATE)) == 0) return false;
  char resolved[kFilePathSize];
  if (!ResolvePath(resolved, path)) return false;
  handle_.Close();
  ClearEndOfFile();
  std::memcpy(name_, resolved, sizeof name_);

  DWORD access = ((mode & TF_READ) ? GENERIC_READ : 0) | ((mode & TF_WRITE) ? GENERIC_WRITE : 0);
  bool stayAtStart = (mode & TF_KEEP_POSITION) != 0;
  DWORD disposition = OPEN_EXISTING;
  if (mode & TF_OPEN_EXISTING) {
    if (mode & TF_READ) stayAtStart = true;
  } else {
    if ((mode & TF_DELETE_FIRST) && PathExists(name_)) {
      SetFileAttributesA(name_, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(name_);
    }
    disposition = PathExists(name_) ? OPEN_EXISTING : CREATE_ALWAYS;
  }
  handle_.Reset(CreateFileA(name_, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
  if (!handle_.valid()) return false;
  if (!stayAtStart) SetFilePointer(handle_.get(), 0, nullptr, FILE_END);
  return true;
}

bool TextFile::Close(DWORD mode) {
  if (!handle_.valid() || (mode & TF_CLOSE) == 0) return false;
  handle_.Close();
  ClearEndOfFile();
  return true;
}

size_t TextFile::Write(const void* data, size_t count) {
  if (!handle_.valid() || count == 0) return 0;
  DWORD written = 0;
  if (!WriteFile(handle_.get(), data, static_cast<DWORD>(count), &written, nullptr)) return 0;
  return written;
}

size_t TextFile::ReadRaw(void* buffer, size_t count) {
  if (!handle_.valid()) return 0;
  DWORD got = 0;
  if (!ReadFile(handle_.get(), buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return got;
}

bool TextFile::SeekRaw(uint32_t position) {
  if (!handle_.valid()) return false;
  LONG high = 0;
  DWORD result = SetFilePointer(handle_.get(), static_cast<LONG>(position), &high, FILE_BEGIN);
  return !(result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool TextFile::Tell(uint32_t* position) {
  if (!handle_.valid()) return false;
  LONG high = 0;
  SetLastError(NO_ERROR);
  DWORD result = SetFilePointer(handle_.get(), 0, &high, FILE_CURRENT);
  if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
  if (high != 0) return false;
  *position = result;
  return true;
}

bool TextFile::Size(uint32_t* size) {
  if (!handle_.valid()) return false;
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(handle_.get(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  if (high != 0) return false;
  *size = low;
  return true;
}

bool TextFile::Truncate() { return handle_.valid() && SetEndOfFile(handle_.get()); }

size_t TextFile::WriteLine(const char* text) {
  size_t length = std::strlen(text);
  if (length > 0 && text[length - 1] == '\n') return Write(text, length);
  std::string line = std::string(text) + "\r\n";
  return Write(line.data(), line.size());
}

bool TextFile::CreateEmptyFile(const char* path, bool remember) {
  char resolved[kFilePathSize];
  if (path == nullptr || !ResolvePath(resolved, path) || PathExists(resolved)) return false;
  TextFile file;
  if (!file.Open(path, TF_WRITE | TF_CREATE | TF_DELETE_FIRST)) return false;
  file.Close(TF_CLOSE);
  if (remember) SetTargetPath(path);
  return true;
}

bool TextFile::RecreateEmptyFile(const char* path, bool remember) {
  char resolved[kFilePathSize];
  if (path == nullptr || !ResolvePath(resolved, path)) return false;
  if (PathExists(resolved)) DeleteFileA(resolved);
  return CreateEmptyFile(path, remember);
}

bool TextFile::SetTargetPath(const char* path) {
  char resolved[kFilePathSize];
  if (path != nullptr && ResolvePath(resolved, path) && PathExists(resolved)) {
    std::memcpy(targetPath_, resolved, sizeof targetPath_);
    return true;
  }
  targetPath_[0] = '\0';
  return false;
}

// ---- CopyWithProgress ----

namespace {

// True when path was missing: then every missing folder above it has been created,
// outermost first, with one notice each.
bool CreateMissingFolders(const std::string& path, CopyRequest& request, CopyNotice notice) {
  if (PathExists(path.c_str())) return false;
  std::string parent;
  if (!ParentFolder(path.c_str(), &parent)) return false;
  if (CreateMissingFolders(parent, request, notice)) {
    // Announced just before it is made, so that the caller can record it first; a caller
    // that cannot answers 0 and the folder is not made (then the copy cannot open its
    // target).
    int goOn = 1;
    if (notice != nullptr) {
      request.createdFolder = parent.c_str();
      goOn = notice(COPY_FOLDER_MADE, &request, 0, 0);
      request.createdFolder = "";
    }
    if (goOn != 0) CreateDirectoryA(parent.c_str(), nullptr);
  }
  return true;
}

}  // namespace

bool CopyWithProgress(CopyRequest& request, CopyNotice notice) {
  request.failure = 0;
  request.systemError = 0;
  auto fail = [&](int why) {
    request.failure = why;
    request.systemError = GetLastError();
    return false;
  };
  CreateMissingFolders(request.destination, request, notice);
  request.createdFolder = "";

  ScopedFileHandle source(CreateFileA(request.source, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!source.valid()) return fail(COPY_FAILED_SOURCE);
  SetLastError(NO_ERROR);
  DWORD size = GetFileSize(source.get(), nullptr);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return fail(COPY_FAILED_SOURCE);
  ScopedFileHandle target(CreateFileA(request.destination, GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS,
                                      FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target.valid()) return fail(COPY_FAILED_TARGET);
  if (request.blockSize == 0) request.blockSize = kDefaultCopyBlock;
  auto tell = [&](int code, DWORD copied) {
    return notice == nullptr ? 1 : notice(code, &request, size, copied);
  };

  bool stopped = tell(COPY_BEGIN, 0) == 0;
  DWORD copied = 0;
  if (!stopped) {
    std::vector<unsigned char> block(request.blockSize);
    while (copied < size) {
      DWORD want = size - copied < request.blockSize ? size - copied : request.blockSize;
      DWORD got = 0;
      // A read that brings nothing, or a write that does not take every byte (a full
      // disk), ends the copy as incomplete.
      if (!ReadFile(source.get(), block.data(), want, &got, nullptr) || got == 0) {
        fail(COPY_FAILED_READ);
        break;
      }
      if (!WriteWhole(target.get(), block.data(), got)) {
        fail(COPY_FAILED_WRITE);
        if (request.systemError == NO_ERROR) request.systemError = ERROR_DISK_FULL;
        break;
      }
      copied += got;
      if (tell(COPY_BLOCK, copied) == 0) {
        stopped = true;
        break;
      }
    }
  }
  bool whole = copied == size;
  tell(whole ? COPY_DONE : COPY_INCOMPLETE, copied);
  return whole && !stopped;
}

// ---- ListFolder ----

namespace {

void ListLevel(FolderListing& listing, size_t folderIndex, size_t rootLength, int depth) {
  if (depth < 1) return;
  const std::string folder = listing.folders[folderIndex].fullPath;
  WIN32_FIND_DATAA found;
  std::vector<size_t> subfolders;
  size_t firstFile = listing.files.size();
  {
    ScopedFindHandle search(FindFirstFileA((folder + "*.*").c_str(), &found));
    if (search.valid()) {
      do {
        if (found.cFileName[0] == '.') continue;
        std::string full = folder + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          full += '\\';
          if (full.size() >= kFilePathSize) {
            listing.skipped.push_back(full);
            continue;
          }
          ListedFolder node = {};
          CopyIfFits(node.fullPath, full);
          CopyIfFits(node.relativePath, full.substr(rootLength));
          node.firstSubfolder = FolderListing::kNone;
          subfolders.push_back(listing.folders.size());
          listing.folders.push_back(node);
        } else {
          if (full.size() >= kFilePathSize) {
            listing.skipped.push_back(full);
            continue;
          }
          ListedFile node = {};
          CopyIfFits(node.fullPath, full);
          CopyIfFits(node.relativePath, full.substr(rootLength));
          node.attributes = found.dwFileAttributes;
          node.size = found.nFileSizeLow;
          listing.files.push_back(node);
        }
      } while (FindNextFileA(search.get(), &found));
    }
  }
  ListedFolder& self = listing.folders[folderIndex];
  self.fileCount = listing.files.size() - firstFile;
  self.firstFile = firstFile;
  self.subfolderCount = subfolders.size();
  self.firstSubfolder = subfolders.empty() ? FolderListing::kNone : subfolders.front();
  for (size_t index : subfolders) ListLevel(listing, index, rootLength, depth - 1);
}

}  // namespace

std::unique_ptr<FolderListing> ListFolder(const char* folder, int depth) {
  auto listing = std::make_unique<FolderListing>();
  ListedFolder root = {};
  std::string path(folder);
  if (!EndsWithBackslash(path.c_str())) path += '\\';
  if (!CopyIfFits(root.fullPath, path)) return listing;
  root.firstSubfolder = FolderListing::kNone;
  listing->folders.push_back(root);
  ListLevel(*listing, 0, path.size(), depth);
  return listing;
}

}  // namespace kaze
