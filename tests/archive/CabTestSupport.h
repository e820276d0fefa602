#pragma once
// Fixture paths and a writer of small stored cabinets for the archive
// tests (what gcab cannot make: hostile names, Shift-JIS names, an empty cabinet).
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ScratchFiles.h"

namespace kaze::test {

// The test program's folder, with its backslash; the fixtures and DLL builds lie there.
std::string ExeFolder();
// A gcab fixture made at build time: "fixtures\<name>" beside the test program.
std::string FixturePath(const std::string& name);

// Every file below folder (relative names, '\' separated), sorted.
std::vector<std::string> ListTree(const std::string& folder);

// A hidden top-level window to own extractions.
class OwnerWindow {
 public:
  OwnerWindow();
  ~OwnerWindow();
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// Whether this Wine can hold non-ASCII file names: it cannot when the Unix side has no
// Japanese locale (the names then fail with "file not found").
bool CanCreateShiftJisNames(const std::string& folder);

struct StoredMember {
  std::string name;  // stored as given (system code page unless utf8)
  std::string data;
  uint16_t attributes = 0;  // 0x80: the name is UTF-8
};

// A single-folder cabinet with uncompressed data and zero checksums.
std::string MakeStoredCabinet(const std::vector<StoredMember>& members);

// A set of stored cabinets, one per name (each part names its neighbours), laid out as the
// system's compressor does: the members' data is cut into equal parts; a file cut by a part
// continues in the next one (its data block split across both), and the files after it
// start a new folder there. folderRunsOnAtFileCuts makes an ill-formed set instead: a cut
// between two files leaves the folder running on into the next part, its block cut, with
// no file continued along with it.
std::vector<std::string> MakeStoredCabinetSet(const std::vector<StoredMember>& members,
                                              const std::vector<std::string>& names,
                                              bool folderRunsOnAtFileCuts = false);

}  // namespace kaze::test
