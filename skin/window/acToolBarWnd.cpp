#include "skin/window/acToolBarWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Stretch.h"
#include "skin/window/acHandlerPaint.h"

namespace {

constexpr double kDisabledBlend = 0.4;

String ButtonText(HWND bar, int command) {
  const LRESULT length = SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), 0);
  if (length <= 0) return String();
  String text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace

void TacToolBarWnd::SplitCaption(TCanvas& canvas, const String& text, int width, String& first, String& rest) {
  first = text;
  rest.clear();
  if (canvas.TextWidth(text) <= width) return;
  size_t end = 0;  // end of the last word that fits
  for (size_t space = text.find(L' '); space != String::npos; space = text.find(L' ', space + 1)) {
    if (canvas.TextWidth(text.substr(0, space)) > width) break;
    end = space;
  }
  if (end == 0) return;
  first = text.substr(0, end);
  const size_t next = text.find_first_not_of(L' ', end);
  rest = next == String::npos ? String() : text.substr(next);
}

void TacToolBarWnd::Prepare() {
  if (!Binding()->BackgroundChangedFlag) return;
  UpdateGeometry();
  GetClientRect(Window(), &BarClientRect);
  PrepareWindowCache(*Binding(), Window(), false);
  RepairCorners(0);
  POINT origin{0, 0};
  ClientToScreen(Window(), &origin);
  BarBorder = POINT{origin.x - WindowRect().left, origin.y - WindowRect().top};
  Binding()->BackgroundChangedFlag = false;
}

int TacToolBarWnd::ButtonStateOf(const TBBUTTON& button, const RECT& place) const {
  if (!(button.fsState & TBSTATE_ENABLED)) return 0;
  if (button.fsState & TBSTATE_PRESSED) return 2;
  POINT p{};
  GetCursorPos(&p);
  RECT screen = place;
  OffsetRect(&screen, WindowRect().left, WindowRect().top);
  return PtInRect(&screen, p) ? 1 : 0;
}

void TacToolBarWnd::PaintButton(int index, const RECT& place, TBitmap& picture) {
  TBBUTTON button{};
  if (!SendMessageW(Window(), TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) return;
  // Separators and hidden buttons show the bar.
  if ((button.fsStyle & BTNS_SEP) || (button.fsState & TBSTATE_HIDDEN)) return;
  const int w = place.right - place.left, h = place.bottom - place.top;
  if (w <= 0 || h <= 0) return;
  TBitmap* cache = Binding()->Cache();
  const int state = ButtonStateOf(button, place);
  const int shift = state == 2 ? 1 : 0;
  TBitmap surface(w, h);
  const TsSkinTables& skin = Manager()->Tables();
  const int section = Manager()->SectionIndex("TOOLBUTTON");
  const BgInfo bg{cache->View(), 0, 0, true};
  PaintSection(section, "TOOLBUTTON", bg, -1, -1, &skin, surface.View(), TPoint{place.left, place.top},
               TsRect{0, 0, w, h}, state, true);

  int imageHeight = 0;
  const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Window(), TB_GETIMAGELIST, 0, 0));
  // Index 0 is the list's first image; only I_IMAGENONE and the other negative codes mean none.
  if (images && button.iBitmap >= 0) {
    int iw = 0, ih = 0;
    ImageList_GetIconSize(images, &iw, &ih);
    imageHeight = ih;
    int room = w;
    if (button.fsStyle & BTNS_WHOLEDROPDOWN) {
      const TMaskRef arrow = MaskRef(skin, Manager()->StandardIndexes().ScrollButtonGlyphs[1]);
      if (arrow.Valid()) {
        const TPoint at{w - arrow.FrameWidth() - 2 + shift, (h - arrow.FrameHeight()) / 2 + shift};
        PaintGlyphMask(surface.View(), at, state, arrow, true);
        room = w - arrow.FrameWidth() - 2;
      }
    }
    GdiFlush();
    ImageList_SetBkColor(images, CLR_NONE);
    ImageList_Draw(images, button.iBitmap, surface.Canvas().Handle(), (room - iw) / 2 + shift, 4 + shift, ILD_TRANSPARENT);
  }

  const String text = ButtonText(Window(), button.idCommand);
  if (!text.empty()) {
    RECT r{2 + shift, 2 + (imageHeight > 0 ? imageHeight + 2 : 0) + shift, w - 2 + shift, h - 2 + shift};
    TCanvas& canvas = surface.Canvas();
    SelectWindowFont(canvas);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const bool enabled = (button.fsState & TBSTATE_ENABLED) != 0;
    const auto draw = [&](const String& line, UINT format, const RECT& at) {
      if (state != 0)
        DrawSectionText(canvas, line, enabled, Manager(), true, section, format, at);
      else
        DrawSkinText(canvas, line, enabled, false, *Binding(), format, at);
    };
    String first, rest;
    SplitCaption(canvas, text, r.right - r.left, first, rest);
    if (rest.empty()) {
      draw(text, DT_END_ELLIPSIS | DT_WORDBREAK | DT_VCENTER | DT_CENTER, r);
    } else {
      const int line = canvas.TextHeight(L"W");
      draw(first, DT_CENTER | DT_SINGLELINE, RECT{r.left, r.top, r.right, r.top + line});
      draw(rest, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS, RECT{r.left, r.top + line, r.right, r.bottom});
    }
  }
  GdiFlush();
  if (!(button.fsState & TBSTATE_ENABLED))
    BlendKeyedRect(surface.View(), 0, 0, static_cast<TColor>(0xFF000000u), kDisabledBlend,
                   TsRect{place.left, place.top, place.right - 1, place.bottom - 1}, cache->View());
  CopyBlock(picture.View(), place.left, place.top, surface.View(), TsRect{0, 0, w, h});
}

void TacToolBarWnd::PaintTo(HDC dc) {
  UpdateGeometry();
  Binding()->UpdatingFlag = ParentWnd() && AskWindow(GetParent(Window()), CMD_ISBGBUSY);
  if (Binding()->UpdatingFlag) return;
  {
    Binding()->BackgroundChangedFlag = true;
    Prepare();
    TBitmap* cache = Binding()->Cache();
    if (!cache || cache->Empty()) return;
    TBitmap picture(cache->Width(), cache->Height());
    CopyBlock(picture.View(), 0, 0, cache->View(), TsRect{0, 0, cache->Width(), cache->Height()});
    const auto count = static_cast<int>(SendMessageW(Window(), TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      RECT r{};
      if (!SendMessageW(Window(), TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
      OffsetRect(&r, BarBorder.x, BarBorder.y);
      PaintButton(i, r, picture);
    }
    BitBlt(dc, 0, 0, BarClientRect.right, BarClientRect.bottom, picture.Canvas().Handle(), BarBorder.x, BarBorder.y,
           SRCCOPY);
  }
}

void TacToolBarWnd::PaintNonClient() {
  if (AskWindow(GetParent(Window()), CMD_ISBGBUSY)) return;
  GuardedPaint([&] {
    Prepare();
    TBitmap* cache = Binding()->Cache();
    if (!cache || cache->Empty()) return;
    TWindowDC dc = TWindowDC::Of(Window());
    if (!dc.Get()) return;
    // Everything of the window outside its client area (border, divider) from the cache.
    const TSavedDC state(dc.Get());
    ExcludeClipRect(dc.Get(), BarBorder.x, BarBorder.y, BarBorder.x + BarClientRect.right,
                    BarBorder.y + BarClientRect.bottom);
    BitBlt(dc.Get(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
  });
}

void TacToolBarWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      Binding()->BackgroundChangedFlag = true;
      TacMainWnd::WndProc(message);
      if (!Destroyed()) SendMessageW(Window(), WM_NCPAINT, 1, 0);
      return;
    case WM_PAINT:
      UpdateGeometry();
      PaintMessage(message);
      return;
    case WM_ERASEBKGND: message.Result = 0; return;
    case WM_NCPAINT:
      UpdateGeometry();
      Binding()->BackgroundChangedFlag = true;
      PaintNonClient();
      message.Result = 0;
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (message.Msg == WM_MOUSEMOVE && !Destroyed()) TrackHotWindow(Window());
}
