// Looking at another process's windows: finding them by class and caption, reading
// their texts, state and geometry. Messages go through SendMessageTimeout so that a hung
// program fails a check instead of hanging the driver.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

std::wstring ClassOf(HWND window);
// The window text through WM_GETTEXT (what the control itself reports).
std::wstring TextOf(HWND window);
DWORD ProcessOf(HWND window);

// Visible top-level windows of process `pid`, in z-order (topmost first).
std::vector<HWND> TopLevelWindows(DWORD pid);
// The first visible top-level window of `pid` with class `className` (and caption
// `caption` unless it is null) for which `accept` (if given) holds; null when none.
HWND FindTopLevel(DWORD pid, const std::wstring& className, const wchar_t* caption = nullptr,
                  const std::function<bool(HWND)>& accept = {});
// Waits up to `ms` for such a window.
HWND WaitForTopLevel(DWORD pid, const std::wstring& className, const wchar_t* caption, DWORD ms,
                     const std::function<bool(HWND)>& accept = {});

// Direct children of `parent` in z-order.
std::vector<HWND> ChildrenOf(HWND parent);
// All descendants of `parent`, depth first.
std::vector<HWND> DescendantsOf(HWND parent);
// The first descendant of `parent` for which `match` holds; null when none.
HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& match);
HWND FindDescendantByClass(HWND parent, const std::wstring& className, int nth = 0);

// Bounds of `child` (its whole window) in the client coordinates of `parent`.
RECT RectInParent(HWND child, HWND parent);
SIZE ClientSizeOf(HWND window);
RECT ScreenRectOf(HWND window);
// The client area of `window` in screen coordinates.
RECT ClientScreenRect(HWND window);

// Sends WM_NULL and waits for the window's thread to answer it: every message sent to it
// before has then been handled.
bool Sync(HWND window, DWORD ms = 10000);
// Waits up to `ms` until no visible window of the tree under `top` (itself included) has
// a part waiting to be painted; true when none has. Sent messages come before painting,
// so Sync alone does not wait for a window to be painted.
bool WaitUntilPainted(HWND top, DWORD ms = 10000);
// SendMessageTimeout with a generous limit; returns the result (0 on timeout).
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The thread's focus window (works for windows of other processes).
HWND FocusOf(HWND anyWindowOfThread);

std::wstring Describe(HWND window);  // class, text and handle, for messages
std::wstring RectText(const RECT& rect);

}  // namespace e2e
