#include "skin/window/sSkinProvider.h"

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

// Painting never raises: what was drawn stays.
template <class F>
void Guarded(F&& paint) {
  try {
    paint();
  } catch (...) {
  }
}

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
  if (Skinned() && form_->HandleAllocated() && form_->Visible()) Guarded([&] { OnNcPaint(); });
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
  const bool icon = showAppIcon_ && form_ && (form_->BorderStyle() == bsSingle || form_->BorderStyle() == bsSizeable);
  const int iconWidth = icon ? IconSizeFor(g.CaptionHeight) : 0;
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
  SetSysMenuStyle(false);
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
        Invalidate();
        skinData_->UpdatingFlag = false;
        regionChanged_ = true;
        if (form_->Visible()) {
          ApplyGlobalColor();
          Guarded([&] { OnNcPaint(); });
          InvalidateRect(form_->Handle(), nullptr, FALSE);
        }
      }
      return;
    case CMD_FINDPROVIDER:
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    case CMD_GETBGINFO:
      if (!IsLoading()) {
        if (skinData_->BackgroundChangedFlag) Guarded([&] { PaintAll(); });
        const TFrameGeometry g = Geometry();
        TBitmap* cache = skinData_->Cache();
        BackgroundSlot() = BgInfo{cache ? cache->View() : TSurfaceView{}, g.OffsetX, g.OffsetY, cache && !cache->Empty()};
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
      ParentColorSlot() = section && !skinData_->CustomColor()
                              ? static_cast<TColor>(section->HotColor)
                              : static_cast<TColor>(ColorToRGB(form_->Color()));
      return;
    }
    default:
      return;
  }
}

void TsSkinProvider::SkinnedMessage(TMessage& message) {
  if (OnNcMouse(message)) return;
  switch (message.Msg) {
    case SM_SKINCMD:
      SkinnedCommand(message);
      return;
    case WM_CREATE:
      CallOld(message);
      InitializeFrame();
      return;
    case WM_NCPAINT:
      Guarded([&] { OnNcPaint(); });
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      message.Result = 0;
      return;
    case WM_PAINT:
      if (form_->Visible() && !(form_->ControlState() & csCreating)) {
        Guarded([&] { OnPaint(message); });
        return;
      }
      if (form_->AlphaBlend()) CallOld(message);
      return;
    case WM_PRINT:
      Guarded([&] { OnPrint(message); });
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
    case WM_SYSCOMMAND:
      CallOld(message);
      if ((message.WParam & 0xFFF0) == SC_MAXIMIZE || (message.WParam & 0xFFF0) == SC_RESTORE ||
          (message.WParam & 0xFFF0) == SC_MINIMIZE) {
        ResetButtons();
        RepaintFrame();
      }
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
  Guarded([&] { OnNcPaint(); });
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

  TPaintItemSource item;
  item.Skin = &manager->Tables();
  item.SkinIndex = skinData_->SectionIndex;
  item.SkinSection = skinData_->SkinSection();
  item.BorderIndex = skinData_->BorderMaskIndex;
  item.Texture = skinData_->PatternIndex;
  item.HotTexture = skinData_->HotPatternIndex;
  item.CustomColor = skinData_->CustomColor();
  item.OwnerColor = static_cast<TColor>(ColorToRGB(form_->Color()));
  item.HasParent = false;
  item.DependsOnParent = false;
  const int height = iconic ? std::min(g.Height, g.BandHeight() + 1) : g.Height;
  PaintItem(item, BgInfo{}, true, false, cache->View(), TPoint{0, 0}, TsRect{0, 0, g.Width, height}, state);

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

void TsSkinProvider::PaintIcon(const TFrameGeometry& g) {
  if (!showAppIcon_ || (form_->BorderStyle() != bsSingle && form_->BorderStyle() != bsSizeable)) return;
  const int size = IconSizeFor(g.CaptionHeight);
  if (size == 0) return;
  HICON icon = form_->Icon().Empty() ? nullptr : form_->Icon().Handle(size);
  if (!icon && Application && !Application->Icon().Empty()) icon = Application->Icon().Handle(size);
  // A shared system icon: never destroyed.
  if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  if (!icon) return;
  const int top = (g.BandHeight() - size) / 2;
  DrawIconEx(skinData_->Cache()->Canvas().Handle(), g.BorderWidth, top, icon, size, size, 0, nullptr, DI_NORMAL);
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

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

const TCaptionButton& TsSkinProvider::Button(int code) const {
  static const TCaptionButton none;
  for (int i = 0; i < 4; ++i)
    if (kButtonCodes[i] == code) return buttons_[i];
  return none;
}

TCaptionButton* TsSkinProvider::ButtonRecord(int code) {
  for (int i = 0; i < 4; ++i)
    if (kButtonCodes[i] == code) return &buttons_[i];
  return nullptr;
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

int TsSkinProvider::ButtonsWidth() const {
  if (!form_) return 0;
  TsSkinManager* manager = skinData_->SkinManager();
  const int space = manager ? manager->GlobalInfo().BISpacing : 0;
  const TWindowRules r = RulesOf(*form_);
  const bool shown[4] = {r.sysMenu, r.maxVisible, r.minVisible, r.help};
  int width = 0;
  for (int i = 0; i < 4; ++i) {
    if (!shown[i]) continue;
    const TMaskRef image = manager ? MaskRef(manager->Tables(), buttons_[i].ImageIndex) : TMaskRef{};
    width += (image.Valid() ? image.FrameWidth() : kMissingButtonSize) + space;
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
  for (int i = 0; i < 4; ++i) {
    TCaptionButton& b = buttons_[i];
    const TMaskRef image = manager ? MaskRef(manager->Tables(), b.ImageIndex) : TMaskRef{};
    b.Visible = shown[i] && image.Valid() && g.CaptionHeight > 0;
    b.Enabled = enabled[i];
    if (!b.Visible) {
      b.Rect = RECT{};
      b.State = 0;
      continue;
    }
    const int top = (g.BandHeight() - height) / 2 + (height < 16 ? 2 : 0);
    b.Rect = RECT{x - image.FrameWidth(), top, x, top + height};
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
  for (int code : kButtonCodes) PaintButton(code);
}

void TsSkinProvider::PaintButton(int code) {
  TsSkinManager* manager = skinData_->SkinManager();
  const TCaptionButton& b = Button(code);
  if (!manager || !b.Visible) return;
  const TMaskRef image = MaskRef(manager->Tables(), ButtonImage(code));
  if (!image.Valid()) return;
  const bool normal = b.Enabled && (formActive_ || b.State != 0);
  PaintGlyphMask(skinData_->Cache()->View(), TPoint{b.Rect.left, b.Rect.top}, b.State, image, normal);
}

void TsSkinProvider::RepaintButton(int code) {
  Guarded([&] { RepaintButtonNow(code); });
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
  if (p.y < bandTop || p.y > bandTop + height) return 0;
  const bool icon = showAppIcon_ && (form_->BorderStyle() == bsSingle || form_->BorderStyle() == bsSizeable);
  const int iconWidth = icon ? IconSizeFor(g.CaptionHeight) : 0;
  if (iconWidth > 0 && p.x >= g.BorderWidth && p.x <= g.BorderWidth + iconWidth) {
    SetHot(kHotIcon);
    return HTSYSMENU;
  }
  for (int code : kButtonCodes) {
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
      const int answer = HitTest(WindowPointFromScreen(message.LParam));
      if (answer == 0 || answer == HTCAPTION) {
        CallOld(message);
        SetHot(0);
      } else {
        message.Result = answer;
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
    case WM_NCLBUTTONDOWN:
      if (ButtonRecord(static_cast<int>(message.WParam))) {
        Press(static_cast<int>(message.WParam));
        return true;
      }
      SetHot(0);
      return false;
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
