#include "skin/window/acEditWnd.h"

#include <richedit.h>

#include <algorithm>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"

namespace {

void NcPaintIfVisible(HWND window) {
  if (IsWindowVisible(window)) SendMessageW(window, WM_NCPAINT, 1, 0);
}

bool OwnCommand(const TMessage& message, WORD command, const TsSkinManager* manager) {
  return IsSkinCommand(message, command) && reinterpret_cast<TsSkinManager*>(message.LParam) == manager;
}

}  // namespace

// ---------------------------------------------------------------- TacBaseWnd

void TacBaseWnd::WndProc(TMessage& message) {
  if (Destroyed || !Binding || !Skinned()) {
    TacScrollWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (OwnCommand(message, CMD_REPAINT, Manager)) {
        TacScrollWnd::WndProc(message);
        if (!Destroyed) NcPaintIfVisible(WindowHandle);
        return;
      }
      if (IsSkinCommand(message, CMD_PREPARECACHE)) PrepareWindowCache(*Binding, WindowHandle, false);
      break;
    case WM_SIZE: Binding->BackgroundChangedFlag = true; break;
    case WM_SETCURSOR: message.Result = CallOld(message); return;
    case 0x2100: message.Result = 0; return;
    default: break;
  }
  TacScrollWnd::WndProc(message);
  AfterBase(message);
}

void TacBaseWnd::AfterBase(const TMessage& message) {
  if (Destroyed) return;
  switch (message.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!SendingScroll) RefreshBars(true);
      break;
    case WM_ENABLE:
    case CM_ENABLEDCHANGED: NcPaintIfVisible(WindowHandle); break;
    default: break;
  }
}

// ---------------------------------------------------------------- TacEditWnd: colours

// RestoreParams runs while the final class is still whole.
TacEditWnd::~TacEditWnd() { Shutdown(); }

void TacEditWnd::SaveParams() {
  if (TControl* control = Binding ? Binding->OwnerControl() : nullptr) {
    SavedColor = control->Color();
    SavedFontColor = control->Font().Color();
  }
}

void TacEditWnd::ApplyParams() {
  NoStyleChange = true;
  ParamsApplied = true;
  const TsGeneralData* section = Binding ? Binding->Section() : nullptr;
  if (TControl* control = Binding ? Binding->OwnerControl() : nullptr) {
    if (section && !Binding->CustomColor()) {
      if (section->Transparency > 0) {
        ParentColorSlot() = clFuchsia;
        TColor color = clFuchsia;
        if (TWinControl* parent = control->Parent()) {
          if (parent->HandleAllocated()) SendSkinCommand(parent->Handle(), CMD_GETCOLOR, 0);
          color = ParentColorSlot() != clFuchsia ? ParentColorSlot() : parent->Color();
        }
        if (color != clFuchsia) control->SetColor(static_cast<TColor>(ColorToRGB(color)));
      } else if (control->Color() != SkinColorToRGB(section->Color)) {
        control->SetColor(SkinColorToRGB(section->Color));
      }
    }
    if (section && !Binding->CustomFont()) {
      const TColor font = SkinColorToRGB(section->HotFontColor[0]);
      if (control->Font().Color() != font) {
        const bool was = Binding->UpdatingFlag;
        Binding->UpdatingFlag = true;
        control->Font().SetColor(font);
        Binding->UpdatingFlag = was;
      }
    }
  } else {
    EditColor = clWindow;
    if (!DialogMode && section) EditColor = SkinColorToRGB(section->Color);
    EditFrameColor = clBlack;
  }
  if (Binding) Binding->BackgroundChangedFlag = true;
  NoStyleChange = false;
}

void TacEditWnd::RestoreParams() {
  if (IsWindow(WindowHandle))
    SetWindowPos(WindowHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  TControl* control = Binding ? Binding->OwnerControl() : nullptr;
  if (!control || control->IsDestroying()) return;
  if (SavedColor != clFuchsia) control->SetColor(SavedColor);
  if (SavedFontColor != clFuchsia) control->Font().SetColor(SavedFontColor);
}

// ---------------------------------------------------------------- TacEditWnd: messages

bool TacEditWnd::Updating() {
  Binding->UpdatingFlag = Binding->RefreshUpdating();
  return Binding->UpdatingFlag;
}

void TacEditWnd::WndProc(TMessage& message) {
  if (Destroyed || !Binding || !Skinned()) {
    TacBaseWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(WindowHandle) != 0;
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_REPAINT:
          if (reinterpret_cast<TsSkinManager*>(message.LParam) == Manager) ApplyParams();
          TacBaseWnd::WndProc(message);
          return;
        case CMD_PARENTDONE:
          if (Binding->RefreshUpdating()) {
            Binding->UpdatingFlag = false;
            RedrawWindow(WindowHandle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          }
          TacBaseWnd::WndProc(message);
          return;
        case CMD_ISSKINNED: message.LParam = message.Result = 1; return;
        case CMD_PREPARECACHE:
          PrepareWindowCache(*Binding, WindowHandle, DialogMode);
          RepairCorners(0);
          return;
        case CMD_GETSKININDEX: message.Result = Binding->SectionIndex + 1; return;
        case CMD_GETAPPLICATION: message.Result = reinterpret_cast<LRESULT>(Application); return;
        default: break;
      }
      break;
    case WM_PAINT:
    case WM_ERASEBKGND:
      if (!visible) break;
      if (Updating()) {
        // Validated without painting: the parent or the manager is busy.
        if (message.Msg == WM_PAINT) TPaintDC paint = TPaintDC::Begin(WindowHandle);
        message.Result = message.Msg == WM_ERASEBKGND ? 1 : 0;
        return;
      }
      if (!ParamsApplied) ApplyParams();
      break;
    case WM_NCPAINT:
      if (!visible) break;
      NcPaint(message);
      return;
    case WM_PRINT: Print(message); return;
    case EM_SETCHARFORMAT:
      if (Binding->RefreshUpdating()) {
        message.Result = 0;
        return;
      }
      break;
    default: break;
  }
  TacBaseWnd::WndProc(message);
  AfterEdit(message);
}

void TacEditWnd::AfterEdit(const TMessage& message) {
  if (Destroyed) return;
  switch (message.Msg) {
    case WM_SIZE: NcPaintIfVisible(WindowHandle); break;
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETTOPINDEX:
    // The platform's SetScrollInfo draws its own bar over ours when the count changes.
    case LB_DELETESTRING:
    case LB_RESETCONTENT: RefreshBars(true); break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case CN_KEYDOWN:
    case CN_KEYUP:
      if (!SendingScroll) RefreshBars(true);
      break;
    default: break;
  }
}

void TacEditWnd::PrepareFrame() {
  if (Binding->BackgroundChangedFlag) {
    if (!ParamsApplied) ApplyParams();
    PrepareWindowCache(*Binding, WindowHandle, DialogMode);
    RepairCorners(0);
  }
  if (!DialogMode) RepairCorners(0);
}

bool TacEditWnd::PaintFrame(HDC dc) {
  TBitmap* cache = Binding->Cache();
  if (!dc || !cache || cache->Empty()) return false;
  const TSavedDC state(dc);
  CopyBorderRing(dc, 0, 0, LeftEdge, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
  PaintBars(dc);
  return true;
}

void TacEditWnd::NcPaint(TMessage& message) {
  UpdateGeometry();
  message.Result = 0;
  if (Updating()) return;
  try {
    PrepareFrame();
    TWindowDC window = TWindowDC::Of(WindowHandle);
    PaintFrame(window.Get());
  } catch (...) {
    // A frame that cannot be drawn stays as it was.
  }
}

void TacEditWnd::Print(TMessage& message) {
  auto dc = reinterpret_cast<HDC>(message.WParam);
  Binding->UpdatingFlag = false;
  Binding->BackgroundChangedFlag = true;
  UpdateGeometry();
  try {
    if (!ParamsApplied) ApplyParams();
    PrepareWindowCache(*Binding, WindowHandle, DialogMode);
    if (!DialogMode) RepairCorners(0);
    PaintFrame(dc);
  } catch (...) {
    // The client area is still printed below.
  }
  TBitmap* cache = Binding->Cache();
  if (dc && cache && !cache->Empty()) {
    const TSavedDC state(dc);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - LeftEdge, origin.y - LeftEdge, nullptr);
    const int width = cache->Width() - 2 * LeftEdge - (VertBar->Shown ? VertBar->Thickness() : 0);
    const int height = cache->Height() - 2 * LeftEdge - (HorzBar->Shown ? HorzBar->Thickness() : 0);
    IntersectClipRect(dc, 0, 0, width, height);
    SendMessageW(WindowHandle, WM_ERASEBKGND, message.WParam, 0);
    SendMessageW(WindowHandle, WM_PAINT, message.WParam, 0);
    SendMessageW(WindowHandle, WM_PRINTCLIENT, message.WParam, PRF_CLIENT | PRF_OWNED);
  }
  // Frame, bars and client are drawn: the window's own procedure prints the rest (children,
  // owned windows) only.
  message.LParam &= ~static_cast<LPARAM>(PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  message.Result = CallOld(message);
}

// ---------------------------------------------------------------- TacComboListWnd

void TacComboListWnd::ListFrame() {
  UpdateGeometry();
  if (SimpleBox) {
    SendSkinCommand(WindowHandle, CMD_PREPARECACHE, 0);
    return;
  }
  Binding->UpdateIndexes();
  ApplyParams();
  TBitmap* cache = Binding->Cache();
  if (!cache) return;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(WindowSize.cx, WindowSize.cy);
  TCanvas& canvas = cache->Canvas();
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas.Brush().SetColor(EditColor);
  canvas.Pen().SetColor(EditFrameColor);
  canvas.Rectangle(RECT{0, 0, WindowSize.cx, WindowSize.cy});
  GdiFlush();
  Binding->BackgroundChangedFlag = false;
}

void TacComboListWnd::WndProc(TMessage& message) {
  if (Destroyed || !Binding || !Skinned()) {
    TacEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
    case WM_HSCROLL:
    case WM_VSCROLL: message.Result = CallOld(message); return;
    case WM_NCCALCSIZE: TacScrollWnd::WndProc(message); return;  // the bars' room only
    case WM_NCPAINT: {
      if (SendingScroll) break;
      message.Result = 0;
      try {
        ListFrame();
        if (!DialogMode) RepairCorners(0);
        TWindowDC window = TWindowDC::Of(WindowHandle);
        TBitmap* cache = Binding->Cache();
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
      const LRESULT hit = SendMessageW(WindowHandle, WM_NCHITTEST, 0, message.LParam);
      message.WParam = static_cast<WPARAM>(hit);
      if (hit == HTHSCROLL || hit == HTVSCROLL)
        TacScrollWnd::WndProc(message);
      else
        message.Result = 0;
      return;
    }
    // The list would repeat a held arrow for ever: the platform keeps the capture.
    case WM_TIMER: message.Result = 0; return;
    case 0x1AE: Tracking = true; break;
    case 0x1AF:
      Tracking = false;
      Binding->BackgroundChangedFlag = true;
      break;
    case WM_LBUTTONUP:
      TacScrollWnd::WndProc(message);
      if (SimpleBox) ReleaseCapture();
      return;
    case WM_PRINT:
    case WM_PRINTCLIENT: {
      auto dc = reinterpret_cast<HDC>(message.WParam);
      if (!dc || !IsWindowVisible(WindowHandle)) break;
      ListFrame();
      message.Result = CallOld(message);
      if (message.Msg == WM_PRINT && SendMessageW(WindowHandle, LB_GETCOUNT, 0, 0) >= 1) {
        TBitmap* cache = Binding->Cache();
        if (ScrollTracking().PressedPart == spNone && !Tracking && cache && !cache->Empty())
          CopyBorderRing(dc, 0, 0, 3, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
        PaintBars(dc);
      }
      return;
    }
    default: break;
  }
  TacEditWnd::WndProc(message);
  if (!Destroyed && message.Msg == WM_WINDOWPOSCHANGED) RefreshBars(true);
}

// ---------------------------------------------------------------- TacComboBoxWnd

TacComboBoxWnd::~TacComboBoxWnd() {
  ListHandler.reset();
  Shutdown();
}

bool TacComboBoxWnd::ShowsButton() const { return (GetWindowLongW(WindowHandle, GWL_STYLE) & 2) != 0; }

RECT TacComboBoxWnd::ButtonRect() const {
  RECT w{};
  GetWindowRect(WindowHandle, &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  const int bw = ShowsButton() ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const int left = (GetWindowLongW(WindowHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : width - bw - 2;
  return RECT{left, 2, left + bw, height - 2};
}

int TacComboBoxWnd::GlyphHeight() const {
  TsSkinManager* manager = Binding ? Binding->SkinManager() : nullptr;
  if (!manager) return 16;
  const int glyph = manager->StandardIndexes().ComboGlyph;
  if (!manager->IsMaskIndexValid(glyph)) return 16;
  const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(glyph)];
  return (mask.R.Bottom - mask.R.Top) / (mask.MaskType + 1);
}

int TacComboBoxWnd::ButtonState() const {
  if (ListWnd && IsWindowVisible(ListWnd)) return 2;
  TsSkinManager* manager = DefaultManager();
  if ((Binding && Binding->IsActive()) || (manager && manager->HotWindow() == WindowHandle)) return 1;
  return 0;
}

void TacComboBoxWnd::DrawButton(HDC dc) {
  TBitmap* cache = Binding->Cache();
  TsSkinManager* manager = Binding->SkinManager();
  if (!dc || !cache || cache->Empty() || !manager) return;
  const RECT b = ButtonRect();
  if (b.right <= b.left) return;
  TBitmap copy(cache->Width(), cache->Height(), TPixelFormat::pf24bit);
  BitBlt(copy.Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
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
  if (Destroyed || !IsWindowVisible(WindowHandle)) return;
  try {
    TWindowDC window = TWindowDC::Of(WindowHandle);
    DrawButton(window.Get());
  } catch (...) {
    // The button stays as it was drawn last.
  }
}

void TacComboBoxWnd::SimpleFrame() {
  TBitmap* cache = Binding->Cache();
  TsSkinManager* manager = Binding->SkinManager();
  if (!cache || !manager) return;
  const int height = static_cast<int>(SendMessageW(WindowHandle, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 8;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(WindowSize.cx, height);
  const TSurfaceView view = cache->View();
  const TColor border = manager->GlobalInfo().BorderColor;
  if (DialogMode && border != clFuchsia) {
    const TColor rgb = SkinColorToRGB(border);
    FillRectColor(view, TsRect{0, 0, view.width, view.height}, static_cast<TColor>(ColorToRGB(clWindow)));
    FillRectColor(view, TsRect{0, 0, view.width, 1}, rgb);
    FillRectColor(view, TsRect{0, view.height - 1, view.width, view.height}, rgb);
    FillRectColor(view, TsRect{0, 0, 1, view.height}, rgb);
    FillRectColor(view, TsRect{view.width - 1, 0, view.width, view.height}, rgb);
    return;
  }
  TPaintItemSource item;
  item.Skin = &manager->Tables();
  item.SkinIndex = Binding->SectionIndex;
  item.SkinSection = Binding->SkinSection();
  item.BorderIndex = Binding->BorderMaskIndex;
  item.Texture = Binding->PatternIndex;
  item.HotTexture = Binding->HotPatternIndex;
  item.HasParent = true;
  PaintItem(item, TsCommonData::GetWindowParentBgInfo(WindowHandle), true, true, view, TPoint{0, 0},
            TsRect{0, 0, view.width, view.height}, Binding->IsActive() ? 1 : 0);
}

void TacComboBoxWnd::DrawComboText() {
  TBitmap* cache = Binding->Cache();
  if (!cache || cache->Empty()) return;
  TCanvas& canvas = cache->Canvas();
  if (TControl* control = Binding->OwnerControl())
    canvas.Font().Assign(control->Font());
  else
    SelectWindowFont(canvas);
  const RECT b = ButtonRect();
  RECT r{3, 3, b.left, WindowSize.cy - 3};
  const int index = static_cast<int>(SendMessageW(WindowHandle, CB_GETCURSEL, 0, 0));
  String text;
  if (index >= 0) {
    const LRESULT length = SendMessageW(WindowHandle, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length > 0) {
      text.resize(static_cast<size_t>(length) + 1);
      const LRESULT got = SendMessageW(WindowHandle, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    }
  } else {
    text = Caption;
  }
  const bool dropDownList = (GetWindowLongW(WindowHandle, GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
  const bool focused = GetFocus() == WindowHandle;
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
    auto dc = reinterpret_cast<HDC>(message.WParam);
    if (!dc) {
      own = TWindowDC::Of(WindowHandle);
      dc = own.Get();
    }
    if (!dc) return;
    const bool simple = (GetWindowLongW(WindowHandle, GWL_STYLE) & 3) == CBS_SIMPLE;
    if (simple) {
      SimpleFrame();
    } else {
      Binding->BackgroundChangedFlag = true;
      SendSkinCommand(WindowHandle, CMD_PREPARECACHE, 0);
    }
    TBitmap* cache = Binding->Cache();
    if (!cache || cache->Empty()) return;
    CopyBorderRing(dc, 0, 0, 3, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
    if (!simple) DrawButton(dc);
  } catch (...) {
    // The platform's picture stays.
  }
}

void TacComboBoxWnd::Print(TMessage& message) {
  UpdateGeometry();
  Binding->UpdatingFlag = false;
  Binding->BackgroundChangedFlag = true;
  try {
    if (!ParamsApplied) ApplyParams();
    if ((GetWindowLongW(WindowHandle, GWL_STYLE) & 3) == CBS_SIMPLE)
      SimpleFrame();
    else
      SendSkinCommand(WindowHandle, CMD_PREPARECACHE, 0);
    PrepareWindowCache(*Binding, WindowHandle, DialogMode);
    DrawComboText();
    RepairCorners(0);
    TBitmap* cache = Binding->Cache();
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
  if (Destroyed) return;
  if (!ListWnd) {
    ListWnd = reinterpret_cast<HWND>(message.LParam);
    if (!ListHandler && ListWnd) {
      const bool was = DialogModeDefault();
      if (!Binding->OwnerControl()) DialogModeDefault() = DialogMode;
      const bool items = SendMessageW(WindowHandle, CB_GETCOUNT, 0, 0) > 0;
      ListHandler = TacMainWnd::Create<TacComboListWnd>(ListWnd, items, std::string("EDIT"), Manager, nullptr);
      DialogModeDefault() = was;
      ListHandler->SimpleBox = (GetWindowLongW(WindowHandle, GWL_STYLE) & 3) == CBS_SIMPLE;
    }
  }
  // Every request is answered, with one brush kept for the list's colour.
  const int index = static_cast<int>(SendSkinCommand(ListWnd, CMD_GETSKININDEX, 0)) - 1;
  if (index < 0 || DialogMode || !Manager || !Manager->IsSectionIndexValid(index)) return;
  const TsGeneralData& section = Manager->Tables().SectionTable[static_cast<size_t>(index)];
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
  if (Destroyed || !Binding || !Skinned()) {
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
