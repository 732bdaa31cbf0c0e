#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/Handles.h"

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  controlStyle_ |= csAcceptsControls;
  SetColor(clBtnFace);
  SetVisibleFlag(false);
  SetAlign(alClient);
}

TTabSheet::~TTabSheet() {
  Destroying();
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* control) {
  if (control == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  SetParent(control);
  if (control) control->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (!pageControl_) return;
  auto& pages = pageControl_->pages_;
  pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
  index = std::clamp(index, 0, static_cast<int>(pages.size()));
  pages.insert(pages.begin() + index, this);
  pageControl_->UpdateTabs();
}

void TTabSheet::SetImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  if (pageControl_) pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  int tab = 0;
  for (TTabSheet* page : pageControl_->pages_) {
    if (page == this) return tab;
    if (page->tabVisible_) ++tab;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool on) {
  if (on == tabVisible_) return;
  tabVisible_ = on;
  if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::WndProc(TMessage& message) {
  if (message.Msg == CM_TEXTCHANGED) {
    if (pageControl_) pageControl_->UpdateTabs();
    return;
  }
  TWinControl::WndProc(message);
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  controlStyle_ = csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks;
  SetColor(clBtnFace);
  SetTabStop(true);
  width_ = 289;
  height_ = 193;
}

TPageControl::~TPageControl() {
  Destroying();
  // Sheets are children: the TWinControl destructor frees them; forget them first.
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

void TPageControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TABCONTROLW);
  params.style |= WS_CLIPCHILDREN;
  params.style |= style_ == tsTabs ? TCS_TABS : style_ == tsButtons ? TCS_BUTTONS : TCS_BUTTONS | TCS_FLATBUTTONS;
  // Tabs on the sides are laid out in rows only.
  if (multiLine_ || tabPosition_ == tpLeft || tabPosition_ == tpRight) params.style |= TCS_MULTILINE;
  if (tabPosition_ == tpBottom) params.style |= TCS_BOTTOM;
  if (tabPosition_ == tpLeft) params.style |= TCS_VERTICAL;
  if (tabPosition_ == tpRight) params.style |= TCS_VERTICAL | TCS_RIGHT;
  if (hotTrack_) params.style |= TCS_HOTTRACK;
  if (ownerDraw_) params.style |= TCS_OWNERDRAWFIXED;
  if (tabWidth_ > 0) params.style |= TCS_FIXEDWIDTH;
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  if (images_) SendMessageW(handle_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  ApplyTabSize();
  UpdateTabs();
  Realign();
}

void TPageControl::SetTabPosition(TTabPosition position) {
  if (position == tabPosition_) return;
  tabPosition_ = position;
  RecreateWnd();
}

void TPageControl::SetStyle(TTabStyle style) {
  if (style == style_) return;
  style_ = style;
  RecreateWnd();
}

void TPageControl::SetImages(HIMAGELIST images) {
  if (images == images_) return;
  images_ = images;
  if (!handle_) return;
  SendMessageW(handle_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  UpdateTabs();
}

void TPageControl::SetOwnerDraw(bool on) {
  if (on == ownerDraw_) return;
  ownerDraw_ = on;
  RecreateWnd();
}

void TPageControl::SetTabHeight(int height) {
  if (height == tabHeight_ || height < 0) return;
  tabHeight_ = height;
  ApplyTabSize();
}

void TPageControl::SetTabWidth(int width) {
  if (width == tabWidth_ || width < 0) return;
  const bool styleChanges = (width > 0) != (tabWidth_ > 0);
  tabWidth_ = width;
  if (styleChanges)
    RecreateWnd();
  else
    ApplyTabSize();
}

void TPageControl::ApplyTabSize() {
  if (!handle_ || (tabWidth_ == 0 && tabHeight_ == 0)) return;
  SendMessageW(handle_, TCM_SETITEMSIZE, 0, MAKELPARAM(tabWidth_, tabHeight_));
  Realign();
}

void TPageControl::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!OnDrawTab) return;
  const TSavedDC state(item.hDC);
  canvas_.SetHandle(item.hDC);
  canvas_.Font().Assign(Font());
  try {
    OnDrawTab(this, static_cast<int>(item.itemID), item.rcItem, (item.itemState & ODS_SELECTED) != 0);
  } catch (...) {
    // Nothing raises out of drawing.
  }
  canvas_.SetHandle(nullptr);
}

void TPageControl::SetMultiLine(bool on) {
  if (on == multiLine_) return;
  multiLine_ = on;
  RecreateWnd();
}

void TPageControl::SetHotTrack(bool on) {
  if (on == hotTrack_) return;
  hotTrack_ = on;
  RecreateWnd();
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  UpdateTabs();
  if (!activePage_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  TTabSheet* next = nullptr;
  if (page == activePage_) {
    // The neighbour takes over, as closing a tab would.
    auto idx = it - pages_.begin();
    if (idx + 1 < static_cast<std::ptrdiff_t>(pages_.size())) next = pages_[static_cast<size_t>(idx + 1)];
    else if (idx > 0) next = pages_[static_cast<size_t>(idx - 1)];
    activePage_ = nullptr;
  }
  pages_.erase(it);
  page->pageControl_ = nullptr;
  if (!IsDestroying()) {
    UpdateTabs();
    if (next) SetActivePage(next);
  }
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
  for (TTabSheet* page : pages_)
    if (page->TabIndex() == tabIndex && tabIndex >= 0) return page;
  return nullptr;
}

void TPageControl::UpdateTabs() {
  if (!handle_) return;
  SendMessageW(handle_, TCM_DELETEALLITEMS, 0, 0);
  int tab = 0;
  for (TTabSheet* page : pages_) {
    if (!page->tabVisible_) continue;
    String caption = page->Caption();
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = images_ ? page->imageIndex_ : -1;
    item.lParam = reinterpret_cast<LPARAM>(page);
    SendMessageW(handle_, TCM_INSERTITEMW, static_cast<WPARAM>(tab++), reinterpret_cast<LPARAM>(&item));
  }
  if (activePage_ && activePage_->TabIndex() >= 0)
    SendMessageW(handle_, TCM_SETCURSEL, static_cast<WPARAM>(activePage_->TabIndex()), 0);
  Realign();
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  if (page == activePage_) {
    ShowActivePage();
    return;
  }
  TTabSheet* old = activePage_;
  activePage_ = page;
  if (handle_ && page && page->TabIndex() >= 0)
    SendMessageW(handle_, TCM_SETCURSEL, static_cast<WPARAM>(page->TabIndex()), 0);
  ShowActivePage();
  if (old && old != page) old->SetVisible(false);
}

void TPageControl::ShowActivePage() {
  if (!activePage_) return;
  activePage_->BringToFront();
  activePage_->SetVisible(true);
}

int TPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= PageCount()) {
    SetActivePage(nullptr);
    return;
  }
  SetActivePage(pages_[static_cast<size_t>(index)]);
}

RECT TPageControl::DisplayRect() const {
  RECT r = ClientRect();
  AdjustClientRect(r);
  return r;
}

void TPageControl::AdjustClientRect(RECT& rect) const {
  if (handle_) {
    SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
  } else {
    // Until the tab control exists: its usual frame around a single row of tabs.
    rect.left += 4;
    rect.top += 24;
    rect.right -= 4;
    rect.bottom -= 4;
  }
}

void TPageControl::UpdateActivePage() {
  if (!handle_) return;
  const int tab = static_cast<int>(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
  SetActivePage(PageForTab(tab));
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::WndProc(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (header->code == static_cast<UINT>(TCN_SELCHANGING)) {
      message.Result = CanChange() ? FALSE : TRUE;
      return;
    }
    if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
      UpdateActivePage();
      Change();
      return;
    }
    return;
  }
  if (message.Msg == CN_DRAWITEM) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
    message.Result = TRUE;
    return;
  }
  TWinControl::WndProc(message);
  if (message.Msg == WM_SETREDRAW && handle_) {
    // Some platform tab controls keep the flag to themselves; the default procedure is
    // what keeps the sheets from painting meanwhile (and it does no harm twice).
    DefWindowProcW(handle_, WM_SETREDRAW, message.WParam, 0);
  }
}
