#pragma once
// The interface of cab32.dll, as programs of the archiver-DLL family call it: fourteen
// undecorated stdcall exports, the function numbers of CabQueryFunctionList, the result
// codes and the records handed to callers. Also read by the tests.
#include <windows.h>

namespace cab32 {

// Function numbers answered by CabQueryFunctionList.
enum FunctionNumber {
  kFnCab = 0,
  kFnGetVersion = 1,
  kFnGetRunning = 8,
  kFnCheckArchive = 16,
  kFnGetFileCount = 18,
  kFnQueryFunctionList = 19,
  kFnOpenArchive = 23,
  kFnCloseArchive = 24,
  kFnFindFirst = 25,
  kFnFindNext = 26,
  kFnGetFileName = 57,
  kFnGetOriginalSize = 58,
  kFnSetOwnerWindowEx = 92,
  kFnKillOwnerWindowEx = 93,
};

// Result codes of Cab and of the archive-handle functions.
enum ResultCode {
  kOk = 0,
  kErrorDirectory = 267,       // a destination folder could not be created
  kErrorDiskSpace = 0x8005,    // the destination disk is full
  kErrorReadOnly = 0x8006,     // an existing destination file is read-only
  kErrorVersion = 0x800B,      // cabinet format version not understood
  kErrorFileOpen = 0x800D,     // a destination file could not be created
  kErrorAlreadyExist = 0x8010, // destination file exists and -o was not given
  kErrorCannotWrite = 0x8013,  // writing a destination file failed
  kErrorDataBroken = 0x8014,   // compressed data does not decode
  kErrorHeaderBroken = 0x8017, // cabinet headers are damaged or the file is cut short
  kErrorArcFileOpen = 0x8018,  // the archive could not be opened or read
  kErrorNotArcFile = 0x8019,   // the file is not a cabinet
  kErrorMethod = 0x8009,       // compression method not supported by the system
  kErrorCommand = 0x801B,      // the command line is not understood
  kErrorMemory = 0x801E,       // out of memory
  kErrorAlreadyRunning = 0x801F,
  kErrorUserCancel = 0x8020,   // the owner-window callback returned 0
  kErrorHarcNotOpened = 0x8021,
  kErrorNotSearchMode = 0x8022,
  kErrorLongFileName = 0x8026, // destination path longer than 259 bytes
  kErrorNotFindArcFile = 0x8029,
  kErrorNotFileName = 0x802B,  // a stored name is absolute, has a drive or climbs out
  // This library's own, apart from the family's numbers: a stored name that does not
  // become a file name of the system code page (UTF-8 that does not decode, or a character
  // the code page lacks).
  kErrorNameNotInCodePage = 0x8100,
};

// States passed to the owner-window callback.
enum ExtractState { kStateBegin = 0, kStateInProcess = 1, kStateEnd = 2 };

constexpr int kNameMax = 512;

// The per-file record handed to the owner-window callback. While a file is written,
// writeSize counts the bytes written for the whole archive so far (the caller subtracts
// what it already finished); at kStateEnd it is the file's own size.
struct ExtractingInfo {
  DWORD fileSize;
  DWORD writeSize;
  char sourceName[kNameMax + 1];  // the name inside the archive, '\' separated
  char pad1[3];
  char destName[kNameMax + 1];    // the full path being written
  char pad2[3];
};

// The record of CabFindFirst and CabFindNext.
struct IndividualInfo {
  DWORD originalSize;
  DWORD compressedSize;  // not known per file in a cabinet: same as originalSize
  DWORD crc;             // cabinets keep none per file: 0
  UINT flag;
  UINT osType;
  WORD ratio;            // per mille
  WORD date;
  WORD time;
  char fileName[kNameMax + 1];
  char pad1[3];
  char attribute[8];
  char mode[8];
};

using OwnerWindowProc = BOOL(CALLBACK*)(HWND window, UINT message, UINT state, LPVOID info);
using HARC = HANDLE;

}  // namespace cab32
