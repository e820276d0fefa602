// cab32.dll: cabinet archives for programs of the archiver-DLL family, unpacked by the
// cabinet API that Windows itself provides.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cab32/Cab32Api.h"
#include "cab32/CabCommand.h"
#include "cab32/Cabinet.h"

#define CAB32_EXPORT extern "C" __declspec(dllexport)

// The test build that lacks one export, to prove that callers refuse such a library.
#ifdef CAB32_OMIT_FIND_NEXT
#define CAB32_FIND_NEXT_EXPORT extern "C"
#else
#define CAB32_FIND_NEXT_EXPORT CAB32_EXPORT
#endif

using namespace cab32;

namespace {

const WORD kVersion = 100;  // 1.00

// The caller's window and callback for extraction notices (one at a time, as in the
// rest of the family).
HWND g_ownerWindow = nullptr;
OwnerWindowProc g_ownerProc = nullptr;
bool g_running = false;

UINT ExtractMessage() {
  static UINT message = RegisterWindowMessageA("wm_arcextract");
  return message;
}

class OwnerNotifier : public ExtractObserver {
 public:
  bool OnState(UINT state, ExtractingInfo* info) override {
    if (g_ownerProc == nullptr) return true;
    return g_ownerProc(g_ownerWindow, ExtractMessage(), state, info) != FALSE;
  }
};

class RunningFlag {
 public:
  RunningFlag() { g_running = true; }
  ~RunningFlag() { g_running = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
};

// An archive opened with CabOpenArchive: its listing and the search position.
struct OpenedArchive {
  std::vector<Member> members;
  std::string pattern;
  size_t next = 0;
  const Member* current = nullptr;
};

std::vector<OpenedArchive*>& OpenedArchives() {
  static std::vector<OpenedArchive*> list;
  return list;
}

OpenedArchive* FromHandle(HARC harc) {
  std::vector<OpenedArchive*>& list = OpenedArchives();
  auto it = std::find(list.begin(), list.end(), static_cast<OpenedArchive*>(harc));
  return it == list.end() ? nullptr : *it;
}

void FillIndividualInfo(const Member& m, IndividualInfo* info) {
  std::memset(info, 0, sizeof *info);
  info->originalSize = m.size;
  info->compressedSize = m.size;
  info->ratio = 1000;
  info->date = m.date;
  info->time = m.time;
  lstrcpynA(info->fileName, m.name.c_str(), sizeof info->fileName);
  std::snprintf(info->attribute, sizeof info->attribute, "%c%c%c%c",
                (m.attributes & FILE_ATTRIBUTE_ARCHIVE) ? 'A' : '-',
                (m.attributes & FILE_ATTRIBUTE_SYSTEM) ? 'S' : '-',
                (m.attributes & FILE_ATTRIBUTE_HIDDEN) ? 'H' : '-',
                (m.attributes & FILE_ATTRIBUTE_READONLY) ? 'R' : '-');
  lstrcpynA(info->mode, "-cab-", sizeof info->mode);
}

// Next member matching the search pattern: 0, -1 when there is none.
int FindFrom(OpenedArchive* archive, IndividualInfo* info) {
  while (archive->next < archive->members.size()) {
    const Member& m = archive->members[archive->next++];
    if (MatchesPattern(archive->pattern.c_str(), m.name.c_str())) {
      archive->current = &m;
      if (info != nullptr) FillIndividualInfo(m, info);
      return 0;
    }
  }
  archive->current = nullptr;
  return -1;
}

DWORD FileSizeOf(const char* path, bool* ok) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  *ok = h != INVALID_HANDLE_VALUE;
  if (!*ok) return 0;
  DWORD high = 0;
  DWORD low = GetFileSize(h, &high);
  CloseHandle(h);
  *ok = low != INVALID_FILE_SIZE && high == 0;
  return low;
}

void WriteOutput(LPSTR output, DWORD size, int result, int files) {
  if (output == nullptr || size == 0) return;
  if (result == kOk) {
    std::snprintf(output, size, "%d file(s) extracted.\r\n", files);
  } else {
    std::snprintf(output, size, "error 0x%04X after %d file(s).\r\n",
                  static_cast<unsigned>(result), files);
  }
}

}  // namespace

CAB32_EXPORT WORD WINAPI CabGetVersion() { return kVersion; }

CAB32_EXPORT BOOL WINAPI CabGetRunning() { return g_running ? TRUE : FALSE; }

CAB32_EXPORT BOOL WINAPI CabQueryFunctionList(const int function) {
  switch (function) {
    case kFnCab:
    case kFnGetVersion:
    case kFnGetRunning:
    case kFnCheckArchive:
    case kFnGetFileCount:
    case kFnQueryFunctionList:
    case kFnOpenArchive:
    case kFnCloseArchive:
    case kFnFindFirst:
    case kFnFindNext:
    case kFnGetFileName:
    case kFnGetOriginalSize:
    case kFnSetOwnerWindowEx:
    case kFnKillOwnerWindowEx:
      return TRUE;
    default:
      return FALSE;
  }
}

// Mode 0: the header only. Mode 1: also the header's size field against the file's
// size and a readable file table. Mode 2: also every file's data decoded.
CAB32_EXPORT BOOL WINAPI CabCheckArchive(LPCSTR path, const int mode) {
  if (path == nullptr) return FALSE;
  CabinetFacts facts;
  if (!ReadCabinetFacts(path, &facts)) return FALSE;
  int level = mode & 3;
  if (level >= 1) {
    bool ok = false;
    DWORD size = FileSizeOf(path, &ok);
    if (!ok || facts.cabinetSize < 0 || static_cast<DWORD>(facts.cabinetSize) != size) {
      return FALSE;
    }
    std::vector<Member> members;
    if (ListMembers(path, &members) != kOk) return FALSE;
  }
  if (level >= 2 && TestCabinet(path) != kOk) return FALSE;
  return TRUE;
}

// The files of the whole set that the cabinet begins: those it holds itself and those of
// the parts after it, each counted once.
CAB32_EXPORT int WINAPI CabGetFileCount(LPCSTR path) {
  CabinetFacts facts;
  if (path == nullptr || !ReadCabinetFacts(path, &facts)) return -1;
  std::vector<Member> members;
  if (ListMembers(path, &members) != kOk) return -1;
  return static_cast<int>(members.size());
}

CAB32_EXPORT int WINAPI Cab(const HWND window, LPCSTR commandLine, LPSTR output,
                            const DWORD outputSize) {
  (void)window;
  if (output != nullptr && outputSize > 0) output[0] = '\0';
  if (g_running) return kErrorAlreadyRunning;
  CabCommand command;
  if (!ParseCabCommand(commandLine, &command)) return kErrorCommand;
  RunningFlag running;
  ExtractOptions options;
  options.folder = command.folder;
  options.overwrite = command.overwrite;
  options.patterns = command.patterns;
  OwnerNotifier notifier;
  int files = 0;
  int result = ExtractCabinet(command.archive.c_str(), options, &notifier, &files);
  WriteOutput(output, outputSize, result, files);
  return result;
}

CAB32_EXPORT HARC WINAPI CabOpenArchive(const HWND window, LPCSTR path, const DWORD mode) {
  (void)window;
  (void)mode;
  if (path == nullptr) return nullptr;
  OpenedArchive* archive = new (std::nothrow) OpenedArchive;
  if (archive == nullptr) return nullptr;
  if (ListMembers(path, &archive->members) != kOk) {
    delete archive;
    return nullptr;
  }
  OpenedArchives().push_back(archive);
  return archive;
}

CAB32_EXPORT int WINAPI CabCloseArchive(HARC harc) {
  OpenedArchive* archive = FromHandle(harc);
  if (archive == nullptr) return kErrorHarcNotOpened;
  std::vector<OpenedArchive*>& list = OpenedArchives();
  list.erase(std::find(list.begin(), list.end(), archive));
  delete archive;
  return kOk;
}

CAB32_EXPORT int WINAPI CabFindFirst(HARC harc, LPCSTR wildName, IndividualInfo* info) {
  OpenedArchive* archive = FromHandle(harc);
  if (archive == nullptr) return kErrorHarcNotOpened;
  archive->pattern = (wildName == nullptr || wildName[0] == '\0') ? "*" : wildName;
  archive->next = 0;
  return FindFrom(archive, info);
}

CAB32_FIND_NEXT_EXPORT int WINAPI CabFindNext(HARC harc, IndividualInfo* info) {
  OpenedArchive* archive = FromHandle(harc);
  if (archive == nullptr) return kErrorHarcNotOpened;
  if (archive->pattern.empty()) return kErrorNotSearchMode;
  return FindFrom(archive, info);
}

CAB32_EXPORT int WINAPI CabGetFileName(HARC harc, LPSTR buffer, const int size) {
  OpenedArchive* archive = FromHandle(harc);
  if (archive == nullptr) return kErrorHarcNotOpened;
  if (archive->current == nullptr) return kErrorNotSearchMode;
  if (buffer == nullptr || size <= 0) return kErrorLongFileName;
  const std::string& name = archive->current->name;
  if (name.size() + 1 > static_cast<size_t>(size)) return kErrorLongFileName;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return kOk;
}

CAB32_EXPORT int WINAPI CabGetOriginalSize(HARC harc) {
  OpenedArchive* archive = FromHandle(harc);
  if (archive == nullptr || archive->current == nullptr) return -1;
  return static_cast<int>(archive->current->size);
}

CAB32_EXPORT BOOL WINAPI CabSetOwnerWindowEx(HWND window, OwnerWindowProc proc) {
  if (window == nullptr || proc == nullptr) return FALSE;
  g_ownerWindow = window;
  g_ownerProc = proc;
  return TRUE;
}

CAB32_EXPORT BOOL WINAPI CabKillOwnerWindowEx(HWND window) {
  if (g_ownerProc == nullptr || window != g_ownerWindow) return FALSE;
  g_ownerWindow = nullptr;
  g_ownerProc = nullptr;
  return TRUE;
}
