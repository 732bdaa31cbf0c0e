#include "skin/window/acComboBoxWnd.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"
#include "skin/window/acHandlerPaint.h"

// ---------------------------------------------------------------- TacComboListWnd

void TacComboListWnd::ListFrame() {
  UpdateGeometry();
  if (SimpleBox) {
    SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
    return;
  }
  Binding()->UpdateIndexes();
  ApplyParams();
  TBitmap* cache = Binding()->Cache();
  if (!cache) return;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(WindowSize().cx, WindowSize().cy);
  TCanvas& canvas = cache->Canvas();
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas.Brush().SetColor(EditColor);
  canvas.Pen().SetColor(EditFrameColor);
  canvas.Rectangle(RECT{0, 0, WindowSize().cx, WindowSize().cy});
  GdiFlush();
  Binding()->BackgroundChangedFlag = false;
}

void TacComboListWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
    case WM_HSCROLL:
    case WM_VSCROLL: message.Result = CallOld(message); return;
    case WM_NCCALCSIZE: TacScrollWnd::WndProc(message); return;  // the bars' room only
    case WM_NCPAINT: {
      if (SendingScroll()) break;
      message.Result = 0;
      try {
        ListFrame();
        if (!DialogMode()) RepairCorners(0);
        TWindowDC window = TWindowDC::Of(Window());
        TBitmap* cache = Binding()->Cache();
        if (!window || !cache || cache->Empty()) return;
        const TSavedDC state(window.Get());
        CopyBorderRing(window.Get(), 0, 0, 2, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
        PaintBars(window.Get());
      } catch (...) {
        // The list keeps whatever frame it had.
      }
      return;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      const LRESULT hit = SendMessageW(Window(), WM_NCHITTEST, 0, message.LParam);
      message.WParam = static_cast<WPARAM>(hit);
      if (hit == HTHSCROLL || hit == HTVSCROLL)
        TacScrollWnd::WndProc(message);
      else
        message.Result = 0;
      return;
    }
    // The list would repeat a held arrow for ever: the platform keeps the capture.
    case WM_TIMER: message.Result = 0; return;
    case LBCB_STARTTRACK: Tracking = true; break;
    case LBCB_ENDTRACK:
      Tracking = false;
      Binding()->BackgroundChangedFlag = true;
      break;
    case WM_LBUTTONUP:
      TacScrollWnd::WndProc(message);
      if (SimpleBox) ReleaseCapture();
      return;
    case WM_PRINT:
    case WM_PRINTCLIENT: {
      auto dc = reinterpret_cast<HDC>(message.WParam);
      if (!dc || !IsWindowVisible(Window())) break;
      ListFrame();
      message.Result = CallOld(message);
      if (message.Msg == WM_PRINT && SendMessageW(Window(), LB_GETCOUNT, 0, 0) >= 1) {
        TBitmap* cache = Binding()->Cache();
        if (ScrollTracking().PressedPart == spNone && !Tracking && cache && !cache->Empty())
          CopyBorderRing(dc, 0, 0, 3, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
        PaintBars(dc);
      }
      return;
    }
    default: break;
  }
  TacEditWnd::WndProc(message);
  if (!Destroyed() && message.Msg == WM_WINDOWPOSCHANGED) RefreshBars(true);
}

// ---------------------------------------------------------------- TacComboBoxWnd

TacComboBoxWnd::~TacComboBoxWnd() {
  ListHandler.reset();
  Shutdown();
}

bool TacComboBoxWnd::ShowsButton() const { return HasDropDownButton(ComboType(GetWindowLongW(Window(), GWL_STYLE))); }

RECT TacComboBoxWnd::ButtonRect() const {
  RECT w{};
  GetWindowRect(Window(), &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  const int bw = ShowsButton() ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const int left = (GetWindowLongW(Window(), GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : width - bw - 2;
  return RECT{left, 2, left + bw, height - 2};
}

int TacComboBoxWnd::GlyphHeight() const {
  TsSkinManager* manager = Binding() ? Binding()->SkinManager() : nullptr;
  if (!manager) return 16;
  const int glyph = manager->StandardIndexes().ComboGlyph;
  if (!manager->IsMaskIndexValid(glyph)) return 16;
  const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(glyph)];
  return (mask.R.Bottom - mask.R.Top) / (mask.MaskType + 1);
}

int TacComboBoxWnd::ButtonState() const {
  if (ListWnd && IsWindowVisible(ListWnd)) return 2;
  TsSkinManager* manager = DefaultManager();
  if ((Binding() && Binding()->IsActive()) || (manager && manager->HotWindow() == Window())) return 1;
  return 0;
}

void TacComboBoxWnd::DrawButton(HDC dc) {
  TBitmap* cache = Binding()->Cache();
  TsSkinManager* manager = Binding()->SkinManager();
  if (!dc || !cache || cache->Empty() || !manager) return;
  const RECT b = ButtonRect();
  if (b.right <= b.left) return;
  // The button is composed in a picture kept between hovers, over the cache's pixels
  // under the button only.
  TBitmap& copy = buttonPicture_;
  copy.SetPixelFormat(TPixelFormat::pf24bit);
  copy.SetSize(cache->Width(), cache->Height());
  BitBlt(copy.Canvas().Handle(), b.left, b.top, b.right - b.left, b.bottom - b.top, cache->Canvas().Handle(), b.left,
         b.top, SRCCOPY);
  GdiFlush();
  const TsStandardIndexes& s = manager->StandardIndexes();
  const int state = ButtonState();
  const TSurfaceView view = copy.View();
  if (manager->IsSectionIndexValid(s.ComboButtonSection)) {
    const BgInfo bg{cache->View(), 0, 0, true};
    PaintSection(s.ComboButtonSection, "COMBOBTN", bg, s.ComboButtonHotPattern, s.ComboButtonPattern,
                 &manager->Tables(), view, TPoint{0, 0}, TsRect{b.left, b.top, b.right, b.bottom}, state, true);
  }
  const TMaskRef glyph = MaskRef(manager->Tables(), s.ComboGlyph);
  if (glyph.Valid()) {
    const int frameWidth = glyph.FrameWidth();
    PaintGlyphMask(view, TPoint{b.left + (b.right - b.left - frameWidth) / 2, (view.height - GlyphHeight()) / 2}, state,
                   glyph, true);
  }
  GdiFlush();
  BitBlt(dc, b.left, b.top, b.right - b.left, b.bottom - b.top, copy.Canvas().Handle(), b.left, b.top, SRCCOPY);
}

void TacComboBoxWnd::DrawButtonOnWindow() {
  if (Destroyed() || !IsWindowVisible(Window())) return;
  try {
    TWindowDC window = TWindowDC::Of(Window());
    DrawButton(window.Get());
  } catch (...) {
    // The button stays as it was drawn last.
  }
}

void TacComboBoxWnd::SimpleFrame() {
  TBitmap* cache = Binding()->Cache();
  TsSkinManager* manager = Binding()->SkinManager();
  if (!cache || !manager) return;
  const int height = static_cast<int>(SendMessageW(Window(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 8;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(WindowSize().cx, height);
  const TSurfaceView view = cache->View();
  const TColor border = manager->GlobalInfo().BorderColor;
  if (DialogMode() && border != clFuchsia) {
    FillFramed(view, static_cast<TColor>(ColorToRGB(clWindow)), SkinColorToRGB(border));
    return;
  }
  TPaintItemSource item = SectionPaintSource(*Binding(), *manager);
  item.HasParent = true;
  PaintItem(item, TsCommonData::GetWindowParentBgInfo(Window()), true, true, view, TPoint{0, 0},
            TsRect{0, 0, view.width, view.height}, Binding()->IsActive() ? 1 : 0);
}

void TacComboBoxWnd::DrawComboText() {
  TBitmap* cache = Binding()->Cache();
  if (!cache || cache->Empty()) return;
  TCanvas& canvas = cache->Canvas();
  if (TControl* control = Binding()->OwnerControl())
    canvas.Font().Assign(control->Font());
  else
    SelectWindowFont(canvas);
  const RECT b = ButtonRect();
  RECT r{3, 3, b.left, WindowSize().cy - 3};
  const int index = static_cast<int>(SendMessageW(Window(), CB_GETCURSEL, 0, 0));
  String text;
  if (index >= 0) {
    const LRESULT length = SendMessageW(Window(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length > 0) {
      text.resize(static_cast<size_t>(length) + 1);
      const LRESULT got = SendMessageW(Window(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    }
  } else {
    text = Caption();
  }
  const bool dropDownList = ComboType(GetWindowLongW(Window(), GWL_STYLE)) == CBS_DROPDOWNLIST;
  const bool focused = GetFocus() == Window();
  if (dropDownList && focused) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clHighlight);
    canvas.FillRect(r);
    canvas.Font().SetColor(clHighlightText);
  }
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const int d = dropDownList ? 1 : 0;
  RECT textRect{r.left + d, r.top + d, r.right, r.bottom};
  canvas.DrawText(text, textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (dropDownList && focused) DrawFocusRect(canvas.Handle(), &r);
  GdiFlush();
}

void TacComboBoxWnd::Paint(TMessage& message) {
  UpdateGeometry();
  TMessage platform{message.Msg, message.WParam, message.LParam, 0};
  message.Result = CallOld(platform);
  try {
    TWindowDC own;
    const HDC dc = GivenOrWindowDC(reinterpret_cast<HDC>(message.WParam), Window(), own);
    if (!dc) return;
    const bool simple = ComboType(GetWindowLongW(Window(), GWL_STYLE)) == CBS_SIMPLE;
    if (simple) {
      SimpleFrame();
    } else {
      Binding()->BackgroundChangedFlag = true;
      SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
    }
    TBitmap* cache = Binding()->Cache();
    if (!cache || cache->Empty()) return;
    CopyBorderRing(dc, 0, 0, 3, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
    if (!simple) DrawButton(dc);
  } catch (...) {
    // The platform's picture stays.
  }
}

void TacComboBoxWnd::Print(TMessage& message) {
  UpdateGeometry();
  Binding()->UpdatingFlag = false;
  Binding()->BackgroundChangedFlag = true;
  try {
    if (!ParamsApplied()) ApplyParams();
    if (ComboType(GetWindowLongW(Window(), GWL_STYLE)) == CBS_SIMPLE)
      SimpleFrame();
    else
      SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
    PrepareWindowCache(*Binding(), Window(), DialogMode());
    DrawComboText();
    RepairCorners(0);
    TBitmap* cache = Binding()->Cache();
    auto dc = reinterpret_cast<HDC>(message.WParam);
    if (dc && cache && !cache->Empty()) {
      BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
      DrawButton(dc);
    }
  } catch (...) {
    // Nothing more is printed.
  }
  message.Result = 0;
}

void TacComboBoxWnd::ListColors(TMessage& message) {
  TacEditWnd::WndProc(message);
  if (Destroyed()) return;
  if (!ListWnd) {
    ListWnd = reinterpret_cast<HWND>(message.LParam);
    if (!ListHandler && ListWnd) {
      // The list is a dialog's window exactly when its combo box is one of a dialog's.
      const TDialogHandlersScope dialog(Binding()->OwnerControl() ? DialogModeDefault() : DialogMode());
      const bool items = SendMessageW(Window(), CB_GETCOUNT, 0, 0) > 0;
      ListHandler = TacMainWnd::Create<TacComboListWnd>(ListWnd, items, std::string("EDIT"), Manager(), nullptr);
      ListHandler->SimpleBox = ComboType(GetWindowLongW(Window(), GWL_STYLE)) == CBS_SIMPLE;
    }
  }
  // Every request is answered, with one brush kept for the list's colour.
  const int index = static_cast<int>(SendSkinCommand(ListWnd, CMD_GETSKININDEX, 0)) - 1;
  if (index < 0 || DialogMode() || !Manager() || !Manager()->IsSectionIndexValid(index)) return;
  const TsGeneralData& section = Manager()->Tables().SectionTable[static_cast<size_t>(index)];
  const auto dc = reinterpret_cast<HDC>(message.WParam);
  const COLORREF back = static_cast<COLORREF>(SkinColorToRGB(section.Color));
  SetTextColor(dc, static_cast<COLORREF>(SkinColorToRGB(section.FontColor[0])));
  SetBkColor(dc, back);
  if (!listBrush_ || listBrushColor_ != back) {
    listBrush_ = NewSolidBrush(back);
    listBrushColor_ = back;
  }
  message.Result = reinterpret_cast<LRESULT>(listBrush_.Get());
}

void TacComboBoxWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (IsSkinCommand(message, CMD_MOUSEENTER) || IsSkinCommand(message, CMD_MOUSELEAVE)) {
        TacEditWnd::WndProc(message);
        DrawButtonOnWindow();
        return;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_LBUTTONUP:
      TacEditWnd::WndProc(message);
      DrawButtonOnWindow();
      return;
    case WM_PAINT: Paint(message); return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 0; return;
    case WM_NCCALCSIZE:
      TacEditWnd::WndProc(message);
      LeftEdge = 3;
      return;
    case WM_CTLCOLORLISTBOX: ListColors(message); return;
    case WM_PRINT: Print(message); return;
    default: break;
  }
  TacEditWnd::WndProc(message);
}

