#pragma once
// The record and the byte-level rules of the cabinet adapter: no Windows headers, so
// they also build natively for the sanitizer tests.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kaze {

constexpr size_t kCabPathSize = 260;     // every path field and message buffer
constexpr size_t kCabCommandSize = 520;  // the command line given to the library
constexpr size_t kCabMaxFolderPath = 255;  // longest path the folder walk works on

// The request the caller fills (first three fields) and the progress the adapter keeps
// in its own copy while an archive is unpacked.
struct CabExtractRecord {
  char archivePath[kCabPathSize];
  // Request: the destination folder. During extraction: the file being written.
  char destinationPath[kCabPathSize];
  void* callerContext;  // the caller's own; never touched by the adapter
  uint32_t fileCount;
  uint32_t filesDone;
  uint32_t currentFileSize;
  uint32_t currentBytesWritten;
  uint32_t finishedBytes;
  uint32_t progressValue;    // files done x 1000
  const char* createdFolder;  // set only while CAB_FOLDER_CREATED is delivered
};

// Notice codes handed to CabProgressCallback::OnCabNotice.
enum CabNoticeCode {
  CAB_FILE_BEGIN = 0,
  CAB_FILE_PROGRESS = 1,
  CAB_FAILED = 2,
  CAB_FILE_END = 3,
  CAB_FINISHED = 4,
  CAB_FOLDER_CREATED = 5,  // a missing folder is about to be made
};

// The three fields the adapter reads from the library's per-file record: the file's
// size, the library's bytes-written figure and, from the ninth byte, the file's name
// inside the archive. The name is read no further than kCabInfoNameLimit bytes.
constexpr size_t kCabInfoNameLimit = 513;
struct CabFileInfoView {
  uint32_t fileSize;
  uint32_t bytesWritten;
  const char* name;  // points into the record; may lack a terminator within the limit
  size_t nameLength;
};
CabFileInfoView ReadCabFileInfo(const void* info);

// Progress arithmetic of the library's three per-file states. Unsigned throughout: a
// library that reports odd figures gives odd figures, never undefined behaviour.
void CabProgressFileBegin(CabExtractRecord& record, uint32_t fileSize);
void CabProgressBytesWritten(CabExtractRecord& record, uint32_t libraryBytesWritten);
void CabProgressFileEnd(CabExtractRecord& record, uint32_t libraryBytesWritten);

// The Microsoft Cabinet header test: "MSCF", a zero reserved word, and the cabinet
// size field equal to the file's size. head holds the first length bytes of the file.
bool CabinetHeaderMatches(const unsigned char* head, size_t length, uint64_t fileSize);

// What a cabinet header says before its folder table: the counts, where the tables start,
// the reserve sizes and the next part's name (empty when it names none). False for a
// header that is cut short, not a cabinet's, or has a name over 255 bytes.
struct CabinetHeaderLayout {
  uint32_t filesAt = 0;
  uint16_t folderCount = 0;
  uint16_t fileCount = 0;
  size_t foldersAt = 0;
  size_t folderReserve = 0;
  uint8_t dataReserve = 0;
  std::string nextName;
};
bool ReadCabinetHeaderLayout(const unsigned char* head, size_t length, CabinetHeaderLayout* out);

// A next part's name as a header gives it must be a bare file name beside the cabinet.
bool IsPlainCabinetPartName(const char* name);

// The next part's file name from a cabinet header of a set (head: the file's first length
// bytes). False, out empty, for a cabinet that names none, a damaged header or a name that
// does not fit in size bytes.
bool CabinetNextPartName(const unsigned char* head, size_t length, char* out, size_t size);

// The message shown for a library result code ("UnCab Error"), cut to fit size bytes.
// Returns false for -1, which is shown as nothing.
bool FormatCabErrorText(int code, char* out, size_t size);

// "-x -o -i "archive" "folder" "*.*"". False (out empty) when it does not fit in size.
bool FormatCabCommand(const char* archivePath, const char* folder, char* out, size_t size);

// Copies text into out, cut before the first character that would not fit with the
// terminator (a double-byte character is never split).
void CopyTextCut(const char* text, char* out, size_t size);

// folder + name into out; false when it does not fit (out is then left empty).
bool JoinCabPath(const char* folder, const char* name, size_t nameLength, char* out,
                 size_t size);

// The parent of path: everything after the last backslash before its final character
// removed, the backslash kept ("C:\A\B\f.txt" -> "C:\A\B\", "C:\A\B\" -> "C:\A\").
// False when path has no such backslash. Double-byte characters are stepped over.
bool ParentFolderOf(const char* path, char* out, size_t size);

// An archive's progress weight: file count x 1000, held within the int range.
int ArchiveWeightFromCount(int count);

}  // namespace kaze
