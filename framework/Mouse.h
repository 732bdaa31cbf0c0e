// The pointer as the framework sees it: which control is under it (for the mouse-enter
// and mouse-leave notifications), and the small conversions of mouse message parameters.
//
// A control is "under the pointer" only while the pointer is inside it: a control that
// holds the capture and is dragged off loses that state (and hears CM_MOUSELEAVE) even
// though it still receives the mouse messages.
#pragma once

#include <windows.h>

#include <cstdint>

class TControl;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys and buttons held during a mouse or key event.
enum TShiftStateFlag : uint32_t {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};
using TShiftState = uint32_t;

// The control under the pointer as the framework last saw it, or null.
TControl* MouseControl();
// Moves "the control under the pointer" to `control` (null: none), sending CM_MOUSELEAVE
// to the old one and CM_MOUSEENTER to the new one; LParam of both names the control.
void SetMouseControl(TControl* control);
// A control that is going away stops being the control under the pointer, silently.
void ForgetMouseControl(const TControl* control);

POINT PointFromLParam(LPARAM lParam);
LPARAM LParamFromPoint(POINT p);
bool IsMouseButtonMessage(UINT msg);
// The shift state of a mouse message's WParam (MK_* flags) plus Alt from the keyboard.
TShiftState ShiftStateFromMouse(WPARAM keys);
// The shift state of the keyboard now (for key messages).
TShiftState ShiftStateFromKeyboard();
