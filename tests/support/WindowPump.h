#pragma once
// Lets in-process window tests run the message loop for a while, as the program's own
// modal loop would.
#include <windows.h>

#include <functional>

namespace kaze::test {

// Dispatches every message of the thread until `done` answers true or the time is up.
// Returns whether `done` answered true.
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start > milliseconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

}  // namespace kaze::test
