#include "skin/window/acGroupBoxWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/window/acHandlerPaint.h"

RECT TacGroupBoxWnd::BandRect(SIZE caption, int width) {
  RECT band{6, 0, caption.cx + 14, (caption.cy > 4 ? caption.cy : 4) + 2};
  if (width < caption.cx + 14) band.right = width - 1;
  return band;
}

void TacGroupBoxWnd::SelectFont(TCanvas& canvas) const {
  if (TargetControl())
    canvas.Font().Assign(TargetControl()->Font());
  else
    SelectWindowFont(canvas);
}

RECT TacGroupBoxWnd::CaptionBand() {
  TBitmap* cache = Binding()->Cache();
  if (!cache) return BandRect(SIZE{0, 0}, WindowSize().cx);
  if (cache->Empty()) cache->SetSize(1, 1);  // a canvas to measure with
  TCanvas& canvas = cache->Canvas();
  SelectFont(canvas);
  RECT r{0, 0, 0, 0};
  canvas.DrawText(Caption(), r, DT_CALCRECT | DT_CENTER);
  return BandRect(SIZE{r.right - r.left, r.bottom - r.top}, WindowSize().cx);
}

TColor TacGroupBoxWnd::ParentColor() const {
  TColor color = clFuchsia;
  if (auto* control = dynamic_cast<TWinControl*>(TargetControl())) {
    color = QueryControlColor(control->Parent());
  } else if (ParentWnd()) {
    color = AskColor(ParentWnd());
  }
  // A parent that does not answer shows the dialog colour.
  return static_cast<TColor>(ColorToRGB(color == clFuchsia ? clBtnFace : color));
}

void TacGroupBoxWnd::BuildCache() {
  if (!Binding()->BackgroundChangedFlag) return;
  TBitmap* cache = Binding()->Cache();
  if (!cache) return;
  const int w = WindowSize().cx, h = WindowSize().cy;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(w, h);
  if (cache->Empty()) return;
  const RECT band = CaptionBand();
  const int bandHeight = band.bottom - band.top;
  const BgInfo bg = TsCommonData::GetWindowParentBgInfo(Window());
  const TSurfaceView view = cache->View();
  // Behind the band: what the parent shows there.
  const auto fillFromParent = [&](const RECT& r) {
    if (bg.Ready && !bg.Bmp.Empty()) {
      const TsRect source{ParentOffset().x + bg.X + r.left, ParentOffset().y + bg.Y + r.top,
                          ParentOffset().x + bg.X + r.right, ParentOffset().y + bg.Y + r.bottom};
      CopyBlock(view, r.left, r.top, bg.Bmp, source);
    } else {
      FillRectColor(view, TsRect{r.left, r.top, r.right, r.bottom}, ParentColor());
    }
  };
  fillFromParent(RECT{0, 0, w, band.bottom});
  const TPaintItemSource item = PaintSourceOf(*Binding(), *Manager());
  PaintItem(item, bg, false, false, view, TPoint{ParentOffset().x, ParentOffset().y + bandHeight / 2},
            TsRect{0, bandHeight / 2, w, h}, 0);
  if (!Caption().empty()) {
    fillFromParent(band);
    TCanvas& canvas = cache->Canvas();
    SelectWindowFont(canvas);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    DrawSkinText(canvas, Caption(), IsWindowEnabled(Window()) != 0, false, *Binding(),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE, band);
    GdiFlush();
  }
  Binding()->BackgroundChangedFlag = false;
}

void TacGroupBoxWnd::PaintTo(HDC dc) {
  UpdateGeometry();
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  if (Binding()->UpdatingFlag) return;
  {
    BuildCache();
    const TSavedDC state(dc);
    if (DialogMode()) {
      // The platform painted the inside: only frame and band go over it.
      const TMaskRef border = MaskRef(Manager()->Tables(), Binding()->BorderMaskIndex);
      const RECT band = CaptionBand();
      if (border.Valid()) {
        const TsMaskData& m = *border.Data;
        const int left = m.BorderWidth ? m.BorderWidth : m.WL, right = m.BorderWidth ? m.BorderWidth : m.WR,
                  bottom = m.BorderWidth ? m.BorderWidth : m.WB;
        ExcludeClipRect(dc, left, band.bottom - band.top, WindowSize().cx - right, WindowSize().cy - bottom);
      }
    }
    PaintWindowToDCExcludingChildren(Window(), *Binding(), POINT{0, 0}, dc,
                                     RECT{0, 0, WindowSize().cx, WindowSize().cy});
    if (auto* control = dynamic_cast<TWinControl*>(TargetControl())) PaintGraphicChildren(dc, control, POINT{0, 0});
  }
  NotifyChildWindowsParentDone(Window());
}

void TacGroupBoxWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (SkinCommandOf(message.WParam) == CMD_GETCAPTIONHEIGHT) {
        UpdateGeometry();
        const RECT band = CaptionBand();
        message.Result = band.bottom - band.top;
        return;
      }
      break;
    case WM_SIZE: Binding()->BackgroundChangedFlag = true; break;
    case WM_PAINT:
      if (DialogMode()) break;
      PaintMessage(message);
      return;
    case WM_ERASEBKGND: message.Result = 0; return;
    case WM_NCPAINT:
      TacMainWnd::WndProc(message);
      if (DialogMode() && !Destroyed()) {
        // Frame and band over what the platform painted, through the window's DC.
        const TPaintDC paint = TPaintDC::Begin(Window());
        const TWindowDC dc = TWindowDC::Of(Window());
        if (dc.Get()) GuardedPaint([&] { PaintTo(dc.Get()); });
      }
      return;
    case WM_PRINT:
    case WM_PRINTCLIENT:
      if (DialogMode()) break;
      Binding()->BackgroundChangedFlag = true;
      PaintMessage(message);
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
}
