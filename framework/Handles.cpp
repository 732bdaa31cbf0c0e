#include "framework/Handles.h"
#include "framework/HandlesMade.h"

#include <array>
#include <atomic>

namespace {
constexpr size_t kKinds = static_cast<size_t>(THandleKind::Menu) + 1;

std::atomic<int>& Counter(THandleKind kind) {
  static std::array<std::atomic<int>, kKinds> counts{};
  return counts[static_cast<size_t>(kind)];
}
std::atomic<int>& MadeCounter(THandleKind kind) {
  static std::array<std::atomic<int>, kKinds> counts{};
  return counts[static_cast<size_t>(kind)];
}
}  // namespace

int LiveHandles(THandleKind kind) { return Counter(kind).load(std::memory_order_relaxed); }
int HandlesMade(THandleKind kind) { return MadeCounter(kind).load(std::memory_order_relaxed); }
void CountHandleCreated(THandleKind kind) {
  Counter(kind).fetch_add(1, std::memory_order_relaxed);
  MadeCounter(kind).fetch_add(1, std::memory_order_relaxed);
}
void CountHandleReleased(THandleKind kind) { Counter(kind).fetch_sub(1, std::memory_order_relaxed); }

// ---- factories of owned handles

TBrushHandle NewSolidBrush(COLORREF color) { return TBrushHandle(CreateSolidBrush(color)); }
TPenHandle NewPen(int style, int width, COLORREF color) { return TPenHandle(CreatePen(style, width, color)); }
TFontHandle NewFont(const LOGFONTW& font) { return TFontHandle(CreateFontIndirectW(&font)); }
TRegionHandle NewRectRegion(int left, int top, int right, int bottom) {
  return TRegionHandle(CreateRectRgn(left, top, right, bottom));
}
TBitmapHandle NewBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  return TBitmapHandle(CreateBitmap(width, height, planes, bitsPerPixel, bits));
}
TBitmapHandle NewDibSection(const BITMAPINFO& info, void** bits) {
  *bits = nullptr;
  TBitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
  if (!*bits) bitmap.Reset();
  return bitmap;
}
THookHandle SetHook(int type, HOOKPROC procedure, HINSTANCE module, DWORD threadId) {
  return THookHandle(SetWindowsHookExW(type, procedure, module, threadId));
}
TIconHandle NewIcon(ICONINFO& info) { return TIconHandle(CreateIconIndirect(&info)); }
TMenuHandle NewMenu() { return TMenuHandle(CreateMenu()); }
TMenuHandle NewPopupMenu() { return TMenuHandle(CreatePopupMenu()); }

// ---- DCs

TReleasedDC::TReleasedDC(HWND window, HDC dc) : window_(dc ? window : nullptr), dc_(dc) {
  if (dc_) CountHandleCreated(THandleKind::DC);
}

TReleasedDC& TReleasedDC::operator=(TReleasedDC&& other) noexcept {
  if (this != &other) {
    Reset();
    window_ = std::exchange(other.window_, nullptr);
    dc_ = std::exchange(other.dc_, nullptr);
  }
  return *this;
}

void TReleasedDC::Reset() {
  if (!dc_) return;
  ReleaseDC(std::exchange(window_, nullptr), std::exchange(dc_, nullptr));
  CountHandleReleased(THandleKind::DC);
}

TClientDC TClientDC::Of(HWND window) { return TClientDC(window, GetDC(window)); }
TWindowDC TWindowDC::Of(HWND window) { return TWindowDC(window, GetWindowDC(window)); }

TMemoryDC::TMemoryDC(HDC dc) : dc_(dc) {
  if (dc_) CountHandleCreated(THandleKind::DC);
}

TMemoryDC& TMemoryDC::operator=(TMemoryDC&& other) noexcept {
  if (this != &other) {
    Reset();
    dc_ = std::exchange(other.dc_, nullptr);
  }
  return *this;
}

TMemoryDC TMemoryDC::CompatibleWith(HDC dc) { return TMemoryDC(CreateCompatibleDC(dc)); }

void TMemoryDC::Reset() {
  if (!dc_) return;
  DeleteDC(std::exchange(dc_, nullptr));
  CountHandleReleased(THandleKind::DC);
}

TPaintDC& TPaintDC::operator=(TPaintDC&& other) noexcept {
  if (this != &other) {
    Reset();
    window_ = std::exchange(other.window_, nullptr);
    dc_ = std::exchange(other.dc_, nullptr);
    paint_ = other.paint_;
  }
  return *this;
}

TPaintDC TPaintDC::Begin(HWND window) {
  TPaintDC paint;
  paint.dc_ = BeginPaint(window, &paint.paint_);
  if (paint.dc_) {
    paint.window_ = window;
    CountHandleCreated(THandleKind::DC);
  }
  return paint;
}

void TPaintDC::Reset() {
  if (!dc_) return;
  dc_ = nullptr;
  EndPaint(std::exchange(window_, nullptr), &paint_);
  CountHandleReleased(THandleKind::DC);
}

// ---- timers

TTimerHandle::TTimerHandle(HWND window, UINT_PTR id) : window_(id ? window : nullptr), id_(id) {
  if (id_) CountHandleCreated(THandleKind::Timer);
}

TTimerHandle& TTimerHandle::operator=(TTimerHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    window_ = std::exchange(other.window_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

TTimerHandle TTimerHandle::Set(HWND window, UINT_PTR id, UINT milliseconds) {
  const UINT_PTR result = SetTimer(window, id, milliseconds, nullptr);
  // With a window the timer keeps the id we gave; without one the system picks it.
  return TTimerHandle(window, result == 0 ? 0 : window ? id : result);
}

void TTimerHandle::Reset() {
  if (!id_) return;
  KillTimer(std::exchange(window_, nullptr), std::exchange(id_, 0));
  CountHandleReleased(THandleKind::Timer);
}
