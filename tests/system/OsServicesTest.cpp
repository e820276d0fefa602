// OS, account and privilege services on the default (NT 6.1) prefix, with the stand-in
// account library loaded in place of Wine's.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "app/SystemSession.h"
#include "system/Handles.h"
#include "system/OsServices.h"
#include "WineSupport.h"

namespace kaze {
namespace {

using test::Env;
using test::EnvNumber;

std::string SpecialFolder(int id) {
  char path[MAX_PATH] = {};
  EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, id, FALSE));
  return std::string(path) + "\\";
}

TEST(IsNtPlatform, ReportsNtWithMinorVersionOne) {
  BOOL minor = 7;
  EXPECT_TRUE(IsNtPlatform(&minor));
  EXPECT_EQ(minor, 1);  // 6.1
  EXPECT_TRUE(IsNtPlatform());
}

TEST(IsAdministrator, TakesTheLevelFromTheLocalAccountLookup) {
  struct Case { const char* answer; BOOL admin; int level; } cases[] = {
      {"admin", TRUE, 2},
      {"user", FALSE, 1},
      {"guest", FALSE, 0},
      {"5", FALSE, 0},     // an unknown privilege counts as guest
      {"fail", FALSE, 2},  // the lookup fails (Wine's own answer): refused, level left at 2
  };
  for (const Case& c : cases) {
    SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", c.answer);
    long callsBefore = EnvNumber("KAZE_NETAPI_CALLS");
    int level = -1;
    EXPECT_EQ(IsAdministrator(&level), c.admin) << c.answer;
    EXPECT_EQ(level, c.level) << c.answer;
    EXPECT_EQ(EnvNumber("KAZE_NETAPI_CALLS"), callsBefore + 1) << c.answer;
    EXPECT_EQ(EnvNumber("KAZE_NETAPI_LIVE"), 0) << "buffer not freed: " << c.answer;
  }
  EXPECT_EQ(Env("KAZE_NETAPI_LOADED"), "1");
  // The library is given back after each question.
  EXPECT_EQ(GetModuleHandleA("netapi32.dll"), nullptr);

  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "user");
  EXPECT_FALSE(IsAdministrator());
}

// An enabled Administrators group in this process's token, asked with the function of
// Windows 2000 that the installer cannot use.
bool TokenHoldsEnabledAdministrators() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                0, 0, 0, 0, 0, &admins)) {
    return false;
  }
  BOOL member = FALSE;
  BOOL asked = CheckTokenMembership(nullptr, admins, &member);
  FreeSid(admins);
  return asked && member;
}

// A domain account: the local lookup knows no such account, and the process token
// decides. Wine's token holds the Administrators group, enabled.
TEST(IsAdministrator, DecidesAnAccountTheLookupDoesNotKnowByTheToken) {
  ASSERT_TRUE(TokenHoldsEnabledAdministrators());
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "nouser");
  long callsBefore = EnvNumber("KAZE_NETAPI_CALLS");
  int level = -1;
  EXPECT_TRUE(IsAdministrator(&level));
  EXPECT_EQ(level, 2);
  EXPECT_EQ(EnvNumber("KAZE_NETAPI_CALLS"), callsBefore + 1);
  EXPECT_EQ(EnvNumber("KAZE_NETAPI_LIVE"), 0);
}

// The same account with a filtered token (an administrator on Vista without elevation):
// the group is there for denying only. This test runs itself again in a child process
// started with such a token; the child's part answers 42 when all of it held.
TEST(IsAdministrator, RefusesAnUnknownAccountWhoseAdministratorsGroupIsDenyOnly) {
  const char* self = "IsAdministrator.RefusesAnUnknownAccountWhoseAdministratorsGroupIsDenyOnly";
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "nouser");
  if (Env("KAZE_FILTERED_TOKEN") == "1") {
    ASSERT_FALSE(TokenHoldsEnabledAdministrators());
    int level = -1;
    EXPECT_FALSE(IsAdministrator(&level));
    EXPECT_EQ(level, 1);
    if (!::testing::Test::HasFailure()) ExitProcess(42);
    return;
  }
  ScopedHandle token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(),
                               TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, token.out()));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                       DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins));
  SID_AND_ATTRIBUTES denyOnly = {admins, 0};
  ScopedHandle filtered;
  BOOL made = CreateRestrictedToken(token.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr,
                                    filtered.out());
  FreeSid(admins);
  ASSERT_TRUE(made);

  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string command = std::string("\"") + program + "\" --gtest_filter=" + self;
  SetEnvironmentVariableA("KAZE_FILTERED_TOKEN", "1");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  BOOL started = CreateProcessAsUserA(filtered.get(), nullptr, &command[0], nullptr, nullptr,
                                      TRUE, 0, nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableA("KAZE_FILTERED_TOKEN", nullptr);
  ASSERT_TRUE(started) << GetLastError();
  ScopedHandle process(child.hProcess);
  ScopedHandle thread(child.hThread);
  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 42u) << "the child's part failed or did not run";
}

TEST(SpecialFolders, AreTheAllUsersFoldersWithABackslash) {
  char programs[MAX_PATH];
  ASSERT_TRUE(GetProgramsFolder(programs));
  EXPECT_EQ(std::string(programs), SpecialFolder(CSIDL_COMMON_PROGRAMS));

  char desktop[MAX_PATH];
  ASSERT_TRUE(GetDesktopFolder(desktop));
  EXPECT_EQ(std::string(desktop), SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY));

  EXPECT_FALSE(GetProgramsFolder(nullptr));
  EXPECT_FALSE(GetDesktopFolder(nullptr));
}

// ProgramFilesDir, where 95, 98 and NT 4.0 keep the Program Files folder (their shells
// do not know CSIDL_PROGRAM_FILES). Wine's shell answers it under every version, so the
// registry half is asked directly and through a shell that refuses.
class ProgramFilesDir : public ::testing::Test {
 protected:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion";
  void SetUp() override {
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_),
              ERROR_SUCCESS);
    DWORD size = sizeof saved_;
    ASSERT_EQ(RegQueryValueExA(key_, "ProgramFilesDir", nullptr, &savedType_,
                               reinterpret_cast<BYTE*>(saved_), &size),
              ERROR_SUCCESS);
    savedSize_ = size;
  }
  void TearDown() override {
    RegSetValueExA(key_, "ProgramFilesDir", 0, savedType_, reinterpret_cast<BYTE*>(saved_),
                   savedSize_);
    RegCloseKey(key_);
  }
  void Set(DWORD type, const std::string& text) {
    ASSERT_EQ(RegSetValueExA(key_, "ProgramFilesDir", 0, type,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
  }

  static BOOL RefusingShell(int, char* buffer) {
    buffer[0] = '\0';
    return FALSE;
  }
  static BOOL AnsweringShell(int folderId, char* buffer) {
    std::strcpy(buffer, folderId == CSIDL_PROGRAM_FILES ? "C:\\Shell\\" : "C:\\Other\\");
    return TRUE;
  }

  HKEY key_ = nullptr;
  char saved_[MAX_PATH + 1] = {};
  DWORD savedType_ = 0;
  DWORD savedSize_ = 0;
};

TEST_F(ProgramFilesDir, NamesTheFolderWhenTheShellDoesNot) {
  // Untouched, the registry and the shell name the same folder.
  char folder[MAX_PATH] = {};
  ASSERT_TRUE(ReadProgramFilesDir(folder));
  EXPECT_EQ(std::string(folder), SpecialFolder(CSIDL_PROGRAM_FILES));

  const std::string long258 = "C:\\" + std::string(255, 'p');
  struct Case {
    const char* name;
    DWORD type;
    std::string value;
    bool found;
    std::string folder;
  } cases[] = {
      {"plain", REG_SZ, "D:\\Programme", true, "D:\\Programme\\"},
      {"trail byte 0x5C at the end", REG_SZ, "D:\\ソフト表", true, "D:\\ソフト表\\"},
      {"259 bytes with the backslash", REG_SZ, long258, true, long258 + "\\"},
      {"260 bytes with the backslash", REG_SZ, long258 + "q", false, ""},
      {"longer than a path at all", REG_SZ, long258 + std::string(40, 'q'), false, ""},
      {"not a string", REG_EXPAND_SZ, "D:\\Programme", false, ""},
      {"empty", REG_SZ, "", false, ""},
  };
  for (const Case& c : cases) {
    Set(c.type, c.value);
    char read[MAX_PATH] = "junk";
    EXPECT_EQ(ReadProgramFilesDir(read) != FALSE, c.found) << c.name;
    EXPECT_EQ(std::string(read), c.folder) << c.name;
    char fallback[MAX_PATH] = "junk";
    EXPECT_EQ(GetProgramFilesFolder(fallback, &RefusingShell) != FALSE, c.found) << c.name;
    EXPECT_EQ(std::string(fallback), c.folder) << c.name;
  }

  RegDeleteValueA(key_, "ProgramFilesDir");
  char missing[MAX_PATH] = "junk";
  EXPECT_FALSE(GetProgramFilesFolder(missing, &RefusingShell));
  EXPECT_STREQ(missing, "");

  // A shell that knows the folder is asked first.
  Set(REG_SZ, "D:\\Programme");
  char shell[MAX_PATH] = {};
  ASSERT_TRUE(GetProgramFilesFolder(shell, &AnsweringShell));
  EXPECT_STREQ(shell, "C:\\Shell\\");
}

TEST(GetWindowsFolder, ReportsTheWindowsDirectory) {
  char folder[MAX_PATH] = {};
  UINT length = GetWindowsFolder(folder);
  EXPECT_EQ(length, std::strlen(folder));
  EXPECT_EQ(GetFileAttributesA(folder) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

TEST(GetDirectXVersion, AsksTheLibraryAndGivesItBack) {
  const std::string library = test::ProgramFolder() + "dxsetup_standin.dll";
  struct Case { const char* figures; int result; DWORD version; DWORD revision; } cases[] = {
      {nullptr, 1, 0x00040009, 0x384},
      {"0x00040007 0x0000017F 1", 1, 0x00040007, 0x17F},
      {"0x00040009 0x384 0", 0, 0x00040009, 0x384},
  };
  for (const Case& c : cases) {
    SetEnvironmentVariableA("KAZE_DXSETUP", c.figures);
    DWORD version = 0, revision = 0;
    EXPECT_EQ(GetDirectXVersion(library.c_str(), &version, &revision), c.result);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(revision, c.revision);
    EXPECT_EQ(GetModuleHandleA("dxsetup_standin.dll"), nullptr) << "library kept loaded";
  }
}

TEST(GetDirectXVersion, AnswersZeroWithoutTheLibraryOrItsFunction) {
  const std::string missing = test::ProgramFolder() + "no_such_dsetup.dll";
  const char* libraries[] = {missing.c_str(), "kernel32.dll"};
  for (const char* library : libraries) {
    DWORD version = 11, revision = 12;
    EXPECT_EQ(GetDirectXVersion(library, &version, &revision), 0) << library;
    EXPECT_EQ(version, 11u);
    EXPECT_EQ(revision, 12u);
  }
}

bool ShutdownPrivilegeEnabled() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  PRIVILEGE_SET set = {};
  set.PrivilegeCount = 1;
  set.Control = PRIVILEGE_SET_ALL_NECESSARY;
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &set.Privilege[0].Luid);
  BOOL enabled = FALSE;
  PrivilegeCheck(token, &set, &enabled);
  CloseHandle(token);
  return enabled != FALSE;
}

// Records restart requests instead of restarting.
struct RestartRecorder {
  static BOOL WINAPI Record(UINT flags, DWORD reason) {
    ++calls;
    lastFlags = flags;
    lastReason = reason;
    return TRUE;
  }
  static int calls;
  static UINT lastFlags;
  static DWORD lastReason;
};
int RestartRecorder::calls = 0;
UINT RestartRecorder::lastFlags = 0;
DWORD RestartRecorder::lastReason = 99;

TEST(Restart, NeedsTheShutdownPrivilegeFirst) {
  SystemSession session;
  session.exitWindows = &RestartRecorder::Record;
  RestartRecorder::calls = 0;

  EXPECT_EQ(session.RestartWindows(), 0);
  EXPECT_EQ(RestartRecorder::calls, 0);

  session.isNtPlatform = 0;
  EXPECT_TRUE(session.EnableShutdownPrivilege(nullptr));
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
  EXPECT_EQ(session.isNtPlatform, 1);
  EXPECT_EQ(session.shutdownEnabled, 1);
  EXPECT_TRUE(session.EnableShutdownPrivilege(nullptr));  // already enabled

  EXPECT_TRUE(session.RestartWindows());
  EXPECT_EQ(RestartRecorder::calls, 1);
  EXPECT_EQ(RestartRecorder::lastFlags, static_cast<UINT>(EWX_REBOOT));
  EXPECT_EQ(RestartRecorder::lastReason, 0u);
}

}  // namespace
}  // namespace kaze
