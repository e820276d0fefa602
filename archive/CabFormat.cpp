// byte-level
#include "archive/CabFormat.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "archive/MemberName.h"
#include "system/Dbcs.h"

namespace kaze {

namespace {

uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct CabErrorEntry {
  int code;
  const char* text;
};

const CabErrorEntry kCabErrors[] = {
    {267, "ERROR CODE : ERROR_DIRECTORY \n 解凍先ディレクトリが作成できません。"},
    {0x8005, "ERROR CODE : ERROR_DISK_SPACE \n 解凍する為のディスクの空きが足りません。"},
    {0x8006, "ERROR CODE : ERROR_READ_ONLY \n 解凍先のファイルは書込み禁止です。"},
    {0x8007, "ERROR CODE : ERROR_USER_SKIP \n ユーザーによって解凍をスキップされました。"},
    {0x8008, "ERROR CODE : ERROR_UNKOWN_TYPE \n 格納ファイルの種類が Windows で扱える形式（バイナリ/テキスト）以外です。"},
    {0x8009, "ERROR CODE : ERROR_METHOD \n CAB32.DLL で扱えない格納モードで格納されています。"},
    {0x800A, "ERROR CODE : ERROR_PASSWORD_FILE \n 格納ファイルにパスワードがかかっています。"},
    {0x800B, "ERROR CODE : ERROR_VERSION \n 格納ファイルが CAB32.DLL が対応していないバージョンの形式です。"},
    {0x800C, "ERROR CODE : ERROR_FILE_CRC \n 格納ファイルのチェックサムが合っていません。"},
    {0x800D, "ERROR CODE : ERROR_FILE_OPEN \n 解凍時にファイルを開けませんでした。"},
    {0x800E, "ERROR CODE : ERROR_MORE_FRESH \n より新しいファイルが解凍先に存在しています。"},
    {0x800F, "ERROR CODE : ERROR_NOT_EXIST \n ファイルは解凍先に存在していません。"},
    {0x8010, "ERROR CODE : ERROR_ALREADY_EXIT \n ファイルが解凍先に既に存在しています。"},
    {0x8011, "ERROR CODE : ERROR_TOO_MANY_FILES \n 格納ファイル数が限界を越えている。"},
    {0x8013, "ERROR CODE : ERROR_CANNOT_WRITE \n 解凍中に書き込みエラーが生じました。"},
    {0x8014, "ERROR CODE : ERROR_HUFFMAN_CODE \n 解凍中のアーカイブファイルのハフマンコードが壊れています。"},
    {0x8015, "ERROR CODE : ERROR_COMMENT_HEADER \n 解凍中のアーカイブファイルのコメントヘッダが壊れています。"},
    {0x8016, "ERROR CODE : ERROR_HEADER_CRC \n 解凍中のアーカイブファイルのヘッダのチェックサムが合っていません。"},
    {0x8017, "ERROR CODE : ERROR_HEADER_BROKEN \n 解凍中のアーカイブファイルのヘッダが壊れています。"},
    {0x8018, "ERROR CODE : ERROR_ARCHIVE_FILE_OPEN \n 解凍中のアーカイブファイルを開く事が出来ません。"},
    {0x8019, "ERROR CODE : ERROR_NOT_ARCHIVE_FILE \n 解凍中のアーカイブファイルの読み込み時に読み込みエラーが出ました。"},
    {0x801A, "ERROR CODE : ERROR_CANNOT_READ \n 指定されたファイルは、アーカイブファイルではありません。"},
    {0x801B, "ERROR CODE : ERROR_FILE_STYLE \n コマンドオプションが間違っています。"},
    {0x801C, "ERROR CODE : ERROR_COMMAND_NAME \n 作業用のためのヒープメモリが不足しています。"},
    {0x801E, "ERROR CODE : ERROR_ENOUGH_MEMORY \n 作業用の物理メモリが不足しています。"},
    {0x801F, "ERROR CODE : ERROR_ALREADY_RUNNING \n 別のプロセスが CAB32.DLL を利用しています。"},
    {0x8020, "ERROR CODE : ERROR_USER_CANCEL \n ユーザキャンセル。"},
    {0x8021, "ERROR CODE : ERROR_HARC_ISNOT_OPENED \n アーカイブファイルオープンエラー。"},
    {0x8022, "ERROR CODE : ERROR_NOT_SEARCH_MODE \n エラー。"},
    {0x8023, "ERROR CODE : ERROR_NOT_SUPPORT \n 操作対象ファイルはサポートされてません。"},
    {0x8024, "ERROR CODE : ERROR_TIME_STAMP \n 対象ファイルのタイムスタンプが不正です。"},
    {0x8025, "ERROR CODE : ERROR_TMP_OPEN \n テンポラリオープンエラー。"},
    {0x8026, "ERROR CODE : ERROR_LONG_FILE_NAME \n 操作ファイル名がロングファイル名文字数を超えています。"},
    {0x8027, "ERROR CODE : ERROR_ARC_READ_ONLY \n アーカイブファイルは読み込み専用です。"},
    {0x8028, "ERROR CODE : ERROR_SAME_NAME_FILE \n エラー"},
    {0x8029, "ERROR CODE : ERROR_NOT_FIND_ARC_FILE \n アーカイブファイルが見つかりません。"},
    {0x802A, "ERROR CODE : ERROR_RESPONSE_READ \n エラー"},
    {0x802B, "ERROR CODE : ERROR_NOT_FILENAME \n 指定された名前はファイル名ではありません。"},
    {0x802C, "ERROR CODE : ERROR_TMP_COPY \n テンポラリデータコピーエラー"},
    // Our cab32.dll's own: a name flagged as UTF-8 that has no Shift-JIS form.
    {0x8100, "ERROR CODE : ERROR_NAME_CONVERT \n 格納ファイルの名前を Shift-JIS のファイル名に変換できません。"},
};

}  // namespace

void CopyTextCut(const char* text, char* out, size_t size) {
  if (size == 0) return;
  size_t used = 0;
  for (size_t i = 0; text[i] != '\0';) {
    size_t n = CharLength(text, i);
    if (used + n + 1 > size) break;
    std::memcpy(out + used, text + i, n);
    used += n;
    i += n;
  }
  out[used] = '\0';
}

CabFileInfoView ReadCabFileInfo(const void* info) {
  const unsigned char* bytes = static_cast<const unsigned char*>(info);
  CabFileInfoView view;
  view.fileSize = ReadLe32(bytes);
  view.bytesWritten = ReadLe32(bytes + 4);
  view.name = reinterpret_cast<const char*>(bytes + 8);
  size_t n = 0;
  while (n < kCabInfoNameLimit && view.name[n] != '\0') ++n;
  view.nameLength = n;
  return view;
}

void CabProgressFileBegin(CabExtractRecord& record, uint32_t fileSize) {
  record.currentFileSize = fileSize;
  record.currentBytesWritten = 0;
  record.progressValue = record.filesDone * 1000u;
}

void CabProgressBytesWritten(CabExtractRecord& record, uint32_t libraryBytesWritten) {
  // The library counts bytes over the whole archive while a file is being written.
  record.currentBytesWritten = libraryBytesWritten - record.finishedBytes;
  record.progressValue = record.filesDone * 1000u;
}

void CabProgressFileEnd(CabExtractRecord& record, uint32_t libraryBytesWritten) {
  // At the end of a file the library reports that file's own size.
  record.currentBytesWritten = libraryBytesWritten;
  record.finishedBytes += libraryBytesWritten;
  record.filesDone += 1;
}

bool CabinetHeaderMatches(const unsigned char* head, size_t length, uint64_t fileSize) {
  if (length < 12) return false;
  if (std::memcmp(head, "MSCF", 4) != 0) return false;
  if (ReadLe32(head + 4) != 0) return false;
  return ReadLe32(head + 8) == fileSize;
}

bool ReadCabinetHeaderLayout(const unsigned char* head, size_t length,
                             CabinetHeaderLayout* out) {
  *out = CabinetHeaderLayout();
  if (length < 36 || std::memcmp(head, "MSCF", 4) != 0) return false;
  const unsigned flags = static_cast<unsigned>(head[30] | (head[31] << 8));
  const unsigned kPrev = 0x0001, kNext = 0x0002, kReserve = 0x0004;
  out->filesAt = ReadLe32(head + 16);
  out->folderCount = static_cast<uint16_t>(head[26] | (head[27] << 8));
  out->fileCount = static_cast<uint16_t>(head[28] | (head[29] << 8));
  size_t at = 36;
  if (flags & kReserve) {
    if (length < 40) return false;
    at = 40 + static_cast<size_t>(head[36] | (head[37] << 8));
    out->folderReserve = head[38];
    out->dataReserve = head[39];
  }
  // Each name is NUL-terminated and at most 255 bytes; the previous part's two come first.
  auto readName = [&](std::string* name) {
    size_t start = at;
    while (at < length && head[at] != 0) {
      if (at - start >= 255) return false;
      ++at;
    }
    if (at >= length) return false;
    name->assign(reinterpret_cast<const char*>(head) + start, at - start);
    ++at;
    return true;
  };
  std::string ignored;
  if ((flags & kPrev) && (!readName(&ignored) || !readName(&ignored))) return false;
  if ((flags & kNext) &&
      (!readName(&out->nextName) || !readName(&ignored) || out->nextName.empty())) {
    return false;
  }
  out->foldersAt = at;
  return true;
}

bool CabinetNextPartName(const unsigned char* head, size_t length, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  CabinetHeaderLayout layout;
  if (!ReadCabinetHeaderLayout(head, length, &layout) || layout.nextName.empty() ||
      layout.nextName.size() >= size) {
    return false;
  }
  std::memcpy(out, layout.nextName.c_str(), layout.nextName.size() + 1);
  return true;
}

bool IsPlainCabinetPartName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  for (size_t i = 0; name[i] != '\0'; i += CharLength(name, i)) {
    if (name[i] == '\\' || name[i] == '/' || name[i] == ':') return false;
  }
  // And a name a file can have: "COM1.cab" would open a serial port and wait on it.
  return IsSafeArchiveMemberName(name, std::strlen(name));
}

bool FormatCabErrorText(int code, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  if (code == -1) return false;
  for (const CabErrorEntry& entry : kCabErrors) {
    if (entry.code == code) {
      CopyTextCut(entry.text, out, size);
      return true;
    }
  }
  char unknown[kCabPathSize];
  std::snprintf(unknown, sizeof unknown,
                "ERROR CODE : UNKNOW( 0x%08X ) \n エラーコードが見つかりません。",
                static_cast<unsigned>(code));
  CopyTextCut(unknown, out, size);
  return true;
}

bool FormatCabCommand(const char* archivePath, const char* folder, char* out, size_t size) {
  int n = std::snprintf(out, size, "-x -o -i \"%s\" \"%s\" \"%s\"", archivePath, folder, "*.*");
  if (n < 0 || static_cast<size_t>(n) >= size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  return true;
}

bool JoinCabPath(const char* folder, const char* name, size_t nameLength, char* out,
                 size_t size) {
  size_t folderLength = std::strlen(folder);
  if (folderLength + nameLength + 1 > size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  std::memmove(out, folder, folderLength);
  std::memcpy(out + folderLength, name, nameLength);
  out[folderLength + nameLength] = '\0';
  return true;
}

bool ParentFolderOf(const char* path, char* out, size_t size) {
  // The last single-byte backslash that is not the final character.
  size_t cut = 0;
  bool found = false;
  for (size_t i = 0; path[i] != '\0';) {
    size_t n = CharLength(path, i);
    if (path[i] == '\\' && path[i + n] != '\0') {
      cut = i + 1;
      found = true;
    }
    i += n;
  }
  if (!found || cut + 1 > size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  std::memmove(out, path, cut);
  out[cut] = '\0';
  return true;
}

int ArchiveWeightFromCount(int count) {
  long long weight = static_cast<long long>(count) * 1000;
  if (weight > INT_MAX) return INT_MAX;
  if (weight < INT_MIN) return INT_MIN;
  return static_cast<int>(weight);
}

}  // namespace kaze
