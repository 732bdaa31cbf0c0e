#include "skin/controls/sPageControl.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "framework/Redraw.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/controls/sUpDown.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/paint/gdi/sTextPainting.h"

namespace {

bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

TsRect ToTs(const RECT& r) { return TsRect{r.left, r.top, r.right, r.bottom}; }

// The armed close-button click is process-wide: one press at a time.
bool gCloseArmed = false;

constexpr const char* kPageSections[4] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"};
constexpr const char* kTabSections[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};

}  // namespace

// ---------------------------------------------------------------- geometry

RECT SkinTabRectFor(const RECT& p, TTabPosition position, TTabStyle style, bool active) {
  if (style != tsTabs || EmptyRect(p)) return p;
  switch (position) {
    case tpTop:
      return active ? RECT{p.left - 2, p.top - 2, p.right + 2, p.bottom + 2} : RECT{p.left, p.top, p.right - 1, p.bottom + 4};
    case tpBottom:
      return active ? RECT{p.left - 2, p.top - 3, p.right + 2, p.bottom + 1} : RECT{p.left, p.top - 2, p.right - 1, p.bottom};
    case tpLeft:
      return active ? RECT{p.left - 1, p.top - 2, p.right + 3, p.bottom + 1} : RECT{p.left, p.top - 1, p.right + 3, p.bottom};
    case tpRight:
      return active ? RECT{p.left - 3, p.top - 2, p.right + 1, p.bottom + 2} : RECT{p.left - 2, p.top - 1, p.right - 1, p.bottom};
  }
  return p;
}

int TabRowFor(const RECT& tab, TTabPosition position, int rows, const RECT& band) {
  if (rows < 2) return 1;
  const int w = W(tab), h = H(tab);
  // A tab without size has no row of its own (and must not divide).
  if (w <= 0 || h <= 0) return 1;
  switch (position) {
    case tpTop:
      return (tab.bottom + h / 2) / h;
    case tpLeft:
      return (tab.right + w / 2) / w;
    case tpRight:
      return rows - (tab.right + w / 2 - band.left) / w + 1;
    case tpBottom:
      return rows - (tab.bottom + h / 2 - band.top) / h + 1;
  }
  return 1;
}

RECT TabBandFor(const RECT& client, const RECT& display, TTabPosition position, bool hasTabs) {
  RECT band = client;
  if (!hasTabs) return band;
  switch (position) {
    case tpTop: band.bottom = display.top - 4; break;
    case tpBottom: band.top = display.bottom + 1; break;
    case tpLeft: band.right = display.left - 1; break;
    case tpRight: band.left = display.right + 1; break;
  }
  return band;
}

RECT PageAreaFor(const RECT& client, const RECT& display, TTabPosition position) {
  RECT area = client;
  switch (position) {
    case tpTop: area.top = display.top - 4; break;
    case tpBottom: area.bottom = display.bottom + 1; break;
    case tpLeft: area.left = display.left - 1; break;
    case tpRight: area.right = display.right + 1; break;
  }
  return area;
}

// ---------------------------------------------------------------- TsPageControl

TsPageControl::TsPageControl(TComponent* owner)
    : TPageControl(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  skinData_->ControlKind = COC_TsPageControl;
  skinData_->Loaded();
}

TsPageControl::~TsPageControl() {
  if (pressedClose_ >= 0) gCloseArmed = false;
  FreeScroller();
  std::vector<TsTabBtn*> buttons;
  buttons.swap(tabButtons_);
  for (TsTabBtn* button : buttons) delete button;
}

void TsPageControl::Loaded() {
  TPageControl::Loaded();
  skinData_->Loaded();
  UpdateCloseMetrics();
  UpdateScrollerAndButtons();
}

void TsPageControl::CreateWnd() {
  // A new tab window (a new position or style) has new geometry and its own scroller.
  platformScrollerGone_ = false;
  paddedTabs_ = false;
  TPageControl::CreateWnd();
  skinData_->BackgroundChangedFlag = true;
  UpdateScrollerAndButtons();
}

bool TsPageControl::OwnManager(LPARAM manager) const {
  return reinterpret_cast<TsSkinManager*>(manager) == skinData_->SkinManager();
}

void TsPageControl::SetShowCloseBtns(bool on) {
  if (on == showCloseBtns_) return;
  showCloseBtns_ = on;
  UpdateCloseMetrics();
  UpdateScrollerAndButtons();
  if (skinData_->Skinned()) skinData_->Invalidate();
}

void TsPageControl::SetCloseBtnSkin(const std::string& section) {
  if (section == closeBtnSkin_) return;
  closeBtnSkin_ = section;
  UpdateCloseMetrics();
  skinData_->Invalidate();
}

void TsPageControl::UpdateCloseMetrics() {
  closeSection_ = closeGlyph_ = -1;
  closeSize_ = SIZE{0, 0};
  TsSkinManager* manager = skinData_->SkinManager();
  if (!showCloseBtns_ || !manager || !manager->HasSections()) return;
  if (!closeBtnSkin_.empty()) {
    closeSection_ = manager->SectionIndex(closeBtnSkin_);
    if (closeSection_ >= 0) closeSize_ = SIZE{15, 15};
    return;
  }
  const int global = manager->SectionIndex("GLOBALINFO");
  closeGlyph_ = manager->MaskIndex(global, "GLOBALINFO", "SICONCLOSE");
  if (!manager->IsMaskIndexValid(closeGlyph_)) closeGlyph_ = manager->MaskIndex(global, "GLOBALINFO", "BICONCLOSE");
  if (!manager->IsMaskIndexValid(closeGlyph_)) {
    closeGlyph_ = -1;
    return;
  }
  // The tables' frame size never divides by a hostile image count or row count.
  const TsSize frame = manager->Tables().MaskFrameSize(closeGlyph_);
  if (frame.Width <= 0 || frame.Height <= 0) {
    closeGlyph_ = -1;
    return;
  }
  closeSize_ = SIZE{frame.Width, frame.Height};
}

bool TsPageControl::ValidPage(int pageIndex) const {
  return pageIndex >= 0 && pageIndex < PageCount() && Pages(pageIndex)->TabVisible();
}

int TsPageControl::VisibleTabCount() const {
  int count = 0;
  for (int i = 0; i < PageCount(); ++i) count += Pages(i)->TabVisible() ? 1 : 0;
  return count;
}

RECT TsPageControl::TabBand() const {
  const RECT client{0, 0, width_, height_};
  return TabBandFor(client, DisplayRect(), TabPosition(), VisibleTabCount() > 0);
}

RECT TsPageControl::PageArea() const {
  const RECT client{0, 0, width_, height_};
  return PageAreaFor(client, DisplayRect(), TabPosition());
}

RECT TsPageControl::PlatformTabRect(int pageIndex) const {
  RECT r{0, 0, 0, 0};
  if (!handle_ || !ValidPage(pageIndex)) return r;
  const int tab = Pages(pageIndex)->TabIndex();
  if (!SendMessageW(handle_, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&r)))
    return RECT{0, 0, 0, 0};
  return r;
}

RECT TsPageControl::SkinTabRect(int pageIndex, bool active) const {
  if (pageIndex < 0 || pageIndex >= PageCount() || !ActivePage()) return RECT{0, 0, 0, 0};
  return SkinTabRectFor(PlatformTabRect(pageIndex), TabPosition(), Style(), active);
}

int TsPageControl::TabRow(int pageIndex) const {
  const int rows = handle_ ? static_cast<int>(SendMessageW(handle_, TCM_GETROWCOUNT, 0, 0)) : 1;
  return TabRowFor(PlatformTabRect(pageIndex), TabPosition(), rows, TabBand());
}

int TsPageControl::TabAtPoint(POINT point) const {
  for (int i = 0; i < PageCount(); ++i) {
    if (!Pages(i)->TabVisible()) continue;
    const RECT r = SkinTabRect(i, false);
    if (PtInRect(&r, point)) return i;
  }
  return -1;
}

bool TsPageControl::HasCloseButton(int pageIndex) const {
  if (!showCloseBtns_ || closeSize_.cx <= 0 || !ValidPage(pageIndex)) return false;
  const auto* sheet = dynamic_cast<const TsTabSheet*>(Pages(pageIndex));
  return !sheet || sheet->UseCloseBtn();
}

RECT TsPageControl::CloseButtonRect(int pageIndex) const {
  if (!HasCloseButton(pageIndex)) return RECT{0, 0, 0, 0};
  const RECT tab = SkinTabRect(pageIndex, Pages(pageIndex) == ActivePage());
  if (EmptyRect(tab)) return RECT{0, 0, 0, 0};
  const int left = tab.right - closeSize_.cx - 1, top = tab.top + 1;
  return RECT{left, top, left + closeSize_.cx, top + closeSize_.cy};
}

std::string TsPageControl::PageSection() const {
  const std::string& own = skinData_->SkinSection();
  if (own != "PAGECONTROL") return own;
  return kPageSections[TabPosition()];
}

std::string TsPageControl::TabSection(int pageIndex) const {
  if (pageIndex >= 0 && pageIndex < PageCount()) {
    if (const auto* sheet = dynamic_cast<const TsTabSheet*>(Pages(pageIndex)); sheet && !sheet->TabSkin().empty())
      return sheet->TabSkin();
  }
  switch (Style()) {
    case tsButtons: return "BUTTON";
    case tsFlatButtons: return "TOOLBUTTON";
    default: return kTabSections[TabPosition()];
  }
}

bool TsPageControl::SkinnedTabBackgrounds(int sectionIndex, int borderIndex) const {
  TsSkinManager* manager = skinData_->SkinManager();
  return manager && manager->StandardIndexes().TabSections[0] > 0 && manager->IsSectionIndexValid(sectionIndex) &&
         MaskRef(manager->Tables(), borderIndex).Valid();
}

bool TsPageControl::HotDrawingApplies() const {
  return (HotTrack() || Style() != tsTabs || showCloseBtns_) && !IsDesigning();
}

// ---------------------------------------------------------------- messages

void TsPageControl::WndProc(TMessage& message) {
  // Errors of handlers run from here (a child's click reflected through this window)
  // go to the framework's standard handler with the window procedure's other errors.
  if (message.Msg == SM_SKINCMD && ManagerCommand(message)) return;
  const bool skinned = skinData_->Skinned() && skinData_->ControlReady();
  if (skinned && SkinnedBefore(message)) return;
  if (message.Msg == CN_NOTIFY && skinned) {
    Notification(message);
    return;
  }
  TPageControl::WndProc(message);
  if (skinned)
    AfterFramework(message);
  else
    UnskinnedAfter(message);
}

bool TsPageControl::ManagerCommand(TMessage& message) {
  const bool own = OwnManager(message.LParam);
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      BroadcastToChildren(this, message);
      if (own) {
        skinData_->CommonWndProc(message);
        UpdateCloseMetrics();
        UpdateScrollerAndButtons();
      }
      return true;
    case CMD_SKINREMOVED:
      if (own) {
        skinData_->CommonWndProc(message);
        UpdateCloseMetrics();
        hotTab_ = -1;
        FreeScroller();
        // The platform builds its own scroller once per window: a new window brings it back.
        if (platformScrollerGone_ && handle_) {
          platformScrollerGone_ = false;
          RecreateWnd();
        }
        UpdateScrollerAndButtons();
        if (handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
      }
      BroadcastToChildren(this, message);
      return true;
    case CMD_REPAINT:
      if (own) {
        skinData_->CommonWndProc(message);
        UpdateCloseMetrics();
        if (handle_ && Showing())
          RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        if (ActivePage()) AnnounceControl(ActivePage());
        UpdateScrollerAndButtons();
        if (scroller_) scroller_->UpdateRegion();
      }
      BroadcastToChildren(this, message);
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    default:
      return false;
  }
}

bool TsPageControl::SkinnedBefore(TMessage& message) {
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_GETBGINFO: {
          TBitmap* cache = skinData_->Cache();
          AnswerBackground(message, cache && !cache->Empty() ? BgInfo{cache->View(), 0, 0, true} : BgInfo{});
          message.Result = 1;
          return true;
        }
        case CMD_PARENTDONE:
          if (skinData_->UpdatingFlag) {
            skinData_->UpdatingFlag = false;
            RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
          }
          return true;
        case CMD_ISBGBUSY:
          message.LParam = message.Result =
              skinData_->UpdatingFlag || suppressed_ || skinData_->BackgroundChangedFlag ? 1 : 0;
          return true;
        default:
          return skinData_->CommonWndProc(message);
      }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      // Focus changes never rebuild the picture.
      const bool changed = skinData_->BackgroundChangedFlag;
      TPageControl::WndProc(message);
      skinData_->BackgroundChangedFlag = changed;
      if (ActivePage() && handle_) {
        const RECT active = SkinTabRect(ActivePage()->PageIndex(), true);
        InvalidateRect(handle_, &active, FALSE);
      }
      return true;
    }
    case WM_MOUSEMOVE:
      MouseMoved(POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
      return false;
    case WM_MOUSELEAVE:
      tracking_ = false;
      MouseLeft();
      return false;
    case CM_MOUSELEAVE:
      if (message.LParam == reinterpret_cast<LPARAM>(this) || message.LParam == 0) MouseLeft();
      return false;
    case WM_LBUTTONDOWN:
      return MousePressed(POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
    case WM_LBUTTONUP:
      return MouseReleased(POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
    case WM_ERASEBKGND:
      message.Result = 1;
      return true;
    case WM_PAINT:
      PaintMessage(message, message.LParam == 1 && message.WParam != 0);
      return true;
    case WM_PRINT:
    case WM_PRINTCLIENT:
      if (message.Msg == WM_PRINT) UpdateScrollerAndButtons();
      skinData_->UpdatingFlag = false;
      if (message.WParam) PaintMessage(message, true);
      return true;
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
    case WM_HSCROLL:
      skinData_->CommonWndProc(message);
      TPageControl::WndProc(message);
      skinData_->BackgroundChangedFlag = true;
      Invalidate();
      if (message.Msg == WM_HSCROLL) PlaceScroller();
      return true;
    case TCM_SETITEMSIZE:
      suppressed_ = true;
      return false;
    default:
      skinData_->CommonWndProc(message);
      return false;
  }
}

void TsPageControl::AfterFramework(const TMessage& message) {
  switch (message.Msg) {
    case WM_WINDOWPOSCHANGING:
      if (suppressed_) {
        suppressed_ = false;
        RepaintBand();
      }
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(message.WParam) == WM_CREATE) AnnounceControl(this);
      break;
    case TCM_DELETEITEM:
      if (!skinData_->UpdatingFlag) skinData_->BackgroundChangedFlag = true;
      UpdateScrollerAndButtons();
      break;
    case TCM_SETCURSEL:
      Invalidate();
      break;
    case WM_SIZE:
      skinData_->BackgroundChangedFlag = true;
      if (!IsLoading()) UpdateScrollerAndButtons();
      break;
    // The platform may have made its own scroller while it laid the tabs out again.
    case TCM_INSERTITEMW:
    case TCM_DELETEALLITEMS:
    case TCM_SETITEMW:
      // New tabs, or new captions: the band in the picture is out of date.
      if (!skinData_->UpdatingFlag) skinData_->BackgroundChangedFlag = true;
      UpdateScrollerAndButtons();
      break;
    case CM_CONTROLLISTCHANGE:
      UpdateScrollerAndButtons();
      break;
    default:
      break;
  }
}

void TsPageControl::UnskinnedAfter(const TMessage& message) {
  switch (message.Msg) {
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case TCM_INSERTITEMW:
    case TCM_DELETEITEM:
    case TCM_DELETEALLITEMS:
    case TCM_SETCURSEL:
    case CM_CONTROLLISTCHANGE:
      PlaceTabButtons();
      break;
    default:
      break;
  }
}

void TsPageControl::Notification(TMessage& message) {
  const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
  TsSkinManager* manager = skinData_->SkinManager();
  const bool animate = manager && manager->AnimEffects().PageChange.Active && !IsDesigning() && Showing();
  if (header->code == static_cast<UINT>(TCN_SELCHANGING)) {
    transition_ = animate && PrepareTransition(this);
    PlaceScroller();
    TPageControl::WndProc(message);
    if (message.Result) {
      // The transition's guard switches redrawing back on (and leaves a hidden control alone).
      if (transition_) CancelTransition();
      transition_ = false;
      SendMessageW(handle_, WM_MOUSEMOVE, 0, 0);
    }
    return;
  }
  TPageControl::WndProc(message);
  if (header->code == static_cast<UINT>(TCN_SELCHANGE)) PlaceScroller();
  if (header->code == static_cast<UINT>(TCN_SELCHANGE) && transition_) {
    transition_ = false;
    AnimateTransition(this, manager ? manager->AnimEffects().PageChange.Time : 0);
    // Everything that changed while redraw was off.
    skinData_->BackgroundChangedFlag = true;
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

void TsPageControl::UpdateActivePage() {
  hotTab_ = -1;
  TPageControl::UpdateActivePage();
  suppressed_ = false;
  PlaceTabButtons();
  PlaceScroller();
  if (!handle_ || !skinData_->Skinned() || skinData_->UpdatingFlag) return;
  if (VisibleTabCount() == lastTabCount_ && !skinData_->BackgroundChangedFlag) {
    // The band in the picture holds every tab normal; only the band and the strip the
    // active tab covers change on screen.
    RECT strip = TabBand();
    const RECT area = PageArea();
    UnionRect(&strip, &strip, &area);
    switch (TabPosition()) {
      case tpTop: strip.bottom = area.top + 4; break;
      case tpBottom: strip.top = area.bottom - 4; break;
      case tpLeft: strip.right = area.left + 4; break;
      case tpRight: strip.left = area.right - 4; break;
    }
    InvalidateRect(handle_, &strip, FALSE);
  } else {
    skinData_->BackgroundChangedFlag = true;
    InvalidateRect(handle_, nullptr, FALSE);
  }
}

// ---------------------------------------------------------------- hot tabs and close buttons

void TsPageControl::MouseMoved(POINT point) {
  if (!HotDrawingApplies()) return;
  if (TsSkinManager* manager = skinData_->SkinManager()) manager->SetHotWindow(handle_);
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle_, 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  // No messages are let through here: every index below is checked against the pages
  // as they are now.
  if (!ValidPage(hotTab_)) hotTab_ = -1;
  const RECT band = TabBand();
  const int under = PtInRect(&band, point) ? TabAtPoint(point) : -1;
  const int active = ActivePage() ? ActivePage()->PageIndex() : -1;
  if (under != hotTab_) {
    const int old = hotTab_;
    hotTab_ = under == active ? -1 : under;
    if (old >= 0 && old != active) DrawTabOnWindow(old, 0);
    if (hotTab_ >= 0) DrawTabOnWindow(hotTab_, 1);
  }
  int closeUnder = -1;
  for (int i = 0; i < PageCount() && closeUnder < 0; ++i) {
    const RECT r = CloseButtonRect(i);
    if (PtInRect(&r, point)) closeUnder = i;
  }
  if (closeUnder != hotClose_) {
    const int old = hotClose_;
    hotClose_ = closeUnder;
    if (ValidPage(old) && old != hotTab_) DrawCloseButtonOnWindow(old, 0);
    if (closeUnder >= 0) DrawCloseButtonOnWindow(closeUnder, pressedClose_ == closeUnder ? 2 : 1);
  }
}

void TsPageControl::MouseLeft() {
  const int active = ActivePage() ? ActivePage()->PageIndex() : -1;
  const int old = hotTab_;
  hotTab_ = -1;
  if (ValidPage(old) && old != active) DrawTabOnWindow(old, 0);
  if (ValidPage(hotClose_)) DrawCloseButtonOnWindow(hotClose_, 0);
  hotClose_ = -1;
}

bool TsPageControl::MousePressed(POINT point) {
  for (int i = 0; i < PageCount(); ++i) {
    const RECT r = CloseButtonRect(i);
    if (!PtInRect(&r, point)) continue;
    pressedClose_ = i;
    gCloseArmed = true;
    DrawCloseButtonOnWindow(i, 2);
    return true;  // a press on a close button selects nothing
  }
  return false;
}

bool TsPageControl::MouseReleased(POINT point) {
  if (pressedClose_ < 0) return false;
  const int pressed = pressedClose_;
  pressedClose_ = -1;
  const bool armed = gCloseArmed;
  gCloseArmed = false;
  const RECT r = CloseButtonRect(pressed);
  if (armed && ValidPage(pressed) && PtInRect(&r, point)) {
    CloseTab(pressed);
  } else if (ValidPage(pressed)) {
    DrawCloseButtonOnWindow(pressed, 0);
  }
  return true;
}

void TsPageControl::CloseTab(int pageIndex) {
  bool canClose = true;
  TacCloseAction action = acaFree;
  TTabSheet* page = Pages(pageIndex);
  if (OnCloseBtnClick) OnCloseBtnClick(this, page->TabIndex(), canClose, action);
  // The handler may have changed the pages: find the page again.
  pageIndex = -1;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i) == page) pageIndex = i;
  if (!canClose || pageIndex < 0) return;
  hotTab_ = hotClose_ = -1;
  {
    const TRedrawOff quiet(handle_);
    if (action == acaFree)
      delete page;
    else
      page->SetTabVisible(false);
  }
  skinData_->BackgroundChangedFlag = true;
  RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// ---------------------------------------------------------------- painting

void TsPageControl::PaintMessage(TMessage& message, bool print) {
  HDC given = reinterpret_cast<HDC>(message.WParam);
  TPaintDC paint;
  if (!given) paint = TPaintDC::Begin(handle_);
  HDC dc = given ? given : paint.Get();
  if (!dc) return;
  const TSavedDC state(dc);
  GuardedPaint([&] { PaintTo(dc, print); });
}

void TsPageControl::PaintTo(HDC dc, bool print) {
  if ((Parent() && Parent()->IsDestroying()) || IsLoading()) return;
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag || suppressed_) return;
  const bool askedToRebuild = skinData_->BackgroundChangedFlag;
  if (skinData_->PartlyHiddenFlag || (Parent() && AskControl(Parent(), CMD_ISHALFVISIBLE)))
    skinData_->BackgroundChangedFlag = true;
  if (Parent()) {
    // A control that fills its parent exactly counts as half visible.
    const RECT client = Parent()->ClientRect();
    const POINT a{Left(), Top()}, b{Left() + Width(), Top() + Height()};
    skinData_->PartlyHiddenFlag = !(PtInRect(&client, a) && PtInRect(&client, b));
  }
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager) return;
  skinData_->SectionIndex = manager->SectionIndex(PageSection());
  if (skinData_->SectionIndex >= 0)
    skinData_->BorderMaskIndex = manager->MaskIndex(skinData_->SectionIndex, PageSection(), "BORDERSMASK");
  const BgInfo bg = skinData_->GetParentBgInfo();
  const bool resized = !skinData_->Cache() || skinData_->Cache()->Width() != Width() ||
                       skinData_->Cache()->Height() != Height();
  skinData_->PrepareCache();
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;

  const bool tabs = VisibleTabCount() > 0;
  // A user's tab painter may draw anything: its pictures are never kept.
  const bool ownerDrawn = OwnerDraw() && OnDrawTab;
  const TPictureInputs inputs = PictureInputs(bg);
  bool parentPixelsKept = SameParentPixels(bg, false);
  if (skinData_->BackgroundChangedFlag) {
    // Rebuilt only because the control or its parent is half visible, the picture would
    // come out as it is when nothing it is made from changed.
    if (askedToRebuild || resized || ownerDrawn || !parentPixelsKept || !(inputs == builtFrom_)) {
      if (tabs) PaintBand(bg);
      PaintPageArea(bg);
      builtFrom_ = inputs;
      parentPixelsKept = SameParentPixels(bg, true);
    }
    skinData_->BackgroundChangedFlag = false;
  }

  const int active = ActivePage() ? ActivePage()->PageIndex() : -1;
  RECT activeRect{0, 0, 0, 0};
  if (tabs && active >= 0) {
    activeRect = SkinTabRect(active, true);
    ExcludeClipRect(dc, activeRect.left, activeRect.top, activeRect.right, activeRect.bottom);
  }
  for (int i = 0; i < PageCount(); ++i) {
    if (i == active) continue;
    const RECT r = CloseButtonRect(i);
    if (!EmptyRect(r)) ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  PaintToDCExcludingChildren(this, *skinData_, POINT{0, 0}, 0, 0, false, dc, RECT{0, 0, Width(), Height()});
  PaintGraphicChildren(dc, this, POINT{0, 0});
  for (int i = 0; i < PageCount(); ++i) {
    if (i == active || !HasCloseButton(i)) continue;
    const RECT r = CloseButtonRect(i);
    TBitmap button(W(r), H(r));
    CopyBlock(button.View(), 0, 0, cache->View(), ToTs(r));
    DrawCloseButton(i, 0, button, POINT{-r.left, -r.top});
    BitBlt(dc, r.left, r.top, W(r), H(r), button.Canvas().Handle(), 0, 0, SRCCOPY);
  }
  SelectClipRgn(dc, nullptr);
  if (tabs && active >= 0 && !EmptyRect(activeRect)) {
    // The active tab is drawn again only when what it is made from changed.
    TPictureInputs tabInputs = inputs;
    tabInputs.numbers.insert(tabInputs.numbers.end(), {active, activeRect.left, activeRect.top, activeRect.right,
                                                       activeRect.bottom, Focused() ? 1 : 0});
    if (!activeTab_ || ownerDrawn || !parentPixelsKept || !(tabInputs == activeTabFrom_)) {
      auto tab = std::make_unique<TBitmap>(W(activeRect), H(activeRect));
      DrawTab(active, 2, *tab, POINT{-activeRect.left, -activeRect.top});
      activeTab_ = std::move(tab);
      // Drawn over parent pixels other than the kept ones, it is drawn again next time.
      if (parentPixelsKept)
        activeTabFrom_ = std::move(tabInputs);
      else
        activeTabFrom_ = TPictureInputs{};
    }
    BitBlt(dc, activeRect.left, activeRect.top, W(activeRect), H(activeRect), activeTab_->Canvas().Handle(), 0, 0,
           SRCCOPY);
  }
  (void)print;  // the transition paints the sheets itself, at their positions
  lastTabCount_ = VisibleTabCount();
  // Sheets that were turned away while the picture was rebuilt paint now.
  NotifyChildrenParentDone(this);
}

TsPageControl::TPictureInputs TsPageControl::PictureInputs(const BgInfo& bg) {
  TPictureInputs in;
  std::vector<int64_t>& n = in.numbers;
  TsSkinManager* manager = skinData_->SkinManager();
  const auto address = [](const void* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); };
  n = {Left(), Top(), Width(), Height(), address(manager), address(manager ? &manager->Tables() : nullptr),
       skinData_->SectionIndex, skinData_->BorderMaskIndex, skinData_->PatternIndex, skinData_->HotPatternIndex,
       TabPosition(), static_cast<int>(Style()), OwnerDraw() ? 1 : 0, Enabled() ? 1 : 0,
       address(Images()), Images() ? ImageList_GetImageCount(Images()) : 0,
       showCloseBtns_ ? 1 : 0, closeSection_, closeGlyph_, closeSize_.cx, closeSize_.cy, hotClose_,
       Font().Height(), static_cast<int64_t>(Font().Color()), Font().Style(), Font().Charset(),
       Parent() ? static_cast<int64_t>(ColorToRGB(Parent()->Color())) : -1, bg.Ready ? 1 : 0, bg.X, bg.Y,
       bg.Bmp.width, bg.Bmp.height, bg.Bmp.bitsPerPixel};
  if (manager) {
    n.push_back(manager->SectionIndex("TABTOP"));
    n.push_back(manager->StandardIndexes().TabSections[TabPosition()]);
    n.push_back(manager->StandardIndexes().TabBorders[TabPosition()]);
    const TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
    n.insert(n.end(), {item.CustomColor ? 1 : 0, static_cast<int64_t>(item.OwnerColor),
                       static_cast<int64_t>(item.ParentColor), item.DependsOnParent ? 1 : 0});
    if (bg.Ready && !item.DependsOnParent && item.QueryParentColor)
      n.push_back(static_cast<int64_t>(item.QueryParentColor()));
  }
  in.names.push_back(Font().Name());
  in.sections.push_back(PageSection());
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* page = Pages(i);
    const RECT r = PlatformTabRect(i);
    n.insert(n.end(), {page->TabVisible() ? 1 : 0, r.left, r.top, r.right, r.bottom, HasCloseButton(i) ? 1 : 0,
                       page->ImageIndex(), page->TabIndex()});
    in.sections.push_back(TabSection(i));
  }
  return in;
}

bool TsPageControl::SameParentPixels(const BgInfo& bg, bool keep) {
  const bool any = bg.Ready && bg.HasBmp();
  const TsRect under{bg.X + Left(), bg.Y + Top(), bg.X + Left() + Width(), bg.Y + Top() + Height()};
  const TSurfaceView parent = any ? bg.Bmp : TSurfaceView{};
  if (any) GdiFlush();
  if (keep) {
    parentPixels_.Keep(parent, under);
    return true;
  }
  return parentPixels_.Same(parent, under);
}

void TsPageControl::FillParentBackground(TBitmap& target, const RECT& area, POINT at, const BgInfo& bg) {
  // `area` in control coordinates goes to `at` of the target.
  const TSurfaceView view = target.View();
  if (bg.Ready && bg.HasBmp()) {
    CopyBlock(view, at.x, at.y, bg.Bmp,
               TsRect{bg.X + Left() + area.left, bg.Y + Top() + area.top, bg.X + Left() + area.right,
                      bg.Y + Top() + area.bottom});
    return;
  }
  const TColor color = Parent() ? static_cast<TColor>(ColorToRGB(Parent()->Color())) : clBtnFace;
  FillRectColor(view, TsRect{at.x, at.y, at.x + W(area), at.y + H(area)}, color);
}

void TsPageControl::PaintBand(const BgInfo& bg) {
  TBitmap* cache = skinData_->Cache();
  const RECT band = TabBand();
  if (EmptyRect(band)) return;
  FillParentBackground(*cache, band, POINT{band.left, band.top}, bg);
  const int rows = std::max(1, static_cast<int>(SendMessageW(handle_, TCM_GETROWCOUNT, 0, 0)));
  for (int row = 1; row <= rows; ++row) {
    try {
      for (int i = 0; i < PageCount(); ++i)
        if (Pages(i)->TabVisible() && TabRow(i) == row) DrawTab(i, 0, *cache, POINT{0, 0});
    } catch (...) {
      return;  // a row that faults ends the band; the rest of the paint goes on
    }
  }
}

void TsPageControl::PaintPageArea(const BgInfo& bg) {
  TsSkinManager* manager = skinData_->SkinManager();
  const RECT area = PageArea();
  if (EmptyRect(area)) return;
  // A store kept from one rebuild to the next (a new one costs more than the painting),
  // cleared as a new one would be.
  if (!areaScratch_ || areaScratch_->Width() != W(area) || areaScratch_->Height() != H(area)) {
    areaScratch_ = std::make_unique<THeapSurface>(W(area), H(area), 24);
  } else {
    FillRectColor(areaScratch_->View(), TsRect{0, 0, W(area), H(area)}, static_cast<TColor>(0));
  }
  const TSurfaceView scratch = areaScratch_->View();
  TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
  item.SkinSection = PageSection();
  PaintItem(item, bg, true, true, scratch, TPoint{Left() + area.left, Top() + area.top}, TsRect{0, 0, W(area), H(area)},
            0);
  CopyBlock(skinData_->Cache()->View(), area.left, area.top, scratch, TsRect{0, 0, W(area), H(area)});
}

void TsPageControl::DrawTab(int pageIndex, int state, TBitmap& target, POINT offset) {
  if (!ValidPage(pageIndex)) return;
  const RECT platform = PlatformTabRect(pageIndex);
  if (state == 1 && platform.left < 0) return;  // scrolled away
  const bool active = state == 2 && Pages(pageIndex) == ActivePage();
  const RECT r = SkinTabRect(pageIndex, active);
  if (EmptyRect(r)) return;
  TsSkinManager* manager = skinData_->SkinManager();
  TBitmap* cache = skinData_->Cache();
  if (!manager || !cache || cache->Empty()) return;

  const std::string section = TabSection(pageIndex);
  int sectionIndex = manager->SectionIndex(section);
  int borderIndex = -1;
  if (Style() == tsTabs && TabSection(pageIndex) == kTabSections[TabPosition()] &&
      manager->StandardIndexes().TabSections[TabPosition()] >= 0) {
    sectionIndex = manager->StandardIndexes().TabSections[TabPosition()];
    borderIndex = manager->StandardIndexes().TabBorders[TabPosition()];
  } else if (sectionIndex >= 0) {
    borderIndex = manager->MaskIndex(sectionIndex, section, "BORDERSMASK");
  }

  TBitmap scratch(W(r), H(r));
  const TSurfaceView view = scratch.View();
  const TsRect whole{0, 0, W(r), H(r)};
  TPaintItemSource item;
  item.Skin = &manager->Tables();
  item.SkinIndex = sectionIndex;
  item.SkinSection = section;
  item.BorderIndex = borderIndex;
  item.HasParent = true;
  item.ParentColor = Parent() ? static_cast<TColor>(ColorToRGB(Parent()->Color())) : clFuchsia;
  item.DependsOnParent = true;
  const bool skinnedBackground = SkinnedTabBackgrounds(sectionIndex, borderIndex);
  if (active) {
    // The tab's transparent corners show the parent, not the page frame.
    FillParentBackground(scratch, r, POINT{0, 0}, skinData_->GetParentBgInfo());
    if (skinnedBackground)
      PaintItem(item, BgInfo{view, 0, 0, true}, true, true, view, TPoint{0, 0}, whole, 2);
  } else {
    CopyBlock(view, 0, 0, cache->View(), ToTs(r));
    if (skinnedBackground)
      PaintItem(item, BgInfo{cache->View(), 0, 0, true}, true, true, view, TPoint{r.left, r.top}, whole, state);
  }
  DrawCaption(pageIndex, state, scratch, whole.Width() > 0 ? RECT{0, 0, W(r), H(r)} : RECT{}, sectionIndex);
  if (HasCloseButton(pageIndex)) DrawCloseButton(pageIndex, state == 2 ? 2 : (hotClose_ == pageIndex ? 1 : 0), scratch,
                                                 POINT{-r.left, -r.top});

  // Into the target; a normal tab leaves the page area alone.
  RECT part = r;
  if (!active) {
    const RECT area = PageArea();
    if (TabPosition() == tpTop) part.bottom = std::min(part.bottom, area.top);
    if (TabPosition() == tpLeft) part.right = std::min(part.right, area.left);
  }
  if (EmptyRect(part)) return;
  CopyBlock(target.View(), part.left + offset.x, part.top + offset.y, view,
             TsRect{part.left - r.left, part.top - r.top, part.right - r.left, part.bottom - r.top});
}

void TsPageControl::DrawCaption(int pageIndex, int state, TBitmap& target, const RECT& rect, int sectionIndex) {
  if (EmptyRect(rect)) return;
  TTabSheet* page = Pages(pageIndex);
  TCanvas& canvas = target.Canvas();
  if (OwnerDraw() && OnDrawTab) {
    Canvas().SetHandle(canvas.Handle());
    Canvas().Font().Assign(Font());
    GuardedPaint([&] { OnDrawTab(this, page->TabIndex(), rect, state != 0); });
    Canvas().SetHandle(nullptr);
    return;
  }
  TsSkinManager* manager = skinData_->SkinManager();
  const String caption = page->Caption();
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const bool image = Images() && page->ImageIndex() >= 0 && page->ImageIndex() < ImageList_GetImageCount(Images());
  int imageW = 0, imageH = 0;
  if (image) ImageList_GetIconSize(Images(), &imageW, &imageH);

  if (TabPosition() == tpTop || TabPosition() == tpBottom) {
    RECT textRect = rect;
    if (image) {
      RECT calc{0, 0, 0, 0};
      canvas.DrawText(caption, calc, DT_CALCRECT | DT_SINGLELINE);
      const int x = rect.left + (W(rect) - (W(calc) + imageW + 8)) / 2;
      const int y = rect.top + (H(rect) - imageH) / 2;
      ImageList_Draw(Images(), page->ImageIndex(), canvas.Handle(), x, y, ILD_TRANSPARENT);
      textRect.left += imageW;
    }
    DrawSectionText(canvas, caption, image ? Enabled() : true, &manager->Tables(), state != 0, sectionIndex,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE, textRect);
    if (Focused() && state == 2 && !caption.empty()) {
      RECT calc = rect;
      InflateRect(&calc, -3, -3);
      canvas.DrawText(caption, calc, DT_CALCRECT | DT_SINGLELINE);
      RECT focus{0, 0, W(calc), H(calc)};
      OffsetRect(&focus, rect.left + (W(rect) - W(calc)) / 2, rect.top + (H(rect) - H(calc)) / 2);
      InflateRect(&focus, 2, 1);
      if (image) OffsetRect(&focus, imageW, 0);
      DrawFocusDots(canvas, focus);
    }
    GdiFlush();
    return;
  }

  // Sides: Arial turned a quarter, whatever the control's font.
  LOGFONTW lf{};
  GetObjectW(Font().Handle(), sizeof(lf), &lf);
  LOGFONTW rotated{};
  rotated.lfHeight = lf.lfHeight;
  rotated.lfWeight = FW_NORMAL;
  rotated.lfItalic = lf.lfItalic;
  rotated.lfUnderline = lf.lfUnderline;
  rotated.lfStrikeOut = lf.lfStrikeOut;
  rotated.lfCharSet = lf.lfCharSet;
  rotated.lfEscapement = rotated.lfOrientation = TabPosition() == tpLeft ? -2700 : -900;
  wcscpy_s(rotated.lfFaceName, L"Arial");
  TFontHandle font = NewFont(rotated);
  if (!font) return;
  RECT r = rect;
  if (TabPosition() == tpRight) OffsetRect(&r, -2, -1);
  HDC dc = canvas.Handle();
  const TSavedDC saved(dc);
  SelectObject(dc, font.Get());
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  const TsGeneralData* section = manager && manager->IsSectionIndexValid(sectionIndex)
                                     ? &manager->Tables().SectionTable[static_cast<size_t>(sectionIndex)]
                                     : nullptr;
  TColor color = section ? static_cast<TColor>(state != 0 ? section->HotFontColor[0] : section->FontColor[0])
                         : static_cast<TColor>(ColorToRGB(Font().Color()));
  if (!Enabled()) color = static_cast<TColor>(0x808080);
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(color)));
  SetBkMode(dc, TRANSPARENT);
  const int along = size.cx + (image ? imageW + 4 : 0);
  // Text turned clockwise (left tabs) runs down from its start at the right of the line;
  // turned anticlockwise (right tabs) it runs up from the left.
  const int top = r.top + (H(r) - along) / 2;
  if (image) {
    ImageList_Draw(Images(), page->ImageIndex(), dc, r.left + (W(r) - imageW) / 2, top, ILD_TRANSPARENT);
  }
  const int start = top + (image ? imageW + 4 : 0);
  if (TabPosition() == tpLeft)
    TextOutW(dc, r.left + (W(r) + size.cy) / 2, start, caption.c_str(), static_cast<int>(caption.size()));
  else
    TextOutW(dc, r.left + (W(r) - size.cy) / 2, start + size.cx, caption.c_str(), static_cast<int>(caption.size()));
  if (Focused() && state != 0) {
    RECT focus{r.left + (W(r) - size.cy) / 2 - 2, start - 1, r.left + (W(r) + size.cy) / 2 + 2, start + size.cx + 1};
    DrawFocusDots(canvas, focus);
  }
  GdiFlush();
}

void TsPageControl::DrawTabOnWindow(int pageIndex, int state) {
  if (!handle_ || !ValidPage(pageIndex) || !skinData_->Skinned()) return;
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty() || skinData_->BackgroundChangedFlag) return;
  const RECT r = SkinTabRect(pageIndex, false);
  if (EmptyRect(r)) return;
  TBitmap tab(W(r), H(r));
  CopyBlock(tab.View(), 0, 0, cache->View(), ToTs(r));
  GuardedPaint([&] { DrawTab(pageIndex, state, tab, POINT{-r.left, -r.top}); });
  TClientDC dc = TClientDC::Of(handle_);
  if (!dc) return;
  // Clipped to its platform rectangle, never over the larger active tab.
  const RECT platform = PlatformTabRect(pageIndex);
  IntersectClipRect(dc.Get(), platform.left, platform.top, platform.right, platform.bottom);
  if (ActivePage()) {
    const RECT active = SkinTabRect(ActivePage()->PageIndex(), true);
    ExcludeClipRect(dc.Get(), active.left, active.top, active.right, active.bottom);
  }
  BitBlt(dc.Get(), r.left, r.top, W(r), H(r), tab.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsPageControl::DrawCloseButton(int pageIndex, int state, TBitmap& target, POINT offset) {
  TsSkinManager* manager = skinData_->SkinManager();
  const RECT r = CloseButtonRect(pageIndex);
  if (!manager || EmptyRect(r)) return;
  const TSurfaceView view = target.View();
  const TsRect at{r.left + offset.x, r.top + offset.y, r.right + offset.x, r.bottom + offset.y};
  if (closeSection_ >= 0) {
    const BgInfo bg{view, 0, 0, true};
    PaintSection(closeSection_, closeBtnSkin_, bg, -1, -1, &manager->Tables(), view, TPoint{0, 0}, at, state, true);
    TCanvas& canvas = target.Canvas();
    canvas.Font().Assign(Font());
    canvas.Font().SetStyle(fsBold);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    SetTextColor(canvas.Handle(), RGB(255, 0, 0));
    RECT text{at.Left, at.Top, at.Right, at.Bottom};
    if (state == 2) OffsetRect(&text, 1, 1);
    canvas.DrawText(L"X", text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    GdiFlush();
    return;
  }
  const TMaskRef glyph = MaskRef(manager->Tables(), closeGlyph_);
  if (glyph.Valid()) PaintGlyphMask(view, TPoint{at.Left, at.Top}, state, glyph, true);
}

void TsPageControl::DrawCloseButtonOnWindow(int pageIndex, int state) {
  if (!handle_ || !HasCloseButton(pageIndex) || !skinData_->Skinned()) return;
  TBitmap* cache = skinData_->Cache();
  const RECT r = CloseButtonRect(pageIndex);
  if (!cache || cache->Empty() || EmptyRect(r)) return;
  // The background under the button: the tab as it shows now.
  const bool active = Pages(pageIndex) == ActivePage();
  const RECT tabRect = SkinTabRect(pageIndex, active);
  TBitmap tab(W(tabRect), H(tabRect));
  CopyBlock(tab.View(), 0, 0, cache->View(), ToTs(tabRect));
  GuardedPaint([&] {
    DrawTab(pageIndex, active ? 2 : (hotTab_ == pageIndex ? 1 : 0), tab, POINT{-tabRect.left, -tabRect.top});
    DrawCloseButton(pageIndex, state, tab, POINT{-tabRect.left, -tabRect.top});
  });
  TClientDC dc = TClientDC::Of(handle_);
  if (dc)
    BitBlt(dc.Get(), r.left, r.top, W(r), H(r), tab.Canvas().Handle(), r.left - tabRect.left, r.top - tabRect.top,
           SRCCOPY);
}

void TsPageControl::RepaintBand() {
  TBitmap* cache = skinData_->Cache();
  if (!handle_ || !cache || cache->Empty() || skinData_->UpdatingFlag) return;
  TClientDC dc = TClientDC::Of(handle_);
  if (!dc) return;
  const RECT band = TabBand();
  builtFrom_ = TPictureInputs{};  // the band no longer matches the record
  GuardedPaint([&] { PaintBand(skinData_->GetParentBgInfo()); });
  RECT copy = band;
  const RECT area = PageArea();
  // With the strip next to the band that the tabs reach into.
  switch (TabPosition()) {
    case tpTop: copy.bottom = area.top + 4; break;
    case tpBottom: copy.top = area.bottom - 4; break;
    case tpRight: copy.left = area.right - 4; break;
    case tpLeft: break;
  }
  for (int i = 0; i < PageCount(); ++i) {
    const RECT r = CloseButtonRect(i);
    if (!EmptyRect(r)) ExcludeClipRect(dc.Get(), r.left, r.top, r.right, r.bottom);
  }
  BitBlt(dc.Get(), copy.left, copy.top, W(copy), H(copy), cache->Canvas().Handle(), copy.left, copy.top, SRCCOPY);
  InvalidateRect(handle_, &copy, FALSE);
}

// ---------------------------------------------------------------- tab scroller

void TsPageControl::UpdateScrollerAndButtons() {
  // Making and freeing these children changes the control list, which asks for this again.
  if (updatingChildren_) return;
  updatingChildren_ = true;
  UpdateScroller();
  UpdateTabButtons();
  updatingChildren_ = false;
}

int TsPageControl::HiddenTabCount() const {
  // The tabs scrolled away to the left (some platforms give them no rectangle at all),
  // and those beyond the right end.
  const int limit = Width() - (scroller_ ? scroller_->Width() : 0) - 3;
  int hidden = FirstShownTab();
  for (int i = 0; i < PageCount(); ++i) {
    const RECT r = PlatformTabRect(i);
    if (!EmptyRect(r) && r.left >= 0 && r.right > limit) ++hidden;
  }
  return hidden;
}

int TsPageControl::FirstShownTab() const {
  for (int i = 0; i < PageCount(); ++i) {
    const RECT r = PlatformTabRect(i);
    if (!EmptyRect(r) && r.left >= 0) return Pages(i)->TabIndex();
  }
  return 0;
}

void TsPageControl::FreeScroller() {
  // Forgotten before it goes: its removal from the control list comes back here.
  TsUpDown* old = scroller_;
  scroller_ = nullptr;
  delete old;
}

void TsPageControl::UpdateScroller() {
  if (!handle_ || IsLoading() || IsDestroying() || !skinData_->Skinned()) {
    if (!skinData_->Skinned()) FreeScroller();
    return;
  }
  if (HWND own = FindWindowExW(handle_, nullptr, UPDOWN_CLASSW, nullptr)) {
    DestroyWindow(own);
    platformScrollerGone_ = true;
  }
  const bool oneRow = (TabPosition() == tpTop || TabPosition() == tpBottom) && !MultiLine();
  if (!oneRow || HiddenTabCount() == 0) {
    FreeScroller();
    return;
  }
  if (!scroller_) {
    TsSkinManager* manager = skinData_->SkinManager();
    const std::string section = manager && manager->SectionIndex("UPDOWNBTN") >= 0 ? "UPDOWNBTN" : "BUTTON";
    const int border = manager ? manager->MaskIndex(manager->SectionIndex(section), section, "BORDERSMASK") : -1;
    scroller_ = new TsUpDown(this);
    scroller_->SetBounds(0, 0, 2 * GetSystemMetrics(SM_CXHSCROLL) + 2, GetSystemMetrics(SM_CYHSCROLL) + 1);
    scroller_->SetIncrement(1);
    scroller_->OnChanged = [this](TsUpDown&, int position) { ScrollerMoved(position); };
    scroller_->SetParent(this);
    scroller_->SetSkin(manager, section, section == "BUTTON" && manager && manager->IsMaskIndexValid(border));
  }
  PlaceScroller();
}

void TsPageControl::PlaceScroller() {
  if (!scroller_) return;
  const int w = scroller_->Width(), h = scroller_->Height();
  scroller_->SetBounds(Width() - w, TabPosition() == tpTop ? 0 : Height() - h, w, h);
  scroller_->SetRange(0, HiddenTabCount());
  scroller_->SetPosition(FirstShownTab());
  scroller_->BringToFront();
}

void TsPageControl::ScrollerMoved(int position) {
  if (!handle_) return;
  SendMessageW(handle_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
  UpdateActivePage();
}

// ---------------------------------------------------------------- unskinned close buttons

TsTabBtn* TsPageControl::TabButtonOf(int pageIndex) const {
  if (pageIndex < 0 || pageIndex >= PageCount()) return nullptr;
  for (TsTabBtn* button : tabButtons_)
    if (button->Page() == Pages(pageIndex)) return button;
  return nullptr;
}

void TsPageControl::UpdateTabButtons() {
  const bool wanted = showCloseBtns_ && !skinData_->Skinned() && !IsDestroying();
  // Buttons of pages that went, or all of them when none are wanted.
  std::vector<TsTabBtn*> kept, old;
  old.swap(tabButtons_);
  for (TsTabBtn* button : old) {
    bool live = false;
    for (int i = 0; i < PageCount() && wanted; ++i) {
      const auto* sheet = dynamic_cast<const TsTabSheet*>(Pages(i));
      live = live || (button->Page() == Pages(i) && (!sheet || sheet->UseCloseBtn()));
    }
    if (live)
      kept.push_back(button);
    else
      delete button;
  }
  tabButtons_.insert(tabButtons_.end(), kept.begin(), kept.end());
  PadTabsForButtons(wanted);
  if (!wanted) return;
  for (int i = 0; i < PageCount(); ++i) {
    const auto* sheet = dynamic_cast<const TsTabSheet*>(Pages(i));
    if ((sheet && !sheet->UseCloseBtn()) || TabButtonOf(i)) continue;
    auto* button = new TsTabBtn(this, Pages(i));
    button->OnClick = [this, button](TComponent*) { TabButtonClicked(*button); };
    button->SetParent(this);
    tabButtons_.push_back(button);
  }
  PlaceTabButtons();
}

void TsPageControl::PadTabsForButtons(bool buttons) {
  // The buttons sit at the right end of tabs in a row: padding wider than a button on
  // both sides keeps the centred caption clear of it.
  constexpr int kButtonPadding = 18, kPlatformPadding = 6, kVerticalPadding = 3;
  const bool wide = buttons && (TabPosition() == tpTop || TabPosition() == tpBottom);
  if (!handle_ || wide == paddedTabs_) return;
  paddedTabs_ = wide;
  SendMessageW(handle_, TCM_SETPADDING, 0, MAKELPARAM(wide ? kButtonPadding : kPlatformPadding, kVerticalPadding));
  // The tabs take a new padding when they are laid out again.
  UpdateTabs();
}

void TsPageControl::PlaceTabButtons() {
  for (TsTabBtn* button : tabButtons_) {
    int page = -1;
    for (int i = 0; i < PageCount(); ++i)
      if (Pages(i) == button->Page()) page = i;
    const RECT tab = PlatformTabRect(page);
    if (page < 0 || EmptyRect(tab)) {
      button->SetVisible(false);
      continue;
    }
    const int left = TabPosition() == tpLeft ? tab.left + 1 : tab.right - 16;
    button->SetBounds(left, tab.top + 1, 15, 15);
    button->SetVisible(true);
  }
}

void TsPageControl::TabButtonClicked(TsTabBtn& button) {
  TTabSheet* page = button.Page();
  auto find = [&] {
    for (int i = 0; i < PageCount(); ++i)
      if (Pages(i) == page) return i;
    return -1;
  };
  if (find() < 0) return;
  bool canClose = true;
  TacCloseAction action = acaFree;
  if (OnCloseBtnClick) OnCloseBtnClick(this, page->TabIndex(), canClose, action);
  // The handler may have changed the pages.
  if (!canClose || find() < 0) return;
  button.SetVisible(false);
  if (action == acaFree)
    delete page;
  else
    page->SetTabVisible(false);
  PlaceTabButtons();
  Invalidate();
}

TsTabBtn::TsTabBtn(TComponent* owner, TTabSheet* page) : TGraphicControl(owner), page_(page) {
  SetBounds(0, 0, 15, 15);
}

void TsTabBtn::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      hot_ = message.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(message);
}

void TsTabBtn::Paint() {
  TCanvas& canvas = Canvas();
  HDC dc = canvas.Handle();
  if (!dc) return;
  RECT r = ClientRect();
  const bool pressed = MouseCapture() && hot_;
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas.Brush().SetColor(clBtnFace);
  FillRect(dc, &r, canvas.Brush().Handle());
  if (pressed)
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else if (hot_)
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  if (Parent()) canvas.Font().Assign(Parent()->Font());
  canvas.Font().SetStyle(fsBold);
  canvas.Font().SetColor(static_cast<TColor>(RGB(255, 0, 0)));
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (pressed) OffsetRect(&r, 1, 1);
  canvas.DrawText(L"X", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---------------------------------------------------------------- TsTabSheet

TsTabSheet::TsTabSheet(TComponent* owner) : TTabSheet(owner) {}

void TsTabSheet::CreateParams(TCreateParams& params) {
  TTabSheet::CreateParams(params);
  params.classStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TsTabSheet::InvalidateOwner() {
  if (auto* owner = dynamic_cast<TsPageControl*>(PageControl())) owner->SkinData().Invalidate();
}

void TsTabSheet::SetTabSkin(const std::string& section) {
  if (section == tabSkin_) return;
  tabSkin_ = section;
  InvalidateOwner();
}

void TsTabSheet::SetButtonSkin(const std::string& section) {
  if (section == buttonSkin_) return;
  buttonSkin_ = section;
  InvalidateOwner();
}

void TsTabSheet::SetUseCloseBtn(bool on) {
  if (on == useCloseBtn_) return;
  useCloseBtn_ = on;
  InvalidateOwner();
  // Without a skin the close buttons are children of the page control.
  if (auto* owner = dynamic_cast<TsPageControl*>(PageControl())) owner->UpdateScrollerAndButtons();
}

TsPageControl* TsTabSheet::SkinnedOwner() const {
  auto* owner = dynamic_cast<TsPageControl*>(PageControl());
  if (!owner || owner->IsDestroying() || !owner->SkinData().Skinned()) return nullptr;
  return owner;
}

void TsTabSheet::WndProc(TMessage& message) {
  // Errors of handlers run from here (a child's click reflected through this window)
  // go to the framework's standard handler with the window procedure's other errors.
  TsPageControl* owner = message.Msg == SM_SKINCMD || !IsDestroying() ? SkinnedOwner() : nullptr;
  if (message.Msg == SM_SKINCMD && SkinCommand(message, owner)) return;
  if (owner) {
    switch (message.Msg) {
      case WM_ERASEBKGND:
        message.Result = 1;
        return;
      case WM_PAINT:
        if (Showing() && !IsDestroying()) {
          PaintMessage(message, owner);
          return;
        }
        break;
      case WM_PRINTCLIENT:
        if (message.WParam) {
          PaintMessage(message, owner);
          return;
        }
        break;
      case WM_MOUSEMOVE:
        if (TsSkinManager* manager = owner->SkinData().SkinManager()) manager->SetHotWindow(Handle());
        break;
      case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE) AnnounceControl(this);
        break;
      default:
        break;
    }
  }
  TTabSheet::WndProc(message);
}

bool TsTabSheet::SkinCommand(TMessage& message, TsPageControl* owner) {
  auto* control = dynamic_cast<TsPageControl*>(PageControl());
  const bool own = control && reinterpret_cast<TsSkinManager*>(message.LParam) == control->SkinData().SkinManager();
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      BroadcastToChildren(this, message);
      return true;
    case CMD_SKINREMOVED:
    case CMD_REPAINT:
      if (own && handle_ && (SkinCommandOf(message.WParam) == CMD_SKINREMOVED || Showing()))
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      BroadcastToChildren(this, message);
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    default:
      break;
  }
  if (!owner) return false;
  switch (SkinCommandOf(message.WParam)) {
    case CMD_GETBGINFO: {
      TBitmap* cache = owner->SkinData().Cache();
      AnswerBackground(message, cache && !cache->Empty() ? BgInfo{cache->View(), Left(), Top(), true} : BgInfo{});
      message.Result = 1;
      return true;
    }
    case CMD_ISBGBUSY:
      message.LParam = message.Result = AskControl(owner, CMD_ISBGBUSY) ? 1 : 0;
      return true;
    case CMD_ISBGVARIABLE: {
      const TsGeneralData* section = owner->SkinData().Section();
      const bool variable =
          (section && section->GradientPercent + section->ImagePercent >= 1) || owner->SkinData().DependsOnParent();
      message.LParam = message.Result = variable ? 1 : 0;
      return true;
    }
    case CMD_GETCOLOR:
      // The sheet shows its page control's colour; the record is filled here, not passed on.
      if (ColorRecordOf(message)) {
        const TColor color = owner->HandleAllocated() ? AskColor(owner->Handle()) : clFuchsia;
        if (color != clFuchsia) AnswerColor(message, color);
        message.Result = color != clFuchsia ? 1 : 0;
      }
      return true;
    case CMD_PARENTDONE:
      if (missedPaint_ && handle_) {
        missedPaint_ = false;
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      return true;
    default:
      return false;
  }
}

void TsTabSheet::PaintMessage(TMessage& message, TsPageControl* owner) {
  HDC given = reinterpret_cast<HDC>(message.WParam);
  TPaintDC paint;
  if (!given) paint = TPaintDC::Begin(handle_);
  HDC dc = given ? given : paint.Get();
  if (!dc) return;
  const TSavedDC state(dc);
  GuardedPaint([&] {
    TsCommonData& binding = owner->SkinData();
    binding.UpdatingFlag = binding.RefreshUpdating();
    TBitmap* cache = binding.Cache();
    if (binding.UpdatingFlag || owner->PaintingSuppressed() || binding.BackgroundChangedFlag || !cache ||
        cache->Empty()) {
      missedPaint_ = true;
      return;
    }
    PaintToDCExcludingChildren(this, binding, POINT{Left(), Top()}, 0, 0, false, dc, RECT{0, 0, Width(), Height()});
    PaintGraphicChildren(dc, this, POINT{0, 0}, &childBuffer_);
    NotifyChildrenParentDone(this);
  });
}
