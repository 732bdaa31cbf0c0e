#include "skin/dialogs/acDialogWnd.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "framework/Redraw.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/dialogs/acDials.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/gdi/sTextPainting.h"
#include "skin/window/acHandlerPaint.h"
#include "skin/window/sSkinMenus.h"

namespace {

// Moving a window by the mouse from wherever it was pressed.
constexpr WPARAM kDragMove = 0xF012;
// Sent by the platform's dialog code when a dialog changes its items.
constexpr UINT kDialogItemsChanged = 0x52E;
constexpr char kTitleSection[] = "FORMTITLE";

String ReadWindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return String();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(0, got)));
  return String(text);
}

void SendCommand(HWND window, WPARAM command) { SendMessageW(window, WM_SYSCOMMAND, command, 0); }

// Posted: closing ends the dialog, which must not happen inside its own procedure.
void PostCommand(HWND window, WPARAM command) { PostMessageW(window, WM_SYSCOMMAND, command, 0); }

}  // namespace

// ---------------------------------------------------------------- what the buttons see

class TacDialogWnd::CaptionFrame : public TacCaptionFrame {
public:
  explicit CaptionFrame(TacDialogWnd& dialog) : d_(dialog) {}
  HWND Window() const override { return d_.Window(); }
  TsSkinManager* Manager() const override { return d_.Binding() ? d_.Binding()->SkinManager() : nullptr; }
  std::string Section() const override { return d_.Binding() ? d_.Binding()->SkinSection() : std::string(); }
  TCaptionRules Rules() const override { return d_.Rules().Caption(); }
  // A sizing dialog has the large images; the others the small ones (ResolveImages falls
  // back to the large set when the skin has no small close image).
  bool LargeImages() const override { return d_.frameKind_ == 3; }
  int Spacing() const override { return 0; }
  bool Active() const override { return d_.active_; }
  TBitmap* ShownPicture() override { return d_.Ready() && d_.Visible() ? d_.Binding()->Cache() : nullptr; }
  bool PictureOutOfDate() const override { return d_.Binding() && d_.Binding()->BackgroundChangedFlag; }
  void RepaintFrame() override { d_.RepaintFrame(); }
  bool OwnImageHeights() const override { return true; }
  // A button reaching into the icon's room is repainted with the whole frame.
  bool RepaintsAlone(const RECT& r) const override {
    return r.left > GetSystemMetrics(SM_CXSMICON) + d_.Geometry().BorderHeight;
  }

private:
  TacDialogWnd& d_;
};

// ---------------------------------------------------------------- system menu

TacSystemMenu::TacSystemMenu(TacDialogWnd& dialog) : TacSystemMenuBase(nullptr), dialog_(dialog) {}

HWND TacSystemMenu::CommandWindow() const {
  HWND window = dialog_.Window();
  return IsWindow(window) ? window : nullptr;
}

void TacSystemMenu::UpdateItems() {
  try {
    ApplyRules(dialog_.Rules());
  } catch (...) {
  }
}

void TacSystemMenu::Popup(int x, int y) {
  TsSkinManager* manager = dialog_.Manager();
  if (manager && manager->SkinnedPopups() && manager->SkinActive())
    if (TsSkinableMenus* menus = SkinableMenusOf(manager)) {
      SetSkinnedMenuOpen(true);
      menus->HookPopupMenu(*this, true);
    }
  Track(x, y);
}

// ---------------------------------------------------------------- life

TacDialogWnd::TacDialogWnd(HWND window, TacProvider* provider)
    : TacScrollWnd(window, false, "DIALOG", DefaultManager(), nullptr),
      provider_(provider),
      captionFrame_(std::make_unique<CaptionFrame>(*this)),
      buttons_(std::make_unique<TacCaptionButtons>(*captionFrame_, nullptr)),
      systemMenu_(std::make_unique<TacSystemMenu>(*this)) {
  style_ = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  exStyle_ = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
  systemMenu_->UpdateItems();
}

TacDialogWnd::~TacDialogWnd() {
  const bool attached = !Destroyed() && IsWindow(Window());
  buttons_->Reset();
  // RestoreParams gives back what set-up took; it runs while this class is whole.
  Shutdown();
  if (attached) GiveBackFrame();
}

int TacDialogWnd::FrameKindOf(DWORD style) {
  if ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION) return 2;
  if (style & WS_THICKFRAME) return 3;
  return 0;  // DS_MODALFRAME or no frame style of its own: the dialog frame
}

void TacDialogWnd::Setup() {
  HWND window = Window();
  if (setUp_ || !IsWindow(window)) return;
  style_ = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  exStyle_ = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
  frameKind_ = FrameKindOf(style_);
  icon_ = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  if (!icon_) icon_ = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    AssignLogFont(captionFont_, metrics.lfCaptionFont);
  setUp_ = true;
  TakeFrame();
}

// The platform's system menu is read while WS_SYSMENU is still there (without it the
// platform may not give the menu out), then the style goes.
void TacDialogWnd::TakeFrame() {
  HWND window = Window();
  ReadCloseState();
  buttons_->ResolveImages();
  systemMenu_->UpdateItems();
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  if (style & WS_SYSMENU) {
    SetWindowLongW(window, GWL_STYLE, style & ~WS_SYSMENU);
    removedSysMenu_ = true;
  }
  if (Binding()) Binding()->BackgroundChangedFlag = true;
  regionKey_ = TRegionKey{};
  if (IsWindowVisible(window)) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void TacDialogWnd::ReadCloseState() {
  HWND window = Window();
  if (HMENU menu = GetSystemMenu(window, FALSE)) platformMenu_ = menu;
  bool allowed = (GetClassLongW(window, GCL_STYLE) & CS_NOCLOSE) == 0;
  if (platformMenu_ && IsMenu(platformMenu_)) {
    const UINT state = GetMenuState(platformMenu_, SC_CLOSE, MF_BYCOMMAND);
    if (state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED))) allowed = false;
  }
  // Not every platform disables SC_CLOSE of a box that offers no Cancel: a box with Yes/No
  // or Abort/Retry/Ignore and no Cancel button is never closed either.
  if (OffersNoCancel()) allowed = false;
  closeAllowed_ = allowed;
}

bool TacDialogWnd::CloseAllowed() const { return closeAllowed_; }

bool TacDialogWnd::OffersNoCancel() const {
  HWND window = Window();
  if (GetDlgItem(window, IDCANCEL)) return false;
  for (int id : {IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE})
    if (GetDlgItem(window, id)) return true;
  return false;
}

// What set-up took goes back: the system menu style and the region. The frame is repainted
// by the platform once our procedure is gone (GiveBackFrame).
void TacDialogWnd::RestoreParams() {
  HWND window = Window();
  buttons_->Reset();
  if (!IsWindow(window)) return;
  if (removedSysMenu_) {
    SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_SYSMENU);
    removedSysMenu_ = false;
  }
  if (regionGiven_) {
    SetWindowRgn(window, nullptr, FALSE);
    regionGiven_ = false;
  }
  regionKey_ = TRegionKey{};
}

void TacDialogWnd::GiveBackFrame() {
  HWND window = Window();
  if (!IsWindow(window)) return;
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// ---------------------------------------------------------------- rules and geometry

TsWindowRules TacDialogWnd::Rules() const {
  HWND window = Window();
  const bool iconic = IsIconic(window) != 0, zoomed = IsZoomed(window) != 0;
  const bool sys = (style_ & WS_SYSMENU) != 0;
  const bool maxBox = (style_ & WS_MAXIMIZEBOX) != 0, minBox = (style_ & WS_MINIMIZEBOX) != 0;
  TsWindowRules r;
  r.Iconic = iconic;
  r.Zoomed = zoomed;
  r.RestoreVisible = frameKind_ == 3 && sys;
  r.RestoreEnabled = maxBox && (iconic || zoomed);
  r.MoveEnabled = !zoomed;
  r.SizeVisible = frameKind_ == 3;
  r.SizeEnabled = !iconic;
  r.MinimizeVisible = sys && minBox;
  r.MinimizeEnabled = minBox && !iconic;
  r.MaximizeVisible = sys && maxBox;
  r.MaximizeEnabled = maxBox && !zoomed && frameKind_ == 3;
  r.CloseVisible = sys;
  r.CloseEnabled = closeAllowed_;
  r.Help = sys && (exStyle_ & WS_EX_CONTEXTHELP) != 0;
  return r;
}

TFrameGeometry TacDialogWnd::Geometry() const {
  TFrameGeometry g = MeasureFrame(Window(), true, frameKind_ != 3, false);
  if (frameKind_ == 2) g.CaptionHeight = 0;
  // A skinned horizontal bar lies between the client area and the bottom border.
  if (HorzBar && HorzBar->Shown) g.BorderHeight = std::max(0, g.BorderHeight - HorzBar->Thickness());
  return g;
}

int TacDialogWnd::ButtonsWidth() const { return (style_ & WS_SYSMENU) ? buttons_->Width() : 0; }

// Between the icon's room and the buttons, centred in the caption's rows.
RECT TacDialogWnd::CaptionTextRect(const TFrameGeometry& g) const {
  const int left = g.BorderWidth + 4 + (icon_ ? GetSystemMetrics(SM_CXSMICON) : 0);
  return RECT{left, g.BorderHeight, g.Width - ButtonsWidth() - 6, g.BorderHeight + g.CaptionHeight};
}

POINT TacDialogWnd::WindowPoint(POINT screen) const {
  RECT w{};
  GetWindowRect(Window(), &w);
  return POINT{screen.x - w.left, screen.y - w.top};
}

bool TacDialogWnd::Ready() const { return setUp_ && !Destroyed() && Binding() && Skinned(); }

bool TacDialogWnd::Visible() const { return IsWindowVisible(Window()) != 0; }

void TacDialogWnd::WalkChildren() {
  if (provider_) provider_->WalkChildren();
}

// ---------------------------------------------------------------- the picture

void TacDialogWnd::RepaintFrame() {
  if (Binding()) Binding()->BackgroundChangedFlag = true;
  if (Ready() && Visible()) GuardedPaint([&] { OnNcPaint(); });
}

TBitmap* TacDialogWnd::UpToDatePicture(const TFrameGeometry& g) {
  TsCommonData& binding = *Binding();
  binding.UpdatingFlag = binding.RefreshUpdating();
  TBitmap* cache = binding.Cache();
  if (binding.UpdatingFlag || !cache) return nullptr;
  if (binding.BackgroundChangedFlag || cache->Width() != g.Width || cache->Height() != g.Height) PaintAll(g);
  return cache;
}

void TacDialogWnd::PaintAll(const TFrameGeometry& g) {
  TsCommonData& binding = *Binding();
  TsSkinManager* manager = binding.SkinManager();
  TBitmap* cache = binding.Cache();
  if (!manager || !cache || g.Width <= 0 || g.Height <= 0) return;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(g.Width, g.Height);
  const int state = active_ ? 1 : 0;
  if (binding.SectionIndex >= 0) {
    TPaintItemSource item = SectionPaintSource(binding, *manager);
    item.HasParent = false;
    item.DependsOnParent = false;
    PaintItem(item, BgInfo{}, false, false, cache->View(), TPoint{0, 0}, TsRect{0, 0, g.Width, g.Height}, state);
    POINT grip{};
    if (GripOrigin(g, grip)) {
      const TMaskRef image = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "GRIPIMAGE"));
      PaintGlyphMask(cache->View(), TPoint{grip.x, grip.y}, 0, image, true);
    }
    if (g.CaptionHeight > 0) {
      PaintCaption(g, state);
      PaintIcon(g);
      PaintTitleBar(g, state);
      if (style_ & WS_SYSMENU) buttons_->Paint(*cache, g);
      PaintCaptionText(g);
    }
  }
  GdiFlush();
  binding.BackgroundChangedFlag = false;
  binding.UpdatingFlag = false;
}

void TacDialogWnd::PaintCaption(const TFrameGeometry& g, int state) {
  TsSkinManager* manager = Binding()->SkinManager();
  const int title = manager->SectionIndex(kTitleSection);
  if (title < 0) return;
  const TSurfaceView view = Binding()->Cache()->View();
  const int height = IsIconic(Window()) ? g.Height : g.BandHeight();
  // The band lies over the dialog's own picture, which is its parent background.
  PaintSection(title, kTitleSection, BgInfo{view, 0, 0, true}, -1, -1, &manager->Tables(), view, TPoint{0, 0},
               TsRect{0, 0, g.Width, height}, state, true);
}

void TacDialogWnd::PaintIcon(const TFrameGeometry& g) {
  if (!icon_) return;
  const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  const int x = g.BorderWidth, y = (g.BandHeight() - cy) / 2;
  HDC dc = Binding()->Cache()->Canvas().Handle();
  const TIconHandle copy(static_cast<HICON>(CopyImage(icon_, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE)));
  if (copy && DrawIconEx(dc, x, y, copy.Get(), cx, cy, 0, nullptr, DI_NORMAL)) return;
  // An icon that is no resource cannot be copied from one: drawn at the small size itself.
  if (DrawIconEx(dc, x, y, icon_, cx, cy, 0, nullptr, DI_NORMAL)) return;
  if (HICON platform = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)))  // shared: not destroyed
    DrawIconEx(dc, x, y, platform, cx, cy, 0, nullptr, DI_NORMAL);
}

// The strip behind the caption buttons: the section's TITLEBAR image, as wide as the
// buttons and its own two border pieces.
void TacDialogWnd::PaintTitleBar(const TFrameGeometry& g, int state) {
  if (!(style_ & WS_SYSMENU)) return;
  TsSkinManager* manager = Binding()->SkinManager();
  const TMaskRef bar = MaskRef(manager->Tables(), manager->MaskIndex(Binding()->SectionIndex, Binding()->SkinSection(), "TITLEBAR"));
  if (!bar.Valid()) return;
  const int piece = bar.FrameWidth() / 3;
  const int width = ButtonsWidth() + 2 * piece;
  TBitmap* cache = Binding()->Cache();
  PaintBorderMask(cache->View(), TsRect{g.Width - width, 0, g.Width, g.BandHeight()}, true, true, state, bar, BgInfo{});
}

// Drawn as wide text: a Chinese caption shows on every locale.
void TacDialogWnd::PaintCaptionText(const TFrameGeometry& g) {
  const RECT r = CaptionTextRect(g);
  if (caption_.empty() || r.right <= r.left || r.bottom <= r.top) return;
  TsSkinManager* manager = Binding()->SkinManager();
  TCanvas& canvas = Binding()->Cache()->Canvas();
  canvas.Font().Assign(captionFont_);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const String text = CutText(canvas, caption_, r.right - r.left);
  DrawSectionText(canvas, text, true, manager, active_, manager->SectionIndex(kTitleSection), DT_VCENTER | DT_SINGLELINE,
                  r);
}

bool TacDialogWnd::GripOrigin(const TFrameGeometry& g, POINT& origin) const {
  TsSkinManager* manager = Binding() ? Binding()->SkinManager() : nullptr;
  if (frameKind_ != 3 || !manager) return false;
  const TMaskRef grip = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "GRIPIMAGE"));
  if (!grip.Valid()) return false;
  origin = POINT{g.Width - grip.FrameWidth() - g.BorderWidth, g.Height - grip.FrameHeight() - g.BorderHeight};
  return true;
}

// The region is made for a size and the skin's masks: giving it to the window moves the
// window (WM_WINDOWPOSCHANGED), which must not ask for it again.
void TacDialogWnd::UpdateRegion(const TFrameGeometry& g) {
  TsSkinManager* manager = Binding()->SkinManager();
  if (regionBusy_ || frameKind_ == 2 || !manager) return;
  const int titleIndex = manager->SectionIndex(kTitleSection);
  const int titleMask = titleIndex >= 0 ? manager->MaskIndex(titleIndex, kTitleSection, "BORDERSMASK") : -1;
  const TRegionKey key{g.Width, g.Height, Binding()->BorderMaskIndex, g.CaptionHeight > 0 ? titleMask : -1};
  if (key == regionKey_) return;
  std::vector<TsRect> cuts;
  const TMaskRef border = MaskRef(manager->Tables(), key.Border);
  if (border.Valid()) {
    CornerKeyRuns(cuts, g.Width, border, false, 0);
    CornerKeyRuns(cuts, g.Width, border, true, g.Height - border.Data->WB);
  }
  const TMaskRef title = MaskRef(manager->Tables(), key.Title);
  if (title.Valid()) CornerKeyRuns(cuts, g.Width, title, false, 0);
  TRegionHandle region = NewRectRegion(0, 0, g.Width, g.Height);
  for (const TsRect& cut : cuts) {
    TRegionHandle piece = NewRectRegion(cut.Left, cut.Top, cut.Right, cut.Bottom);
    if (region && piece) CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_DIFF);
  }
  regionKey_ = key;
  regionBusy_ = true;
  // The window owns the region once it took it. No redraw: the frame is copied next.
  if (region && SetWindowRgn(Window(), region.Get(), FALSE)) {
    (void)region.Release();
    regionGiven_ = true;
    ++regionBuilds_;
  }
  regionBusy_ = false;
}

void TacDialogWnd::OnNcPaint() {
  HWND window = Window();
  caption_ = ReadWindowText(window);
  WalkChildren();
  const TFrameGeometry g = Geometry();
  TBitmap* cache = UpToDatePicture(g);
  if (!cache) return;
  UpdateRegion(g);
  const TWindowDC dc = TWindowDC::Of(window);
  if (!dc || cache->Empty()) return;
  {
    const TSavedDC saved(dc.Get());
    CopyFrameBands(dc.Get(), cache->Canvas().Handle(), g);
  }
  if ((HorzBar && HorzBar->Shown) || (VertBar && VertBar->Shown)) PaintBars(dc.Get());
}

void TacDialogWnd::PaintTo(HDC dc) {
  const TFrameGeometry g = Geometry();
  TBitmap* cache = UpToDatePicture(g);
  if (!cache) return;
  const int mode = provider_ ? provider_->SpecialMode() : 0;
  if (mode == 1) {
    const RECT& preview = PreviewRect();
    ExcludeClipRect(dc, preview.left, preview.top, preview.right, preview.bottom);
  } else if (mode == 3) {
    if (HRGN areas = ColorAreasRegion()) ExtSelectClipRgn(dc, areas, RGN_DIFF);
  }
  PaintWindowToDCExcludingChildren(Window(), *Binding(), POINT{g.OffsetX, g.OffsetY}, dc,
                                   RECT{0, 0, g.ClientWidth, g.ClientHeight});
}

// A dialog that keeps a picture of its own (a preview, colour areas) paints it first.
void TacDialogWnd::OnPaint(TMessage& message) {
  HWND window = Window();
  caption_ = ReadWindowText(window);
  const int mode = provider_ ? provider_->SpecialMode() : 0;
  if ((mode == 1 || mode == 3) && message.Msg == WM_PAINT) {
    TClientDC own;
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if (!dc) {
      own = TClientDC::Of(window);
      dc = own.Get();
    }
    if (dc) {
      const TSavedDC saved(dc);
      if (mode == 1) {
        const RECT& preview = PreviewRect();
        IntersectClipRect(dc, preview.left, preview.top, preview.right, preview.bottom);
      }
      TMessage first = message;
      first.WParam = reinterpret_cast<WPARAM>(dc);
      Old(first);
    }
  }
  PaintMessage(message);
  if (message.Msg == WM_PAINT && !message.WParam) NotifyChildWindowsParentDone(window);
  if (!childrenSkinned_) {
    childrenSkinned_ = true;
    WalkChildren();
  }
}

// ---------------------------------------------------------------- messages

void TacDialogWnd::Inherited(TMessage& message) { TacScrollWnd::WndProc(message); }

void TacDialogWnd::Old(TMessage& message) { message.Result = CallOld(message); }

void TacDialogWnd::QuietOld(TMessage& message) {
  WithoutRedraw(*this, [&] { Old(message); });
  if (Binding()) Binding()->BackgroundChangedFlag = true;
}

void TacDialogWnd::WndProc(TMessage& message) {
  if (Destroyed() || !setUp_) {
    Inherited(message);
    return;
  }
  if (message.Msg == SM_SKINCMD) {
    SkinCommandMessage(message);
    return;
  }
  if (!Ready()) {
    Inherited(message);
    return;
  }
  if (MouseMessage(message)) return;
  HWND window = Window();
  switch (message.Msg) {
    case WM_SIZE:
      Binding()->BackgroundChangedFlag = true;
      Inherited(message);
      return;
    case WM_WINDOWPOSCHANGED: {
      // A move needs no new picture; a new size does (the region follows the size).
      TBitmap* cache = Binding()->Cache();
      RECT w{};
      GetWindowRect(window, &w);
      if (!cache || cache->Width() != w.right - w.left || cache->Height() != w.bottom - w.top)
        Binding()->BackgroundChangedFlag = true;
      Inherited(message);
      return;
    }
    case WM_ACTIVATE:
      if (!Visible()) break;
      QuietOld(message);
      active_ = LOWORD(message.WParam) != WA_INACTIVE;
      ReadCloseState();
      Binding()->BackgroundChangedFlag = true;
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
      systemMenu_->UpdateItems();
      return;
    case WM_NCACTIVATE:
      if (!Visible()) break;
      QuietOld(message);
      active_ = message.WParam != 0;
      RepaintFrame();
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!Visible()) {
        Inherited(message);
        Binding()->BackgroundChangedFlag = true;
        return;
      }
      QuietOld(message);
      RepaintFrame();
      return;
    case WM_NCPAINT:
      if (!Visible()) break;
      GuardedPaint([&] { OnNcPaint(); });
      message.Result = 0;
      return;
    case WM_PAINT:
      if (!Visible()) break;
      OnPaint(message);
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (provider_ && provider_->SpecialMode() == 3 && message.WParam) {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        const TSavedDC saved(dc);
        if (HRGN areas = ColorAreasRegion()) SelectClipRgn(dc, areas);
        Old(message);
        return;
      }
      message.Result = 1;
      return;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      // The system menu's owner-drawn items are the menu skinning's, never the dialog's.
      if (systemMenu_->OwnerDrawMessage(message)) return;
      if (message.Msg == WM_DRAWITEM && message.LParam) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        if (item->CtlType == ODT_STATIC) SetBkMode(item->hDC, TRANSPARENT);
      }
      break;
    case WM_GETDLGCODE:
      message.Result = 0;
      return;
    case WM_CTLCOLORDLG: {
      const TColor color = Manager() ? Manager()->GlobalColor() : static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
      if (!brush_ || color != brushColor_) {
        brush_ = TBrushHandle(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color))));
        brushColor_ = color;
      }
      message.Result = reinterpret_cast<LRESULT>(brush_.Get());
      return;
    }
    case WM_SYSCOMMAND:
      OnSysCommand(message);
      return;
    case WM_COMMAND:
      // Escape asks a box for IDCANCEL: one that offers no Cancel does not answer with it.
      if (LOWORD(message.WParam) == IDCANCEL && HIWORD(message.WParam) == 0 && !closeAllowed_ && OffersNoCancel()) {
        message.Result = 0;
        return;
      }
      break;
    case kDialogItemsChanged: {
      {
        const TRedrawOff quiet(window);
        Inherited(message);
        WalkChildren();
      }
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INTERNALPAINT | RDW_INVALIDATE);
      return;
    }
    default:
      break;
  }
  Inherited(message);
}

void TacDialogWnd::SkinCommandMessage(TMessage& message) {
  TsCommonData* binding = Binding();
  const bool ours = reinterpret_cast<TsSkinManager*>(message.LParam) == Manager();
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINREMOVED:
      Inherited(message);
      if (ours && !Destroyed()) {
        RestoreParams();
        GiveBackFrame();
      }
      return;
    case CMD_SKINLOADED:
      if (ours && binding) {
        binding->UpdateIndexes();
        binding->BackgroundChangedFlag = true;
        if (Skinned() && !removedSysMenu_) TakeFrame();
        buttons_->ResolveImages();
        regionKey_ = TRegionKey{};
      }
      return;
    default:
      break;
  }
  if (!Ready()) {
    Inherited(message);
    return;
  }
  switch (SkinCommandOf(message.WParam)) {
    case CMD_GETBGINFO: {
      if (binding->BackgroundChangedFlag) GuardedPaint([&] { PaintAll(Geometry()); });
      const TFrameGeometry g = Geometry();
      TBitmap* cache = binding->Cache();
      // The children's positions are client coordinates: the client's place in the picture.
      AnswerBackground(message, BgInfo{cache ? cache->View() : TSurfaceView{}, g.OffsetX, g.OffsetY,
                                       cache && !cache->Empty()});
      return;
    }
    case CMD_SETUPDATING:
      binding->UpdatingFlag = SkinArgumentOf(message.WParam) == 1;
      if (binding->RefreshUpdating()) binding->BackgroundChangedFlag = true;
      Inherited(message);
      return;
    case CMD_ISBGBUSY:
      message.LParam = message.Result = binding->BackgroundChangedFlag || binding->RefreshUpdating() ? 1 : 0;
      return;
    case CMD_ISBGVARIABLE: {
      const TsGeneralData* section = binding->Section();
      message.LParam = message.Result = section && section->GradientPercent + section->ImagePercent > 0 ? 1 : 0;
      return;
    }
    case CMD_GETCOLOR:
      if (const TsGeneralData* section = binding->Section()) {
        AnswerColor(message, static_cast<TColor>(section->HotColor));
        return;
      }
      break;
    case CMD_REPAINT:
      if (!ours) break;
      binding->UpdateIndexes();
      binding->BackgroundChangedFlag = true;
      regionKey_ = TRegionKey{};
      RedrawWindow(Window(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      return;
    case CMD_DIALOGCMD:
      WalkChildren();
      break;
    default:
      break;
  }
  Inherited(message);
}

void TacDialogWnd::OnSysCommand(TMessage& message) {
  const WPARAM command = message.WParam & 0xFFF0;
  // A dialog that offers no close (its system menu disables SC_CLOSE) is never closed by
  // one: Alt+F4 and the caption would give a result it does not offer.
  if (command == SC_CLOSE) {
    ReadCloseState();
    if (!closeAllowed_) {
      message.Result = 0;
      return;
    }
  }
  if (message.WParam == kDragMove) RepaintFrame();
  Inherited(message);
  if (Destroyed() || !IsWindow(Window())) return;
  if (command == SC_MAXIMIZE || command == SC_RESTORE || command == SC_MINIMIZE) {
    buttons_->Reset();
    RepaintFrame();
    systemMenu_->UpdateItems();
  }
  // Alt+Space: without WS_SYSMENU the platform has no menu to open.
  if (command == SC_KEYMENU && LOWORD(message.LParam) == VK_SPACE && (style_ & WS_SYSMENU)) PopupAtIcon();
}

// ---------------------------------------------------------------- mouse

int TacDialogWnd::HitTest(POINT p) {
  const TFrameGeometry g = Geometry();
  if (g.CaptionHeight > 0 && (style_ & WS_SYSMENU)) {
    const int cx = GetSystemMetrics(SM_CXSMICON);
    const RECT icon{g.BorderWidth, 0, g.BorderWidth + cx, g.BandHeight()};
    const int answer = buttons_->HitTest(p, g, icon);
    if (answer != 0) return answer;
  }
  POINT grip{};
  if (GripOrigin(g, grip) && p.x > grip.x && p.y > grip.y) return HTBOTTOMRIGHT;
  return 0;
}

void TacDialogWnd::Release(POINT p) {
  const int code = buttons_->Release(p);
  const TsWindowRules rules = Rules();
  if (code == HTCLOSE && !closeAllowed_) return;
  if (const WPARAM command = TacCaptionButtons::CommandOf(code, rules.Caption())) {
    PostCommand(Window(), command);
    if (code == HTHELP) RepaintFrame();
  }
}

void TacDialogWnd::PopupAtIcon() {
  RECT w{};
  GetWindowRect(Window(), &w);
  const TFrameGeometry g = Geometry();
  buttons_->SetHot(0);
  systemMenu_->Popup(w.left + g.BorderWidth, w.top + g.BorderHeight + GetSystemMetrics(SM_CYSMICON));
}

// Mouse messages of the caption buttons and the frame; true when handled here.
bool TacDialogWnd::MouseMessage(TMessage& message) {
  HWND window = Window();
  const POINT screen{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  switch (message.Msg) {
    case WM_NCHITTEST: {
      if (buttons_->PressedCode()) return false;
      const POINT p = WindowPoint(screen);
      const int answer = HitTest(p);
      if (answer == 0 || answer == HTCAPTION) {
        Inherited(message);
        buttons_->SetHot(0);
      } else {
        message.Result = answer;
      }
      if (OnZoomedBorder(window, p, Geometry())) {
        buttons_->SetHot(0);
        message.Result = HTTRANSPARENT;
      }
      return true;
    }
    case WM_NCMOUSEMOVE:
      Inherited(message);
      buttons_->NonClientMoved();
      return true;
    case WM_NCMOUSELEAVE:
      buttons_->NonClientLeft();
      Inherited(message);
      return true;
    case WM_MOUSELEAVE:
      if (!buttons_->PressedCode()) buttons_->SetHot(0);
      return false;
    case WM_NCLBUTTONDOWN: {
      const int code = static_cast<int>(message.WParam);
      if (code == HTSYSMENU) {
        buttons_->SetHot(0);
        PopupAtIcon();
        return true;
      }
      if (buttons_->IsButton(code)) {
        buttons_->Press(code, screen);
        return true;
      }
      buttons_->SetHot(0);
      if (IsIconic(window)) {
        SendCommand(window, kDragMove);
        return true;
      }
      if (IsZoomed(window) && WindowPoint(screen).y < Geometry().BandHeight()) {
        if (!active_) SetFocus(window);
        return true;
      }
      return false;
    }
    case WM_NCLBUTTONUP:
      if (!buttons_->PressedCode()) return false;
      Release(WindowPoint(screen));
      return true;
    case WM_MOUSEMOVE:
      if (!buttons_->PressedCode()) {
        if (IsWindowEnabled(window) && Manager()) Manager()->SetHotWindow(nullptr);
        return false;
      }
      {
        POINT p = screen;
        ClientToScreen(window, &p);
        buttons_->TrackPressed(WindowPoint(p));
      }
      return true;
    case WM_LBUTTONUP: {
      if (!buttons_->PressedCode()) return false;
      // The mouse is captured since the press: WParam holds key flags, the point decides.
      POINT p = screen;
      ClientToScreen(window, &p);
      Release(WindowPoint(p));
      return true;
    }
    case WM_CAPTURECHANGED:
      Inherited(message);
      buttons_->CaptureChanged(reinterpret_cast<HWND>(message.LParam));
      return true;
    case WM_NCLBUTTONDBLCLK: {
      // The second press of a quick double click on a button is a press like the first.
      if (buttons_->IsButton(static_cast<int>(message.WParam))) {
        buttons_->Press(static_cast<int>(message.WParam), screen);
        return true;
      }
      const TsWindowRules r = Rules();
      if (message.WParam == HTCAPTION && (r.MaximizeEnabled || r.RestoreEnabled))
        SendCommand(window, r.Zoomed || r.Iconic ? SC_RESTORE : SC_MAXIMIZE);
      else if (message.WParam == HTSYSMENU && closeAllowed_)
        PostCommand(window, SC_CLOSE);
      systemMenu_->UpdateItems();
      message.Result = 0;
      return true;
    }
    case WM_NCRBUTTONDOWN:
      if (message.WParam != HTCAPTION && message.WParam != HTSYSMENU) return false;
      message.Result = 0;
      return true;
    case WM_NCRBUTTONUP:
      if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) {
        buttons_->SetHot(0);
        systemMenu_->Popup(screen.x, screen.y);
      }
      message.Result = 0;
      return true;
    default:
      return false;
  }
}
