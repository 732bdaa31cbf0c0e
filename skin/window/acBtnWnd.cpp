#include "skin/window/acBtnWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"

int TacBtnWnd::ButtonState() const {
  const LRESULT state = SendMessageW(WindowHandle, BM_GETSTATE, 0, 0);
  if (state & BST_PUSHED) return 2;
  if (!IsWindowEnabled(WindowHandle)) return 0;
  if (GetFocus() == WindowHandle) return 1;
  if (DefaultManager() && DefaultManager()->HotWindow() == WindowHandle) return 1;
  const LONG style = GetWindowLongW(WindowHandle, GWL_STYLE);
  const bool isDefault = IsDefaultButtonType(ButtonType(style));
  return isDefault ? 1 : 0;
}

UINT TacBtnWnd::CaptionFormat() const {
  const LONG style = GetWindowLongW(WindowHandle, GWL_STYLE);
  return (style & BS_MULTILINE) ? DT_CENTER | DT_EXPANDTABS : DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS;
}

int TacBtnWnd::MaxCaptionWidth() const {
  if (Caption.empty()) return 0;
  const SIZE glyph = GlyphSize();
  return WindowSize.cx - 2 - (glyph.cx > 0 ? glyph.cx + 2 : 0);
}

SIZE TacBtnWnd::CaptionSize() {
  TBitmap* cache = Binding->Cache();
  RECT r{0, 0, MaxCaptionWidth(), 0};
  cache->Canvas().DrawText(Caption, r, CaptionFormat() | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT TacBtnWnd::CaptionRect() {
  const SIZE size = CaptionSize();
  const int dx = (WindowSize.cx - size.cx) / 2, dy = (WindowSize.cy - size.cy) / 2;
  RECT r{dx - 1, dy, WindowSize.cx - dx + 2, WindowSize.cy - dy};
  if (SendMessageW(WindowHandle, BM_GETSTATE, 0, 0) & BST_PUSHED) OffsetRect(&r, 1, 1);
  return r;
}

void TacBtnWnd::DrawCaptionText(const RECT& rect, UINT format) {
  TCanvas& canvas = Binding->Cache()->Canvas();
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  DrawSkinText(canvas, Caption, IsWindowEnabled(WindowHandle) != 0, ButtonState() != 0, *Binding, format, rect);
}

void TacBtnWnd::DrawCaption() {
  TCanvas& canvas = Binding->Cache()->Canvas();
  if (TargetControl())
    canvas.Font().Assign(TargetControl()->Font());
  else
    SelectWindowFont(canvas);
  RECT r = CaptionRect();
  DrawCaptionText(r, CaptionFormat());
  const TsGeneralData* section = Binding->Section();
  if (IsWindowEnabled(WindowHandle) && (SendMessageW(WindowHandle, BM_GETSTATE, 0, 0) & BST_FOCUS) && !Caption.empty() &&
      section && section->ShowFocus) {
    InflateRect(&r, 1, 1);
    DrawFocusDots(canvas, r);
  }
}

void TacBtnWnd::BuildCache() {
  TsSkinManager* manager = Binding->SkinManager();
  TBitmap* cache = Binding->Cache();
  if (!manager || !cache) return;
  const BgInfo bg = TsCommonData::GetWindowParentBgInfo(WindowHandle);
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  TColor parentColor = clFuchsia;
  if (bg.Ready && !Binding->DependsOnParent() && ParentWnd) {
    parentColor = static_cast<TColor>(ColorToRGB(AskColor(ParentWnd)));
  }
  const int w = WindowSize.cx, h = WindowSize.cy;
  cache->SetSize(w, h);
  if (cache->Empty()) return;

  TPaintItemSource item = SectionPaintSource(*Binding, *manager);
  item.HasParent = ParentWnd != nullptr;
  item.ParentColor = parentColor;
  item.DependsOnParent = Binding->DependsOnParent();
  const int state = ButtonState();
  PaintItem(item, bg, true, false, cache->View(), TPoint{ParentOffset.x, ParentOffset.y}, TsRect{0, 0, w, h}, state);
  RepairCorners(state);
  DrawCaption();
  DrawGlyph();
  GdiFlush();
  if (!IsWindowEnabled(WindowHandle) && bg.Ready) {
    const int x = ParentOffset.x + bg.X, y = ParentOffset.y + bg.Y;
    BlendKeyedRect(cache->View(), 0, 0, static_cast<TColor>(0xFF000000u), 0.4, TsRect{x, y, x + w, y + h}, bg.Bmp);
  }
  Binding->BackgroundChangedFlag = false;
}

void TacBtnWnd::Paint(TMessage& message) {
  UpdateGeometry();
  if (message.Msg == WM_PAINT && !ParamsApplied) ApplyParams();
  auto given = reinterpret_cast<HDC>(message.WParam);
  // A print request brings its DC; only a real paint validates the window.
  TPaintDC paint;
  if (!given) paint = TPaintDC::Begin(WindowHandle);
  Binding->UpdatingFlag = Binding->RefreshUpdating();
  if (!Binding->UpdatingFlag) {
    TClientDC own;
    HDC dc = given;
    if (!dc) {
      own = TClientDC::Of(WindowHandle);
      dc = own.Get();
    }
    Binding->BackgroundChangedFlag = true;
    GuardedPaint([&] {
      BuildCache();
      TBitmap* cache = Binding->Cache();
      if (dc && cache && !cache->Empty())
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    });
  }
  message.Result = 0;
}

void TacBtnWnd::Repaint() {
  if (Binding) Binding->BackgroundChangedFlag = true;
  SendMessageW(WindowHandle, WM_PAINT, 0, 0);
}

void TacBtnWnd::Quietly(TMessage& message, bool callOldOnly) {
  SendMessageW(WindowHandle, WM_SETREDRAW, 0, 0);
  if (callOldOnly)
    message.Result = CallOld(message);
  else
    TacMainWnd::WndProc(message);
  if (Destroyed) return;
  SendMessageW(WindowHandle, WM_SETREDRAW, 1, 0);
}

void TacBtnWnd::WndProc(TMessage& message) {
  if (Destroyed || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(WindowHandle) != 0;
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_MOUSEENTER:
        case CMD_MOUSELEAVE: {
          const bool enter = SkinCommandOf(message.WParam) == CMD_MOUSEENTER;
          if (Binding->MouseOverFlag != enter) {
            Binding->MouseOverFlag = enter;
            Repaint();
          }
          break;
        }
        default: break;
      }
      TacMainWnd::WndProc(message);
      return;
    case WM_MOVE: {
      const TsGeneralData* section = Binding->Section();
      if (section && (section->Transparency > 0 || (section->HotTransparency > 0 && Binding->IsActive()))) Repaint();
      TacMainWnd::WndProc(message);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (!IsWindowEnabled(WindowHandle)) {
        // A disabled button never takes the focus.
        if (message.Msg == WM_SETFOCUS)
          message.Result = 0;
        else
          TacMainWnd::WndProc(message);
        return;
      }
      Quietly(message, false);
      if (Destroyed) return;
      Binding->FocusedFlag = message.Msg == WM_SETFOCUS;
      Repaint();
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!visible) {
        TacMainWnd::WndProc(message);
        return;
      }
      Quietly(message, false);
      if (!Destroyed) Repaint();
      return;
    case BM_SETSTATE:
      if (!visible) break;
      Quietly(message, true);
      if (!Destroyed) Repaint();
      return;
    case WM_PAINT:
    case WM_PRINT: Paint(message); return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE: message.Result = 1; return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg == WM_MOUSEMOVE && !Destroyed) TrackHotWindow(WindowHandle, true);
}
