// The window classes of framework controls and the one platform procedure they share.
//
// Every framework window class has `FrameworkWndProc` as its procedure. A window is
// bound to its control at WM_NCCREATE, from the create parameters (the control passes
// itself as lpParam); messages that come before (WM_GETMINMAXINFO of a top-level window)
// and after the control let go go to the platform class's own procedure. Creation is
// re-entrant: a window made while another is being made (by a hook at HCBT_CREATEWND, or
// by a create handler) binds to its own control.
#pragma once

#include <windows.h>

#include "framework/SysUtils.h"

class TWinControl;
struct TCreateParams;

// Registers the class `params` asks for, once, and returns the platform procedure it
// superclasses (null: DefWindowProc). Raises when the class cannot be registered.
WNDPROC RegisterControlClass(const TCreateParams& params);

// Marks `control` as being created on this thread while it lives (creation nests).
class TCreatingScope {
public:
  explicit TCreatingScope(TWinControl* control);
  ~TCreatingScope();
  TCreatingScope(const TCreatingScope&) = delete;
  TCreatingScope& operator=(const TCreatingScope&) = delete;

  // True when `control` is being created on this thread now.
  static bool IsCreating(const TWinControl* control);
};

LRESULT CALLBACK FrameworkWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The window property that ties a bound window to its control.
extern const wchar_t kControlProperty[];
