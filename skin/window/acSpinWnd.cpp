#include "skin/window/acSpinWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/window/acHandlerPaint.h"

// ---------------------------------------------------------------- TacSizerWnd

void TacSizerWnd::Paint() {
  TPaintDC paint = TPaintDC::Begin(WindowHandle);
  TClientDC dc = TClientDC::Of(WindowHandle);
  if (!dc.Get()) return;
  Binding->BackgroundChangedFlag = true;
  SendSkinCommand(WindowHandle, CMD_PREPARECACHE, 0);
  TBitmap* cache = Binding->Cache();
  if (cache && !cache->Empty())
    BitBlt(dc.Get(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacSizerWnd::WndProc(TMessage& message) {
  if (Destroyed || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      GuardedPaint([&] { Paint(); });
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg != WM_NCHITTEST || Destroyed) return;
  if (TsSkinManager* manager = DefaultManager(); manager && IsWindowEnabled(WindowHandle))
    manager->SetHotWindow(nullptr);
  // The grip resizes its window also while disabled.
  message.Result = HTBOTTOMRIGHT;
}

// ---------------------------------------------------------------- TacSpinWnd

RECT TacSpinWnd::UpperRect() const { return RECT{SpinOffset, 0, WindowSize.cx, (WindowSize.cy + 1) / 2}; }

RECT TacSpinWnd::LowerRect() const { return RECT{SpinOffset, WindowSize.cy / 2, WindowSize.cx, WindowSize.cy}; }

void TacSpinWnd::UpdateStates() {
  POINT p{};
  GetCursorPos(&p);
  if (!PtInRect(&WindowRect, p)) {
    UpState = DownState = 0;
    return;
  }
  const int active = 1 + (SpinPressed ? 1 : 0);
  const bool upper = p.y < WindowRect.bottom - WindowSize.cy / 2;
  UpState = upper ? active : 0;
  DownState = upper ? 0 : active;
}

void TacSpinWnd::PaintButton(const RECT& r, int state, int glyphIndex, const BgInfo& bg) {
  TBitmap* cache = Binding->Cache();
  const TPaintItemSource item = PaintSourceOf(*Binding, *Manager);
  const TPoint offset{WindowRect.left - ParentRect.left + r.left - bg.X, WindowRect.top - ParentRect.top + r.top - bg.Y};
  PaintItem(item, bg, true, false, cache->View(), offset, TsRect{r.left, r.top, r.right, r.bottom}, state);
  const TMaskRef glyph = MaskRef(Manager->Tables(), glyphIndex);
  if (!glyph.Valid()) return;
  const TPoint at{r.left + (r.right - r.left - glyph.FrameWidth()) / 2,
                  r.top + (r.bottom - r.top - glyph.FrameHeight()) / 2};
  PaintGlyphMask(cache->View(), at, state, glyph, true);
}

void TacSpinWnd::Paint(HDC given) {
  UpdateGeometry();
  UpdateStates();
  TPaintDC paint;
  if (!given) paint = TPaintDC::Begin(WindowHandle);
  Binding->UpdatingFlag = Binding->RefreshUpdating();
  if (Binding->UpdatingFlag) return;
  TClientDC own;
  HDC dc = given;
  if (!dc) {
    own = TClientDC::Of(WindowHandle);
    dc = own.Get();
  }
  if (!dc) return;
  Binding->BackgroundChangedFlag = true;
  GuardedPaint([&] {
    TBitmap* cache = Binding->Cache();
    if (!cache) return;
    const int w = WindowSize.cx, h = WindowSize.cy;
    const BgInfo bg = TsCommonData::GetWindowParentBgInfo(WindowHandle);
    cache->SetPixelFormat(TPixelFormat::pf24bit);
    cache->SetSize(w, h);
    if (cache->Empty()) return;
    const TsStandardIndexes& standard = Manager->StandardIndexes();
    PaintButton(UpperRect(), UpState, standard.ScrollButtonGlyphs[0], bg);
    PaintButton(LowerRect(), DownState, standard.ScrollButtonGlyphs[1], bg);
    Binding->BackgroundChangedFlag = false;
    BitBlt(dc, SpinOffset, 0, w - SpinOffset, h, cache->Canvas().Handle(), SpinOffset, 0, SRCCOPY);
  });
}

void TacSpinWnd::WndProc(TMessage& message) {
  if (Destroyed || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      Paint(reinterpret_cast<HDC>(message.WParam));
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      SpinPressed = message.Msg == WM_LBUTTONDOWN;
      TacMainWnd::WndProc(message);
      if (!Destroyed) SendMessageW(WindowHandle, WM_PAINT, 0, 0);
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg != WM_MOUSEMOVE || Destroyed) return;
  TsSkinManager* manager = DefaultManager();
  if (!manager || !IsWindowEnabled(WindowHandle)) return;
  UpdateGeometry();
  POINT p{};
  GetCursorPos(&p);
  if (PtInRect(&WindowRect, p)) {
    if (manager->HotWindow() == WindowHandle)
      SendMessageW(WindowHandle, WM_PAINT, 0, 0);
    else
      manager->SetHotWindow(WindowHandle);
  } else if (manager->HotWindow() == WindowHandle) {
    manager->SetHotWindow(nullptr);
    // The hot look goes with the pointer.
    if (!Destroyed) SendMessageW(WindowHandle, WM_PAINT, 0, 0);
  }
}
