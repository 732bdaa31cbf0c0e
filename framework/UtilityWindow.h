// Hidden windows of the framework's own: the application window, the timer window, the
// owner of pop-up menus.
#pragma once

#include <windows.h>

// Registers `className` with `proc` once, creates the window and stores `object` in its
// GWLP_USERDATA for `proc` to find. Returns null when the window cannot be made; the
// caller owns the window and destroys it.
HWND CreateUtilityWindow(const wchar_t* className, WNDPROC proc, DWORD style, DWORD exStyle, HWND parent,
                         const wchar_t* caption, void* object);
