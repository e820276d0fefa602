#pragma once
// cab32.dll beside the test program, loaded with every function the tests call.
#include <windows.h>

#include "CabTestSupport.h"
#include "cab32/Cab32Api.h"

namespace kaze::test {

template <typename Fn>
Fn Cab32Function(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

struct Cab32Exports {
  HMODULE module = LoadLibraryA((ExeFolder() + "cab32.dll").c_str());
  ~Cab32Exports() {
    if (module != nullptr) FreeLibrary(module);
  }
  Cab32Exports() = default;
  Cab32Exports(const Cab32Exports&) = delete;
  Cab32Exports& operator=(const Cab32Exports&) = delete;
  BOOL(WINAPI* query)(int) = Cab32Function<BOOL(WINAPI*)(int)>(module, "CabQueryFunctionList");
  BOOL(WINAPI* check)(LPCSTR, int) = Cab32Function<BOOL(WINAPI*)(LPCSTR, int)>(module, "CabCheckArchive");
  int(WINAPI* count)(LPCSTR) = Cab32Function<int(WINAPI*)(LPCSTR)>(module, "CabGetFileCount");
  int(WINAPI* cab)(HWND, LPCSTR, LPSTR, DWORD) =
      Cab32Function<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>(module, "Cab");
  HANDLE(WINAPI* open)(HWND, LPCSTR, DWORD) =
      Cab32Function<HANDLE(WINAPI*)(HWND, LPCSTR, DWORD)>(module, "CabOpenArchive");
  int(WINAPI* close)(HANDLE) = Cab32Function<int(WINAPI*)(HANDLE)>(module, "CabCloseArchive");
  int(WINAPI* findFirst)(HANDLE, LPCSTR, cab32::IndividualInfo*) =
      Cab32Function<int(WINAPI*)(HANDLE, LPCSTR, cab32::IndividualInfo*)>(module, "CabFindFirst");
  int(WINAPI* findNext)(HANDLE, cab32::IndividualInfo*) =
      Cab32Function<int(WINAPI*)(HANDLE, cab32::IndividualInfo*)>(module, "CabFindNext");
  int(WINAPI* fileName)(HANDLE, LPSTR, int) =
      Cab32Function<int(WINAPI*)(HANDLE, LPSTR, int)>(module, "CabGetFileName");
  int(WINAPI* originalSize)(HANDLE) = Cab32Function<int(WINAPI*)(HANDLE)>(module, "CabGetOriginalSize");
  BOOL(WINAPI* setOwner)(HWND, cab32::OwnerWindowProc) =
      Cab32Function<BOOL(WINAPI*)(HWND, cab32::OwnerWindowProc)>(module, "CabSetOwnerWindowEx");
  BOOL(WINAPI* killOwner)(HWND) = Cab32Function<BOOL(WINAPI*)(HWND)>(module, "CabKillOwnerWindowEx");

  // Every function found (a build lacking one is no library to test).
  bool complete() const {
    return module != nullptr && query && check && count && cab && open && close &&
           findFirst && findNext && fileName && originalSize && setOwner && killOwner;
  }
};

}  // namespace kaze::test
