#include "skin/window/acSpinWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/window/acHandlerPaint.h"

// ---------------------------------------------------------------- TacSizerWnd

void TacSizerWnd::PaintTo(HDC dc) {
  Binding()->BackgroundChangedFlag = true;
  SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
  TBitmap* cache = Binding()->Cache();
  if (cache && !cache->Empty())
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacSizerWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT: PaintMessage(message); return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg != WM_NCHITTEST || Destroyed()) return;
  if (TsSkinManager* manager = DefaultManager(); manager && IsWindowEnabled(Window()))
    manager->SetHotWindow(nullptr);
  // The grip resizes its window also while disabled.
  message.Result = HTBOTTOMRIGHT;
}

// ---------------------------------------------------------------- TacSpinWnd

RECT TacSpinWnd::UpperRect() const { return RECT{SpinOffset, 0, WindowSize().cx, (WindowSize().cy + 1) / 2}; }

RECT TacSpinWnd::LowerRect() const { return RECT{SpinOffset, WindowSize().cy / 2, WindowSize().cx, WindowSize().cy}; }

void TacSpinWnd::UpdateStates() {
  POINT p{};
  GetCursorPos(&p);
  const RECT window = WindowRect();
  if (!PtInRect(&window, p)) {
    UpState = DownState = 0;
    return;
  }
  const int active = 1 + (SpinPressed ? 1 : 0);
  const bool upper = p.y < WindowRect().bottom - WindowSize().cy / 2;
  UpState = upper ? active : 0;
  DownState = upper ? 0 : active;
}

void TacSpinWnd::PaintButton(const RECT& r, int state, int glyphIndex, const BgInfo& bg) {
  TBitmap* cache = Binding()->Cache();
  const TPaintItemSource item = PaintSourceOf(*Binding(), *Manager());
  const TPoint offset{WindowRect().left - ParentRect().left + r.left - bg.X, WindowRect().top - ParentRect().top + r.top - bg.Y};
  PaintItem(item, bg, true, false, cache->View(), offset, TsRect{r.left, r.top, r.right, r.bottom}, state);
  const TMaskRef glyph = MaskRef(Manager()->Tables(), glyphIndex);
  if (!glyph.Valid()) return;
  const TPoint at{r.left + (r.right - r.left - glyph.FrameWidth()) / 2,
                  r.top + (r.bottom - r.top - glyph.FrameHeight()) / 2};
  PaintGlyphMask(cache->View(), at, state, glyph, true);
}

void TacSpinWnd::PaintTo(HDC dc) {
  UpdateGeometry();
  UpdateStates();
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  if (Binding()->UpdatingFlag) return;
  Binding()->BackgroundChangedFlag = true;
  {
    TBitmap* cache = Binding()->Cache();
    if (!cache) return;
    const int w = WindowSize().cx, h = WindowSize().cy;
    const BgInfo bg = TsCommonData::GetWindowParentBgInfo(Window());
    cache->SetPixelFormat(TPixelFormat::pf24bit);
    cache->SetSize(w, h);
    if (cache->Empty()) return;
    const TsStandardIndexes& standard = Manager()->StandardIndexes();
    PaintButton(UpperRect(), UpState, standard.ScrollButtonGlyphs[0], bg);
    PaintButton(LowerRect(), DownState, standard.ScrollButtonGlyphs[1], bg);
    Binding()->BackgroundChangedFlag = false;
    BitBlt(dc, SpinOffset, 0, w - SpinOffset, h, cache->Canvas().Handle(), SpinOffset, 0, SRCCOPY);
  }
}

void TacSpinWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT: PaintMessage(message); return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      SpinPressed = message.Msg == WM_LBUTTONDOWN;
      TacMainWnd::WndProc(message);
      if (!Destroyed()) RepaintNow();
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg != WM_MOUSEMOVE || Destroyed()) return;
  TsSkinManager* manager = DefaultManager();
  if (!manager || !IsWindowEnabled(Window())) return;
  UpdateGeometry();
  POINT p{};
  GetCursorPos(&p);
  const RECT window = WindowRect();
  if (PtInRect(&window, p)) {
    if (manager->HotWindow() != Window()) manager->SetHotWindow(Window());
  } else if (manager->HotWindow() == Window()) {
    manager->SetHotWindow(nullptr);
  }
  if (Destroyed()) return;
  // Repainted only when a button's look changes (the pointer went to the other half, in
  // or out), not on every move.
  const int up = UpState, down = DownState;
  UpdateStates();
  if (UpState != up || DownState != down) RepaintNow();
}
