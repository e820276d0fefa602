#pragma once
// Small owners of system handles: each closes its handle when it goes, so an early return
// leaks nothing.
#include <windows.h>

namespace kaze {

// A library loaded at run time, freed with the object.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(const char* path) : module_(LoadLibraryA(path)) {}
  ~ScopedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }
  template <typename Function>
  Function Find(const char* name) const {
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// A kernel object handle (mutex, token, process) closed with CloseHandle; null when empty.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// An open registry key, closed with RegCloseKey.
class ScopedKey {
 public:
  ScopedKey() = default;
  ~ScopedKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  // RegOpenKeyExA; false (and nothing held) when the key cannot be opened.
  bool Open(HKEY root, const char* path, REGSAM access) {
    return RegOpenKeyExA(root, path, 0, access, &key_) == ERROR_SUCCESS;
  }
  // RegCreateKeyExA: the key, made when it is not there.
  bool Create(HKEY root, const char* path, REGSAM access) {
    return RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key_, nullptr) ==
           ERROR_SUCCESS;
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace kaze
