#include "skin/window/sSkinProvider.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"

// Every message of the form passes here first; the provider decides whether the form's
// previous procedure runs.
class TsSkinProvider::Handler : public TControlHandler {
public:
  explicit Handler(TsSkinProvider& provider) : provider_(provider) {}
  void Previous(TMessage& message) { CallPrevious(message); }

protected:
  // Errors of the form's own procedure (an event handler run by a key the form passes
  // on) travel on to the framework as without a provider; the provider's painting never
  // raises (see Guarded).
  void HandleMessage(TMessage& message) override { provider_.WndProc(message); }
  void ControlDestroyed() override { provider_.FormWindowGone(); }

private:
  TsSkinProvider& provider_;
};

namespace {

TCustomForm* FormInOwnerChain(TComponent* component) {
  for (TComponent* c = component; c; c = c->Owner())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

bool HasOtherProvider(TCustomForm* form, const TsSkinProvider* self) {
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* other = dynamic_cast<TsSkinProvider*>(form->Components(i));
    if (other && other != self && other->Form() == form) return true;
  }
  return false;
}

int CaptionFontHeight() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return 0;
  return metrics.lfCaptionFont.lfHeight;
}

// Moving a window by the mouse from wherever it was pressed.
constexpr WPARAM kDragMove = 0xF012;

bool HasFrame(const TCustomForm& form) { return form.BorderStyle() != bsNone || form.FormStyle() == fsMDIChild; }

}  // namespace

TsSkinProvider::TsSkinProvider(TComponent* owner)
    : TComponent(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  skinData_->ControlKind = COC_TsSkinProvider;
  skinData_->SetSkinSection("FORM");
  TCustomForm* form = FormInOwnerChain(owner);
  if (!form || HasOtherProvider(form, this)) return;
  form_ = form;
  handler_ = std::make_unique<Handler>(*this);
  handler_->Install(*form_);
  RegisterProviderForm(form_);
  TsSkinManager* manager = skinData_->SkinManager();
  if (manager && manager->SkinActive()) InitializeFrame();
}

TsSkinProvider::~TsSkinProvider() {
  EndOutline(false);
  if (form_) {
    UnregisterProviderForm(form_);
    // The form may be half gone (its components are freed last): touch it only while it
    // is not being destroyed.
    const bool formAlive = !form_->IsDestroying() && !windowGone_;
    if (formAlive) UninitializeFrame();
    // Reverse order of hooking: nothing of ours is chained after the handler yet, so the
    // handler goes first (and only while it is first; otherwise it passes messages on).
    if (handler_) handler_->Remove();
    if (formAlive && form_->HandleAllocated())
      RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  handler_.reset();
  form_ = nullptr;
}

TsSkinProvider* FindProvider(TCustomForm* form) {
  if (!form || !form->HandleAllocated()) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(SendSkinCommand(form->Handle(), CMD_FINDPROVIDER, 0));
}

// ---------------------------------------------------------------- settings

void TsSkinProvider::SetCaptionAlignment(TAlignment alignment) {
  captionAlignment_ = alignment;
  RepaintFrame();
}

void TsSkinProvider::SetShowAppIcon(bool on) {
  showAppIcon_ = on;
  RepaintFrame();
}

void TsSkinProvider::SetTitleSkin(const std::string& name) {
  titleSkin_ = name;
  RepaintFrame();
}

void TsSkinProvider::SetUseGlobalColor(bool on) {
  useGlobalColor_ = on;
  ApplyGlobalColor();
}

std::string TsSkinProvider::TitleSection() const { return titleSkin_.empty() ? "FORMTITLE" : titleSkin_; }

int TsSkinProvider::TitleIndex() const {
  TsSkinManager* manager = skinData_->SkinManager();
  return manager ? manager->SectionIndex(TitleSection()) : -1;
}

bool TsSkinProvider::Skinned() const {
  return form_ && !form_->IsDestroying() && !windowGone_ && skinData_->Skinned();
}

void TsSkinProvider::Invalidate() { skinData_->BackgroundChangedFlag = true; }

void TsSkinProvider::RepaintFrame() {
  Invalidate();
  if (Skinned() && form_->HandleAllocated() && form_->Visible()) GuardedPaint([&] { OnNcPaint(); });
}

// ---------------------------------------------------------------- geometry

int TsSkinProvider::IconSizeFor(int height) {
  if (height < 9) return 0;
  if (height <= 16) return 8;
  if (height <= 27) return 16;
  return 32;
}

TFrameGeometry TsSkinProvider::Geometry() const {
  TFrameGeometry g;
  if (!form_ || !form_->HandleAllocated()) return g;
  HWND window = form_->Handle();
  RECT w{}, c{};
  GetWindowRect(window, &w);
  GetClientRect(window, &c);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  g.Width = w.right - w.left;
  g.Height = w.bottom - w.top;
  g.ClientWidth = c.right;
  g.ClientHeight = c.bottom;
  g.OffsetX = origin.x - w.left;
  g.OffsetY = origin.y - w.top;
  if (!HasFrame(*form_)) return g;
  const bool caption = (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  const bool tool = form_->BorderStyle() == bsToolWindow || form_->BorderStyle() == bsSizeToolWin;
  if (IsIconic(window) || g.ClientWidth <= 0 || g.ClientHeight <= 0) {
    // No client area to measure against: the platform's metrics.
    const bool thin = form_->BorderStyle() == bsSingle || form_->BorderStyle() == bsDialog ||
                      form_->BorderStyle() == bsToolWindow;
    g.BorderWidth = GetSystemMetrics(thin ? SM_CXDLGFRAME : SM_CXFRAME);
    g.BorderHeight = GetSystemMetrics(thin ? SM_CYDLGFRAME : SM_CYFRAME);
    g.CaptionHeight = caption ? GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION) : 0;
    return g;
  }
  // The platform's frame is exactly what lies around the client area.
  g.BorderWidth = g.OffsetX;
  g.BorderHeight = std::max(0, g.Height - g.OffsetY - g.ClientHeight);
  g.CaptionHeight = caption ? std::max(0, g.OffsetY - g.BorderHeight) : 0;
  return g;
}

RECT TsSkinProvider::CaptionTextRect(const TFrameGeometry& g) const {
  const RECT icon = IconRect(g);
  const int iconWidth = icon.right - icon.left;
  const int buttonsWidth = ButtonsWidth();
  return RECT{g.BorderWidth + 4 + iconWidth, g.BorderHeight, g.Width - buttonsWidth - 6, g.CaptionHeight};
}

// ---------------------------------------------------------------- set-up

void TsSkinProvider::InitializeFrame() {
  if (!form_) return;
  skinData_->Loaded();
  if (!skinData_->Skinned()) {
    // A skin without the form's section: the platform's frame, as without a skin.
    UninitializeFrame();
    if (form_->HandleAllocated() && form_->Visible())
      SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  if (!systemMenu_) systemMenu_ = new TsSystemMenu(this, form_);
  systemMenu_->UpdateItems();
  SetSysMenuStyle(false);
  if (FrameHooks().ScanControls) FrameHooks().ScanControls(*this);
  CallHook(FrameHooks().ScrollBars, true);
  CallHook(FrameHooks().Menus, true);
  ApplyGlobalColor();
  Invalidate();
  regionChanged_ = true;
  if (form_->HandleAllocated() && form_->Visible()) {
    // The frame changed hands: the platform recomputes and repaints it through us.
    SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TsSkinProvider::UninitializeFrame() {
  if (!form_ || !form_->HandleAllocated()) return;
  EndOutline(false);
  CallHook(FrameHooks().ScrollBars, false);
  CallHook(FrameHooks().Menus, false);
  SetSysMenuStyle(true);
  if (regionGiven_) {
    SetWindowRgn(form_->Handle(), nullptr, TRUE);
    regionGiven_ = false;
  }
  regionChanged_ = true;
  if (useGlobalColor_ && !skinData_->CustomColor()) form_->SetColor(clBtnFace);
}

void TsSkinProvider::SetSysMenuStyle(bool on) {
  if (!form_ || !form_->HandleAllocated()) return;
  HWND window = form_->Handle();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  if (!on) {
    // The provider draws the caption buttons; with WS_SYSMENU the platform would draw its own.
    if (!(style & WS_SYSMENU) || form_->BorderIcons() == 0) return;
    SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
    removedSysMenu_ = true;
  } else if (removedSysMenu_) {
    SetWindowLongPtrW(window, GWL_STYLE, style | WS_SYSMENU);
    removedSysMenu_ = false;
  }
}

void TsSkinProvider::ApplyGlobalColor() {
  if (!form_ || form_->IsDestroying() || !useGlobalColor_ || skinData_->CustomColor()) return;
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager) return;
  form_->SetColor(Skinned() ? manager->GlobalColor() : clBtnFace);
}

void TsSkinProvider::FormWindowGone() {
  windowGone_ = true;
  regionGiven_ = false;
  if (form_) UnregisterProviderForm(form_);
}

// ---------------------------------------------------------------- messages

void TsSkinProvider::CallOld(TMessage& message) { handler_->Previous(message); }

void TsSkinProvider::WndProc(TMessage& message) {
  if (message.Msg == SM_SKINCMD && CommonCommand(message)) return;
  if (!Skinned()) {
    if (IsSkinCommand(message, CMD_FINDPROVIDER)) {
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    }
    CallOld(message);
    return;
  }
  SkinnedMessage(message);
}

// The commands served whether or not the form is skinned now.
bool TsSkinProvider::CommonCommand(TMessage& message) {
  TsSkinManager* own = skinData_->SkinManager();
  const bool forThisManager = reinterpret_cast<TsSkinManager*>(message.LParam) == own;
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      if (forThisManager && form_ && !form_->IsDestroying() && !windowGone_) {
        InitializeFrame();
        RepaintFrame();
      }
      return true;
    case CMD_SKINREMOVED:
      if (forThisManager) {
        skinData_->CommonWndProc(message);
        skinData_->SectionIndex = -1;
        UninitializeFrame();
        if (form_ && form_->HandleAllocated() && !windowGone_)
          SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    case CMD_GETCLIENTOFFSET: {
      const TFrameGeometry g = Geometry();
      message.Result = static_cast<LRESULT>(PackWords(static_cast<WORD>(g.OffsetX), static_cast<WORD>(g.OffsetY)));
      return true;
    }
    default:
      return false;
  }
}

void TsSkinProvider::SkinnedCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_REPAINT:
      if (reinterpret_cast<TsSkinManager*>(message.LParam) == skinData_->SkinManager()) {
        if (FrameHooks().ScanControls) FrameHooks().ScanControls(*this);
        CallHook(FrameHooks().ScrollBars, true);
        CallHook(FrameHooks().Menus, true);
        Invalidate();
        skinData_->UpdatingFlag = false;
        regionChanged_ = true;
        if (form_->Visible()) {
          ApplyGlobalColor();
          GuardedPaint([&] { OnNcPaint(); });
          InvalidateRect(form_->Handle(), nullptr, FALSE);
        }
      }
      return;
    case CMD_FINDPROVIDER:
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    case CMD_CONTROLADDED:
      if (!form_->IsLoading() && message.LParam && FrameHooks().ScanControls) FrameHooks().ScanControls(*this);
      return;
    case CMD_GETBGINFO:
      if (!IsLoading()) {
        if (skinData_->BackgroundChangedFlag) GuardedPaint([&] { PaintAll(); });
        const TFrameGeometry g = Geometry();
        TBitmap* cache = skinData_->Cache();
        AnswerBackground(message, BgInfo{cache ? cache->View() : TSurfaceView{}, g.OffsetX, g.OffsetY, cache && !cache->Empty()});
      }
      return;
    case CMD_SETUPDATING:
      skinData_->UpdatingFlag = SkinArgumentOf(message.WParam) == 1;
      if (skinData_->UpdatingFlag) Invalidate();
      return;
    case CMD_ISBGBUSY:
      message.LParam = message.Result = skinData_->BackgroundChangedFlag || skinData_->UpdatingFlag ? 1 : 0;
      return;
    case CMD_PAINTINGCHILD:
      skinData_->PaintingChild = reinterpret_cast<TControl*>(message.LParam);
      return;
    case CMD_ISBGVARIABLE: {
      const TsGeneralData* section = skinData_->Section();
      const bool variable = section && section->GradientPercent + section->ImagePercent > 0;
      message.LParam = message.Result = variable ? 1 : 0;
      return;
    }
    case CMD_GETCOLOR: {
      const TsGeneralData* section = skinData_->Section();
      AnswerColor(message, section && !skinData_->CustomColor() ? static_cast<TColor>(section->HotColor)
                                                                : static_cast<TColor>(ColorToRGB(form_->Color())));
      return;
    }
    default:
      return;
  }
}

void TsSkinProvider::SkinnedMessage(TMessage& message) {
  if (OutlineMessage(message) || OnNcMouse(message)) return;
  switch (message.Msg) {
    case SM_SKINCMD:
      SkinnedCommand(message);
      return;
    case WM_CREATE:
      CallOld(message);
      InitializeFrame();
      return;
    case WM_NCPAINT:
      GuardedPaint([&] { OnNcPaint(); });
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      message.Result = 0;
      return;
    case WM_PAINT:
      if (form_->Visible() && !(form_->ControlState() & csCreating)) {
        GuardedPaint([&] { OnPaint(message); });
        return;
      }
      if (form_->AlphaBlend()) CallOld(message);
      return;
    case WM_PRINT:
      GuardedPaint([&] { OnPrint(message); });
      return;
    case WM_PRINTCLIENT:
      return;
    case WM_NCACTIVATE:
      OnNcActivate(message);
      return;
    case WM_SETTEXT:
      OnSetText(message);
      return;
    case WM_ACTIVATE:
      CallOld(message);
      if (!(form_->ControlState() & csCreating)) {
        const bool active = LOWORD(message.WParam) != WA_INACTIVE;
        if (active != formActive_) {
          formActive_ = active;
          RepaintFrame();
        }
        CallHook(FrameHooks().Menus, true);
        if (systemMenu_) systemMenu_->UpdateItems();
      }
      return;
    case WM_SIZE:
      Invalidate();
      regionChanged_ = true;
      CallOld(message);
      if (form_->Visible())
        RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
      return;
    case WM_WINDOWPOSCHANGING:
      if (regionBusy_) return;
      if (screenSnap_ && message.LParam) SnapToWorkArea(*reinterpret_cast<WINDOWPOS*>(message.LParam));
      CallOld(message);
      return;
    case WM_WINDOWPOSCHANGED:
    case WM_EXITSIZEMOVE: {
      CallOld(message);
      if (regionBusy_ || !form_->Visible()) return;
      TsSkinManager* manager = skinData_->SkinManager();
      if (manager && manager->SkinChanging()) return;
      const TFrameGeometry g = Geometry();
      TBitmap* cache = skinData_->Cache();
      if (!cache || cache->Width() != g.Width || cache->Height() != g.Height) {
        regionChanged_ = true;
        RepaintFrame();
      }
      return;
    }
    case WM_SYSCOMMAND: {
      const WPARAM command = message.WParam & 0xFFF0;
      if (message.WParam == kDragMove) RepaintFrame();
      CallOld(message);
      if (command == SC_MAXIMIZE || command == SC_RESTORE || command == SC_MINIMIZE) {
        ResetButtons();
        RepaintFrame();
        if (systemMenu_) systemMenu_->UpdateItems();
      }
      // Alt+Space: the platform has no system menu of a skinned form to open.
      if (command == SC_KEYMENU && LOWORD(message.LParam) == VK_SPACE && (form_->BorderIcons() & biSystemMenu))
        PopupAtIcon();
      return;
    }
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(message);
      return;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      if (!systemMenu_ || !systemMenu_->OwnerDrawMessage(message)) CallOld(message);
      return;
    case WM_PARENTNOTIFY:
      CallOld(message);
      if (LOWORD(message.WParam) == WM_CREATE && !IsLoading() && !form_->IsLoading() && FrameHooks().ScanControls)
        FrameHooks().ScanControls(*this);
      return;
    case WM_SETTINGCHANGE:
      Invalidate();
      CallOld(message);
      return;
    case WM_ENTERIDLE:
      message.Result = 0;
      return;
    case CM_ENABLEDCHANGED:
      CallOld(message);
      RepaintFrame();
      return;
    case CM_COLORCHANGED:
      if (skinData_->CustomColor()) {
        Invalidate();
        CallOld(message);
      }
      return;
    default:
      CallOld(message);
      return;
  }
}

// The platform repaints its own caption on these two without WM_NCPAINT. Activation is
// passed on with LParam -1 (the documented "do not repaint the frame"); text changes are
// passed on while the style lacks one of the WS_CAPTION bits, which is what the platform
// tests before drawing the caption. Either way the skinned frame follows at once.
void TsSkinProvider::OnNcActivate(TMessage& message) {
  const bool active = message.WParam != 0;
  if (!form_->Visible()) {
    CallOld(message);
    return;
  }
  if (active != formActive_) Invalidate();
  TMessage quiet = message;
  quiet.LParam = -1;
  CallOld(quiet);
  message.Result = quiet.Result;
  if (!(form_->ControlState() & csCreating) && HasFrame(*form_)) formActive_ = active;
  GuardedPaint([&] { OnNcPaint(); });
}

void TsSkinProvider::OnSetText(TMessage& message) {
  if (!form_->Visible() || !HasFrame(*form_)) {
    CallOld(message);
    Invalidate();
    return;
  }
  HWND window = form_->Handle();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const bool caption = (style & WS_CAPTION) == WS_CAPTION;
  if (caption) SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_DLGFRAME));
  try {
    CallOld(message);
  } catch (...) {
    if (caption) SetWindowLongPtrW(window, GWL_STYLE, style);
    throw;
  }
  if (caption) SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_DLGFRAME);
  RepaintFrame();
}

void TsSkinProvider::OnNcPaint() {
  // The framework's Visible, not WS_VISIBLE: redraw switched off clears the latter.
  if (!form_->Visible() || form_->IsLoading() || form_->IsDestroying() || windowGone_ ||
      (form_->ControlState() & csCreating) || skinData_->UpdatingFlag)
    return;
  const TFrameGeometry g = Geometry();
  if (skinData_->BackgroundChangedFlag) PaintAll();
  if (regionChanged_ && !regionBusy_ && (HasFrame(*form_) || (GetWindowLongW(form_->Handle(), GWL_STYLE) & WS_THICKFRAME)))
    UpdateRegion(g);
  const TWindowDC dc = TWindowDC::Of(form_->Handle());
  if (!dc) return;
  const TSavedDC saved(dc.Get());
  CopyFrame(dc.Get(), g);
  regionBusy_ = false;
}

void TsSkinProvider::CopyFrame(HDC dc, const TFrameGeometry& g) {
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;
  HDC source = cache->Canvas().Handle();
  const int bottomY = g.OffsetY + g.ClientHeight;
  const int rightX = g.OffsetX + g.ClientWidth;
  // Top band, left strip, right strip (as wide as the right border), bottom strip.
  BitBlt(dc, 0, 0, g.Width, g.OffsetY, source, 0, 0, SRCCOPY);
  BitBlt(dc, 0, g.OffsetY, g.OffsetX, g.Height - g.OffsetY, source, 0, g.OffsetY, SRCCOPY);
  BitBlt(dc, rightX, g.OffsetY, g.Width - rightX, g.Height - g.OffsetY, source, rightX, g.OffsetY, SRCCOPY);
  BitBlt(dc, g.OffsetX, bottomY, g.ClientWidth, g.Height - bottomY, source, g.OffsetX, bottomY, SRCCOPY);
}

void TsSkinProvider::UpdateRegion(const TFrameGeometry& g) {
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager) return;
  std::vector<TsRect> cuts;
  const TMaskRef border = MaskRef(manager->Tables(), skinData_->BorderMaskIndex);
  if (border.Valid()) {
    CornerKeyRuns(cuts, g.Width, border, false, 0);
    CornerKeyRuns(cuts, g.Width, border, true, g.Height - border.Data->WB);
  }
  const int title = TitleIndex();
  if (title >= 0 && g.CaptionHeight > 0) {
    const TMaskRef titleBorder = MaskRef(manager->Tables(), manager->MaskIndex(title, TitleSection(), "BORDERSMASK"));
    CornerKeyRuns(cuts, g.Width, titleBorder, false, 0);
  }
  regionChanged_ = false;
  regionBusy_ = true;
  TRegionHandle region = NewRectRegion(0, 0, g.Width, g.Height);
  for (const TsRect& cut : cuts) {
    TRegionHandle piece = NewRectRegion(cut.Left, cut.Top, cut.Right, cut.Bottom);
    if (region && piece) CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_DIFF);
  }
  // The window owns the region once it took it. No redraw: the frame is copied next.
  if (region && SetWindowRgn(form_->Handle(), region.Get(), FALSE)) {
    (void)region.Release();
    regionGiven_ = true;
  }
}

// ---------------------------------------------------------------- the cached picture

void TsSkinProvider::PaintAll() {
  if (!form_ || (form_->ControlState() & csCreating)) return;
  TsSkinManager* manager = skinData_->SkinManager();
  TBitmap* cache = skinData_->Cache();
  if (!manager || !cache) return;
  const TFrameGeometry g = Geometry();
  if (g.Width <= 0 || g.Height <= 0) return;
  regionChanged_ = regionChanged_ || cache->Width() != g.Width || cache->Height() != g.Height;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(g.Width, g.Height);
  const int state = formActive_ ? 1 : 0;
  const bool iconic = IsIconic(form_->Handle()) != 0;

  TPaintItemSource item = SectionPaintSource(*skinData_, *manager);
  item.CustomColor = skinData_->CustomColor();
  item.OwnerColor = static_cast<TColor>(ColorToRGB(form_->Color()));
  item.HasParent = false;
  item.DependsOnParent = false;
  const int height = iconic ? std::min(g.Height, g.BandHeight() + 1) : g.Height;
  PaintItem(item, BgInfo{}, true, false, cache->View(), TPoint{0, 0}, TsRect{0, 0, g.Width, height}, state);
  if (!iconic) PaintGrip(g);

  if (g.CaptionHeight > 0) {
    PaintCaptionBand(g, state);
    PaintIcon(g);
    PaintButtons(g);
    PaintCaptionText(g);
  }
  GdiFlush();
  skinData_->BackgroundChangedFlag = false;
  skinData_->UpdatingFlag = false;
}

void TsSkinProvider::PaintCaptionBand(const TFrameGeometry& g, int state) {
  TsSkinManager* manager = skinData_->SkinManager();
  const int title = TitleIndex();
  if (!manager || title < 0) return;
  TBitmap* cache = skinData_->Cache();
  const std::string name = TitleSection();
  const TSurfaceView view = cache->View();
  // The band lies over the form's own picture, which is its parent background.
  const BgInfo bg{view, 0, 0, true};
  PaintSection(title, name, bg, manager->TextureIndex(title, name, "HOTPATTERN"),
               manager->TextureIndex(title, name, "PATTERN"), &manager->Tables(), view, TPoint{0, 0},
               TsRect{0, 0, g.Width, g.BandHeight()}, state, true);
}

namespace {

// The executable's shell icons, loaded once and freed when the program ends.
struct TShellIcons {
  TIconHandle Small, Large;
  TShellIcons() {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return;
    SHFILEINFOW info{};
    if (SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) Small = TIconHandle(info.hIcon);
    info = SHFILEINFOW{};
    if (SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON)) Large = TIconHandle(info.hIcon);
  }
};

const TShellIcons& ShellIcons() {
  static const TShellIcons icons;
  return icons;
}

}  // namespace

RECT TsSkinProvider::IconRect(const TFrameGeometry& g) const {
  if (!form_ || !showAppIcon_ || g.CaptionHeight == 0 ||
      (form_->BorderStyle() != bsSingle && form_->BorderStyle() != bsSizeable))
    return RECT{};
  const int width = titleIcon_.Width != 0 ? titleIcon_.Width : IconSizeFor(g.CaptionHeight);
  const int height = titleIcon_.Height != 0 ? titleIcon_.Height : IconSizeFor(g.CaptionHeight);
  const int top = (g.BandHeight() - height) / 2;
  return RECT{g.BorderWidth, top, g.BorderWidth + width, top + height};
}

// The form's icon, else the application's, else the executable's shell icon, else the
// platform's application icon; or the title glyph stretched in their place.
void TsSkinProvider::PaintIcon(const TFrameGeometry& g) {
  const RECT r = IconRect(g);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  HDC dc = skinData_->Cache()->Canvas().Handle();
  if (!titleIcon_.Glyph.Empty()) {
    const int side = IconSizeFor(g.HeaderHeight() - 2);
    const int w = titleIcon_.Width != 0 ? titleIcon_.Width : side;
    const int h = titleIcon_.Height != 0 ? titleIcon_.Height : side;
    // Stretched by nearest pixel; the key colour stays out.
    GdiFlush();
    const TSurfaceView src = titleIcon_.Glyph.View(), dst = skinData_->Cache()->View();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int dx = r.left + x, dy = r.top + y;
        if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
        const uint8_t* p = src.Pixel(x * src.width / w, y * src.height / h);
        if (p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF) continue;
        std::copy(p, p + 3, dst.Pixel(dx, dy));
      }
    return;
  }
  HICON icon = form_->Icon().Empty() ? nullptr : form_->Icon().Handle(width);
  if (!icon && Application && !Application->Icon().Empty()) icon = Application->Icon().Handle(width);
  if (icon) {
    DrawIconEx(dc, r.left, r.top, icon, width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  const int w = titleIcon_.Width != 0 ? titleIcon_.Width : g.CaptionHeight - r.top;
  const int h = titleIcon_.Height != 0 ? titleIcon_.Height : g.CaptionHeight - r.top;
  const TShellIcons& shell = ShellIcons();
  HICON shellIcon = h > 16 && shell.Large ? shell.Large.Get() : shell.Small.Get();
  if (shellIcon) {
    DrawIconEx(dc, r.left, r.top, shellIcon, w, h, 0, nullptr, DI_NORMAL);
    return;
  }
  // A shared system icon: never destroyed.
  if (HICON platform = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)))
    DrawIconEx(dc, r.left, r.top, platform, width, height, 0, nullptr, DI_NORMAL);
}

void TsSkinProvider::PaintCaptionText(const TFrameGeometry& g) {
  const String text = form_->Caption();
  RECT r = CaptionTextRect(g);
  if (text.empty() || r.right <= r.left) return;
  TCanvas& canvas = skinData_->Cache()->Canvas();
  canvas.Font().Assign(form_->Font());
  canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
  canvas.Font().SetHeight(CaptionFontHeight());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const int textHeight = canvas.TextHeight(text);
  r.top += (r.bottom - r.top - textHeight) / 2;
  r.bottom = r.top + textHeight;
  UINT align = captionAlignment_ == taRightJustify ? DT_RIGHT : captionAlignment_ == taCenter ? DT_CENTER : DT_LEFT;
  DrawSectionText(canvas, text, true, skinData_->SkinManager(), formActive_, TitleIndex(),
                  align | DT_VCENTER | DT_EXPANDTABS | DT_END_ELLIPSIS | DT_SINGLELINE, r);
}

// ---------------------------------------------------------------- client area

void TsSkinProvider::OnPaint(TMessage& message) {
  HDC given = reinterpret_cast<HDC>(message.WParam);
  TPaintDC paint;
  if (!given) paint = TPaintDC::Begin(form_->Handle());
  HDC dc = given ? given : paint.Get();
  message.Result = 0;
  if (!dc || skinData_->UpdatingFlag) return;
  if (skinData_->BackgroundChangedFlag) PaintAll();
  const TFrameGeometry g = Geometry();
  {
    const TSavedDC state(dc);
    PaintToDCExcludingChildren(form_, *skinData_, POINT{g.OffsetX, g.OffsetY}, 0, 0, false, dc,
                               RECT{0, 0, g.ClientWidth, g.ClientHeight});
    PaintGraphicChildren(dc, form_, POINT{0, 0});
  }
  NotifyChildrenParentDone(form_);
}

void TsSkinProvider::OnPrint(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc || !form_->Visible() || form_->IsLoading() || skinData_->UpdatingFlag) return;
  if (skinData_->BackgroundChangedFlag) PaintAll();
  const TFrameGeometry g = Geometry();
  const TSavedDC state(dc);
  CopyFrame(dc, g);
  SetViewportOrgEx(dc, g.OffsetX, g.OffsetY, nullptr);
  IntersectClipRect(dc, 0, 0, g.ClientWidth, g.ClientHeight);
  PaintToDCExcludingChildren(form_, *skinData_, POINT{g.OffsetX, g.OffsetY}, 0, 0, false, dc,
                             RECT{0, 0, g.ClientWidth, g.ClientHeight});
  PaintGraphicChildren(dc, form_, POINT{0, 0});
}

// ---------------------------------------------------------------- caption buttons

namespace {

constexpr int kButtonCodes[4] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP};
constexpr int kMissingButtonSize = 21;

struct TWindowRules {
  bool sysMenu, minVisible, maxVisible, help, minEnabled, maxEnabled, restoreEnabled, iconic, zoomed;
};

TWindowRules RulesOf(TCustomForm& form) {
  const uint32_t icons = form.BorderIcons();
  const TBorderStyle bs = form.BorderStyle();
  const bool framed = bs == bsSingle || bs == bsSizeable;
  TWindowRules r{};
  r.iconic = form.HandleAllocated() && IsIconic(form.Handle());
  r.zoomed = form.HandleAllocated() && IsZoomed(form.Handle());
  r.sysMenu = (icons & biSystemMenu) != 0;
  r.minVisible = r.sysMenu && (r.iconic || bs == bsSizeable || (bs == bsSingle && (icons & biMinimize)));
  r.maxVisible = r.sysMenu && (r.iconic || (framed && (icons & biMaximize)));
  r.help = r.sysMenu && (icons & biHelp);
  r.minEnabled = (icons & biMinimize) && !r.iconic;
  r.maxEnabled = (icons & biMaximize) && !r.zoomed && framed;
  r.restoreEnabled = ((icons & biMaximize) && (r.zoomed || r.iconic)) || r.iconic;
  return r;
}

// The face of application caption buttons: GLOBALINFO's TITLEBUTTON, else the form
// section's.
int TitleButtonImage(const TsSkinManager& manager, const std::string& formSection) {
  const int global = manager.MaskIndexByName("GLOBALINFO", "TITLEBUTTON");
  return global >= 0 ? global : manager.MaskIndexByName(formSection, "TITLEBUTTON");
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

const TCaptionButton& TsSkinProvider::Button(int code) const {
  static const TCaptionButton none;
  const TCaptionButton* b = const_cast<TsSkinProvider*>(this)->ButtonRecord(code);
  return b ? *b : none;
}

TCaptionButton* TsSkinProvider::ButtonRecord(int code) {
  for (int i = 0; i < 4; ++i)
    if (kButtonCodes[i] == code) return &buttons_[i];
  const int index = code - kFirstTitleButton;
  if (index >= 0 && index < titleButtons_.Count()) return &titleButtons_.Items(index).Button;
  return nullptr;
}

TsTitleButton& TsTitleButtons::Add() {
  items_.push_back(std::make_unique<TsTitleButton>(Count()));
  return *items_.back();
}

// Every button in layout order, right to left: close, maximise, minimise, help, then the
// application's buttons.
std::vector<int> TsSkinProvider::ButtonCodes() const {
  std::vector<int> codes(std::begin(kButtonCodes), std::end(kButtonCodes));
  for (int i = 0; i < titleButtons_.Count(); ++i) codes.push_back(kFirstTitleButton + i);
  return codes;
}

void TsSkinProvider::ResolveButtonImages() {
  TsSkinManager* manager = skinData_->SkinManager();
  for (TCaptionButton& b : buttons_) b.ImageIndex = -1;
  if (!manager || !form_) return;
  const TsSkinTables& t = manager->Tables();
  const char* big[4] = {"BICONCLOSE", "BICONMAX", "BICONMIN", "BICONHELP"};
  const char* small[4] = {"SICONCLOSE", "SICONMAX", "SICONMIN", "SICONHELP"};
  auto fill = [&](const char* section, const char* const* keys) {
    for (int i = 0; i < 4; ++i) buttons_[i].ImageIndex = t.MaskIndexByName(section, keys[i]);
  };
  if (t.MaskIndexByName("GLOBALINFO", "BICONCLOSE") < 0) {
    fill("FORM", big);
    return;
  }
  const bool large = form_->BorderStyle() == bsSingle || form_->BorderStyle() == bsSizeable;
  fill("GLOBALINFO", large ? big : small);
  if (!large && buttons_[3].ImageIndex < 0) buttons_[3].ImageIndex = t.MaskIndexByName("GLOBALINFO", "BICONHELP");
  if (buttons_[0].ImageIndex < 0) fill("GLOBALINFO", big);
}

// The image a button shows now: maximise shows the restore image while the window is
// maximised, minimise while it is minimised.
int TsSkinProvider::ButtonImage(int code) const {
  const TCaptionButton& b = Button(code);
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager || !form_) return b.ImageIndex;
  const TWindowRules r = RulesOf(*form_);
  if ((code == HTMAXBUTTON && r.zoomed) || (code == HTMINBUTTON && r.iconic)) {
    const int norm = manager->Tables().MaskIndexByName("GLOBALINFO", "BICONNORM");
    return norm >= 0 ? norm : manager->Tables().MaskIndexByName("FORM", "BICONNORM");
  }
  return b.ImageIndex;
}

// A system button is as wide as its image (21 without one); an application button as its
// glyph and a pixel on each side, at least as the skin's TITLEBUTTON image.
int TsSkinProvider::ButtonWidth(int code) const {
  TsSkinManager* manager = skinData_->SkinManager();
  if (code >= kFirstTitleButton) {
    const TMaskRef face = manager ? MaskRef(manager->Tables(), TitleButtonImage(*manager, skinData_->SkinSection()))
                                  : TMaskRef{};
    const int faceWidth = face.Valid() ? face.FrameWidth() : kMissingButtonSize;
    return std::max(titleButtons_.Items(code - kFirstTitleButton).Glyph.Width() + 2, faceWidth);
  }
  const TMaskRef image = manager ? MaskRef(manager->Tables(), Button(code).ImageIndex) : TMaskRef{};
  return image.Valid() ? image.FrameWidth() : kMissingButtonSize;
}

int TsSkinProvider::ButtonsWidth() const {
  if (!form_) return 0;
  TsSkinManager* manager = skinData_->SkinManager();
  const int space = manager ? manager->GlobalInfo().BISpacing : 0;
  const TWindowRules r = RulesOf(*form_);
  const bool shown[4] = {r.sysMenu, r.maxVisible, r.minVisible, r.help};
  int width = 0;
  for (int code : ButtonCodes()) {
    const int i = static_cast<int>(std::find(std::begin(kButtonCodes), std::end(kButtonCodes), code) - kButtonCodes);
    if (i < 4 && !shown[i]) continue;
    width += ButtonWidth(code) + space;
  }
  return width;
}

void TsSkinProvider::LayoutButtons(const TFrameGeometry& g) {
  TsSkinManager* manager = skinData_->SkinManager();
  ResolveButtonImages();
  const TWindowRules r = RulesOf(*form_);
  const bool shown[4] = {r.sysMenu, r.maxVisible, r.minVisible, r.help};
  const bool enabled[4] = {true, r.maxEnabled || r.restoreEnabled, r.minEnabled || r.restoreEnabled, true};
  const int space = manager ? manager->GlobalInfo().BISpacing : 0;
  const TMaskRef close = manager ? MaskRef(manager->Tables(), buttons_[0].ImageIndex) : TMaskRef{};
  const int height = close.Valid() ? close.FrameHeight() : kMissingButtonSize;
  int x = g.Width - g.BorderWidth - space;
  for (int code : ButtonCodes()) {
    TCaptionButton& b = *ButtonRecord(code);
    if (code >= kFirstTitleButton) {
      b.Visible = g.CaptionHeight > 0;
      b.Enabled = titleButtons_.Items(code - kFirstTitleButton).Enabled;
    } else {
      const int i = static_cast<int>(std::find(std::begin(kButtonCodes), std::end(kButtonCodes), code) - kButtonCodes);
      const TMaskRef image = manager ? MaskRef(manager->Tables(), b.ImageIndex) : TMaskRef{};
      b.Visible = shown[i] && image.Valid() && g.CaptionHeight > 0;
      b.Enabled = enabled[i];
    }
    if (!b.Visible) {
      b.Rect = RECT{};
      b.State = 0;
      continue;
    }
    const int top = (g.BandHeight() - height) / 2 + (height < 16 ? 2 : 0);
    b.Rect = RECT{x - ButtonWidth(code), top, x, top + height};
    x = b.Rect.left - space;
  }
}

void TsSkinProvider::PaintButtons(const TFrameGeometry& g) {
  LayoutButtons(g);
  TBitmap* cache = skinData_->Cache();
  // The strip behind the buttons, so one button can be repainted alone.
  buttonsBackLeft_ = std::max(0, g.Width - ButtonsWidth() - g.BorderWidth - 1);
  if (!buttonsBack_) buttonsBack_ = std::make_unique<TBitmap>();
  buttonsBack_->SetSize(g.Width - buttonsBackLeft_, std::max(1, g.BandHeight()));
  BitBlt(buttonsBack_->Canvas().Handle(), 0, 0, buttonsBack_->Width(), buttonsBack_->Height(), cache->Canvas().Handle(),
         buttonsBackLeft_, 0, SRCCOPY);
  for (int code : ButtonCodes()) PaintButton(code);
}

void TsSkinProvider::PaintButton(int code) {
  TsSkinManager* manager = skinData_->SkinManager();
  const TCaptionButton& b = Button(code);
  if (!manager || !b.Visible) return;
  if (code >= kFirstTitleButton) {
    PaintTitleButtonFace(titleButtons_.Items(code - kFirstTitleButton));
    return;
  }
  const TMaskRef image = MaskRef(manager->Tables(), ButtonImage(code));
  if (!image.Valid()) return;
  const bool normal = b.Enabled && (formActive_ || b.State != 0);
  PaintGlyphMask(skinData_->Cache()->View(), TPoint{b.Rect.left, b.Rect.top}, b.State, image, normal);
}

// An application button: the skin's face (dimmed while the form is inactive and the button
// normal), then the glyph centred, a pixel right and down while pressed.
void TsSkinProvider::PaintTitleButtonFace(const TsTitleButton& item) {
  TsSkinManager* manager = skinData_->SkinManager();
  const TCaptionButton& b = item.Button;
  TBitmap* cache = skinData_->Cache();
  if (item.UseSkinData) {
    const TMaskRef face = MaskRef(manager->Tables(), TitleButtonImage(*manager, skinData_->SkinSection()));
    if (face.Valid())
      PaintGlyphMask(cache->View(), TPoint{b.Rect.left, b.Rect.top}, b.State, face, formActive_ || b.State != 0);
  }
  const TBitmap& glyph = item.Glyph;
  if (glyph.Empty()) return;
  GdiFlush();
  const TSurfaceView src = glyph.View(), dst = cache->View();
  const int shift = b.State == 2 ? 1 : 0;
  const int x0 = b.Rect.left + (b.Rect.right - b.Rect.left - src.width) / 2 + shift;
  const int y0 = b.Rect.top + (b.Rect.bottom - b.Rect.top - src.height) / 2 + shift;
  const uint8_t* keyPixel = src.Pixel(0, src.height - 1);
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) {
      const int dx = x0 + x, dy = y0 + y;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
      const uint8_t* p = src.Pixel(x, y);
      if (std::equal(p, p + 3, keyPixel)) continue;
      std::copy(p, p + 3, dst.Pixel(dx, dy));
    }
}

void TsSkinProvider::RepaintButton(int code) {
  GuardedPaint([&] { RepaintButtonNow(code); });
}

void TsSkinProvider::RepaintButtonNow(int code) {
  const TCaptionButton& b = Button(code);
  TBitmap* cache = skinData_->Cache();
  if (!b.Visible || !cache || cache->Empty() || !Skinned() || !form_->Visible()) return;
  if (skinData_->BackgroundChangedFlag || !buttonsBack_ || b.Rect.left < buttonsBackLeft_) {
    RepaintFrame();
    return;
  }
  const int w = b.Rect.right - b.Rect.left, h = b.Rect.bottom - b.Rect.top;
  BitBlt(cache->Canvas().Handle(), b.Rect.left, b.Rect.top, w, h, buttonsBack_->Canvas().Handle(),
         b.Rect.left - buttonsBackLeft_, b.Rect.top, SRCCOPY);
  GdiFlush();
  PaintButton(code);
  GdiFlush();
  const TWindowDC dc = TWindowDC::Of(form_->Handle());
  if (dc) BitBlt(dc.Get(), b.Rect.left, b.Rect.top, w, h, cache->Canvas().Handle(), b.Rect.left, b.Rect.top, SRCCOPY);
}

void TsSkinProvider::SetHot(int code, bool repaint) {
  if (code == hotCode_) return;
  const int old = hotCode_;
  hotCode_ = code;
  if (TCaptionButton* b = ButtonRecord(old)) {
    b->State = 0;
    if (repaint) RepaintButton(old);
  }
  if (TCaptionButton* b = ButtonRecord(code)) {
    b->State = 1;
    if (repaint) RepaintButton(code);
  }
}

void TsSkinProvider::Press(int code) {
  TCaptionButton* b = ButtonRecord(code);
  if (!b || !b->Visible || !b->Enabled) return;
  if (hotCode_ != code) SetHot(code);
  b->State = 2;
  pressedCode_ = code;
  RepaintButton(code);
  // The release comes to this window wherever the pointer goes meanwhile.
  SetCapture(form_->Handle());
}

void TsSkinProvider::ResetButtons() {
  pressedCode_ = 0;
  SetHot(0);
}

// The release of a held button: it counts only over the pressed button itself.
void TsSkinProvider::Release(POINT p) {
  const int code = pressedCode_;
  pressedCode_ = 0;
  releasing_ = true;
  if (GetCapture() == form_->Handle()) ReleaseCapture();
  releasing_ = false;
  const bool over = Inside(Button(code).Rect, p);
  SetHot(0);
  if (!over) return;
  const TWindowRules r = RulesOf(*form_);
  HWND window = form_->Handle();
  // Posted: the command may free the form, which must not happen inside its own procedure.
  switch (code) {
    case HTCLOSE:
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case HTMINBUTTON:
      PostMessageW(window, WM_SYSCOMMAND, r.iconic ? SC_RESTORE : SC_MINIMIZE, 0);
      break;
    case HTMAXBUTTON:
      if (r.zoomed && r.restoreEnabled)
        PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
      else if (r.maxEnabled)
        PostMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      break;
    case HTHELP:
      PostMessageW(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      break;
    default:
      if (code >= kFirstTitleButton && code - kFirstTitleButton < titleButtons_.Count()) {
        TsTitleButton& item = titleButtons_.Items(code - kFirstTitleButton);
        if (item.OnMouseUp) item.OnMouseUp(&item, TMouseButton::mbLeft, TShiftState{}, p.x, p.y);
      }
      break;
  }
}

POINT TsSkinProvider::WindowPointFromScreen(LPARAM lParam) const {
  RECT w{};
  GetWindowRect(form_->Handle(), &w);
  return POINT{GET_X_LPARAM(lParam) - w.left, GET_Y_LPARAM(lParam) - w.top};
}

int TsSkinProvider::HitTest(POINT p) {
  const TFrameGeometry g = Geometry();
  LayoutButtons(g);
  TsSkinManager* manager = skinData_->SkinManager();
  const TMaskRef close = manager ? MaskRef(manager->Tables(), buttons_[0].ImageIndex) : TMaskRef{};
  const int height = close.Valid() ? close.FrameHeight() : kMissingButtonSize;
  const int bandTop = (g.BandHeight() - height) / 2;
  if (p.y < bandTop || p.y > bandTop + height) {
    POINT grip{};
    if (GripOrigin(g, grip) && p.x > grip.x && p.y > grip.y) return HTBOTTOMRIGHT;
    return 0;
  }
  const RECT icon = IconRect(g);
  if (icon.right > icon.left && p.x >= icon.left && p.x <= icon.right) {
    SetHot(kHotIcon);
    return HTSYSMENU;
  }
  for (int code : ButtonCodes()) {
    const TCaptionButton& b = Button(code);
    if (!b.Visible || p.x < b.Rect.left || p.x > b.Rect.right) continue;
    if (!b.Enabled) return HTCAPTION;
    SetHot(code);
    return code;
  }
  return HTCAPTION;
}

// Non-client mouse messages of the caption buttons; true when handled here.
bool TsSkinProvider::OnNcMouse(TMessage& message) {
  HWND window = form_->Handle();
  switch (message.Msg) {
    case WM_NCHITTEST: {
      if (Geometry().CaptionHeight == 0 || pressedCode_) return false;
      const POINT p = WindowPointFromScreen(message.LParam);
      const int answer = HitTest(p);
      if (answer == 0 || answer == HTCAPTION) {
        CallOld(message);
        SetHot(0);
      } else {
        message.Result = answer;
      }
      // The borders of a maximised window lie outside the work area, over whatever is
      // there (the taskbar): the pointer goes through them.
      const TFrameGeometry g = Geometry();
      if (IsZoomed(window) && (p.x < 2 || p.y < 2 || p.x >= g.Width - 4 || p.y >= g.Height - 4)) {
        SetHot(0);
        message.Result = HTTRANSPARENT;
      }
      return true;
    }
    case WM_NCMOUSEMOVE:
      CallOld(message);
      if (hotCode_ != 0 && !trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_NONCLIENT, window, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
      }
      return true;
    case WM_NCMOUSELEAVE:
      trackingLeave_ = false;
      if (!pressedCode_) SetHot(0);
      CallOld(message);
      return true;
    case WM_NCLBUTTONDOWN: {
      const int code = static_cast<int>(message.WParam);
      if (code == HTSYSMENU) {
        SetHot(0);
        PopupAtIcon();
        return true;
      }
      if (ButtonRecord(code)) {
        Press(code);
        if (code >= kFirstTitleButton && pressedCode_ == code) {
          TsTitleButton& item = titleButtons_.Items(code - kFirstTitleButton);
          if (item.OnMouseDown)
            item.OnMouseDown(&item, TMouseButton::mbLeft, TShiftState{}, GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
        }
        return true;
      }
      SetHot(0);
      if (IsIconic(window)) {
        SendMessageW(window, WM_SYSCOMMAND, kDragMove, 0);
        return true;
      }
      if (IsZoomed(window) && WindowPointFromScreen(message.LParam).y < Geometry().HeaderHeight()) {
        // A maximised window does not move: a press on its caption only activates it.
        if (GetActiveWindow() != window) SetActiveWindow(window);
        return true;
      }
      if (resizeMode_ == rmBorder && code != HTMENU && (code == HTCAPTION || (code >= HTLEFT && code <= HTBOTTOMRIGHT))) {
        BeginOutline(code, POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
        return true;
      }
      return false;
    }
    case WM_NCRBUTTONDOWN:
      return message.WParam == HTCAPTION || message.WParam == HTSYSMENU;
    case WM_NCRBUTTONUP:
      if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) {
        SetHot(0);
        PopupSystemMenu(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      }
      return true;
    case WM_NCLBUTTONUP:
      if (!pressedCode_) return false;
      Release(WindowPointFromScreen(message.LParam));
      return true;
    case WM_MOUSEMOVE:
      if (!pressedCode_) return false;
      {
        // Captured: the pressed look only while the pointer is over the pressed button.
        POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
        ClientToScreen(window, &p);
        const POINT wp = WindowPointFromScreen(MAKELPARAM(p.x, p.y));
        TCaptionButton* b = ButtonRecord(pressedCode_);
        const int state = Inside(b->Rect, wp) ? 2 : 1;
        if (b->State != state) {
          b->State = state;
          RepaintButton(pressedCode_);
        }
      }
      return true;
    case WM_LBUTTONUP:
      if (!pressedCode_) return false;
      {
        // WParam holds key flags here, never a hit-test code: the point decides.
        POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
        ClientToScreen(window, &p);
        Release(WindowPointFromScreen(MAKELPARAM(p.x, p.y)));
      }
      return true;
    case WM_CAPTURECHANGED:
      CallOld(message);
      if (pressedCode_ && !releasing_ && reinterpret_cast<HWND>(message.LParam) != window) ResetButtons();
      return true;
    case WM_NCLBUTTONDBLCLK: {
      const TWindowRules r = RulesOf(*form_);
      if (message.WParam == HTCAPTION && r.sysMenu && (r.maxEnabled || r.restoreEnabled)) {
        PostMessageW(window, WM_SYSCOMMAND, r.zoomed || r.iconic ? SC_RESTORE : SC_MAXIMIZE, 0);
      } else if (message.WParam == HTSYSMENU) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return true;
    }
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      if (!pressedCode_) SetHot(0);
      return false;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- system menu

TsFrameHooks& FrameHooks() {
  static TsFrameHooks hooks;
  return hooks;
}

void TsSkinProvider::CallHook(const std::function<void(TsSkinProvider&, bool)>& hook, bool on) {
  if (hook) hook(*this, on);
}

TsSystemMenu::TsSystemMenu(TsSkinProvider* provider, TCustomForm* form)
    : TPopupMenu(provider), provider_(provider), form_(form) {
  auto add = [&](const wchar_t* caption, WPARAM command, bool update) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    if (command) item->OnClick = [this, command, update](TComponent*) { Command(command, update); };
    Items().Add(item);
    return item;
  };
  ItemRestore = add(L"Restore", SC_RESTORE, true);
  ItemMove = add(L"Move", SC_MOVE, false);
  ItemSize = add(L"Size", SC_SIZE, false);
  ItemMinimize = add(L"Minimize", SC_MINIMIZE, true);
  ItemMaximize = add(L"Maximize", SC_MAXIMIZE, true);
  add(L"-", 0, false);
  ItemClose = add(L"Close\tAlt+F4", SC_CLOSE, false);
}

// Closing may free the form, which must not happen inside its own procedure: posted. The
// others act at once, so the items can follow the new window state.
void TsSystemMenu::Command(WPARAM command, bool update) {
  if (!form_ || !form_->HandleAllocated()) return;
  HWND window = form_->Handle();
  if (command == SC_CLOSE) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  SendMessageW(window, WM_SYSCOMMAND, command, 0);
  if (update) UpdateItems();
}

void TsSystemMenu::UpdateItems() {
  if (!form_) return;
  const uint32_t bi = form_->BorderIcons();
  const TBorderStyle bs = form_->BorderStyle();
  const bool iconic = form_->HandleAllocated() && IsIconic(form_->Handle());
  const TWindowState ws = iconic ? wsMinimized : form_->HandleAllocated() && IsZoomed(form_->Handle())
                                                     ? wsMaximized
                                                     : form_->WindowState();
  const bool mdiChild = form_->FormStyle() == fsMDIChild;
  const bool sys = (bi & biSystemMenu) != 0, min = (bi & biMinimize) != 0, max = (bi & biMaximize) != 0;
  const bool framed = bs == bsSingle || bs == bsSizeable;
  ItemRestore->SetVisible(sys && (mdiChild || framed));
  ItemRestore->SetEnabled((max && ws != wsNormal) || ws == wsMinimized);
  ItemMove->SetEnabled(ws != wsMaximized);
  ItemSize->SetVisible(mdiChild || (bs != bsNone && bs != bsDialog && bs != bsToolWindow));
  ItemSize->SetEnabled(bs != bsSingle && !iconic);
  ItemMinimize->SetVisible(sys && (iconic || mdiChild || bs == bsSizeable || (bs == bsSingle && min)));
  ItemMinimize->SetEnabled(min && ws != wsMinimized);
  ItemMaximize->SetVisible(sys && (iconic || mdiChild || (framed && max)));
  ItemMaximize->SetEnabled(max && (mdiChild || (ws != wsMaximized && framed)));
  ItemClose->SetVisible(sys);
  // The separator goes with Close.
  Items().Items(ItemClose->MenuIndex() - 1)->SetVisible(sys);
}

TMenuItem* TsSystemMenu::SkinSelectItem() const {
  TMenuItem& root = const_cast<TsSystemMenu*>(this)->Items();
  return root.Count() > 0 && root.Items(0)->Name() == L"SkinSelectItem" ? root.Items(0) : nullptr;
}

void TsSystemMenu::MakeSkinItems() {
  if (TMenuItem* old = SkinSelectItem()) {
    TMenuItem* separator = Items().Count() > 1 ? Items().Items(1) : nullptr;
    delete old;
    if (separator && separator->IsLine()) delete separator;
  }
  if (!provider_->MakeSkinMenu()) return;
  TsSkinManager* manager = provider_->SkinData().SkinManager();
  if (!manager) return;
  const std::vector<String> names = manager->SkinNames(TacSkinListKind::Both);
  if (names.empty()) return;
  auto* select = new TMenuItem(this);
  select->SetName(L"SkinSelectItem");
  select->SetCaption(L"Available skins");
  Items().Insert(0, select);
  auto* separator = new TMenuItem(this);
  separator->SetCaption(L"-");
  Items().Insert(1, separator);
  for (size_t i = 0; i < names.size(); ++i) {
    auto* item = new TMenuItem(nullptr);  // goes with the submenu item
    item->SetName(L"SkinSelectItem" + std::to_wstring(i));
    // "&" marks a mnemonic in a menu caption: doubled, it shows as itself. The name passed
    // on is the skin's own, ampersands included.
    String caption;
    for (wchar_t c : names[i]) caption += c == L'&' ? String(L"&&") : String(1, c);
    item->SetCaption(caption);
    item->SetChecked(names[i] == manager->SkinName());
    if (i > 0 && i % 20 == 0) item->SetBreak(mbBreak);
    item->OnClick = [manager, name = names[i]](TComponent*) { manager->SetSkinName(name); };
    select->Add(item);
  }
}

bool TsSystemMenu::OwnerDrawMessage(TMessage& message) {
  UINT type = 0, id = 0;
  ULONG_PTR data = 0;
  if (message.Msg == WM_MEASUREITEM && message.LParam) {
    const auto* mi = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
    type = mi->CtlType, id = mi->itemID, data = mi->itemData;
  } else if (message.Msg == WM_DRAWITEM && message.LParam) {
    const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    type = di->CtlType, id = di->itemID, data = di->itemData;
  } else {
    return false;
  }
  TMenuItem* item = type == ODT_MENU ? FindItem(id) : nullptr;
  if (!item || reinterpret_cast<ULONG_PTR>(item) != data) return false;
  message.Result = MenuWindowMessage(message.Msg, message.WParam, message.LParam);
  return true;
}

void TsSystemMenu::Popup(int x, int y) {
  if (!form_ || !form_->HandleAllocated()) return;
  MakeSkinItems();
  UpdateItems();
  TsSkinManager* manager = provider_->SkinData().SkinManager();
  if (manager && manager->SkinnedPopups() && FrameHooks().PopupMenu) FrameHooks().PopupMenu(*provider_, *this);
  if (OnPopup) OnPopup(this);
  RebuildHandle();
  // The form is the menu's window: it sees the menu open as its system menu would.
  const UINT command = static_cast<UINT>(TrackPopupMenuEx(
      Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, form_->Handle(), nullptr));
  if (command != 0)
    if (TMenuItem* item = FindItem(command)) item->Click();
}

void TsSkinProvider::PopupSystemMenu(int x, int y) {
  if (!form_ || !form_->HandleAllocated()) return;
  if (!systemMenu_) systemMenu_ = new TsSystemMenu(this, form_);
  SetHot(0);
  systemMenu_->Popup(x, y);
}

// Below the caption icon, as the platform places its system menu.
void TsSkinProvider::PopupAtIcon() {
  RECT w{};
  GetWindowRect(form_->Handle(), &w);
  const TFrameGeometry g = Geometry();
  const RECT icon = IconRect(g);
  PopupSystemMenu(w.left + g.BorderWidth, w.top + g.BorderHeight + (icon.bottom - icon.top));
}

// ---------------------------------------------------------------- maximising, snapping, grip

void TsSkinProvider::SetGripMode(TsGripMode mode) {
  gripMode_ = mode;
  RepaintFrame();
  if (form_ && form_->HandleAllocated()) InvalidateRect(form_->Handle(), nullptr, FALSE);
}

namespace {

RECT WorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

RECT MonitorOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
  return info.rcMonitor;
}

}  // namespace

// The maximised window covers the work area with its borders just outside it (so the
// taskbar stays visible), wherever the work area lies on its monitor.
void TsSkinProvider::OnGetMinMaxInfo(TMessage& message) {
  auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
  if (!info) {
    CallOld(message);
    return;
  }
  info->ptMaxPosition = info->ptMaxTrackSize = POINT{-1, -1};
  CallOld(message);
  const RECT work = WorkArea(), monitor = MonitorOf(form_->Handle());
  const int border = form_->BorderStyle() != bsNone ? Geometry().BorderWidth : 0;
  if (info->ptMaxTrackSize.x == -1) info->ptMaxTrackSize.x = work.right - work.left + 2 * border;
  if (info->ptMaxTrackSize.y == -1) info->ptMaxTrackSize.y = work.bottom - work.top + 2 * border;
  if (info->ptMaxPosition.x == -1) info->ptMaxPosition.x = work.left - monitor.left - border;
  if (info->ptMaxPosition.y == -1) info->ptMaxPosition.y = work.top - monitor.top - border;
}

// A window moved to within `SnapBuffer` pixels of a work-area edge is placed flush with it.
// A move to exactly (0, 0) is left alone.
void TsSkinProvider::SnapToWorkArea(WINDOWPOS& pos) {
  if ((pos.flags & SWP_NOMOVE) || (pos.x == 0 && pos.y == 0) || IsZoomed(form_->Handle())) return;
  const RECT w = WorkArea(), m = MonitorOf(form_->Handle());
  RECT r{};
  GetWindowRect(form_->Handle(), &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (std::abs(pos.x + width - w.right) < snapBuffer_) pos.x = w.right - width;
  if (std::abs(pos.y + height - w.bottom) < snapBuffer_) pos.y = w.bottom - height;
  if (std::abs(pos.x + m.left - w.left) < snapBuffer_) pos.x = w.left - m.left;
  if (std::abs(pos.y + m.top - w.top) < snapBuffer_) pos.y = w.top - m.top;
}

bool TsSkinProvider::GripOrigin(const TFrameGeometry& g, POINT& origin) const {
  TsSkinManager* manager = skinData_->SkinManager();
  if (gripMode_ != gmRightBottom || !manager) return false;
  const TMaskRef grip = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "GRIPIMAGE"));
  if (!grip.Valid()) return false;
  origin = POINT{g.Width - grip.FrameWidth() - g.BorderWidth, g.Height - grip.FrameHeight() - g.BorderHeight};
  return true;
}

void TsSkinProvider::PaintGrip(const TFrameGeometry& g) {
  POINT origin{};
  if (!GripOrigin(g, origin)) return;
  TsSkinManager* manager = skinData_->SkinManager();
  const TMaskRef grip = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "GRIPIMAGE"));
  PaintGlyphMask(skinData_->Cache()->View(), TPoint{origin.x, origin.y}, 0, grip, true);
}

// ---------------------------------------------------------------- outline moving and sizing

void TsSkinProvider::BeginOutline(int code, POINT screen) {
  HWND window = form_->Handle();
  outline_.Code = code;
  GetWindowRect(window, &outline_.Rect);
  outline_.Start = screen;
  outline_.StartRect = outline_.Rect;
  outline_.Desktop = GetDCEx(GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
  if (outline_.Desktop) {
    outline_.SavedState = SaveDC(outline_.Desktop);
    SetROP2(outline_.Desktop, R2_NOT);
    SelectObject(outline_.Desktop, GetStockObject(WHITE_PEN));
  }
  SetCapture(window);
  DrawOutline();
}

// Drawn inverted: drawing it again erases it.
void TsSkinProvider::DrawOutline() {
  if (!outline_.Desktop) return;
  const RECT& r = outline_.Rect;
  const POINT points[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                           {r.left, r.top}};
  Polyline(outline_.Desktop, points, 5);
}

void TsSkinProvider::EndOutline(bool apply) {
  if (outline_.Code == 0) return;
  DrawOutline();
  if (outline_.Desktop) {
    RestoreDC(outline_.Desktop, outline_.SavedState);
    ReleaseDC(GetDesktopWindow(), outline_.Desktop);
  }
  const RECT r = outline_.Rect;
  outline_ = Outline{};
  if (!form_ || !form_->HandleAllocated()) return;
  HWND window = form_->Handle();
  if (GetCapture() == window) ReleaseCapture();
  if (apply) MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// The tracking messages while an outline is shown; true when handled here.
bool TsSkinProvider::OutlineMessage(TMessage& message) {
  if (outline_.Code == 0) return false;
  HWND window = form_->Handle();
  switch (message.Msg) {
    case WM_MOUSEMOVE: {
      POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
      ClientToScreen(window, &p);
      const int dx = p.x - outline_.Start.x, dy = p.y - outline_.Start.y;
      const int code = outline_.Code;
      const TSizeConstraints& limits = form_->Constraints();
      const int minWidth = std::max(limits.MinWidth, 1), minHeight = std::max(limits.MinHeight, 1);
      RECT r = outline_.StartRect;
      if (code == HTCAPTION) {
        OffsetRect(&r, dx, dy);
      } else {
        if (code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT) r.left = std::min(r.left + dx, r.right - minWidth);
        if (code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT) r.right = std::max(r.right + dx, r.left + minWidth);
        if (code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT) r.top = std::min(r.top + dy, r.bottom - minHeight);
        if (code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT)
          r.bottom = std::max(r.bottom + dy, r.top + minHeight);
      }
      if (!EqualRect(&r, &outline_.Rect)) {
        DrawOutline();
        outline_.Rect = r;
        DrawOutline();
      }
      return true;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
      EndOutline(true);
      return true;
    case WM_CAPTURECHANGED:
      // Someone else took the mouse: the outline goes and the window stays.
      if (reinterpret_cast<HWND>(message.LParam) != window) EndOutline(false);
      CallOld(message);
      return true;
    default:
      return false;
  }
}
