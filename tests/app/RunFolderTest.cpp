// Where a run keeps what the installer loads and trusts. On Vista and later the elevated
// installer shares the user's temporary folder with the user's unelevated programs, so the
// run's folder lies in the Windows folder's Temp and only administrators and the system
// may change it; older systems keep the user's temporary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/ScratchFiles.h"
#include "system/FileUtils.h"
#include "system/RunFolderPlace.h"

namespace kaze {
namespace {

struct Sid {
  explicit Sid(DWORD a, DWORD b = 0, BYTE count = 1) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    AllocateAndInitializeSid(&nt, count, a, b, 0, 0, 0, 0, 0, 0, &sid);
  }
  ~Sid() { FreeSid(sid); }
  PSID sid = nullptr;
};

// The allowed entries of an access list, and whether it shuts out what the parent grants.
struct Access {
  bool read = false;
  bool isProtected = false;
  std::vector<std::pair<PSID, DWORD>> allowed;
};

Access ReadAccess(PSECURITY_DESCRIPTOR descriptor) {
  Access access;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!GetSecurityDescriptorControl(descriptor, &control, &revision)) return access;
  access.isProtected = (control & SE_DACL_PROTECTED) != 0;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) {
    return access;
  }
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(acl, i, &entry)) return access;
    auto* header = static_cast<ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    // Inherited by the files and folders made inside as well.
    if ((header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) !=
        (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) {
      continue;
    }
    access.allowed.push_back({reinterpret_cast<PSID>(&allowed->SidStart), allowed->Mask});
  }
  access.read = true;
  return access;
}

TEST(RunFolderVista, LiesInTheWindowsTempWhereOnlyAdministratorsAndTheSystemMayChangeIt) {
  ASSERT_TRUE(HasSeparateElevation()) << "this prefix is meant to report Vista or later";
  // Wine's Windows folder.
  EXPECT_EQ(RunFolderParent(), "C:\\windows\\Temp\\");

  // Wine keeps no access lists on its files, so the folder is made with it and the list
  // itself is read back as the system will apply it.
  RunFolderAccess access;
  ASSERT_TRUE(access.ready());
  ASSERT_NE(access.get(), nullptr);
  std::string folder;
  ASSERT_TRUE(CreateUniqueFolder(RunFolderParent().c_str(), "KzTest", &folder, nullptr,
                                 access.get()));
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
  Access read = ReadAccess(access.get()->lpSecurityDescriptor);
  ASSERT_TRUE(read.read);
  EXPECT_TRUE(read.isProtected) << "the folder would inherit the parent's access for users";
  Sid system(SECURITY_LOCAL_SYSTEM_RID);
  Sid administrators(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2);
  ASSERT_EQ(read.allowed.size(), 2u);
  bool systemAllowed = false, administratorsAllowed = false;
  for (const auto& entry : read.allowed) {
    EXPECT_EQ(entry.second & FILE_ALL_ACCESS, static_cast<DWORD>(FILE_ALL_ACCESS));
    systemAllowed = systemAllowed || EqualSid(entry.first, system.sid);
    administratorsAllowed = administratorsAllowed || EqualSid(entry.first, administrators.sid);
  }
  EXPECT_TRUE(systemAllowed);
  EXPECT_TRUE(administratorsAllowed);
}

TEST(RunFolderOlder, LiesInTheUsersTemporaryFolderWithItsAccess) {
  ASSERT_FALSE(HasSeparateElevation()) << "this prefix is meant to report XP or older";
  EXPECT_EQ(RunFolderParent(), test::TempFolder());
  RunFolderAccess access;
  EXPECT_TRUE(access.ready());
  EXPECT_EQ(access.get(), nullptr);
}

}  // namespace
}  // namespace kaze
