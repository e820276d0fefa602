#pragma once
// Splits a path into drive, folder, name and extension and joins the pieces again.
// The parts are held in UTF-16, so the folder's backslashes can be fixed up without
// regard to double-byte characters.
#include <windows.h>

#include <cstddef>

namespace kaze {

class PathParts {
 public:
  // SetPath mode: the last element is a folder when it has no extension.
  static constexpr int kLastIsFolder = 2;

  PathParts() = default;
  virtual ~PathParts() = default;
  PathParts(const PathParts&) = delete;
  PathParts& operator=(const PathParts&) = delete;

  // Splits path. With validate, a path holding a doubled separator or one of
  // ? " ; : , < > ! * | after its drive is refused. Also refused: a part that does not
  // fit its 255-byte field. Afterwards the folder begins and ends with '\' and holds
  // backslashes only.
  BOOL SetPath(const char* path, BOOL validate, int mode);

  // Each getter writes into out (at most size bytes with the terminator) and returns
  // out, or, without out, into `result` and returns `result`. When the joined text does
  // not fit (a path over 259 bytes, or over size), the buffer is left empty and the
  // getter returns nullptr: a cut path would name another file.
  const char* GetFullPath(char* out = nullptr, size_t size = 0);  // drive+folder+name+ext
  const char* GetFolder(char* out = nullptr, size_t size = 0);    // drive+folder
  const char* GetFileName(char* out = nullptr, size_t size = 0);  // name+ext
  const char* GetExtension(char* out = nullptr, size_t size = 0); // ext

  char result[MAX_PATH] = {};
  wchar_t drive[3] = {};
  wchar_t folder[256] = {};
  wchar_t name[256] = {};
  wchar_t extension[256] = {};

 private:
  const char* Join(bool withDrive, bool withFolder, bool withName, bool withExtension,
                   char* out, size_t size);
};

}  // namespace kaze
