#include "skin/window/acStaticWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinText.h"
#include "skin/window/acHandlerPaint.h"

namespace {

// A window of this size keeps the platform's own painting inside kOwnArea (an animation
// the platform draws over the static text of some dialogs).
constexpr SIZE kOwnAreaWindow{152, 49};
constexpr RECT kOwnArea{30, 6, 120, 41};

}  // namespace

const TFont* TacStaticWnd::MessageFont() {
  if (!fontRead_) {
    fontRead_ = true;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      messageFont_ = std::make_unique<TFont>();
      AssignLogFont(*messageFont_, metrics.lfMessageFont);
    }
  }
  return messageFont_.get();
}

void TacStaticWnd::DrawContent() {
  TCanvas& canvas = Binding()->Cache()->Canvas();
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (const TFont* font = MessageFont()) canvas.Font().Assign(*font);
  const RECT r{0, 0, WindowSize().cx + 4, WindowSize().cy};
  DrawSkinText(canvas, Caption(), IsWindowEnabled(Window()) != 0, false, *Binding(), DT_WORDBREAK | DT_EXPANDTABS, r);
}

void TacIconWnd::DrawContent() {
  const auto icon = reinterpret_cast<HICON>(SendMessageW(Window(), STM_GETICON, 0, 0));
  if (icon) DrawIcon(Binding()->Cache()->Canvas().Handle(), 0, 0, icon);
}

void TacStaticWnd::PaintTo(HDC dc) {
  UpdateGeometry();
  const TSavedDC state(dc);
  if (WindowSize().cx == kOwnAreaWindow.cx && WindowSize().cy == kOwnAreaWindow.cy) {
    // The platform's own painting of the window, into the same DC.
    TMessage own{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    CallOld(own);
    ExcludeClipRect(dc, kOwnArea.left, kOwnArea.top, kOwnArea.right, kOwnArea.bottom);
  }
  Binding()->BackgroundChangedFlag = true;
  SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
  TBitmap* cache = Binding()->Cache();
  if (!cache || cache->Empty()) return;
  DrawContent();
  GdiFlush();
  BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacStaticWnd::Repaint() {
  if (Destroyed()) return;
  Binding()->BackgroundChangedFlag = true;
  RepaintNow();
}

void TacStaticWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      if (!IsWindowVisible(Window())) break;
      if (PlatformPaints()) {
        message.Result = CallOld(message);
        return;
      }
      PaintMessage(message);
      return;
    case WM_ENABLE:
    case WM_CANCELMODE:
    case WM_SETTEXT:
      // The base handling keeps Caption() in step with the new text.
      WithoutRedraw(*this, [&] { TacMainWnd::WndProc(message); });
      Repaint();
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    case WM_UPDATEUISTATE:
      if (!IsWindowVisible(Window())) break;
      WithoutRedraw(*this, [&] { message.Result = 0; });
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
}
