// byte-level
#include "system/AdminDecision.h"

namespace kaze {

bool LookupFoundNoAccount(unsigned long lookupStatus) {
  // NetUserGetInfo says NERR_UserNotFound for a name the local account database lacks;
  // ERROR_NO_SUCH_USER is the same answer when the status of the account database comes
  // through untranslated.
  return lookupStatus == kNerrUserNotFound || lookupStatus == kErrorNoSuchUser;
}

AdminDecision DecideAdministrator(const AdminFacts& facts) {
  if (!facts.ntPlatform || !facts.accountLibrary) return {true, 2};
  if (facts.lookupStatus == kNerrSuccess) {
    switch (facts.privilege) {
      case kPrivilegeAdmin:
        return {true, 2};
      case kPrivilegeUser:
        return {false, 1};
      default:
        return {false, 0};
    }
  }
  if (!LookupFoundNoAccount(facts.lookupStatus)) return {false, 2};
  switch (facts.tokenAdmins) {
    case TokenAdmins::kNotRead:
      return {false, 2};
    case TokenAdmins::kAbsent:
      return {false, 1};
    case TokenAdmins::kPresent:
      break;
  }
  if ((facts.adminsAttributes & (kGroupEnabled | kGroupDenyOnly)) == kGroupEnabled) {
    return {true, 2};
  }
  return {false, 1};
}

}  // namespace kaze
