#pragma once
// Cabinet reading through the system's own cabinet API (FDI of cabinet.dll). Nothing
// outside this file knows FDI: callers list, test or unpack a cabinet by its path.
#include <windows.h>

#include <string>
#include <vector>

#include "cab32/Cab32Api.h"

namespace cab32 {

struct CabinetFacts {
  long cabinetSize;  // the header's size field
  int fileCount;
  int folderCount;
};

// FDI's header test. False when the file cannot be opened or is no cabinet.
bool ReadCabinetFacts(const char* archivePath, CabinetFacts* facts);

struct Member {
  std::string name;  // in the system code page, '\' separated
  DWORD size = 0;
  WORD date = 0;
  WORD time = 0;
  WORD attributes = 0;
};

// Lists the files of the cabinet. Returns kOk or a result code.
int ListMembers(const char* archivePath, std::vector<Member>* members);

// Decodes every file without writing anything. Returns kOk or a result code.
int TestCabinet(const char* archivePath);

// Told about every file written; false stops the extraction (kErrorUserCancel).
class ExtractObserver {
 public:
  virtual bool OnState(UINT state, ExtractingInfo* info) = 0;

 protected:
  ~ExtractObserver() = default;
};

struct ExtractOptions {
  std::string folder;  // destination; "" is the current folder
  bool overwrite = false;
  std::vector<std::string> patterns;  // empty: every file
};

// Unpacks the cabinet. Stored names that would leave the folder (kErrorNotFileName) or
// have no form in the system code page (kErrorNameNotInCodePage) are refused before
// anything of that file is written. A file left incomplete by a failure or a cancel is
// deleted; finished files stay. Returns kOk, or a result code. *filesWritten counts the
// files completed.
int ExtractCabinet(const char* archivePath, const ExtractOptions& options,
                   ExtractObserver* observer, int* filesWritten);

}  // namespace cab32
