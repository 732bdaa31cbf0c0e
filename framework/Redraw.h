// `TRedrawOff`: a window's redrawing switched off (WM_SETREDRAW) for one step, and on
// again when the guard goes, also when the step raises.
//
// WM_SETREDRAW TRUE sets WS_VISIBLE, so switching redrawing back on would show a window
// that was hidden (the platform clears WS_VISIBLE while redrawing is off, so the guard
// cannot ask afterwards). A window that is not visible when the guard is made draws
// nothing anyway and is left alone: the guard then does nothing at all. Redrawing comes
// back only if the window still exists.
//
// Left out: repainting after the step (the caller asks the platform for that), and a window
// hidden during the step while its redrawing is off (the platform cannot tell it apart).
#pragma once

#include <windows.h>

#include <utility>

class TRedrawOff {
public:
  TRedrawOff() = default;
  explicit TRedrawOff(HWND window) {
    if (!window || !IsWindowVisible(window)) return;
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    window_ = window;
  }
  ~TRedrawOff() { Restore(); }
  TRedrawOff(TRedrawOff&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
  TRedrawOff& operator=(TRedrawOff&& other) noexcept {
    if (this != &other) {
      Restore();
      window_ = std::exchange(other.window_, nullptr);
    }
    return *this;
  }
  TRedrawOff(const TRedrawOff&) = delete;
  TRedrawOff& operator=(const TRedrawOff&) = delete;

  // The window whose redrawing this guard switched off, or null (it was hidden, or the
  // guard is empty).
  HWND Window() const { return window_; }
  // Redrawing on again now (once); the guard is empty afterwards.
  void Restore() {
    const HWND window = std::exchange(window_, nullptr);
    if (window && IsWindow(window)) SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  }

private:
  HWND window_ = nullptr;
};
