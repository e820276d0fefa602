#pragma once
// The adapter over cab32.dll, the archive library loaded at run time: loads and checks
// it, weighs archives and unpacks one archive at a time with per-file notices.
#include <windows.h>

#include <string>

#include "archive/CabFormat.h"

namespace kaze {

// Receives the adapter's notices during Extract. Implemented by the caller (the install
// progress page); the adapter never owns it.
class CabProgressCallback {
 public:
  // code: a CabNoticeCode. noticeValue: always 0 (kept for the caller's records).
  // fileCount: files in the archive, as the library counted them. record: the adapter's
  // progress record (destination path, figures, created folder), valid during the call.
  // Return nonzero to go on, 0 to cancel; the answer counts for CAB_FILE_BEGIN,
  // CAB_FILE_PROGRESS, CAB_FILE_END and CAB_FOLDER_CREATED (which comes just before the
  // folder is made: 0 leaves it unmade) and is ignored for the other codes.
  virtual int OnCabNotice(int code, int noticeValue, uint32_t fileCount,
                          CabExtractRecord* record) = 0;

 protected:
  ~CabProgressCallback() = default;
};

// The library's module handle; frees it when destroyed.
class LibraryModule {
 public:
  LibraryModule() = default;
  ~LibraryModule() { Free(); }
  LibraryModule(const LibraryModule&) = delete;
  LibraryModule& operator=(const LibraryModule&) = delete;

  bool Load(const char* path);
  // Frees the library; the handle is cleared only when the release succeeds.
  bool Free();
  HMODULE get() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

class CabLibrary {
 public:
  CabLibrary();
  ~CabLibrary() = default;
  CabLibrary(const CabLibrary&) = delete;
  CabLibrary& operator=(const CabLibrary&) = delete;

  // Loads folder + "cab32.dll" (folder null or "": the system's search) and checks that
  // it offers every function the adapter needs. Every failure is shown in a message and
  // leaves the library unloaded.
  bool Load(HWND owner, const char* folder);
  // The message of a library that cannot be had, for a caller that has no file to load.
  static void ShowLibraryMissing();
  void Unload();
  bool IsLoaded() const;

  // Unpacks request.archivePath into the folder request.destinationPath, notifying
  // callback (may be null). Returns 1 on success, 0 on failure (already told the user).
  int Extract(const CabExtractRecord& request, CabProgressCallback* callback);

  // The archive's file count x 1000; negative when the library cannot count it (or
  // when no library is loaded).
  int GetArchiveWeight(const char* archivePath);

  // The library's result codes as messages ("UnCab Error"); -1 shows nothing.
  static void ShowCabError(int code);

  // ShowCabError, and for a set whose later part is missing also that part's path, for a
  // refused stored name the archive's own.
  static void ShowCabErrorFor(int code, const char* archivePath);
  static std::string MissingSetPart(const char* archivePath);

  // The Microsoft Cabinet header test on the file's first 12 bytes and its size.
  static bool IsCabinetHeader(const char* path);

  const char* libraryPath() const { return libraryPath_; }
  const CabExtractRecord& progress() const { return progress_; }

 private:
  using CabGetVersionFn = WORD(WINAPI*)();
  using CabCheckArchiveFn = BOOL(WINAPI*)(LPCSTR, int);
  using CabQueryFunctionListFn = BOOL(WINAPI*)(int);
  using CabGetFileCountFn = int(WINAPI*)(LPCSTR);
  using CabGetRunningFn = BOOL(WINAPI*)();
  using CabFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
  using CabOpenArchiveFn = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
  using CabCloseArchiveFn = int(WINAPI*)(HANDLE);
  using CabFindFirstFn = int(WINAPI*)(HANDLE, LPCSTR, void*);
  using CabFindNextFn = int(WINAPI*)(HANDLE, void*);
  using CabGetFileNameFn = int(WINAPI*)(HANDLE, LPSTR, int);
  using CabGetOriginalSizeFn = int(WINAPI*)(HANDLE);
  using OwnerProc = BOOL(CALLBACK*)(HWND, UINT, UINT, LPVOID);
  using CabSetOwnerWindowExFn = BOOL(WINAPI*)(HWND, OwnerProc);
  using CabKillOwnerWindowExFn = BOOL(WINAPI*)(HWND);

  // Registers the adapter with the owner window and the library for one extraction.
  class OwnerRegistration;

  static BOOL CALLBACK OwnerWindowProc(HWND window, UINT message, UINT state, LPVOID info);
  BOOL OnOwnerState(UINT state, const void* info);

  bool ResolveAll();
  void ClearSlots();
  bool OpenArchiveStep(const char* archivePath);
  bool EnsureParentFolders(const char* path);
  int Notify(int code);

  char libraryPath_[kCabPathSize];
  LibraryModule module_;
  CabGetVersionFn getVersion_;
  CabCheckArchiveFn checkArchive_;
  CabQueryFunctionListFn queryFunctionList_;
  CabGetFileCountFn getFileCount_;
  CabGetRunningFn getRunning_;
  CabFn cab_;
  CabOpenArchiveFn openArchive_;
  CabCloseArchiveFn closeArchive_;
  CabFindFirstFn findFirst_;
  CabFindNextFn findNext_;
  CabGetFileNameFn getFileName_;
  CabGetOriginalSizeFn getOriginalSize_;
  CabSetOwnerWindowExFn setOwnerWindowEx_;
  CabKillOwnerWindowExFn killOwnerWindowEx_;
  bool resolved_;  // every slot above is set
  HWND owner_;
  char pathBuffer_[kCabPathSize];
  char destinationFolder_[kCabPathSize];
  int noticeValue_;
  uint32_t fileCount_;
  CabProgressCallback* callback_;
  bool stoppedWithMessage_;  // the adapter itself stopped the library and said why
  bool stoppedByCaller_ = false;  // the caller's callback said stop: its reason, not an error
  CabExtractRecord progress_;
};

}  // namespace kaze
