#include "framework/Mouse.h"

#include "framework/Controls.h"

namespace {
TControl* gMouseControl = nullptr;
}  // namespace

TControl* MouseControl() { return gMouseControl; }

void SetMouseControl(TControl* control) {
  if (control == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
  // The leave handler may have moved the pointer state on; announce only what still holds.
  if (control && gMouseControl == control) control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
}

void ForgetMouseControl(const TControl* control) {
  if (gMouseControl == control) gMouseControl = nullptr;
}

POINT PointFromLParam(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

LPARAM LParamFromPoint(POINT p) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(p.x)), static_cast<WORD>(static_cast<short>(p.y)));
}

bool IsMouseButtonMessage(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

TShiftState ShiftStateFromMouse(WPARAM keys) {
  TShiftState state = 0;
  if (keys & MK_SHIFT) state |= ssShift;
  if (keys & MK_CONTROL) state |= ssCtrl;
  if (keys & MK_LBUTTON) state |= ssLeft;
  if (keys & MK_RBUTTON) state |= ssRight;
  if (keys & MK_MBUTTON) state |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) state |= ssAlt;
  return state;
}

TShiftState ShiftStateFromKeyboard() {
  TShiftState state = 0;
  if (GetKeyState(VK_SHIFT) < 0) state |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) state |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) state |= ssAlt;
  return state;
}
