// Waiting for a window's complete paint: the window shown and no update region left in it
// or in any visible window below it, once every queued message has been handled.
#pragma once

#include <windows.h>

#include "framework/Forms.h"

// True when `window` or a visible window below it still has something to paint (hidden
// windows are left out: they keep their update regions until shown).
inline bool PaintPending(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return true;
  bool pending = false;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM found) -> BOOL {
        if (!IsWindowVisible(child) || !GetUpdateRect(child, nullptr, FALSE)) return TRUE;
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&pending));
  return pending;
}

// Handles messages until `window` is visible and fully painted; false after `limitMs`.
inline bool WaitForCompletePaint(HWND window, DWORD limitMs = 30000) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    Application->ProcessMessages();
    if (IsWindowVisible(window) && !PaintPending(window)) return true;
    if (GetTickCount64() - start > limitMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}
