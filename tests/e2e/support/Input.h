// Real mouse and keyboard input, as a person produces it: events go into the system's
// input queue (SendInput) and reach whichever window is under the pointer or has the
// focus, with all the hit testing, activation and focus changes that follow.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Makes `topLevel` the foreground window and waits until it is.
bool BringToFront(HWND topLevel, DWORD ms = 5000);

enum class Button { Left, Right };

// Moves the pointer to `screenPoint` and presses and releases `button` there.
void ClickAt(POINT screenPoint, Button button = Button::Left);
// Clicks the centre of `window`.
void ClickWindow(HWND window, Button button = Button::Left);
// Clicks the point `clientPoint` of `window`'s client area.
void ClickWindowAt(HWND window, POINT clientPoint, Button button = Button::Left);
void MoveMouseTo(POINT screenPoint);
// Moves the pointer to `screenPoint` and presses (or releases) the left button there.
void LeftButtonDownAt(POINT screenPoint);
void LeftButtonUpAt(POINT screenPoint);

// Types `text` character by character into the focus window.
void TypeText(const std::wstring& text);
// Presses and releases one key, with the modifier held if one is given (VK_CONTROL,
// VK_SHIFT, VK_MENU).
void PressKey(WORD virtualKey, WORD modifier = 0);

}  // namespace e2e
