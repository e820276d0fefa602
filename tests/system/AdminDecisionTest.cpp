// The administrator decision, natively under the sanitizers: each row is one kind of
// account on one kind of system, with what the system answered.
#include <gtest/gtest.h>

#include "system/AdminDecision.h"

namespace kaze {
namespace {

constexpr unsigned long kNerrInternalError = 2140;  // Wine's answer to level 11
constexpr unsigned long kErrorAccessDenied = 5;
// SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED | SE_GROUP_OWNER,
// as the Administrators group of an administrator's token (Wine's too).
constexpr unsigned long kAdminsOfAnAdministrator = 0x0F;
// SE_GROUP_MANDATORY | SE_GROUP_OWNER | SE_GROUP_USE_FOR_DENY_ONLY: the group in a
// filtered token.
constexpr unsigned long kAdminsFiltered = 0x19;

AdminFacts Nt(unsigned long status, unsigned long privilege = kPrivilegeGuest,
              TokenAdmins token = TokenAdmins::kNotRead, unsigned long attributes = 0) {
  AdminFacts facts;
  facts.ntPlatform = true;
  facts.accountLibrary = true;
  facts.lookupStatus = status;
  facts.privilege = privilege;
  facts.tokenAdmins = token;
  facts.adminsAttributes = attributes;
  return facts;
}

TEST(DecideAdministrator, FollowsTheLookupAndAsksTheTokenOnlyForAnAccountItDoesNotKnow) {
  AdminFacts windows9x;  // no lookup on 9x, whatever else is known
  windows9x.accountLibrary = true;
  windows9x.lookupStatus = kErrorAccessDenied;
  AdminFacts noLibrary = Nt(kNerrInternalError);
  noLibrary.accountLibrary = false;
  const auto present = TokenAdmins::kPresent;

  struct Case {
    const char* name;
    AdminFacts facts;
    bool administrator;
    int level;
  } cases[] = {
      {"9x", windows9x, true, 2},
      {"NT without the account library", noLibrary, true, 2},
      {"local administrator", Nt(kNerrSuccess, kPrivilegeAdmin), true, 2},
      {"local user", Nt(kNerrSuccess, kPrivilegeUser), false, 1},
      {"local guest", Nt(kNerrSuccess, kPrivilegeGuest), false, 0},
      {"unknown privilege counts as guest", Nt(kNerrSuccess, 5), false, 0},
      {"a found account's privilege decides, not its token",
       Nt(kNerrSuccess, kPrivilegeUser, present, kAdminsOfAnAdministrator), false, 1},
      {"domain administrator",
       Nt(kNerrUserNotFound, kPrivilegeGuest, present, kAdminsOfAnAdministrator), true, 2},
      {"domain administrator, untranslated status",
       Nt(kErrorNoSuchUser, kPrivilegeGuest, present, kGroupEnabled), true, 2},
      {"domain user", Nt(kNerrUserNotFound, kPrivilegeGuest, TokenAdmins::kAbsent), false, 1},
      {"domain administrator in a filtered token",
       Nt(kNerrUserNotFound, kPrivilegeGuest, present, kAdminsFiltered), false, 1},
      {"deny-only outweighs enabled",
       Nt(kNerrUserNotFound, kPrivilegeGuest, present, kGroupEnabled | kGroupDenyOnly), false, 1},
      {"group present but not enabled", Nt(kNerrUserNotFound, kPrivilegeGuest, present, 0x1),
       false, 1},
      {"domain account, token unreadable", Nt(kNerrUserNotFound), false, 2},
      {"lookup failure is not decided by the token",
       Nt(kNerrInternalError, kPrivilegeAdmin, present, kAdminsOfAnAdministrator), false, 2},
      {"access denied is not decided by the token",
       Nt(kErrorAccessDenied, kPrivilegeAdmin, present, kAdminsOfAnAdministrator), false, 2},
  };
  for (const Case& c : cases) {
    AdminDecision decision = DecideAdministrator(c.facts);
    EXPECT_EQ(decision.administrator, c.administrator) << c.name;
    EXPECT_EQ(decision.level, c.level) << c.name;
  }
}

}  // namespace
}  // namespace kaze
