#include "skin/controls/sPageControl.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Redraw.h"
#include "skin/controls/sPageControlParts.h"
#include "skin/controls/sUpDown.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/paint/gdi/sTextPainting.h"

using namespace page_control_parts;

namespace {

// The armed close-button click is process-wide: one press at a time.
bool gCloseArmed = false;

}  // namespace

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

