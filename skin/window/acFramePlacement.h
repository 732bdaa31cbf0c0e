// Where a skinned frame goes on its monitor: the maximised place (the work area with the
// window's borders just outside it, so the taskbar stays visible), snapping a moved window
// flush with the work area's edges, and moving or sizing by an inverted outline drawn on
// the desktop.
//
// The geometry is a pure function of the monitor's rectangle and its work area (both in
// screen coordinates), so every arrangement of monitors and taskbars can be checked as data.
// `MonitorAreasSource()` gives a window's areas; a test may put other monitors in its place.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "framework/Handles.h"

// A monitor and its work area (the monitor less the taskbar and other docked bars), in
// screen coordinates.
struct TMonitorAreas {
  RECT Monitor{};
  RECT Work{};
};

// The areas of the monitor that holds most of `window` (the nearest one when none does).
TMonitorAreas MonitorAreasOf(HWND window);
// What the frame asks for a window's areas: MonitorAreasOf unless replaced.
std::function<TMonitorAreas(HWND)>& MonitorAreasSource();

// The MINMAXINFO values of a maximised window with `border`-pixel borders: its size, and
// its position relative to its monitor's top-left corner (where the platform places it).
struct TMaximizedPlacement {
  POINT Position{};
  POINT Size{};
};
TMaximizedPlacement MaximizedPlacement(const TMonitorAreas& areas, int border);

// The position a window of `size` proposed at `proposed` (screen coordinates) takes:
// flush with each work-area edge it comes within `buffer` pixels of (the left and top
// edges win over the right and bottom ones). A position of exactly (0, 0) stays.
POINT SnappedPosition(POINT proposed, SIZE size, const TMonitorAreas& areas, int buffer);

// GetDCEx of the desktop window (whole window, cached, drawing allowed even while window
// updates are locked): given back with ReleaseDC when the owner goes.
class TDesktopDC : public TReleasedDC {
public:
  TDesktopDC() = default;
  [[nodiscard]] static TDesktopDC Lock();

private:
  using TReleasedDC::TReleasedDC;
};

// Moving or sizing a window by an inverted outline on the desktop: the window stays where
// it is while the outline follows the pointer, and takes the outline's place at the end.
// The outline holds the desktop's DC and the mouse capture while it is shown; `End` gives
// both back, and so does the owner's destruction.
class TacOutline {
public:
  TacOutline() = default;
  ~TacOutline() { End(false); }
  TacOutline(const TacOutline&) = delete;
  TacOutline& operator=(const TacOutline&) = delete;

  // The hit-test code tracked (HTCAPTION or a sizing code), or 0 while no outline is shown.
  int Code() const { return code_; }
  HWND Window() const { return window_; }
  // Starts at the window's rectangle for a press with hit-test `code` at screen point
  // `press`; sizing keeps at least `minimum`.
  void Begin(HWND window, int code, POINT press, SIZE minimum);
  // The pointer is at screen point `p` now.
  void MoveTo(POINT p);
  // Erases the outline and gives back the DC and the capture; with `apply` the window
  // takes the outline's place. Nothing while no outline is shown.
  void End(bool apply);

private:
  void Draw();

  int code_ = 0;
  HWND window_ = nullptr;
  RECT rect_{};       // screen coordinates
  RECT startRect_{};  // the window when the press came
  POINT start_{};     // the press
  SIZE minimum_{};
  TDesktopDC desktop_;
  std::optional<TSavedDC> state_;  // the desktop DC's state before the outline's pen and mode
};
