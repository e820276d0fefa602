#include "app/SystemSession.h"
// Temporary: replaced by the real shell-link and privilege operations.
namespace kaze {
BOOL SystemSession::StopShellLink() { return TRUE; }
}
