#pragma once
// A host that records what the engine's steps report, and scratch folders that go away
// with their contents.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineHost.h"
#include "uninstall/LogRecords.h"
#include "tests/support/ScratchFiles.h"

namespace kaze::test {

struct LoggedEntry {
  int kind;
  std::string path;
  bool operator==(const LoggedEntry& other) const {
    return kind == other.kind && path == other.path;
  }
};

inline std::ostream& operator<<(std::ostream& out, const LoggedEntry& entry) {
  return out << "{" << entry.kind << ", " << entry.path << "}";
}

class RecordingHost : public EngineHost {
 public:
  InstallContext& context() override { return context_; }
  HWND pageWindow() const override { return nullptr; }
  void SetWorkItem(const char* text) override { workItems.push_back(text); }
  void PumpOneFrameMessage() override { ++pumps; }
  bool RecordLogEntry(int kind, const char* path) override {
    if (path == nullptr || path[0] == '\0') return true;
    if (logFailsAt >= 0 && static_cast<int>(log.size()) >= logFailsAt) {
      told = true;
      return false;
    }
    log.push_back({kind, path});
    return true;
  }
  bool FailureTold() const override { return told; }
  std::string stagingFolder() const override { return staging; }
  bool KeepBeforeWriting(const char* path) override {
    kept.push_back(path);
    return keepSucceeds;
  }
  bool BeforeCreating(int kind, const char* path) override {
    announced.push_back({kind, path});
    return recordSucceeds;
  }
  bool BeforeCreatingAll(const std::vector<std::string>& folders,
                         const std::vector<std::string>& files) override {
    for (const std::string& folder : folders) announced.push_back({LOG_FOLD, folder});
    for (const std::string& file : files) announced.push_back({LOG_FILE, file});
    return recordSucceeds;
  }
  bool BeforeCreatingKey(const char* key) override {
    announced.push_back({LOG_REGS, key});
    return recordSucceeds;
  }
  bool BeforeSettingValue(const char* key, const char* name) override {
    values.push_back(std::string(key) + "|" + name);
    return recordSucceeds;
  }

  std::string staging;  // where the support files were staged
  std::vector<std::string> kept;  // every path announced before a write
  bool keepSucceeds = true;
  std::vector<LoggedEntry> announced;  // files, folders and keys, before they were made
  std::vector<std::string> values;     // "key|name" of each value, before it was set
  bool recordSucceeds = true;
  std::vector<std::string> workItems;
  std::vector<LoggedEntry> log;
  int logFailsAt = -1;  // the number of records after which appending fails (-1: never)
  bool told = false;    // a record failed (a real host tells the user then)
  int pumps = 0;

 private:
  InstallContext context_;
};

// Makes key (below HKEY_LOCAL_MACHINE) and lets everyone only read it from then on, as an
// administrator's lock would: opening it to write is refused. RegDeleteKeyA still takes it.
inline bool MakeReadOnlyKey(const std::string& key) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  alignas(DWORD) unsigned char aclBytes[256];
  PACL acl = reinterpret_cast<PACL>(aclBytes);
  SECURITY_DESCRIPTOR descriptor;
  bool locked = AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                         &everyone) &&
                InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
                AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
                InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
                RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
  if (everyone != nullptr) FreeSid(everyone);
  RegCloseKey(handle);
  return locked;
}

// The folder of the running test program, with its backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace kaze::test
