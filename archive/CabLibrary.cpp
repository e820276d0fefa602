#include "archive/CabLibrary.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "archive/MemberName.h"
#include "system/Dbcs.h"
#include "ui/Prompts.h"

namespace kaze {

namespace {

const char kErrorCaption[] = "エラー";
const char kUnCabErrorCaption[] = "UnCab Error";
const char kLibraryFileName[] = "cab32.dll";

// A message of at most 259 bytes, shown without owner window.
int ShowFormatted(const char* caption, UINT style, const char* format, ...) {
  char full[4 * kCabPathSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(full, sizeof full, format, args);
  va_end(args);
  char text[kCabPathSize];
  CopyTextCut(full, text, sizeof text);
  return ShowMessage(nullptr, text, caption, style);
}

void ShowLoadError(const char* text) {
  ShowMessage(nullptr, text, kErrorCaption, MB_OK | MB_ICONERROR);
}

// Copies a fixed-size request field; false when it holds no terminator.
bool CopyField(const char (&field)[kCabPathSize], char* out) {
  size_t n = 0;
  while (n < kCabPathSize && field[n] != '\0') ++n;
  if (n == kCabPathSize) return false;
  std::memcpy(out, field, n + 1);
  return true;
}

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const char* path)
      : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
  ~ReadOnlyFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

template <typename Fn>
bool Resolve(HMODULE module, const char* name, const char* message, Fn* slot) {
  *slot = nullptr;
  FARPROC address = module != nullptr ? GetProcAddress(module, name) : nullptr;
  if (address == nullptr) {
    ShowLoadError(message);
    return false;
  }
  *slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
  return true;
}

}  // namespace

bool LibraryModule::Load(const char* path) {
  Free();
  module_ = LoadLibraryA(path);
  return module_ != nullptr;
}

bool LibraryModule::Free() {
  if (module_ == nullptr) return true;
  if (!FreeLibrary(module_)) return false;
  module_ = nullptr;
  return true;
}

// The library whose extraction is running. The callback comes for every block written, so
// it is found here rather than through a window property (a round trip to the window
// server each time under Wine).
namespace {
CabLibrary* g_extracting = nullptr;
}  // namespace

class CabLibrary::OwnerRegistration {
 public:
  explicit OwnerRegistration(CabLibrary* library)
      : library_(library), previous_(g_extracting) {
    g_extracting = library_;
    library_->setOwnerWindowEx_(library_->owner_, &CabLibrary::OwnerWindowProc);
  }
  ~OwnerRegistration() {
    library_->killOwnerWindowEx_(library_->owner_);
    g_extracting = previous_;
  }
  OwnerRegistration(const OwnerRegistration&) = delete;
  OwnerRegistration& operator=(const OwnerRegistration&) = delete;

 private:
  CabLibrary* library_;
  CabLibrary* previous_;
};

CabLibrary::CabLibrary()
    : resolved_(false),
      owner_(nullptr),
      noticeValue_(0),
      fileCount_(0),
      callback_(nullptr),
      stoppedWithMessage_(false) {
  std::memset(libraryPath_, 0, sizeof libraryPath_);
  std::memset(pathBuffer_, 0, sizeof pathBuffer_);
  std::memset(destinationFolder_, 0, sizeof destinationFolder_);
  std::memset(&progress_, 0, sizeof progress_);
  ClearSlots();
}

void CabLibrary::ClearSlots() {
  getVersion_ = nullptr;
  checkArchive_ = nullptr;
  queryFunctionList_ = nullptr;
  getFileCount_ = nullptr;
  getRunning_ = nullptr;
  cab_ = nullptr;
  openArchive_ = nullptr;
  closeArchive_ = nullptr;
  findFirst_ = nullptr;
  findNext_ = nullptr;
  getFileName_ = nullptr;
  getOriginalSize_ = nullptr;
  setOwnerWindowEx_ = nullptr;
  killOwnerWindowEx_ = nullptr;
  resolved_ = false;
}

void CabLibrary::ShowLibraryMissing() {
  ShowLoadError("キャビネットファイル展開用DLLの取得に失敗しました");
}

bool CabLibrary::Load(HWND owner, const char* folder) {
  Unload();
  owner_ = owner;
  int n = std::snprintf(pathBuffer_, sizeof pathBuffer_, "%s%s", folder ? folder : "",
                        kLibraryFileName);
  // A cut path would name another file: refuse it like a missing library.
  if (n < 0 || static_cast<size_t>(n) >= sizeof pathBuffer_ || !module_.Load(pathBuffer_)) {
    ShowLoadError("キャビネットファイル展開用DLLの取得に失敗しました");
    return false;
  }
  std::memcpy(libraryPath_, pathBuffer_, sizeof libraryPath_);

  if (!Resolve(module_.get(), "CabQueryFunctionList",
               "関数使用可能チェック関数の取得に失敗しました", &queryFunctionList_)) {
    Unload();
    return false;
  }
  static const int kNeededFunctions[] = {0, 1, 16, 19, 18, 23, 24, 25, 26, 57, 58, 18};
  for (int function : kNeededFunctions) {
    if (!queryFunctionList_(function)) {
      ShowLoadError("ロードされたDLLに使用する関数が実装されていません\n"
                    "DLLを最新のものに交換してください");
      Unload();
      return false;
    }
  }
  if (!ResolveAll()) {
    Unload();
    return false;
  }
  resolved_ = true;
  return true;
}

bool CabLibrary::ResolveAll() {
  HMODULE m = module_.get();
  return Resolve(m, "CabGetVersion", "バージョン情報の取得に失敗しました", &getVersion_) &&
         Resolve(m, "CabCheckArchive", "アーカイブチェック関数の取得に失敗しました",
                 &checkArchive_) &&
         Resolve(m, "CabQueryFunctionList", "関数使用可能チェック関数の取得に失敗しました",
                 &queryFunctionList_) &&
         Resolve(m, "CabGetRunning", "DLL動作チェック関数の取得に失敗しました", &getRunning_) &&
         Resolve(m, "Cab", "解凍実行関数の取得に失敗しました", &cab_) &&
         Resolve(m, "CabOpenArchive", "アーカイブハンドル取得関数の取得に失敗しました",
                 &openArchive_) &&
         Resolve(m, "CabCloseArchive", "アーカイブハンドル開放関数の取得に失敗しました",
                 &closeArchive_) &&
         Resolve(m, "CabFindFirst", "アーカイブ先頭ファイル取得関数の取得に失敗しました",
                 &findFirst_) &&
         Resolve(m, "CabFindNext", "アーカイブ次ファイル取得関数の取得に失敗しました",
                 &findNext_) &&
         Resolve(m, "CabGetFileCount", "アーカイブ内ファイル数取得関数の取得に失敗しました",
                 &getFileCount_) &&
         Resolve(m, "CabGetFileName", "アーカイブ元ファイル名取得関数の取得に失敗しました",
                 &getFileName_) &&
         Resolve(m, "CabGetOriginalSize",
                 "アーカイブ元ファイルサイズ取得関数の取得に失敗しました", &getOriginalSize_) &&
         Resolve(m, "CabSetOwnerWindowEx", "コールバック設定関数の取得に失敗しました",
                 &setOwnerWindowEx_) &&
         Resolve(m, "CabKillOwnerWindowEx", "コールバック解除関数の取得に失敗しました",
                 &killOwnerWindowEx_);
}

void CabLibrary::Unload() {
  // No slot may outlive the module it points into.
  ClearSlots();
  module_.Free();
}

bool CabLibrary::IsLoaded() const { return resolved_ && module_.get() != nullptr; }

int CabLibrary::GetArchiveWeight(const char* archivePath) {
  if (!IsLoaded() || archivePath == nullptr) return ArchiveWeightFromCount(-1);
  return ArchiveWeightFromCount(getFileCount_(archivePath));
}

int CabLibrary::Extract(const CabExtractRecord& request, CabProgressCallback* callback) {
  if (owner_ == nullptr || !IsLoaded()) return 0;
  callback_ = callback;
  OwnerRegistration registration(this);

  char archivePath[kCabPathSize];
  char requestFolder[kCabPathSize];
  bool fits = CopyField(request.archivePath, archivePath) &&
              CopyField(request.destinationPath, requestFolder);
  if (fits) {
    std::memcpy(destinationFolder_, requestFolder, sizeof destinationFolder_);
    fits = AppendBackslash(destinationFolder_, sizeof destinationFolder_);
  }
  if (!fits) {
    ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR, "展開先のパスが長すぎます\n%.*s",
                  static_cast<int>(kCabPathSize - 1), request.destinationPath);
    return 0;
  }
  if (!OpenArchiveStep(archivePath)) return 0;

  progress_ = request;
  progress_.fileCount = fileCount_;
  progress_.filesDone = 0;
  progress_.finishedBytes = 0;
  progress_.progressValue = 0;
  progress_.createdFolder = nullptr;

  char command[kCabCommandSize];
  if (!FormatCabCommand(archivePath, requestFolder, command, sizeof command)) {
    ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR, "展開先のパスが長すぎます\n%s",
                  requestFolder);
    return 0;
  }
  stoppedWithMessage_ = false;
  stoppedByCaller_ = false;
  int result = cab_(owner_, command, nullptr, 0);
  if (result != 0) {
    if (!stoppedWithMessage_ && !stoppedByCaller_) ShowCabErrorFor(result, archivePath);
    Notify(CAB_FAILED);
    return 0;
  }
  Notify(CAB_FINISHED);
  return 1;
}

bool CabLibrary::OpenArchiveStep(const char* archivePath) {
  if (!Exists(archivePath)) {
    ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR,
                  "指定されたCABファイル [%s] が見つかりません", archivePath);
    return false;
  }
  if (!IsCabinetHeader(archivePath) && checkArchive_(archivePath, 1) == 0) {
    int answer = ShowFormatted(
        kErrorCaption, MB_YESNO,
        "指定されたCABファイル [%s] が正しく認識できませんでした\n"
        "ただし、このエラーを無視して実行した場合うまくいく場合があります。続行しますか？",
        archivePath);
    if (answer != IDYES) return false;
  }
  noticeValue_ = 0;
  fileCount_ = static_cast<uint32_t>(getFileCount_(archivePath));
  if (fileCount_ == 0) {
    ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR,
                  "圧縮ファイル内に圧縮されたファイルが見つかりません。");
    return false;
  }
  HANDLE archive = openArchive_(owner_, archivePath, 0);
  if (archive == nullptr) {
    std::string missing = MissingSetPart(archivePath);
    if (!missing.empty()) {
      // Both paths whole: a path cut short would name another file.
      std::string text = std::string("指定されたCABファイル [") + archivePath +
                         "] を開けませんでした\n続きのCABファイル [" + missing + "] が見つかりません";
      ShowMessage(nullptr, text.c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
    } else {
      ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR,
                    "指定されたCABファイル [%s] を開けませんでした", archivePath);
    }
    return false;
  }
  // Only a test that the library can open it; the command does the work.
  closeArchive_(archive);
  return true;
}

bool CabLibrary::IsCabinetHeader(const char* path) {
  ReadOnlyFile file(path);
  if (!file.ok()) return false;
  unsigned char head[12];
  DWORD got = 0;
  if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) return false;
  DWORD high = 0;
  DWORD low = GetFileSize(file.get(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  uint64_t size = (static_cast<uint64_t>(high) << 32) | low;
  return CabinetHeaderMatches(head, got, size);
}

// The first part of the archive's set that is not beside it, following the parts' headers
// from the archive on; empty when every named part is there.
std::string CabLibrary::MissingSetPart(const char* archivePath) {
  std::string path = archivePath;
  for (int part = 0; part < 255; ++part) {
    ReadOnlyFile file(path.c_str());
    if (!file.ok()) return part == 0 ? std::string() : path;
    unsigned char head[1200];
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) return std::string();
    char next[256];
    // A name with a path is the header's lie, not a part to look for or to name.
    if (!CabinetNextPartName(head, got, next, sizeof next) || !IsPlainCabinetPartName(next)) {
      return std::string();
    }
    char folder[kCabPathSize];
    if (!ParentFolderOf(path.c_str(), folder, sizeof folder)) return std::string();
    path = std::string(folder) + next;
    if (!Exists(path.c_str())) return path;
  }
  return std::string();
}

void CabLibrary::ShowCabErrorFor(int code, const char* archivePath) {
  char text[kCabPathSize];
  if (!FormatCabErrorText(code, text, sizeof text)) return;
  std::string message = text;
  // A set whose later part is missing: say which file the disc lacks.
  const int kNotFindArcFile = 0x8029;
  if (code == kNotFindArcFile) {
    std::string missing = MissingSetPart(archivePath);
    if (!missing.empty()) message += "\n続きのCABファイル [" + missing + "] が見つかりません";
  }
  // A stored name refused: the library names no file, so say which archive holds it.
  const int kNotFileName = 0x802B;
  const int kNameNotInCodePage = 0x8100;
  if (code == kNotFileName || code == kNameNotInCodePage) {
    message += std::string("\n指定されたCABファイル [") + archivePath + "] を展開できませんでした";
  }
  ShowMessage(nullptr, message.c_str(), kUnCabErrorCaption, MB_OK | MB_ICONERROR);
}

void CabLibrary::ShowCabError(int code) {
  char text[kCabPathSize];
  if (!FormatCabErrorText(code, text, sizeof text)) return;
  ShowMessage(nullptr, text, kUnCabErrorCaption, MB_OK | MB_ICONERROR);
}

int CabLibrary::Notify(int code) {
  if (callback_ == nullptr) return 1;
  int goOn = callback_->OnCabNotice(code, noticeValue_, fileCount_, &progress_);
  if (goOn == 0) stoppedByCaller_ = true;
  return goOn;
}

BOOL CALLBACK CabLibrary::OwnerWindowProc(HWND window, UINT message, UINT state, LPVOID info) {
  (void)message;
  CabLibrary* self = g_extracting;
  if (self == nullptr || self->owner_ != window || info == nullptr) return TRUE;
  return self->OnOwnerState(state, info);
}

BOOL CabLibrary::OnOwnerState(UINT state, const void* info) {
  CabFileInfoView view = ReadCabFileInfo(info);
  switch (state) {
    case 0: {
      // The name comes from the archive: it must not lead out of the destination, and
      // the path must not be cut into another one.
      char name[kCabInfoNameLimit + 1];
      if (view.nameLength >= kCabInfoNameLimit ||
          !NormalizeArchiveMemberName(std::string(view.name, view.nameLength).c_str(), name,
                                      sizeof name)) {
        char shown[kCabPathSize];
        CopyTextCut(std::string(view.name, view.nameLength).c_str(), shown, sizeof shown);
        ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR,
                      "圧縮ファイル内のファイル名が正しくありません\n%s", shown);
        stoppedWithMessage_ = true;
        return FALSE;
      }
      if (!JoinCabPath(destinationFolder_, name, std::strlen(name), progress_.destinationPath,
                       sizeof progress_.destinationPath) ||
          std::strlen(progress_.destinationPath) > kCabMaxFolderPath) {
        ShowFormatted(kErrorCaption, MB_OK | MB_ICONERROR, "展開先のパスが長すぎます\n%s%s",
                      destinationFolder_, name);
        stoppedWithMessage_ = true;
        return FALSE;
      }
      EnsureParentFolders(progress_.destinationPath);
      if (stoppedByCaller_) return FALSE;
      CabProgressFileBegin(progress_, view.fileSize);
      return Notify(CAB_FILE_BEGIN) != 0;
    }
    case 1:
      CabProgressBytesWritten(progress_, view.bytesWritten);
      return Notify(CAB_FILE_PROGRESS) != 0;
    case 2:
      CabProgressFileEnd(progress_, view.bytesWritten);
      return Notify(CAB_FILE_END) != 0;
    default:
      return TRUE;
  }
}

bool CabLibrary::EnsureParentFolders(const char* path) {
  char copy[kCabMaxFolderPath + 1];
  if (std::strlen(path) > kCabMaxFolderPath) return false;
  std::strcpy(copy, path);
  if (Exists(copy)) return false;
  char parent[kCabMaxFolderPath + 1];
  if (!ParentFolderOf(copy, parent, sizeof parent)) return true;
  if (EnsureParentFolders(parent) && !stoppedByCaller_) {
    // Announced just before it is made, so that the caller can record it first; a caller
    // that cannot stops the extraction, and the folder is not made.
    progress_.createdFolder = parent;
    int goOn = Notify(CAB_FOLDER_CREATED);
    progress_.createdFolder = nullptr;
    if (goOn != 0) CreateDirectoryA(parent, nullptr);
  }
  return true;
}

}  // namespace kaze
