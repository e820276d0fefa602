#pragma once
// File and folder tools of the installer: a text file with explicit open modes and CR LF
// lines, a block copy with progress notices, and a folder listing.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "system/LineReading.h"
#include "system/PathSpelling.h"

namespace kaze {

constexpr size_t kFilePathSize = 260;  // 259 bytes and the terminator

// Owns a file handle (CreateFileA); closed when the owner goes.
class ScopedFileHandle {
 public:
  ScopedFileHandle() = default;
  explicit ScopedFileHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedFileHandle() { Close(); }
  ScopedFileHandle(const ScopedFileHandle&) = delete;
  ScopedFileHandle& operator=(const ScopedFileHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    Close();
    handle_ = handle;
  }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Owns a search handle (FindFirstFileA); closed when the owner goes.
class ScopedFindHandle {
 public:
  explicit ScopedFindHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedFindHandle() {
    if (valid()) FindClose(handle_);
  }
  ScopedFindHandle(const ScopedFindHandle&) = delete;
  ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// True when the path names an existing file or folder.
bool PathExists(const char* path);

// True when the folder holds nothing (or cannot be listed).
bool FolderIsEmpty(const std::string& path);

// The path with every existing part in its long name (C:\PROGRA~1\x gives C:\Program
// Files\x), found part by part so that it works on every Windows; parts that do not exist
// are kept as they are. A text that is no "X:\..." path comes back unchanged.
std::string LongPath(const char* path);

// The one spelling of a path (NormalizePathText), with the long name of every part that
// exists; the parts that do not exist yet stay as typed. out is written only on kOk;
// kTooLong also when the long names make the path longer than 259 bytes.
Spelling CanonicalPath(const char* text, bool asFolder, std::string* out);

// The size of the file at path; false when it cannot be read.
bool FileSize(const char* path, ULONGLONG* size);

// The whole file at path, when it is no longer than limit bytes. False (bytes empty) when
// it cannot be opened or read, or is longer.
bool ReadWholeFile(const char* path, size_t limit, std::string* bytes);

// The same from a file already open for reading, from its start.
bool ReadOpenFile(HANDLE file, size_t limit, std::string* bytes);

// Makes a new folder below parent (which ends with a backslash) named prefix and four hex
// digits, one that did not exist before; its path, with a backslash, goes to out.
// beforeMaking (when given) is called with each candidate just before it is made, so that
// the caller can record it first; false from it gives up. access (when given) is the
// folder's security from its first moment. False when none could be made within the path
// limit.
bool CreateUniqueFolder(const char* parent, const char* prefix, std::string* out,
                        const std::function<bool(const std::string&)>& beforeMaking = nullptr,
                        SECURITY_ATTRIBUTES* access = nullptr);

// CopyFileA (an existing destination is replaced), then a check that the destination
// is as long as the source, so that a copy cut short by a full disk is never taken for
// a whole one.
bool CopyFileWhole(const char* from, const char* to);

// Open modes of TextFile.
enum : DWORD {
  TF_KEEP_POSITION = 0x00000001,  // stay at the start instead of moving to the end
  TF_DELETE_FIRST = 0x00000002,   // with TF_CREATE: start from an empty file
  TF_OPEN_EXISTING = 0x00010000,
  TF_CREATE = 0x00020000,
  TF_CLOSE = 0x00040000,  // the mode given to Close
  TF_READ = 0x01000000,   // with TF_OPEN_EXISTING also keeps the position at the start
  TF_WRITE = 0x02000000,
};

class TextFile : public LineFile {
 public:
  TextFile() = default;
  ~TextFile() override = default;

  // False for an empty or over-long path, a mode with TF_CLOSE or with neither
  // TF_OPEN_EXISTING nor TF_CREATE, or when the file does not open.
  bool Open(const char* path, DWORD mode);
  // False when nothing is open or mode lacks TF_CLOSE.
  bool Close(DWORD mode);
  bool IsOpen() const { return handle_.valid(); }
  const char* name() const { return name_; }

  // Writes text and CR LF; a text that already ends with LF is written as it is. Returns
  // the bytes written.
  size_t WriteLine(const char* text);

  size_t Write(const void* data, size_t count) override;
  bool Tell(uint32_t* position) override;
  bool Size(uint32_t* size) override;
  bool Truncate() override;

  // A bare file name is taken from the running program's folder; anything else is
  // used as it is. False when the result would not fit into kFilePathSize.
  static bool ResolvePath(char* out, const char* path);

  // Makes an empty file that did not exist before; with remember it becomes the target.
  bool CreateEmptyFile(const char* path, bool remember);
  // Deletes the file first if it exists; false when an empty file could not be made.
  bool RecreateEmptyFile(const char* path, bool remember);
  // The target becomes the resolved path if that file exists; else it is cleared.
  bool SetTargetPath(const char* path);
  const char* targetPath() const { return targetPath_; }

 protected:
  size_t ReadRaw(void* buffer, size_t count) override;
  bool SeekRaw(uint32_t position) override;

 private:
  char name_[kFilePathSize] = {};
  char targetPath_[kFilePathSize] = {};
  ScopedFileHandle handle_;
};

// One copy, filled by the caller.
struct CopyRequest {
  char source[kFilePathSize] = {};
  char destination[kFilePathSize] = {};  // a file path
  DWORD blockSize = 0;                   // 0: kDefaultCopyBlock, written back
  void* context = nullptr;
  const char* createdFolder = "";  // the folder about to be made, during a notice of code 4
  int failure = 0;                 // why a copy that did not stop on a notice failed
  DWORD systemError = 0;           // GetLastError() of that failure
};

enum CopyFailure {
  COPY_FAILED_SOURCE = 1,  // the source could not be opened or its size read
  COPY_FAILED_TARGET = 2,  // the destination could not be created
  COPY_FAILED_READ = 3,    // reading the source failed or it ended early
  COPY_FAILED_WRITE = 4,   // writing the destination failed (a full disk among others)
};

constexpr DWORD kDefaultCopyBlock = 0x3000;

enum CopyNoticeCode {
  COPY_BEGIN = 0,         // both files are open
  COPY_BLOCK = 1,         // a block was written
  COPY_INCOMPLETE = 2,    // the copy ended before the whole file was written
  COPY_DONE = 3,          // the whole file was written
  COPY_FOLDER_MADE = 4,   // a missing destination folder is about to be made (0: leave it)
};

// Returns 0 to stop the copy (codes 0 and 1).
using CopyNotice = int (*)(int code, CopyRequest* request, DWORD fileSize, DWORD copied);

// Copies request.source to request.destination block by block, creating missing
// destination folders (outermost first) beforehand. True only when every byte was
// written and no notice asked to stop.
bool CopyWithProgress(CopyRequest& request, CopyNotice notice);

struct ListedFile {
  char fullPath[kFilePathSize];
  char relativePath[kFilePathSize];  // below the listed folder
  DWORD attributes;
  DWORD size;
};

struct ListedFolder {
  char fullPath[kFilePathSize];  // with its trailing backslash
  char relativePath[kFilePathSize];
  size_t fileCount;       // files directly in it
  size_t firstFile;       // index into FolderListing::files
  size_t firstSubfolder;  // index into FolderListing::folders, kNone without one
  size_t subfolderCount;
};

struct FolderListing {
  static constexpr size_t kNone = static_cast<size_t>(-1);
  // Files in enumeration order, level by level; folders start with the listed one and
  // each level's subfolders follow in the order found.
  std::vector<ListedFile> files;
  std::vector<ListedFolder> folders;
  // Entries left out because their path would not fit (full paths): a caller that must
  // not lose files refuses the listing instead of going on without them.
  std::vector<std::string> skipped;
};

// Lists folder (a backslash is added when missing) to depth levels: 1 lists its own
// entries only. Names starting with '.' are left out; so are entries whose path would
// not fit into kFilePathSize (they are named in `skipped`). A missing folder gives its node with nothing in it; a
// folder path that does not fit gives no node at all.
std::unique_ptr<FolderListing> ListFolder(const char* folder, int depth);

}  // namespace kaze
