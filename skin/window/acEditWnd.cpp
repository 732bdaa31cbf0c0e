#include "skin/window/acEditWnd.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/core/sWindowHandlers.h"
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

// A control's view of the TacEditWnd on its window. The handler is nobody's: it frees
// itself through Detach, so this keeps it alive exactly as long as the view lives.
class TEditFrameHandler final : public TsFrameHandler {
public:
  explicit TEditFrameHandler(TacEditWnd* handler) : handler_(handler) {}
  ~TEditFrameHandler() override { handler_->Detach(true); }

  bool Serves(HWND window) const override { return !handler_->Destroyed() && handler_->Window() == window; }
  void RefreshBars(bool repaint) override { handler_->RefreshBars(repaint); }
  int LeftEdge() const override { return handler_->LeftEdge; }

private:
  TacEditWnd* handler_;
};

std::unique_ptr<TsFrameHandler> AttachEditFrame(HWND window, const std::string& section, TsSkinManager* manager,
                                                TsCommonData* binding) {
  auto handler = TacMainWnd::Create<TacEditWnd>(window, true, section, manager, binding);
  if (!handler) return nullptr;
  auto view = std::make_unique<TEditFrameHandler>(handler.get());
  handler.release();  // the view detaches it, and it frees itself
  return view;
}

}  // namespace

void UseWindowHandlers() { WindowHandlerSeam().AttachFrame = AttachEditFrame; }

// ---------------------------------------------------------------- TacBaseWnd

void TacBaseWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacScrollWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (OwnCommand(message, CMD_REPAINT, Manager())) {
        TacScrollWnd::WndProc(message);
        if (!Destroyed()) NcPaintIfVisible(Window());
        return;
      }
      if (IsSkinCommand(message, CMD_PREPARECACHE)) PrepareWindowCache(*Binding(), Window(), false);
      break;
    case WM_SIZE: Binding()->BackgroundChangedFlag = true; break;
    case WM_SETCURSOR: message.Result = CallOld(message); return;
    case OCM_KEYDOWN: message.Result = 0; return;
    default: break;
  }
  TacScrollWnd::WndProc(message);
  AfterBase(message);
}

void TacBaseWnd::AfterBase(const TMessage& message) {
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!SendingScroll()) RefreshBars(true);
      break;
    case WM_ENABLE:
    case CM_ENABLEDCHANGED: NcPaintIfVisible(Window()); break;
    default: break;
  }
}

// ---------------------------------------------------------------- TacEditWnd: colours

// RestoreParams runs while the final class is still whole.
TacEditWnd::~TacEditWnd() { Shutdown(); }

void TacEditWnd::SaveParams() {
  if (TControl* control = Binding() ? Binding()->OwnerControl() : nullptr) {
    KeepSavedColors(control->Color(), control->Font().Color());
  }
}

void TacEditWnd::ApplyParams() {
  NoStyleChange = true;
  MarkParamsApplied();
  const TsGeneralData* section = Binding() ? Binding()->Section() : nullptr;
  if (TControl* control = Binding() ? Binding()->OwnerControl() : nullptr) {
    if (section && !Binding()->CustomColor()) {
      if (section->Transparency > 0) {
        TColor color = clFuchsia;
        if (TWinControl* parent = control->Parent()) {
          const TColor asked = parent->HandleAllocated() ? AskColor(parent->Handle()) : clFuchsia;
          color = asked != clFuchsia ? asked : parent->Color();
        }
        if (color != clFuchsia) control->SetColor(static_cast<TColor>(ColorToRGB(color)));
      } else if (control->Color() != SkinColorToRGB(section->Color)) {
        control->SetColor(SkinColorToRGB(section->Color));
      }
    }
    if (section && !Binding()->CustomFont()) {
      const TColor font = SkinColorToRGB(section->HotFontColor[0]);
      if (control->Font().Color() != font) {
        const bool was = Binding()->UpdatingFlag;
        Binding()->UpdatingFlag = true;
        control->Font().SetColor(font);
        Binding()->UpdatingFlag = was;
      }
    }
  } else {
    EditColor = clWindow;
    if (!DialogMode() && section) EditColor = SkinColorToRGB(section->Color);
    EditFrameColor = clBlack;
  }
  if (Binding()) Binding()->BackgroundChangedFlag = true;
  NoStyleChange = false;
}

void TacEditWnd::RestoreParams() {
  if (IsWindow(Window()))
    SetWindowPos(Window(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  TControl* control = Binding() ? Binding()->OwnerControl() : nullptr;
  if (!control || control->IsDestroying()) return;
  if (SavedColor() != clFuchsia) control->SetColor(SavedColor());
  if (SavedFontColor() != clFuchsia) control->Font().SetColor(SavedFontColor());
}

// ---------------------------------------------------------------- TacEditWnd: messages

bool TacEditWnd::Updating() {
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  return Binding()->UpdatingFlag;
}

void TacEditWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacBaseWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(Window()) != 0;
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_REPAINT:
          if (reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) ApplyParams();
          TacBaseWnd::WndProc(message);
          return;
        case CMD_PARENTDONE:
          if (Binding()->RefreshUpdating()) {
            Binding()->UpdatingFlag = false;
            RedrawWindow(Window(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          }
          TacBaseWnd::WndProc(message);
          return;
        case CMD_ISSKINNED: AnswerSkinnedQuery(message); return;
        case CMD_PREPARECACHE:
          PrepareWindowCache(*Binding(), Window(), DialogMode());
          RepairCorners(0);
          return;
        case CMD_GETSKININDEX: message.Result = Binding()->SectionIndex + 1; return;
        case CMD_GETAPPLICATION: AnswerSkinnedQuery(message); return;
        default: break;
      }
      break;
    case WM_PAINT:
    case WM_ERASEBKGND:
      if (!visible) break;
      if (Updating()) {
        // Validated without painting: the parent or the manager is busy.
        if (message.Msg == WM_PAINT) TPaintDC paint = TPaintDC::Begin(Window());
        message.Result = message.Msg == WM_ERASEBKGND ? 1 : 0;
        return;
      }
      if (!ParamsApplied()) ApplyParams();
      break;
    case WM_NCPAINT:
      if (!visible) break;
      NcPaint(message);
      return;
    case WM_PRINT: Print(message); return;
    case EM_SETCHARFORMAT:
      if (Binding()->RefreshUpdating()) {
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
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_SIZE: NcPaintIfVisible(Window()); break;
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
      if (!SendingScroll()) RefreshBars(true);
      break;
    default: break;
  }
}

void TacEditWnd::PrepareFrame() {
  if (Binding()->BackgroundChangedFlag) {
    if (!ParamsApplied()) ApplyParams();
    PrepareWindowCache(*Binding(), Window(), DialogMode());
    RepairCorners(0);
  }
  if (!DialogMode()) RepairCorners(0);
}

bool TacEditWnd::PaintFrame(HDC dc) {
  TBitmap* cache = Binding()->Cache();
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
    TWindowDC window = TWindowDC::Of(Window());
    PaintFrame(window.Get());
  } catch (...) {
    // A frame that cannot be drawn stays as it was.
  }
}

void TacEditWnd::Print(TMessage& message) {
  auto dc = reinterpret_cast<HDC>(message.WParam);
  Binding()->UpdatingFlag = false;
  Binding()->BackgroundChangedFlag = true;
  UpdateGeometry();
  try {
    if (!ParamsApplied()) ApplyParams();
    PrepareWindowCache(*Binding(), Window(), DialogMode());
    if (!DialogMode()) RepairCorners(0);
    PaintFrame(dc);
  } catch (...) {
    // The client area is still printed below.
  }
  TBitmap* cache = Binding()->Cache();
  if (dc && cache && !cache->Empty()) {
    const TSavedDC state(dc);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - LeftEdge, origin.y - LeftEdge, nullptr);
    const int width = cache->Width() - 2 * LeftEdge - (VertBar->Shown ? VertBar->Thickness() : 0);
    const int height = cache->Height() - 2 * LeftEdge - (HorzBar->Shown ? HorzBar->Thickness() : 0);
    IntersectClipRect(dc, 0, 0, width, height);
    // The platform's own client painting, into the print's DC.
    SendMessageW(Window(), WM_ERASEBKGND, message.WParam, 0);
    SendMessageW(Window(), WM_PRINTCLIENT, message.WParam, PRF_CLIENT | PRF_OWNED);
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
    auto dc = reinterpret_cast<HDC>(message.WParam);
    if (!dc) {
      own = TWindowDC::Of(Window());
      dc = own.Get();
    }
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

// ---------------------------------------------------------------- TacTreeViewWnd

TacTreeViewWnd::~TacTreeViewWnd() { Shutdown(); }

TColor TacTreeViewWnd::BackColor() const {
  const TsGeneralData* section = Binding() ? Binding()->Section() : nullptr;
  if (DialogMode() || !section) return static_cast<TColor>(ColorToRGB(clWindow));
  return SkinColorToRGB(section->HotColor);
}

void TacTreeViewWnd::RestoreParams() {
  TacEditWnd::RestoreParams();
  if (IsWindow(Window())) SendMessageW(Window(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
}

void TacTreeViewWnd::ApplyParams() {
  MarkParamsApplied();
  if (!Binding()) return;
  const TsGeneralData* section = Binding()->Section();
  if (!DialogMode() && section) {
    if (TControl* control = Binding()->OwnerControl()) {
      const TColor font = SkinColorToRGB(section->HotFontColor[0]);
      if (control->Font().Color() != font) control->Font().SetColor(font);
      if (static_cast<TColor>(ColorToRGB(control->Color())) == SkinColorToRGB(section->HotColor)) return;
    }
  }
  SendMessageW(Window(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(BackColor()));
}

void TacTreeViewWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned() || message.Msg != WM_ERASEBKGND) {
    TacEditWnd::WndProc(message);
    if (!Destroyed() && message.Msg == WM_LBUTTONUP) ReleaseCapture();
    return;
  }
  message.Result = 0;
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  if (Binding()->UpdatingFlag) return;
  if (Binding()->BackgroundChangedFlag) PrepareWindowCache(*Binding(), Window(), DialogMode());
  TWindowDC own;
  auto dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc) {
    own = TWindowDC::Of(Window());
    dc = own.Get();
  }
  if (!dc) return;
  RECT r{};
  GetWindowRect(Window(), &r);
  TBrushHandle brush = NewSolidBrush(static_cast<COLORREF>(BackColor()));
  const RECT all{0, 0, r.right - r.left, r.bottom - r.top};
  FillRect(dc, &all, brush.Get());
}

// ---------------------------------------------------------------- TacListViewWnd

RECT HeaderTextRect(const RECT& surface, int state, int textWidth, int arrowWidth, int format) {
  RECT t{surface.left + 4, surface.top + 1, surface.right - 8, surface.bottom - 1};
  if (state == 2) OffsetRect(&t, 1, 1);
  const int tw = textWidth + 5;
  switch (format & 3) {
    case 1:
      t.left = t.right - arrowWidth - tw;
      t.right = t.right - arrowWidth;
      break;
    case 2:
      t.left += (t.right - t.left - tw - arrowWidth) / 2;
      t.right = t.left + tw;
      break;
    default: t.right = t.left + tw; break;
  }
  return t;
}

// The header's procedure stub: its messages go to the list view handler's HeaderProc.
class TacListViewWnd::HeaderHook : public TWindowSubclass {
public:
  explicit HeaderHook(TacListViewWnd& owner) : owner_(owner) {}

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override { return owner_.HeaderProc(msg, wParam, lParam); }
  void WindowDestroyed() override { owner_.HeaderWnd = nullptr; }

private:
  TacListViewWnd& owner_;
};

TacListViewWnd::TacListViewWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                               TsCommonData* binding)
    : TacEditWnd(window, refreshFrame, section, manager, binding) {
  if (HWND header = FindWindowExW(window, nullptr, L"SysHeader32", nullptr); header && !HeaderWnd) HookHeader(header);
}

TacListViewWnd::~TacListViewWnd() {
  Shutdown();
  UnhookHeader();
}

void TacListViewWnd::HookHeader(HWND header) {
  auto hook = std::make_unique<HeaderHook>(*this);
  if (!hook->Attach(header)) return;
  headerHook_ = std::move(hook);
  HeaderWnd = header;
}

void TacListViewWnd::UnhookHeader() {
  if (headerHook_) headerHook_->Detach();
  headerHook_.reset();
  HeaderWnd = nullptr;
}

bool TacListViewWnd::ReportView() const { return SendMessageW(Window(), LVM_GETVIEW, 0, 0) == LV_VIEW_DETAILS; }

void TacListViewWnd::SaveParams() {
  TacEditWnd::SaveParams();
  KeepSavedColors(static_cast<TColor>(SendMessageW(Window(), LVM_GETBKCOLOR, 0, 0)),
                  static_cast<TColor>(SendMessageW(Window(), LVM_GETTEXTCOLOR, 0, 0)));
}

void TacListViewWnd::RestoreParams() {
  if (IsWindow(Window())) {
    SendMessageW(Window(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindowText)));
    SendMessageW(Window(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
    SendMessageW(Window(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
  }
  UnhookHeader();
  TacEditWnd::RestoreParams();
  if (HWND header = FindWindowExW(Window(), nullptr, L"SysHeader32", nullptr)) InvalidateRect(header, nullptr, TRUE);
}

void TacListViewWnd::ApplyParams() {
  TacEditWnd::ApplyParams();
  const TsGeneralData* section = Binding() ? Binding()->Section() : nullptr;
  TColor back = static_cast<TColor>(ColorToRGB(clWindow)), text = static_cast<TColor>(ColorToRGB(clWindowText));
  if (!DialogMode() && section) {
    back = SkinColorToRGB(section->Color);
    text = SkinColorToRGB(section->FontColor[0]);
  }
  // Only changes are sent: each one repaints the list view.
  if (static_cast<TColor>(SendMessageW(Window(), LVM_GETBKCOLOR, 0, 0)) != back)
    SendMessageW(Window(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
  if (static_cast<TColor>(SendMessageW(Window(), LVM_GETTEXTBKCOLOR, 0, 0)) != back)
    SendMessageW(Window(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
  if (static_cast<TColor>(SendMessageW(Window(), LVM_GETTEXTCOLOR, 0, 0)) != text)
    SendMessageW(Window(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

void TacListViewWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (IsSkinCommand(message, CMD_REPAINT) && reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) {
        TacEditWnd::WndProc(message);
        if (HeaderWnd) RedrawWindow(HeaderWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
      }
      break;
    case WM_PAINT: ApplyParams(); break;
    case WM_HSCROLL:
      if (LOWORD(message.WParam) != SB_THUMBTRACK) break;
      SendMessageW(Window(), LVM_SCROLL, static_cast<WPARAM>(HIWORD(message.WParam) - ScrollTracking().LastTrackPos), 0);
      message.Result = 0;
      return;
    case WM_VSCROLL: {
      if (LOWORD(message.WParam) != SB_THUMBTRACK) {
        message.Result = CallOld(message);
        return;
      }
      const int position = HIWORD(message.WParam), last = ScrollTracking().LastTrackPos;
      if (position != last) {
        RECT item{};
        item.left = LVIR_BOUNDS;
        int h = 0;
        if (ReportView() && SendMessageW(Window(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
          h = item.bottom - item.top;
        SendMessageW(Window(), LVM_SCROLL, 0, static_cast<LPARAM>(std::max(1, h) * (position - last)));
      }
      message.Result = 0;
      return;
    }
    default: break;
  }
  TacEditWnd::WndProc(message);
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_STYLECHANGED:
    case LVM_ARRANGE:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW: RefreshBars(true); break;
    case WM_LBUTTONUP: ReleaseCapture(); break;
    case WM_PARENTNOTIFY: {
      const UINT event = LOWORD(message.WParam);
      wchar_t name[32]{};
      const auto child = reinterpret_cast<HWND>(message.LParam);
      if ((event != WM_CREATE && event != WM_DESTROY) || !GetClassNameW(child, name, 32) ||
          lstrcmpiW(name, L"SysHeader32") != 0)
        break;
      UnhookHeader();
      if (event == WM_CREATE) HookHeader(child);
      break;
    }
    case WM_PRINT:
      if (ReportView() && message.WParam) {
        const auto dc = reinterpret_cast<HDC>(message.WParam);
        const TSavedDC state(dc);
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - LeftEdge, origin.y - LeftEdge, nullptr);
        HeaderPaint(dc);
      }
      break;
    default: break;
  }
}

LRESULT TacListViewWnd::HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowSubclass& hook = *headerHook_;
  if (Destroyed() || !Skinned() || !ReportView()) return hook.CallOld(msg, wParam, lParam);
  const bool hotTrack = (GetWindowLongW(HeaderWnd, GWL_STYLE) & HDS_HOTTRACK) != 0;
  switch (msg) {
    case WM_PAINT: HeaderPaint(nullptr); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_WINDOWPOSCHANGED:
      if (IsWindowVisible(Window())) SendMessageW(Window(), WM_NCPAINT, 1, 0);
      break;
    case WM_LBUTTONUP:
      if (hotTrack) PressedColumn = -1;
      break;
    case WM_LBUTTONDOWN: {
      const LRESULT result = hook.CallOld(msg, wParam, lParam);
      if (hotTrack && HeaderWnd) {
        HDHITTESTINFO hit{};
        hit.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int item = static_cast<int>(SendMessageW(HeaderWnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        PressedColumn = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? -1 : item;
        RedrawWindow(HeaderWnd, nullptr, nullptr, RDW_INVALIDATE);
      }
      return result;
    }
    default: break;
  }
  return hook.CallOld(msg, wParam, lParam);
}

void TacListViewWnd::HeaderPaint(HDC dc) {
  if (!HeaderWnd || !ReportView()) return;
  TPaintDC paint;
  if (!dc) {
    paint = TPaintDC::Begin(HeaderWnd);
    dc = paint.Get();
  }
  if (!dc) return;
  RECT client{};
  GetClientRect(HeaderWnd, &client);
  const int count = static_cast<int>(SendMessageW(HeaderWnd, HDM_GETITEMCOUNT, 0, 0));
  std::vector<int> order(static_cast<size_t>(std::max(count, 0)));
  const bool fullDrag = (GetWindowLongW(HeaderWnd, GWL_STYLE) & HDS_FULLDRAG) != 0;
  if (fullDrag && count > 0)
    SendMessageW(HeaderWnd, HDM_GETORDERARRAY, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(order.data()));
  int right = 0;
  try {
    for (int i = 0; i < count; ++i) {
      const int k = fullDrag ? order[static_cast<size_t>(i)] : i;
      RECT r{};
      SendMessageW(HeaderWnd, HDM_GETITEMRECT, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(&r));
      if (IsRectEmpty(&r)) continue;
      DrawColumn(dc, r, k);
      right = std::max(right, static_cast<int>(r.right));
    }
    if (right < client.right) DrawColumn(dc, RECT{right, 0, client.right, client.bottom}, -1);
  } catch (...) {
    // Columns drawn so far stay.
  }
}

void TacListViewWnd::DrawColumn(HDC dc, const RECT& r, int column) {
  TsSkinManager* manager = Binding() ? Binding()->SkinManager() : nullptr;
  if (!manager) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  TBitmap& surface = columnPicture_;
  surface.SetPixelFormat(TPixelFormat::pf24bit);
  if (surface.Width() < w || surface.Height() < h)
    surface.SetSize(std::max(surface.Width(), w), std::max(surface.Height(), h));
  const int state = PressedColumn >= 0 && PressedColumn == column ? 2 : 0;
  std::string name = "COLHEADER";
  int index = manager->SectionIndex(name);
  if (!manager->IsSectionIndexValid(index)) {
    name = "BUTTON";
    index = manager->SectionIndex(name);
  }
  // The column's part of the picture (its top left corner).
  TSurfaceView view = surface.View();
  view.width = w;
  view.height = h;
  if (manager->IsSectionIndexValid(index))
    PaintSection(index, name, BgInfo{}, -1, -1, &manager->Tables(), view, TPoint{0, 0}, TsRect{0, 0, w, h}, state, true);
  GdiFlush();
  if (column >= 0) {
    TCanvas& canvas = surface.Canvas();
    SelectWindowFont(canvas);
    wchar_t text[129]{};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(HeaderWnd, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    const TsStandardIndexes& s = manager->StandardIndexes();
    int glyphIndex = -1;
    if (item.fmt & HDF_SORTDOWN) glyphIndex = s.ScrollButtonGlyphs[1];
    if (item.fmt & HDF_SORTUP) glyphIndex = s.ScrollButtonGlyphs[0];
    const TMaskRef arrow = MaskRef(manager->Tables(), glyphIndex);
    const int aw = arrow.Valid() ? arrow.FrameWidth() + 6 : 0;
    const int ah = arrow.Valid() ? (arrow.Data->R.Bottom - arrow.Data->R.Top) / (arrow.Data->MaskType + 1) : 0;
    const RECT t = HeaderTextRect(RECT{0, 0, w, h}, state, canvas.TextWidth(text), aw, item.fmt);
    if (arrow.Valid()) PaintGlyphMask(view, TPoint{t.right + 6, (t.bottom - t.top - ah) / 2}, state, arrow, true);
    DrawSectionText(canvas, text, true, manager, state != 0, index,
                    DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_END_ELLIPSIS, t);
    GdiFlush();
  }
  BitBlt(dc, r.left, r.top, w, h, surface.Canvas().Handle(), 0, 0, SRCCOPY);
}
