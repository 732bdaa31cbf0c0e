#include "skin/window/acCheckBoxWnd.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Pixels.h"
#include "skin/window/acHandlerPaint.h"

namespace {

// Text place when the skin has no glyph for the checked state.
constexpr int kDefaultGlyph = 16;

bool IsCheckBoxStyle(LONG style) { return IsCheckBoxType(ButtonType(style)); }

}  // namespace

int TacCheckBoxWnd::CheckState() const {
  const LRESULT state = SendMessageW(Window(), BM_GETSTATE, 0, 0);
  if (state & BST_INDETERMINATE) return 2;
  return (state & BST_CHECKED) ? 1 : 0;
}

int TacCheckBoxWnd::VisualState() const {
  const LRESULT state = SendMessageW(Window(), BM_GETSTATE, 0, 0);
  if (state & BST_PUSHED) return 2;
  if (state & BST_FOCUS) return 1;
  const TsSkinManager* manager = DefaultManager();
  return manager && manager->HotWindow() == Window() ? 1 : 0;
}

const char* TacCheckBoxWnd::GlyphName(LONG style, int checkState) {
  static const char* const kBox[] = {"BOXUNCHECKED", "BOXCHECKED", "BOXGRAYED"};
  static const char* const kRadio[] = {"RADIOUNCHECKED", "RADIOCHECKED", "BOXGRAYED"};
  const int state = checkState < 0 || checkState > 2 ? 0 : checkState;
  return IsCheckBoxStyle(style) ? kBox[state] : kRadio[state];
}

int TacCheckBoxWnd::GlyphMask(const char* name) const {
  return Manager() ? GlobalMask(*Manager(), name) : -1;
}

SIZE TacCheckBoxWnd::GlyphSize(const char* name) const {
  const int index = GlyphMask(name);
  if (index < 0 || !Manager()->IsMaskIndexValid(index)) return SIZE{0, 0};
  const TsMaskData& mask = Manager()->Tables().MaskTable[static_cast<size_t>(index)];
  if (mask.Bmp) return SIZE{mask.Bmp->Width() / 3, mask.Bmp->Height() / 2};
  const int frames = mask.ImageCount > 0 ? mask.ImageCount : 1;
  return SIZE{(mask.R.Right - mask.R.Left) / frames, (mask.R.Bottom - mask.R.Top) / (mask.MaskType + 1)};
}

RECT TacCheckBoxWnd::TextRect() const {
  SIZE glyph = GlyphSize(GlyphName(GetWindowLongW(Window(), GWL_STYLE), 1));
  if (glyph.cx <= 0) glyph.cx = kDefaultGlyph;
  return RECT{glyph.cx + 2, 0, WindowSize().cx - 4, WindowSize().cy - 2};
}

void TacCheckBoxWnd::PaintTo(HDC dc) {
  style_ = GetWindowLongW(Window(), GWL_STYLE);
  UpdateGeometry();
  const BgInfo bg = TsCommonData::GetWindowParentBgInfo(Window());
  Binding()->BackgroundChangedFlag = true;
  {
    TBitmap* cache = Binding()->Cache();
    if (!cache) return;
    const int w = WindowSize().cx, h = WindowSize().cy;
    cache->SetPixelFormat(TPixelFormat::pf24bit);
    cache->SetSize(w, h);
    if (cache->Empty()) return;
    TCanvas& canvas = cache->Canvas();
    SelectWindowFont(canvas);
    const TPaintItemSource item = PaintSourceOf(*Binding(), *Manager());
    PaintItem(item, bg, true, false, cache->View(), TPoint{ParentOffset().x, ParentOffset().y}, TsRect{0, 0, w, h},
              Binding()->IsActive() ? 1 : 0);
    const int visual = VisualState();
    const bool enabled = IsWindowEnabled(Window()) != 0;
    const LRESULT buttonState = SendMessageW(Window(), BM_GETSTATE, 0, 0);
    if (!Caption().empty()) {
      const RECT text = TextRect();
      const UINT format = (style_ & BS_MULTILINE) ? DT_CENTER | DT_WORDBREAK : DT_VCENTER | DT_SINGLELINE;
      canvas.Brush().SetStyle(TBrushStyle::bsClear);
      DrawSkinText(canvas, Caption(), enabled, visual == 1, *Binding(), format, text);
      if (buttonState & BST_FOCUS) DrawFocusDots(canvas, RECT{text.left, 2, text.right, text.bottom});
    }
    GdiFlush();
    const char* name = GlyphName(style_, CheckState());
    const TMaskRef glyph = MaskRef(Manager()->Tables(), GlyphMask(name));
    if (glyph.Valid()) {
      const SIZE size = GlyphSize(name);
      PaintGlyphMask(cache->View(), TPoint{0, (h - size.cy) / 2}, visual, glyph, true);
    }
    if (!enabled && bg.Ready) {
      const int x = ParentOffset().x + bg.X, y = ParentOffset().y + bg.Y;
      BlendKeyedRect(cache->View(), 0, 0, static_cast<TColor>(0xFF000000u), 0.4, TsRect{x, y, x + w, y + h}, bg.Bmp);
    }
    Binding()->BackgroundChangedFlag = false;
    BitBlt(dc, 0, 0, w, h, canvas.Handle(), 0, 0, SRCCOPY);
  }
}

void TacCheckBoxWnd::Repaint() {
  if (Destroyed()) return;
  Binding()->BackgroundChangedFlag = true;
  RepaintNow();
}

void TacCheckBoxWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
      if (!IsWindowVisible(Window())) break;
      WithoutRedraw(*this, [&] { TacMainWnd::WndProc(message); });
      Repaint();
      return;
    case WM_PAINT:
      if (!IsWindowVisible(Window())) {
        // Nothing to show: validated only.
        const TPaintDC paint = TPaintDC::Begin(Window());
        message.Result = 0;
        return;
      }
      PaintMessage(message);
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    case SM_SKINCMD:
      if (const WORD command = SkinCommandOf(message.WParam); command == CMD_MOUSEENTER || command == CMD_MOUSELEAVE)
        Repaint();
      break;
    default: break;
  }
  TacMainWnd::WndProc(message);
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Repaint(); break;
    case WM_KEYDOWN:
      if (message.WParam == VK_SPACE) Repaint();
      break;
    case WM_NCHITTEST:
      if (TsSkinManager* manager = DefaultManager();
          manager && IsWindowEnabled(Window()) && manager->HotWindow() != Window())
        manager->SetHotWindow(Window());
      break;
    default: break;
  }
}
