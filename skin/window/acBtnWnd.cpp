#include "skin/window/acBtnWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/window/acHandlerPaint.h"

int TacBtnWnd::ButtonState() const {
  const LRESULT state = SendMessageW(Window(), BM_GETSTATE, 0, 0);
  if (state & BST_PUSHED) return 2;
  if (!IsWindowEnabled(Window())) return 0;
  if (GetFocus() == Window()) return 1;
  if (DefaultManager() && DefaultManager()->HotWindow() == Window()) return 1;
  const LONG style = GetWindowLongW(Window(), GWL_STYLE);
  const bool isDefault = IsDefaultButtonType(ButtonType(style));
  return isDefault ? 1 : 0;
}

UINT TacBtnWnd::CaptionFormat() const {
  const LONG style = GetWindowLongW(Window(), GWL_STYLE);
  return (style & BS_MULTILINE) ? DT_CENTER | DT_EXPANDTABS : DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS;
}

int TacBtnWnd::MaxCaptionWidth() const {
  if (Caption().empty()) return 0;
  const SIZE glyph = GlyphSize();
  return WindowSize().cx - 2 - (glyph.cx > 0 ? glyph.cx + 2 : 0);
}

SIZE TacBtnWnd::CaptionSize() {
  TBitmap* cache = Binding()->Cache();
  RECT r{0, 0, MaxCaptionWidth(), 0};
  cache->Canvas().DrawText(Caption(), r, CaptionFormat() | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT TacBtnWnd::CaptionRect() {
  const SIZE size = CaptionSize();
  const int dx = (WindowSize().cx - size.cx) / 2, dy = (WindowSize().cy - size.cy) / 2;
  RECT r{dx - 1, dy, WindowSize().cx - dx + 2, WindowSize().cy - dy};
  if (SendMessageW(Window(), BM_GETSTATE, 0, 0) & BST_PUSHED) OffsetRect(&r, 1, 1);
  return r;
}

void TacBtnWnd::DrawCaptionText(const RECT& rect, UINT format) {
  TCanvas& canvas = Binding()->Cache()->Canvas();
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  DrawSkinText(canvas, Caption(), IsWindowEnabled(Window()) != 0, ButtonState() != 0, *Binding(), format, rect);
}

void TacBtnWnd::DrawCaption() {
  TCanvas& canvas = Binding()->Cache()->Canvas();
  if (TargetControl())
    canvas.Font().Assign(TargetControl()->Font());
  else
    SelectWindowFont(canvas);
  RECT r = CaptionRect();
  DrawCaptionText(r, CaptionFormat());
  const TsGeneralData* section = Binding()->Section();
  if (IsWindowEnabled(Window()) && (SendMessageW(Window(), BM_GETSTATE, 0, 0) & BST_FOCUS) && !Caption().empty() &&
      section && section->ShowFocus) {
    InflateRect(&r, 1, 1);
    DrawFocusDots(canvas, r);
  }
}

void TacBtnWnd::BuildCache() {
  TsSkinManager* manager = Binding()->SkinManager();
  TBitmap* cache = Binding()->Cache();
  if (!manager || !cache) return;
  const BgInfo bg = TsCommonData::GetWindowParentBgInfo(Window());
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  TColor parentColor = clFuchsia;
  if (bg.Ready && !Binding()->DependsOnParent() && ParentWnd()) {
    parentColor = static_cast<TColor>(ColorToRGB(AskColor(ParentWnd())));
  }
  const int w = WindowSize().cx, h = WindowSize().cy;
  cache->SetSize(w, h);
  if (cache->Empty()) return;

  TPaintItemSource item = SectionPaintSource(*Binding(), *manager);
  item.HasParent = ParentWnd() != nullptr;
  item.ParentColor = parentColor;
  item.DependsOnParent = Binding()->DependsOnParent();
  const int state = ButtonState();
  PaintItem(item, bg, true, false, cache->View(), TPoint{ParentOffset().x, ParentOffset().y}, TsRect{0, 0, w, h}, state);
  RepairCorners(state);
  DrawCaption();
  DrawGlyph();
  GdiFlush();
  if (!IsWindowEnabled(Window()) && bg.Ready) {
    const int x = ParentOffset().x + bg.X, y = ParentOffset().y + bg.Y;
    BlendKeyedRect(cache->View(), 0, 0, static_cast<TColor>(0xFF000000u), 0.4, TsRect{x, y, x + w, y + h}, bg.Bmp);
  }
  Binding()->BackgroundChangedFlag = false;
}

void TacBtnWnd::PaintTo(HDC dc) {
  UpdateGeometry();
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  if (Binding()->UpdatingFlag) return;
  Binding()->BackgroundChangedFlag = true;
  BuildCache();
  TBitmap* cache = Binding()->Cache();
  if (cache && !cache->Empty())
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacBtnWnd::Repaint() {
  if (Binding()) Binding()->BackgroundChangedFlag = true;
  RepaintNow();
}

void TacBtnWnd::Quietly(TMessage& message, bool callOldOnly) {
  WithoutRedraw(*this, [&] {
    if (callOldOnly)
      message.Result = CallOld(message);
    else
      TacMainWnd::WndProc(message);
  });
}

void TacBtnWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(Window()) != 0;
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_MOUSEENTER:
        case CMD_MOUSELEAVE: {
          const bool enter = SkinCommandOf(message.WParam) == CMD_MOUSEENTER;
          if (Binding()->MouseOverFlag != enter) {
            Binding()->MouseOverFlag = enter;
            Repaint();
          }
          break;
        }
        default: break;
      }
      TacMainWnd::WndProc(message);
      return;
    case WM_MOVE: {
      const TsGeneralData* section = Binding()->Section();
      if (section && (section->Transparency > 0 || (section->HotTransparency > 0 && Binding()->IsActive()))) Repaint();
      TacMainWnd::WndProc(message);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (!IsWindowEnabled(Window())) {
        // A disabled button never takes the focus.
        if (message.Msg == WM_SETFOCUS)
          message.Result = 0;
        else
          TacMainWnd::WndProc(message);
        return;
      }
      Quietly(message, false);
      if (Destroyed()) return;
      Binding()->FocusedFlag = message.Msg == WM_SETFOCUS;
      Repaint();
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!visible) {
        TacMainWnd::WndProc(message);
        return;
      }
      Quietly(message, false);
      if (!Destroyed()) Repaint();
      return;
    case BM_SETSTATE:
      if (!visible) break;
      Quietly(message, true);
      if (!Destroyed()) Repaint();
      return;
    case WM_PAINT:
      if (!ParamsApplied()) ApplyParams();
      PaintMessage(message);
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE: message.Result = 1; return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg == WM_MOUSEMOVE && !Destroyed()) {
    TrackHotWindow(Window(), true);
    // The pointer may leave for a window no handler sees (another process, the desktop):
    // the leave notice ends the hot look then (the base handling of WM_MOUSELEAVE).
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Window(), 0};
    TrackMouseEvent(&track);
  }
}
