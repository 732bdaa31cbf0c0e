// Live counts of the GDI and USER objects the framework makes, and small move-only owners
// that keep those counts.
//
// `LiveHandles(kind)` is the number of objects of a kind made through the framework and
// not yet released. The platform's own figure (GetGuiResources) is not available
// everywhere, so the owners below count themselves: an owner that takes a handle counts it
// created, and counts it released when it closes it or hands it over with `Release`. Code
// that makes and frees a kind of object by other means (windows) calls
// `CountHandleCreated` and `CountHandleReleased` itself. The counts are process-wide and
// safe to change from any thread.
//
// One owner per way of freeing:
//   TGdiObject<...>  brush, pen, font, region, bitmap   DeleteObject
//   TClientDC        GetDC (a window's client area, or the screen)   ReleaseDC
//   TWindowDC        GetWindowDC (the whole window)     ReleaseDC
//   TMemoryDC        CreateCompatibleDC                 DeleteDC
//   TPaintDC         BeginPaint                         EndPaint
//   THookHandle      SetWindowsHookExW                  UnhookWindowsHookEx
//   TTimerHandle     SetTimer on a window and id        KillTimer
//   TIconHandle      CreateIconIndirect ...             DestroyIcon
//   TMenuHandle      CreateMenu, CreatePopupMenu        DestroyMenu
// Each is empty when default-made, moved from, released, or when the call that should
// have made its object failed; an empty owner frees and counts nothing. Factories that
// can fail are [[nodiscard]]: look at the result. Borrowed handles (a DC the system lends
// for WM_DRAWITEM, a stock object) stay plain handles and are never given to an owner.
//
// Two guards go with them: `TSelectGuard` selects an object into a DC and selects the
// previous one back; `TSavedDC` saves a DC's state (modes, colours, clip region,
// selections) and restores it.
//
// Left out: windows (their owner is the control that made them), cursors, palettes,
// metafiles.
#pragma once

#include <windows.h>

#include <utility>

enum class THandleKind { Brush, Pen, Font, Region, Bitmap, DC, Window, Hook, Timer, Icon, Menu };

// Objects of `kind` made through the framework and not yet released.
int LiveHandles(THandleKind kind);
// A registered window message the application window answers with LiveHandles(WParam as a
// THandleKind), so that another process (the end-to-end tests) can watch the counts.
inline constexpr wchar_t kLiveHandlesMessage[] = L"Equidiv.LiveHandles";
void CountHandleCreated(THandleKind kind);
void CountHandleReleased(THandleKind kind);

// An owned handle that one call frees. `Traits` gives the handle type, the kind it counts
// as and `Close(handle)`.
template <class Traits>
class TOwnedHandle {
public:
  using Handle = typename Traits::Handle;

  TOwnedHandle() = default;
  // Takes ownership of `handle`; a null handle gives an empty owner.
  explicit TOwnedHandle(Handle handle) : handle_(handle) {
    if (handle_) CountHandleCreated(Traits::kKind);
  }
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(TOwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;

  // Borrowed: valid while this owner holds it.
  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Frees the object now; the owner is empty afterwards.
  void Reset() {
    if (!handle_) return;
    Traits::Close(std::exchange(handle_, nullptr));
    CountHandleReleased(Traits::kKind);
  }
  // Hands the object to an owner outside the framework's count (a parent menu that now
  // holds it as a sub-menu, SetWindowRgn); it counts as released here.
  [[nodiscard]] Handle Release() {
    if (handle_) CountHandleReleased(Traits::kKind);
    return std::exchange(handle_, nullptr);
  }

private:
  Handle handle_ = nullptr;
};

namespace handle_traits {
template <class H, THandleKind K>
struct GdiObject {
  using Handle = H;
  static constexpr THandleKind kKind = K;
  static void Close(H handle) { DeleteObject(handle); }
};
struct Hook {
  using Handle = HHOOK;
  static constexpr THandleKind kKind = THandleKind::Hook;
  static void Close(HHOOK hook) { UnhookWindowsHookEx(hook); }
};
struct Icon {
  using Handle = HICON;
  static constexpr THandleKind kKind = THandleKind::Icon;
  static void Close(HICON icon) { DestroyIcon(icon); }
};
// Destroying a menu destroys the sub-menus it holds.
struct Menu {
  using Handle = HMENU;
  static constexpr THandleKind kKind = THandleKind::Menu;
  static void Close(HMENU menu) { DestroyMenu(menu); }
};
}  // namespace handle_traits

template <class H, THandleKind K>
using TGdiObject = TOwnedHandle<handle_traits::GdiObject<H, K>>;
using TBrushHandle = TGdiObject<HBRUSH, THandleKind::Brush>;
using TPenHandle = TGdiObject<HPEN, THandleKind::Pen>;
using TFontHandle = TGdiObject<HFONT, THandleKind::Font>;
using TRegionHandle = TGdiObject<HRGN, THandleKind::Region>;
using TBitmapHandle = TGdiObject<HBITMAP, THandleKind::Bitmap>;
using THookHandle = TOwnedHandle<handle_traits::Hook>;
using TIconHandle = TOwnedHandle<handle_traits::Icon>;
using TMenuHandle = TOwnedHandle<handle_traits::Menu>;

[[nodiscard]] TBrushHandle NewSolidBrush(COLORREF color);
[[nodiscard]] TPenHandle NewPen(int style, int width, COLORREF color);
[[nodiscard]] TFontHandle NewFont(const LOGFONTW& font);
[[nodiscard]] TRegionHandle NewRectRegion(int left, int top, int right, int bottom);
// CreateBitmap: a device-dependent bitmap, `bits` may be null.
[[nodiscard]] TBitmapHandle NewBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// CreateDIBSection without a DC; `bits` receives the pixel memory (null on failure).
[[nodiscard]] TBitmapHandle NewDibSection(const BITMAPINFO& info, void** bits);
[[nodiscard]] THookHandle SetHook(int type, HOOKPROC procedure, HINSTANCE module, DWORD threadId);
[[nodiscard]] TIconHandle NewIcon(ICONINFO& info);
[[nodiscard]] TMenuHandle NewMenu();
[[nodiscard]] TMenuHandle NewPopupMenu();

// A DC that GetDC or GetWindowDC lent: given back with ReleaseDC to the same window.
class TReleasedDC {
public:
  TReleasedDC() = default;
  ~TReleasedDC() { Reset(); }
  TReleasedDC(TReleasedDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  TReleasedDC& operator=(TReleasedDC&& other) noexcept;
  TReleasedDC(const TReleasedDC&) = delete;
  TReleasedDC& operator=(const TReleasedDC&) = delete;

  // Borrowed: valid while this owner holds it.
  HDC Get() const { return dc_; }
  HWND Window() const { return window_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void Reset();

protected:
  TReleasedDC(HWND window, HDC dc);

private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// GetDC: the client area of `window`, or the whole screen for a null window.
class TClientDC : public TReleasedDC {
public:
  TClientDC() = default;
  [[nodiscard]] static TClientDC Of(HWND window);
  [[nodiscard]] static TClientDC Screen() { return Of(nullptr); }

private:
  using TReleasedDC::TReleasedDC;
};

// GetWindowDC: the whole window, frame included.
class TWindowDC : public TReleasedDC {
public:
  TWindowDC() = default;
  [[nodiscard]] static TWindowDC Of(HWND window);

private:
  using TReleasedDC::TReleasedDC;
};

// CreateCompatibleDC: a memory DC, deleted with DeleteDC.
class TMemoryDC {
public:
  TMemoryDC() = default;
  ~TMemoryDC() { Reset(); }
  TMemoryDC(TMemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  TMemoryDC& operator=(TMemoryDC&& other) noexcept;
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;

  // Compatible with `dc`, or with the screen for a null one.
  [[nodiscard]] static TMemoryDC CompatibleWith(HDC dc);

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void Reset();

private:
  explicit TMemoryDC(HDC dc);
  HDC dc_ = nullptr;
};

// BeginPaint on a window; EndPaint when the owner goes.
class TPaintDC {
public:
  TPaintDC() = default;
  ~TPaintDC() { Reset(); }
  TPaintDC(TPaintDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)), paint_(other.paint_) {}
  TPaintDC& operator=(TPaintDC&& other) noexcept;
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;

  [[nodiscard]] static TPaintDC Begin(HWND window);

  HDC Get() const { return dc_; }
  // The area to paint and whether the background was erased.
  const PAINTSTRUCT& Info() const { return paint_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void Reset();

private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  PAINTSTRUCT paint_{};
};

// A timer of a window and an id (or, for a null window, the id the system chose); KillTimer
// when the owner goes. Setting a timer with the id of a running one restarts it: give the
// old owner up first (`Reset`), so the count stays right.
class TTimerHandle {
public:
  TTimerHandle() = default;
  ~TTimerHandle() { Reset(); }
  TTimerHandle(TTimerHandle&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), id_(std::exchange(other.id_, 0)) {}
  TTimerHandle& operator=(TTimerHandle&& other) noexcept;
  TTimerHandle(const TTimerHandle&) = delete;
  TTimerHandle& operator=(const TTimerHandle&) = delete;

  // `id` is not 0 when there is a window; empty when the timer could not be set.
  [[nodiscard]] static TTimerHandle Set(HWND window, UINT_PTR id, UINT milliseconds);

  HWND Window() const { return window_; }
  UINT_PTR Id() const { return id_; }
  explicit operator bool() const { return id_ != 0; }
  void Reset();

private:
  TTimerHandle(HWND window, UINT_PTR id);
  HWND window_ = nullptr;
  UINT_PTR id_ = 0;
};

// Selects `object` into `dc` and, when it goes, selects back what was there before.
class TSelectGuard {
public:
  TSelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~TSelectGuard() {
    if (dc_ && previous_) SelectObject(dc_, previous_);
  }
  TSelectGuard(TSelectGuard&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  TSelectGuard& operator=(TSelectGuard&&) = delete;
  TSelectGuard(const TSelectGuard&) = delete;
  TSelectGuard& operator=(const TSelectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC now, RestoreDC when it goes: modes, colours, clip region and selections return
// to what they were, also when drawing raises.
class TSavedDC {
public:
  explicit TSavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~TSavedDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

private:
  HDC dc_;
  int saved_;
};
