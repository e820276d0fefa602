#pragma once
// The administrator decision over what the system answered, kept free of Windows headers
// so that every combination can be tried natively.

namespace kaze {

// The numbers of the Windows headers, repeated here (OsServices.cpp checks that they
// match).
constexpr unsigned long kNerrSuccess = 0;
constexpr unsigned long kNerrUserNotFound = 2221;   // NERR_UserNotFound
constexpr unsigned long kErrorNoSuchUser = 1317;    // ERROR_NO_SUCH_USER
constexpr unsigned long kPrivilegeGuest = 0;        // USER_PRIV_GUEST
constexpr unsigned long kPrivilegeUser = 1;         // USER_PRIV_USER
constexpr unsigned long kPrivilegeAdmin = 2;        // USER_PRIV_ADMIN
constexpr unsigned long kGroupEnabled = 0x4;        // SE_GROUP_ENABLED
constexpr unsigned long kGroupDenyOnly = 0x10;      // SE_GROUP_USE_FOR_DENY_ONLY

// What the process token says of the Administrators group (S-1-5-32-544).
enum class TokenAdmins {
  kNotRead,   // not asked, or the token could not be read
  kAbsent,    // the token does not hold the group
  kPresent,   // the token holds it, with the attributes in adminsAttributes
};

// What the administrator test learnt from the system.
struct AdminFacts {
  bool ntPlatform = false;
  // netapi32.dll loaded, with NetUserGetInfo and NetApiBufferFree.
  bool accountLibrary = false;
  // NetUserGetInfo(local computer, the user, 11); a success without a buffer is passed
  // as a failure.
  unsigned long lookupStatus = kNerrSuccess;
  unsigned long privilege = kPrivilegeGuest;  // usri11_priv of a successful lookup
  TokenAdmins tokenAdmins = TokenAdmins::kNotRead;
  unsigned long adminsAttributes = 0;
};

struct AdminDecision {
  bool administrator;
  int level;  // 0 guest, 1 user, 2 administrator (also when the test cannot ask)
};

// True for the lookup answers that mean the local computer knows no such account, as for
// an account of a domain: only then does the process token decide.
bool LookupFoundNoAccount(unsigned long lookupStatus);

// Non-NT and NT without the account library: administrator. A lookup that found the
// account: its privilege (administrator 2, user 1, anything else guest 0; only 2
// passes). No such account: the token, an enabled Administrators group that is not
// deny-only (a filtered token keeps the group for denying only) → administrator,
// otherwise user; a token that could not be read, or any other lookup failure: refused
// with level 2.
AdminDecision DecideAdministrator(const AdminFacts& facts);

}  // namespace kaze
