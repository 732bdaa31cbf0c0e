#include "skin/window/acFramePlacement.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

TMonitorAreas MonitorAreasOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  TMonitorAreas areas;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
    areas.Monitor = info.rcMonitor;
    areas.Work = info.rcWork;
  }
  return areas;
}

std::function<TMonitorAreas(HWND)>& MonitorAreasSource() {
  static std::function<TMonitorAreas(HWND)> source = MonitorAreasOf;
  return source;
}

TMaximizedPlacement MaximizedPlacement(const TMonitorAreas& areas, int border) {
  const RECT& work = areas.Work;
  const RECT& monitor = areas.Monitor;
  TMaximizedPlacement placement;
  placement.Size = POINT{work.right - work.left + 2 * border, work.bottom - work.top + 2 * border};
  placement.Position = POINT{work.left - monitor.left - border, work.top - monitor.top - border};
  return placement;
}

POINT SnappedPosition(POINT proposed, SIZE size, const TMonitorAreas& areas, int buffer) {
  if (proposed.x == 0 && proposed.y == 0) return proposed;
  const RECT& work = areas.Work;
  POINT pos = proposed;
  if (std::abs(pos.x + size.cx - work.right) < buffer) pos.x = work.right - size.cx;
  if (std::abs(pos.y + size.cy - work.bottom) < buffer) pos.y = work.bottom - size.cy;
  if (std::abs(pos.x - work.left) < buffer) pos.x = work.left;
  if (std::abs(pos.y - work.top) < buffer) pos.y = work.top;
  return pos;
}

TDesktopDC TDesktopDC::Lock() {
  HWND desktop = GetDesktopWindow();
  return TDesktopDC(desktop, GetDCEx(desktop, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE));
}

void TacOutline::Begin(HWND window, int code, POINT press, SIZE minimum) {
  End(false);
  code_ = code;
  window_ = window;
  GetWindowRect(window, &rect_);
  startRect_ = rect_;
  start_ = press;
  minimum_ = SIZE{std::max<LONG>(minimum.cx, 1), std::max<LONG>(minimum.cy, 1)};
  desktop_ = TDesktopDC::Lock();
  if (desktop_) {
    state_.emplace(desktop_.Get());
    SetROP2(desktop_.Get(), R2_NOT);
    SelectObject(desktop_.Get(), GetStockObject(WHITE_PEN));
  }
  SetCapture(window);
  Draw();
}

void TacOutline::MoveTo(POINT p) {
  if (code_ == 0) return;
  const int dx = p.x - start_.x, dy = p.y - start_.y;
  const int code = code_;
  RECT r = startRect_;
  if (code == HTCAPTION) {
    OffsetRect(&r, dx, dy);
  } else {
    if (code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT) r.left = std::min(r.left + dx, r.right - minimum_.cx);
    if (code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT) r.right = std::max(r.right + dx, r.left + minimum_.cx);
    if (code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT) r.top = std::min(r.top + dy, r.bottom - minimum_.cy);
    if (code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT)
      r.bottom = std::max(r.bottom + dy, r.top + minimum_.cy);
  }
  if (!EqualRect(&r, &rect_)) {
    Draw();
    rect_ = r;
    Draw();
  }
}

// Drawn inverted: drawing it again erases it.
void TacOutline::Draw() {
  if (!desktop_) return;
  const RECT& r = rect_;
  const POINT points[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                           {r.left, r.top}};
  Polyline(desktop_.Get(), points, 5);
}

void TacOutline::End(bool apply) {
  if (code_ == 0) return;
  Draw();
  state_.reset();
  desktop_.Reset();
  const RECT r = rect_;
  HWND window = std::exchange(window_, nullptr);
  code_ = 0;
  if (!IsWindow(window)) return;
  if (GetCapture() == window) ReleaseCapture();
  if (apply) MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}
