#include "cab32/Cabinet.h"

#include <fcntl.h>
#include <fdi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

#include "archive/CabFormat.h"
#include "archive/MemberName.h"
#include "archive/Utf8Decode.h"
#include "cab32/CabCommand.h"
#include "cab32/CabSetRules.h"
#include "system/Dbcs.h"
#include "system/TextHelpers.h"

namespace cab32 {

namespace {

class Session;

class Fdi;

// Every handle FDI sees is one of these. Files that a session writes carry their
// session, so that writes can be counted and reported; cabinets FDI opened carry the FDI
// context that opened them.
struct FdiFile {
  HANDLE handle;
  Session* writer;
  const Fdi* reader = nullptr;
};

// The FDI context whose call is running (FDI's callbacks carry no context of their own).
const Fdi*& CurrentFdi() {
  static const Fdi* current = nullptr;
  return current;
}

// The handles this library gave FDI and has not closed. FDI may call back with others: a
// handle it never got (the zeroed state of a next cabinet it failed to find), or one
// already closed. Those are answered as errors, never followed.
std::set<FdiFile*>& LiveFiles() {
  static std::set<FdiFile*> files;
  return files;
}

INT_PTR Register(FdiFile* file) {
  LiveFiles().insert(file);
  return reinterpret_cast<INT_PTR>(file);
}

FdiFile* Known(INT_PTR hf) {
  FdiFile* file = reinterpret_cast<FdiFile*>(hf);
  return LiveFiles().count(file) != 0 ? file : nullptr;
}

void Forget(FdiFile* file) {
  LiveFiles().erase(file);
  delete file;
}

FNALLOC(FdiAlloc) { return std::malloc(cb); }
FNFREE(FdiFree) { std::free(pv); }

FNOPEN(FdiOpen) {
  (void)pmode;
  // FDI itself only ever opens cabinets, for reading.
  if ((oflag & (_O_WRONLY | _O_RDWR)) != 0) return -1;
  HANDLE h = CreateFileA(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  FdiFile* file = new (std::nothrow) FdiFile{h, nullptr, CurrentFdi()};
  if (file == nullptr) {
    CloseHandle(h);
    return -1;
  }
  return Register(file);
}

FNREAD(FdiRead) {
  FdiFile* file = Known(hf);
  if (file == nullptr || file->handle == INVALID_HANDLE_VALUE) return static_cast<UINT>(-1);
  DWORD got = 0;
  if (!ReadFile(file->handle, pv, cb, &got, nullptr)) return static_cast<UINT>(-1);
  return got;
}

FNWRITE(FdiWrite);
FNCLOSE(FdiClose);

FNSEEK(FdiSeek) {
  FdiFile* file = Known(hf);
  if (file == nullptr || file->handle == INVALID_HANDLE_VALUE) return -1;
  DWORD pos = SetFilePointer(file->handle, dist, nullptr, static_cast<DWORD>(seektype));
  if (pos == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return static_cast<LONG>(pos);
}

// An FDI context. Wine's FDI loses a cabinet handle when a callback stops it at the
// cabinet's first notification, so whatever it opened and never closed is closed here.
class Fdi {
 public:
  Fdi() : outer_(CurrentFdi()) {
    CurrentFdi() = this;
    std::memset(&erf_, 0, sizeof erf_);
    handle_ = FDICreate(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek,
                        cpuUNKNOWN, &erf_);
  }
  ~Fdi() {
    if (handle_ != nullptr) FDIDestroy(handle_);
    std::vector<FdiFile*> left;
    for (FdiFile* file : LiveFiles()) {
      if (file->reader == this) left.push_back(file);
    }
    for (FdiFile* file : left) {
      CloseHandle(file->handle);
      Forget(file);
    }
    CurrentFdi() = outer_;
  }
  Fdi(const Fdi&) = delete;
  Fdi& operator=(const Fdi&) = delete;

  HFDI get() const { return handle_; }
  const ERF& error() const { return erf_; }

 private:
  const Fdi* outer_;
  ERF erf_;
  HFDI handle_ = nullptr;
};

int ResultFromFdiError(int oper) {
  switch (oper) {
    case FDIERROR_CABINET_NOT_FOUND: return kErrorArcFileOpen;
    case FDIERROR_NOT_A_CABINET: return kErrorNotArcFile;
    case FDIERROR_UNKNOWN_CABINET_VERSION: return kErrorVersion;
    case FDIERROR_CORRUPT_CABINET: return kErrorHeaderBroken;
    case FDIERROR_ALLOC_FAIL: return kErrorMemory;
    case FDIERROR_BAD_COMPR_TYPE: return kErrorMethod;
    case FDIERROR_MDI_FAIL: return kErrorDataBroken;
    case FDIERROR_TARGET_FILE: return kErrorCannotWrite;
    case FDIERROR_RESERVE_MISMATCH: return kErrorHeaderBroken;
    case FDIERROR_WRONG_CABINET: return kErrorNotArcFile;
    case FDIERROR_USER_ABORT: return kErrorUserCancel;
    default: return kErrorHeaderBroken;
  }
}

// A stored name in the system code page. Names flagged as UTF-8 are decoded here: Windows
// 95 has no UTF-8 conversion, and NT 4.0 and 2000 before SP4 refuse the strict one. A name
// the code page cannot hold is refused, never approximated: neither by the default
// character nor by a best fit, which sets no flag (U+00A5 would come out as a backslash).
bool StoredNameToAnsi(const char* stored, USHORT attributes, std::string* out) {
  if ((attributes & _A_NAME_IS_UTF) == 0) {
    *out = stored;
    return true;
  }
  std::u16string units;
  if (kaze::DecodeUtf8(stored, std::strlen(stored), &units) != kaze::Utf8Fault::kNone) {
    return false;
  }
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "WCHAR holds UTF-16 code units");
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(units.c_str());
  BOOL lossy = FALSE;
  int narrow = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, &lossy);
  if (narrow <= 0 || lossy) return false;
  std::string name(static_cast<size_t>(narrow), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, wide, -1, &name[0], narrow, nullptr, &lossy) != narrow ||
      lossy) {
    return false;
  }
  // The name must read back as it was stored.
  int back = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
  if (back != static_cast<int>(units.size()) + 1) return false;
  std::wstring check(static_cast<size_t>(back), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, &check[0], back) != back ||
      check.compare(0, units.size(), wide, units.size()) != 0) {
    return false;
  }
  name.resize(static_cast<size_t>(narrow) - 1);
  *out = name;
  return true;
}

std::string WithBackslash(const std::string& folder) {
  if (folder.empty() || kaze::EndsWithBackslash(folder.c_str())) return folder;
  return folder + "\\";
}

bool IsDirectory(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates every missing folder above the file path; true when its parent folder exists.
bool CreateParentFolders(const std::string& path) {
  const char* text = path.c_str();
  size_t lastSeparator = std::string::npos;
  for (size_t i = 0; text[i] != '\0'; i += kaze::CharLength(text, i)) {
    if (text[i] != '\\') continue;
    lastSeparator = i;
    if (i == 0) continue;
    std::string prefix(text, i);
    if (!IsDirectory(prefix.c_str())) CreateDirectoryA(prefix.c_str(), nullptr);
  }
  if (lastSeparator == std::string::npos) return true;  // the current folder
  if (lastSeparator == 0) return true;                  // the root of the current drive
  return IsDirectory(std::string(text, lastSeparator).c_str());
}

// Splits a cabinet path into the folder (with its backslash) and the name, as FDICopy
// wants them.
void SplitCabinetPath(const char* path, std::string* folder, std::string* name) {
  const char* slash = kaze::FindLastChar(path, '\\');
  if (slash == nullptr) {
    folder->clear();
    *name = path;
  } else {
    folder->assign(path, static_cast<size_t>(slash - path + 1));
    *name = slash + 1;
  }
}

// A part's tables, and whether its last data block is cut (to be finished in the next part).
bool ReadPart(const std::string& path, CabPartTables* tables, bool* endsCut) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(h, nullptr);
  std::vector<unsigned char> head(std::min<DWORD>(size, 1 << 20));
  DWORD got = 0;
  bool ok = size != INVALID_FILE_SIZE &&
            ReadFile(h, head.data(), static_cast<DWORD>(head.size()), &got, nullptr) &&
            ReadCabPartTables(head.data(), got, tables);
  *endsCut = false;
  DWORD at = ok ? tables->lastFolderData : 0;
  for (uint16_t i = 0; ok && i < tables->lastFolderBlocks; ++i) {
    unsigned char header[8];
    ok = SetFilePointer(h, static_cast<LONG>(at), nullptr, FILE_BEGIN) == at &&
         ReadFile(h, header, sizeof header, &got, nullptr) && got == sizeof header;
    if (!ok) break;
    CabBlockHeader block = ReadCabBlockHeader(header);
    if (i + 1 == tables->lastFolderBlocks) *endsCut = block.uncompressedSize == 0;
    at += 8 + tables->dataReserve + block.storedSize;
  }
  CloseHandle(h);
  return ok;
}

// FDI follows a set for the file whose data block a part cuts; a next part that does not
// go on with that file sends Wine's FDI round its parts until it corrupts its own lists.
// So before FDI decodes anything, every cut part must hand its file to the next part.
int CheckSetJoins(const std::string& folder, const std::string& name) {
  CabPartTables part;
  bool cut = false;
  if (!ReadPart(folder + name, &part, &cut)) return kOk;  // FDI tells what is wrong
  for (int i = 0; cut; ++i) {
    if (i > 255 || !kaze::IsPlainCabinetPartName(part.nextName.c_str())) {
      return kErrorHeaderBroken;
    }
    std::string nextPath = folder + part.nextName;
    if (GetFileAttributesA(nextPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
      return kErrorNotFindArcFile;
    }
    CabPartTables next;
    bool nextCut = false;
    if (!ReadPart(nextPath, &next, &nextCut) || !PartsJoin(part, cut, next)) {
      return kErrorHeaderBroken;
    }
    part = next;
    cut = nextCut;
  }
  return kOk;
}

enum class Mode { kList, kTest, kExtract };

// One pass of FDICopy over a cabinet.
class Session {
 public:
  Session(Mode mode, const ExtractOptions* options, ExtractObserver* observer,
          std::vector<Member>* members)
      : mode_(mode), options_(options), observer_(observer), members_(members) {
    std::memset(&info_, 0, sizeof info_);
  }
  ~Session() { DiscardCurrent(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The cabinet, then each further part of its set that holds files of its own: FDI itself
  // fetches a next part only for the file that continues into it.
  int Run(const char* archivePath) {
    if (GetFileAttributesA(archivePath) == INVALID_FILE_ATTRIBUTES) return kErrorNotFindArcFile;
    std::string folder, name;
    SplitCabinetPath(archivePath, &folder, &name);
    std::set<std::string> visited;
    for (int part = 0;; ++part) {
      // A part named twice would be unpacked twice: the set loops.
      std::string key = name;
      kaze::LowerCaseAscii(&key[0]);
      if (!visited.insert(key).second) return kErrorHeaderBroken;
      if (mode_ != Mode::kList) {
        int joins = CheckSetJoins(folder, name);
        if (joins != kOk) return joins;
      }
      Fdi fdi;
      if (fdi.get() == nullptr) return kErrorMemory;
      CabinetFacts facts;
      folderCount_ = ReadCabinetFacts((folder + name).c_str(), &facts) ? facts.folderCount : 0;
      nextPart_.clear();
      sawCabinet_ = false;
      BOOL ok = FDICopy(fdi.get(), &name[0], &folder[0], 0, &Session::Notify, nullptr, this);
      if (!ok || result_ != kOk) {
        DiscardCurrent();
        if (result_ != kOk) return result_;
        return ResultFromFdiError(fdi.error().erfOper);
      }
      if (nextPart_.empty()) return kOk;
      // A set is a handful of discs' worth of parts; a longer chain is a cabinet naming
      // itself or its predecessors.
      if (part >= kMaxParts) return kErrorHeaderBroken;
      if (GetFileAttributesA((folder + nextPart_).c_str()) == INVALID_FILE_ATTRIBUTES) {
        return kErrorNotFindArcFile;
      }
      name = nextPart_;
    }
  }

  int filesWritten() const { return filesWritten_; }

  UINT Write(FdiFile* file, const void* data, UINT size) {
    // Some FDI builds go on writing after a refused write: keep refusing.
    if (result_ != kOk) return static_cast<UINT>(-1);
    if (file->handle != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      if (!WriteFile(file->handle, data, size, &written, nullptr) || written != size) {
        DWORD error = GetLastError();
        bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
                    written != size;
        return Fail(full ? kErrorDiskSpace : kErrorCannotWrite);
      }
    }
    fileWritten_ += size;
    totalWritten_ += size;
    if (mode_ == Mode::kExtract) {
      info_.writeSize = totalWritten_;
      if (!observer_->OnState(kStateInProcess, &info_)) return Fail(kErrorUserCancel);
    }
    return size;
  }

  // FDI closes an output file itself only when it gives up on it.
  void Closed(FdiFile* file) {
    if (file->handle != INVALID_HANDLE_VALUE) CloseHandle(file->handle);
    if (file == current_) current_ = nullptr;
    Forget(file);
  }

 private:
  static FNFDINOTIFY(Notify) {
    Session* self = static_cast<Session*>(pfdin->pv);
    switch (fdint) {
      case fdintCOPY_FILE: return self->BeginFile(pfdin);
      case fdintCLOSE_FILE_INFO: return self->EndFile(pfdin);
      case fdintCABINET_INFO:
        // The first of these describes the cabinet FDICopy was given; its psz1 names the
        // next part of the set, if any. A refusal here waits for the first file: stopped
        // at this point, Wine's FDI loses the cabinet's handle.
        if (!self->sawCabinet_) {
          self->sawCabinet_ = true;
          if (pfdin->psz1[0] != '\0' && !kaze::IsPlainCabinetPartName(pfdin->psz1)) {
            self->Fail(kErrorHeaderBroken);
            return 0;
          }
          self->nextPart_ = pfdin->psz1;
        }
        return 0;
      case fdintNEXT_CABINET:
        // FDI looks for the next cabinet of a set beside this one; when it is not there,
        // it asks again with the error set. A name with a path would send it elsewhere.
        if (!kaze::IsPlainCabinetPartName(pfdin->psz1)) return self->Refuse(kErrorHeaderBroken);
        return pfdin->fdie == FDIERROR_NONE ? 0 : self->Refuse(kErrorNotFindArcFile);
      default: return 0;  // cabinet info, files continued from an earlier cabinet
    }
  }

  UINT Fail(int code) {
    if (result_ == kOk) result_ = code;
    return static_cast<UINT>(-1);
  }

  INT_PTR Refuse(int code) {
    Fail(code);
    return -1;
  }

  INT_PTR BeginFile(PFDINOTIFICATION pfdin) {
    if (result_ != kOk) return -1;
    // A file of a folder the cabinet lacks: Wine's FDI would decode it from no folder.
    if (mode_ != Mode::kList &&
        !FileFolderExists(pfdin->iFolder, static_cast<uint16_t>(folderCount_))) {
      return Refuse(kErrorHeaderBroken);
    }
    std::string stored;
    bool converted = StoredNameToAnsi(pfdin->psz1, pfdin->attribs, &stored);
    if (mode_ == Mode::kList) {
      Member m;
      m.name = converted ? stored : std::string(pfdin->psz1);
      for (size_t i = 0; i < m.name.size(); i += kaze::CharLength(m.name.c_str(), i)) {
        if (m.name[i] == '/') m.name[i] = '\\';
      }
      m.size = static_cast<DWORD>(pfdin->cb);
      m.date = pfdin->date;
      m.time = pfdin->time;
      m.attributes = pfdin->attribs;
      members_->push_back(m);
      return 0;  // skip: listing reads no data
    }
    fileWritten_ = 0;
    expectedSize_ = static_cast<DWORD>(pfdin->cb);
    if (mode_ == Mode::kTest) return Open(INVALID_HANDLE_VALUE, "");

    if (!converted) return Refuse(kErrorNameNotInCodePage);
    char name[kNameMax + 1];
    if (!kaze::NormalizeArchiveMemberName(stored.c_str(), name, sizeof name)) {
      return Refuse(kErrorNotFileName);
    }
    if (!Selected(name)) return 0;
    std::string path = WithBackslash(options_->folder) + name;
    if (path.size() >= MAX_PATH) return Refuse(kErrorLongFileName);
    info_.fileSize = static_cast<DWORD>(pfdin->cb);
    info_.writeSize = totalWritten_;
    std::strcpy(info_.sourceName, name);
    std::strcpy(info_.destName, path.c_str());
    if (!observer_->OnState(kStateBegin, &info_)) return Refuse(kErrorUserCancel);

    // Looked at once the owner has been told: it may have moved a file of that name aside.
    DWORD existing = GetFileAttributesA(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
      if (!options_->overwrite) return Refuse(kErrorAlreadyExist);
      if (existing & FILE_ATTRIBUTE_DIRECTORY) return Refuse(kErrorFileOpen);
      if (existing & FILE_ATTRIBUTE_READONLY) return Refuse(kErrorReadOnly);
    }

    if (!CreateParentFolders(path)) return Refuse(kErrorDirectory);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      return Refuse(error == ERROR_DISK_FULL ? kErrorDiskSpace : kErrorFileOpen);
    }
    return Open(h, path);
  }

  INT_PTR Open(HANDLE h, const std::string& path) {
    FdiFile* file = new (std::nothrow) FdiFile{h, this};
    if (file == nullptr) {
      if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        DeleteFileA(path.c_str());
      }
      return Refuse(kErrorMemory);
    }
    current_ = file;
    partialPath_ = path;
    return Register(file);
  }

  INT_PTR EndFile(PFDINOTIFICATION pfdin) {
    FdiFile* file = Known(pfdin->hf);
    if (file == nullptr) {
      Fail(kErrorHeaderBroken);
      DiscardCurrent();
      return FALSE;
    }
    bool complete = fileWritten_ == expectedSize_;
    if (file->handle != INVALID_HANDLE_VALUE) {
      FILETIME local, utc;
      if (DosDateTimeToFileTime(pfdin->date, pfdin->time, &local) &&
          LocalFileTimeToFileTime(&local, &utc)) {
        SetFileTime(file->handle, nullptr, nullptr, &utc);
      }
      CloseHandle(file->handle);
      file->handle = INVALID_HANDLE_VALUE;
    }
    if (file == current_) current_ = nullptr;
    Forget(file);
    if (result_ != kOk || !complete) {
      Fail(kErrorHeaderBroken);
      DiscardCurrent();
      return FALSE;
    }
    if (mode_ == Mode::kTest) {
      partialPath_.clear();
      return TRUE;
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    DWORD attributes = pfdin->attribs & kept;
    if (attributes != 0) SetFileAttributesA(partialPath_.c_str(), attributes);
    partialPath_.clear();
    ++filesWritten_;
    info_.writeSize = fileWritten_;
    if (!observer_->OnState(kStateEnd, &info_)) {
      Fail(kErrorUserCancel);
      return FALSE;
    }
    return TRUE;
  }

  bool Selected(const char* name) const {
    if (options_->patterns.empty()) return true;
    for (const std::string& pattern : options_->patterns) {
      if (MatchesPattern(pattern.c_str(), name)) return true;
    }
    return false;
  }

  // A file that was begun but not finished is not worth keeping.
  void DiscardCurrent() {
    if (current_ != nullptr) {
      if (current_->handle != INVALID_HANDLE_VALUE) CloseHandle(current_->handle);
      Forget(current_);
      current_ = nullptr;
    }
    if (!partialPath_.empty()) {
      DeleteFileA(partialPath_.c_str());
      partialPath_.clear();
    }
  }

  Mode mode_;
  const ExtractOptions* options_;
  ExtractObserver* observer_;
  std::vector<Member>* members_;
  ExtractingInfo info_;
  FdiFile* current_ = nullptr;
  std::string partialPath_;
  DWORD fileWritten_ = 0;
  DWORD expectedSize_ = 0;
  DWORD totalWritten_ = 0;
  int filesWritten_ = 0;
  int result_ = kOk;
  std::string nextPart_;
  bool sawCabinet_ = false;
  int folderCount_ = 0;  // of the part FDICopy is given
  static const int kMaxParts = 255;
};

FNWRITE(FdiWrite) {
  FdiFile* file = Known(hf);
  if (file == nullptr) return static_cast<UINT>(-1);
  if (file->writer != nullptr) return file->writer->Write(file, pv, cb);
  return static_cast<UINT>(-1);  // cabinets are never written
}

FNCLOSE(FdiClose) {
  FdiFile* file = Known(hf);
  if (file == nullptr) return -1;
  if (file->writer != nullptr) {
    file->writer->Closed(file);
    return 0;
  }
  BOOL ok = CloseHandle(file->handle);
  Forget(file);
  return ok ? 0 : -1;
}

}  // namespace

bool ReadCabinetFacts(const char* archivePath, CabinetFacts* facts) {
  Fdi fdi;
  if (fdi.get() == nullptr) return false;
  INT_PTR hf = FdiOpen(const_cast<char*>(archivePath), _O_RDONLY | _O_BINARY, 0);
  if (hf == -1) return false;
  FDICABINETINFO info;
  std::memset(&info, 0, sizeof info);
  BOOL ok = FDIIsCabinet(fdi.get(), hf, &info);
  FdiClose(hf);
  if (!ok) return false;
  facts->cabinetSize = info.cbCabinet;
  facts->fileCount = info.cFiles;
  facts->folderCount = info.cFolders;
  return true;
}

int ListMembers(const char* archivePath, std::vector<Member>* members) {
  members->clear();
  Session session(Mode::kList, nullptr, nullptr, members);
  return session.Run(archivePath);
}

int TestCabinet(const char* archivePath) {
  Session session(Mode::kTest, nullptr, nullptr, nullptr);
  return session.Run(archivePath);
}

int ExtractCabinet(const char* archivePath, const ExtractOptions& options,
                   ExtractObserver* observer, int* filesWritten) {
  Session session(Mode::kExtract, &options, observer, nullptr);
  int result = session.Run(archivePath);
  if (filesWritten != nullptr) *filesWritten = session.filesWritten();
  return result;
}

}  // namespace cab32
