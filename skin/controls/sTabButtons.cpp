#include "skin/controls/sPageControl.h"

#include <commctrl.h>

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

